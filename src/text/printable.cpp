#include "text/printable.h"

namespace tessaly {

namespace {

void append_escaped(std::string& out, unsigned char b) {
    switch (b) {
        case '\a':
            out += "\\a";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\v':
            out += "\\v";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            break;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
}

bool is_control(unsigned char b) { return b < 0x20 || b == 0x7F; }

std::string escaped(std::string_view text, bool keep_lines) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (is_control(b) && !(keep_lines && b == '\n'))
            append_escaped(out, b);
        else
            out += c;
    }
    return out;
}

}  // namespace

bool contains_controls(std::string_view text) {
    for (const char c : text)
        if (is_control(static_cast<unsigned char>(c))) return true;
    return false;
}

std::string escape_controls(std::string_view text) { return escaped(text, false); }

std::string escape_controls_keeping_lines(std::string_view text) { return escaped(text, true); }

}  // namespace tessaly
