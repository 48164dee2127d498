#pragma once

// Fields are split at every comma: quoting is not part of the format. A file
// exported with quoted fields that hold commas ("山田,太郎") therefore has
// its fields shifted, which the user should hear about when placing it.

#include <filesystem>
#include <string_view>

namespace tessaly {

// Whether a record has a field that starts with a double quote and has a
// comma before its closing quote.
bool has_quoted_comma(std::string_view record);

// Whether any of the first `records` records of a file has such a field;
// false when the file cannot be read.
bool file_has_quoted_commas(const std::filesystem::path& path, int records = 100);

}  // namespace tessaly
