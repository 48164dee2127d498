#include "print/page_drawing.h"

#include <QPainter>

#include "view/chart_painter.h"

namespace tessaly::print {

namespace {

QRect image_rect(const Chart& chart, float zoom) {
    return QRect(0, 0, static_cast<int>(static_cast<float>(chart.display.view_width) * zoom),
                 static_cast<int>(static_cast<float>(chart.display.view_height) * zoom));
}

view::PaintState paint_state(const ChartLook& look, float zoom, bool printer) {
    view::PaintState state;
    state.zoom = zoom;
    state.tint = look.tint;
    state.preview_node = look.preview_node;
    state.printer = printer;
    return state;
}

}  // namespace

void draw_chart_part(QPainter& painter, Chart& chart, const ChartLook& look, float zoom, bool printer,
                     const QRect& window, QPoint from) {
    const QRect part = QRect(from, window.size()).intersected(image_rect(chart, zoom));
    if (part.isEmpty()) return;  // beyond the image: the page stays blank
    const QPoint shift = window.topLeft() - from;
    painter.save();
    painter.setClipRect(part.translated(shift), Qt::IntersectClip);
    painter.translate(shift);
    view::PaintState state = paint_state(look, zoom, printer);
    state.visible = part;
    view::paint_chart(painter, chart, state);
    painter.restore();
}

void draw_chart_stretched(QPainter& painter, Chart& chart, const ChartLook& look, float zoom, bool printer,
                          const QRect& window) {
    const QRect image = image_rect(chart, zoom);
    if (image.isEmpty() || window.isEmpty()) return;
    painter.save();
    painter.setClipRect(window, Qt::IntersectClip);
    painter.translate(window.topLeft());
    painter.scale(static_cast<double>(window.width()) / image.width(),
                  static_cast<double>(window.height()) / image.height());
    painter.setClipRect(image, Qt::IntersectClip);
    view::paint_chart(painter, chart, paint_state(look, zoom, printer));
    painter.restore();
}

MarksKept::MarksKept(Chart& chart) : chart_(chart) {
    marks_.reserve(chart.node_states.size());
    for (const NodeState& state : chart.node_states) marks_.push_back(state.mark_rect);
}

MarksKept::~MarksKept() {
    for (std::size_t i = 0; i < marks_.size() && i < chart_.node_states.size(); ++i)
        chart_.node_states[i].mark_rect = marks_[i];
}

}  // namespace tessaly::print
