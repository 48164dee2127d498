#pragma once

// How tessaly-cross words a failure on stderr, as GNU tools do:
// "tessaly-cross: FILE: REASON", the reason being the program's own message
// text (on one line), with the system's error where one is known.

#include <filesystem>
#include <string>
#include <string_view>

#include "text/status.h"

namespace tessaly::cli {

// "tessaly-cross: FILE: REASON" and a line break; without "FILE: " when no
// file is concerned. Control bytes in either are escaped (printable.h), so
// that a file name cannot split the line or drive the terminal.
std::string failure_line(std::string_view file, std::string_view reason);

// The file a status names (its first line), else the fallback.
std::string named_file(const Status& status, std::string_view fallback);

// The failure line of a status about `file`: its message text after
// text_prefix, line breaks made spaces. When the file was to be read and
// could not be opened (OpenFailed, FileNotFound), the system's reason follows in
// parentheses: "ファイルのオープンに失敗しました (No such file or directory)".
std::string status_line(const Status& status, std::string_view file, bool read = false,
                        std::string_view text_prefix = {});

// Why the file cannot be opened for reading (the system's text), or an
// empty text when it can. Never waits on a FIFO.
std::string open_error(const std::filesystem::path& path);

}  // namespace tessaly::cli
