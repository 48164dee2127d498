#pragma once

// Office users keep their lists in Excel workbooks (.xlsx, .xlsm): a zip of
// XML parts. Tessaly reads cp932 text only, so one sheet of a workbook is
// written as a cp932 CSV copy beside it, laid out as a spreadsheet's "save as
// CSV" lays it out, and that copy is what is placed or crossed. The sheet is
// read as a stream, twice (once to find the last row and column holding a
// value, once to write the lines): memory does not grow with the sheet, only
// with its table of shared strings.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/status.h"
#include "text/text_encoding.h"
#include "text/user_file.h"

namespace tessaly {

// Whether the file is named as a workbook this conversion reads (.xlsx,
// .xlsm, in any letter case).
bool is_workbook_name(const std::filesystem::path& path);

// Whether the file is named as a spreadsheet in a format that is not read
// (.xls, .xlsb, .ods, .numbers): refused with the advice to save it as .xlsx
// or CSV.
bool is_unread_spreadsheet_name(const std::filesystem::path& path);

// Where the copy of a workbook goes: beside it, "NAME.sjis.csv".
std::filesystem::path workbook_copy_path(const std::filesystem::path& workbook);

// A part of a workbook may inflate to no more than this, and to no more than
// kWorkbookPartRatio times its packed size: a "zip bomb" is refused before it
// fills the disk or the memory. Parts below kWorkbookRatioFloor are not held
// to the ratio (a few hundred bytes of repeated XML may pack very small).
inline constexpr long long kWorkbookPartLimit = 1LL << 30;
inline constexpr long long kWorkbookPartRatio = 100;
inline constexpr long long kWorkbookRatioFloor = 1LL << 20;

// Failures of the workbook's reading, each with the workbook's path:
//   OpenFailed it cannot be opened;
//   WorkbookDamaged it is damaged, or no workbook at all;
//   WorkbookEncrypted it is protected by a password (encrypted);
//   WorkbookWithoutSheets it has no sheets;
//   SheetEmpty the sheet holds no value;
//   NoSuchSheet it has no sheet of the name (or number) asked for;
//   WorkbookTooLarge a part of it inflates beyond the limits above.

struct WorkbookSheets {
    Status status;
    std::vector<std::string> names;  // UTF-8, in the workbook's order
};

// The names of the workbook's sheets.
WorkbookSheets workbook_sheets(const std::filesystem::path& workbook);

struct WorkbookCopy {
    // The failures above; CreateFailed (or a reason of replace_file_checked) when
    // the copy cannot be written; ChangedWhileAsking when the workbook is not what it was.
    Status status;
    // Characters cp932 lacks, with the line of the copy they would be on:
    // when any, no copy is made.
    std::vector<UnconvertibleCharacter> missing;
    std::string sheet;           // the name of the sheet copied
    long long lines = 0;         // lines written
    long long broken_cells = 0;  // cells whose line breaks became spaces
    bool made() const { return status && missing.empty(); }
};

// Writes one sheet of the workbook to target as cp932 CSV (replacing it only
// once complete; nothing is left of a copy that fails). The sheet is the
// first when `sheet` is empty, else the one of that name, else, when `sheet`
// is a number N, the Nth (from 1). At most max_missing missing characters
// are listed. With an expected stamp (taken before the user was asked), a
// workbook changed since is not copied.
WorkbookCopy make_workbook_copy(const std::filesystem::path& workbook, std::string_view sheet,
                                const std::filesystem::path& target, std::size_t max_missing = 20,
                                const std::optional<FileStamp>& expected = std::nullopt);

}  // namespace tessaly
