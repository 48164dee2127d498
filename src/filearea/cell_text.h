#pragma once

// cp932 bytes laid out on the file area's byte columns: every character is
// drawn at the column of its first byte, so a double-byte character takes
// two cells and the text lines up with the column ruler whatever the glyphs'
// own widths are.

#include <string_view>
#include <vector>

#include <QString>

namespace tessaly::filearea {

struct CellText {
    QString characters;        // one UTF-16 unit per cp932 character
    std::vector<int> columns;  // the byte column of each character
};

// Appends the characters of bytes, whose first byte stands at first_column,
// keeping those that start in [from_column, to_column). A byte that is no
// cp932 character shows as U+FFFD in its own cell.
void append_cells(CellText& out, std::string_view bytes, int first_column, int from_column, int to_column);

// The character a cp932 code (one byte, or lead byte × 256 + trail byte)
// stands for, or U+FFFD.
char16_t cp932_character(unsigned code);

}  // namespace tessaly::filearea
