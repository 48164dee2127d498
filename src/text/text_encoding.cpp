#include "text/text_encoding.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "text/cp932.h"
#include "text/replace_file.h"
#include "text/user_file.h"
#include "text/utf8.h"

namespace tessaly {

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Japanese in UTF-8: kana and CJK punctuation, kanji, full-width forms.
bool japanese(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

// The whole file, with its stamp as it was opened.
std::optional<std::string> read_whole(const std::filesystem::path& path, std::optional<FileStamp>& stamp) {
    int fd = -1;
    if (!open_user_file(path, fd)) return std::nullopt;
    stamp = file_stamp(fd);
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

// The copy's name is one we make up beside the source, perhaps in a folder
// others write to: a link found there is never followed.
Status write_copy(const std::filesystem::path& target, std::string_view bytes) {
    return replace_file_checked(target, [bytes](const FileSink& sink) { return sink(bytes); },
                                {.follow_link = false, .failure_id = MessageId::CreateFailed});
}

}  // namespace

void EncodingScan::feed_byte(unsigned char b) {
    if (utf8_pending_ > 0) {
        if (b < next_low_ || b > next_high_) {
            utf8_ok_ = false;
            return;
        }
        code_ = (code_ << 6) | (b & 0x3F);
        next_low_ = 0x80, next_high_ = 0xBF;
        if (--utf8_pending_ == 0 && japanese(code_) && japanese_ < kUtf8Evidence) ++japanese_;
    } else if (b >= 0x80) {
        // The ranges of the second byte leave out overlong forms, surrogates
        // and values beyond Unicode.
        if (b >= 0xC2 && b <= 0xDF)
            utf8_pending_ = 1, code_ = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF)
            utf8_pending_ = 2, code_ = b & 0x0F;
        else if (b >= 0xF0 && b <= 0xF4)
            utf8_pending_ = 3, code_ = b & 0x07;
        else {
            utf8_ok_ = false;
            return;
        }
        if (b == 0xE0)
            next_low_ = 0xA0;
        else if (b == 0xED)
            next_high_ = 0x9F;
        else if (b == 0xF0)
            next_low_ = 0x90;
        else if (b == 0xF4)
            next_high_ = 0x8F;
    }
    if (!cp932_ok_) return;
    if (cp932_trail_) {
        cp932_ok_ = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
        cp932_trail_ = false;
    } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF) || (b >= 0xFA && b <= 0xFC)) {
        // F0 to F9 lead the user-defined characters: a four-byte UTF-8
        // character (an emoji) reads as one of them, real lists seldom hold one.
        cp932_trail_ = true;
    } else {
        cp932_ok_ = b < 0x80 || (b >= 0xA1 && b <= 0xDF);  // ASCII or half-width katakana
    }
}

void EncodingScan::feed(std::string_view bytes) {
    for (std::size_t i = 0; seen_ < sizeof mark_ && i < bytes.size(); ++i)
        mark_[seen_++] = static_cast<unsigned char>(bytes[i]);
    if (!utf8_ok_) return;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        if (utf8_pending_ == 0 && !cp932_trail_) {
            // ASCII reads alike in both: passed over a word at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, sizeof word);
                if (word & 0x8080808080808080ULL) break;
                p += 8;
            }
            while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
            if (p == end) break;
        }
        feed_byte(static_cast<unsigned char>(*p++));
        if (!utf8_ok_) return;
    }
}

TextEncoding EncodingScan::result() const {
    const std::string_view mark(reinterpret_cast<const char*>(mark_), seen_);
    if (starts_with(mark, "\xEF\xBB\xBF")) return TextEncoding::Utf8Bom;
    if (starts_with(mark, "\xFF\xFE")) return TextEncoding::Utf16Le;
    if (starts_with(mark, "\xFE\xFF")) return TextEncoding::Utf16Be;
    if (!utf8_ok_ || japanese_ == 0) return TextEncoding::Cp932;
    return !cp932_ok_ || japanese_ >= kUtf8Evidence ? TextEncoding::Utf8 : TextEncoding::Cp932;
}

TextEncoding detect_encoding(std::string_view head) {
    EncodingScan scan;
    scan.feed(head.substr(0, kEncodingSample));
    return scan.result();
}

TextEncoding detect_file_encoding(const std::filesystem::path& path, std::optional<FileStamp>* stamp) {
    if (stamp) stamp->reset();
    int fd = -1;
    if (!open_user_file(path, fd)) return TextEncoding::Cp932;  // the reading that follows says why
    if (stamp) *stamp = file_stamp(fd);
    std::string head(kEncodingSample, '\0');
    std::size_t got = 0;
    while (got < head.size()) {
        const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.resize(got);
    return detect_encoding(head);
}

std::string iconv_name(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
        case TextEncoding::Utf8Bom:
            return "UTF-8";
        case TextEncoding::Utf16Le:
            return "UTF-16LE";
        case TextEncoding::Utf16Be:
            return "UTF-16BE";
        case TextEncoding::Cp932:
            break;
    }
    return "CP932";
}

std::string encoding_name(TextEncoding encoding) {
    return encoding == TextEncoding::Utf8Bom ? "UTF-8 (BOM)" : iconv_name(encoding);
}

std::filesystem::path cp932_copy_path(const std::filesystem::path& source) {
    std::filesystem::path copy = source;
    copy.replace_filename(source.stem().string() + ".sjis" + source.extension().string());
    return copy;
}

Cp932Copy make_cp932_copy(const std::filesystem::path& source, TextEncoding encoding,
                          const std::filesystem::path& target, std::size_t max_missing,
                          const std::optional<FileStamp>& expected) {
    Cp932Copy result;
    std::optional<FileStamp> stamp;
    const std::optional<std::string> bytes = read_whole(source, stamp);
    if (!bytes) {
        result.status = Status::failure(MessageId::OpenFailed, source.string());
        return result;
    }
    // Changed since the encoding was found, or while it was being read; or
    // the mark the encoding was known by is gone (the file may have been cut
    // short): the text is not the one the user was asked about.
    const bool changed = (expected && stamp != expected) || !stamp ||
                         stamp->size != static_cast<std::int64_t>(bytes->size()) ||
                         (encoding == TextEncoding::Utf8Bom && !starts_with(*bytes, "\xEF\xBB\xBF")) ||
                         (encoding == TextEncoding::Utf16Le && !starts_with(*bytes, "\xFF\xFE")) ||
                         (encoding == TextEncoding::Utf16Be && !starts_with(*bytes, "\xFE\xFF"));
    if (changed) {
        result.status = Status::failure(MessageId::ChangedWhileAsking, source.string());
        return result;
    }
    std::string utf8;
    std::string_view text = *bytes;
    if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be) {
        const std::optional<std::string> decoded =
            cp932::convert_text("UTF-8", iconv_name(encoding).c_str(), text.substr(2));  // after the mark
        if (!decoded) {
            result.status = Status::failure(MessageId::OpenFailed, source.string());
            return result;
        }
        utf8 = *decoded;
        text = utf8;
    } else if (encoding == TextEncoding::Utf8Bom) {
        text.remove_prefix(3);
    } else if (encoding == TextEncoding::Cp932) {
        result.status = write_copy(target, text);
        return result;
    }

    // Line by line, so that a character cp932 lacks is named with its line.
    std::string out;
    out.reserve(text.size());
    long long line_number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        ++line_number;
        if (const std::optional<std::string> converted = cp932::from_utf8(line)) {
            out += *converted;
        } else {
            for (std::size_t i = 0; i < line.size();) {
                char32_t c = 0;
                const int n = std::max(1, decode_utf8(line, i, c));
                const std::string_view one = line.substr(i, static_cast<std::size_t>(n));
                if (!cp932::from_utf8(one) && result.missing.size() < max_missing)
                    result.missing.push_back({line_number, std::string(one)});
                i += static_cast<std::size_t>(n);
            }
            if (result.missing.empty()) result.missing.push_back({line_number, std::string()});
        }
        if (end < text.size()) out += '\n';
        start = end + 1;
    }
    if (!result.missing.empty()) return result;
    result.status = write_copy(target, out);
    return result;
}

}  // namespace tessaly
