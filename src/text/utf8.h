#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Appends the UTF-8 bytes of a code point (a valid one: the callers decode
// escapes and character references that stand for one).
inline void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the UTF-8 sequence at s[i] into c: its length; 0 when the bytes
// there are no valid sequence (stray, overlong, a surrogate or beyond
// Unicode); -1 when it is cut off by the end of s.
inline int decode_utf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto b = static_cast<unsigned char>(s[i]);
    int n = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF)
        n = 2, c = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3, c = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4, c = b & 0x07;
    else
        return 0;
    for (int k = 1; k < n; ++k) {
        if (i + static_cast<std::size_t>(k) >= s.size()) return -1;
        const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

}  // namespace tessaly
