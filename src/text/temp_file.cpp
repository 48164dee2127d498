#include "text/temp_file.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tessaly {

std::filesystem::path make_temp_file_name() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = (dir && *dir) ? dir : "/tmp";
    pattern += "/TesXXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0) return {};
    ::close(fd);
    return pattern;
}

}  // namespace tessaly
