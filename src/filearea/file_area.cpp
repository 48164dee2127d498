#include "filearea/file_area.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <limits>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTime>
#include <QWheelEvent>

#include "filearea/preview_font.h"
#include "filearea/preview_painter.h"
#include "text/cp932.h"
#include "text/read_only_file.h"
#include "text/text_encoding.h"

namespace tessaly::filearea {

namespace {

constexpr int kSmallestFontSize = 8;
constexpr int kLargestFontSize = 16;
constexpr int kWheelNotch = 120;

// The wait cursor for as long as a load runs, however it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString two_digits(long long value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

long long seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
}

QString elapsed_text(long long seconds) {
    return QString::fromUtf8("処理時間 : %1:%2:%3")
        .arg(two_digits(seconds / 3600 % 24), two_digits(seconds / 60 % 60), two_digits(seconds % 60));
}

int clamp_to_int(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX)); }

}  // namespace

FileArea::FileArea(Chart& chart, MessagePresenter& messages, QWidget* parent)
    : QAbstractScrollArea(parent), chart_(chart), messages_(messages) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);  // the pane takes the focus when the pointer comes over it
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &FileArea::on_vertical_action);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, &FileArea::on_vertical_value);
    // The rows are in memory: moving sideways only shows another part of them.
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) {
        horz_offset_ = std::clamp(value, 0, horz_max_);
        viewport()->update();
    });
    take_fonts();
    // The index grows in the background; the pane looks at it now and then.
    load_timer_.setInterval(50);
    connect(&load_timer_, &QTimer::timeout, this, &FileArea::follow_load_timer);
    // The window normally takes the pane with it when the program ends; this
    // covers a window that outlives the event loop.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { file_.close(); });
}

FileArea::~FileArea() = default;  // the preview file deletes its temporary files

NodeRecord* FileArea::shown_node() {
    if (preview_node_ < 0 || preview_node_ >= chart_.node_count()) return nullptr;
    return &chart_.nodes[static_cast<std::size_t>(preview_node_)];
}

const NodeRecord* FileArea::shown_node() const {
    if (preview_node_ < 0 || preview_node_ >= chart_.node_count()) return nullptr;
    return &chart_.nodes[static_cast<std::size_t>(preview_node_)];
}

PreviewMetrics FileArea::metrics() const {
    const PreviewStatistics& s = file_.statistics();
    // While the file loads, the bar and the record numbers are laid out for
    // the count the index is heading for.
    return {char_width_,
            char_height_,
            chart_.display.show_record_no != 0,
            chart_.display.show_ruler != 0,
            file_.expected_records(),
            s.max_record_length};
}

// ---------------------------------------------------------------------------
// Loading and clearing

bool FileArea::load_preview(int node, bool show_elapsed) {
    if (node < 0 || node >= chart_.node_count()) return false;
    if (node == preview_node_ && is_showing()) return true;

    const NodeRecord& record = chart_.nodes[static_cast<std::size_t>(node)];
    if (record.record_count == 0) {
        clear_preview();
        show_message(messages_, "", MessageId::NoHits);
        return false;
    }
    const std::string_view cp932_path = cp932::field_text(record.path);
    const std::string path = cp932::to_utf8(cp932_path).value_or(cp932::to_utf8_lossy(cp932_path));
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        show_message(messages_, path + "\n", MessageId::FileNotFound);
        return false;
    }

    // A list in another encoding would show as garbage without a word.
    if (const TextEncoding encoding = detect_file_encoding(path); encoding != TextEncoding::Cp932)
        show_message(messages_, path + "\n文字コード: " + encoding_name(encoding) + "\n", MessageId::NotCp932Shown);

    clear_preview();
    preview_node_ = node;
    emit start_time_shown(QString::fromUtf8("開始時間 : ") + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    // Measured on a steady clock: whole seconds of the wall clock would
    // show a load of a few milliseconds across a second's turn as 1 s.
    const auto started = std::chrono::steady_clock::now();
    WaitCursor wait;
    shown_path_.clear();

    if (is_read_only(path)) {
        if (show_message(messages_, path + "\n", MessageId::AskClearReadOnly) != kAnswerYes) return abandon_load();
        if (Status writable = make_writable(path); !writable) {
            show_message(messages_, writable);
            return abandon_load();
        }
    }
    // A small file comes whole, a large one with its first part indexed.
    if (Status opened = file_.start(path, load_options_); !opened) {
        show_message(messages_, opened);
        return abandon_load();
    }

    top_record_ = 0;
    top_offset_ = 0;
    relayout();
    shown_path_ = QString::fromStdString(path);
    elapsed_wanted_ = show_elapsed;
    load_started_ = started;
    if (file_.loading()) {
        progress_shown_ = 0;
        emit progress_range_changed(clamp_to_int(file_.progress().bytes_total / 100));
        move_progress(file_.progress().bytes_done / 100);
        viewport()->setCursor(Qt::BusyCursor);
        load_timer_.start();
    } else if (show_elapsed) {
        emit elapsed_time_shown(elapsed_text(seconds_since(started)));
    }
    emit preview_changed(preview_node_);
    return true;
}

void FileArea::follow_load_timer() { follow_load(); }

// Takes over how far the background load has come: the bars, the record
// numbers and the rows follow the index. A refusal met late empties the
// pane and is reported. False when nothing is shown afterwards.
bool FileArea::follow_load() {
    if (!load_timer_.isActive()) return is_showing();
    const LoadProgress progress = file_.update();
    if (progress.failure.failed()) {
        const Status failure = progress.failure;
        clear_preview();
        show_message(messages_, failure);
        return false;
    }
    if (progress.finished) {
        end_background();
        if (elapsed_wanted_) emit elapsed_time_shown(elapsed_text(seconds_since(load_started_)));
    } else {
        move_progress(progress.bytes_done / 100);
    }
    relayout(true);
    return true;
}

// Waits, with the wait cursor, until `count` records are indexed or the
// load is over. False when nothing is shown afterwards.
bool FileArea::need_records(std::int64_t count) {
    if (!file_.loading() || file_.statistics().total_records >= count) return is_showing();
    {
        WaitCursor wait;
        file_.wait_for_records(count);
    }
    return follow_load();
}

bool FileArea::wait_until_loaded() { return need_records(std::numeric_limits<std::int64_t>::max()); }

void FileArea::stop_loading() {
    if (loading()) clear_preview();
}

void FileArea::end_background() {
    if (!load_timer_.isActive()) return;
    load_timer_.stop();
    viewport()->unsetCursor();
    move_progress(0);
}

void FileArea::move_progress(std::int64_t value) {
    const int position = clamp_to_int(value);
    if (position == progress_shown_) return;
    progress_shown_ = position;
    emit progress_moved(position);
}

// A pane left naming a node it does not show would refuse the next request
// for that node as already done, so a failed load names none.
bool FileArea::abandon_load() {
    end_background();
    file_.close();
    move_progress(0);
    preview_node_ = -1;
    rows_.clear();
    viewport()->update();
    emit preview_changed(-1);
    return false;
}

void FileArea::clear_preview() {
    if (preview_node_ == -1) return;
    emit cleared();
    end_background();
    file_.close();
    horz_offset_ = horz_max_ = 0;
    top_offset_ = 0;
    top_record_ = 0;
    vertical_ = {};
    rows_.clear();
    drag_.release();
    setting_bars_ = true;
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    setting_bars_ = false;
    preview_node_ = -1;
    shown_path_.clear();
    viewport()->update();
    emit preview_changed(-1);
}

void FileArea::node_removed(int node) {
    if (preview_node_ < 0) return;
    if (node == preview_node_) {
        clear_preview();
    } else if (node < preview_node_) {
        --preview_node_;
        emit preview_changed(preview_node_);  // the chart's bold title follows
    }
}

// ---------------------------------------------------------------------------
// Layout and scrolling

void FileArea::take_fonts() {
    const int dpi = logicalDpiY();
    const int points = std::clamp(chart_.display.preview_font_size, kSmallestFontSize, kLargestFontSize);
    font_ = preview_font(preview_pixel_height(points, dpi));
    ruler_font_ = preview_font(preview_pixel_height(8, dpi));
    char_width_ = cell_width(font_);
    char_height_ = std::max(QFontMetrics(font_).height(), 1);
}

void FileArea::set_tinted(bool tinted) {
    tinted_ = tinted;
    viewport()->update();
}

void FileArea::display_changed() {
    take_fonts();
    if (is_showing())
        relayout();
    else
        viewport()->update();
}

// Showing or hiding a scroll bar resizes the viewport, which lays the pane
// out again; the passes stop once the size holds. With keep_offsets (the
// index grew) the pane stays where it is.
void FileArea::relayout(bool keep_offsets) {
    take_fonts();
    if (!is_showing()) {
        viewport()->update();
        return;
    }
    ++layout_depth_;
    for (int pass = 0; pass < 3; ++pass) {
        resized_during_layout_ = false;
        lay_out_once(keep_offsets);
        if (!resized_during_layout_) break;
    }
    --layout_depth_;
    redraw();
}

void FileArea::lay_out_once(bool keep_offsets) {
    const PreviewMetrics m = metrics();
    const QSize pane = viewport()->size();
    setting_bars_ = true;
    const std::int64_t width = content_width(m);
    if (width < pane.width()) {
        horz_offset_ = horz_max_ = 0;
    } else {
        horz_max_ = clamp_to_int(width - pane.width());
        horz_offset_ = keep_offsets ? std::min(horz_offset_, horz_max_) : 0;
    }
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, horz_max_);
    h->setSingleStep(char_width_);
    h->setPageStep(4 * char_width_);
    h->setValue(horz_offset_);

    visible_rows_ = tessaly::visible_rows(m, pane.height());
    vertical_ = vertical_range(m.total_records, visible_rows_);
    QScrollBar* v = verticalScrollBar();
    if (!vertical_.shown) {
        top_record_ = 0;
        v->setRange(0, 0);
    } else {
        v->setRange(0, vertical_.maximum);
        v->setSingleStep(1);
        v->setPageStep(vertical_.thumb_scaled ? 1 : std::max(visible_rows_, 1));
        top_record_ = std::min(top_record_, vertical_.span);
    }
    setting_bars_ = false;
}

void FileArea::redraw() {
    if (!is_showing()) {
        rows_.clear();
        viewport()->update();
        return;
    }
    rows_ = file_.read_records(top_record_, visible_rows_);
    top_offset_ = file_.record_start(top_record_).value_or(0);
    setting_bars_ = true;
    horizontalScrollBar()->setValue(horz_offset_);
    set_vertical_thumb();
    setting_bars_ = false;
    viewport()->update();
}

void FileArea::set_vertical_thumb() {
    QScrollBar* v = verticalScrollBar();
    const int thumb = vertical_.shown ? thumb_for_top(vertical_, top_record_) : 0;
    if (v->sliderPosition() != thumb) v->setSliderPosition(thumb);
    if (v->value() != thumb) v->setValue(thumb);
}

void FileArea::scroll_rows_to(std::int64_t top) {
    // Rows not yet indexed are waited for.
    if (!need_records(std::max<std::int64_t>(top, 0) + visible_rows_)) return;
    const std::int64_t last = std::max<std::int64_t>(file_.statistics().total_records - visible_rows_, 0);
    top = std::clamp<std::int64_t>(top, 0, last);
    if (top == top_record_) return;
    top_record_ = top;
    redraw();
}

void FileArea::on_vertical_action(int action) {
    if (!is_showing()) return;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            scroll_rows_to(top_record_ + 1);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            scroll_rows_to(top_record_ - 1);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            scroll_rows_to(top_record_ + visible_rows_);
            break;
        case QAbstractSlider::SliderPageStepSub:
            scroll_rows_to(top_record_ - visible_rows_);
            break;
        case QAbstractSlider::SliderToMinimum:
            scroll_rows_to(0);
            break;
        case QAbstractSlider::SliderToMaximum:
            // The end is known once the whole file is indexed.
            if (!wait_until_loaded()) return;
            scroll_rows_to(std::max<std::int64_t>(file_.statistics().total_records - visible_rows_, 0));
            break;
        default:
            return;  // the dragged thumb arrives as a new value
    }
    // The bar sets its value from its slider position once this returns.
    setting_bars_ = true;
    verticalScrollBar()->setSliderPosition(thumb_for_top(vertical_, top_record_));
    setting_bars_ = false;
}

// A thumb position that does not stand for the record shown moves the rows
// there; a scaled thumb counts in 32,767ths of the span.
void FileArea::on_vertical_value(int value) {
    if (setting_bars_ || !is_showing() || !vertical_.shown) return;
    if (value == thumb_for_top(vertical_, top_record_)) return;
    scroll_rows_to(top_for_thumb(vertical_, value));
}

void FileArea::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (layout_depth_ > 0) {
        resized_during_layout_ = true;
        return;
    }
    relayout();
}

void FileArea::wheelEvent(QWheelEvent* event) {
    if (!is_showing()) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint angle = event->angleDelta();
    wheel_rest_ += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = wheel_rest_ / kWheelNotch;
    wheel_rest_ -= notches * kWheelNotch;
    if (notches == 0) return;

    const Qt::KeyboardModifiers held = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (held == Qt::ControlModifier) {
        const int size = std::clamp(chart_.display.preview_font_size + notches, kSmallestFontSize, kLargestFontSize);
        if (size == chart_.display.preview_font_size) return;
        chart_.display.preview_font_size = size;
        relayout();
        emit preview_font_size_changed(size);
        return;
    }
    const std::int64_t step = held == Qt::ShiftModifier ? visible_rows_ : 1;
    scroll_rows_to(top_record_ - notches * step);  // a notch towards the user moves down the file
}

// ---------------------------------------------------------------------------
// Painting

void FileArea::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PreviewScene scene;
    scene.background = tinted_ ? kTintedBackground : kPlainBackground;
    if (is_showing()) {
        scene.metrics = metrics();
        scene.font = font_;
        scene.ruler_font = ruler_font_;
        scene.top_record = top_record_;
        scene.rows = &rows_;
        scene.horz_offset = horz_offset_;
        if (loading()) {
            const LoadProgress& progress = file_.progress();
            scene.loaded = progress.bytes_total > 0
                               ? static_cast<double>(progress.bytes_done) / static_cast<double>(progress.bytes_total)
                               : 0.0;
        }
        if (const NodeRecord* node = shown_node()) {
            scene.key_first = node->key_first;
            scene.key_last = node->key_last;
            scene.split = split();
        }
    }
    paint_preview(painter, viewport()->size(), scene);
}

// ---------------------------------------------------------------------------
// The cross key

std::optional<std::string> FileArea::record_at_row(std::int64_t row) const {
    if (!is_showing() || row < 1) return std::nullopt;
    if (row <= static_cast<std::int64_t>(rows_.size())) return rows_[static_cast<std::size_t>(row - 1)];
    return file_.read_record(top_record_ + row - 1);
}

int FileArea::field_at(QPoint pane_point) const {
    if (!is_showing()) return -1;
    const PreviewMetrics m = metrics();
    const std::optional<std::string> record = record_at_row(row_at(m, pane_point.y()));
    if (!record || record->empty()) return -1;
    return field_at_column(*record, column_at(m, horz_offset_, pane_point.x()), split());
}

std::string FileArea::key_sample_of_row(std::int64_t row) const {
    const NodeRecord* node = shown_node();
    if (!node) return {};
    const std::optional<std::string> record = record_at_row(std::max<std::int64_t>(row, 1));
    if (!record || record->empty()) return {};
    return key_sample(*record, node->key_first, node->key_last, split());
}

std::string FileArea::make_key_sample(int y) const {
    if (!is_showing()) return {};
    return key_sample_of_row(row_at(metrics(), y));
}

void FileArea::store_key_sample_of_row(std::int64_t row) {
    NodeRecord* node = shown_node();
    if (!node || !is_showing()) return;
    cp932::copy_to_field(node->key_sample, key_sample_of_row(row));
    if (chart_.display.show_key_sample) {
        // The node's text changed: it takes its size anew at the next paint.
        const std::int32_t x = (node->rect.left + node->rect.right) / 2;
        const std::int32_t y = (node->rect.top + node->rect.bottom) / 2;
        node->rect = Rect{x, y, x, y};
    }
    emit key_changed(preview_node_);
}

void FileArea::store_key_sample(int y) {
    if (!is_showing()) return;
    store_key_sample_of_row(row_at(metrics(), y));
}

void FileArea::step_key_by_keyboard(KeyStep step) {
    NodeRecord* node = shown_node();
    if (!node || !is_showing()) return;
    const PreviewStatistics& statistics = file_.statistics();
    auto widest = [&] {
        return split() == FieldSplit::Quotes ? statistics.max_quoted_field_count : statistics.max_field_count;
    };
    if (!step_key(node->key_first, node->key_last, step, widest())) {
        // A wider record may be still to come.
        if (!file_.loading() || !wait_until_loaded()) return;
        node = shown_node();
        if (!node || !step_key(node->key_first, node->key_last, step, widest())) return;
    }
    viewport()->update();
    store_key_sample_of_row(1);
}

void FileArea::keyPressEvent(QKeyEvent* event) {
    const bool to_start = event->matches(QKeySequence::MoveToStartOfDocument);
    if (is_showing() && (to_start || event->matches(QKeySequence::MoveToEndOfDocument))) {
        on_vertical_action(to_start ? QAbstractSlider::SliderToMinimum : QAbstractSlider::SliderToMaximum);
        event->accept();
        return;
    }
    const bool arrow = event->key() == Qt::Key_Right || event->key() == Qt::Key_Left;
    if (!arrow || !is_showing()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (event->key() == Qt::Key_Right)
        step_key_by_keyboard(ctrl ? KeyStep::LeftEndRight : KeyStep::RightEndRight);
    else
        step_key_by_keyboard(ctrl ? KeyStep::LeftEndLeft : KeyStep::RightEndLeft);
    event->accept();
}

void FileArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    NodeRecord* node = shown_node();
    const int field = field_at(event->position().toPoint());
    if (!node || field < 0) return;
    drag_.press(node->key_first, node->key_last, field);
    drag_row_ = row_at(metrics(), event->position().toPoint().y());
    viewport()->update();
}

void FileArea::mouseMoveEvent(QMouseEvent* event) {
    if (is_showing() && !hasFocus() && isActiveWindow()) {
        setFocus(Qt::MouseFocusReason);
        emit activated();
    }
    NodeRecord* node = shown_node();
    if (!drag_.dragging() || !node) return;
    const QPoint point = event->position().toPoint();
    const int field = field_at(point);
    if (field < 0) return;
    drag_row_ = row_at(metrics(), point.y());
    if (drag_.move(node->key_first, node->key_last, field)) viewport()->update();
}

// The sample comes from the record the drag ended on; released where no
// record is (below a short file, or outside the pane), from the record of the
// last field the drag reached, so that a marked key never gets an empty
// sample.
void FileArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !drag_.release()) return;
    std::int64_t row = std::max<std::int64_t>(row_at(metrics(), event->position().toPoint().y()), 1);
    const bool inside = viewport()->rect().contains(event->position().toPoint());
    const std::optional<std::string> record = record_at_row(row);
    if (!inside || !record || record->empty()) row = drag_row_;
    store_key_sample_of_row(row);
}

// ---------------------------------------------------------------------------
// The context menu

void FileArea::add_menu_command(QMenu& menu, CommandId id, const char* text, bool checked) {
    QAction* item = menu.addAction(QString::fromUtf8(text));
    item->setData(command_number(id));
    QAction* owner = command_provider_ ? command_provider_(id) : nullptr;
    const bool display_switch = id == CommandId::ShowRecordNo || id == CommandId::ShowRuler;
    if (display_switch) {
        item->setCheckable(true);
        item->setChecked(checked);
    }
    item->setEnabled(owner || display_switch);
    connect(item, &QAction::triggered, this, [this, id, owner, display_switch] {
        if (owner) {
            owner->trigger();
        } else if (id == CommandId::ShowRecordNo) {
            chart_.display.show_record_no = chart_.display.show_record_no ? 0 : 1;
        } else if (id == CommandId::ShowRuler) {
            chart_.display.show_ruler = chart_.display.show_ruler ? 0 : 1;
        }
        if (display_switch) display_changed();
    });
}

std::unique_ptr<QMenu> FileArea::make_context_menu() {
    if (!is_showing()) return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    add_menu_command(*menu, CommandId::ShowRuler, "桁目盛りの表示(&K)", chart_.display.show_ruler != 0);
    add_menu_command(*menu, CommandId::ShowRecordNo, "レコード№の表示(&R)", chart_.display.show_record_no != 0);
    add_menu_command(*menu, CommandId::OpenInExcel, "Ｅｘｃｅｌで開く(&X)", false);
    add_menu_command(*menu, CommandId::CopyToFile, "名前を付けてファイルにコピー(&S)", false);
    QAction* clear = menu->addAction(QString::fromUtf8("ビューのクリア(&C)"));
    clear->setData(command_number(CommandId::ClearPreview));
    connect(clear, &QAction::triggered, this, &FileArea::clear_preview);
    add_menu_command(*menu, CommandId::KeyHelp, "クロスキーセット方法説明(&H)", false);
    return menu;
}

void FileArea::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = make_context_menu();
    if (!menu) return;
    menu->exec(event->globalPos());
}

}  // namespace tessaly::filearea
