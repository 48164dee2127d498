#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "../core/test_workbooks.h"
#include "chart/source_placement.h"
#include "fake_dialogs.h"
#include "test_registry.h"
#include "text/cp932.h"
#include "view/chart_view.h"

using namespace tessaly;
using namespace tessaly::view;

class ChartViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const char* name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private slots:
    void dropped_text_files_become_nodes_at_the_drop_point() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        QSignalSpy modified(&view, &ChartView::modified);
        QDir(dir_.path()).mkdir("folder");
        view.drop_files({file("a.csv", "1\r\n2\r\n"), dir_.filePath("folder"), file("b.csv", "x\n")}, QPoint(100, 80));
        QCOMPARE(chart.node_count(), 2);
        // Measured as they are placed: the first centred on the point, the
        // next beside it, clear of its box.
        const Rect& first = chart.nodes[0].rect;
        QVERIFY(first.right - first.left > 20);
        QCOMPARE((first.left + first.right) / 2, 100);
        QCOMPARE((first.top + first.bottom) / 2, 80);
        QCOMPARE(chart.nodes[1].rect.left, first.right + kPlacementGap);
        QCOMPARE(chart.nodes[1].rect.top, first.top);
        QCOMPARE(chart.nodes[0].record_count, 2);
        QCOMPARE(modified.count(), 1);
        QVERIFY(dialogs.shown.empty());

        view.drop_files({file("a.csv", "1\r\n2\r\n")}, QPoint(0, 0));
        QCOMPARE(dialogs.shown.back().text,
                 dir_.filePath("a.csv").toStdString() + "\nこのファイルは既にセットされています");
    }

    // Each file of a drop gets its own answer: a binary file, an old-style
    // workbook, one without a line break and a declined copy are each named
    // or asked about, and the rest is placed. The file dialog's route
    // refuses a binary file by name too; an empty list may still be chosen.
    void each_file_of_a_drop_is_answered_on_its_own() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        const QString binary = file("bin.dat", QByteArray("ab\0cd\n", 6));
        const QString xls = file("old.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
        const QString ods = file("calc.ods", "PK\x03\x04");
        const QString no_break = file("nobreak.csv", "x");
        const QString utf8 = file("utf8.csv", "1,山田太郎,1990\r\n2,佐藤花子,1985\r\n");
        dialogs.answers = {kAnswerNo};
        view.drop_files({file("c.csv", "x\n"), binary, xls, ods, no_break, utf8, file("d.csv", "y\n")}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 2);
        QCOMPARE(dialogs.shown.size(), size_t(5));
        const std::string save_as =
            "\nテキストファイル以外のファイルは処理できません。\n"
            "表計算ソフトのファイルなら、Excelブック（.xlsx）か CSV で保存してから、セットしてください";
        QCOMPARE(dialogs.shown[0].text, binary.toStdString() + save_as);
        QCOMPARE(dialogs.shown[1].text, xls.toStdString() + save_as);
        QCOMPARE(dialogs.shown[2].text, ods.toStdString() + save_as);
        QCOMPARE(dialogs.shown[3].text, no_break.toStdString() + "\n改行のないファイルは処理できません");
        QCOMPARE(dialogs.shown[4].style, MessageStyle::Question);

        const QString photo = file("photo.jpg", QByteArray("\xFF\xD8\x00\x10JFIF\n", 9));
        view.place_chosen_files({file("e.csv", "x\n"), photo, file("empty.csv", "")});
        QCOMPARE(chart.node_count(), 4);
        QCOMPARE(dialogs.shown.back().text, photo.toStdString() + save_as);
    }

    // A workbook is placed as a cp932 CSV copy of the sheet the user picks
    // (from a list when it has several), after the question naming the
    // sheet; a cancelled list or a damaged workbook places nothing.
    void workbooks_are_placed_as_copies_of_the_chosen_sheet() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        view.set_sheet_chooser([&](const std::filesystem::path& workbook, const std::vector<std::string>& names) {
            QStringList items;
            for (const std::string& name : names) items << QString::fromStdString(name);
            const int chosen = dialogs.choose_item({}, QString::fromStdString(workbook.string()), items);
            return chosen < 0 ? std::nullopt : std::optional<int>(chosen);
        });
        const std::filesystem::path book = dir_.filePath("members.xlsx").toStdString();
        test_workbooks::make(
            book, {{"表紙", {{"会員名簿"}}}, {"名簿", {{"番号", "氏名"}, {"#1", "山田\n太郎"}, {"#2", "佐藤,花子"}}}});
        const QString damaged = file("damaged.xlsx", "PK\x03\x04 not really");

        dialogs.choices = {-1};
        view.drop_files({QString::fromStdString(book.string()), damaged}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 0);
        QCOMPARE(dialogs.choices_offered.back().second, (QStringList{"表紙", "名簿"}));
        QVERIFY(
            dialogs.shown.back().text.starts_with(damaged.toStdString() + "\nExcelブック（.xlsx）として読めません"));

        dialogs.choices = {1};
        dialogs.answers = {kAnswerYes};
        dialogs.shown.clear();
        view.place_chosen_files({QString::fromStdString(book.string())});
        QCOMPARE(chart.node_count(), 1);
        QCOMPARE(
            dialogs.shown[0].text,
            book.string() +
                "\nシート: 名簿\n変換したコピー: members.sjis.csv\n"
                "Excelブックはそのままでは読めません。\n"
                "このシートをシフトJIS（CP932）の CSV に変換したコピーを同じフォルダに作って、そちらをセットしますか");
        QVERIFY(dialogs.shown[1].text.starts_with(dir_.filePath("members.sjis.csv").toStdString() +
                                                  "\n改行のあったセル: 1\n"));
        QCOMPARE(cp932::field_text(chart.nodes[0].path),
                 cp932::literal(dir_.filePath("members.sjis.csv").toStdString()));
        QCOMPARE(chart.nodes[0].record_count, 3);
        QFile copy(dir_.filePath("members.sjis.csv"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(),
                 QByteArray::fromStdString(cp932::literal("番号,氏名\r\n1,山田 太郎\r\n2,\"佐藤,花子\"\r\n")));
    }

    // A UTF-8 or UTF-16 list is recognised: placed as a cp932 copy beside it
    // after the question, not at all when declined or when cp932 lacks one
    // of its characters (listed by line).
    void files_in_other_encodings_are_placed_as_cp932_copies() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        const QByteArray members = "1,山田太郎,1990\r\n2,佐藤花子,1985\r\n";
        const QString utf8 = file("utf8.csv", members);
        dialogs.answers = {kAnswerNo};
        view.drop_files({utf8}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 0);
        QVERIFY(dialogs.shown.back().text.starts_with(utf8.toStdString() + "\n文字コード: UTF-8\n"));
        QVERIFY(!QFile::exists(dir_.filePath("utf8.sjis.csv")));

        dialogs.answers = {kAnswerYes};
        view.drop_files({utf8}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 1);
        QCOMPARE(cp932::field_text(chart.nodes[0].path), cp932::literal(dir_.filePath("utf8.sjis.csv").toStdString()));
        QCOMPARE(chart.nodes[0].record_count, 2);
        QFile copy(dir_.filePath("utf8.sjis.csv"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray::fromStdString(cp932::literal(members.toStdString())));

        QByteArray utf16("\xFF\xFE", 2);
        for (QChar c : QString::fromUtf8(members))
            utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        dialogs.answers = {kAnswerYes};
        view.place_chosen_files({file("utf16.csv", utf16)});  // its NULs are no sign of a binary file
        QCOMPARE(chart.node_count(), 2);

        dialogs.answers = {kAnswerYes};
        view.drop_files({file("emoji.csv", "1,山田\n2,\xF0\x9F\x98\x80\n")}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 2);
        QVERIFY(dialogs.shown.back().text.find("2行目: \xF0\x9F\x98\x80\n") != std::string::npos);
        QVERIFY(!QFile::exists(dir_.filePath("emoji.sjis.csv")));
    }

    // A list whose Japanese starts past the first bytes looked at is found
    // as its lines are counted, and offered as a copy as any UTF-8 list;
    // cp932 whose bytes happen to be valid UTF-8 is placed without a word.
    void the_whole_file_decides_its_encoding() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        QByteArray ascii;
        for (int i = 0; ascii.size() < 80 * 1024; ++i) ascii += QByteArray::number(i) + ",abc,1990/01/02\r\n";
        const QByteArray japanese = "9,山田太郎,1990/01/02\r\n10,佐藤花子,1985/03/04\r\n";
        const QString late = file("late.csv", ascii + japanese);
        const QString chance = file("chance.csv", "1,abc,\xE3\x81\xB1\r\n");
        dialogs.answers = {kAnswerYes};
        view.drop_files({late, chance}, QPoint(10, 10));
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QVERIFY(dialogs.shown[0].text.starts_with(late.toStdString() + "\n文字コード: UTF-8\n"));
        QCOMPARE(chart.node_count(), 2);
        QCOMPARE(cp932::field_text(chart.nodes[0].path), chance.toStdString());
        QCOMPARE(cp932::field_text(chart.nodes[1].path), cp932::literal(dir_.filePath("late.sjis.csv").toStdString()));
        QCOMPARE(chart.nodes[1].record_count, ascii.count('\n') + 2);
        QCOMPARE(chart.nodes[1].rect.left, chart.nodes[0].rect.right + kPlacementGap);  // beside the one placed first
    }

    // The file may change while the question is on the screen: the answer
    // was about another text, so nothing is copied or placed, and the file
    // is named; a file cut shorter than its byte order mark does no harm.
    void a_file_changed_during_the_question_is_not_placed() {
        struct ShrinkingDialogs : FakeDialogs {
            QString victim;
            QByteArray left;
            int present(const std::string& text, MessageStyle style) override {
                if (style == MessageStyle::Question) {
                    QFile f(victim);
                    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
                    f.write(left);
                }
                return FakeDialogs::present(text, style);
            }
        };
        Chart chart;
        chart.reset(1024, 768);
        ShrinkingDialogs dialogs;
        ChartView view(chart, dialogs);
        const QByteArray members = "1,山田太郎,1990\r\n2,佐藤花子,1985\r\n";
        const struct {
            const char* name;
            QByteArray bytes;
            QByteArray left;
        } cases[] = {
            {"shrunk-bom.csv", "\xEF\xBB\xBF" + members, "\xEF\xBB"},
            {"shrunk-utf16.csv",
             QByteArray("\xFF\xFE"
                        "1\0\r\0\n\0",
                        8),
             "\xFF"},
            {"shrunk-utf8.csv", members, members.left(10)},
        };
        for (const auto& c : cases) {
            dialogs.victim = file(c.name, c.bytes);
            dialogs.left = c.left;
            dialogs.answers = {kAnswerYes};
            dialogs.shown.clear();
            view.drop_files({dialogs.victim}, QPoint(10, 10));
            QCOMPARE(chart.node_count(), 0);
            QCOMPARE(dialogs.shown.size(), size_t(2));
            QCOMPARE(QString::fromStdString(dialogs.shown[1].text),
                     dialogs.victim +
                         QString::fromUtf8("\n確認している間にファイルが変更されたため、セットしませんでした。\n"
                                           "もう一度セットしてください"));
            QVERIFY(!QFile::exists(QString::fromStdString(cp932_copy_path(dialogs.victim.toStdString()).string())));
        }
    }

    // Quoted fields with commas inside are split there unless the quote
    // option is on: the user is asked to turn it on, and the file is placed
    // whatever the answer.
    void quoted_commas_ask_for_the_quote_option() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        bool quotes = false;
        view.set_quote_option([&] { return quotes; }, [&] { quotes = true; });
        const std::string long_tail(100, 'z');
        const QString quoted =
            file("quoted.csv", QByteArray::fromStdString(
                                   cp932::literal("id,name\r\n1,\"山田\"\r\n2,\"山田,太郎\"," + long_tail + "\r\n")));
        const QString again = file("again.csv", "\"a,b\"\r\n");
        dialogs.answers = {kAnswerNo};
        view.drop_files({quoted, file("plain.csv", "1,x\r\n"), again}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 3);
        QCOMPARE(dialogs.shown.size(), size_t(2));  // each such file has its question
        QCOMPARE(dialogs.shown[0].style, MessageStyle::Question);
        const std::string line = cp932::to_utf8_lossy(cp932::cut(cp932::literal("2,\"山田,太郎\"," + long_tail), 60));
        QCOMPARE(dialogs.shown[0].text, quoted.toStdString() + "\n3行目: " + line + "…\n" +
                                            std::string(message_text(MessageId::AskQuotedFields)));
        QVERIFY(dialogs.shown[1].text.starts_with(again.toStdString() + "\n1行目: \"a,b\"\n"));
        QVERIFY(!quotes);

        // Yes turns the option on; once on, nothing more is asked.
        dialogs.shown.clear();
        dialogs.answers = {kAnswerYes};
        view.drop_files({file("third.csv", "\"a,b\"\r\n"), file("fourth.csv", "\"a,b\"\r\n")}, QPoint(300, 300));
        QCOMPARE(chart.node_count(), 5);
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QVERIFY(quotes);
    }
};

TESSALY_REGISTER_TEST(ChartViewTest);

#include "chart_view_test.moc"
