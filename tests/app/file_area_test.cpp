#include <QAction>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <sys/stat.h>
#include <filesystem>

#include "fake_dialogs.h"
#include "filearea/file_area.h"
#include "filearea/preview_font.h"
#include "preview/preview_layout.h"
#include "test_registry.h"
#include "text/cp932.h"

using namespace tessaly;
using namespace tessaly::filearea;

namespace {

QByteArray sjis(const char* utf8) { return QByteArray::fromStdString(cp932::literal(utf8)); }

QByteArray lines(int count, const QByteArray& pattern = "%1,B%1,C%1") {
    QByteArray out;
    for (int n = 1; n <= count; ++n) out += QString::fromLatin1(pattern).arg(n).toLatin1() + "\r\n";
    return out;
}

bool is_red(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }
bool is_dark(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

}  // namespace

class FileAreaTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QTemporaryDir temporary_;  // the temporary folder the previews copy into
    QByteArray saved_tmpdir_;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path;
    }

    static int add(Chart& chart, const QString& path, int records) {
        add_node(chart, *cp932::from_utf8(path.toStdString()), {100, 100}, 1.0, kSourceNode, "node", records);
        return chart.node_count() - 1;
    }

    // Files the pane holds open in the temporary folder, which have no name
    // there (so that none outlives the program, however it ends).
    int temporary_files() const {
        const std::string folder = temporary_.path().toStdString() + "/";
        int n = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(fd.path(), ec).string().starts_with(folder)) ++n;
        }
        return n;
    }
    int named_temporary_files() const {
        return static_cast<int>(QDir(temporary_.path()).entryList(QDir::Files | QDir::Hidden).size());
    }

    // A shown pane whose viewport holds `rows` record rows under the ruler.
    static void size_for_rows(FileArea& area, int rows) {
        const int ch = area.metrics().char_height;
        area.resize(900, (rows + 1) * ch + ch / 2);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
    }

    static void wheel(FileArea& area, int angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(QPointF(50, 50), area.viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, angle),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(area.viewport(), &event);
    }

    // The pane point in the middle of byte column `column` of row `row`
    // (1-based), where the mouse finds that column.
    static QPoint cell(const FileArea& area, int column, int row) {
        const PreviewMetrics m = area.metrics();
        const int left = m.show_record_no ? (record_number_digits(m.total_records) + 1) * m.char_width : 0;
        const int top = m.show_ruler ? m.char_height : 0;
        return {left + column * m.char_width + 1 - area.horz_offset(),
                top + (row - 1) * m.char_height + m.char_height / 2};
    }

    std::string message(MessageId id) const { return std::string(message_text(id)); }

private slots:
    void initTestCase() {
        QFont::insertSubstitution(QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
        saved_tmpdir_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporary_.path().toLocal8Bit());
    }

    void cleanupTestCase() {
        if (saved_tmpdir_.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved_tmpdir_);
    }

    void a_double_byte_character_takes_exactly_two_cells_at_every_size() {
        for (int points = 8; points <= 16; ++points) {
            const QFont font = preview_font(preview_pixel_height(points, 96));
            const QFontMetrics m(font);
            const int cell = cell_width(font);
            QVERIFY2(QFontInfo(font).family() == QStringLiteral("IPAGothic"), qPrintable(QFontInfo(font).family()));
            QCOMPARE(m.horizontalAdvance(QString::fromUtf8("あ")), 2 * cell);
            QCOMPARE(m.horizontalAdvance(QString::fromUtf8("漢字")), 4 * cell);
            QCOMPARE(m.horizontalAdvance(QString::fromUtf8("ｱ")), cell);
            QCOMPARE(m.horizontalAdvance(QStringLiteral("1980/03/13")), 10 * cell);
        }
    }

    void loading_shows_the_file_through_a_private_copy() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        const QString source = file("members.csv", sjis("1,山田　太郎,1980\r\n2,佐藤 花子,1975\r\n3,ｻﾄｳ,1990\r\n"));
        const int node = add(chart, source, 3);
        const int other = add(chart, file("other.csv", lines(5)), 5);
        {
            FileArea area(chart, dialogs);
            QSignalSpy shown(&area, &FileArea::preview_changed);
            QSignalSpy started(&area, &FileArea::start_time_shown);
            QSignalSpy elapsed(&area, &FileArea::elapsed_time_shown);
            QVERIFY(area.load_preview(node));
            QVERIFY(dialogs.shown.empty());
            QCOMPARE(area.preview_node(), node);
            QCOMPARE(area.statistics().total_records, 3);
            QCOMPARE(area.rows().size(), size_t(3));
            QCOMPARE(area.rows()[0], cp932::literal("1,山田　太郎,1980"));
            QCOMPARE(shown.count(), 1);
            QVERIFY(started.at(0).at(0).toString().startsWith(QString::fromUtf8("開始時間 : ")));
            QCOMPARE(elapsed.at(0).at(0).toString(), QString::fromUtf8("処理時間 : 00:00:00"));
            QCOMPARE(temporary_files(), 2);
            QCOMPARE(named_temporary_files(), 0);

            // The node shown already: nothing to do.
            QVERIFY(area.load_preview(node));
            QCOMPARE(shown.count(), 1);
            // Another node: the previous copy goes.
            QVERIFY(area.load_preview(other, false));
            QCOMPARE(elapsed.count(), 1);
            QCOMPARE(area.preview_node(), other);
            QCOMPARE(temporary_files(), 2);

            QSignalSpy cleared(&area, &FileArea::cleared);
            area.clear_preview();
            QCOMPARE(cleared.count(), 1);
            QCOMPARE(area.preview_node(), -1);
            QCOMPARE(temporary_files(), 0);
            area.clear_preview();  // nothing shown: nothing happens
            QCOMPARE(cleared.count(), 1);

            QVERIFY(area.load_preview(node));
        }
        QCOMPARE(temporary_files(), 0);  // destroying the pane removes its files
        QFile check(source);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), sjis("1,山田　太郎,1980\r\n2,佐藤 花子,1975\r\n3,ｻﾄｳ,1990\r\n"));
    }

    // Held after its first block, a large file already shows its first rows
    // and lays the bar out for the count it is heading for; Ctrl+End waits
    // for the whole index. A refusal met late empties the pane with its
    // message.
    void a_large_file_shows_its_first_rows_before_the_rest_is_indexed() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 20);
        const int records = 200000;  // about 4.6 MB
        const QByteArray bytes = lines(records);
        auto hold = std::make_shared<LoadHold>(1 << 20);
        area.set_load_options({.foreground_bytes = 4 << 20, .hold = hold});
        QSignalSpy progress(&area, &FileArea::progress_moved);
        QSignalSpy elapsed(&area, &FileArea::elapsed_time_shown);
        const int node = add(chart, file("large.csv", bytes), records);
        QVERIFY(area.load_preview(node));
        QVERIFY(area.loading());
        QCOMPARE(area.rows().size(), size_t(20));
        QCOMPARE(area.rows().front(), std::string("1,B1,C1"));
        QVERIFY(area.statistics().total_records < records / 2);
        QVERIFY(area.metrics().total_records > records * 9 / 10);
        QCOMPARE(area.verticalScrollBar()->maximum(), 32767);
        QCOMPARE(elapsed.count(), 0);  // the load is not over
        // A green bar along the top of the ruler, about as long as the share loaded.
        auto loaded_bar = [&] {
            const QImage top = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            int green = 0;
            for (int x = 0; x < top.width(); ++x) green += top.pixel(x, 1) == qRgb(0, 255, 0);
            return green;
        };
        const int bar_length = loaded_bar();
        QVERIFY2(bar_length > area.viewport()->width() / 6 && bar_length < area.viewport()->width() / 3,
                 qPrintable(QString::number(bar_length)));
        QVERIFY(area.load_preview(node));  // asked again: it goes on
        QVERIFY(area.loading());

        hold->release();
        QTest::keyClick(&area, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!area.loading());
        QCOMPARE(area.statistics().total_records, records);
        QCOMPARE(area.top_record(), records - 20);
        QCOMPARE(area.rows().back(), std::string("200000,B200000,C200000"));
        QCOMPARE(area.verticalScrollBar()->value(), 32767);
        QCOMPARE(progress.last().at(0).toInt(), 0);
        QCOMPARE(elapsed.count(), 1);
        QVERIFY(loaded_bar() <= 1);  // only the record numbers' separator line
        QTest::keyClick(&area, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(area.top_record(), 0);

        hold = std::make_shared<LoadHold>(1 << 20);
        area.set_load_options({.foreground_bytes = 4 << 20, .hold = hold});
        const int late = add(chart, file("late.csv", bytes + QByteArray(4999, 'a') + "\r\n"), records + 1);
        QVERIFY(area.load_preview(late));
        QVERIFY(dialogs.shown.empty());
        hold->release();
        QVERIFY(!area.wait_until_loaded());
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QCOMPARE(dialogs.shown[0].text, message(MessageId::RecordTooLong));
        QCOMPARE(area.preview_node(), -1);
        QVERIFY(area.rows().empty());
        QCOMPARE(temporary_files(), 0);
    }

    // Another file, the pane cleared, a cross starting or the pane destroyed
    // while a load runs: the worker stops and its files go with it.
    void a_load_in_the_background_stops_with_the_pane() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        const QByteArray bytes = lines(200000);
        const int first = add(chart, file("first.csv", bytes), 200000);
        const int second = add(chart, file("second.csv", bytes), 200000);
        const LoadOptions held{.foreground_bytes = 4 << 20, .hold = std::make_shared<LoadHold>(1 << 20)};
        {
            FileArea area(chart, dialogs);
            area.set_load_options(held);
            QVERIFY(area.load_preview(first));
            QVERIFY(area.load_preview(second));
            QVERIFY(area.loading());
            QCOMPARE(temporary_files(), 2);
            area.clear_preview();
            QCOMPARE(temporary_files(), 0);
            QVERIFY(area.load_preview(first));
            area.stop_loading();
            QCOMPARE(area.preview_node(), -1);
            QCOMPARE(temporary_files(), 0);
            QVERIFY(area.load_preview(second));
        }
        QCOMPARE(temporary_files(), 0);
        QVERIFY(dialogs.shown.empty());
    }

    void every_refusal_names_its_reason_and_leaves_the_pane_empty() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        const int good = add(chart, file("good.csv", lines(3)), 3);

        struct Case {
            const char* name;
            QByteArray bytes;
            MessageId message_id;  // None: shown
        };
        const QByteArray wide_4998 = QByteArray(4998, 'a') + "\r\n";
        const Case cases[] = {
            {"nul.csv", QByteArray("ab\0cd\r\n", 7), MessageId::NotAText},
            {"one-line.csv", QByteArray(6000, 'a'), MessageId::NoLineBreak},
            {"4998.csv", "x\r\n" + wide_4998, MessageId::None},
            {"4999.csv", "x\r\n" + QByteArray(4999, 'a') + "\r\n", MessageId::RecordTooLong},
            {"1999-commas.csv", "x\r\n" + QByteArray(1999, ',') + "\r\n", MessageId::None},
            {"2000-commas.csv", "x\r\n" + QByteArray(2000, ',') + "\r\n", MessageId::TooManyFields},
        };
        for (const Case& c : cases) {
            QVERIFY(area.load_preview(good));
            dialogs.shown.clear();
            const int node = add(chart, file(c.name, c.bytes), 2);
            const bool loaded = area.load_preview(node);
            QCOMPARE(loaded, c.message_id == MessageId::None);
            if (loaded) {
                QVERIFY(dialogs.shown.empty());
                continue;
            }
            QCOMPARE(dialogs.shown.size(), size_t(1));
            QCOMPARE(dialogs.shown[0].text, message(c.message_id));
            QCOMPARE(dialogs.shown[0].style, MessageStyle::Stop);
            QCOMPARE(area.preview_node(), -1);
            QVERIFY(area.rows().empty());
            QCOMPARE(temporary_files(), 0);
            // Nothing is left standing for the node: asking again asks again.
            QVERIFY(!area.load_preview(node));
            QCOMPARE(dialogs.shown.size(), size_t(2));
        }

        // A missing file is reported with its path; what was shown stays.
        QVERIFY(area.load_preview(good));
        dialogs.shown.clear();
        const int missing = add(chart, dir_.filePath("missing.csv"), 4);
        QVERIFY(!area.load_preview(missing));
        QCOMPARE(dialogs.shown[0].text,
                 dir_.filePath("missing.csv").toStdString() + "\n" + message(MessageId::FileNotFound));
        QCOMPARE(area.preview_node(), good);

        // No records: whatever was shown goes, and the count is reported.
        const int empty = add(chart, file("empty.csv", "a\r\n"), 0);
        QVERIFY(!area.load_preview(empty));
        QCOMPARE(dialogs.shown.back().text, message(MessageId::NoHits));
        QCOMPARE(dialogs.shown.back().style, MessageStyle::Information);
        QCOMPARE(area.preview_node(), -1);
    }

    void a_read_only_source_is_made_writable_only_when_the_user_agrees() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        const QString path = file("locked.csv", lines(3));
        QVERIFY(::chmod(path.toLocal8Bit().constData(), 0444) == 0);
        const int node = add(chart, path, 3);

        dialogs.answers = {kAnswerNo};
        QVERIFY(!area.load_preview(node));
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QCOMPARE(dialogs.shown[0].text, path.toStdString() + "\n" + message(MessageId::AskClearReadOnly));
        QCOMPARE(dialogs.shown[0].style, MessageStyle::Question);
        QCOMPARE(area.preview_node(), -1);
        QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, QFile::Permissions());

        dialogs.answers = {kAnswerYes};
        QVERIFY(area.load_preview(node));
        QCOMPARE(dialogs.shown.size(), size_t(2));
        QVERIFY(QFileInfo(path).permissions() & QFile::WriteOwner);
        QCOMPARE(area.preview_node(), node);
    }

    void scroll_ranges_follow_the_records_and_the_rows() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 40);

        // Three records in forty rows: no bar, and the wheel does nothing.
        QVERIFY(area.load_preview(add(chart, file("three.csv", lines(3)), 3)));
        QCoreApplication::processEvents();
        QCOMPARE(area.visible_rows(), 40);
        QCOMPARE(area.verticalScrollBar()->maximum(), 0);
        QVERIFY(!area.verticalScrollBar()->isVisible());
        QVERIFY(!area.horizontalScrollBar()->isVisible());
        wheel(area, -120);
        QCOMPARE(area.top_record(), 0);

        // 100,000 records: the thumb has 32,767 positions for the span, and
        // its end shows the last rows.
        QVERIFY(area.load_preview(add(chart, file("many.csv", lines(100000)), 100000)));
        QCoreApplication::processEvents();  // the bars show once the area has laid itself out
        QScrollBar* bar = area.verticalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), 32767);
        const int rows = area.visible_rows();
        bar->setSliderPosition(32767);  // as a drag of the thumb to its end
        QCOMPARE(area.top_record(), 100000 - rows);
        QCOMPARE(area.rows().back(), std::string("100000,B100000,C100000"));
        QCOMPARE(bar->value(), 32767);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(area.top_record(), 0);
        QCOMPARE(bar->value(), 0);
        bar->setSliderPosition(16384);
        QCOMPARE(area.top_record(), static_cast<std::int64_t>(16384.0 / 32767 * (100000 - rows)));
        const std::int64_t middle = area.top_record();
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(area.top_record(), middle + 1);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(area.top_record(), middle + 1 + rows);
        QCOMPARE(area.rows().front(), QString("%1,B%1,C%1").arg(middle + 2 + rows).toStdString());
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(area.top_record(), 100000 - rows);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // stops at the last position
        QCOMPARE(area.top_record(), 100000 - rows);

        // The wheel: a notch towards the user goes down one record, with
        // Shift a screen of them.
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        wheel(area, -120);
        QCOMPARE(area.top_record(), 1);
        wheel(area, -120, Qt::ShiftModifier);
        QCOMPARE(area.top_record(), 1 + rows);
        wheel(area, 240);
        QCOMPARE(area.top_record(), rows - 1);

        // Record numbers of six digits: the text starts seven widths and 3
        // pixels in; without them, 3 pixels.
        const PreviewMetrics m = area.metrics();
        QCOMPARE(text_left(m), 7 * m.char_width + 3);
        chart.display.show_record_no = 0;
        area.display_changed();
        QCOMPARE(text_left(area.metrics()), 3);
        // Without the ruler, one row more.
        chart.display.show_ruler = 0;
        area.display_changed();
        QCOMPARE(area.visible_rows(), rows + 1);
    }

    void a_record_wider_than_the_pane_scrolls_sideways() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 10);
        QVERIFY(area.load_preview(add(chart, file("wide.csv", "a," + QByteArray(400, 'b') + ",c\r\n"), 1)));
        QCoreApplication::processEvents();
        const PreviewMetrics m = area.metrics();
        QScrollBar* bar = area.horizontalScrollBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->maximum(), static_cast<int>(content_width(m)) - area.viewport()->width());
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(area.horz_offset(), m.char_width);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(area.horz_offset(), 5 * m.char_width);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(area.horz_offset(), bar->maximum());
        // The last field is under the pointer at the right end.
        QCOMPARE(area.field_at(cell(area, 403, 1)), 2);
    }

    void ctrl_wheel_changes_the_font_size_within_8_to_16() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 20);
        QSignalSpy sized(&area, &FileArea::preview_font_size_changed);
        wheel(area, 120, Qt::ControlModifier);  // nothing shown: nothing happens
        QCOMPARE(chart.display.preview_font_size, 12);

        QVERIFY(area.load_preview(add(chart, file("font.csv", lines(3)), 3)));
        const int height_at_12 = area.metrics().char_height;
        wheel(area, 120, Qt::ControlModifier);
        QCOMPARE(chart.display.preview_font_size, 13);
        QCOMPARE(sized.count(), 1);
        QCOMPARE(sized.at(0).at(0).toInt(), 13);
        QVERIFY(area.metrics().char_height > height_at_12);

        chart.display.preview_font_size = 16;
        area.display_changed();
        wheel(area, 120, Qt::ControlModifier);
        QCOMPARE(chart.display.preview_font_size, 16);
        chart.display.preview_font_size = 8;
        area.display_changed();
        wheel(area, -120, Qt::ControlModifier);
        QCOMPARE(chart.display.preview_font_size, 8);
        QCOMPARE(sized.count(), 1);
        QCOMPARE(area.top_record(), 0);  // Ctrl + wheel does not scroll
    }

    void the_mouse_finds_fields_and_key_samples() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 20);
        QCOMPARE(area.field_at({50, 50}), -1);  // nothing shown
        QCOMPARE(area.make_key_sample(50), std::string());
        const int node = add(chart, file("fields.csv", sjis("19,80,東京,x\r\n\r\nAA,BB\r\n")), 3);
        QVERIFY(area.load_preview(node));

        // Exactly on the comma between the first and second field: field 1.
        QCOMPARE(area.field_at(cell(area, 2, 1)), 1);
        QCOMPARE(area.field_at(cell(area, 1, 1)), 0);
        QCOMPARE(area.field_at(cell(area, 6, 1)), 2);                 // on the second byte of 東
        QCOMPARE(area.field_at(cell(area, 40, 1)), 3);                // right of the text: the last field
        QCOMPARE(area.field_at(QPoint(1, cell(area, 0, 1).y())), 0);  // left of the text: field 0
        QCOMPARE(area.field_at(cell(area, 0, 2)), -1);                // an empty record
        QCOMPARE(area.field_at(cell(area, 1, 3)), 0);
        QCOMPARE(area.field_at(cell(area, 0, 4)), -1);  // below the last record
        // The ruler band, below its top pixel row, is the first record.
        QCOMPARE(area.field_at(QPoint(cell(area, 3, 1).x(), 1)), 1);
        QCOMPARE(area.field_at(QPoint(cell(area, 3, 1).x(), 0)), -1);

        NodeRecord& n = chart.nodes[static_cast<std::size_t>(node)];
        n.key_first = 0;
        n.key_last = 1;
        QCOMPARE(area.make_key_sample(cell(area, 0, 1).y()), std::string("1980"));
        QCOMPARE(area.make_key_sample(1), std::string("1980"));
        QCOMPARE(area.make_key_sample(0), std::string("1980"));  // at least the first row
        QCOMPARE(area.make_key_sample(cell(area, 0, 2).y()), std::string());
        QCOMPARE(area.make_key_sample(cell(area, 0, 3).y()), std::string("AABB"));
        QCOMPARE(area.make_key_sample(cell(area, 0, 9).y()), std::string());

        // A click below the last record changes nothing.
        QTest::mouseClick(area.viewport(), Qt::LeftButton, Qt::NoModifier, cell(area, 1, 6));
        QCOMPARE(n.key_first, 0);
        QCOMPARE(n.key_last, 1);
    }

    void the_arrow_keys_move_the_ends_of_the_key() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 20);
        const int node = add(chart, file("abc.csv", "A,B,C\r\nD,E,F\r\n"), 2);
        NodeRecord& n = chart.nodes[static_cast<std::size_t>(node)];
        n.rect = Rect{10, 10, 50, 30};
        QTest::keyClick(&area, Qt::Key_Right);  // nothing shown: nothing changes
        QCOMPARE(n.key_last, -1);
        QVERIFY(area.load_preview(node));
        QSignalSpy changed(&area, &FileArea::key_changed);

        // An unset key: → marks field 0 and samples it; Ctrl + → sets the left end.
        QTest::keyClick(&area, Qt::Key_Right);
        QCOMPARE(n.key_first, -1);
        QCOMPARE(n.key_last, 0);
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view("A"));
        QVERIFY(!n.has_key());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), node);
        QCOMPARE(n.rect, (Rect{30, 20, 30, 20}));  // the node measures its new text anew
        QTest::keyClick(&area, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(n.key_first, 0);
        QVERIFY(n.has_key());

        QTest::keyClick(&area, Qt::Key_Right);
        QTest::keyClick(&area, Qt::Key_Right);
        QCOMPARE(n.key_last, 2);
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view("ABC"));
        const int before = changed.count();
        QTest::keyClick(&area, Qt::Key_Right);  // the widest record has 3 fields
        QCOMPARE(n.key_last, 2);
        QCOMPARE(changed.count(), before);

        QTest::keyClick(&area, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(n.key_first, 1);
        QTest::keyClick(&area, Qt::Key_Left);
        QCOMPARE(n.key_last, 1);
        QTest::keyClick(&area, Qt::Key_Left);  // the key is one field: no change
        QCOMPARE(n.key_last, 1);
        QTest::keyClick(&area, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(n.key_first, 0);
        QCOMPARE(n.key_last, 1);
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view("AB"));

        // Without the key sample on the chart, the node keeps its box.
        chart.display.show_key_sample = 0;
        n.rect = Rect{10, 10, 50, 30};
        QTest::keyClick(&area, Qt::Key_Right);
        QCOMPARE(n.rect, (Rect{10, 10, 50, 30}));
    }

    void dragging_across_fields_marks_the_key() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 20);
        const int node = add(chart, file("drag.csv", "f0,f1,f2,f3,f4,f5,f6\r\ng0,g1,g2,g3,g4,g5,g6\r\nshort\r\n"), 3);
        NodeRecord& n = chart.nodes[static_cast<std::size_t>(node)];
        QVERIFY(area.load_preview(node));
        QSignalSpy changed(&area, &FileArea::key_changed);
        QWidget* pane = area.viewport();

        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 9, 1));  // f3
        QCOMPARE(n.key_first, 3);
        QCOMPARE(n.key_last, 3);
        QTest::mouseMove(pane, cell(area, 15, 1));  // f5
        QCOMPARE(n.key_last, 5);
        QTest::mouseMove(pane, cell(area, 3, 2));  // g1: left of the start
        QCOMPARE(n.key_first, 1);
        QCOMPARE(n.key_last, 5);
        QTest::mouseMove(pane, cell(area, 6, 2));  // g2: between the ends
        QCOMPARE(n.key_first, 1);
        QCOMPARE(n.key_last, 2);
        QCOMPARE(changed.count(), 0);  // the sample waits for the release
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 6, 2));
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view("g1g2"));
        QCOMPARE(changed.count(), 1);

        // A drag that ends below the records takes the sample from the last
        // record it reached, not an empty one.
        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 0, 1));
        QTest::mouseMove(pane, cell(area, 3, 1));
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 3, 8));
        QCOMPARE(n.key_first, 0);
        QCOMPARE(n.key_last, 1);
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view("f0f1"));

        // A press beside every record starts no drag.
        QTest::mousePress(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 0, 9));
        QTest::mouseMove(pane, cell(area, 12, 1));
        QTest::mouseRelease(pane, Qt::LeftButton, Qt::NoModifier, cell(area, 12, 1));
        QCOMPARE(n.key_first, 0);
        QCOMPARE(n.key_last, 1);
        QCOMPARE(changed.count(), 2);
    }

    void key_fields_are_painted_red_and_japanese_renders() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 10);
        const QByteArray record = sjis("10000001,山田　太郎,1980/03/13,ﾔﾏﾀﾞ ﾀﾛｳ");
        const int node = add(chart, file("paint.csv", record + "\r\n" + record + "\r\n"), 2);
        NodeRecord& n = chart.nodes[static_cast<std::size_t>(node)];
        n.key_first = 1;
        n.key_last = 1;
        QVERIFY(area.load_preview(node));

        const QImage image = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const PreviewMetrics m = area.metrics();
        const int x0 = text_left(m);
        const int top = text_top(m);
        // Byte columns: 10000001 is 0-7, the comma 8, the name 9-18 and its
        // comma 19, the date 20-29, its comma 30, the kana 31-38.
        auto count = [&](int from_column, int to_column, bool (*test)(QRgb)) {
            int found = 0;
            for (int y = top; y < top + m.char_height; ++y) {
                for (int x = x0 + from_column * m.char_width; x < x0 + to_column * m.char_width; ++x) {
                    found += test(image.pixel(x, y));
                }
            }
            return found;
        };
        QVERIFY(count(9, 19, is_red) > 40);  // the kanji of the key field
        QVERIFY(count(19, 20, is_red) > 0);  // and its comma
        QCOMPARE(count(0, 9, is_red), 0);
        QCOMPARE(count(20, 40, is_red), 0);
        QVERIFY(count(0, 8, is_dark) > 10);
        QVERIFY(count(20, 30, is_dark) > 10);
        QVERIFY(count(31, 39, is_dark) > 10);  // half-width katakana
        QCOMPARE(count(39, 60, is_dark), 0);

        // An unset key paints every field black; the background follows the tint.
        n.key_first = n.key_last = -1;
        area.set_tinted(true);
        const QImage plain = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int red = 0;
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 0; x < plain.width(); ++x) red += is_red(plain.pixel(x, y));
        }
        QCOMPARE(red, 0);
        QCOMPARE(plain.pixel(plain.width() - 2, plain.height() - 2), qRgb(191, 209, 234));
        area.set_tinted(false);
        const QImage white = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(white.pixel(white.width() - 2, white.height() - 2), qRgb(255, 255, 255));
        if (const QByteArray folder = qgetenv("TESSALY_SNAPSHOT_DIR"); !folder.isEmpty()) {
            image.save(QDir(QString::fromLocal8Bit(folder)).filePath("file-area.png"));
        }
    }

    // Under the quote option the key's fields are the quoted ones: for the
    // mouse, the arrow keys, the sample and the red paint alike.
    void a_quoted_line_is_marked_as_the_quote_option_splits_it() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        bool quotes = true;
        area.set_quote_option([&] { return quotes; });
        size_for_rows(area, 10);
        // Byte columns: 1 is 0, its comma 1, the quoted field 2-16, its comma 17, x 18.
        const int node = add(chart, file("quoted.csv", sjis("1,\"山田,\"\"太郎\"\"\",x\r\n")), 1);
        NodeRecord& n = chart.nodes[static_cast<std::size_t>(node)];
        QVERIFY(area.load_preview(node));
        QCOMPARE(area.field_at(cell(area, 7, 1)), 1);  // the comma inside the quotes
        QCOMPARE(area.field_at(cell(area, 16, 1)), 1);
        QCOMPARE(area.field_at(cell(area, 17, 1)), 2);
        QCOMPARE(area.field_at(cell(area, 40, 1)), 2);

        QTest::mouseClick(area.viewport(), Qt::LeftButton, Qt::NoModifier, cell(area, 10, 1));
        QCOMPARE(n.key_first, 1);
        QCOMPARE(n.key_last, 1);
        QCOMPARE(cp932::field_text(n.key_sample), std::string_view(cp932::literal("山田,\"太郎\"")));
        QTest::keyClick(&area, Qt::Key_Right);
        QTest::keyClick(&area, Qt::Key_Right);  // three fields as quoted, not four
        QCOMPARE(n.key_last, 2);

        n.key_last = 1;
        const QImage image = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const PreviewMetrics m = area.metrics();
        auto red_in = [&](int from_column, int to_column) {
            int found = 0;
            for (int y = text_top(m); y < text_top(m) + m.char_height; ++y)
                for (int x = text_left(m) + from_column * m.char_width; x < text_left(m) + to_column * m.char_width;
                     ++x)
                    found += is_red(image.pixel(x, y));
            return found;
        };
        QVERIFY(red_in(2, 18) > 40);
        QCOMPARE(red_in(0, 2), 0);
        QCOMPARE(red_in(18, 30), 0);

        // Without the option the same line splits at every comma.
        quotes = false;
        QCOMPARE(area.field_at(cell(area, 10, 1)), 2);
        QCOMPARE(area.make_key_sample(cell(area, 0, 1).y()), cp932::literal("\"山田"));
    }

    void the_pointer_over_a_shown_file_takes_the_focus() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        area.resize(400, 300);
        area.show();
        area.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&area));
        area.clearFocus();
        QSignalSpy activated(&area, &FileArea::activated);
        auto hover = [&](QPoint at) {
            QMouseEvent move(QEvent::MouseMove, at, area.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(area.viewport(), &move);
        };
        hover({40, 40});
        QCOMPARE(activated.count(), 0);  // nothing shown
        QVERIFY(!area.hasFocus());
        QVERIFY(area.load_preview(add(chart, file("focus.csv", lines(3)), 3)));
        hover({50, 50});
        QCOMPARE(activated.count(), 1);
        QVERIFY(area.hasFocus());
        hover({60, 60});
        QCOMPARE(activated.count(), 1);
    }

    void the_context_menu_and_its_commands() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 10);
        QVERIFY(!area.make_context_menu());  // only while a file is shown
        QVERIFY(area.load_preview(add(chart, file("menu.csv", lines(3)), 3)));
        chart.display.show_record_no = 0;
        area.display_changed();

        std::unique_ptr<QMenu> menu = area.make_context_menu();
        QStringList texts;
        QList<CommandId> ids;
        for (QAction* a : menu->actions()) {
            texts << a->text();
            ids << static_cast<CommandId>(a->data().toInt());
        }
        QCOMPARE(texts,
                 (QStringList{
                     QString::fromUtf8("桁目盛りの表示(&K)"), QString::fromUtf8("レコード№の表示(&R)"),
                     QString::fromUtf8("Ｅｘｃｅｌで開く(&X)"), QString::fromUtf8("名前を付けてファイルにコピー(&S)"),
                     QString::fromUtf8("ビューのクリア(&C)"), QString::fromUtf8("クロスキーセット方法説明(&H)")}));
        QCOMPARE(ids, (QList<CommandId>{CommandId::ShowRuler, CommandId::ShowRecordNo, CommandId::OpenInExcel,
                                        CommandId::CopyToFile, CommandId::ClearPreview, CommandId::KeyHelp}));
        QVERIFY(menu->actions()[0]->isChecked());
        QVERIFY(!menu->actions()[1]->isChecked());
        QVERIFY(!menu->actions()[2]->isEnabled());  // no one to carry it out

        // Without the main window the pane flips the switch itself.
        const int rows = area.visible_rows();
        menu->actions()[0]->trigger();
        QCOMPARE(chart.display.show_ruler, 0);
        QCOMPARE(area.visible_rows(), rows + 1);

        // With it, the main window's command runs.
        QAction excel;
        QAction ruler;
        QSignalSpy opened(&excel, &QAction::triggered);
        QObject::connect(&ruler, &QAction::triggered, [&] { chart.display.show_ruler ^= 1; });
        area.set_command_provider([&](CommandId id) -> QAction* {
            if (id == CommandId::OpenInExcel) return &excel;
            if (id == CommandId::ShowRuler) return &ruler;
            return nullptr;
        });
        menu = area.make_context_menu();
        QVERIFY(menu->actions()[2]->isEnabled());
        menu->actions()[2]->trigger();
        QCOMPARE(opened.count(), 1);
        menu->actions()[0]->trigger();
        QCOMPARE(chart.display.show_ruler, 1);
        QCOMPARE(area.visible_rows(), rows);

        menu->actions()[4]->trigger();
        QCOMPARE(area.preview_node(), -1);
        QCOMPARE(temporary_files(), 0);
    }

    // A node whose file is no cp932 text (an old chart, a file swapped
    // since) is shown, but not without saying why it reads as garbage.
    void a_file_in_another_encoding_is_shown_with_a_word() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        size_for_rows(area, 10);
        const QString utf8 = file("utf8.csv", "1,山田太郎\r\n2,佐藤花子\r\n");
        QVERIFY(area.load_preview(add(chart, utf8, 2)));
        QCOMPARE(dialogs.shown.size(), size_t(1));
        QVERIFY(dialogs.shown[0].text.starts_with(utf8.toStdString() + "\n文字コード: UTF-8\n"));
        QCOMPARE(dialogs.shown[0].style, MessageStyle::Information);
        QVERIFY(area.load_preview(add(chart, file("sjis.csv", lines(2)), 2)));
        QCOMPARE(dialogs.shown.size(), size_t(1));
    }

    void removing_nodes_keeps_the_shown_one_or_closes_it() {
        Chart chart;
        chart.reset(1024, 768);
        FakeDialogs dialogs;
        FileArea area(chart, dialogs);
        add(chart, file("r0.csv", lines(2)), 2);
        add(chart, file("r1.csv", lines(2)), 2);
        const int shown = add(chart, file("r2.csv", lines(2)), 2);
        QVERIFY(area.load_preview(shown));
        QSignalSpy previewed(&area, &FileArea::preview_changed);
        remove_node(chart, 0);
        area.node_removed(0);
        QCOMPARE(area.preview_node(), 1);
        QCOMPARE(previewed.last().at(0).toInt(), 1);  // the chart's bold title moves along
        remove_node(chart, 1);
        area.node_removed(1);
        QCOMPARE(area.preview_node(), -1);
        QCOMPARE(temporary_files(), 0);
    }
};

TESSALY_REGISTER_TEST(FileAreaTest);

#include "file_area_test.moc"
