#pragma once

// Fields are split at every comma unless the quote option is on. A file
// exported with quoted fields that hold commas ("山田,太郎") therefore has
// its fields shifted without the option, which the user should hear about
// when placing it.
//
// With the quote option a record (still one line) splits as a spreadsheet
// writes it: a double quote opens a quoted section only as the first byte of
// a field; inside it "" stands for one " and a lone " closes it; text after
// the closing quote up to the next comma stays in the field; a section still
// open at the end of the line ends there. A field's value is its text with
// the quoting taken off, its raw text the bytes as the line holds them.
// Byte by byte is safe in cp932: neither '"' nor ',' can be the second byte
// of a double-byte character.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tessaly {

// How a record divides into fields: at every comma, or as the quote option
// has it.
enum class FieldSplit { Commas, Quotes };

// Where the field that starts at byte `start` of the record ends under the
// quote option: the position of the comma after it, or the record's size.
std::size_t quoted_field_end(std::string_view record, std::size_t start);
// The same, appending the field's value to `value`.
std::size_t quoted_field_end(std::string_view record, std::size_t start, std::string& value);

// The number of fields of a record under the quote option (1 for an empty
// record, as with plain commas).
std::size_t count_quoted_fields(std::string_view record);

// The value of a field's raw text: `"a,""b"""` gives `a,"b"`.
std::string quoted_field_value(std::string_view raw);

// Whether a record has a field that starts with a double quote and has a
// comma before its closing quote.
bool has_quoted_comma(std::string_view record);

// The first of the first `records` records of a file (counted from 1, with
// its text) that has such a field; line 0 when none has or the file cannot
// be read.
struct QuotedCommaLine {
    std::int64_t line = 0;
    std::string text;  // the record as the file holds it (cp932)
};
QuotedCommaLine first_quoted_comma_line(const std::filesystem::path& path, int records = 100);

// The line's text for a message (UTF-8), cut at a character boundary to at
// most max_bytes of the file's bytes, an ellipsis marking the cut.
std::string quoted_comma_excerpt(const QuotedCommaLine& found, std::size_t max_bytes = 60);

// Whether any of the first `records` records of a file has such a field;
// false when the file cannot be read.
bool file_has_quoted_commas(const std::filesystem::path& path, int records = 100);

}  // namespace tessaly
