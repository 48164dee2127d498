#include "preview/key_fields.h"

#include <gtest/gtest.h>

#include "text/cp932.h"

using namespace tessaly;

TEST(KeyFields, FieldAtAColumn) {
    // A point on a comma belongs to the field after it.
    EXPECT_EQ(field_at_column("AB,CD,EF", 0), 0);
    EXPECT_EQ(field_at_column("AB,CD,EF", 1), 0);
    EXPECT_EQ(field_at_column("AB,CD,EF", 2), 1);
    EXPECT_EQ(field_at_column("AB,CD,EF", 5), 2);
    // Left of the text is field 0, right of it the last field.
    EXPECT_EQ(field_at_column("AB,CD,EF", -1), 0);
    EXPECT_EQ(field_at_column("AB,CD,EF", -7), 0);
    EXPECT_EQ(field_at_column("AB,CD,EF", 400), 2);
    EXPECT_EQ(field_at_column(",,", 0), 1);
    EXPECT_EQ(field_at_column(",,", 1), 2);
    EXPECT_EQ(field_at_column("", 0), -1);
}

TEST(KeyFields, SamplesJoinTheKeyFieldsWithoutCommas) {
    EXPECT_EQ(key_sample("19,80,05", 0, 1), "1980");
    EXPECT_EQ(key_sample("A,B,C", 2, 2), "C");
    EXPECT_EQ(key_sample("A,B,C", 1, 9), "BC");
    EXPECT_EQ(key_sample("A,B,C", 3, 4), "");
    EXPECT_EQ(key_sample("A,B,C", -1, -1), "");
    // Only the right end set: sampled as if the key began at field 0.
    EXPECT_EQ(key_sample("A,B,C", -1, 1), "AB");
    EXPECT_EQ(key_sample("", 0, 0), "");

    // Longer than a node's 500-byte sample: cut before a character that
    // would not fit whole.
    const std::string wide = cp932::literal("あ");
    std::string first = "a";
    std::string second;
    for (int i = 0; i < 150; ++i) first += wide, second += wide;
    const std::string sample = key_sample(first + "," + second, 0, 1);
    EXPECT_EQ(sample.size(), 499u);
    EXPECT_EQ(sample, (first + second).substr(0, 499));
    EXPECT_EQ(key_sample(std::string(600, 'x'), 0, 0).size(), 500u);
}

TEST(KeyFields, SpanOfTheKeyWithTheCommasAfterItsFields) {
    const auto span = [](std::string_view record, int first, int last) {
        const KeySpan s = key_span(record, first, last);
        return std::string(record.substr(s.begin, s.end - s.begin));
    };
    EXPECT_EQ(span("AA,BB,CC,DD", 1, 2), "BB,CC,");
    EXPECT_EQ(span("AA,BB,CC,DD", 2, 3), "CC,DD");
    EXPECT_EQ(span("AA,BB,CC,DD", 0, 0), "AA,");
    EXPECT_EQ(span("AA,BB,CC,DD", -1, 0), "AA,");
    EXPECT_EQ(span("AA,BB,CC,DD", 3, 7), "DD");
    EXPECT_EQ(span("AA,BB,CC,DD", 4, 7), "");
    EXPECT_EQ(span("AA,BB,CC,DD", -1, -1), "");
}

TEST(KeyFields, ArrowKeys) {
    std::int32_t first = -1, last = -1;
    // An unset key on records of three fields: → marks field 0, which the
    // cross still takes for no key until Ctrl + → sets the left end.
    EXPECT_TRUE(step_key(first, last, KeyStep::RightEndRight, 3));
    EXPECT_EQ(first, -1);
    EXPECT_EQ(last, 0);
    EXPECT_TRUE(step_key(first, last, KeyStep::LeftEndRight, 3));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    EXPECT_FALSE(step_key(first, last, KeyStep::LeftEndRight, 3));

    first = 1, last = 2;
    EXPECT_TRUE(step_key(first, last, KeyStep::RightEndLeft, 3));
    EXPECT_EQ(last, 1);
    EXPECT_FALSE(step_key(first, last, KeyStep::RightEndLeft, 3));
    EXPECT_EQ(last, 1);
    EXPECT_TRUE(step_key(first, last, KeyStep::LeftEndLeft, 3));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    EXPECT_FALSE(step_key(first, last, KeyStep::LeftEndLeft, 3));

    // The right end stops at the last field of the widest record.
    first = 2, last = 2;
    EXPECT_FALSE(step_key(first, last, KeyStep::RightEndRight, 3));
    EXPECT_EQ(last, 2);
}

TEST(KeyFields, Dragging) {
    KeyDrag drag;
    std::int32_t first = -1, last = -1;
    EXPECT_FALSE(drag.move(first, last, 4));  // no drag under way
    drag.press(first, last, 3);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 3);
    EXPECT_TRUE(drag.move(first, last, 5));
    EXPECT_EQ(last, 5);
    EXPECT_TRUE(drag.move(first, last, 1));  // left of the start widens to the left
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 5);
    EXPECT_TRUE(drag.move(first, last, 2));  // between the ends shortens from the right
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 2);
    EXPECT_FALSE(drag.move(first, last, -1));
    EXPECT_TRUE(drag.move(first, last, 1));  // back on the start: that one field
    EXPECT_EQ(last, 1);
    EXPECT_TRUE(drag.release());
    EXPECT_FALSE(drag.release());
    EXPECT_FALSE(drag.move(first, last, 4));

    // A new drag's first step counts even when it reaches the field where
    // the last drag ended.
    drag.press(first, last, 0);
    EXPECT_FALSE(drag.move(first, last, 0));
    EXPECT_TRUE(drag.move(first, last, 1));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
}
