#pragma once

// A copy of a text file with every line ending in CR LF, the last line too.

#include <filesystem>

#include "text/status.h"

namespace tessaly {

// Copies source to target line by line. The target is replaced only once
// the whole copy is on disk, so a failure leaves an existing target as it
// was. OpenFailed with the source path when it cannot be read; CreateFailed with the
// target path when the target cannot be written.
Status copy_lines_crlf(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace tessaly
