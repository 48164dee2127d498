#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "text/status.h"
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
// system cannot make nameless files, for the whole write). A new backup, too,
// is made under such a name and then renamed to PATH.bak.
bool replace_file(const std::filesystem::path& path, std::string_view bytes, bool keep_backup);

// Writes the new content piece by piece, for content too large to hold at
// once: write hands each piece to the sink and returns false to give up. The
// same guarantees as above. With written, the stamp of the new file.
using FileSink = std::function<bool(std::string_view)>;
bool replace_file_with(const std::filesystem::path& path, const std::function<bool(const FileSink&)>& write,
                       bool keep_backup, FileStamp* written = nullptr);

// What replace_file_checked is asked to do besides writing.
struct ReplaceOptions {
    // Keep an existing file as PATH.bak (see above).
    bool keep_backup = false;
    // A symbolic link at path is followed, as for a file the user chose. A
    // name the program makes up beside another file (a cp932 copy) is never
    // followed: a link there may have been planted by another user to have
    // us overwrite a file of ours elsewhere, so it is refused (NameTaken).
    bool follow_link = true;
    // The message of a failure that has no more particular reason.
    MessageId failure_id = MessageId::WriteFailed;
    // When given, the stamp of the new file.
    FileStamp* written = nullptr;
};

// The same as replace_file_with, telling why it failed, each with the name
// concerned as the first line:
//   OthersFile  the file belongs to another user, who has not let us write it, or
//          it is in a folder with the sticky bit, where only its owner may
//          replace it;
//   OthersFolder  the folder belongs to another user, who has not let us write in it;
//   NameTaken  a name the save must replace (the backup PATH.bak, or a path not
//          to be followed) is taken by something that is not a regular file
//          or that we may not replace;
//   failure_id  with path, for anything else (a full disk, a missing folder).
//
// Nothing is ever written through a name we did not just make: the new file
// and a new backup are made nameless or under a fresh random name with
// O_EXCL, and only renames put them in place. The new file keeps the group
// and mode of the file it replaces, so that in a folder shared by a group,
// every member can go on saving it; where the group cannot be kept (we are
// not in it), the group we give it gets no more than others had.
Status replace_file_checked(const std::filesystem::path& path, const std::function<bool(const FileSink&)>& write,
                            const ReplaceOptions& options);

// The hidden name a file in the making gets beside target_name, where it is
// not nameless: "." + target_name + "." + six random letters or digits.
std::string hidden_name_for(std::string_view target_name);

// The target name of such a hidden name (a file name, not a path); empty
// when name is none.
std::string_view hidden_name_target(std::string_view name);

// Whether name is a hidden name for target_name, as replace_file gives the
// new file.
bool is_replacement_name(std::string_view name, std::string_view target_name);

}  // namespace tessaly
