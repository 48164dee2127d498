#include "cli/cli_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "text/utf8.h"

namespace tessaly::cli {

std::string json_string(std::string_view utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x80) {
            char32_t c = 0;
            // A stray byte, or a sequence invalid or cut off, becomes U+FFFD.
            if (const int n = decode_utf8(utf8, i, c); n > 0) {
                out.append(utf8.substr(i, static_cast<std::size_t>(n)));
                i += static_cast<std::size_t>(n);
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
