#include "cross/result_workbook.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <xlsxwriter.h>

#include "text/cp932.h"
#include "text/quoted_fields.h"
#include "text/temp_file.h"
#include "text/unfinished_file.h"

namespace tessaly {

namespace {

// Column widths follow their text up to this many half-width characters.
constexpr unsigned kWidestColumn = 50;
constexpr std::size_t kRowFileBuffer = 1 << 20;
// The two tints that set one hit off from the next, and the header's.
constexpr lxw_color_t kTints[2] = {0xEAF1FB, 0xFDF3E1};
constexpr lxw_color_t kHeaderTint = 0xD9D9D9;

// cp932 to UTF-8 through one iconv handle for the whole workbook (opening
// one per cell would cost more than the cell). iconv's CP932 table gives the
// NEC and IBM extension characters and the old forms their Unicode.
class Utf8Converter {
public:
    Utf8Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
    ~Utf8Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Utf8Converter(const Utf8Converter&) = delete;
    Utf8Converter& operator=(const Utf8Converter&) = delete;

    // A character that has no Unicode becomes U+FFFD, never a guess.
    void convert(std::string_view in, std::string& out) {
        out.clear();
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            out = cp932::to_utf8_lossy(in);
            return;
        }
        out.resize(in.size() * 3 + 4);
        char* src = const_cast<char*>(in.data());
        std::size_t src_left = in.size();
        char* dst = out.data();
        std::size_t dst_left = out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (src_left > 0) {
            if (iconv(cd_, &src, &src_left, &dst, &dst_left) != static_cast<std::size_t>(-1)) continue;
            // Not convertible (or a lone lead byte at the end): one
            // character's bytes become one replacement character.
            const std::size_t n = std::min(src_left, cp932::char_length({src, src_left}, 0));
            std::memcpy(dst, "\xEF\xBF\xBD", 3);
            dst += 3;
            dst_left -= 3;
            src += n;
            src_left -= n;
        }
        out.resize(out.size() - dst_left);
    }

private:
    iconv_t cd_;
};

// The width of UTF-8 text in half-width characters: ASCII and half-width
// katakana count one, everything else two.
unsigned display_width(std::string_view s) {
    unsigned w = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++w;
            ++i;
        } else if (b < 0xE0) {
            w += 2;
            i += 2;
        } else if (b < 0xF0) {
            const bool half = b == 0xEF && i + 1 < s.size() &&
                              ((static_cast<unsigned char>(s[i + 1]) == 0xBD && i + 2 < s.size() &&
                                static_cast<unsigned char>(s[i + 2]) >= 0xA1) ||
                               static_cast<unsigned char>(s[i + 1]) == 0xBE);
            w += half ? 1 : 2;
            i += 3;
        } else {
            w += 2;
            i += 4;
        }
        if (w >= kWidestColumn) return kWidestColumn;
    }
    return w;
}

// The first `limit` characters of UTF-8 text, counted as a spreadsheet counts
// them (UTF-16 units: a character beyond the basic plane is two).
std::string_view cut_characters(std::string_view s, std::size_t limit, bool& cut) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        const std::size_t u = n == 4 ? 2 : 1;
        if (units + u > limit) {
            cut = true;
            return s.substr(0, i);
        }
        units += u;
        i += n;
    }
    cut = false;
    return s;
}

std::string sheet_name(std::size_t number) {
    return number == 1 ? std::string("クロス結果") : "クロス結果 (" + std::to_string(number) + ")";
}

}  // namespace

std::filesystem::path result_workbook_path(const std::filesystem::path& result_file) {
    std::filesystem::path p = result_file;
    return p.replace_extension(".xlsx");
}

struct ResultWorkbook::Impl {
    explicit Impl(WorkbookLimits l) : limits(l) {}
    ~Impl() { drop(); }

    // Frees the library's workbook without packing it (which would take as
    // long as finishing it); its work files go with it.
    void drop() {
        if (book) lxw_workbook_free(book);
        book = nullptr;
    }

    struct Sheet {
        lxw_worksheet* sheet = nullptr;
        std::vector<unsigned> widths;    // of each column, in half-width characters
        std::unique_ptr<char[]> buffer;  // of the library's work file of rows
        lxw_row_t last_row = 0;
        lxw_col_t last_column = 0;
    };

    // A cell's text, cut at the limit and counted in cut_cells (headers,
    // without cut_cells, are the program's own and never that long).
    void write_text(Sheet& s, lxw_row_t row, lxw_col_t column, std::string_view utf8, lxw_format* format,
                    long long* cut_cells) {
        bool cut = false;
        const std::string_view kept = cut_cells ? cut_characters(utf8, limits.text, cut) : utf8;
        if (cut) ++*cut_cells;
        cell.assign(kept);
        worksheet_write_string(s.sheet, row, column, cell.c_str(), format);
        unsigned& w = s.widths[column];
        if (w < kWidestColumn) w = std::max(w, display_width(kept));
        s.last_column = std::max(s.last_column, column);
    }

    // A new set of sheets, one per part of the columns, each with its header.
    void start_sheets() {
        first_of_set = sheets.size();
        for (std::size_t part = 0; part < column_parts; ++part) {
            const std::string name = sheet_name(sheets.size() + 1);
            Sheet& s = sheets.emplace_back();
            s.sheet = workbook_add_worksheet(book, name.c_str());
            // The library writes each cell's XML to its work file in small
            // pieces: a large buffer saves most of the system calls.
            if (s.sheet && s.sheet->optimize_tmpfile) {
                s.buffer = std::make_unique<char[]>(kRowFileBuffer);
                std::setvbuf(s.sheet->optimize_tmpfile, s.buffer.get(), _IOFBF, kRowFileBuffer);
            }
            s.widths.assign(static_cast<std::size_t>(limits.columns), 0);
            const char* lead[] = {"ヒット番号", "ファイル", "クロスキー"};
            for (lxw_col_t c = 0; c < 3; ++c) write_text(s, 0, c, lead[c], header, nullptr);
            const std::size_t first = part * field_columns;
            const std::size_t last = std::min(fields, first + field_columns);
            for (std::size_t f = first; f < last; ++f)
                write_text(s, 0, static_cast<lxw_col_t>(3 + f - first), "項目" + std::to_string(f + 1), header,
                           nullptr);
            worksheet_freeze_panes(s.sheet, 1, 0);
        }
        next_row = 1;
    }

    // Whether every row written so far reached the library's work files.
    bool rows_written() {
        for (Sheet& s : sheets) {
            FILE* f = s.sheet->optimize_tmpfile;
            if (f && (std::fflush(f) != 0 || std::ferror(f))) return false;
        }
        return true;
    }

    void write_figures(const CrossFigures& figures, long long cut_cells);

    const WorkbookLimits limits;
    std::filesystem::path target;
    UnfinishedFile file;
    std::string file_path;
    std::string temp_dir;
    lxw_workbook* book = nullptr;
    lxw_format* header = nullptr;
    lxw_format* text[2] = {};
    lxw_format* number[2] = {};
    lxw_format* percent = nullptr;
    lxw_format* bold = nullptr;

    std::size_t fields = 0;
    std::size_t field_columns = 1;
    std::size_t column_parts = 1;
    bool quoted = false;
    std::vector<Sheet> sheets;
    std::size_t first_of_set = 0;
    lxw_row_t next_row = 1;

    long long last_hit = -1;
    int tint = 1;
    std::string last_title;
    std::string title_utf8;
    std::string key_utf8;
    std::string record_utf8;
    std::string value;
    std::string cell;
    Utf8Converter converter;
};

ResultWorkbook::ResultWorkbook(WorkbookLimits limits) : impl_(std::make_unique<Impl>(limits)) {}

ResultWorkbook::~ResultWorkbook() { discard(); }

Status ResultWorkbook::open(const std::filesystem::path& target, std::size_t fields, bool quoted_fields) {
    Impl& d = *impl_;
    d.target = target;
    d.fields = std::max<std::size_t>(fields, 1);
    d.field_columns = static_cast<std::size_t>(std::max(d.limits.columns - 3, 1));
    d.column_parts = (d.fields + d.field_columns - 1) / d.field_columns;
    d.quoted = quoted_fields;
    if (!d.file.open(target.parent_path(), target.filename().string()))
        return Status::failure(MessageId::WriteFailed, target.string());
    d.file_path = d.file.path().string();
    // The library keeps each sheet's rows in a work file of its own until
    // the workbook is packed.
    d.temp_dir = temp_folder().string();
    lxw_workbook_options options{};
    options.constant_memory = 1;
    options.tmpdir = d.temp_dir.data();
    options.use_zip64 = 1;
    d.book = workbook_new_opt(d.file_path.c_str(), &options);
    if (!d.book) {
        d.file.discard();
        return Status::failure(MessageId::WriteFailed, target.string());
    }
    d.header = workbook_add_format(d.book);
    format_set_bold(d.header);
    format_set_bg_color(d.header, kHeaderTint);
    format_set_num_format(d.header, "@");
    for (int t = 0; t < 2; ++t) {
        d.text[t] = workbook_add_format(d.book);
        format_set_bg_color(d.text[t], kTints[t]);
        format_set_num_format(d.text[t], "@");
        d.number[t] = workbook_add_format(d.book);
        format_set_bg_color(d.number[t], kTints[t]);
    }
    d.percent = workbook_add_format(d.book);
    format_set_num_format(d.percent, "0.0%");
    d.bold = workbook_add_format(d.book);
    format_set_bold(d.bold);
    d.start_sheets();
    return Status::ok();
}

void ResultWorkbook::add_row(long long hit, std::string_view title, std::string_view key, std::string_view record) {
    Impl& d = *impl_;
    if (static_cast<long long>(d.next_row) >= d.limits.rows) d.start_sheets();
    if (hit != d.last_hit) {
        d.last_hit = hit;
        d.tint ^= 1;
        d.converter.convert(key, d.key_utf8);
    }
    if (title != d.last_title) {
        d.last_title.assign(title);
        d.converter.convert(title, d.title_utf8);
    }
    d.converter.convert(record, d.record_utf8);
    const lxw_row_t row = d.next_row++;
    lxw_format* text = d.text[d.tint];
    for (std::size_t part = 0; part < d.column_parts; ++part) {
        Impl::Sheet& s = d.sheets[d.first_of_set + part];
        worksheet_write_number(s.sheet, row, 0, static_cast<double>(hit), d.number[d.tint]);
        s.widths[0] = std::max(s.widths[0], static_cast<unsigned>(std::to_string(hit).size()));
        d.write_text(s, row, 1, d.title_utf8, text, &cut_cells_);
        d.write_text(s, row, 2, d.key_utf8, text, &cut_cells_);
        s.last_row = row;
    }
    // The fields as the file holds them, split in UTF-8: commas and double
    // quotes are single bytes there too.
    const std::string_view line = d.record_utf8;
    std::size_t field = 0;
    for (std::size_t start = 0;; ++field) {
        std::size_t end;
        std::string_view text_of_field;
        if (d.quoted) {
            d.value.clear();
            end = quoted_field_end(line, start, d.value);
            text_of_field = d.value;
        } else {
            end = std::min(line.find(',', start), line.size());
            text_of_field = line.substr(start, end - start);
        }
        // The caller announced the most fields of any record: none comes
        // past the last set of columns.
        const std::size_t part = field / d.field_columns;
        if (part < d.column_parts) {
            Impl::Sheet& s = d.sheets[d.first_of_set + part];
            d.write_text(s, row, static_cast<lxw_col_t>(3 + field % d.field_columns), text_of_field, text, &cut_cells_);
        }
        if (end >= line.size()) break;
        start = end + 1;
    }
    ++rows_;
}

void ResultWorkbook::Impl::write_figures(const CrossFigures& figures, long long cut_cells) {
    lxw_worksheet* ws = workbook_add_worksheet(book, "集計");
    std::vector<unsigned> widths(std::max<std::size_t>(figures.sources.size() + 1, 6), 0);
    auto put = [&](lxw_row_t r, lxw_col_t c, std::string_view utf8, lxw_format* f = nullptr) {
        cell.assign(utf8);
        worksheet_write_string(ws, r, c, cell.c_str(), f);
        if (c < widths.size()) widths[c] = std::max(widths[c], display_width(utf8));
    };
    std::vector<std::string> titles;
    for (const SourceFigures& s : figures.sources) titles.push_back(cp932::to_utf8_lossy(s.title));

    const char* heads[] = {"ファイル", "パス", "レコード数", "ヒットしたレコード数", "ヒット数", "重複率"};
    for (lxw_col_t c = 0; c < 6; ++c) put(0, c, heads[c], bold);
    lxw_row_t r = 1;
    for (std::size_t i = 0; i < figures.sources.size(); ++i, ++r) {
        const SourceFigures& s = figures.sources[i];
        put(r, 0, titles[i]);
        put(r, 1, cp932::to_utf8_lossy(s.path));
        worksheet_write_number(ws, r, 2, static_cast<double>(s.records), nullptr);
        worksheet_write_number(ws, r, 3, static_cast<double>(s.records_in_hits), nullptr);
        worksheet_write_number(ws, r, 4, static_cast<double>(s.hits), nullptr);
        worksheet_write_number(ws, r, 5, CrossFigures::duplicate_percent(s) / 100.0, percent);
    }
    const lxw_row_t last_source_row = r - 1;
    put(r, 0, "ヒット数合計", bold);
    worksheet_write_number(ws, r, 4, static_cast<double>(figures.hits), nullptr);
    ++r;
    if (cut_cells > 0) {
        put(r, 0, "32,767文字で切った項目", bold);
        worksheet_write_number(ws, r, 4, static_cast<double>(cut_cells), nullptr);
        ++r;
    }

    ++r;
    put(r++, 0, "ファイル間の共通ヒット", bold);
    for (std::size_t j = 0; j < titles.size(); ++j) put(r, static_cast<lxw_col_t>(j + 1), titles[j], bold);
    ++r;
    for (std::size_t i = 0; i < titles.size(); ++i, ++r) {
        put(r, 0, titles[i], bold);
        for (std::size_t j = 0; j < titles.size(); ++j) {
            const long long n =
                i < figures.shared_hits.size() && j < figures.shared_hits[i].size() ? figures.shared_hits[i][j] : 0;
            worksheet_write_number(ws, r, static_cast<lxw_col_t>(j + 1), static_cast<double>(n), nullptr);
        }
    }
    for (std::size_t c = 0; c < widths.size(); ++c)
        worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             std::max(8u, std::min(kWidestColumn, widths[c]) + 2), nullptr);

    if (figures.sources.empty()) return;
    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_BAR);
    const auto last = static_cast<lxw_row_t>(last_source_row);
    const char* series_names[] = {"レコード数", "ヒットしたレコード数"};
    for (lxw_col_t c = 2; c <= 3; ++c) {
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, "集計", 1, 0, last, 0);
        chart_series_set_values(series, "集計", 1, c, last, c);
        chart_series_set_name(series, series_names[c - 2]);
    }
    chart_title_set_name(chart, "レコード数とヒットしたレコード数");
    worksheet_insert_chart(ws, r + 1, 0, chart);
}

Status ResultWorkbook::finish(const CrossFigures& figures) {
    Impl& d = *impl_;
    if (!d.book) return Status::failure(MessageId::WriteFailed, d.target.string());
    for (Impl::Sheet& s : d.sheets) {
        for (std::size_t c = 0; c <= s.last_column && c < s.widths.size(); ++c)
            worksheet_set_column(s.sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::max(4u, s.widths[c]) + 2, nullptr);
        worksheet_autofilter(s.sheet, 0, 0, s.last_row, s.last_column);
    }
    d.write_figures(figures, cut_cells_);
    // The library does not look at its work files' write errors: a full
    // disk there would pack a truncated sheet without a word.
    const bool rows_ok = d.rows_written();
    const lxw_error closed = workbook_close(d.book);
    d.book = nullptr;
    if (!rows_ok || closed != LXW_NO_ERROR || !d.file.finish(d.target)) {
        d.file.discard();
        return Status::failure(MessageId::WriteFailed, d.target.string());
    }
    return Status::ok();
}

void ResultWorkbook::discard() {
    impl_->drop();
    impl_->file.discard();
}

}  // namespace tessaly
