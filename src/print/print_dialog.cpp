#include "print/print_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "print/paper_codes.h"
#include "print/print_preview.h"
#include "print/printer_device.h"
#include "print/printer_setup_dialog.h"
#include "shell/settings.h"

namespace tessaly::print {

namespace {

constexpr int kWidestMarginMm = 50;

QString u(const char* text) { return QString::fromUtf8(text); }

QLineEdit* page_number_field(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), field));
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(48);
    return field;
}

BoundedField* number_field(QWidget* parent) {
    auto* field = new BoundedField(parent);
    field->setFixedWidth(64);
    return field;
}

}  // namespace

PrintDialog::PrintDialog(Chart& chart, PrinterSettings& printer, QSettings& settings, app::UserDialogs& dialogs,
                         const ChartLook& look, const QString& suggested_pdf, QWidget* parent)
    : QDialog(parent),
      chart_(chart),
      printer_(printer),
      settings_(settings),
      dialogs_(dialogs),
      look_(look),
      suggested_pdf_(suggested_pdf) {
    setWindowTitle(u("印刷"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    build();
    ready_ = set_values_from_printer();
    if (ready_) {
        update_preview();
        // The size the dialog has now is the smallest it can be made.
        adjustSize();
        setMinimumSize(size());
        place_from_settings();
    }
    connect_controls();
}

void PrintDialog::build() {
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(8, 8, 2, 2);
    auto* left = new QVBoxLayout;
    columns->addLayout(left);

    // 1: printer, paper and orientation.
    left->addWidget(new QLabel(u("1 プリンタと用紙："), this));
    auto* printer_row = new QHBoxLayout;
    printer_name_ = new QLabel(QStringLiteral("Printer Name"), this);
    printer_name_->setMinimumWidth(150);
    printer_row->addSpacing(12);
    printer_row->addWidget(printer_name_, 1);
    setup_ = new QPushButton(u("設定(&P)"), this);
    printer_row->addWidget(setup_);
    left->addLayout(printer_row);
    auto* paper_grid = new QGridLayout;
    paper_grid->setColumnMinimumWidth(0, 12);
    paper_grid->addWidget(new QLabel(u("用紙："), this), 0, 1);
    paper_name_ = new QLabel(this);
    paper_grid->addWidget(paper_name_, 0, 2);
    paper_grid->addWidget(new QLabel(u("サイズ："), this), 1, 1);
    paper_size_ = new QLabel(u("? X ? ﾐﾘ"), this);
    paper_grid->addWidget(paper_size_, 1, 2);
    paper_grid->setColumnStretch(2, 1);
    left->addLayout(paper_grid);
    auto* orientation_row = new QHBoxLayout;
    orientation_row->addSpacing(12);
    portrait_ = new QRadioButton(u("縦"), this);
    landscape_ = new QRadioButton(u("横"), this);
    auto* orientation = new QButtonGroup(this);
    orientation->addButton(portrait_);
    orientation->addButton(landscape_);
    orientation_row->addWidget(portrait_);
    orientation_row->addWidget(landscape_);
    orientation_row->addStretch();
    left->addLayout(orientation_row);
    left->addSpacing(8);

    // 2: the pages to print.
    left->addWidget(new QLabel(u("2 印刷範囲："), this));
    all_pages_ = new QRadioButton(u("すべてのページ(&A)"), this);
    current_only_ = new QRadioButton(u("現在のページ(&N)"), this);
    page_range_ = new QRadioButton(u("ページ指定(&R)"), this);
    auto* range = new QButtonGroup(this);
    for (QRadioButton* button : {all_pages_, current_only_, page_range_}) {
        range->addButton(button);
        auto* row = new QHBoxLayout;
        row->addSpacing(12);
        row->addWidget(button);
        left->addLayout(row);
    }
    auto* span_row = new QHBoxLayout;
    span_row->addSpacing(32);
    span_row->addWidget(new QLabel(u("開始："), this));
    range_start_ = page_number_field(this);
    span_row->addWidget(range_start_);
    span_row->addWidget(new QLabel(u("- 終了："), this));
    range_end_ = page_number_field(this);
    span_row->addWidget(range_end_);
    span_row->addStretch();
    left->addLayout(span_row);
    auto* one_row = new QHBoxLayout;
    one_row->addSpacing(32);
    all_on_one_ = new QCheckBox(u("全1ページ(&J)"), this);
    one_row->addWidget(all_on_one_);
    left->addLayout(one_row);
    left->addSpacing(8);

    // 3: margins, each beside its side of the sheet.
    left->addWidget(new QLabel(u("3 余白：(max : 50ﾐﾘ)"), this));
    auto* margin_grid = new QGridLayout;
    margin_grid->setColumnMinimumWidth(0, 12);
    top_ = number_field(this);
    bottom_ = number_field(this);
    left_ = number_field(this);
    right_ = number_field(this);
    const auto place = [&](const char* side, BoundedField* field, int row, int column) {
        auto* cell = new QHBoxLayout;
        cell->addWidget(new QLabel(u(side), this));
        cell->addWidget(field);
        margin_grid->addLayout(cell, row, column);
    };
    place("上", top_, 0, 2);
    place("左", left_, 1, 1);
    place("右", right_, 1, 3);
    place("下", bottom_, 2, 2);
    margin_grid->setColumnStretch(4, 1);
    left->addLayout(margin_grid);
    auto* show_row = new QHBoxLayout;
    show_row->addSpacing(12);
    show_margins_ = new QCheckBox(u("余白を表示(&M)"), this);
    show_row->addWidget(show_margins_);
    left->addLayout(show_row);
    left->addSpacing(8);

    // 4: the page shown in the preview.
    left->addWidget(new QLabel(u("4 プレビュー："), this));
    auto* grid_row = new QHBoxLayout;
    grid_row->addSpacing(12);
    grid_text_ = new QLabel(this);
    grid_row->addWidget(grid_text_);
    left->addLayout(grid_row);
    auto* page_row = new QHBoxLayout;
    page_row->addSpacing(12);
    page_ = number_field(this);
    page_row->addWidget(page_);
    total_text_ = new QLabel(u("/ 10 ページ"), this);
    page_row->addWidget(total_text_);
    page_row->addStretch();
    left->addLayout(page_row);
    left->addStretch();

    auto* buttons = new QHBoxLayout;
    print_ = new QPushButton(u("印刷実行(&S)"), this);
    print_->setDefault(true);
    cancel_ = new QPushButton(u("中止(&C)"), this);
    buttons->addWidget(print_);
    buttons->addWidget(cancel_);
    left->addLayout(buttons);

    preview_ = new PrintPreview(chart_, this);
    preview_->setMinimumSize(300, 380);
    columns->addWidget(preview_, 1);
}

bool PrintDialog::set_values_from_printer() {
    std::unique_ptr<QPrinter> printer = open_printer(printer_, dialogs_);
    if (!printer) return false;
    (printer_.orientation == 1 ? portrait_ : landscape_)->setChecked(true);
    printer_name_->setText(printer_display_name(printer_));
    paper_name_->setText(paper_name(printer_.paper_code));
    const DeviceMeasures device = device_measures(*printer);
    offset_x_mm_ = unprintable_mm(device.offset_x, device.dpi_x);
    offset_y_mm_ = unprintable_mm(device.offset_y, device.dpi_y);
    printer.reset();

    const std::pair<app::Setting, BoundedField*> fields[] = {{app::Setting::MarginLeft, left_},
                                                             {app::Setting::MarginRight, right_},
                                                             {app::Setting::MarginTop, top_},
                                                             {app::Setting::MarginBottom, bottom_}};
    for (const auto& [which, field] : fields) {
        const int offset = field == left_ || field == right_ ? offset_x_mm_ : offset_y_mm_;
        field->set_bounds(offset, kWidestMarginMm);
        field->setValue(std::clamp(app::setting(settings_, which), offset, kWidestMarginMm));
    }
    margins_ = {left_->value(), right_->value(), top_->value(), bottom_->value()};

    current_page_ = 1;
    page_->set_bounds(1, 1);
    page_->setValue(1);

    const PrintRange range = print_range_of(app::setting(settings_, app::Setting::PrintRange));
    (range == PrintRange::Pages     ? page_range_
     : range == PrintRange::Current ? current_only_
                                    : all_pages_)
        ->setChecked(true);
    all_on_one_->setChecked(range == PrintRange::Pages && app::setting(settings_, app::Setting::AllOnOnePage) == 1);
    all_on_one_->setEnabled(range == PrintRange::Pages);

    show_margins_->setChecked(app::setting(settings_, app::Setting::ShowMargins) == 1);
    preview_->set_show_margins(show_margins_->isChecked());

    screen_dpi_x_ = preview_->logicalDpiX();
    screen_dpi_y_ = preview_->logicalDpiY();
    range_start_->setText(QStringLiteral("1"));
    return true;
}

// Placed where it was last closed, unless that is off the screen.
void PrintDialog::place_from_settings() {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const int px = app::setting(settings_, app::Setting::PrintWindowLeft);
    const int py = app::setting(settings_, app::Setting::PrintWindowTop);
    if (px < screen.width() && py < screen.height())
        setGeometry(px, py, app::setting(settings_, app::Setting::PrintWindowWidth),
                    app::setting(settings_, app::Setting::PrintWindowHeight));
    if (app::setting(settings_, app::Setting::PrintWindowMaximised) == 1)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void PrintDialog::connect_controls() {
    connect(portrait_, &QRadioButton::clicked, this, [this] { set_orientation(1); });
    connect(landscape_, &QRadioButton::clicked, this, [this] { set_orientation(2); });
    connect(setup_, &QPushButton::clicked, this, &PrintDialog::set_up_printer);
    connect(all_pages_, &QRadioButton::clicked, this, [this] { choose_range(PrintRange::All); });
    connect(current_only_, &QRadioButton::clicked, this, [this] { choose_range(PrintRange::Current); });
    connect(page_range_, &QRadioButton::clicked, this, [this] { choose_range(PrintRange::Pages); });
    connect(all_on_one_, &QCheckBox::clicked, this, [this](bool ticked) {
        app::set_setting(settings_, app::Setting::AllOnOnePage, ticked ? 1 : 0);
        update_preview();
    });
    for (BoundedField* field : {top_, bottom_, left_, right_})
        connect(field, &QSpinBox::valueChanged, this, [this, field](int value) { margin_field_changed(field, value); });
    connect(page_, &QSpinBox::valueChanged, this, [this](int value) {
        if (const std::optional<int> page = read_bounded_field(page_, value)) {
            current_page_ = *page;
            update_preview();
        }
    });
    connect(range_start_, &QLineEdit::textChanged, this, &PrintDialog::range_start_changed);
    connect(range_end_, &QLineEdit::textChanged, this, &PrintDialog::range_end_changed);
    connect(show_margins_, &QCheckBox::clicked, this, [this](bool ticked) { preview_->set_show_margins(ticked); });
    connect(preview_, &PrintPreview::margin_dropped, this, &PrintDialog::margin_dropped);
    connect(preview_, &PrintPreview::resized, this, &PrintDialog::update_preview);
    connect(print_, &QPushButton::clicked, this, &PrintDialog::print);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void PrintDialog::set_orientation(int orientation) {
    if (printer_.orientation == orientation) return;
    printer_.orientation = orientation;
    update_preview();
    app::set_setting(settings_, app::Setting::Orientation, orientation);
}

void PrintDialog::choose_range(PrintRange range) {
    app::set_setting(settings_, app::Setting::PrintRange, static_cast<int>(range));
    if (range == PrintRange::Pages) {
        all_on_one_->setEnabled(true);
        return;
    }
    app::set_setting(settings_, app::Setting::AllOnOnePage, 0);
    all_on_one_->setChecked(false);
    all_on_one_->setEnabled(false);
    update_preview();
}

// The field's number when it lies within its bounds; otherwise the field is
// set to the nearest bound, which runs its handler again with that.
std::optional<int> PrintDialog::read_bounded_field(BoundedField* field, int value) {
    if (!isVisible()) return std::nullopt;
    if (value < field->low()) {
        field->setValue(field->low());
        return std::nullopt;
    }
    if (value > field->high()) {
        field->setValue(field->high());
        return std::nullopt;
    }
    return value;
}

void PrintDialog::margin_field_changed(BoundedField* field, int value) {
    const std::optional<int> mm = read_bounded_field(field, value);
    if (!mm) return;
    if (field == left_)
        margins_.left = *mm;
    else if (field == right_)
        margins_.right = *mm;
    else if (field == top_)
        margins_.top = *mm;
    else
        margins_.bottom = *mm;
    update_preview();
}

// A margin line dropped in the preview: its field takes the width (and
// brings it within bounds), and the margin follows the field.
void PrintDialog::margin_dropped(int side, int mm) {
    BoundedField* field = side == kLeftMargin    ? left_
                          : side == kTopMargin   ? top_
                          : side == kRightMargin ? right_
                                                 : bottom_;
    field->setValue(mm);
    margin_field_changed(field, field->value());
}

void PrintDialog::range_start_changed() {
    if (range_start_->text().isEmpty()) {
        range_start_->setText(QStringLiteral("1"));
        return;
    }
    bool end_ok = false;
    const int start = range_start_->text().toInt();
    const int end = range_end_->text().toInt(&end_ok);
    range_from_ = start;
    if (end_ok) range_to_ = end;
    if (end_ok && end < start) range_start_->setText(range_end_->text());
}

void PrintDialog::range_end_changed() {
    const QString text = range_end_->text();
    const int start = range_start_->text().toInt();
    const int end = text.toInt();
    if (!text.isEmpty() && end > grid_.total()) {
        range_end_->setText(QString::number(grid_.total()));
        return;
    }
    if (text.isEmpty() || end < start) {
        // A start beyond the pages there are comes down to the end instead,
        // or the two corrections would undo each other for ever.
        if (!text.isEmpty() && start > grid_.total())
            range_start_->setText(text);
        else
            range_end_->setText(range_start_->text());
        return;
    }
    range_from_ = start;
    range_to_ = end;
}

bool PrintDialog::compute_page_layout() {
    std::unique_ptr<QPrinter> printer = open_printer(printer_, dialogs_);
    if (!printer) return false;
    const DeviceMeasures device = device_measures(*printer);
    printer.reset();
    offset_x_mm_ = unprintable_mm(device.offset_x, device.dpi_x);
    offset_y_mm_ = unprintable_mm(device.offset_y, device.dpi_y);
    // Another printer may leave a different unprintable margin.
    for (BoundedField* field : {left_, right_}) field->set_bounds(offset_x_mm_, kWidestMarginMm);
    for (BoundedField* field : {top_, bottom_}) field->set_bounds(offset_y_mm_, kWidestMarginMm);

    const PaperMm paper = paper_mm(device);
    // Tenths only where the size has them: "210 X 297mm", "215.9 X 279.4mm".
    const auto mm = [](double value) {
        QString text = QString::number(value, 'f', 1);
        if (text.endsWith(QLatin1String(".0"))) text.chop(2);
        return text;
    };
    paper_size_->setText(QStringLiteral("%1 X %2mm").arg(mm(paper.width), mm(paper.height)));
    picture_.paper = paper_rect_in(preview_->rect(), paper);

    grid_ = page_grid(chart_.display.view_width, chart_.display.view_height, screen_dpi_x_, screen_dpi_y_, paper,
                      margins_, all_on_one_->isChecked());
    grid_text_->setText(u("(横 %1 × 縦 %2 ページ)").arg(grid_.across).arg(grid_.down));
    total_text_->setText(u("/ %1 ページ").arg(grid_.total()));
    range_end_->setText(QString::number(grid_.total()));

    picture_.scale = preview_scale(picture_.paper, screen_dpi_x_, paper);
    picture_.margins = preview_margins(margins_, screen_dpi_x_, screen_dpi_y_, picture_.scale);
    return true;
}

void PrintDialog::update_preview() {
    if (!ready_) return;  // opened without a printer: told once, not at every size
    const PageGrid before = grid_;
    if (!compute_page_layout()) return;
    if (grid_ != before) {
        current_page_ = std::min(current_page_, grid_.total());
        page_->set_bounds(1, grid_.total());
    }
    const QSignalBlocker quiet(page_);
    page_->setValue(current_page_);

    picture_.grid = grid_;
    picture_.current_page = current_page_;
    picture_.all_on_one = all_on_one_->isChecked();
    picture_.look = look_;
    picture_.screen_dpi_x = screen_dpi_x_;
    picture_.screen_dpi_y = screen_dpi_y_;
    picture_.offset_x_mm = offset_x_mm_;
    picture_.offset_y_mm = offset_y_mm_;
    preview_->show_picture(picture_);
}

PrintRequest PrintDialog::request() const {
    PrintRequest r;
    r.margins = margins_;
    r.range = page_range_->isChecked()     ? PrintRange::Pages
              : current_only_->isChecked() ? PrintRange::Current
                                           : PrintRange::All;
    r.current_page = current_page_;
    r.range_from = range_from_;
    r.range_to = range_to_;
    r.grid = grid_;
    r.all_on_one = all_on_one_->isChecked();
    r.screen_dpi_x = screen_dpi_x_;
    r.look = look_;
    return r;
}

void PrintDialog::print() {
    bool ok = false;
    if (const int from = range_start_->text().toInt(&ok); ok) range_from_ = from;
    if (const int to = range_end_->text().toInt(&ok); ok) range_to_ = to;
    app::set_setting(settings_, app::Setting::MarginLeft, left_->value());
    app::set_setting(settings_, app::Setting::MarginRight, right_->value());
    app::set_setting(settings_, app::Setting::MarginTop, top_->value());
    app::set_setting(settings_, app::Setting::MarginBottom, bottom_->value());

    PrintRequest job = request();
    const PageSpan span = pages_to_print(job.range, job.current_page, job.range_from, job.range_to, job.grid);
    if (printer_.is_pdf() && !span.empty()) {
        QString file = dialogs_.save_file(u("PDF ファイルに印刷"), suggested_pdf_, u("PDF ファイル (*.pdf)"));
        if (file.isEmpty()) return;  // no file: back to the dialog
        if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
        job.pdf_file = file;
    }
    last_print_ = print_chart(printer_, chart_, job, dialogs_);
    if (last_print_.last_page > 0) current_page_ = last_print_.last_page;
    accept();
}

void PrintDialog::set_up_printer() {
    PrinterSetupDialog setup(printer_, system_printers(), this);
    if (dialogs_.run_modal(setup) != QDialog::Accepted) return;
    const PrinterSettings chosen = setup.settings();
    const bool paper_changed = chosen.paper_code != printer_.paper_code || chosen.orientation != printer_.orientation;
    const bool printer_changed = chosen.printer != printer_.printer;
    printer_ = chosen;
    paper_name_->setText(paper_name(printer_.paper_code));
    printer_name_->setText(printer_display_name(printer_));
    if (paper_changed) {
        (printer_.orientation == 1 ? portrait_ : landscape_)->setChecked(true);
        app::set_setting(settings_, app::Setting::PaperSize, printer_.paper_code);
        app::set_setting(settings_, app::Setting::Orientation, printer_.orientation);
    }
    if (!ready_) {
        // The dialog opened without a printer; now there is one.
        ready_ = set_values_from_printer();
        update_preview();
        return;
    }
    if (paper_changed || printer_changed) update_preview();
}

void PrintDialog::done(int result) {
    app::set_setting(settings_, app::Setting::ShowMargins, show_margins_->isChecked() ? 1 : 0);
    app::set_setting(settings_, app::Setting::PrintWindowMaximised, isMaximized() ? 1 : 0);
    const QRect placed = isMaximized() ? normalGeometry() : geometry();
    app::set_setting(settings_, app::Setting::PrintWindowLeft, std::max(placed.x(), 0));
    app::set_setting(settings_, app::Setting::PrintWindowTop, std::max(placed.y(), 0));
    app::set_setting(settings_, app::Setting::PrintWindowWidth, placed.width());
    app::set_setting(settings_, app::Setting::PrintWindowHeight, placed.height());
    QDialog::done(result);
}

void print_chart_dialog(QWidget* owner, app::UserDialogs& dialogs, QSettings& settings, PrinterSettings& printer,
                        Chart& chart, const ChartLook& look, const QString& suggested_pdf) {
    PrintDialog dialog(chart, printer, settings, dialogs, look, suggested_pdf, owner);
    dialogs.run_modal(dialog);
}

}  // namespace tessaly::print
