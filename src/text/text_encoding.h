#pragma once

// Lists from other systems often come as UTF-8 or UTF-16 while Tessaly reads
// cp932 (Shift-JIS) only. Such a file is recognised from its first bytes, so
// that it is never read as garbage with wrong keys, and a cp932 copy of it
// can be made for the user.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "text/status.h"

namespace tessaly {

enum class TextEncoding {
    Cp932,    // or plain ASCII: read as it is
    Utf8,     // multi-byte UTF-8 that is no plausible cp932
    Utf8Bom,  // UTF-8 beginning with its byte order mark
    Utf16Le,  // UTF-16 with a byte order mark
    Utf16Be,
};

// How many leading bytes the detection looks at.
inline constexpr std::size_t kEncodingSample = 64 * 1024;

// The encoding of a text from its first bytes (up to kEncodingSample; a
// character cut at the end of the sample is allowed). UTF-16 is known by its
// byte order mark; UTF-8 by a mark, or by bytes that are valid UTF-8 with
// Japanese characters in them, which cp932 text practically never is.
TextEncoding detect_encoding(std::string_view head);

// The encoding of a file's first bytes; Cp932 when it cannot be read.
TextEncoding detect_file_encoding(const std::filesystem::path& path);

// "UTF-8", "UTF-8 (BOM)", "UTF-16LE", "UTF-16BE", "CP932".
std::string encoding_name(TextEncoding encoding);
// The name iconv knows the encoding by ("UTF-8", "UTF-16LE", ...).
std::string iconv_name(TextEncoding encoding);

// Where the cp932 copy of a file goes: beside it, "NAME.sjis.EXT"
// ("members.csv" -> "members.sjis.csv"), so the user sees what it is.
std::filesystem::path cp932_copy_path(const std::filesystem::path& source);

// A character that cp932 has no code for, with the line it is on (from 1).
struct UnconvertibleCharacter {
    long long line = 0;
    std::string character;  // UTF-8
};

struct Cp932Copy {
    Status status;  // 30003 the source cannot be read; 30039 the copy cannot be written
    // Characters cp932 lacks: when any, no copy is made.
    std::vector<UnconvertibleCharacter> missing;
    bool made() const { return status && missing.empty(); }
};

// Writes the text of source, in the given encoding, as cp932 to target
// (replacing it only once complete; the byte order mark is dropped, line
// ends are kept). At most max_missing missing characters are listed.
Cp932Copy make_cp932_copy(const std::filesystem::path& source, TextEncoding encoding,
                          const std::filesystem::path& target, std::size_t max_missing = 20);

}  // namespace tessaly
