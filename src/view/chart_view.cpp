#include "view/chart_view.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "chart/source_placement.h"
#include "text/cp932.h"
#include "text/quoted_fields.h"
#include "text/text_encoding.h"
#include "text/workbook.h"
#include "view/chart_painter.h"
#include "view/edge_feedback.h"
#include "view/selection.h"
#include "view/zoom_steps.h"

namespace tessaly::view {

ChartView::ChartView(Chart& chart, MessagePresenter& messages, QWidget* parent)
    : QAbstractScrollArea(parent), chart_(chart), messages_(messages) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);  // hovering shows the edge tips
    setFrameShape(QFrame::NoFrame);
    update_scroll_sizes();

    connect(&console_, &ZoomConsole::zoom_step, this, &ChartView::change_zoom);
    connect(&console_, &ZoomConsole::repaint_needed, viewport(), qOverload<>(&QWidget::update));
    connect(&console_, &ZoomConsole::moved, this, &ChartView::modified);
    connect(&console_, &ZoomConsole::zoom_text, this, &ChartView::zoom_text);
    connect(&console_, &ZoomConsole::position_panes_cleared, this, &ChartView::position_panes_cleared);
    connect(&animation_, &PointerAnimation::repaint_needed, viewport(), qOverload<const QRect&>(&QWidget::update));
    // The console keeps out of the way while a scroll bar is worked.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
}

// The pointer leaving the window takes the comets, the edge tip and its
// hint with it: the status bar has its POS, SIZE and CURSOR panes back.
bool ChartView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) {
        animation_.stop();
        edge_tip_.deactivate();
        if (aids_().guide) emit guide_shown(QString());
        emit cursor_text(QString());
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool ChartView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalScrollBar() || watched == verticalScrollBar()) {
        if (event->type() == QEvent::MouseButtonPress) console_.scrolling_started();
        if (event->type() == QEvent::MouseButtonRelease) console_.scrolling_finished();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void ChartView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return QAbstractScrollArea::wheelEvent(event);
    if (console_.wheel(event->position().toPoint(), delta, event->modifiers(), event->buttons())) return;
    if (verticalScrollBar()->maximum() == 0) return;  // nothing to scroll
    const int step = wheel_step(delta, event->modifiers(), event->buttons());
    QScrollBar* bar =
        wheel_scrolls_horizontally(event->modifiers(), event->buttons()) ? horizontalScrollBar() : verticalScrollBar();
    console_.scrolling_started();
    bar->setValue(bar->value() + step);
    QAbstractScrollArea::wheelEvent(event);
    console_.scrolling_finished();
}

QPoint ChartView::scroll_position() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void ChartView::set_zoom(float factor) {
    zoom_ = clamped_zoom(factor);
    update_scroll_sizes();
    console_.render_face(zoom_);
    viewport()->update();
}

void ChartView::change_zoom(int points) { set_zoom(changed_zoom(zoom_, points)); }

void ChartView::fit_zoom_to_window() {
    set_zoom(zoom_to_fit(viewport()->size(), chart_.display.view_width, chart_.display.view_height));
}

void ChartView::undo() {
    if (Status undone = history_.undo(chart_); !undone) show_message(messages_, undone);
    viewport()->update();
    emit history_changed();
}

void ChartView::redo() {
    if (Status redone = history_.redo(chart_); !redone) show_message(messages_, redone);
    viewport()->update();
    emit history_changed();
}

void ChartView::clear_history() {
    history_.clear();
    emit history_changed();
}

// Before every move of the selected nodes. Without memory for the step the
// move still happens, only without a way back.
void ChartView::take_snapshot() {
    if (Status taken = history_.take_snapshot(chart_); !taken) show_message(messages_, taken);
    emit history_changed();
}

void ChartView::chart_replaced() {
    history_.clear();
    dragging_ = band_selecting_ = false;
    resizing_ = 0;
    chart_changed();
    emit history_changed();
}

void ChartView::set_tinted(bool tinted) {
    if (tinted == tinted_) return;
    tinted_ = tinted;
    viewport()->update();
}

void ChartView::set_preview_node(int node) {
    preview_node_ = node;
    viewport()->update();
}

void ChartView::chart_changed() {
    update_scroll_sizes();
    viewport()->update();
}

// Not left to the next turn of the event loop: until the paint has sized
// them, the collapsed boxes are points that no click can hit.
void ChartView::nodes_collapsed() { viewport()->repaint(); }

void ChartView::update_scroll_sizes() {
    const int width = static_cast<int>((chart_.display.view_width + 50) * zoom_);
    const int height = static_cast<int>((chart_.display.view_height + 50) * zoom_);
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

// Where the primary node would land, kept on the canvas, in three soft lines.
void ChartView::paint_drag_outline(QPainter& painter) {
    const QRect box = canvas_box(chart_.nodes[chart_.primary_node].rect, zoom_);
    const int hw = box.width() / 2;
    const int hh = box.height() / 2;
    const int canvas_w = static_cast<int>(chart_.display.view_width * zoom_);
    const int canvas_h = static_cast<int>(chart_.display.view_height * zoom_);
    const QPoint centre = pointer_ - grab_offset_;
    const int x = std::clamp(centre.x(), 0, std::max(0, canvas_w - hw));
    const int y = std::clamp(centre.y(), 0, std::max(0, canvas_h - hh));
    const QRect outline(x - hw, y - hh, 2 * hw, 2 * hh);
    const std::pair<int, QColor> lines[] = {
        {3, QColor(243, 247, 250)}, {2, QColor(229, 235, 242)}, {1, QColor(215, 223, 234)}};
    painter.setBrush(Qt::NoBrush);
    for (const auto& [width, colour] : lines) {
        painter.setPen(QPen(colour, width));
        painter.drawRect(outline);
    }
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_sizes();
}

void ChartView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    if (!animation_.running()) {
        frame_valid_ = false;
        paint_frame(painter, event->rect());
        return;
    }
    // While comets fly, a step repaints only their area, from the picture
    // of the window kept without them: the chart is not drawn again.
    const qreal ratio = viewport()->devicePixelRatioF();
    const QSize pixels = viewport()->size() * ratio;
    if (!frame_valid_ || frame_.size() != pixels || !animation_.area().contains(event->rect())) {
        if (frame_.size() != pixels) {
            frame_ = QPixmap(pixels);
            frame_.setDevicePixelRatio(ratio);
        }
        QPainter frame_painter(&frame_);
        paint_frame(frame_painter, viewport()->rect());
        frame_valid_ = true;
    }
    painter.drawPixmap(event->rect(), frame_,
                       QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio));
    animation_.paint(painter);
}

void ChartView::paint_frame(QPainter& painter, const QRect& area) {
    painter.fillRect(area, Qt::white);
    painter.translate(-scroll_position());
    PaintState state;
    state.zoom = zoom_;
    state.tint = tinted_;
    state.preview_node = preview_node_;
    state.visible = area.translated(scroll_position());
    paint_chart(painter, chart_, state);
    if (dragging_ && chart_.primary_node >= 0) paint_drag_outline(painter);
    if (resizing_) {
        EdgeDrag drag;
        drag.width = resizing_ == 1;
        const int pointer = drag.width ? pointer_.x() : pointer_.y();
        drag.edge = canvas_edge_pixels(chart_, pointer, zoom_, drag.width);
        drag.size = canvas_edge_for(chart_, pointer, zoom_, drag.width);
        drag.pointer = pointer_;
        drag.window = QRect(scroll_position(), viewport()->size());
        drag.canvas = QSize(static_cast<int>(chart_.display.view_width * zoom_),
                            static_cast<int>(chart_.display.view_height * zoom_));
        paint_edge_feedback(painter, drag);
    }
    if (const Band band{band_start_, pointer_}; band_selecting_ && band.shown()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(70, 70, 70), 1, Qt::DotLine));
        painter.drawRect(QRect(band.left(), band.top(), band.width(), band.height()));
    }
    console_.paint(painter, viewport()->size());
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    animation_.stop();
    if (console_.pressed(event->position().toPoint())) return;
    const QPoint point = event->position().toPoint() + scroll_position();
    if (const int m = hit_mark(chart_, point); m >= 0) {
        // The mark toggles the mandatory flag and leaves the selection be.
        chart_.nodes[m].mandatory = chart_.nodes[m].mandatory ? 0 : 1;
        viewport()->update();
        emit modified();
        return;
    }
    if (const int d = hit_node(chart_, point, zoom_); d >= 0) {
        const Qt::KeyboardModifiers mods =
            event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const PressKeys keys = mods == Qt::ControlModifier ? PressKeys::Ctrl
                               : mods == Qt::ShiftModifier ? PressKeys::Shift
                                                           : PressKeys::Plain;
        int selected = 0;
        for (const NodeState& state : chart_.node_states) selected += state.selected ? 1 : 0;
        narrow_to_ = keys == PressKeys::Plain && chart_.node_states[d].selected && selected > 1 ? d : -1;
        if (press_on_node(chart_, d, keys)) {
            const QRect box = canvas_box(chart_.nodes[d].rect, zoom_);
            dragging_ = true;
            grab_offset_ = point - QPoint(box.x() + box.width() / 2, box.y() + box.height() / 2);
            pointer_ = point;
            show_cursor(ChartCursor::Move);
        }
        setFocus();
        viewport()->update();
        emit primary_changed();
        console_.pressed_elsewhere(false);
        return;
    }
    console_.pressed_elsewhere(false);
    if (const int edge = edge_at(point); edge != 0) {
        resizing_ = edge;
        press_point_ = point;
        pointer_ = point;
        return;
    }
    // Elsewhere on the chart a rubber band starts.
    band_selecting_ = true;
    band_start_ = point;
    pointer_ = point;
    deselect_all(chart_);
    viewport()->update();
    emit primary_changed();
}

void ChartView::select_all_nodes() {
    select_all(chart_);
    viewport()->update();
    emit primary_changed();
}

void ChartView::align_nodes(NodeAlignment how) {
    take_snapshot();
    std::vector<Rect> before;
    for (const NodeRecord& node : chart_.nodes) before.push_back(node.rect);
    if (Status aligned = align_selected_nodes(chart_, how); !aligned) return (void)show_message(messages_, aligned);
    viewport()->update();
    // Without a primary node (or with everything in line already) nothing
    // moves, and an unchanged chart is not one to ask about saving.
    bool moved = false;
    for (std::size_t i = 0; i < before.size(); ++i) moved = moved || !(chart_.nodes[i].rect == before[i]);
    if (moved) emit modified();
    emit primary_changed();
}

int ChartView::edge_at(QPoint p) const {
    const int w = static_cast<int>(chart_.display.view_width * zoom_);
    const int h = static_cast<int>(chart_.display.view_height * zoom_);
    if (std::abs(p.x() - w) < 4 && p.y() < h) return 1;
    if (p.x() < w && std::abs(p.y() - h) < 4) return 2;
    return 0;
}

ChartCursor ChartView::hover_cursor(QPoint p) const {
    if (hit_mark(chart_, p) >= 0) return ChartCursor::Mark;
    if (const int node = hit_node(chart_, p, zoom_); node >= 0)
        return chart_.node_states[node].selected ? ChartCursor::Move : ChartCursor::Hand;
    const int edge = edge_at(p);
    return edge == 1 ? ChartCursor::ResizeWidth : edge == 2 ? ChartCursor::ResizeHeight : ChartCursor::Arrow;
}

ChartCursor ChartView::drag_cursor(QPoint p) const {
    const int w = static_cast<int>(chart_.display.view_width * zoom_);
    const int h = static_cast<int>(chart_.display.view_height * zoom_);
    const bool off_canvas = p.x() <= 0 || p.x() >= w || p.y() <= 0 || p.y() >= h;
    return off_canvas ? ChartCursor::Prohibited : ChartCursor::Move;
}

void ChartView::show_cursor(ChartCursor shape) {
    if (shown_cursor_ == shape) return;
    shown_cursor_ = shape;
    viewport()->setCursor(chart_cursor(shape));
}

void ChartView::show_cursor_position(QPoint p) {
    const bool on_canvas = p.x() < static_cast<int>(chart_.display.view_width * zoom_) &&
                           p.y() < static_cast<int>(chart_.display.view_height * zoom_);
    emit cursor_text(
        on_canvas ? QStringLiteral("%1, %2").arg(static_cast<int>(p.x() / zoom_)).arg(static_cast<int>(p.y() / zoom_))
                  : QString());
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint client = event->position().toPoint();
    const QPoint point = client + scroll_position();
    show_cursor_position(point);
    // The chart becomes the active area as soon as the pointer is over it.
    if (!hasFocus() && chart_.node_count() > 0) {
        setFocus();
        emit activated();
    }
    // Every move clears the hint (which also brings back POS, SIZE and
    // CURSOR); the place the pointer reaches may give a new one below.
    const PointerAids aids = aids_();
    if (aids.guide) emit guide_shown(QString());
    show_edge_tip(point, event->globalPosition().toPoint());
    if (!dragging_ && !band_selecting_ && !resizing_) {
        const bool console_gesture = console_.ring_dragging() || console_.moving();
        if (console_.pointer_moved(client, event->buttons(), viewport()->size())) {
            viewport()->setCursor(console_.cursor());
            shown_cursor_.reset();
            if (aids.guide && !console_gesture && console_.on_ring(client))
                emit guide_shown(guide_hint(chart_, {GuidePlace::Ring, -1, client.y()}, preview_node_));
            return;
        }
        hover(point, aids);
        return QAbstractScrollArea::mouseMoveEvent(event);
    }
    pointer_ = point;
    if (dragging_) show_cursor(drag_cursor(point));
    viewport()->update();
}

void ChartView::show_edge_tip(QPoint p, QPoint global) {
    const int w = static_cast<int>(chart_.display.view_width * zoom_);
    const int h = static_cast<int>(chart_.display.view_height * zoom_);
    // At the corner the height's tip wins.
    QString text;
    if (p.x() < w && std::abs(p.y() - h) < 4)
        text = QStringLiteral("Height=%1\nmin:%2\nmax:%3").arg(chart_.display.view_height).arg(500).arg(5000);
    else if (std::abs(p.x() - w) < 4 && p.y() < h)
        text = QStringLiteral("Width=%1\nmin:%2\nmax:%3").arg(chart_.display.view_width).arg(500).arg(5000);
    edge_tip_.activate(text, global);
}

void ChartView::hover(QPoint p, const PointerAids& aids) {
    show_cursor(hover_cursor(p));
    GuideSpot spot;
    if (const int mark = hit_mark(chart_, p); mark >= 0) {
        spot = {GuidePlace::Mark, mark};  // the comets keep flying round the node
    } else if (const int node = hit_node(chart_, p, zoom_); node >= 0) {
        const bool selected = chart_.node_states[node].selected != 0;
        spot = {selected ? GuidePlace::SelectedNode : GuidePlace::Node, node};
        if (animation_.running() && animation_.node() != node) animation_.stop();
        if (!animation_.running() && !selected && aids.comets > 0 &&
            animation_.start(p, node, chart_, zoom_, scroll_position(), aids.comets, aids.speed))
            frame_valid_ = false;
    } else {
        animation_.stop();
        const int edge = edge_at(p);
        spot.place = edge == 1 ? GuidePlace::RightEdge : edge == 2 ? GuidePlace::BottomEdge : GuidePlace::None;
    }
    if (!aids.guide) return;
    if (const QString hint = guide_hint(chart_, spot, preview_node_); !hint.isEmpty()) emit guide_shown(hint);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && console_.released(event->position().toPoint(), viewport()->size())) return;
    if (event->button() == Qt::RightButton && !dragging_ && !band_selecting_ && !resizing_)
        return right_click(event->position().toPoint(), event->globalPosition().toPoint());
    if (resizing_ && event->button() == Qt::LeftButton) {
        const bool width = resizing_ == 1;
        resizing_ = 0;
        const QPoint point = event->position().toPoint() + scroll_position();
        const int moved = width ? point.x() - press_point_.x() : point.y() - press_point_.y();
        if (std::abs(moved) < 2) return;
        const int units = canvas_edge_for(chart_, width ? point.x() : point.y(), zoom_, width);
        (width ? chart_.display.view_width : chart_.display.view_height) = static_cast<std::uint16_t>(units);
        chart_changed();
        emit modified();
        return;
    }
    if (band_selecting_ && event->button() == Qt::LeftButton) {
        band_selecting_ = false;
        select_in_band(chart_, Band{band_start_, event->position().toPoint() + scroll_position()}, zoom_);
        viewport()->update();
        emit primary_changed();
        return;
    }
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    const QPoint point = event->position().toPoint() + scroll_position();
    if (drop_dragged_nodes(chart_, point, grab_offset_, zoom_, [this] { take_snapshot(); })) {
        emit modified();
        emit primary_changed();
    } else if (narrow_to_ >= 0) {
        select_only(chart_, narrow_to_);
        emit primary_changed();
    }
    narrow_to_ = -1;
    show_cursor(hover_cursor(point));  // no longer the prohibition where the drag ended off the canvas
    viewport()->update();
}

// A right click selects the node under it (keeping a selection it belongs
// to) and asks for the node's menu, or the chart's menu on empty canvas.
void ChartView::right_click(QPoint window_point, QPoint screen_point) {
    animation_.stop();
    menu_point_ = window_point + scroll_position();
    if (console_.right_click_opens_zoom_menu(window_point)) return emit menu_requested(ChartMenu::Zoom, screen_point);
    const int node = hit_node(chart_, menu_point_, zoom_);
    if (node < 0) return emit menu_requested(ChartMenu::View, screen_point);
    if (!chart_.node_states[node].selected) deselect_all(chart_);
    chart_.node_states[node].selected = 1;
    chart_.primary_node = node;
    viewport()->update();
    emit primary_changed();
    emit menu_requested(ChartMenu::Node, screen_point);
}

// The menus open at the release of the right button, not at the system's
// context-menu event, which on this platform comes at the press.
void ChartView::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int node = hit_node(chart_, event->position().toPoint() + scroll_position(), zoom_);
    if (node >= 0)
        emit node_double_clicked(node);
    else
        emit empty_double_clicked();
}

void ChartView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll)) return select_all_nodes();
    if (event->matches(QKeySequence::Undo)) return undo();
    if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) return redo();
    if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_E))
        return emit command_key(CommandId::OpenInExcel);
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier)
        return emit command_key(CommandId::DeleteNodes);
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier)
        return emit command_key(CommandId::SwitchOperationGuide);
    if (chart_.primary_node < 0) return QAbstractScrollArea::keyPressEvent(event);
    // Ctrl moves by one pixel (微移動) instead of ten.
    const int step = event->modifiers() & Qt::ControlModifier ? 1 : 10;
    QPoint delta;
    switch (event->key()) {
        case Qt::Key_Left:
            delta = {-step, 0};
            break;
        case Qt::Key_Right:
            delta = {step, 0};
            break;
        case Qt::Key_Up:
            delta = {0, -step};
            break;
        case Qt::Key_Down:
            delta = {0, step};
            break;
        default:
            return QAbstractScrollArea::keyPressEvent(event);
    }
    if (move_selected_nodes(chart_, delta.x(), delta.y(), zoom_, [this] { take_snapshot(); })) {
        viewport()->update();
        emit modified();
        emit primary_changed();
    }
}

void ChartView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ChartView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void ChartView::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    drop_files(paths, event->position().toPoint());
    event->acceptProposedAction();
}

void ChartView::drop_files(const QStringList& paths, QPoint window_point) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        if (files.size() == kMaxFilesAtOnce) break;
        if (QFileInfo(path).isDir()) continue;  // folders in a drop are passed over
        if (auto file = file_to_place(path, true)) files.push_back(*file);
    }
    place(files, window_point + scroll_position());
}

void ChartView::place_chosen_files(const QStringList& paths) {
    std::vector<std::filesystem::path> files;
    for (const QString& path : paths) {
        if (files.size() == kMaxFilesAtOnce || !path.contains('/')) break;
        if (auto file = file_to_place(path, false)) files.push_back(*file);
    }
    place(files, menu_point_);
}

std::optional<std::filesystem::path> ChartView::file_to_place(const QString& path, bool dropped) {
    const std::filesystem::path given = path.toStdString();
    // Spreadsheets in formats that are not read would only be refused as
    // binary files further on: said here with what to do instead.
    if (is_unread_spreadsheet_name(given)) {
        show_message(messages_, given.string() + "\n", MessageId::NotATextSaveAsCsv);
        return std::nullopt;
    }
    const std::optional<std::filesystem::path> file =
        is_workbook_name(given) ? workbook_copy_of(given) : file_in_cp932(given);
    if (!file) return std::nullopt;
    // A binary file is refused; a chosen file may do without a line break,
    // though (an empty list, say).
    Status admitted = admit_dropped_file(*file);
    if (admitted.message_id == MessageId::NotAText) admitted.message_id = MessageId::NotATextSaveAsCsv;
    if (!admitted && (dropped || admitted.message_id == MessageId::NotATextSaveAsCsv)) {
        show_message(messages_, file->string() + "\n", admitted.message_id);
        return std::nullopt;
    }
    return file;
}

namespace {

// No copy is made when cp932 lacks characters of the source: they are
// listed by line, for the user to replace.
void refuse_missing_characters(MessagePresenter& messages, const std::filesystem::path& source,
                               const std::vector<UnconvertibleCharacter>& missing) {
    std::string lines = source.string() + "\n";
    for (const UnconvertibleCharacter& m : missing)
        lines += std::to_string(m.line) + "行目: " + (m.character.empty() ? "（読めない文字）" : m.character) + "\n";
    show_message(messages, lines, MessageId::NotInCp932);
}

}  // namespace

bool ChartView::may_write_copy(const std::filesystem::path& copy_path) {
    std::error_code error;
    return !std::filesystem::exists(copy_path, error) ||
           show_message(messages_, copy_path.string() + "\n", MessageId::AskOverwrite) == kAnswerYes;
}

std::optional<std::filesystem::path> ChartView::workbook_copy_of(const std::filesystem::path& workbook) {
    const std::optional<FileStamp> stamp = file_stamp(workbook);
    const WorkbookSheets sheets = workbook_sheets(workbook);
    if (!sheets.status) {
        show_message(messages_, sheets.status);
        return std::nullopt;
    }
    int chosen = 0;
    if (sheets.names.size() > 1 && sheet_chooser_) {
        const std::optional<int> picked = sheet_chooser_(workbook, sheets.names);
        if (!picked || *picked < 0 || *picked >= static_cast<int>(sheets.names.size())) return std::nullopt;
        chosen = *picked;
    }
    const std::string& sheet = sheets.names[static_cast<std::size_t>(chosen)];
    const std::filesystem::path copy_path = workbook_copy_path(workbook);
    const std::string about =
        workbook.string() + "\nシート: " + sheet + "\n変換したコピー: " + copy_path.filename().string() + "\n";
    if (show_message(messages_, about, MessageId::AskConvertWorkbook) != kAnswerYes || !may_write_copy(copy_path))
        return std::nullopt;
    // Made only from the workbook the user was asked about.
    const WorkbookCopy copy = make_workbook_copy(workbook, sheet, copy_path, 20, stamp);
    if (!copy.status) {
        show_message(messages_, copy.status);
        return std::nullopt;
    }
    if (!copy.missing.empty()) {
        refuse_missing_characters(messages_, workbook, copy.missing);
        return std::nullopt;
    }
    if (copy.broken_cells > 0)
        show_message(messages_, copy_path.string() + "\n改行のあったセル: " + std::to_string(copy.broken_cells) + "\n",
                     MessageId::CellLineBreaksReplaced);
    return copy_path;
}

std::optional<std::filesystem::path> ChartView::file_in_cp932(const std::filesystem::path& file) {
    std::optional<FileStamp> stamp;
    const TextEncoding encoding = detect_file_encoding(file, &stamp);
    if (encoding == TextEncoding::Cp932) return file;
    return cp932_copy_of(file, encoding, stamp);
}

std::optional<std::filesystem::path> ChartView::cp932_copy_of(const std::filesystem::path& file, TextEncoding encoding,
                                                              const std::optional<FileStamp>& stamp) {
    const std::filesystem::path copy_path = cp932_copy_path(file);
    const std::string about = file.string() + "\n文字コード: " + encoding_name(encoding) +
                              "\n変換したコピー: " + copy_path.filename().string() + "\n";
    if (show_message(messages_, about, MessageId::AskConvertToCp932) != kAnswerYes || !may_write_copy(copy_path))
        return std::nullopt;
    // The file may have changed while the questions were shown: the copy is
    // made only from the text the user was asked about.
    const Cp932Copy copy = make_cp932_copy(file, encoding, copy_path, 20, stamp);
    if (!copy.status) {
        show_message(messages_, copy.status);
        return std::nullopt;
    }
    if (!copy.missing.empty()) {
        refuse_missing_characters(messages_, file, copy.missing);
        return std::nullopt;
    }
    return copy_path;
}

void ChartView::place(const std::vector<std::filesystem::path>& files, QPoint canvas_point) {
    if (files.empty()) return;
    const int before = chart_.node_count();
    // Each new node is measured as it is placed, so that the next one stands
    // clear of it.
    const SizeNewNode size_new_node = [this](Chart& chart, int) { size_collapsed_nodes(chart, preview_node_); };
    const CanvasPoint start{canvas_point.x(), canvas_point.y()};
    Placement placed = place_source_files(chart_, files, start, zoom_, size_new_node);
    for (const Status& message : placed.messages) show_message(messages_, message);
    // A list whose other encoding shows only further in than its first
    // bytes is found while counting: offered as a cp932 copy as at the start.
    std::vector<std::filesystem::path> copies;
    for (const ForeignFile& foreign : placed.foreign) {
        const std::optional<FileStamp> stamp = file_stamp(foreign.path);
        if (auto copy = cp932_copy_of(foreign.path, foreign.encoding, stamp)) copies.push_back(*copy);
    }
    if (!copies.empty()) {
        Placement more = place_source_files(chart_, copies, start, zoom_, size_new_node);
        for (const Status& message : more.messages) show_message(messages_, message);
        placed.placed += more.placed;
    }
    chart_changed();
    if (placed.placed > 0) emit modified();
    emit history_changed();
    // Quoted fields with commas shift the fields unless the quote option
    // reads them as one: asked for each such file placed while it is off.
    for (int i = before; i < chart_.node_count() && !quotes_on_(); ++i) {
        const std::string path = cp932::to_utf8_lossy(cp932::field_text(chart_.nodes[i].path));
        const QuotedCommaLine found = first_quoted_comma_line(path);
        if (found.line == 0) continue;
        const std::string prefix =
            path + "\n" + std::to_string(found.line) + "行目: " + quoted_comma_excerpt(found) + "\n";
        if (show_message(messages_, prefix, MessageId::AskQuotedFields) == kAnswerYes) turn_quotes_on_();
    }
}

}  // namespace tessaly::view
