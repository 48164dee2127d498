#pragma once

// The cross's second result, made for people rather than for crossing again:
// an Excel workbook beside the result file (CROSS0007.csv → CROSS0007.xlsx)
// with every hit record as its file holds it, each field a text cell, and a
// sheet of figures on how the files overlap. Written with libxlsxwriter in
// its constant-memory mode (one row in memory at a time), under a hidden name
// until complete: a workbook that fails half way never has the final name.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cross/cross_figures.h"
#include "text/status.h"

namespace tessaly {

// A sheet's limits, as a spreadsheet has them; smaller ones in tests.
struct WorkbookLimits {
    long long rows = 1048576;  // the header included
    int columns = 16384;
    std::size_t text = 32767;  // characters in a cell
};

// The workbook that goes with a result file.
std::filesystem::path result_workbook_path(const std::filesystem::path& result_file);

class ResultWorkbook {
public:
    explicit ResultWorkbook(WorkbookLimits limits = {});
    // Discards the workbook unless it was finished.
    ~ResultWorkbook();
    ResultWorkbook(const ResultWorkbook&) = delete;
    ResultWorkbook& operator=(const ResultWorkbook&) = delete;

    // Starts the workbook for `target` under a hidden name in its folder;
    // `fields` is the most fields of any record to come (the header's 項目
    // columns). Fields are split at every comma, or as the quote option
    // splits them (their values, unquoted). WriteFailed when it cannot be made.
    Status open(const std::filesystem::path& target, std::size_t fields, bool quoted_fields);

    // One result record: its hit number, its file's title, the hit's
    // normalised key (both cp932) and the record as its file holds it.
    // Rows must come hit by hit, in the order of the result file.
    void add_row(long long hit, std::string_view title, std::string_view key, std::string_view record);

    // Writes the figures' sheet, closes the workbook and gives it its name,
    // replacing whatever had it. WriteFailed with the workbook's path when it
    // cannot be written (a full disk, say): nothing is then left of it.
    Status finish(const CrossFigures& figures);
    void discard();

    // Text cells cut at the limit.
    long long cut_cells() const { return cut_cells_; }
    long long rows() const { return rows_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    long long cut_cells_ = 0;
    long long rows_ = 0;
};

}  // namespace tessaly
