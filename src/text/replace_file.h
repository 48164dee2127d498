#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace tessaly {

// Writes bytes as the new content of path without ever leaving a damaged
// file behind: the bytes go to a temporary file in the same folder, are
// flushed to disk and renamed over the old file. On failure the old file is
// untouched and the temporary file is gone. With keep_backup, an existing
// file is kept beside the new one as PATH.bak. A symbolic link is followed,
// so the file it names is replaced, not the link.
bool replace_file(const std::filesystem::path& path, std::string_view bytes, bool keep_backup);

// Writes the new content piece by piece, for content too large to hold at
// once: write hands each piece to the sink and returns false to give up. The
// same guarantees as above.
using FileSink = std::function<bool(std::string_view)>;
bool replace_file_with(const std::filesystem::path& path, const std::function<bool(const FileSink&)>& write,
                       bool keep_backup);

}  // namespace tessaly
