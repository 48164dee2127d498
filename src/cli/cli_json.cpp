#include "cli/cli_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tessaly::cli {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is none
// (stray, overlong, cut off, a surrogate or beyond Unicode).
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t c = 0;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2, c = b & 0x1F;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3, c = b & 0x0F;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4, c = b & 0x07;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string json_string(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x80) {
            if (const std::size_t n = utf8_length(utf8, i)) {
                out.append(utf8.substr(i, n));
                i += n;
            } else {
                out += "\xEF\xBF\xBD";
                ++i;
            }
            continue;
        }
        switch (b) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
                    out += escaped;
                } else {
                    out += static_cast<char>(b);
                }
        }
        ++i;
    }
    return out + "\"";
}

std::string json_seconds(double seconds) {
    if (!std::isfinite(seconds)) return "null";
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, std::round(seconds * 1e6) / 1e6);
    return ec == std::errc() ? std::string(text, end) : "null";
}

JsonObject& JsonObject::raw(std::string_view name, std::string_view json) {
    if (!members_.empty()) members_ += ',';
    members_ += json_string(name);
    members_ += ':';
    members_ += json;
    return *this;
}

JsonObject& JsonObject::text(std::string_view name, std::string_view value) { return raw(name, json_string(value)); }
JsonObject& JsonObject::integer(std::string_view name, long long value) { return raw(name, std::to_string(value)); }
JsonObject& JsonObject::flag(std::string_view name, bool value) { return raw(name, value ? "true" : "false"); }
JsonObject& JsonObject::null(std::string_view name) { return raw(name, "null"); }

std::string json_array(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        out += items[i];
    }
    return out + "]";
}

}  // namespace tessaly::cli
