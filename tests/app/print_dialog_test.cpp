#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "fake_dialogs.h"
#include "print/print_dialog.h"
#include "print/print_preview.h"
#include "print/printer_device.h"
#include "print/printer_setup_dialog.h"
#include "print_fixtures.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::print;
using print_fixtures::near;
using tessaly::app::set_setting;
using tessaly::app::Setting;
using tessaly::app::setting;

// The print dialog, offscreen, over the PDF printer and a chart of
// 1,920 × 1,080 pixels: A4 portrait with the default margins is 3 × 2 pages.
class PrintDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;
    PrinterSettings printer_;
    Chart chart_;
    std::unique_ptr<PrintDialog> dialog_;

    void open_dialog() {
        dialog_ = std::make_unique<PrintDialog>(chart_, printer_, *settings_, dialogs_, ChartLook{},
                                                dir_.filePath("chart.pdf"));
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    // Replaces what a field shows by typing, one key at a time.
    static void type_into(QWidget* field, const QString& text) {
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    QString stored(const char* key) const { return settings_->value(key).toString(); }

    PaperMm paper() {
        const auto printer = open_printer(printer_, dialogs_);
        return paper_mm(device_measures(*printer));
    }

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        dialogs_ = FakeDialogs();
        printer_ = PrinterSettings();
        chart_ = print_fixtures::chart_with_boxes(1920, 1080, {{100, 100, 300, 180}});
    }
    void cleanup() { dialog_.reset(); }

    void it_opens_with_the_stored_values_and_the_page_grid() {
        open_dialog();
        QCOMPARE(dialog_->windowTitle(), QString::fromUtf8("印刷"));
        QCOMPARE(dialog_->screen_dpi_x(), 96);
        QCOMPARE(dialog_->printer_label()->text(), QString::fromUtf8("PDF ファイル"));
        QCOMPARE(dialog_->paper_label()->text(), QString("A4Sheet, 210x297mm"));
        QCOMPARE(dialog_->size_label()->text(), QString("210 X 297mm"));  // A4's own size, not rounded pixels
        QVERIFY(dialog_->portrait_button()->isChecked());
        QVERIFY(dialog_->all_pages_button()->isChecked());
        QVERIFY(!dialog_->all_on_one_box()->isChecked());
        QVERIFY(!dialog_->all_on_one_box()->isEnabled());
        QVERIFY(!dialog_->show_margins_box()->isChecked());
        QCOMPARE(dialog_->margins(), (Margins{25, 10, 25, 10}));
        QCOMPARE(dialog_->left_field()->value(), 25);
        QCOMPARE(dialog_->bottom_field()->value(), 10);
        QCOMPARE(dialog_->grid_label()->text(), QString::fromUtf8("(横 3 × 縦 2 ページ)"));
        QCOMPARE(dialog_->total_label()->text(), QString::fromUtf8("/ 6 ページ"));
        QCOMPARE(dialog_->range_start_field()->text(), QString("1"));
        QCOMPARE(dialog_->range_end_field()->text(), QString("6"));
        QCOMPARE(dialog_->page_field()->value(), 1);
        QCOMPARE(dialog_->print_button()->text(), QString::fromUtf8("印刷実行(&S)"));
        QCOMPARE(dialog_->cancel_button()->text(), QString::fromUtf8("中止(&C)"));
        // Nothing is stored by opening.
        QVERIFY(settings_->allKeys().isEmpty());
    }

    void the_preview_shows_the_sheet_its_shadow_and_the_first_page() {
        open_dialog();
        PrintPreview* preview = dialog_->preview();
        const QRect sheet = preview->picture().paper;
        QCOMPARE(sheet, paper_rect_in(preview->rect(), paper()));
        QVERIFY(sheet.width() > 200);
        const QImage picture = preview->grab_picture();
        QCOMPARE(picture.pixelColor(1, 1), QColor(247, 247, 247));
        QCOMPARE(picture.pixelColor(sheet.right() + 3, sheet.bottom() + 3), QColor(128, 128, 128));
        QCOMPARE(picture.pixelColor(sheet.x(), sheet.center().y()), QColor(192, 192, 192));
        QCOMPARE(picture.pixelColor(sheet.x() + 3, sheet.y() + 3), QColor(Qt::white));
        // The chart's canvas starts at the printable corner with its outline.
        const QRect area = preview->printable();
        QCOMPARE(area.topLeft(),
                 sheet.topLeft() + QPoint(preview->picture().margins.left, preview->picture().margins.top));
        QCOMPARE(picture.pixelColor(area.topLeft()), QColor(72, 94, 123));
        // The node at (100, 100) of the chart, at the preview's scale.
        const double scale = preview->picture().scale;
        const QPoint node = area.topLeft() + QPoint(int(100 * scale) + 3, int(100 * scale) + 3);
        QCOMPARE(picture.pixelColor(node), QColor(234, 234, 180));
    }

    void margin_fields_keep_within_their_bounds() {
        open_dialog();
        type_into(dialog_->left_field(), "60");
        QCOMPARE(dialog_->left_field()->value(), 50);
        QCOMPARE(dialog_->margins().left, 50);
        // The PDF printer has no unprintable margin; a printer with 4 mm of
        // it brings a 0 up to 4.
        dialog_->top_field()->set_bounds(4, 50);
        type_into(dialog_->top_field(), "0");
        QCOMPARE(dialog_->top_field()->value(), 4);
        QCOMPARE(dialog_->margins().top, 4);
        // The arrows stop at the bounds.
        dialog_->left_field()->stepUp();
        QCOMPARE(dialog_->left_field()->value(), 50);
        // Margins reach the settings only when printing.
        QVERIFY(!settings_->contains("Insatu/MarginLmm"));
    }

    void the_current_page_keeps_within_the_pages() {
        open_dialog();
        type_into(dialog_->page_field(), "9");
        QCOMPARE(dialog_->page_field()->value(), 6);
        QCOMPARE(dialog_->current_page(), 6);
        QCOMPARE(dialog_->preview()->picture().current_page, 6);
        // Everything on one page: one page, and the current page follows.
        dialog_->page_range_button()->click();
        dialog_->all_on_one_box()->click();
        QCOMPARE(dialog_->current_page(), 1);
        QCOMPARE(dialog_->page_field()->value(), 1);
    }

    void range_fields_correct_each_other() {
        open_dialog();
        QLineEdit* start = dialog_->range_start_field();
        QLineEdit* end = dialog_->range_end_field();
        end->setText("9");
        QCOMPARE(end->text(), QString("6"));
        start->setText("3");
        end->setText("");
        QCOMPARE(end->text(), QString("3"));
        end->setText("2");
        QCOMPARE(end->text(), QString("3"));
        start->setText("");
        QCOMPARE(start->text(), QString("1"));
        end->setText("4");
        start->setText("5");
        QCOMPARE(start->text(), QString("4"));
        // Fewer pages than the start: the start comes down with the end.
        end->setText("6");
        start->setText("5");
        QCOMPARE(start->text(), QString("5"));
        type_into(dialog_->left_field(), "50");
        type_into(dialog_->right_field(), "50");
        QCOMPARE(dialog_->grid().total(), 10);  // 508 mm on 110 mm: 5 across, 2 down
        chart_.display.view_width = 300;
        chart_.display.view_height = 300;
        type_into(dialog_->left_field(), "40");
        QCOMPARE(dialog_->grid().total(), 1);
        QCOMPARE(end->text(), QString("1"));
        QCOMPARE(start->text(), QString("1"));
    }

    void range_buttons_rule_the_one_page_box_and_are_stored_at_once() {
        open_dialog();
        dialog_->page_range_button()->click();
        QCOMPARE(stored("Insatu/Hani"), QString("3"));
        QVERIFY(dialog_->all_on_one_box()->isEnabled());
        dialog_->all_on_one_box()->click();
        QCOMPARE(stored("Insatu/AllOne"), QString("1"));
        QCOMPARE(dialog_->grid_label()->text(), QString::fromUtf8("(横 1 × 縦 1 ページ)"));
        QCOMPARE(dialog_->range_end_field()->text(), QString("1"));

        dialog_->current_page_button()->click();
        QCOMPARE(stored("Insatu/Hani"), QString("2"));
        QCOMPARE(stored("Insatu/AllOne"), QString("0"));
        QVERIFY(!dialog_->all_on_one_box()->isChecked());
        QVERIFY(!dialog_->all_on_one_box()->isEnabled());
        QCOMPARE(dialog_->grid_label()->text(), QString::fromUtf8("(横 3 × 縦 2 ページ)"));

        dialog_->all_pages_button()->click();
        QCOMPARE(stored("Insatu/Hani"), QString("1"));
    }

    void the_stored_range_opens_as_it_was() {
        set_setting(*settings_, Setting::PrintRange, 3);
        set_setting(*settings_, Setting::AllOnOnePage, 1);
        open_dialog();
        QVERIFY(dialog_->page_range_button()->isChecked());
        QVERIFY(dialog_->all_on_one_box()->isChecked());
        QVERIFY(dialog_->all_on_one_box()->isEnabled());
        QCOMPARE(dialog_->grid(), (PageGrid{1, 1}));
        dialog_.reset();

        set_setting(*settings_, Setting::PrintRange, 2);
        open_dialog();
        QVERIFY(dialog_->current_page_button()->isChecked());
        QVERIFY(!dialog_->all_on_one_box()->isChecked());
        QCOMPARE(dialog_->grid(), (PageGrid{3, 2}));
    }

    void orientation_is_stored_at_once() {
        open_dialog();
        dialog_->landscape_button()->click();
        QCOMPARE(stored("Insatu/Orientation"), QString("2"));
        QCOMPARE(printer_.orientation, 2);
        QCOMPARE(dialog_->grid_label()->text(), QString::fromUtf8("(横 2 × 縦 2 ページ)"));
        const QRect sheet = dialog_->preview()->picture().paper;
        QVERIFY(sheet.width() > sheet.height());
        QVERIFY(!settings_->contains("Insatu/MarginLmm"));
    }

    void the_printer_set_up_changes_paper_and_orientation() {
        open_dialog();
        QStringList offered;
        dialogs_.drive_modal = [&offered](QDialog& dialog) {
            auto& setup = dynamic_cast<PrinterSetupDialog&>(dialog);
            for (int i = 0; i < setup.printer_box()->count(); ++i) offered << setup.printer_box()->itemText(i);
            setup.paper_box()->setCurrentIndex(setup.paper_box()->findData(8));
            setup.landscape_button()->setChecked(true);
            return int(QDialog::Accepted);
        };
        dialog_->setup_button()->click();
        QCOMPARE(offered.back(), QString::fromUtf8("PDF ファイル"));
        QCOMPARE(dialog_->paper_label()->text(), QString("A3Sheet, 297x420mm"));
        QVERIFY(dialog_->landscape_button()->isChecked());
        QCOMPARE(stored("Insatu/PaperSize"), QString("8"));
        QCOMPARE(stored("Insatu/Orientation"), QString("2"));
        QCOMPARE(printer_.paper_code, 8);
        QCOMPARE(dialog_->size_label()->text(), QString("420 X 297mm"));  // A3 turned
        // 508 mm on 385, 285.75 on 262: 2 × 2.
        QCOMPARE(dialog_->grid(), (PageGrid{2, 2}));

        dialogs_.drive_modal = nullptr;  // cancelled: nothing changes
        dialog_->setup_button()->click();
        QCOMPARE(printer_.paper_code, 8);
    }

    void printing_stores_the_margins_and_writes_the_pdf() {
        open_dialog();
        type_into(dialog_->left_field(), "30");
        const QString pdf = dir_.filePath("printed.pdf");
        dialogs_.files_to_save.push_back(pdf);
        dialog_->print_button()->click();
        QCOMPARE(dialogs_.suggested_names.back(), dir_.filePath("chart.pdf"));
        QCOMPARE(dialog_->result(), int(QDialog::Accepted));
        QCOMPARE(stored("Insatu/MarginLmm"), QString("30"));
        QCOMPARE(stored("Insatu/MarginRmm"), QString("10"));
        QCOMPARE(stored("Insatu/MarginTmm"), QString("25"));
        QCOMPARE(stored("Insatu/MarginBmm"), QString("10"));
        print_fixtures::PdfPages pages(pdf);
        QCOMPARE(pages.count(), 6);
        QCOMPARE(dialog_->last_print().pages, 6);
        QCOMPARE(dialog_->current_page(), 6);  // left at the last page printed
    }

    void a_file_name_without_an_ending_gets_pdf_and_no_file_name_keeps_the_dialog() {
        open_dialog();
        dialog_->print_button()->click();  // no file chosen
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->last_print().pages, 0);

        dialog_->current_page_button()->click();
        dialogs_.files_to_save.push_back(dir_.filePath("page"));
        dialog_->print_button()->click();
        QCOMPARE(print_fixtures::PdfPages(dir_.filePath("page.pdf")).count(), 1);
    }

    void a_reversed_range_asks_for_no_file_and_prints_nothing() {
        open_dialog();
        dialog_->page_range_button()->click();
        dialog_->range_end_field()->setText("2");
        dialog_->range_start_field()->setText("3");  // corrected to the end: 2 to 2
        QCOMPARE(dialog_->range_start_field()->text(), QString("2"));
        dialogs_.files_to_save.push_back(dir_.filePath("range.pdf"));
        dialog_->print_button()->click();
        QCOMPARE(print_fixtures::PdfPages(dir_.filePath("range.pdf")).count(), 1);
    }

    void closing_stores_the_margin_switch_and_the_placement() {
        open_dialog();
        dialog_->show_margins_box()->click();
        QVERIFY(!settings_->contains("Insatu/DspYohaku"));
        const QRect placed = dialog_->geometry();
        dialog_->cancel_button()->click();
        QCOMPARE(stored("Insatu/DspYohaku"), QString("1"));
        QCOMPARE(stored("Insatu/Zoomed"), QString("0"));
        QCOMPARE(setting(*settings_, Setting::PrintWindowLeft), std::max(placed.x(), 0));
        QCOMPARE(setting(*settings_, Setting::PrintWindowWidth), placed.width());
        QCOMPARE(setting(*settings_, Setting::PrintWindowHeight), placed.height());
        QVERIFY(!settings_->contains("Insatu/MarginLmm"));
    }

    void the_placement_comes_from_the_settings_unless_off_the_screen() {
        set_setting(*settings_, Setting::PrintWindowLeft, 30);
        set_setting(*settings_, Setting::PrintWindowTop, 40);
        set_setting(*settings_, Setting::PrintWindowWidth, 1000);
        set_setting(*settings_, Setting::PrintWindowHeight, 700);
        open_dialog();
        QCOMPARE(dialog_->geometry().topLeft(), QPoint(30, 40));
        QCOMPARE(dialog_->size(), QSize(1000, 700));
        QVERIFY(dialog_->minimumWidth() > 300);
        dialog_.reset();

        set_setting(*settings_, Setting::PrintWindowLeft, 100000);
        open_dialog();
        QVERIFY(dialog_->geometry().x() != 100000);
        dialog_.reset();

        set_setting(*settings_, Setting::PrintWindowLeft, 0);
        set_setting(*settings_, Setting::PrintWindowMaximised, 1);
        open_dialog();
        QVERIFY(dialog_->isMaximized());
    }

    void margin_lines_are_dragged_only_while_shown() {
        open_dialog();
        PrintPreview* preview = dialog_->preview();
        const QRect area = preview->printable();
        const QPoint on_left_line(area.x() + 2, area.center().y());

        QTest::mousePress(preview, Qt::LeftButton, {}, on_left_line);
        QCOMPARE(preview->dragged_margin(), kNoMargin);
        QTest::mouseRelease(preview, Qt::LeftButton, {}, on_left_line);
        QCOMPARE(dialog_->margins().left, 25);

        dialog_->show_margins_box()->click();
        // The lines are dotted, by exclusive-or: dark on the white margin.
        const QImage lines = preview->grab_picture();
        bool dark = false;
        for (int y = preview->picture().paper.y() + 1; y < area.y(); ++y)
            dark = dark || lines.pixelColor(area.x(), y) == QColor(8, 8, 8);
        QVERIFY(dark);

        QTest::mouseMove(preview, on_left_line);
        QCOMPARE(preview->cursor().shape(), Qt::SizeHorCursor);
        QTest::mouseMove(preview, QPoint(area.center().x(), area.y() - 1));
        QCOMPARE(preview->cursor().shape(), Qt::SizeVerCursor);
        QTest::mouseMove(preview, area.center());
        QCOMPARE(preview->cursor().shape(), Qt::ArrowCursor);

        QTest::mousePress(preview, Qt::LeftButton, {}, on_left_line);
        QCOMPARE(preview->dragged_margin(), kLeftMargin);
        const QPoint dropped(on_left_line.x() + 20, on_left_line.y());
        QTest::mouseMove(preview, dropped);
        QTest::mouseRelease(preview, Qt::LeftButton, {}, dropped);
        QCOMPARE(preview->dragged_margin(), kNoMargin);
        const int expected =
            margin_after_drag(dropped.x() - preview->picture().paper.x(), preview->picture().scale, 96);
        QVERIFY(expected > 25);
        QCOMPARE(dialog_->margins().left, expected);
        QCOMPARE(dialog_->left_field()->value(), expected);

        // Dragged far out it stops at 50 mm.
        const QRect moved = preview->printable();
        QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(moved.x(), moved.center().y()));
        QTest::mouseMove(preview, QPoint(moved.x() + 400, moved.center().y()));
        QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(moved.x() + 400, moved.center().y()));
        QCOMPARE(dialog_->margins().left, 50);
    }

    void a_printer_that_is_gone_opens_the_dialog_without_values() {
        printer_.printer = "Tessaly test printer that is not there";
        open_dialog();
        QCOMPARE(dialogs_.shown.size(), std::size_t(1));
        QCOMPARE(dialogs_.shown[0].text, std::string("CreateDC At SetPaperSize\nプリンタＤＣの取得に失敗しました"));
        QCOMPARE(dialog_->printer_label()->text(), QString("Printer Name"));
        QCOMPARE(dialog_->size_label()->text(), QString::fromUtf8("? X ? ﾐﾘ"));
        QVERIFY(!dialog_->preview()->has_picture());
        dialog_->resize(dialog_->width() + 50, dialog_->height());
        QCOMPARE(dialogs_.shown.size(), std::size_t(1));  // not again at every size

        // Another printer chosen in the set-up: the dialog takes its values.
        dialogs_.drive_modal = [](QDialog& dialog) {
            auto& setup = dynamic_cast<PrinterSetupDialog&>(dialog);
            setup.printer_box()->setCurrentIndex(setup.printer_box()->count() - 1);
            return int(QDialog::Accepted);
        };
        dialog_->setup_button()->click();
        QCOMPARE(dialog_->printer_label()->text(), QString::fromUtf8("PDF ファイル"));
        QCOMPARE(dialog_->grid(), (PageGrid{3, 2}));
        QVERIFY(dialog_->preview()->has_picture());
    }
};

TESSALY_REGISTER_TEST(PrintDialogTest);
#include "print_dialog_test.moc"
