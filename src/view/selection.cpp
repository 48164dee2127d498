#include "selection.h"

#include "chart_painter.h"

namespace tessaly::view {

namespace {

// Box edges are inclusive of the right and bottom pixel, as drawn.
bool holds(const QRect& box, QPoint p) {
    return p.x() >= box.x() && p.x() <= box.x() + box.width() && p.y() >= box.y() && p.y() <= box.y() + box.height();
}

void select_only(Chart& chart, int d) {
    deselect_all(chart);
    chart.node_states[d].selected = 1;
    chart.primary_node = d;
}

}  // namespace

int hit_node(const Chart& chart, QPoint canvas_point, float zoom) {
    for (int i = chart.node_count() - 1; i >= 0; --i)
        if (holds(canvas_box(chart.nodes[i].rect, zoom), canvas_point)) return i;
    return -1;
}

int hit_mark(const Chart& chart, QPoint canvas_point) {
    for (int i = chart.node_count() - 1; i >= 0; --i) {
        const Rect& m = chart.node_states[i].mark_rect;
        if (m.right > m.left && canvas_point.x() >= m.left && canvas_point.x() <= m.right &&
            canvas_point.y() >= m.top && canvas_point.y() <= m.bottom)
            return i;
    }
    return -1;
}

void deselect_all(Chart& chart) {
    if (chart.primary_node < 0) return;
    for (NodeState& s : chart.node_states) s.selected = 0;
    chart.primary_node = -1;
}

bool press_on_node(Chart& chart, int d, PressKeys keys) {
    NodeState& state = chart.node_states[d];
    if (chart.primary_node < 0) {
        select_only(chart, d);
        return true;
    }
    if (state.selected) {
        if (keys == PressKeys::Shift) {
            state.selected = 0;
            if (chart.primary_node == d) {
                for (int i = 0; i < chart.node_count(); ++i) {
                    if (chart.node_states[i].selected) {
                        chart.primary_node = i;
                        break;
                    }
                }
            }
            return false;
        }
        chart.primary_node = d;
        return true;
    }
    if (keys == PressKeys::Ctrl) {
        state.selected = 1;
        chart.primary_node = d;
        return false;
    }
    select_only(chart, d);
    return true;
}

}  // namespace tessaly::view
