#include "text/temp_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <string>

namespace tessaly {

std::filesystem::path temp_folder() {
    const char* dir = std::getenv("TMPDIR");
    return (dir && *dir) ? dir : "/tmp";
}

int open_nameless_temp_file() {
    const std::string folder = temp_folder().string();
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // Not on this file system (or an old kernel): a name for the blink of an
    // eye only.
    std::string pattern = folder + "/TesXXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    ::unlink(pattern.c_str());
    return fd;
}

}  // namespace tessaly
