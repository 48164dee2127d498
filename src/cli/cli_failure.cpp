#include "cli/cli_failure.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/messages.h"
#include "text/printable.h"

namespace tessaly::cli {

std::string failure_line(std::string_view file, std::string_view reason) {
    std::string line = "tessaly-cross: ";
    if (!file.empty()) line.append(escape_controls(file)).append(": ");
    return line.append(escape_controls(reason)).append("\n");
}

std::string named_file(const Status& status, std::string_view fallback) {
    return status.first_line.empty() ? std::string(fallback) : status.first_line;
}

std::string status_line(const Status& status, std::string_view file, bool read, std::string_view text_prefix) {
    std::string reason = std::string(text_prefix) + std::string(message_text(status.message_id));
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    // The system's reason is in its own language: a line of its own, so that
    // no line mixes it with the catalogue's Japanese.
    std::string why;
    if (read && !file.empty() &&
        (status.message_id == MessageId::OpenFailed || status.message_id == MessageId::FileNotFound))
        why = open_error(std::filesystem::path(file));
    return failure_line(file, reason) + (why.empty() ? std::string() : failure_line(file, why));
}

std::string open_error(const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return {};
}

}  // namespace tessaly::cli
