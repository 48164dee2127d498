#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QPrinterInfo>
#include "fake_dialogs.h"
#include "print/print_job.h"
#include "print/printer_device.h"
#include "print_fixtures.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::print;
using print_fixtures::near;
using print_fixtures::PdfPages;

namespace {

const QColor kNodeFill(234, 234, 180);
const QColor kTint(191, 209, 234);
const QColor kFrame(72, 94, 123);

// At 96 dpi one printer pixel is one chart pixel, and the A4 sheet is
// 793 × 1123 printer pixels: margins 25 and 10 mm are 94 and 37 pixels, the
// print area 662 × 992 from (94, 94).
constexpr int kX0 = 94;
constexpr int kY0 = 94;
constexpr int kW = 662;
constexpr int kH = 992;

}  // namespace

// Printing to PDF files and reading them back.
class PrintJobTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FakeDialogs dialogs_;

    static PrinterSettings pdf_printer(int dpi = 96) {
        PrinterSettings settings;
        settings.pdf_resolution = dpi;
        return settings;
    }

    // The 3 × 2 grid of a 1,920 × 1,080 chart on A4 with margins 25/10/25/10.
    static PrintRequest request(PrintRange range = PrintRange::All) {
        PrintRequest r;
        r.range = range;
        r.grid = {3, 2};
        r.range_from = 1;
        r.range_to = 6;
        r.screen_dpi_x = 96;
        return r;
    }

    // Node boxes: one on page 1, one at column 1 row 1 (page 5) and one at
    // column 0 row 1 (page 4).
    static Chart full_hd_chart() {
        return print_fixtures::chart_with_boxes(1920, 1080,
                                                {{100, 100, 300, 180}, {700, 1000, 900, 1060}, {100, 1000, 300, 1060}});
    }

    PrintOutcome print(Chart& chart, PrintRequest r, const QString& name, int dpi = 96) {
        r.pdf_file = dir_.filePath(name);
        return print_chart(pdf_printer(dpi), chart, r, dialogs_);
    }

private slots:
    void init() { dialogs_ = FakeDialogs(); }

    void all_pages_print_the_whole_grid_on_a4() {
        Chart chart = full_hd_chart();
        const PrintOutcome outcome = print(chart, request(), "all.pdf");
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.pages, 6);
        QCOMPARE(outcome.last_page, 6);
        PdfPages pdf(dir_.filePath("all.pdf"));
        QVERIFY(pdf.loaded());
        QCOMPARE(pdf.count(), 6);
        for (int page = 0; page < 6; ++page) QCOMPARE(pdf.size(page).toSize(), QSize(595, 842));
        QVERIFY(dialogs_.shown.empty());
    }

    void each_node_lands_on_its_page_where_the_layout_puts_it() {
        Chart chart = full_hd_chart();
        print(chart, request(), "nodes.pdf");
        PdfPages pdf(dir_.filePath("nodes.pdf"));
        QCOMPARE(pdf.count(), 6);
        // Page 1: the first node at its chart place from the area's corner.
        const QImage first = pdf.picture(0);
        QVERIFY(near(first.pixelColor(kX0 + 100 + 4, kY0 + 100 + 4), kNodeFill));
        QVERIFY(near(first.pixelColor(kX0 + 100 - 4, kY0 + 100 + 4), Qt::white));  // the canvas, untinted
        QVERIFY(near(first.pixelColor(kX0 - 4, kY0 + 4), Qt::white));              // the margin
        // Page 5 (column 1, row 1): the second node, 662 and 992 pixels on.
        const QImage fifth = pdf.picture(4);
        QVERIFY(near(fifth.pixelColor(kX0 + 700 - kW + 4, kY0 + 1000 - kH + 4), kNodeFill));
        // Page 4 (column 0, row 1): the third node.
        const QImage fourth = pdf.picture(3);
        QVERIFY(near(fourth.pixelColor(kX0 + 100 + 4, kY0 + 1000 - kH + 4), kNodeFill));
        // Page 4 ends with the chart's bottom edge, 88 pixels down; below it
        // nothing is drawn.
        QVERIFY(near(fourth.pixelColor(kX0 + 400, kY0 + 1080 - kH + 10), Qt::white));
    }

    void the_current_page_prints_alone() {
        Chart chart = full_hd_chart();
        PrintRequest r = request(PrintRange::Current);
        r.current_page = 4;
        const PrintOutcome outcome = print(chart, r, "current.pdf");
        QCOMPARE(outcome.pages, 1);
        QCOMPARE(outcome.last_page, 4);
        PdfPages pdf(dir_.filePath("current.pdf"));
        QCOMPARE(pdf.count(), 1);
        QVERIFY(near(pdf.picture(0).pixelColor(kX0 + 100 + 4, kY0 + 1000 - kH + 4), kNodeFill));
    }

    void a_page_range_prints_its_pages_and_a_reversed_one_none() {
        Chart chart = full_hd_chart();
        PrintRequest r = request(PrintRange::Pages);
        r.range_from = 2;
        r.range_to = 3;
        QCOMPARE(print(chart, r, "two.pdf").pages, 2);
        QCOMPARE(PdfPages(dir_.filePath("two.pdf")).count(), 2);

        r.range_from = 3;
        r.range_to = 2;
        const PrintOutcome none = print(chart, r, "none.pdf");
        QVERIFY(none.ok);
        QCOMPARE(none.pages, 0);
        QVERIFY(!QFile::exists(dir_.filePath("none.pdf")));
    }

    void everything_on_one_page_is_one_framed_page_whatever_the_range() {
        Chart chart = full_hd_chart();
        PrintRequest r = request(PrintRange::Pages);
        r.range_from = 1;
        r.range_to = 5;
        r.all_on_one = true;
        const PrintOutcome outcome = print(chart, r, "one.pdf");
        QCOMPARE(outcome.pages, 1);
        PdfPages pdf(dir_.filePath("one.pdf"));
        QCOMPARE(pdf.count(), 1);
        const QImage page = pdf.picture(0);
        // 1,920 × 1,080 shrunk to 662 × 372, centred down the area: y0 404.
        const int top = kY0 + 310;
        const int bottom = top + 372 - 1;
        const int right = kX0 + kW - 1;
        QVERIFY(near(page.pixelColor(kX0, top + 100), kFrame));
        QVERIFY(near(page.pixelColor(right, top + 100), kFrame));
        QVERIFY(near(page.pixelColor(kX0 + 300, top), kFrame));
        QVERIFY(near(page.pixelColor(kX0 + 300, bottom), kFrame));
        QVERIFY(near(page.pixelColor(kX0 + 300, top - 3), Qt::white));
        QVERIFY(near(page.pixelColor(kX0 - 3, top + 100), Qt::white));
        // The first node, shrunk by 662 ÷ 1,920: its box starts at 34, 34.
        QVERIFY(near(page.pixelColor(kX0 + 34 + 3, top + 34 + 3), kNodeFill));
    }

    void pages_beyond_the_chart_come_out_blank() {
        // Exactly one print area wide: two pages across, the second blank.
        Chart chart = print_fixtures::chart_with_boxes(kW, 300, {{10, 10, 200, 80}});
        PrintRequest r = request();
        r.grid = {2, 1};
        QCOMPARE(print(chart, r, "blank.pdf").pages, 2);
        PdfPages pdf(dir_.filePath("blank.pdf"));
        QCOMPARE(pdf.count(), 2);
        const QImage second = pdf.picture(1);
        for (int y = 0; y < second.height(); y += 7)
            for (int x = 0; x < second.width(); x += 7) QVERIFY(near(second.pixelColor(x, y), Qt::white));
    }

    void the_canvas_has_the_tint_of_the_active_chart_area() {
        Chart chart = full_hd_chart();
        PrintRequest r = request(PrintRange::Current);
        r.current_page = 1;
        r.look.tint = true;
        print(chart, r, "tint.pdf");
        const QImage page = PdfPages(dir_.filePath("tint.pdf")).picture(0);
        QVERIFY(near(page.pixelColor(kX0 + 400, kY0 + 400), kTint));
        QVERIFY(near(page.pixelColor(kX0 + 100 + 4, kY0 + 100 + 4), kNodeFill));
        QVERIFY(near(page.pixelColor(kX0 - 4, kY0 + 400), Qt::white));
    }

    void at_600_dpi_the_pages_are_the_same() {
        Chart chart = full_hd_chart();
        PrintRequest r = request(PrintRange::Current);
        r.current_page = 5;
        print(chart, r, "fine.pdf", 600);
        PdfPages pdf(dir_.filePath("fine.pdf"));
        QCOMPARE(pdf.size(0).toSize(), QSize(595, 842));
        const QImage page = pdf.picture(0);
        QVERIFY(near(page.pixelColor(kX0 + 700 - kW + 6, kY0 + 1000 - kH + 6), kNodeFill));
    }

    void printing_leaves_the_screens_marks_where_they_were() {
        Chart chart = full_hd_chart();
        chart.node_states[0].mark_rect = Rect{1, 2, 3, 4};
        print(chart, request(PrintRange::Current), "marks.pdf");
        QCOMPARE(chart.node_states[0].mark_rect.left, 1);
        QCOMPARE(chart.node_states[0].mark_rect.bottom, 4);
    }

    void a_printer_that_is_gone_and_a_file_that_cannot_be_written_are_told() {
        Chart chart = full_hd_chart();
        PrinterSettings gone;
        gone.printer = "Tessaly test printer that is not there";
        QVERIFY(!print_chart(gone, chart, request(), dialogs_).ok);
        QCOMPARE(dialogs_.shown.size(), std::size_t(1));
        QCOMPARE(dialogs_.shown[0].text, std::string("CreateDC At SetPaperSize\nプリンタＤＣの取得に失敗しました"));
        QCOMPARE(dialogs_.shown[0].style, MessageStyle::Stop);

        PrintRequest r = request();
        r.pdf_file = dir_.filePath("no/such/folder/out.pdf");
        QVERIFY(!print_chart(pdf_printer(), chart, r, dialogs_).ok);
        QCOMPARE(dialogs_.shown.back().text, r.pdf_file.toStdString() + "\nファイルへの書込みに失敗しました");
    }

    // A PDF takes its name only once complete: a print of nothing leaves the
    // old file as it was, and a finished one leaves no partial file behind.
    void an_existing_pdf_is_replaced_only_by_a_complete_one() {
        Chart chart = full_hd_chart();
        const QString path = dir_.filePath("kept.pdf");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("%PDF-old");
        old.close();
        PrintRequest r = request(PrintRange::Pages);
        r.range_from = 3;
        r.range_to = 2;
        QVERIFY(print(chart, r, "kept.pdf").ok);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("%PDF-old"));
        old.close();

        // Hidden files a killed print left: the next print removes those over
        // an hour old, and leaves one that a print still at it may be writing.
        auto leftover = [&](const char* name, int hours_old) {
            QFile f(dir_.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("%PDF-partial");
            f.flush();
            f.setFileTime(QDateTime::currentDateTime().addSecs(-3600 * hours_old), QFileDevice::FileModificationTime);
        };
        leftover(".old.pdf.a1B2c3", 2);
        leftover(".kept.pdf.Zz9Yy8", 0);
        leftover(".notes.txt.a1B2c3", 2);  // not of a print's naming
        QCOMPARE(print(chart, request(), "kept.pdf").pages, 6);
        QCOMPARE(PdfPages(path).count(), 6);
        QVERIFY(QFileInfo(path).permissions() & QFileDevice::ReadOwner);
        QCOMPARE(QDir(dir_.path()).entryList({".*.pdf.*"}, QDir::Files | QDir::Hidden),
                 QStringList{".kept.pdf.Zz9Yy8"});
        QVERIFY(QFile::exists(dir_.filePath(".notes.txt.a1B2c3")));
    }

    void the_printer_settings_start_from_the_stored_paper_and_orientation() {
        QSettings store(dir_.filePath("insatu.ini"), QSettings::IniFormat);
        PrinterSettings fresh = init_printer_defaults(store);
        QCOMPARE(fresh.paper_code, 9);
        QCOMPARE(fresh.orientation, 1);
        QCOMPARE(fresh.printer.isEmpty(), QPrinterInfo::defaultPrinter().isNull());  // the PDF printer stands in
        app::set_setting(store, app::Setting::PaperSize, 11);
        for (const auto& [stored, applied] : {std::pair{2, 2}, {0, 1}, {3, 1}}) {
            app::set_setting(store, app::Setting::Orientation, stored);
            fresh = init_printer_defaults(store);
            QCOMPARE(fresh.orientation, applied);
            QCOMPARE(fresh.paper_code, 11);
        }
        QCOMPARE(printer_display_name(PrinterSettings{}), QString::fromUtf8("PDF ファイル"));
    }

    void the_pdf_printer_reports_its_sheet() {
        PrinterSettings settings = pdf_printer(600);
        settings.orientation = 2;
        settings.paper_code = 8;  // A3
        const auto printer = open_printer(settings, dialogs_);
        QVERIFY(printer);
        const DeviceMeasures m = device_measures(*printer);
        QCOMPARE(m.dpi_x, 600);
        QCOMPARE(m.offset_x, 0);
        QVERIFY(std::abs(paper_mm(m).width - 420) < 0.5);
        QVERIFY(std::abs(paper_mm(m).height - 297) < 0.5);
    }
};

TESSALY_REGISTER_TEST(PrintJobTest);
#include "print_job_test.moc"
