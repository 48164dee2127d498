#include "text/quoted_fields.h"

#include <cstring>

#include "text/cp932.h"
#include "text/record_reader.h"

namespace tessaly {

namespace {

std::size_t find_byte(std::string_view record, std::size_t from, char c) {
    if (from >= record.size()) return record.size();
    const void* at = std::memchr(record.data() + from, c, record.size() - from);
    return at ? static_cast<std::size_t>(static_cast<const char*>(at) - record.data()) : record.size();
}

// Walks one field; Sink takes the pieces of its value.
template <class Sink>
std::size_t walk_field(std::string_view record, std::size_t start, Sink&& sink) {
    std::size_t at = start;
    if (at < record.size() && record[at] == '"') {
        ++at;
        for (;;) {
            const std::size_t quote = find_byte(record, at, '"');
            sink(record.substr(at, quote - at));
            if (quote == record.size()) return quote;  // open to the end of the line
            if (quote + 1 < record.size() && record[quote + 1] == '"') {
                sink(record.substr(quote, 1));
                at = quote + 2;
                continue;
            }
            at = quote + 1;
            break;
        }
    }
    const std::size_t comma = find_byte(record, at, ',');
    sink(record.substr(at, comma - at));
    return comma;
}

}  // namespace

std::size_t quoted_field_end(std::string_view record, std::size_t start) {
    return walk_field(record, start, [](std::string_view) {});
}

std::size_t quoted_field_end(std::string_view record, std::size_t start, std::string& value) {
    return walk_field(record, start, [&](std::string_view piece) { value.append(piece); });
}

std::size_t count_quoted_fields(std::string_view record) {
    std::size_t fields = 1;
    for (std::size_t at = quoted_field_end(record, 0); at < record.size(); at = quoted_field_end(record, at + 1))
        ++fields;
    return fields;
}

std::string quoted_field_value(std::string_view raw) {
    std::string value;
    quoted_field_end(raw, 0, value);
    return value;
}

bool has_quoted_comma(std::string_view record) {
    std::size_t i = 0;
    while (i < record.size()) {
        if (record[i] == '"') {
            bool comma = false;
            std::size_t j = i + 1;
            for (; j < record.size(); ++j) {
                if (record[j] == '"') {
                    if (j + 1 < record.size() && record[j + 1] == '"') {
                        ++j;  // a doubled quote inside the field
                        continue;
                    }
                    break;
                }
                comma = comma || record[j] == ',';
            }
            if (comma && j < record.size()) return true;
            i = j + 1;
        }
        // On to the start of the next field.
        const std::size_t next = record.find(',', i);
        if (next == std::string_view::npos) break;
        i = next + 1;
    }
    return false;
}

QuotedCommaLine first_quoted_comma_line(const std::filesystem::path& path, int records) {
    RecordReader reader;
    if (!reader.open(path)) return {};
    std::string_view record;
    for (int n = 0; n < records && reader.next(record); ++n)
        if (has_quoted_comma(record)) return {n + 1, std::string(record)};
    return {};
}

std::string quoted_comma_excerpt(const QuotedCommaLine& found, std::size_t max_bytes) {
    const std::string_view kept = cp932::cut(found.text, max_bytes);
    std::string text = cp932::to_utf8_lossy(kept);
    if (kept.size() < found.text.size()) text += "…";
    return text;
}

bool file_has_quoted_commas(const std::filesystem::path& path, int records) {
    return first_quoted_comma_line(path, records).line > 0;
}

}  // namespace tessaly
