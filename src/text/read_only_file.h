#pragma once

// A read-only source file is one without write permission for its owner;
// the file area asks before it adds that permission.

#include <filesystem>

#include "text/status.h"

namespace tessaly {

// False as well when the file cannot be examined.
bool is_read_only(const std::filesystem::path& path);

// Adds write permission for the owner. A refusal because access is denied
// is AccessDenied; any other error is passed over, since the file is only read.
Status make_writable(const std::filesystem::path& path);

// The outcome of a failed permission change with this errno.
Status permission_change_failure(int error);

}  // namespace tessaly
