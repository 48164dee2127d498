#pragma once

// Code page 932 (Shift-JIS as Windows writes it). Every search and cut on
// cp932 text walks it character by character, so that a match never starts
// on the second byte of a double-byte character: 0x40..0xFC may follow a lead
// byte, which includes '@', '\\', '[' and the ASCII letters.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::cp932 {

constexpr bool is_lead_byte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Length in bytes of the character starting at s[i]: 2 for a lead byte that
// has a byte after it, otherwise 1 (a lone lead byte at the end counts as one).
constexpr std::size_t char_length(std::string_view s, std::size_t i) {
    return is_lead_byte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// First occurrence of needle in text at or after byte `from`, where `from`
// must itself be a character start. Only character starts are tried.
std::size_t find(std::string_view text, std::string_view needle, std::size_t from = 0);

// The longest prefix of s of at most max_bytes bytes that does not split a
// double-byte character.
std::string_view cut(std::string_view s, std::size_t max_bytes);

// Conversions through iconv's CP932 table, which agrees with Windows in both
// directions. A text that cannot be converted gives nullopt, never a guess.
std::optional<std::string> to_utf8(std::string_view cp932_text);
std::optional<std::string> from_utf8(std::string_view utf8_text);
// Any conversion iconv knows, by its encoding names; whole or nothing.
std::optional<std::string> convert_text(const char* to, const char* from, std::string_view in);

// For showing a text that may be broken: a character that cannot be
// converted becomes U+FFFD.
std::string to_utf8_lossy(std::string_view cp932_text);

// For texts of the program itself, known to be convertible.
std::string literal(std::string_view utf8_text);

// Copies text into a zero-terminated fixed field of N bytes (at most N - 1
// bytes of text, cut at a character boundary); the rest of the field is zero.
template <std::size_t N>
void copy_to_field(char (&field)[N], std::string_view text) {
    const std::string_view kept = cut(text, N - 1);
    const std::size_t n = kept.size() < N ? kept.size() : N - 1;
    std::memcpy(field, kept.data(), n);
    std::memset(field + n, 0, N - n);
}

// The text of a zero-terminated fixed field (never reads past the field).
template <std::size_t N>
std::string_view field_text(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return {field, n};
}

}  // namespace tessaly::cp932
