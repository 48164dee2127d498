#include "filearea/cell_text.h"

#include <iconv.h>
#include <array>
#include <memory>

#include "text/cp932.h"

namespace tessaly::filearea {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

constexpr bool is_trail_byte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Every cp932 code decoded once through iconv, so that drawing a screen of
// text costs a table look-up per character.
struct Table {
    std::array<char16_t, 65536> of{};

    Table() {
        of.fill(kReplacement);
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            for (unsigned b = 0; b < 0x80; ++b) of[b] = static_cast<char16_t>(b);
            return;
        }
        auto decode = [&](unsigned code, const char* bytes, std::size_t length) {
            char* in = const_cast<char*>(bytes);
            std::size_t in_left = length;
            char out[8];
            char* dst = out;
            std::size_t out_left = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<std::size_t>(-1)) return;
            if (sizeof out - out_left != 2) return;  // cp932 lies wholly in the BMP
            of[code] =
                static_cast<char16_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8);
        };
        for (unsigned b = 0; b < 256; ++b) {
            const char one = static_cast<char>(b);
            if (!cp932::is_lead_byte(static_cast<unsigned char>(b))) decode(b, &one, 1);
        }
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!cp932::is_lead_byte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!is_trail_byte(static_cast<unsigned char>(trail))) continue;
                const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                decode(lead << 8 | trail, two, 2);
            }
        }
        iconv_close(cd);
    }
};

const Table& table() {
    static const Table decoded;
    return decoded;
}

}  // namespace

char16_t cp932_character(unsigned code) { return code < 65536 ? table().of[code] : kReplacement; }

void append_cells(CellText& out, std::string_view bytes, int first_column, int from_column, int to_column) {
    const Table& t = table();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int column = first_column + static_cast<int>(i);
        if (column >= to_column) return;
        std::size_t length = 1;
        char16_t c = kReplacement;
        if (cp932::is_lead_byte(b)) {
            // A lead byte without a trail byte after it is a broken byte of
            // its own; it never swallows the comma or byte that follows.
            if (i + 1 < bytes.size() && is_trail_byte(static_cast<unsigned char>(bytes[i + 1]))) {
                length = 2;
                c = t.of[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
            }
        } else {
            c = t.of[b];
        }
        if (column + static_cast<int>(length) > from_column) {
            out.characters.append(QChar(c));
            out.columns.push_back(column);
        }
        i += length;
    }
}

}  // namespace tessaly::filearea
