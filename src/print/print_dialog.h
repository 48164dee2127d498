#pragma once

// The print dialog (印刷): printer and paper, orientation, margins in
// millimetres, the page range and 全1ページ on the left; on the right a preview
// of one page at a time, with the margins as dotted lines that can be dragged.
// "印刷実行(&S)" prints the chart and closes the dialog.

#include <QDialog>
#include <QSettings>
#include <QString>
#include <optional>

#include "chart/chart.h"
#include "print/bounded_field.h"
#include "print/page_drawing.h"
#include "print/page_layout.h"
#include "print/print_job.h"
#include "print/print_preview.h"
#include "print/printer_settings.h"
#include "shell/user_dialogs.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaly::print {

class PrintDialog : public QDialog {
    Q_OBJECT

public:
    // `printer` is the program's shared printer settings: paper, orientation
    // and printer chosen here stay for later printing. `look` is how the
    // chart area looks now; `suggested_pdf` the file name offered for a PDF.
    PrintDialog(Chart& chart, PrinterSettings& printer, QSettings& settings, app::UserDialogs& dialogs,
                const ChartLook& look, const QString& suggested_pdf, QWidget* parent = nullptr);

    // The state of the layout, for tests.
    PageGrid grid() const { return grid_; }
    int current_page() const { return current_page_; }
    Margins margins() const { return margins_; }
    int screen_dpi_x() const { return screen_dpi_x_; }
    int offset_x_mm() const { return offset_x_mm_; }
    int offset_y_mm() const { return offset_y_mm_; }
    PrintOutcome last_print() const { return last_print_; }

    // The controls, for tests.
    QRadioButton* portrait_button() const { return portrait_; }
    QRadioButton* landscape_button() const { return landscape_; }
    QPushButton* setup_button() const { return setup_; }
    QLabel* printer_label() const { return printer_name_; }
    QLabel* paper_label() const { return paper_name_; }
    QLabel* size_label() const { return paper_size_; }
    QRadioButton* all_pages_button() const { return all_pages_; }
    QRadioButton* current_page_button() const { return current_only_; }
    QRadioButton* page_range_button() const { return page_range_; }
    QLineEdit* range_start_field() const { return range_start_; }
    QLineEdit* range_end_field() const { return range_end_; }
    QCheckBox* all_on_one_box() const { return all_on_one_; }
    BoundedField* top_field() const { return top_; }
    BoundedField* bottom_field() const { return bottom_; }
    BoundedField* left_field() const { return left_; }
    BoundedField* right_field() const { return right_; }
    QCheckBox* show_margins_box() const { return show_margins_; }
    QLabel* grid_label() const { return grid_text_; }
    BoundedField* page_field() const { return page_; }
    QLabel* total_label() const { return total_text_; }
    PrintPreview* preview() const { return preview_; }
    QPushButton* print_button() const { return print_; }
    QPushButton* cancel_button() const { return cancel_; }

public slots:
    // "印刷実行(&S)": stores the margins, prints and closes.
    void print();
    // "設定(&P)": the printer set-up over the shared printer settings.
    void set_up_printer();

protected:
    void done(int result) override;

private:
    void build();
    void connect_controls();
    bool set_values_from_printer();
    void place_from_settings();
    void set_orientation(int orientation);
    void choose_range(PrintRange range);
    void margin_field_changed(BoundedField* field, int value);
    void margin_dropped(int side, int mm);
    void range_start_changed();
    void range_end_changed();
    // The page layout from the printer's measures, the margins and the
    // preview's size; false when the printer cannot be had.
    bool compute_page_layout();
    void update_preview();
    PrintRequest request() const;
    std::optional<int> read_bounded_field(BoundedField* field, int value);

    Chart& chart_;
    PrinterSettings& printer_;
    QSettings& settings_;
    app::UserDialogs& dialogs_;
    ChartLook look_;
    QString suggested_pdf_;

    int offset_x_mm_ = 0;
    int offset_y_mm_ = 0;
    Margins margins_;
    PageGrid grid_;
    int current_page_ = 1;
    int range_from_ = 1;
    int range_to_ = 1;
    int screen_dpi_x_ = 96;
    int screen_dpi_y_ = 96;
    PreviewPicture picture_;
    bool ready_ = false;  // the printer was there when the dialog opened
    PrintOutcome last_print_;

    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QPushButton* setup_;
    QLabel* printer_name_;
    QLabel* paper_name_;
    QLabel* paper_size_;
    QRadioButton* all_pages_;
    QRadioButton* current_only_;
    QRadioButton* page_range_;
    QLineEdit* range_start_;
    QLineEdit* range_end_;
    QCheckBox* all_on_one_;
    BoundedField* top_;
    BoundedField* bottom_;
    BoundedField* left_;
    BoundedField* right_;
    QCheckBox* show_margins_;
    QLabel* grid_text_;
    BoundedField* page_;
    QLabel* total_text_;
    PrintPreview* preview_;
    QPushButton* print_;
    QPushButton* cancel_;
};

// Opens the print dialog over the chart, modally; what it returns is not used.
void print_chart_dialog(QWidget* owner, app::UserDialogs& dialogs, QSettings& settings, PrinterSettings& printer,
                        Chart& chart, const ChartLook& look, const QString& suggested_pdf);

}  // namespace tessaly::print
