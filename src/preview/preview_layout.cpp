#include "preview/preview_layout.h"

#include <algorithm>

namespace tessaly {

int record_number_digits(std::int64_t total_records) {
    int digits = 1;
    for (std::int64_t rest = total_records; rest >= 10; rest /= 10) ++digits;
    return digits;
}

int text_left(const PreviewMetrics& m) {
    if (!m.show_record_no) return kTextMargin;
    return (record_number_digits(m.total_records) + 1) * m.char_width + kTextMargin;
}

int text_top(const PreviewMetrics& m) { return m.show_ruler ? m.char_height + kTextMargin : kTextMargin; }

std::int64_t content_width(const PreviewMetrics& m) {
    std::int64_t width = static_cast<std::int64_t>(m.char_width) * m.max_record_length;
    if (m.show_record_no) width += 10LL * m.char_width;
    return width;
}

int visible_rows(const PreviewMetrics& m, int pane_height) {
    int rows = pane_height / m.char_height;
    if (m.show_ruler) --rows;
    return std::max(rows, 0);
}

VerticalRange vertical_range(std::int64_t total_records, int visible_rows) {
    VerticalRange range;
    if (total_records < visible_rows) return range;
    range.shown = true;
    range.span = total_records - visible_rows;
    range.thumb_scaled = range.span > kThumbPositions;
    range.maximum = range.thumb_scaled ? kThumbPositions : static_cast<int>(range.span);
    return range;
}

int thumb_for_top(const VerticalRange& range, std::int64_t top_record) {
    if (!range.thumb_scaled) return static_cast<int>(std::clamp<std::int64_t>(top_record, 0, range.maximum));
    const double thumb = static_cast<double>(top_record) / static_cast<double>(range.span) * kThumbPositions;
    return std::min(static_cast<int>(thumb), kThumbPositions);
}

std::int64_t top_for_thumb(const VerticalRange& range, int thumb) {
    if (!range.thumb_scaled) return thumb;
    return static_cast<std::int64_t>(static_cast<double>(thumb) / kThumbPositions * static_cast<double>(range.span));
}

std::int64_t column_at(const PreviewMetrics& m, int horz_offset, int x) {
    float shifted = static_cast<float>(x) + static_cast<float>(horz_offset);
    if (m.show_record_no) shifted -= static_cast<float>((record_number_digits(m.total_records) + 1) * m.char_width);
    return static_cast<std::int64_t>(shifted / static_cast<float>(m.char_width));
}

std::int64_t row_at(const PreviewMetrics& m, int y) {
    float shifted = static_cast<float>(y);
    if (m.show_ruler) shifted -= static_cast<float>(m.char_height);
    return static_cast<std::int64_t>(shifted / static_cast<float>(m.char_height)) + 1;
}

}  // namespace tessaly
