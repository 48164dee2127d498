#include "text/cp932.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

// ァ is 83 40 and 表 is 95 5C: their trail bytes are '@' and '\'.
const std::string kSmallA = "\x83\x40";
const std::string kOmote = "\x95\x5c";

}  // namespace

TEST(Cp932Walk, LeadBytesAreTheTwoRanges) {
    EXPECT_FALSE(cp932::is_lead_byte(0x80));
    EXPECT_TRUE(cp932::is_lead_byte(0x81));
    EXPECT_TRUE(cp932::is_lead_byte(0x9F));
    EXPECT_FALSE(cp932::is_lead_byte(0xA0));
    EXPECT_FALSE(cp932::is_lead_byte(0xDF));  // half-width kana are single bytes
    EXPECT_TRUE(cp932::is_lead_byte(0xE0));
    EXPECT_TRUE(cp932::is_lead_byte(0xFC));
    EXPECT_FALSE(cp932::is_lead_byte(0xFD));
}

TEST(Cp932Walk, SearchNeverStartsOnATrailByte) {
    EXPECT_EQ(cp932::find(kSmallA, "@"), std::string_view::npos);
    EXPECT_EQ(cp932::find(kOmote + "\\", "\\"), 2u);
    EXPECT_EQ(cp932::find("a" + kOmote + "\\x", "\\"), 3u);
    // A double-byte needle is found on character starts only.
    EXPECT_EQ(cp932::find("\x81\x81\x40", "\x81\x40"), std::string_view::npos);
    EXPECT_EQ(cp932::find("A\x81\x40", "\x81\x40"), 1u);
}

TEST(Cp932Walk, LoneLeadByteAtTheEndIsOneCharacter) {
    const std::string text = "ab\x82";
    EXPECT_EQ(cp932::char_length(text, 2), 1u);
    EXPECT_EQ(cp932::find(text, "\x82"), 2u);
    EXPECT_EQ(cp932::cut(text, 3), text);
}

TEST(Cp932Walk, CutKeepsDoubleByteCharactersWhole) {
    const std::string text = "a" + kSmallA + kOmote;  // 5 bytes
    EXPECT_EQ(cp932::cut(text, 2), "a");
    EXPECT_EQ(cp932::cut(text, 3), "a" + kSmallA);
    EXPECT_EQ(cp932::cut(text, 4), "a" + kSmallA);
    EXPECT_EQ(cp932::cut(text, 5), text);
}

TEST(Cp932Walk, CopyToFieldCutsAndZeroFills) {
    char field[4];
    std::memset(field, 'x', sizeof field);
    cp932::copy_to_field(field, "a" + kOmote + "b");
    EXPECT_EQ(cp932::field_text(field), "a" + kOmote);
    EXPECT_EQ(field[3], '\0');

    char full[3] = {'a', 'b', 'c'};  // unterminated: the view stops at the field's end
    EXPECT_EQ(cp932::field_text(full), "abc");
}

TEST(Cp932Conversion, AgreesWithTheWindowsCodePage) {
    EXPECT_EQ(cp932::from_utf8("髙"), "\xfb\xfc");
    EXPECT_EQ(cp932::from_utf8("～"), "\x81\x60");  // FULLWIDTH TILDE, as Windows maps it
    EXPECT_EQ(cp932::from_utf8("①"), "\x87\x40");   // NEC special row
    EXPECT_EQ(cp932::from_utf8("ｱ"), "\xb1");
    EXPECT_EQ(cp932::to_utf8("\xfb\xfc"), "髙");
    EXPECT_EQ(cp932::to_utf8("\x81\x5f"), "＼");
    EXPECT_EQ(cp932::to_utf8("\x82\xa0\x82\xa2"), "あい");
}

TEST(Cp932Conversion, UnconvertibleTextIsReportedNotMangled) {
    EXPECT_FALSE(cp932::from_utf8("😀").has_value());
    EXPECT_FALSE(cp932::from_utf8("\xff").has_value());    // not UTF-8 at all
    EXPECT_FALSE(cp932::to_utf8("a\x82").has_value());     // cut after a lead byte
    EXPECT_FALSE(cp932::to_utf8("\x82\x20").has_value());  // lead byte without a trail
    EXPECT_EQ(cp932::to_utf8(""), "");
}
