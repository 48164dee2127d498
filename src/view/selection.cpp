#include "view/selection.h"

#include "view/chart_painter.h"

#include <algorithm>
#include <cstdlib>

namespace tessaly::view {

namespace {

// Box edges are inclusive of the right and bottom pixel, as drawn.
bool holds(const QRect& box, QPoint p) {
    return p.x() >= box.x() && p.x() <= box.x() + box.width() && p.y() >= box.y() && p.y() <= box.y() + box.height();
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

void select_only(Chart& chart, int d) {
    deselect_all(chart);
    chart.node_states[d].selected = 1;
    chart.primary_node = d;
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

namespace tessaly::view {

namespace {

int to_chart_units(int pixels, float zoom) {
    const int units = static_cast<int>(pixels / zoom);
    if (units == 0 && (pixels == 1 || pixels == -1)) return pixels;
    return units;
}

}  // namespace

bool move_selected_nodes(Chart& chart, int dx, int dy, float zoom, const BeforeMove& before_move) {
    dx = to_chart_units(dx, zoom);
    dy = to_chart_units(dy, zoom);
    if (dx == 0 && dy == 0) return false;
    if (before_move) before_move();
    const int width = chart.display.view_width;
    const int height = chart.display.view_height;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        Rect& r = chart.nodes[i].rect;
        r = r.moved(dx, dy);
        if (r.right >= width) r = r.moved(width - 1 - r.right, 0);
        if (r.bottom >= height) r = r.moved(0, height - 1 - r.bottom);
        if (r.left < 2) r = r.moved(2 - r.left, 0);
        if (r.top < 2) r = r.moved(0, 2 - r.top);
    }
    return true;
}

bool drop_dragged_nodes(Chart& chart, QPoint pointer, QPoint grab_offset, float zoom, const BeforeMove& before_move) {
    if (chart.primary_node < 0) return false;
    const QRect box = canvas_box(chart.nodes[chart.primary_node].rect, zoom);
    const QPoint centre(box.x() + box.width() / 2, box.y() + box.height() / 2);
    const QPoint delta = pointer - grab_offset - centre;
    if (std::abs(delta.x()) < 2 && std::abs(delta.y()) < 2) return false;
    return move_selected_nodes(chart, delta.x(), delta.y(), zoom, before_move);
}

}  // namespace tessaly::view

namespace tessaly::view {

void select_all(Chart& chart) {
    for (NodeState& s : chart.node_states) s.selected = 1;
    if (chart.primary_node == -1 && chart.node_count() > 0) chart.primary_node = 0;
}

bool select_in_band(Chart& chart, const Band& band, float zoom) {
    if (!band.selects()) return false;
    auto inside = [&](int i) { return band.holds(canvas_box(chart.nodes[i].rect, zoom)); };
    bool any = false;
    for (int i = 0; i < chart.node_count() && !any; ++i) any = inside(i);
    if (!any) return false;
    chart.primary_node = -1;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!inside(i)) continue;
        chart.node_states[i].selected = 1;
        chart.primary_node = i;
    }
    return true;
}

}  // namespace tessaly::view

namespace tessaly::view {

int canvas_edge_for(const Chart& chart, int pointer, float zoom, bool width) {
    return static_cast<int>(static_cast<float>(canvas_edge_pixels(chart, pointer, zoom, width)) / zoom);
}

int canvas_edge_pixels(const Chart& chart, int pointer, float zoom, bool width) {
    int edge = pointer;
    for (const NodeRecord& node : chart.nodes) {
        const QRect box = canvas_box(node.rect, zoom);
        edge = std::max(edge, width ? box.x() + box.width() : box.y() + box.height());
    }
    edge = std::max(edge, static_cast<int>(zoom * 500));
    return std::min(edge, static_cast<int>(zoom * 5000));
}

}  // namespace tessaly::view
