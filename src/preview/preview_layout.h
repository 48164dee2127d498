#pragma once

// The arithmetic of the file area's layout in pixels, byte columns and
// records, apart from any drawing so that every rounding is exact: one byte
// of text is one character cell, a double-byte character two.

#include <cstdint>

namespace tessaly {

// The vertical scroll bar has at most this many positions; a longer span of
// records is scaled onto them.
inline constexpr int kThumbPositions = 32767;
// The text keeps this many pixels from the pane's left and top edges.
inline constexpr int kTextMargin = 3;

// Number of decimal digits of the record count (1 for 0).
int record_number_digits(std::int64_t total_records);

struct PreviewMetrics {
    int char_width = 1;
    int char_height = 1;
    bool show_record_no = true;
    bool show_ruler = true;
    std::int64_t total_records = 0;
    std::int32_t max_record_length = 0;
};

// Left edge of the text (x0) and top edge of the first row (y0).
int text_left(const PreviewMetrics& m);
int text_top(const PreviewMetrics& m);

// The width the records need, record numbers included.
std::int64_t content_width(const PreviewMetrics& m);

// Record rows that fit in a pane of this height.
int visible_rows(const PreviewMetrics& m, int pane_height);

struct VerticalRange {
    bool shown = false;         // fewer records than rows: no bar
    std::int64_t span = 0;      // total records − visible rows
    bool thumb_scaled = false;  // span above kThumbPositions
    int maximum = 0;            // the bar's range is 0 … maximum
};
VerticalRange vertical_range(std::int64_t total_records, int visible_rows);

// Thumb position for the first record shown, and back.
int thumb_for_top(const VerticalRange& range, std::int64_t top_record);
std::int64_t top_for_thumb(const VerticalRange& range, int thumb);

// The character column (0-based, may be negative) and the 1-based record
// row at a pane point. The text's 3-pixel margins are not taken off, and the
// quotients are made in single precision, cut towards zero.
std::int64_t column_at(const PreviewMetrics& m, int horz_offset, int x);
std::int64_t row_at(const PreviewMetrics& m, int y);

}  // namespace tessaly
