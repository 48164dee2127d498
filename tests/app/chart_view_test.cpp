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
};

TESSALY_REGISTER_TEST(ChartViewTest);

#include "chart_view_test.moc"
