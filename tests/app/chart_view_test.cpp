#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "text/cp932.h"
#include "chart_view.h"
#include "fake_dialogs.h"
#include "test_registry.h"

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
        QCOMPARE(chart.nodes[0].rect.left, 100);
        QCOMPARE(chart.nodes[1].rect.top, 100);
        QCOMPARE(chart.nodes[0].record_count, 2);
        QCOMPARE(modified.count(), 1);
        QVERIFY(dialogs.shown.empty());

        view.drop_files({file("a.csv", "1\r\n2\r\n")}, QPoint(0, 0));
        QCOMPARE(dialogs.shown.back().text, dir_.filePath("a.csv").toStdString() + "\nこのファイルは既にセットされています");
    }

    void one_file_that_is_not_text_stops_the_whole_drop() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        const QString binary = file("bin.dat", QByteArray("ab\0cd\n", 6));
        view.drop_files({file("c.csv", "x\n"), binary}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 0);
        QCOMPARE(dialogs.shown.size(), size_t(2));
        QCOMPARE(dialogs.shown[0].text, std::string("テキストファイル以外のファイルは処理できません"));
        QCOMPARE(dialogs.shown[1].text, binary.toStdString() + "\n処理を中止します");
    }

    // The route through the file dialog refuses a binary file as a drop does,
    // naming it; an empty list may still be chosen.
    void a_chosen_binary_file_is_refused_by_name() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        const QString binary = file("photo.jpg", QByteArray("\xFF\xD8\x00\x10JFIF\n", 9));
        view.place_chosen_files({file("d.csv", "x\n"), binary});
        QCOMPARE(chart.node_count(), 0);
        QCOMPARE(dialogs.shown.back().text, binary.toStdString() + "\n処理を中止します");
        view.place_chosen_files({file("empty.csv", "")});
        QCOMPARE(chart.node_count(), 1);
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
        for (QChar c : QString::fromUtf8(members)) utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        dialogs.answers = {kAnswerYes};
        view.place_chosen_files({file("utf16.csv", utf16)});  // its NULs are no sign of a binary file
        QCOMPARE(chart.node_count(), 2);

        dialogs.answers = {kAnswerYes};
        view.drop_files({file("emoji.csv", "1,山田\n2,\xF0\x9F\x98\x80\n")}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 2);
        QVERIFY(dialogs.shown.back().text.find("2行目: \xF0\x9F\x98\x80\n") != std::string::npos);
        QVERIFY(!QFile::exists(dir_.filePath("emoji.sjis.csv")));
    }

    // Quoted fields with commas inside are split there: said once, placed all the same.
    void quoted_commas_are_warned_of_once() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        ChartView view(chart, dialogs);
        const QString quoted = file("quoted.csv", QByteArray::fromStdString(cp932::literal("1,\"山田,太郎\"\r\n")));
        view.drop_files({quoted, file("plain.csv", "1,x\r\n")}, QPoint(10, 10));
        QCOMPARE(chart.node_count(), 2);
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QVERIFY(dialogs.shown[0].text.starts_with(quoted.toStdString() + "\nダブルクォートで囲まれた項目の中にカンマがあります"));
    }
};

TESSALY_REGISTER_TEST(ChartViewTest);

#include "chart_view_test.moc"
