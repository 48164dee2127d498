#pragma once

// Work files in the temporary folder ($TMPDIR, else /tmp) that have no name:
// a file made here vanishes with its last descriptor, however the process
// ends (kill -9, a crash, a power cut), so no copy of anyone's records is
// ever left behind.

#include <filesystem>

namespace tessaly {

// The temporary folder: $TMPDIR when set and not empty, else /tmp.
std::filesystem::path temp_folder();

// A new, empty file in the temporary folder, open for reading and writing
// (close-on-exec), that has no name: made with O_TMPFILE where the file
// system allows it, else made under a unique name starting "Tes" and
// unlinked at once. -1 when no file can be made there.
int open_nameless_temp_file();

}  // namespace tessaly
