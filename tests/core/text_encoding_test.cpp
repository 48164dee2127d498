#include <gtest/gtest.h>

#include "temp_dir.h"
#include "text/cp932.h"
#include "text/quoted_fields.h"
#include "text/text_encoding.h"

using namespace tessaly;

namespace {

// UTF-16 of an ASCII-and-BMP text, little- or big-endian, with its mark.
std::string utf16(std::string_view utf8, bool little) {
    const std::string body = *cp932::convert_text(little ? "UTF-16LE" : "UTF-16BE", "UTF-8", utf8);
    return (little ? std::string("\xFF\xFE") : std::string("\xFE\xFF")) + body;
}

const char kMembersUtf8[] = "1,山田　太郎,1990/01/02\r\n2,佐藤花子,1985/03/04\r\n";

}  // namespace

TEST(TextEncoding, TellsUtf8AndUtf16FromCp932ThatLooksAlike) {
    EXPECT_EQ(detect_encoding(kMembersUtf8), TextEncoding::Utf8);
    EXPECT_EQ(detect_encoding(std::string("\xEF\xBB\xBF") + kMembersUtf8), TextEncoding::Utf8Bom);
    EXPECT_EQ(detect_encoding(utf16(kMembersUtf8, true)), TextEncoding::Utf16Le);
    EXPECT_EQ(detect_encoding(utf16(kMembersUtf8, false)), TextEncoding::Utf16Be);

    EXPECT_EQ(detect_encoding(cp932::literal(kMembersUtf8)), TextEncoding::Cp932);
    EXPECT_EQ(detect_encoding("1,yamada,1990\r\n"), TextEncoding::Cp932);  // ASCII reads the same either way
    EXPECT_EQ(detect_encoding(""), TextEncoding::Cp932);
    // Half-width katakana "ﾃｩ" in cp932 is the bytes of "é" in UTF-8: valid,
    // but nothing Japanese, so it stays cp932.
    EXPECT_EQ(detect_encoding(cp932::literal("1,ﾃｩﾃｨ,2\r\n")), TextEncoding::Cp932);
    // A sample that ends inside a character is still UTF-8.
    EXPECT_EQ(detect_encoding(std::string("1,山田太郎") + "\xE7\x94"), TextEncoding::Utf8);
    // cp932 that is valid UTF-8 by chance: "緕" (E3 81) and a half-width "ｱ"
    // (B1) are the bytes of "ぱ". One such character is no evidence; UTF-8
    // that reads as no cp932 ("ぱ" before a comma leaves a lead byte without
    // its trail) is, and so are a few Japanese characters.
    EXPECT_EQ(detect_encoding("1,abc,\xE3\x81\xB1"), TextEncoding::Cp932);
    EXPECT_EQ(detect_encoding("1,abc,\xE3\x81\xB1\r\n2,\xE3\x81\xB1\xE3\x81\xB1\r\n"), TextEncoding::Cp932);
    EXPECT_EQ(detect_encoding("1,\xE3\x81\xB1\xE3\x81\x82,2\r\n"), TextEncoding::Utf8);
}

TEST(TextEncoding, NamesTheCopyAndTheEncodings) {
    EXPECT_EQ(cp932_copy_path("/data/members.csv"), std::filesystem::path("/data/members.sjis.csv"));
    EXPECT_EQ(cp932_copy_path("/data/list"), std::filesystem::path("/data/list.sjis"));
    EXPECT_EQ(encoding_name(TextEncoding::Utf16Be), "UTF-16BE");
    EXPECT_EQ(iconv_name(TextEncoding::Utf8Bom), "UTF-8");
}

TEST(TextEncoding, CopiesToCp932KeepingLineEnds) {
    TempDir dir;
    for (TextEncoding encoding :
         {TextEncoding::Utf8, TextEncoding::Utf8Bom, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
        const std::filesystem::path source = dir / "members.csv";
        std::string bytes = kMembersUtf8;
        if (encoding == TextEncoding::Utf8Bom) bytes = "\xEF\xBB\xBF" + bytes;
        if (encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be)
            bytes = utf16(kMembersUtf8, encoding == TextEncoding::Utf16Le);
        write_bytes(source, bytes);
        ASSERT_EQ(detect_file_encoding(source), encoding);
        const Cp932Copy copy = make_cp932_copy(source, encoding, cp932_copy_path(source));
        ASSERT_TRUE(copy.made()) << encoding_name(encoding);
        EXPECT_EQ(read_bytes(dir / "members.sjis.csv"), cp932::literal(kMembersUtf8)) << encoding_name(encoding);
        EXPECT_EQ(detect_file_encoding(dir / "members.sjis.csv"), TextEncoding::Cp932);
    }
}

TEST(TextEncoding, CharactersCp932LacksAreListedByLineAndNoCopyIsMade) {
    TempDir dir;
    const std::filesystem::path source = dir / "names.csv";
    write_bytes(source, "1,山田\n2,\xF0\xA0\xAE\xB7野家\n3,髙橋\n4,😀\n");  // 𠮷 and an emoji have no cp932 code
    const Cp932Copy copy = make_cp932_copy(source, TextEncoding::Utf8, dir / "names.sjis.csv");
    EXPECT_FALSE(copy.made());
    ASSERT_EQ(copy.missing.size(), 2u);
    EXPECT_EQ(copy.missing[0].line, 2);
    EXPECT_EQ(copy.missing[0].character, "\xF0\xA0\xAE\xB7");
    EXPECT_EQ(copy.missing[1].line, 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "names.sjis.csv"));

    const Cp932Copy unreadable = make_cp932_copy(dir / "gone.csv", TextEncoding::Utf8, dir / "gone.sjis.csv");
    EXPECT_EQ(unreadable.status.message_id, MessageId::OpenFailed);
}

TEST(QuotedFields, CommasInsideQuotesAreFound) {
    EXPECT_TRUE(has_quoted_comma(cp932::literal("1,\"山田,太郎\",1990")));
    EXPECT_TRUE(has_quoted_comma("\"a,b\""));
    EXPECT_TRUE(has_quoted_comma("x,\"say \"\"hi\"\", then,\",y"));
    EXPECT_FALSE(has_quoted_comma(cp932::literal("1,\"山田太郎\",1990")));
    EXPECT_FALSE(has_quoted_comma("1,ab\"c,d\",2"));  // a quote inside a field starts nothing
    EXPECT_FALSE(has_quoted_comma("1,\"open,never closed"));
    EXPECT_FALSE(has_quoted_comma(""));

    TempDir dir;
    write_bytes(dir / "quoted.csv", cp932::literal("id,name\r\n1,\"山田,太郎\"\r\n"));
    write_bytes(dir / "plain.csv", cp932::literal("id,name\r\n1,山田太郎\r\n"));
    EXPECT_TRUE(file_has_quoted_commas(dir / "quoted.csv"));
    EXPECT_FALSE(file_has_quoted_commas(dir / "plain.csv"));
    EXPECT_FALSE(file_has_quoted_commas(dir / "quoted.csv", 1));  // only the first records are looked at
    EXPECT_FALSE(file_has_quoted_commas(dir / "missing.csv"));
}

namespace {

// Splits a record under the quote option: each field's raw text and value.
std::vector<std::pair<std::string, std::string>> quoted_split(std::string_view record) {
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t start = 0;
    for (;;) {
        std::string value;
        const std::size_t end = quoted_field_end(record, start, value);
        fields.emplace_back(std::string(record.substr(start, end - start)), value);
        if (end == record.size()) break;
        start = end + 1;
    }
    EXPECT_EQ(fields.size(), count_quoted_fields(record)) << record;
    return fields;
}

using Fields = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(QuotedFields, SplitRules) {
    // A quote opens a section only as a field's first byte; commas inside it
    // divide nothing; "" inside is one ".
    EXPECT_EQ(quoted_split("a,\"b,c\",d"), (Fields{{"a", "a"}, {"\"b,c\"", "b,c"}, {"d", "d"}}));
    EXPECT_EQ(quoted_split("\"a,\"\"b\"\"\""), (Fields{{"\"a,\"\"b\"\"\"", "a,\"b\""}}));
    EXPECT_EQ(quoted_split("x\"y,z\""), (Fields{{"x\"y", "x\"y"}, {"z\"", "z\""}}));
    // Text after the closing quote stays in the field, quotes and all.
    EXPECT_EQ(quoted_split("\"ab\"cd\"e,f"), (Fields{{"\"ab\"cd\"e", "abcd\"e"}, {"f", "f"}}));
    // A section open at the end of the line ends there.
    EXPECT_EQ(quoted_split("1,\"open, never \"\"closed"),
              (Fields{{"1", "1"}, {"\"open, never \"\"closed", "open, never \"closed"}}));
    EXPECT_EQ(quoted_split("\""), (Fields{{"\"", ""}}));
    // Empty fields, quoted or not, and an empty record.
    EXPECT_EQ(quoted_split(",\"\","), (Fields{{"", ""}, {"\"\"", ""}, {"", ""}}));
    EXPECT_EQ(quoted_split(""), (Fields{{"", ""}}));
    // cp932 trail bytes never look like a quote or a comma.
    const std::string kanji = cp932::literal("\"ソ表,能\",予");
    EXPECT_EQ(quoted_split(kanji), (Fields{{cp932::literal("\"ソ表,能\""), cp932::literal("ソ表,能")},
                                           {cp932::literal("予"), cp932::literal("予")}}));
    EXPECT_EQ(quoted_field_value("\"a,\"\"b\"\"\""), "a,\"b\"");
}

TEST(QuotedFields, FirstLineWithAQuotedComma) {
    TempDir dir;
    write_bytes(dir / "quoted.csv", cp932::literal("id,name\r\n1,\"a\"\r\n2,\"山田,太郎\"\r\n3,\"x,y\"\r\n"));
    const QuotedCommaLine found = first_quoted_comma_line(dir / "quoted.csv");
    EXPECT_EQ(found.line, 3);
    EXPECT_EQ(found.text, cp932::literal("2,\"山田,太郎\""));
    EXPECT_EQ(first_quoted_comma_line(dir / "quoted.csv", 2).line, 0);
}
