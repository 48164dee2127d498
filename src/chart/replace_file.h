#pragma once

#include <filesystem>
#include <string_view>

namespace tessaly {

// Writes bytes as the new content of path without ever leaving a damaged
// file behind: the bytes go to a temporary file in the same folder, are
// flushed to disk and renamed over the old file. On failure the old file is
// untouched and the temporary file is gone. With keep_backup, an existing
// file is kept beside the new one as PATH.bak. A symbolic link is followed,
// so the file it names is replaced, not the link.
bool replace_file(const std::filesystem::path& path, std::string_view bytes, bool keep_backup);

}  // namespace tessaly
