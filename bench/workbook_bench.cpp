// How long the cp932 copy of a large Excel workbook takes, and whether its
// memory grows with the sheet: member lists of 100,000 and 400,000 rows of
// 10 columns (text with commas, kana, dates, numbers, booleans) are written
// with libxlsxwriter, then each is converted by make_workbook_copy in a
// process of its own, whose peak resident memory the system reports.
//
//   bench-workbook [DIR] [ROWS...]      (default /tmp/tessaly-bench, 100000 400000)
//
// The workbooks are kept in DIR and made again only when missing. Each row
// of the table: rows, workbook size, seconds, peak RSS in MiB, copy size.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <xlsxwriter.h>

#include "text/workbook.h"

namespace fs = std::filesystem;

namespace {

// Written in constant-memory mode, as large exports are: rows go straight
// to the sheet part, strings inline.
bool make_members(const fs::path& path, long rows) {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>("/tmp");
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (!book) return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, "会員");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "yyyy/mm/dd");
    const char* families[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "渡辺", "伊藤", "中村"};
    const char* givens[] = {"太郎", "花子", "一郎", "美咲", "健太", "陽菜", "翔", "さくら"};
    const char* kana[] = {"ﾔﾏﾀﾞ ﾀﾛｳ", "ｻﾄｳ ﾊﾅｺ", "ｽｽﾞｷ ｲﾁﾛｳ", "ﾀｶﾊｼ ﾐｻｷ"};
    const char* headers[] = {"会員番号", "氏名", "カナ", "生年月日", "電話",
                             "住所",     "金額", "会員", "郵便番号", "備考"};
    for (lxw_col_t c = 0; c < 10; ++c) worksheet_write_string(sheet, 0, c, headers[c], nullptr);
    std::mt19937 random(19);
    char text[128];
    for (long r = 1; r <= rows; ++r) {
        const auto row = static_cast<lxw_row_t>(r);
        const unsigned n = random();
        worksheet_write_number(sheet, row, 0, 10000000 + r, nullptr);
        std::snprintf(text, sizeof text, "%s　%s", families[n % 8], givens[(n >> 3) % 8]);
        worksheet_write_string(sheet, row, 1, text, nullptr);
        worksheet_write_string(sheet, row, 2, kana[(n >> 6) % 4], nullptr);
        worksheet_write_number(sheet, row, 3, 20000 + (n >> 8) % 15000, date);
        std::snprintf(text, sizeof text, "090-%04u-%04u", n % 10000, (n >> 14) % 10000);
        worksheet_write_string(sheet, row, 4, text, nullptr);
        std::snprintf(text, sizeof text, "東京都千代田区丸の内%u-%u,丸の内ビル%u階", n % 9 + 1, (n >> 4) % 20 + 1,
                      (n >> 9) % 30 + 1);
        worksheet_write_string(sheet, row, 5, text, nullptr);
        worksheet_write_number(sheet, row, 6, (n % 1000000) / 100.0, nullptr);
        worksheet_write_boolean(sheet, row, 7, n & 1, nullptr);
        std::snprintf(text, sizeof text, "%03u-%04u", n % 1000, (n >> 10) % 10000);
        worksheet_write_string(sheet, row, 8, text, nullptr);
        if (n % 7 == 0) worksheet_write_string(sheet, row, 9, "要確認\n電話済み", nullptr);
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

struct Run {
    double seconds = 0;
    double peak_mib = 0;
    bool ok = false;
};

// The conversion in a child process, so that its peak is its own.
Run convert(const fs::path& book, const fs::path& copy) {
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const tessaly::WorkbookCopy made = tessaly::make_workbook_copy(book, "", copy);
        _exit(made.made() ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "/tmp/tessaly-bench";
    std::vector<long> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {100000, 400000};
    fs::create_directories(dir);

    std::printf("%10s %12s %9s %10s %12s\n", "rows", "xlsx MiB", "seconds", "peak MiB", "copy MiB");
    for (long rows : sizes) {
        const fs::path book = dir / ("members-" + std::to_string(rows) + ".xlsx");
        if (!fs::exists(book) && !make_members(book, rows)) {
            std::fprintf(stderr, "bench-workbook: %s could not be written\n", book.c_str());
            return 1;
        }
        const fs::path copy = tessaly::workbook_copy_path(book);
        const Run run = convert(book, copy);
        if (!run.ok) {
            std::fprintf(stderr, "bench-workbook: %s was not converted\n", book.c_str());
            return 1;
        }
        std::printf("%10ld %12.1f %9.2f %10.1f %12.1f\n", rows, static_cast<double>(fs::file_size(book)) / (1 << 20),
                    run.seconds, run.peak_mib, static_cast<double>(fs::file_size(copy)) / (1 << 20));
    }
    return 0;
}
