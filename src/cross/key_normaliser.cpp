#include "cross/key_normaliser.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/cp932.h"
#include "text/quoted_fields.h"

namespace tessaly {

namespace {

constexpr OldNewPair kOldNew[] = {
    {0x98B1, 0x889F}, {0x9EC4, 0x8968}, {0x9CE4, 0x899E}, {0x9DB0, 0x8A67}, {0xE653, 0x8A6F}, {0xFAAA, 0x8AB0},
    {0xFBB8, 0x8BBD}, {0x9C6C, 0x8C61}, {0x9A8E, 0x8CB5}, {0x9C91, 0x8D50}, {0x9AA0, 0x8D91}, {0x995A, 0x8E99},
    {0x9B89, 0x8EC0}, {0xE7D7, 0x8EDF}, {0x9CC4, 0x9054}, {0x9DC9, 0x9094}, {0xE3DF, 0x90BA}, {0x9B93, 0x90EA},
    {0x9AE1, 0x9173}, {0x9B94, 0x91CE}, {0xE469, 0x91E4}, {0xE056, 0x91F2}, {0x9DC3, 0x92BA}, {0xE163, 0x9396},
    {0xE05F, 0x956C}, {0xFB82, 0x959F}, {0x999E, 0x95D9}, {0x9B8F, 0x95F3}, {0xE955, 0x96DD}, {0x97B4, 0x97B3},
    {0xE258, 0x97E7}, {0xFAE0, 0x984E}, {0xE3E0, 0x918F}, {0xE26A, 0x88EE}, {0xE5CA, 0x8971}, {0xFAEE, 0x89A1},
    {0x98EF, 0x89BC}, {0x98F0, 0x89EF}, {0xEA9D, 0x8B54}, {0x99AC, 0x8C4D}, {0x9CA8, 0x8C62}, {0xE353, 0x8C6F},
    {0x9F4E, 0x8DF7}, {0x9AE6, 0x8EF5}, {0xE6A8, 0x8FF7}, {0xE1C1, 0x905E}, {0x91EB, 0x91EA}, {0x9942, 0x9360},
    {0xFB6E, 0x9572}, {0x9D63, 0x95A5}, {0xE7B2, 0x95D3}, {0xE4DD, 0x969C}, {0xE46F, 0x975E}, {0xFBAE, 0x978A},
    {0x9BDC, 0x8ADE}, {0xEAA2, 0xE0F4}, {0xEAA1, 0x9779}, {0x9AA2, 0x897E}, {0x9BD4, 0x8A78}, {0xE76A, 0x8C79},
    {0xE370, 0x8CA7}, {0x9C41, 0x8D4C}, {0x9B8D, 0x8ECA}, {0xE046, 0x8F61}, {0xFBA9, 0x8F94}, {0x9B92, 0x8FAB},
    {0xFB80, 0x8FCB}, {0x98A9, 0x8FE6}, {0xE7D4, 0x8FF8}, {0xFB7E, 0x905F}, {0xFB50, 0x90A3}, {0xEA8E, 0x90C4},
    {0x9FC7, 0x90F3}, {0x915C, 0x915D}, {0xE4B5, 0x9191}, {0xFA9D, 0x919D}, {0xE555, 0x91A0}, {0x9AA3, 0x9263},
    {0xFA9C, 0x92CB}, {0xFABA, 0x93BF}, {0x98C5, 0x95A7}, {0xE6A3, 0x975F}, {0xFBE9, 0x97B2}, {0xFBB6, 0x9859},
    {0x9DE7, 0x9057}, {0xFB5E, 0x9296}, {0xE274, 0x8FF5}, {0xFBFC, 0x8D82}, {0x8ADA, 0x8AD9}, {0x9579, 0x9578},
    {0xE7B3, 0x95D3}, {0x95F5, 0x95F4}, {0xFAE5, 0x96F6},
};
static_assert(std::size(kOldNew) == 93);

// Old forms sorted by code, for lookup.
const std::array<OldNewPair, 93>& old_forms_by_code() {
    static const std::array<OldNewPair, 93> sorted = [] {
        std::array<OldNewPair, 93> a;
        std::copy(std::begin(kOldNew), std::end(kOldNew), a.begin());
        std::sort(a.begin(), a.end(), [](auto x, auto y) { return x.old_form < y.old_form; });
        return a;
    }();
    return sorted;
}

std::uint16_t new_form_of(std::uint16_t code) {
    const auto& table = old_forms_by_code();
    auto it = std::lower_bound(table.begin(), table.end(), code,
                               [](const OldNewPair& p, std::uint16_t c) { return p.old_form < c; });
    return it != table.end() && it->old_form == code ? it->new_form : code;
}

}  // namespace

std::span<const OldNewPair> old_new_table() { return kOldNew; }

std::uint16_t fold_double_byte(std::uint16_t c) {
    if (c >= 0x8281 && c <= 0x829A) return c - 0x21;  // ａ-ｚ
    if (c >= 0x83BF && c <= 0x83D6) return c - 0x20;  // α-ω
    if (c >= 0x8470 && c <= 0x847E) return c - 0x30;  // а-н (0x847F is not a character)
    if (c >= 0x8480 && c <= 0x8491) return c - 0x31;  // о-я
    return c;
}

void normalise_key(std::string& key, const CrossOptions& o) {
    const std::size_t n = key.size();
    char* k = key.data();
    // Removing whole characters leaves every other character where a walk
    // from the start finds it, so one pass does all removals in their order.
    // The walk has no branches that depend on the bytes (keys mix single-
    // and double-byte characters at random): each byte is written and kept
    // or not, and whether it is a second byte is carried along.
    if (o.remove_spaces || o.remove_hyphens || o.remove_parens) {
        // The single-byte characters removed are all below 0x40, and the
        // double-byte ones all 0x81 followed by 0x40 to 0x7F: a bit each.
        const auto bit = [](bool on, unsigned c) { return std::uint64_t{on} << c; };
        const std::uint64_t single = bit(o.remove_spaces, ' ') | bit(o.remove_hyphens, '-') |
                                     bit(o.remove_parens, '(') | bit(o.remove_parens, ')');
        const std::uint64_t second = bit(o.remove_spaces, 0x40 - 0x40) | bit(o.remove_hyphens, 0x7C - 0x40) |
                                     bit(o.remove_parens, 0x69 - 0x40) | bit(o.remove_parens, 0x6A - 0x40);
        std::size_t w = 0;
        bool trail = false;       // this byte ends a double-byte character
        bool drop_trail = false;  // and that character is removed
        for (std::size_t i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(k[i]);
            const bool lead = !trail && cp932::is_lead_byte(b) && i + 1 < n;
            const auto next = static_cast<unsigned char>(lead ? k[i + 1] : 0);
            const bool drop_pair = lead && b == 0x81 && next >= 0x40 && next < 0x80 && ((second >> (next - 0x40)) & 1);
            const bool drop_single = !trail && !lead && b < 0x40 && ((single >> (b & 63)) & 1);
            const bool drop = trail ? drop_trail : (drop_pair || drop_single);
            k[w] = static_cast<char>(b);
            w += !drop;
            drop_trail = drop_pair;
            trail = lead;
        }
        key.resize(w);
    }
    // The cut counts bytes: a lead byte may stay without its second byte.
    if (key.size() > kMaxKeyBytes) key.resize(kMaxKeyBytes);

    if (o.ignore_case || o.old_new) {
        const std::size_t m = key.size();
        for (std::size_t i = 0; i < m;) {
            const auto b = static_cast<unsigned char>(k[i]);
            if (cp932::is_lead_byte(b) && i + 1 < m) {
                auto code = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(k[i + 1]));
                if (o.ignore_case) code = fold_double_byte(code);
                if (o.old_new) code = new_form_of(code);
                k[i] = static_cast<char>(code >> 8);
                k[i + 1] = static_cast<char>(code & 0xFF);
                i += 2;
            } else {
                if (o.ignore_case && b >= 'a' && b <= 'z') k[i] = static_cast<char>(b - 'a' + 'A');
                i += 1;
            }
        }
    }
}

namespace {

constexpr std::size_t kCountedFields = 2000;

void extract_quoted_key(std::string_view record, std::size_t first, std::size_t last, const CrossOptions& options,
                        KeyedRecord& out) {
    std::size_t field = 0;
    std::size_t start = 0;
    std::size_t key_start = std::string_view::npos;
    for (;;) {
        if (field == first) key_start = start;
        const std::size_t end =
            field >= first ? quoted_field_end(record, start, out.key) : quoted_field_end(record, start);
        if (end == record.size()) {
            out.field_count = field + 1;
            break;
        }
        if (field == last) {
            out.trailing = record.substr(end);
            // Plain commas are an upper bound of the fields; only a record
            // that may pass the limit is counted exactly.
            const std::size_t commas = static_cast<std::size_t>(
                std::count(record.begin() + static_cast<std::ptrdiff_t>(end), record.end(), ','));
            out.field_count =
                field + 1 +
                (field + 1 + commas <= kCountedFields ? commas : count_quoted_fields(record.substr(end + 1)));
            break;
        }
        ++field;
        start = end + 1;
    }
    if (key_start == std::string_view::npos) {
        out.key.clear();
        return;
    }
    out.leading = record.substr(0, key_start);
    normalise_key(out.key, options);
    out.quote_key = out.key.find_first_of(",\"") != std::string::npos;
}

}  // namespace

void extract_key(std::string_view record, int key_first, int key_last, const CrossOptions& options, KeyedRecord& out,
                 FieldCount count) {
    out.key.clear();
    out.quote_key = false;
    out.leading = {};
    out.trailing = {};
    const auto first = static_cast<std::size_t>(key_first);
    const auto last = static_cast<std::size_t>(key_last);
    if (options.quotes) {
        extract_quoted_key(record, first, last, options, out);
        return;
    }

    // Walk the fields up to the end of the key; the rest is counted only.
    std::size_t field = 0;
    std::size_t start = 0;
    std::size_t key_start = std::string_view::npos;
    for (;;) {
        const std::size_t comma = record.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? record.size() : comma;
        if (field == first) key_start = start;
        if (field >= first && field <= last) out.key.append(record.data() + start, end - start);
        if (comma == std::string_view::npos) {
            out.field_count = field + 1;
            break;
        }
        if (field == last) {
            out.trailing = record.substr(comma);
            // Each field after the key takes a comma: too few bytes for too
            // many fields need no count.
            if (count == FieldCount::WhenTooMany && field + 1 + out.trailing.size() <= kCountedFields) {
                out.field_count = field + 1;
                break;
            }
            out.field_count = field + 1 +
                              static_cast<std::size_t>(
                                  std::count(record.begin() + static_cast<std::ptrdiff_t>(comma), record.end(), ','));
            break;
        }
        ++field;
        start = comma + 1;
    }
    if (key_start == std::string_view::npos) {
        // Fewer fields than the key's first: the record has no key.
        out.key.clear();
        return;
    }
    out.leading = record.substr(0, key_start);
    normalise_key(out.key, options);
}

void append_work_line(std::string& out, std::string_view title, int column_offset, int key_first,
                      const KeyedRecord& record) {
    out.append(title);
    out.push_back(',');
    if (column_offset > key_first) out.append(static_cast<std::size_t>(column_offset - key_first), ',');
    out.append(record.leading);
    if (record.quote_key) {
        out.push_back('"');
        for (std::size_t at = 0;;) {
            const std::size_t quote = record.key.find('"', at);
            out.append(record.key, at, quote == std::string::npos ? std::string::npos : quote + 1 - at);
            if (quote == std::string::npos) break;
            out.push_back('"');
            at = quote + 1;
        }
        out.push_back('"');
    } else {
        out.append(record.key);
    }
    out.append(record.trailing);
}

}  // namespace tessaly
