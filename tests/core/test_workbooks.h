#pragma once

// Workbooks for the tests, written by libxlsxwriter (a writer independent of
// the reading under test); what it cannot write (an error cell, the 1904
// date system, a part that inflates too far) is patched into the made file
// with libzip.

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <xlsxwriter.h>
#include <zip.h>

namespace test_workbooks {

// A sheet's cells row by row, as strings; "" leaves a cell out. A cell
// starting with "=" is a formula whose stored value follows a "|"
// ("=1+2|3"); "#" a number; "?" a boolean ("?1"); "@" a number with a
// number format, its code or built-in index first ("@yyyy/m/d|45293",
// "@22|45293.5").
struct Sheet {
    std::string name;
    std::vector<std::vector<std::string>> rows;
};

inline void make(const std::filesystem::path& path, const std::vector<Sheet>& sheets, bool constant_memory = false) {
    lxw_workbook_options options = {};
    options.constant_memory = constant_memory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    for (const Sheet& s : sheets) {
        lxw_worksheet* sheet = workbook_add_worksheet(book, s.name.c_str());
        for (std::size_t r = 0; r < s.rows.size(); ++r)
            for (std::size_t c = 0; c < s.rows[r].size(); ++c) {
                const std::string& cell = s.rows[r][c];
                const auto row = static_cast<lxw_row_t>(r);
                const auto col = static_cast<lxw_col_t>(c);
                if (cell.empty()) continue;
                if (cell[0] == '#') {
                    worksheet_write_number(sheet, row, col, std::stod(cell.substr(1)), nullptr);
                } else if (cell[0] == '@') {
                    const std::size_t bar = cell.find('|');
                    const std::string code = cell.substr(1, bar - 1);
                    lxw_format* format = workbook_add_format(book);
                    if (std::isdigit(static_cast<unsigned char>(code[0])))
                        format_set_num_format_index(format, static_cast<uint8_t>(std::stoi(code)));
                    else
                        format_set_num_format(format, code.c_str());
                    worksheet_write_number(sheet, row, col, std::stod(cell.substr(bar + 1)), format);
                } else if (cell[0] == '?') {
                    worksheet_write_boolean(sheet, row, col, cell[1] == '1', nullptr);
                } else if (cell[0] == '=') {
                    const std::size_t bar = cell.find('|');
                    const std::string formula = cell.substr(0, bar), value = cell.substr(bar + 1);
                    if (!value.empty() && (std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '-'))
                        worksheet_write_formula_num(sheet, row, col, formula.c_str(), nullptr, std::stod(value));
                    else
                        worksheet_write_formula_str(sheet, row, col, formula.c_str(), nullptr, value.c_str());
                } else {
                    worksheet_write_string(sheet, row, col, cell.c_str(), nullptr);
                }
            }
    }
    if (workbook_close(book) != LXW_NO_ERROR) throw std::runtime_error("libxlsxwriter failed");
}

// The part's text in the workbook.
inline std::string read_part(const std::filesystem::path& path, const std::string& part) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) throw std::runtime_error("no zip");
    zip_stat_t stat;
    zip_stat(zip, part.c_str(), 0, &stat);
    zip_file_t* file = zip_fopen(zip, part.c_str(), 0);
    if (!file) throw std::runtime_error("no part " + part);
    std::string text(stat.size, '\0');
    zip_fread(file, text.data(), text.size());
    zip_fclose(file);
    zip_discard(zip);
    return text;
}

// Puts text in the workbook as the part (new or replacing).
inline void write_part(const std::filesystem::path& path, const std::string& part, const std::string& text) {
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), 0, &error);
    if (!zip) throw std::runtime_error("no zip");
    char* copy = static_cast<char*>(std::malloc(text.size()));
    std::memcpy(copy, text.data(), text.size());
    zip_source_t* source = zip_source_buffer(zip, copy, text.size(), 1);
    zip_file_add(zip, part.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (zip_close(zip) != 0) throw std::runtime_error("zip not written");
}

// Replaces the first `from` in the part with `to`.
inline void patch_part(const std::filesystem::path& path, const std::string& part, std::string_view from,
                       std::string_view to) {
    std::string text = read_part(path, part);
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw std::runtime_error("nothing to patch in " + part);
    text.replace(at, from.size(), to);
    write_part(path, part, text);
}

}  // namespace test_workbooks
