#include "preview/preview_layout.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

PreviewMetrics metrics(std::int64_t records, bool numbers = true, bool ruler = true) {
    PreviewMetrics m;
    m.char_width = 8;
    m.char_height = 17;
    m.show_record_no = numbers;
    m.show_ruler = ruler;
    m.total_records = records;
    m.max_record_length = 92;
    return m;
}

}  // namespace

TEST(PreviewLayout, TextEdgesAndRows) {
    EXPECT_EQ(record_number_digits(1), 1);
    EXPECT_EQ(record_number_digits(9), 1);
    EXPECT_EQ(record_number_digits(10), 2);
    EXPECT_EQ(record_number_digits(1234), 4);
    EXPECT_EQ(record_number_digits(10'000'000), 8);
    // 1,234 records: four digits, so the text starts five widths and 3 pixels in.
    EXPECT_EQ(text_left(metrics(1234)), 5 * 8 + 3);
    EXPECT_EQ(text_left(metrics(1234, false)), 3);
    EXPECT_EQ(text_top(metrics(1234)), 17 + 3);
    EXPECT_EQ(text_top(metrics(1234, true, false)), 3);
    EXPECT_EQ(content_width(metrics(5)), 8 * 92 + 80);
    EXPECT_EQ(content_width(metrics(5, false)), 8 * 92);
    // The ruler takes one row.
    EXPECT_EQ(visible_rows(metrics(5), 17 * 40 + 16), 39);
    EXPECT_EQ(visible_rows(metrics(5, true, false), 17 * 40 + 16), 40);
    EXPECT_EQ(visible_rows(metrics(5), 10), 0);
}

TEST(PreviewLayout, VerticalRangeAndThumbScaling) {
    // Three records in forty rows: no bar.
    EXPECT_FALSE(vertical_range(3, 40).shown);
    const VerticalRange exact = vertical_range(40, 40);
    EXPECT_TRUE(exact.shown);
    EXPECT_EQ(exact.maximum, 0);

    const VerticalRange plain = vertical_range(1000, 40);
    EXPECT_FALSE(plain.thumb_scaled);
    EXPECT_EQ(plain.maximum, 960);
    EXPECT_EQ(thumb_for_top(plain, 500), 500);
    EXPECT_EQ(top_for_thumb(plain, 500), 500);
    EXPECT_FALSE(vertical_range(32767 + 40, 40).thumb_scaled);

    // 100,000 records: the span is scaled onto 32,767 positions, and the
    // thumb's end shows the last rows.
    const VerticalRange scaled = vertical_range(100'000, 40);
    EXPECT_TRUE(scaled.thumb_scaled);
    EXPECT_EQ(scaled.span, 99'960);
    EXPECT_EQ(scaled.maximum, 32767);
    EXPECT_EQ(top_for_thumb(scaled, 32767), 99'960);
    EXPECT_EQ(thumb_for_top(scaled, 99'960), 32767);
    EXPECT_EQ(top_for_thumb(scaled, 0), 0);
    EXPECT_EQ(top_for_thumb(scaled, 16384), static_cast<std::int64_t>(16384.0 / 32767 * 99'960));
    EXPECT_EQ(thumb_for_top(scaled, 1), 0);  // cut towards zero
}

TEST(PreviewLayout, PointsToColumnsAndRows) {
    // With record numbers of one digit the columns count from 2 widths in;
    // the 3-pixel margin is not taken off.
    const PreviewMetrics m = metrics(5);
    EXPECT_EQ(column_at(m, 0, 16), 0);
    EXPECT_EQ(column_at(m, 0, 16 + 8), 1);
    EXPECT_EQ(column_at(m, 0, 16 + 7), 0);
    EXPECT_EQ(column_at(m, 0, 10), 0);  // a little left of the text: cut towards zero
    EXPECT_EQ(column_at(m, 0, 0), -2);
    EXPECT_EQ(column_at(m, 80, 16), 10);  // scrolled ten widths to the right
    EXPECT_EQ(column_at(metrics(5, false), 0, 23), 2);

    // With the ruler, its band below the top pixel row is the first row.
    EXPECT_EQ(row_at(m, 0), 0);
    EXPECT_EQ(row_at(m, 1), 1);
    EXPECT_EQ(row_at(m, 16), 1);
    EXPECT_EQ(row_at(m, 17), 1);
    EXPECT_EQ(row_at(m, 34), 2);
    EXPECT_EQ(row_at(metrics(5, true, false), 0), 1);
    EXPECT_EQ(row_at(metrics(5, true, false), 17), 2);
}
