#include "view/chart_painter.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "text/cp932.h"
#include "view/patterns.h"

namespace tessaly::view {

namespace {

const QColor kCanvasOutline(72, 94, 123);
const QColor kCanvasTint(191, 209, 234);
const QColor kCanvasPlain(255, 255, 255);
const QColor kArcLine(112, 146, 190);
const QColor kArrowFill(219, 36, 68);
const QColor kNodeOutline(15, 77, 33);
const QColor kMandatoryOutline(255, 0, 0);
const QColor kNodeFill(234, 234, 180);
const QColor kMandatoryFill(255, 200, 200);
const QColor kMarkMandatory(255, 64, 64);
const QColor kMarkOther(128, 128, 128);

const QString kFontFace = QStringLiteral("Meiryo UI");

// Chart coordinates times the zoom factor, cut toward zero.
int scaled(int value, float zoom) { return static_cast<int>(static_cast<float>(value) * zoom); }

// A point size of 0 (a small zoom) is not a font Qt can make; the smallest
// real size stands in for it.
QFont text_font(int points, bool bold) {
    QFont font(kFontFace);
    font.setPointSize(std::max(1, points));
    font.setBold(bold);
    return font;
}

QString from_field(std::string_view cp932_text) { return QString::fromStdString(cp932::to_utf8_lossy(cp932_text)); }

// The outline of a box whose right and bottom edges are exclusive runs on
// its last pixel row and column inside; Qt's drawRect would run one further.
QRect drawn_rect(const QRect& box) { return box.adjusted(0, 0, -1, -1); }

void draw_node_shape(QPainter& painter, const QRect& box, bool rounded) {
    if (rounded)
        painter.drawRoundedRect(drawn_rect(box), 15, 15);  // 30 × 30 corner ellipses
    else
        painter.drawRect(drawn_rect(box));
}

// Width of the widest line and the height of the lines that hold text; the
// whole text is one line when it has no line break.
QSize text_extent(const QFontMetrics& metrics, const QString& text) {
    if (!text.contains(QLatin1Char('\n'))) return {metrics.horizontalAdvance(text), metrics.height()};
    int width = 0;
    int height = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        width = std::max(width, metrics.horizontalAdvance(line));
        if (!line.isEmpty()) height += metrics.height();
    }
    return {width, height};
}

void draw_arcs(QPainter& painter, const Chart& chart, float zoom, const QRect& visible) {
    QPen pen(kArcLine);
    pen.setWidth(static_cast<int>(zoom));  // 0: a one-pixel line below 100 %
    painter.setPen(pen);
    painter.setBrush(kArrowFill);
    for (const ArcRecord& arc : chart.arcs) {
        if (arc.from >= chart.node_count() || arc.to >= chart.node_count()) continue;
        const QRect a = canvas_box(chart.nodes[arc.from].rect, zoom);
        const QRect b = canvas_box(chart.nodes[arc.to].rect, zoom);
        const QPoint a_centre((a.x() + a.x() + a.width()) / 2, (a.y() + a.y() + a.height()) / 2);
        const QPoint b_centre((b.x() + b.x() + b.width()) / 2, (b.y() + b.y() + b.height()) / 2);
        if (!visible.isEmpty() && !visible.intersects(a.united(b).adjusted(-16, -16, 16, 16))) continue;
        const QPoint start = border_point(a, b_centre);
        const QPoint end = border_point(b, a_centre);
        painter.drawLine(start, end);
        const auto head = arrowhead(start, end, zoom);
        painter.drawPolygon(head.data(), static_cast<int>(head.size()));
    }
}

// The "必須" mark: the same font and size on every node of one paint.
struct Mark {
    QString text = QStringLiteral("必須");
    QFont font;
    int width = 0;
    int height = 0;

    Mark(const PaintState& state, QPaintDevice* device)
        : font(text_font(state.printer ? 10 : static_cast<int>(state.zoom * 10), true)) {
        const QFontMetrics metrics(font, device);
        width = metrics.horizontalAdvance(text);
        height = metrics.height();
    }
};

void draw_node(QPainter& painter, Chart& chart, int i, const PaintState& state, const Mark& mark) {
    NodeRecord& node = chart.nodes[static_cast<std::size_t>(i)];
    const DisplayState& display = chart.display;
    const bool bold = i == state.preview_node;

    const QRect box = canvas_box(node.rect, state.zoom);
    const bool rounded = node.kind == kResultNode;
    const bool mandatory = node.mandatory != 0;
    NodeState* node_state =
        i < static_cast<int>(chart.node_states.size()) ? &chart.node_states[static_cast<std::size_t>(i)] : nullptr;

    // The mark sits over the lower right corner, half outside the box. It is
    // placed even for a node out of sight and not drawn: the hit tests must
    // never find a mark where the node no longer is.
    const QRect mark_box(box.x() + box.width() - mark.width / 2, box.y() + box.height() - mark.height / 4, mark.width,
                         mark.height);
    if (node_state)
        node_state->mark_rect = Rect{mark_box.x(), mark_box.y(), mark_box.right() + 1, mark_box.bottom() + 1};
    if (!state.visible.isEmpty() && !state.visible.intersects(box.adjusted(-5, -5, 5, 5).united(mark_box))) return;
    const QString text = node_text(chart, i);

    if (node_state && node_state->selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(i == chart.primary_node ? navy_checkerboard() : magenta_checkerboard());
        const QRect halo = box.adjusted(-5, -5, 5, 5);
        if (rounded)
            painter.drawRoundedRect(halo, 15, 15);
        else
            painter.drawRect(halo);
    }

    painter.setPen(mandatory ? QPen(kMandatoryOutline, 2) : QPen(kNodeOutline, 1));
    painter.setBrush(mandatory ? kMandatoryFill : kNodeFill);
    draw_node_shape(painter, box, rounded);

    const int font_points = state.printer ? display.node_font_size
                                          : static_cast<int>(static_cast<float>(display.node_font_size) * state.zoom);
    painter.setFont(text_font(font_points, bold));
    painter.setPen(Qt::black);
    const int inset = static_cast<int>(state.zoom * 6);
    painter.drawText(box.adjusted(inset, inset, -inset, -inset), Qt::AlignCenter, text);

    painter.setFont(mark.font);
    painter.setPen(mandatory ? kMarkMandatory : kMarkOther);
    painter.drawText(mark_box, Qt::AlignLeft | Qt::AlignTop, mark.text);
}

}  // namespace

void size_collapsed_nodes(Chart& chart, int preview_node) {
    const DisplayState& display = chart.display;
    for (int i = 0; i < chart.node_count(); ++i) {
        NodeRecord& node = chart.nodes[static_cast<std::size_t>(i)];
        if (node.rect.right - node.rect.left >= 2) continue;
        const QFontMetrics metrics(text_font(display.node_font_size, i == preview_node));
        const QSize extent = text_extent(metrics, node_text(chart, i));
        node.rect = sized_box(node.rect, extent.width(), extent.height(), display.node_font_size, display.view_width,
                              display.view_height);
    }
}

QString node_text(const Chart& chart, int node) {
    const NodeRecord& record = chart.nodes.at(static_cast<std::size_t>(node));
    const DisplayState& display = chart.display;
    QStringList lines;
    auto add = [&lines](bool shown, const QString& piece) {
        if (shown && !piece.isEmpty()) lines.push_back(piece);
    };
    add(display.show_name != 0, from_field(cp932::field_text(record.title)));
    add(display.show_description != 0, from_field(cp932::field_text(record.description)));
    add(display.show_key_sample != 0, from_field(cp932::field_text(record.key_sample)));
    add(display.show_file_path != 0, from_field(cp932::field_text(record.path)));
    // Plain digits: the count is part of the node's size, so it stays short.
    add(display.show_record_count != 0,
        QString::number(record.record_count) +
            (record.kind == kResultNode ? QStringLiteral("ヒット") : QStringLiteral("レコード")));
    return lines.join(QLatin1Char('\n'));
}

Rect sized_box(Rect collapsed, int text_width, int text_height, int font_size, int view_width, int view_height) {
    const int cx = (collapsed.left + collapsed.right) / 2;
    const int cy = (collapsed.top + collapsed.bottom) / 2;
    const int half_width = font_size + text_width / 2;
    const int half_height = font_size + text_height / 2 - 4;
    Rect box{cx - half_width, cy - half_height, cx + half_width, cy + half_height};

    // Keep the node on the canvas.
    if (box.right > view_width)
        box = box.moved(view_width - box.right, 0);
    else if (box.left < 0)
        box = box.moved(-box.left, 0);
    if (box.bottom > view_height)
        box = box.moved(0, view_height - box.bottom);
    else if (box.top < 0)
        box = box.moved(0, -box.top);
    return box;
}

QRect canvas_box(const Rect& rect, float zoom) {
    return QRect(scaled(rect.left, zoom), scaled(rect.top, zoom), scaled(rect.right - rect.left, zoom),
                 scaled(rect.bottom - rect.top, zoom));
}

QPoint border_point(const QRect& box, QPoint other_centre) {
    const int left = box.x();
    const int top = box.y();
    const int right = box.x() + box.width();
    const int bottom = box.y() + box.height();
    const int cx = (left + right) / 2;
    const int cy = (top + bottom) / 2;
    const int dx = other_centre.x() - cx;
    const int dy = other_centre.y() - cy;

    if (dx == 0 && dy == 0) return {cx, cy};  // no direction to leave in
    if (dx == 0) return {cx, dy < 0 ? top : bottom};
    if (dy == 0) return {dx > 0 ? right : left, cy};

    const double slope = static_cast<double>(std::abs(dy)) / std::abs(dx);
    // A box one pixel wide has no side to leave through.
    const double ratio = right - cx > 0 ? static_cast<double>(cy - top) / (right - cx) : HUGE_VAL;
    const bool lower_right = dx > 0 && dy > 0;
    const bool through_side = slope < ratio || (slope == ratio && !lower_right);

    if (through_side) {
        const double step = static_cast<double>(dy) / std::abs(dx);
        if (dx > 0) return {right, cy + static_cast<int>(step * (right - cx))};
        return {left, cy + static_cast<int>(step * (cx - left))};
    }
    const double step = static_cast<double>(dx) / std::abs(dy);
    if (dy < 0) return {cx + static_cast<int>(step * (cy - top)), top};
    return {cx + static_cast<int>(step * (bottom - cy)), bottom};
}

std::array<QPoint, 3> arrowhead(QPoint from, QPoint tip, float zoom) {
    const int x1 = from.x();
    const int y1 = from.y();
    const int x2 = tip.x();
    const int y2 = tip.y();
    const int length = static_cast<int>(
        std::sqrt(static_cast<double>(x1 - x2) * (x1 - x2) + static_cast<double>(y1 - y2) * (y1 - y2)));
    if (length == 0) return {tip, tip, tip};  // a line of no length has no direction

    const float s = static_cast<float>(static_cast<int>(zoom * 16)) / static_cast<float>(length);
    const int step_x = static_cast<int>(static_cast<float>(std::abs(x1 - x2)) * s);
    const int step_y = static_cast<int>(static_cast<float>(std::abs(y1 - y2)) * s);
    const int bx = x1 > x2 ? x2 + step_x : x2 - step_x;
    const int by = y1 > y2 ? y2 + step_y : y2 - step_y;

    const double vx = x2 - bx;
    const double vy = y2 - by;
    const double v = std::sqrt(vx * vx + vy * vy);
    const double ux = v > 0 ? vx / v : 0.0;
    const double uy = v > 0 ? vy / v : 0.0;
    const double h = static_cast<int>(zoom * 9) * 0.5;
    const int ox = static_cast<int>(std::floor(h * uy));
    const int oy = static_cast<int>(std::floor(-h * ux));
    return {QPoint(bx - ox, by - oy), tip, QPoint(bx + ox, by + oy)};
}

void paint_chart(QPainter& painter, Chart& chart, const PaintState& state) {
    painter.save();
    painter.setBackgroundMode(Qt::TransparentMode);

    const DisplayState& display = chart.display;
    const QRect canvas(0, 0, scaled(display.view_width, state.zoom), scaled(display.view_height, state.zoom));
    painter.setPen(QPen(kCanvasOutline, 1));
    painter.setBrush(state.tint ? kCanvasTint : kCanvasPlain);
    painter.drawRect(drawn_rect(canvas));

    // Arcs first, so that the nodes cover the ends of the lines. They end at
    // the node borders, so every collapsed node must have its size before
    // the first arc is drawn, not only when its own turn comes: else the
    // first paint after a collapse draws the arcs to the node's centre and
    // hides the arrowhead under it.
    if (chart.node_count() > 0) {
        size_collapsed_nodes(chart, state.preview_node);
        if (chart.arc_count() > 0) draw_arcs(painter, chart, state.zoom, state.visible);
        const Mark mark(state, painter.device());
        for (int i = 0; i < chart.node_count(); ++i) draw_node(painter, chart, i, state, mark);
    }

    painter.restore();
}

}  // namespace tessaly::view
