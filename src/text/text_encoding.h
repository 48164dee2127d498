#pragma once

// Lists from other systems often come as UTF-8 or UTF-16 while Tessaly reads
// cp932 (Shift-JIS) only. Such a file is recognised from its first bytes, so
// that it is never read as garbage with wrong keys, and a cp932 copy of it
// can be made for the user; and again from all of its bytes while its
// records are counted, for a list whose Japanese comes only later.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/status.h"
#include "text/user_file.h"

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

// Judges a text handed over block by block, so that a whole file is judged
// on the way through a reading that happens anyway. UTF-16 is known by its
// byte order mark; UTF-8 by a mark, or by bytes that are valid UTF-8 with
// Japanese characters in them. Short runs of cp932 can be valid UTF-8 by
// chance ("緕ｱ" is the bytes of "ぱ"), so such bytes are taken for UTF-8 only
// when they are no valid cp932, or when they hold more Japanese characters
// than chance makes. A character cut at the end is allowed (a sample may end
// inside one). Once a byte is no UTF-8 the text is cp932 and the rest of it
// is passed over at no cost; plain ASCII goes eight bytes at a time.
class EncodingScan {
public:
    void feed(std::string_view bytes);
    TextEncoding result() const;

private:
    void feed_byte(unsigned char b);

    unsigned char mark_[3] = {};
    std::size_t seen_ = 0;  // bytes fed, up to the length of a mark
    bool utf8_ok_ = true;
    int utf8_pending_ = 0;                              // continuation bytes still to come
    unsigned char next_low_ = 0x80, next_high_ = 0xBF;  // the range of the next one
    char32_t code_ = 0;
    long long japanese_ = 0;
    bool cp932_ok_ = true;
    bool cp932_trail_ = false;  // a lead byte waits for its trail byte
};

// Japanese characters valid UTF-8 must hold to be taken for UTF-8 even though
// its bytes read as cp932 too.
inline constexpr long long kUtf8Evidence = 4;

// The encoding of a text from its first bytes (up to kEncodingSample).
TextEncoding detect_encoding(std::string_view head);

// The encoding of a file's first bytes; Cp932 when it cannot be read. The
// stamp, when asked for, is the file's as those bytes were read (nullopt
// when it cannot be read).
TextEncoding detect_file_encoding(const std::filesystem::path& path, std::optional<FileStamp>* stamp = nullptr);

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
    // OpenFailed the source cannot be read; CreateFailed the copy cannot be written;
    // ChangedWhileAsking the source is not what it was (its stamp or its mark changed).
    Status status;
    // Characters cp932 lacks: when any, no copy is made.
    std::vector<UnconvertibleCharacter> missing;
    bool made() const { return status && missing.empty(); }
};

// Writes the text of source, in the given encoding, as cp932 to target
// (replacing it only once complete; the byte order mark is dropped, line
// ends are kept). At most max_missing missing characters are listed. With
// an expected stamp (taken when the encoding was found, before the user was
// asked), a source changed since is not copied: the answer was about
// another text.
Cp932Copy make_cp932_copy(const std::filesystem::path& source, TextEncoding encoding,
                          const std::filesystem::path& target, std::size_t max_missing = 20,
                          const std::optional<FileStamp>& expected = std::nullopt);

}  // namespace tessaly
