#include "text/cp932.h"

#include <iconv.h>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace tessaly::cp932 {

std::size_t find(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= text.size(); i += char_length(text, i)) {
        if (text.compare(i, needle.size(), needle) == 0) return i;
    }
    return std::string_view::npos;
}

std::string_view cut(std::string_view s, std::size_t max_bytes) {
    if (s.size() <= max_bytes) return s;
    std::size_t end = 0;
    while (end < s.size()) {
        std::size_t next = end + char_length(s, end);
        if (next > max_bytes) break;
        end = next;
    }
    return s.substr(0, end);
}

std::optional<std::string> convert_text(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 3 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    bool ok = true;
    while (src_left > 0) {
        if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                std::size_t used = out.size() - dst_left;
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dst_left = out.size() - used;
                continue;
            }
            ok = false;  // EILSEQ or EINVAL: not convertible, or cut mid-character
            break;
        }
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - dst_left);
    return out;
}

std::optional<std::string> to_utf8(std::string_view cp932_text) { return convert_text("UTF-8", "CP932", cp932_text); }

std::optional<std::string> from_utf8(std::string_view utf8_text) { return convert_text("CP932", "UTF-8", utf8_text); }

std::string to_utf8_lossy(std::string_view cp932_text) {
    if (auto whole = to_utf8(cp932_text)) return *whole;
    std::string out;
    for (std::size_t i = 0; i < cp932_text.size();) {
        const std::size_t n = char_length(cp932_text, i);
        if (auto one = to_utf8(cp932_text.substr(i, n)))
            out += *one;
        else
            out += "\xEF\xBF\xBD";
        i += n;
    }
    return out;
}

std::string literal(std::string_view utf8_text) {
    auto converted = from_utf8(utf8_text);
    if (!converted) throw std::logic_error("program text not representable in cp932");
    return *converted;
}

}  // namespace tessaly::cp932
