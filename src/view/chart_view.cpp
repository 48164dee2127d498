#include "chart_view.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "chart/source_placement.h"
#include "chart_painter.h"
#include "selection.h"

namespace tessaly::view {

ChartView::ChartView(Chart& chart, MessagePresenter& messages, QWidget* parent)
    : QAbstractScrollArea(parent), chart_(chart), messages_(messages) {
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    update_scroll_sizes();
}

QPoint ChartView::scroll_position() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void ChartView::chart_changed() {
    update_scroll_sizes();
    viewport()->update();
}

void ChartView::update_scroll_sizes() {
    const int width = static_cast<int>((chart_.display.view_width + 50) * zoom_);
    const int height = static_cast<int>((chart_.display.view_height + 50) * zoom_);
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_sizes();
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.translate(-scroll_position());
    PaintState state;
    state.zoom = zoom_;
    paint_chart(painter, chart_, state);
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const QPoint point = event->position().toPoint() + scroll_position();
    if (const int m = hit_mark(chart_, point); m >= 0) {
        // The mark toggles the mandatory flag and leaves the selection be.
        chart_.nodes[m].mandatory = chart_.nodes[m].mandatory ? 0 : 1;
        viewport()->update();
        emit modified();
        return;
    }
    if (const int d = hit_node(chart_, point, zoom_); d >= 0) {
        const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const PressKeys keys = mods == Qt::ControlModifier ? PressKeys::Ctrl
                               : mods == Qt::ShiftModifier ? PressKeys::Shift
                                                           : PressKeys::Plain;
        press_on_node(chart_, d, keys);
        viewport()->update();
        return;
    }
    deselect_all(chart_);
    viewport()->update();
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
        const std::filesystem::path file = path.toStdString();
        if (Status admitted = admit_dropped_file(file); !admitted) {
            show_message(messages_, admitted);
            show_message(messages_, path.toStdString() + "\n", 30045);
            return;  // nothing of this drop is placed
        }
        files.push_back(file);
    }
    if (files.empty()) return;
    const QPoint start = window_point + scroll_position();
    Placement placed = place_source_files(chart_, files, {start.x(), start.y()}, zoom_);
    for (const Status& message : placed.messages) show_message(messages_, message);
    chart_changed();
    emit modified();
}

}  // namespace tessaly::view
