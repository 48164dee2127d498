#include <gtest/gtest.h>

#include "temp_dir.h"
#include "test_workbooks.h"
#include "text/cp932.h"
#include "text/workbook.h"

using namespace tessaly;

namespace {

// A list as office users keep it, on the second sheet, with every kind of
// cell a sheet holds.
void make_members(const std::filesystem::path& path) {
    test_workbooks::make(path, {{"表紙", {{"会員名簿"}}},
                                {"名簿",
                                 {{"番号", "氏名", "住所", "金額", "日付", "日時", "真偽", "式", "備考"},
                                  {"#1", "山田太郎", "東京都千代田区丸の内1-1,丸の内ビル", "#1234.5", "@yyyy/m/d|45293",
                                   "@22|45293.127835648148", "?1", "=1+2|3", "#777"},
                                  {"#2", "佐藤 \"花子\"", "一行目\r\n二行目\n三行目", "#0.30000000000000004", "#1e15",
                                   "#123456789012345", "?0", "=\"a\"&\"b\"|ab", "@\"Day \"0|45293"},
                                  {},
                                  {"", "end", "@[Red]0.00|7"}}}});
    // An error value, which the writer has no call for.
    test_workbooks::patch_part(path, "xl/worksheets/sheet2.xml", "<c r=\"I2\"><v>777</v></c>",
                               "<c r=\"I2\" t=\"e\"><v>#N/A</v></c>");
}

}  // namespace

// Each kind of cell is written as a spreadsheet's "save as CSV" writes it:
// quoted when it holds a comma or a quote, line breaks made spaces, numbers
// as General shows them, dates by their format, in either date system.
TEST(Workbook, EveryKindOfCellIsWrittenAsASpreadsheetSavesItAsCsv) {
    TempDir dir;
    const auto book = dir / "members.xlsx";
    make_members(book);
    const auto target = workbook_copy_path(book);
    EXPECT_EQ(target, dir / "members.sjis.csv");

    WorkbookCopy copy = make_workbook_copy(book, "名簿", target);
    ASSERT_TRUE(copy.made()) << copy.status.message_id;
    EXPECT_EQ(copy.sheet, "名簿");
    EXPECT_EQ(copy.lines, 5);
    EXPECT_EQ(copy.broken_cells, 1);
    const std::string expected =
        "番号,氏名,住所,金額,日付,日時,真偽,式,備考\r\n"
        "1,山田太郎,\"東京都千代田区丸の内1-1,丸の内ビル\",1234.5,2024/01/02,2024/01/02 03:04:05,TRUE,3,#N/A\r\n"
        "2,\"佐藤 \"\"花子\"\"\",一行目 二行目 三行目,0.3,1e+15,123456789012345,FALSE,ab,45293\r\n"
        ",,,,,,,,\r\n"
        ",end,7,,,,,,\r\n";
    EXPECT_EQ(read_bytes(target), cp932::literal(expected));

    // The 1904 date system counts from 1904/01/01: the same serial is four
    // years and a day later.
    test_workbooks::patch_part(book, "xl/workbook.xml", "<workbookPr", "<workbookPr date1904=\"1\"");
    copy = make_workbook_copy(book, "2", target);
    ASSERT_TRUE(copy.made());
    EXPECT_NE(read_bytes(target).find(cp932::literal(",2028/01/03,2028/01/03 03:04:05,")), std::string::npos);

    // Inline strings, as a writer streaming its rows writes them.
    const auto streamed = dir / "streamed.xlsx";
    // A Japanese spreadsheet's own date formats come by id alone (31: 年月日).
    test_workbooks::make(streamed, {{"Sheet1", {{"山田,太郎", "#42", "@31|45293"}, {"", "", "x"}}}}, true);
    ASSERT_NE(test_workbooks::read_part(streamed, "xl/worksheets/sheet1.xml").find("inlineStr"), std::string::npos);
    ASSERT_TRUE(make_workbook_copy(streamed, "", workbook_copy_path(streamed)).made());
    EXPECT_EQ(read_bytes(dir / "streamed.sjis.csv"), cp932::literal("\"山田,太郎\",42,2024/01/02\r\n,,x\r\n"));
}

// The sheet is the first, or the one named, or the Nth; the names are listed
// in the workbook's order.
TEST(Workbook, TheSheetIsChosenByNameOrNumber) {
    TempDir dir;
    const auto book = dir / "members.xlsx";
    make_members(book);
    const WorkbookSheets sheets = workbook_sheets(book);
    ASSERT_TRUE(sheets.status);
    EXPECT_EQ(sheets.names, (std::vector<std::string>{"表紙", "名簿"}));

    const auto target = dir / "copy.csv";
    ASSERT_TRUE(make_workbook_copy(book, "", target).made());
    EXPECT_EQ(read_bytes(target), cp932::literal("会員名簿\r\n"));
    ASSERT_TRUE(make_workbook_copy(book, "2", target).made());
    EXPECT_EQ(read_bytes(target).substr(0, 4), cp932::literal("番号"));

    const WorkbookCopy missing = make_workbook_copy(book, "住所録", target);
    EXPECT_EQ(missing.status.message_id, MessageId::NoSuchSheet);
    EXPECT_EQ(missing.status.first_line, book.string());
    EXPECT_EQ(make_workbook_copy(book, "3", target).status.message_id, MessageId::NoSuchSheet);
}

// What cannot be read is refused with a message naming the workbook, and
// leaves no copy; an earlier copy under that name stays as it was.
TEST(Workbook, BadWorkbooksAreRefusedAndLeaveNoCopy) {
    TempDir dir;
    const auto good = dir / "good.xlsx";
    make_members(good);
    const std::string whole = read_bytes(good);
    const auto target = dir / "copy.csv";
    write_bytes(target, "earlier copy\r\n");
    const auto refusal = [&](const std::string& name, std::string_view bytes) {
        write_bytes(dir / name, bytes);
        const WorkbookCopy copy = make_workbook_copy(dir / name, "", target);
        EXPECT_EQ(copy.status.first_line, (dir / name).string());
        EXPECT_EQ(read_bytes(target), "earlier copy\r\n");
        return copy.status.message_id;
    };
    EXPECT_EQ(refusal("cut.xlsx", std::string_view(whole).substr(0, whole.size() / 2)), MessageId::WorkbookDamaged);
    EXPECT_EQ(refusal("text.xlsx", "1,山田\r\n"), MessageId::WorkbookDamaged);
    // A workbook saved with a password is an OLE compound file.
    EXPECT_EQ(refusal("locked.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(1024, '\0')),
              MessageId::WorkbookEncrypted);

    // A damaged part: a shared string that is not in the table.
    auto broken = dir / "broken.xlsx";
    std::filesystem::copy_file(good, broken);
    test_workbooks::patch_part(broken, "xl/worksheets/sheet1.xml", "<v>0</v>", "<v>999</v>");
    EXPECT_EQ(refusal("broken.xlsx", read_bytes(broken)), MessageId::WorkbookDamaged);

    // A sheet part of 2 MiB of spaces packs a thousand times smaller.
    auto bomb = dir / "bomb.xlsx";
    std::filesystem::copy_file(good, bomb);
    test_workbooks::write_part(bomb, "xl/worksheets/sheet1.xml",
                               "<worksheet><sheetData>" + std::string(2 << 20, ' ') + "</sheetData></worksheet>");
    EXPECT_EQ(refusal("bomb.xlsx", read_bytes(bomb)), MessageId::WorkbookTooLarge);

    auto empty = dir / "empty.xlsx";
    test_workbooks::make(empty, {{"Sheet1", {}}});
    EXPECT_EQ(refusal("empty.xlsx", read_bytes(empty)), MessageId::SheetEmpty);

    auto no_sheets = dir / "nosheets.xlsx";
    std::filesystem::copy_file(good, no_sheets);
    const std::string workbook_xml = test_workbooks::read_part(no_sheets, "xl/workbook.xml");
    const std::size_t from = workbook_xml.find("<sheets>"), to = workbook_xml.find("</sheets>") + 9;
    test_workbooks::write_part(no_sheets, "xl/workbook.xml", workbook_xml.substr(0, from) + workbook_xml.substr(to));
    EXPECT_EQ(refusal("nosheets.xlsx", read_bytes(no_sheets)), MessageId::WorkbookWithoutSheets);

    // Characters cp932 lacks are listed by line, and no copy is made.
    auto emoji = dir / "emoji.xlsx";
    test_workbooks::make(emoji, {{"Sheet1", {{"1", "山田"}, {"2", "\xF0\x9F\x98\x80"}}}});
    const WorkbookCopy lacking = make_workbook_copy(emoji, "", target);
    EXPECT_TRUE(lacking.status);
    ASSERT_EQ(lacking.missing.size(), 1u);
    EXPECT_EQ(lacking.missing[0].line, 2);
    EXPECT_EQ(lacking.missing[0].character, "\xF0\x9F\x98\x80");
    EXPECT_EQ(read_bytes(target), "earlier copy\r\n");
}
