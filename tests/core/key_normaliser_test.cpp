#include "cross/key_normaliser.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "text/cp932.h"
#include "text/record_reader.h"

using namespace tessaly;
using tessaly::cp932::literal;

namespace {

CrossOptions all_off() {
    CrossOptions o;
    o.remove_spaces = o.remove_hyphens = o.remove_parens = o.ignore_case = o.old_new = false;
    return o;
}

CrossOptions only(bool CrossOptions::*option) {
    CrossOptions o = all_off();
    o.*option = true;
    return o;
}

std::string normalised(std::string key, const CrossOptions& options) {
    normalise_key(key, options);
    return key;
}

// The same, for a key written in UTF-8.
std::string normalised_text(std::string_view utf8, const CrossOptions& options) {
    return normalised(literal(utf8), options);
}

std::string two_bytes(std::uint16_t code) { return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}; }

// The Unicode scalar of one UTF-8 character.
char32_t code_point(std::string_view utf8) {
    const auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(utf8[i])); };
    if (b(0) < 0x80) return b(0);
    if (b(0) < 0xE0) return (b(0) & 0x1F) << 6 | (b(1) & 0x3F);
    if (b(0) < 0xF0) return (b(0) & 0x0F) << 12 | (b(1) & 0x3F) << 6 | (b(2) & 0x3F);
    return (b(0) & 0x07) << 18 | (b(1) & 0x3F) << 12 | (b(2) & 0x3F) << 6 | (b(3) & 0x3F);
}

std::string utf8_of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

}  // namespace

TEST(NormaliseKey, SpacesAreRemovedCharacterByCharacter) {
    const CrossOptions spaces = only(&CrossOptions::remove_spaces);
    const std::string expected = literal("山田太郎");
    EXPECT_EQ(normalised_text("山田 太郎", spaces), expected);
    EXPECT_EQ(normalised_text("山田　太郎", spaces), expected);
    EXPECT_EQ(normalised_text("　山田  太郎 　", spaces), expected);
    EXPECT_EQ(normalised_text("山田太郎", spaces), expected);
    EXPECT_EQ(normalised_text("   ", spaces), "");

    // Full-width ａ is 0x82 0x81 and @ is 0x40: the bytes 0x81 0x40 in the
    // middle look like a full-width space but are no character.
    const std::string a_at = literal("ａ@");
    ASSERT_EQ(a_at, "\x82\x81\x40");
    EXPECT_EQ(normalised(a_at, spaces), a_at);
    EXPECT_EQ(normalised_text("ａ@ ａ@　", spaces), a_at + a_at);

    // Off: the key stays as it is.
    EXPECT_EQ(normalised_text("山田 太郎　", all_off()), literal("山田 太郎　"));
}

TEST(NormaliseKey, HyphensAreRemovedButNotOtherDashes) {
    const CrossOptions hyphens = only(&CrossOptions::remove_hyphens);
    EXPECT_EQ(normalised_text("03-1234-5678", hyphens), "0312345678");
    EXPECT_EQ(normalised_text("03－1234－5678", hyphens), "0312345678");
    EXPECT_EQ(normalised_text("0312345678", hyphens), "0312345678");
    // The long-vowel mark ー (0x815B) and the hyphen ‐ (0x815D) are not hyphens.
    ASSERT_EQ(literal("ー"), "\x81\x5B");
    EXPECT_EQ(normalised_text("03ー1234ー5678", hyphens), literal("03ー1234ー5678"));
    EXPECT_EQ(normalised_text("03‐1234", hyphens), literal("03‐1234"));
    // ａ followed by '|' holds the bytes of － (0x81 0x7C) across two characters.
    EXPECT_EQ(normalised(literal("ａ|"), hyphens), literal("ａ|"));
    // Spaces stay unless their own switch is on.
    EXPECT_EQ(normalised_text("0 3-1", hyphens), "0 31");
    EXPECT_EQ(normalised_text("03-1", all_off()), "03-1");
}

TEST(NormaliseKey, ParenthesesAreRemovedButNotOtherBrackets) {
    const CrossOptions parens = only(&CrossOptions::remove_parens);
    EXPECT_EQ(normalised_text("(株)山田", parens), literal("株山田"));
    EXPECT_EQ(normalised_text("（株）山田", parens), literal("株山田"));
    EXPECT_EQ(normalised_text("「株」[山]【田】｛x｝", parens), literal("「株」[山]【田】｛x｝"));
    // ａ followed by 'i' or 'j' holds the bytes of （ or ） across two characters.
    EXPECT_EQ(normalised(literal("ａiａj"), parens), literal("ａiａj"));
    EXPECT_EQ(normalised_text("(株)", all_off()), literal("(株)"));
}

TEST(NormaliseKey, CaseFoldingKeepsHalfAndFullWidthApart) {
    const CrossOptions upper = only(&CrossOptions::ignore_case);
    EXPECT_EQ(normalised_text("abc", upper), "ABC");
    EXPECT_EQ(normalised_text("ABC", upper), "ABC");
    EXPECT_EQ(normalised_text("ａｂｃ", upper), literal("ＡＢＣ"));
    EXPECT_NE(normalised_text("abc", upper), normalised_text("ａｂｃ", upper));
    EXPECT_EQ(normalised_text("αβγω", upper), literal("ΑΒΓΩ"));
    EXPECT_EQ(normalised_text("абвгдеёжзийклмнопрстуфхцчшщъыьэюя", upper),
              literal("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"));
    // Half-width katakana, digits, marks and kanji stay.
    EXPECT_EQ(normalised_text("ｱｲｳ1-_@[山田]z", upper), literal("ｱｲｳ1-_@[山田]Z"));
    // ヂ and ホ have the second bytes 'a' and 'z'; they are not letters.
    ASSERT_EQ(literal("ヂホ"), "\x83\x61\x83\x7A");
    EXPECT_EQ(normalised_text("ヂホ", upper), literal("ヂホ"));
    // Off: case counts.
    EXPECT_EQ(normalised_text("aａα", all_off()), literal("aａα"));
}

TEST(FoldDoubleByte, CapitalsOfLatinGreekAndCyrillicOnly) {
    // Every double-byte code that is a character: a full-width Latin, Greek or
    // Cyrillic small letter folds to its capital, everything else stays.
    int folded = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!cp932::is_lead_byte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
            const auto utf8 = cp932::to_utf8(two_bytes(code));
            if (!utf8) continue;
            const char32_t c = code_point(*utf8);
            char32_t capital = c;
            if ((c >= U'ａ' && c <= U'ｚ') || (c >= U'α' && c <= U'ω') || (c >= U'а' && c <= U'я')) capital = c - 0x20;
            if (c == U'ё') capital = U'Ё';
            const std::uint16_t expected =
                capital == c
                    ? code
                    : static_cast<std::uint16_t>(static_cast<unsigned char>(literal(utf8_of(capital))[0]) << 8 |
                                                 static_cast<unsigned char>(literal(utf8_of(capital))[1]));
            EXPECT_EQ(fold_double_byte(code), expected) << std::hex << code;
            if (expected != code) ++folded;
        }
    }
    EXPECT_EQ(folded, 26 + 24 + 33);

    // The edges of the ranges; 0x847F is not a character.
    EXPECT_EQ(fold_double_byte(0x8281), 0x8260);
    EXPECT_EQ(fold_double_byte(0x829A), 0x8279);
    EXPECT_EQ(fold_double_byte(0x829B), 0x829B);
    EXPECT_EQ(fold_double_byte(0x83BF), 0x839F);
    EXPECT_EQ(fold_double_byte(0x83D6), 0x83B6);
    EXPECT_EQ(fold_double_byte(0x847E), 0x844E);
    EXPECT_EQ(fold_double_byte(0x8480), 0x844F);
    EXPECT_EQ(fold_double_byte(0x8491), 0x8460);
    EXPECT_EQ(fold_double_byte(0x8260), 0x8260);
}

TEST(NormaliseKey, OldFormsReadAsNewOnes) {
    const CrossOptions old_new = only(&CrossOptions::old_new);
    EXPECT_EQ(normalised_text("髙橋", old_new), normalised_text("高橋", old_new));
    EXPECT_EQ(normalised_text("髙橋", old_new), literal("高橋"));
    EXPECT_EQ(normalised_text("渡邊", old_new), literal("渡辺"));
    EXPECT_EQ(normalised_text("渡邉", old_new), literal("渡辺"));
    EXPECT_EQ(normalised_text("國學院の櫻", old_new), literal("国學院の桜"));

    EXPECT_NE(normalised_text("髙橋", all_off()), normalised_text("高橋", all_off()));
    EXPECT_EQ(normalised_text("渡邊", all_off()), literal("渡邊"));
    EXPECT_EQ(normalised_text("渡邉", all_off()), literal("渡邉"));

    // Only the listed code of 髙 (0xFBFC) is mapped, not its second code 0xEEE0.
    ASSERT_EQ(cp932::to_utf8("\xEE\xE0"), cp932::to_utf8("\xFB\xFC"));
    EXPECT_EQ(normalised(std::string("\xEE\xE0"), old_new), "\xEE\xE0");
    EXPECT_EQ(normalised(std::string("\xFB\xFC"), old_new), literal("高"));

    // 胤 (0x88FB) followed by 髜 (0xFC40): the bytes in the middle are those of 髙.
    const std::string straddling = literal("胤髜");
    ASSERT_EQ(straddling, "\x88\xFB\xFC\x40");
    EXPECT_EQ(normalised(straddling, old_new), straddling);
}

TEST(OldNewTable, NinetyThreeRowsWithDistinctOldForms) {
    const auto table = old_new_table();
    ASSERT_EQ(table.size(), 93u);

    std::set<std::uint16_t> old_forms, new_forms;
    int ibm_rows = 0;
    for (const OldNewPair& p : table) {
        old_forms.insert(p.old_form);
        new_forms.insert(p.new_form);
        EXPECT_TRUE(cp932::to_utf8(two_bytes(p.old_form))) << std::hex << p.old_form;
        EXPECT_TRUE(cp932::to_utf8(two_bytes(p.new_form))) << std::hex << p.new_form;
        if (p.old_form >= 0xFA00) ++ibm_rows;
    }
    EXPECT_EQ(old_forms.size(), 93u);
    // 邊 and 邉 share 辺.
    EXPECT_EQ(new_forms.size(), 92u);
    EXPECT_EQ(ibm_rows, 19);
    // No new form is an old form, so one pass in any order is enough.
    for (std::uint16_t n : new_forms) EXPECT_EQ(old_forms.count(n), 0u) << std::hex << n;

    // The rows, character by character (a few old forms are compatibility
    // ideographs, written as such).
    const std::string olds = literal(
        "亞榮應擴覺寬鄕徑嚴恆國兒實釋愼數聲專壯對臺澤敕當濱\uFA1B辨寶餠龍禮"
        "\uF929聰稻衞橫假會龜勳惠經櫻壽讓眞瀧傳甁拂邊萬與賴巖瑤遙圓嶽輕縣廣"
        "寫澁\uFA22將\uFA1A乘釀\uFA19瀨齊淺曾莊增藏團\uFA10德佛譽\uF9DC郞晉\uFA16穰髙舘冨邉峯栁");
    const std::string news = literal(
        "亜栄応拡覚寛郷径厳恒国児実釈慎数声専壮対台沢勅当浜福弁宝餅竜礼"
        "朗聡稲衛横仮会亀勲恵経桜寿譲真滝伝瓶払辺万与頼巌瑶遥円岳軽県広"
        "写渋諸将祥乗醸神瀬斉浅曽荘増蔵団塚徳仏誉隆郎晋猪穣高館富辺峰柳");
    ASSERT_EQ(olds.size(), 2 * 93u);
    ASSERT_EQ(news.size(), 2 * 93u);
    for (std::size_t i = 0; i < 93; ++i) {
        EXPECT_EQ(two_bytes(table[i].old_form), olds.substr(2 * i, 2)) << "row " << i + 1;
        EXPECT_EQ(two_bytes(table[i].new_form), news.substr(2 * i, 2)) << "row " << i + 1;
    }
    // And each old form maps to its new one within a key.
    for (std::size_t i = 0; i < 93; ++i) {
        const std::string key = std::string("x").append(olds, 2 * i, 2).append("y");
        const std::string expected = std::string("x").append(news, 2 * i, 2).append("y");
        EXPECT_EQ(normalised(key, only(&CrossOptions::old_new)), expected) << "row " << i + 1;
    }
}

TEST(NormaliseKey, KeyIsCutTo99BytesBeforeFoldingAndMapping) {
    const CrossOptions o = all_off();
    EXPECT_EQ(normalised(std::string(120, 'x'), o), std::string(99, 'x'));
    EXPECT_EQ(normalised(std::string(99, 'x'), o), std::string(99, 'x'));

    // Keys that differ only after byte 99 are equal.
    const std::string head(99, 'k');
    EXPECT_EQ(normalised(head + "abc", o), normalised(head + "xyz", o));

    // The cut counts bytes: a lead byte at byte 99 stays without its second
    // byte, and neither the folding nor the mapping touches it.
    const std::string lone = std::string(98, 'a') + literal("ａ");
    CrossOptions fold_and_map = all_off();
    fold_and_map.ignore_case = fold_and_map.old_new = true;
    EXPECT_EQ(normalised(lone, o), std::string(98, 'a') + "\x82");
    EXPECT_EQ(normalised(lone, fold_and_map), std::string(98, 'A') + "\x82");
    EXPECT_EQ(normalised(std::string(98, 'z') + literal("髙"), fold_and_map), std::string(98, 'Z') + "\xFB");
    // Folding and mapping see only what the cut left; the characters before
    // byte 99 are all folded and mapped.
    const std::string kanji = literal("髙ａ") + std::string(100, 'b');
    EXPECT_EQ(normalised(kanji, fold_and_map), literal("高Ａ") + std::string(95, 'B'));

    // Removals come before the cut: spaces do not take up room in the key.
    EXPECT_EQ(normalised(std::string(30, ' ') + std::string(99, 'q') + "tail", only(&CrossOptions::remove_spaces)),
              std::string(99, 'q'));
    EXPECT_EQ(normalised(std::string(98, 'q') + literal("　山"), only(&CrossOptions::remove_spaces)),
              std::string(98, 'q') + "\x8E");
    EXPECT_EQ(normalised(std::string(97, 'q') + literal("山") + "r", only(&CrossOptions::remove_spaces)),
              std::string(97, 'q') + literal("山"));
}

// Removal walks character by character, whether a key holds double-byte
// characters or not: random keys of removable bytes, 0x81 as a lead and as
// a second byte, and other characters, under every mix of the removals.
TEST(NormaliseKey, RemovalsAgreeWithAWalkByCharacter) {
    const unsigned char bytes[] = {0x20, '-',  '(',  ')',  0x81, 0x40, 0x7C, 0x69, 0x6A,
                                   'a',  0x88, 0x9F, 0xE0, 0xFC, 0xFD, 0x80, 0xA0};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        CrossOptions o = all_off();
        o.remove_spaces = round & 1;
        o.remove_hyphens = round & 2;
        o.remove_parens = round & 4;
        std::string key(random() % 130, ' ');
        for (char& c : key) c = static_cast<char>(bytes[random() % std::size(bytes)]);
        std::string walked;
        for (std::size_t i = 0; i < key.size() && walked.size() < kMaxKeyBytes;) {
            const std::size_t length =
                cp932::is_lead_byte(static_cast<unsigned char>(key[i])) && i + 1 < key.size() ? 2 : 1;
            const std::string c = key.substr(i, length);
            const bool gone = (o.remove_spaces && (c == " " || c == "\x81\x40")) ||
                              (o.remove_hyphens && (c == "-" || c == "\x81\x7C")) ||
                              (o.remove_parens && (c == "(" || c == ")" || c == "\x81\x69" || c == "\x81\x6A"));
            if (!gone) walked += c;
            i += length;
        }
        walked.resize(std::min(walked.size(), kMaxKeyBytes));
        ASSERT_EQ(normalised(key, o), walked) << round;
    }
}

TEST(NormaliseKey, AllSwitchesTogether) {
    CrossOptions o;
    o.remove_spaces = o.remove_hyphens = o.remove_parens = o.ignore_case = o.old_new = true;
    EXPECT_EQ(normalised_text(" (株) 髙橋－ｔａｒｏ-abc　", o), literal("株高橋ＴＡＲＯABC"));
    EXPECT_EQ(normalised_text("", o), "");
    EXPECT_EQ(normalised_text(" -()　－（）", o), "");
}

TEST(ExtractKey, KeyFieldsAndWorkLine) {
    const CrossOptions o;  // spaces removed
    KeyedRecord k;
    const std::string record = literal("x,山田,太郎,y");
    extract_key(record, 1, 2, o, k);
    EXPECT_EQ(k.key, literal("山田太郎"));
    EXPECT_EQ(k.leading, "x,");
    EXPECT_EQ(k.trailing, ",y");
    EXPECT_EQ(k.field_count, 4u);
    std::string line;
    append_work_line(line, "T", 1, 1, k);
    EXPECT_EQ(line, literal("T,x,山田太郎,y"));

    // The line holds the normalised key, not the key as the file has it.
    const std::string spaced = literal("1, 山田　太郎 ,東京");  // k refers into it
    extract_key(spaced, 1, 1, o, k);
    line.clear();
    append_work_line(line, "T", 1, 1, k);
    EXPECT_EQ(line, literal("T,1,山田太郎,東京"));

    // A file without commas: one field, the whole record is the key.
    extract_key("whole record", 0, 0, all_off(), k);
    EXPECT_EQ(k.key, "whole record");
    EXPECT_EQ(k.field_count, 1u);
    line.clear();
    append_work_line(line, "T", 0, 0, k);
    EXPECT_EQ(line, "T,whole record");

    // The buffers are reused: nothing of an earlier record is left.
    extract_key("a,b,c,d,e,f", 2, 3, all_off(), k);
    EXPECT_EQ(k.key, "cd");
    extract_key("p,q,r", 2, 3, all_off(), k);
    EXPECT_EQ(k.key, "r");
    EXPECT_EQ(k.leading, "p,q,");
    EXPECT_EQ(k.trailing, "");
    EXPECT_EQ(k.field_count, 3u);
}

TEST(ExtractKey, PaddingPutsEveryKeyInOneColumn) {
    const CrossOptions o = all_off();
    KeyedRecord k;
    std::string line;
    std::array<std::string_view, 2000> fields;

    // Key column offset 4: a key in field 0 gets four padding commas, a key in
    // field 2 two, so that both keys stand in column 5 of the line.
    extract_key("K,r1,r2", 0, 0, o, k);
    append_work_line(line, "A", 4, 0, k);
    EXPECT_EQ(line, "A,,,,,K,r1,r2");
    ASSERT_EQ(split_fields(line, ',', fields), 8u);
    EXPECT_EQ(fields[5], "K");

    line.clear();
    extract_key("f0,f1,K,r1", 2, 2, o, k);
    append_work_line(line, "B", 4, 2, k);
    EXPECT_EQ(line, "B,,,f0,f1,K,r1");
    ASSERT_EQ(split_fields(line, ',', fields), 7u);
    EXPECT_EQ(fields[5], "K");

    // The node with the largest key_first gets no padding.
    line.clear();
    extract_key("a,b,c,d,K", 4, 4, o, k);
    append_work_line(line, "C", 4, 4, k);
    EXPECT_EQ(line, "C,a,b,c,d,K");

    // Several key fields become one column.
    line.clear();
    extract_key("a,K1,K2,K3,z", 1, 3, o, k);
    append_work_line(line, "D", 2, 1, k);
    EXPECT_EQ(line, "D,,a,K1K2K3,z");

    // Empty fields keep their places.
    line.clear();
    extract_key(",,K,,", 2, 2, o, k);
    append_work_line(line, "E", 2, 2, k);
    EXPECT_EQ(line, "E,,,K,,");
    EXPECT_EQ(k.field_count, 5u);
}

TEST(ExtractKey, RecordsShorterThanTheKey) {
    const CrossOptions o = all_off();
    KeyedRecord k;
    // Fewer fields than key_first + 1: no key.
    extract_key("a,b", 2, 3, o, k);
    EXPECT_EQ(k.key, "");
    EXPECT_EQ(k.field_count, 2u);
    extract_key("", 1, 1, o, k);
    EXPECT_EQ(k.key, "");
    // Fewer fields than key_last + 1 but more than key_first: the key is made
    // of the fields the record has.
    extract_key("a,b,c", 1, 4, o, k);
    EXPECT_EQ(k.key, "bc");
    EXPECT_EQ(k.leading, "a,");
    EXPECT_EQ(k.trailing, "");
    EXPECT_EQ(k.field_count, 3u);
    std::string line;
    append_work_line(line, "T", 1, 1, k);
    EXPECT_EQ(line, "T,a,bc");
    // An empty key field, or one of spaces only, gives an empty key.
    extract_key("a,,c", 1, 1, o, k);
    EXPECT_EQ(k.key, "");
    extract_key(literal("a,  　,c"), 1, 1, CrossOptions{}, k);
    EXPECT_EQ(k.key, "");
}

TEST(ExtractKey, FieldCountCoversTheWholeRecord) {
    const CrossOptions o = all_off();
    KeyedRecord k;
    std::string many(2000, ',');  // 2,001 fields
    extract_key(many, 0, 0, o, k);
    EXPECT_EQ(k.field_count, 2001u);
    extract_key("k" + many, 3, 5, o, k);
    EXPECT_EQ(k.field_count, 2001u);
    extract_key("a,b,c,d,e", 1, 1, o, k);
    EXPECT_EQ(k.field_count, 5u);
    EXPECT_EQ(k.field_count, count_fields("a,b,c,d,e"));
    // Counted only as far as telling too many: 2,001 fields are, 2,000 not.
    extract_key("k" + many, 3, 5, o, k, FieldCount::WhenTooMany);
    EXPECT_EQ(k.field_count, 2001u);
    extract_key(many.substr(1), 1998, 1998, o, k, FieldCount::WhenTooMany);
    EXPECT_LE(k.field_count, 2000u);
    extract_key(many.substr(1), 3, 5, o, k, FieldCount::WhenTooMany);
    EXPECT_LE(k.field_count, 2000u);
}

TEST(ExtractKey, QuotedFieldsKeepTheirRawTextAndQuoteTheKey) {
    CrossOptions o;
    o.quotes = true;
    KeyedRecord k;
    std::string line;
    // The key is made of values; the fields around it keep their quotes.
    const std::string record = literal("\"x,1\",\"山田 \"\"ヤマ\"\"\",\"a,b\"c,\"open, end");
    extract_key(record, 1, 1, o, k);
    EXPECT_EQ(k.key, literal("山田\"ヤマ\""));
    EXPECT_EQ(k.leading, "\"x,1\",");
    EXPECT_EQ(k.trailing, ",\"a,b\"c,\"open, end");
    append_work_line(line, "T", 2, 1, k);
    EXPECT_EQ(line, literal("T,,\"x,1\",\"山田\"\"ヤマ\"\"\",\"a,b\"c,\"open, end"));

    // Several key fields: values joined; a comma in the key quotes it.
    extract_key(record, 2, 3, o, k);
    EXPECT_EQ(k.key, "a,bcopen,end");
    line.clear();
    append_work_line(line, "T", 2, 2, k);
    EXPECT_EQ(line, literal("T,\"x,1\",\"山田 \"\"ヤマ\"\"\",\"a,bcopen,end\""));

    // A plain key is written as it is; a record with fewer fields has none.
    extract_key("\"1\",\"p\"", 1, 1, o, k);
    EXPECT_EQ(k.key, "p");
    line.clear();
    append_work_line(line, "T", 1, 1, k);
    EXPECT_EQ(line, "T,\"1\",p");
    extract_key("\"a,b,c\"", 1, 1, o, k);
    EXPECT_EQ(k.key, "");

    // The field count is the quoted one, also past the limit.
    const std::string commas(2500, ',');
    extract_key(std::string("\"").append(commas).append("\",b"), 0, 0, o, k);
    EXPECT_EQ(k.field_count, 2u);
    extract_key(std::string("a,\"").append(commas).append("\",").append(1999, ','), 0, 0, o, k);
    EXPECT_EQ(k.field_count, 2002u);

    // Without the option the same record splits at every comma.
    extract_key(record, 1, 1, CrossOptions{}, k);
    EXPECT_EQ(k.key, "1\"");
    EXPECT_FALSE(k.quote_key);
}
