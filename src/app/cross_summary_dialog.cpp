#include "app/cross_summary_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/user_dialogs.h"
#include "text/cp932.h"
#include "text/messages.h"

namespace tessaly::app {

namespace {

QString screen_text(const std::string& cp932_text) { return QString::fromStdString(cp932::to_utf8_lossy(cp932_text)); }

QString count_text(long long n) { return QString::fromStdString(format_count(n)); }

const QColor kRecordsColour(0x5b, 0x7f, 0xb5);
const QColor kInHitsColour(0xe0, 0x8a, 0x2e);

QTableWidgetItem* text_cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidgetItem* number_cell(const QString& text) {
    QTableWidgetItem* item = text_cell(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

void set_up_table(FigureTable* table) {
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setWordWrap(false);
    table->setTabKeyNavigation(false);  // Tab goes on to the next part of the dialog
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 8);
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
}

// A table just tall enough for its rows, up to a few; then scrolled.
void fit_height(FigureTable* table, int most_rows) {
    const int rows = std::clamp(table->rowCount(), 1, most_rows);
    const int height = table->horizontalHeader()->sizeHint().height() +
                       rows * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth();
    table->setMinimumHeight(height);
    if (table->rowCount() <= most_rows) table->setMaximumHeight(height);
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

}  // namespace

const CrossFigures* ResultFigures::of_node(const Chart& chart, int node) const {
    if (node < 0 || node >= chart.node_count() || chart.nodes[node].kind != kResultNode) return nullptr;
    return find(std::string(cp932::field_text(chart.nodes[node].path)));
}

QString FigureTable::selected_text() const {
    const QModelIndexList chosen = selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList();
    if (chosen.isEmpty()) return {};
    int top = rowCount(), bottom = -1, left = columnCount(), right = -1;
    for (const QModelIndex& index : chosen) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
        left = std::min(left, index.column());
        right = std::max(right, index.column());
    }
    QStringList lines;
    for (int row = top; row <= bottom; ++row) {
        QStringList cells;
        for (int column = left; column <= right; ++column) {
            const QTableWidgetItem* cell = item(row, column);
            cells << (cell && cell->isSelected() ? cell->text() : QString());
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void FigureTable::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        QApplication::clipboard()->setText(selected_text());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

FigureBars::FigureBars(const CrossFigures& figures, QWidget* parent) : QWidget(parent), figures_(figures) {
    setAccessibleName(QString::fromUtf8("ファイルごとのレコード数とヒットしたレコード数"));
}

namespace {

// The bars' measures, from the font.
struct BarMetrics {
    int margin = 8;
    int bar = 0;     // height of one bar
    int group = 0;   // height of one file's two bars with the gap below them
    int legend = 0;  // height of the legend row
    int title = 0;   // width of the titles' column
    int number = 0;  // room for the figure after the longest bar
};

BarMetrics bar_metrics(const QFontMetrics& fm, const CrossFigures& figures) {
    BarMetrics m;
    m.bar = std::max(fm.height(), 14);
    m.group = 2 * m.bar + 2 + 10;
    m.legend = fm.height() + 12;
    int widest = 0;
    for (const SourceFigures& s : figures.sources)
        widest = std::max(widest, fm.horizontalAdvance(screen_text(s.title)));
    m.title = std::clamp(widest, fm.horizontalAdvance(QStringLiteral("MMMM")), 200) + 12;
    m.number = fm.horizontalAdvance(QStringLiteral("9,999,999,999")) + 8;
    return m;
}

}  // namespace

QSize FigureBars::sizeHint() const {
    const BarMetrics m = bar_metrics(fontMetrics(), figures_);
    const int files = static_cast<int>(figures_.sources.size());
    return QSize(m.title + 320 + m.number + 2 * m.margin, 2 * m.margin + m.legend + std::max(files, 1) * m.group);
}

void FigureBars::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetrics fm = fontMetrics();
    const BarMetrics m = bar_metrics(fm, figures_);
    const QColor ink = palette().color(QPalette::WindowText);

    // The legend: a swatch and a caption for each kind of bar.
    int x = m.margin + m.title;
    const int legend_y = m.margin;
    for (const auto& [colour, caption] : {std::pair{kRecordsColour, QString::fromUtf8("レコード数")},
                                          std::pair{kInHitsColour, QString::fromUtf8("ヒットしたレコード数")}}) {
        p.fillRect(QRect(x, legend_y + (fm.height() - 10) / 2, 10, 10), colour);
        p.setPen(ink);
        p.drawText(QRect(x + 14, legend_y, fm.horizontalAdvance(caption) + 2, fm.height()), Qt::AlignVCenter, caption);
        x += 14 + fm.horizontalAdvance(caption) + 20;
    }

    long long most = 1;
    for (const SourceFigures& s : figures_.sources) most = std::max(most, s.records);
    const int left = m.margin + m.title;
    const int room = std::max(width() - left - m.number - m.margin, 10);
    const auto length = [&](long long n) {
        if (n <= 0) return 0;
        // At least a pixel: a file with any records shows a bar.
        return std::max(1, static_cast<int>(static_cast<double>(n) / static_cast<double>(most) * room));
    };

    int y = m.margin + m.legend;
    // The axis the bars stand on.
    p.setPen(palette().color(QPalette::Mid));
    if (!figures_.sources.empty())
        p.drawLine(left - 1, y - 4, left - 1, y + static_cast<int>(figures_.sources.size()) * m.group - 8);
    for (const SourceFigures& s : figures_.sources) {
        p.setPen(ink);
        const QString title = fm.elidedText(screen_text(s.title), Qt::ElideRight, m.title - 12);
        p.drawText(QRect(m.margin, y, m.title - 12, 2 * m.bar + 2), Qt::AlignRight | Qt::AlignVCenter, title);
        int bar_y = y;
        for (const auto& [value, colour] :
             {std::pair{s.records, kRecordsColour}, std::pair{s.records_in_hits, kInHitsColour}}) {
            const int w = length(value);
            p.fillRect(QRect(left, bar_y, w, m.bar), colour);
            p.setPen(ink);
            p.drawText(QRect(left + w + 4, bar_y, m.number, m.bar), Qt::AlignLeft | Qt::AlignVCenter,
                       count_text(value));
            bar_y += m.bar + 2;
        }
        y += m.group;
    }
}

QString CrossSummaryDialog::percent_text(double percent) { return QString::number(percent, 'f', 1) + QLatin1Char('%'); }

CrossSummaryDialog::CrossSummaryDialog(CrossFigures figures, const QString& result_title, QWidget* parent)
    : QDialog(parent), figures_(std::move(figures)) {
    setWindowTitle(QString::fromUtf8("クロス結果の集計"));
    const int files = static_cast<int>(figures_.sources.size());

    auto* what = new QLabel(QString::fromUtf8("%1　　ヒット数：%2").arg(result_title, count_text(figures_.hits)), this);
    what->setObjectName(QStringLiteral("what"));
    what->setTextInteractionFlags(Qt::TextSelectableByMouse);

    files_ = new FigureTable(files, 6, this);
    files_->setObjectName(QStringLiteral("files"));
    files_->setHorizontalHeaderLabels({QString::fromUtf8("ファイル"), QString::fromUtf8("パス"),
                                       QString::fromUtf8("レコード数"), QString::fromUtf8("ヒットしたレコード数"),
                                       QString::fromUtf8("ヒット数"), QString::fromUtf8("重複率")});
    files_->verticalHeader()->hide();
    for (int i = 0; i < files; ++i) {
        const SourceFigures& s = figures_.sources[static_cast<size_t>(i)];
        const QString path = screen_text(s.path);
        files_->setItem(i, 0, text_cell(screen_text(s.title)));
        QTableWidgetItem* path_cell = text_cell(path);
        path_cell->setToolTip(path);
        files_->setItem(i, 1, path_cell);
        files_->setItem(i, 2, number_cell(count_text(s.records)));
        files_->setItem(i, 3, number_cell(count_text(s.records_in_hits)));
        files_->setItem(i, 4, number_cell(count_text(s.hits)));
        files_->setItem(i, 5, number_cell(percent_text(CrossFigures::duplicate_percent(s))));
    }
    set_up_table(files_);
    files_->setTextElideMode(Qt::ElideMiddle);  // a long path keeps its folder's start and its name
    files_->resizeColumnsToContents();
    files_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    fit_height(files_, 8);

    shared_ = new FigureTable(files, files, this);
    shared_->setObjectName(QStringLiteral("shared"));
    QStringList titles;
    for (const SourceFigures& s : figures_.sources) titles << screen_text(s.title);
    shared_->setHorizontalHeaderLabels(titles);
    shared_->setVerticalHeaderLabels(titles);
    const QBrush diagonal = palette().brush(QPalette::AlternateBase);
    for (int i = 0; i < files; ++i) {
        for (int j = 0; j < files; ++j) {
            const auto& row = i < static_cast<int>(figures_.shared_hits.size())
                                  ? figures_.shared_hits[static_cast<size_t>(i)]
                                  : std::vector<long long>();
            const long long n = j < static_cast<int>(row.size()) ? row[static_cast<size_t>(j)] : 0;
            QTableWidgetItem* cell = number_cell(count_text(n));
            if (i == j) {
                cell->setBackground(diagonal);
                cell->setToolTip(QString::fromUtf8("「%1」のレコードを含むヒット").arg(titles[i]));
            } else {
                cell->setToolTip(
                    QString::fromUtf8("「%1」と「%2」の両方のレコードを含むヒット").arg(titles[i], titles[j]));
            }
            shared_->setItem(i, j, cell);
        }
    }
    set_up_table(shared_);
    shared_->resizeColumnsToContents();
    fit_height(shared_, 8);

    bars_ = new FigureBars(figures_, this);
    auto* bars_area = new QScrollArea(this);
    bars_area->setWidget(bars_);
    bars_area->setWidgetResizable(true);
    bars_area->setFrameShape(QFrame::NoFrame);
    bars_area->setMaximumHeight(std::min(bars_->sizeHint().height(), 300) + 2);
    bars_area->setMinimumHeight(std::min(bars_->sizeHint().height(), 300) + 2);

    auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(what);
    layout->addSpacing(4);
    layout->addWidget(heading(QString::fromUtf8("ファイルごとの集計"), this));
    layout->addWidget(files_);
    layout->addSpacing(6);
    layout->addWidget(heading(QString::fromUtf8("ファイル間の共通ヒット"), this));
    layout->addWidget(shared_, 0, Qt::AlignLeft);  // as wide as its columns, up to the dialog's width
    layout->addSpacing(6);
    layout->addWidget(bars_area);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    files_->setFocus();
    if (files > 0) files_->setCurrentCell(0, 0);
    // Many files make long tables: they scroll inside a dialog of a size
    // that fits a screen.
    resize(std::clamp(sizeHint().width(), 720, 1000), std::min(sizeHint().height(), 760));
}

void show_cross_summary(QWidget* owner, UserDialogs& dialogs, const Chart& chart, int node,
                        const ResultFigures& figures) {
    const CrossFigures* found = figures.of_node(chart, node);
    if (!found) return;
    CrossSummaryDialog dialog(*found, screen_text(std::string(cp932::field_text(chart.nodes[node].title))), owner);
    dialogs.run_modal(dialog);
}

}  // namespace tessaly::app
