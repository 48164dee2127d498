#pragma once

// Sources from other systems: tessaly-cross reads cp932 only, so a UTF-8 or
// UTF-16 file is refused rather than crossed as garbage, with the command
// that makes a cp932 copy of it.

#include <filesystem>
#include <string>
#include <string_view>

#include "text/text_encoding.h"

namespace tessaly::cli {

// The text as one word for a POSIX shell: as it is when it holds nothing
// the shell would take apart, else in single quotes.
std::string shell_word(std::string_view text);

// The shell command that writes the cp932 copy of file (in the given
// encoding) beside it, as NAME.sjis.EXT. iconv keeps a byte order mark
// that is named with the byte order, and cp932 has no character for it: so
// UTF-16 goes by its mark, and UTF-8's mark is cut off first.
std::string conversion_command(TextEncoding encoding, const std::filesystem::path& file);

// The failure text for a file (as shown) in the given encoding: the
// encoding, and the commands that make a cp932 copy of it (ours, and iconv's
// for a machine without Tessaly).
std::string encoding_refusal(TextEncoding encoding, std::string_view shown);

// The failure text for a file (as shown) that is a spreadsheet: for a
// workbook, the command that copies its first sheet; for a format that is
// not read, to save it as .xlsx or CSV. Empty for any other file.
std::string spreadsheet_refusal(const std::filesystem::path& path, std::string_view shown);

// The failure text when the file at path is no cp932 text by its first
// bytes; empty for cp932 (and for a file that cannot be read: its reading
// says why). The rest of the file is judged as the cross counts its records.
std::string foreign_encoding_refusal(const std::filesystem::path& path, std::string_view shown);

}  // namespace tessaly::cli
