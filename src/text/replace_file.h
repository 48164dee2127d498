#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "text/user_file.h"

namespace tessaly {

// Writes bytes as the new content of path without ever leaving a damaged
// file behind: the bytes go to a new file in the same folder, are flushed to
// disk and renamed over the old file. On failure the old file is untouched
// and the new file is gone. With keep_backup, an existing file is kept
// beside the new one as PATH.bak. A symbolic link is followed, so the file it
// names is replaced, not the link.
//
// The new file has no name while it is written (O_TMPFILE), so that a
// process killed in the middle leaves nothing behind; only for the rename
// does it get one, ".NAME.XXXXXX" beside the target (and where the file
// system cannot make nameless files, for the whole write).
bool replace_file(const std::filesystem::path& path, std::string_view bytes, bool keep_backup);

// Writes the new content piece by piece, for content too large to hold at
// once: write hands each piece to the sink and returns false to give up. The
// same guarantees as above. With written, the stamp of the new file.
using FileSink = std::function<bool(std::string_view)>;
bool replace_file_with(const std::filesystem::path& path, const std::function<bool(const FileSink&)>& write,
                       bool keep_backup, FileStamp* written = nullptr);

// Whether name (a file name, not a path) is one that replace_file gives the
// new file for target_name: "." + target_name + "." + six letters or digits.
bool is_replacement_name(std::string_view name, std::string_view target_name);

}  // namespace tessaly
