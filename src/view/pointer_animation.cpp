#include "view/pointer_animation.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <chrono>
#include <numbers>

namespace tessaly::view {

namespace {

constexpr QRgb kCometColours[kMaxComets] = {
    qRgb(255, 192, 192), qRgb(247, 192, 255), qRgb(123, 192, 247), qRgb(255, 165, 165), qRgb(247, 192, 192),
    qRgb(128, 165, 247), qRgb(255, 123, 123), qRgb(247, 192, 123), qRgb(128, 243, 247), qRgb(255, 173, 243),
};

// The tail: 8 dots, each 8 darker in every colour than the one before it,
// the head darkest.
constexpr int kTail = 8;

QColor darker_by(const QColor& colour, int steps) {
    const auto channel = [&](int c) { return std::max(0, c - 8 * steps); };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

}  // namespace

PointerAnimation::PointerAnimation(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &PointerAnimation::step);
}

QColor PointerAnimation::comet_colour(int comet) { return QColor(kCometColours[comet % kMaxComets]); }

void PointerAnimation::set_seed(std::uint32_t seed) {
    random_state_ = seed;
    seeded_ = true;
}

// A small linear congruential generator: any spread of the ellipses will do,
// and a seed makes a test repeatable.
std::uint32_t PointerAnimation::next_random() {
    random_state_ = random_state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(random_state_ >> 33);
}

bool PointerAnimation::start(QPoint p, int node, const Chart& chart, float zoom, QPoint scroll, int comets, int speed) {
    if (running()) stop();
    if (node < 0 || node >= chart.node_count()) return false;
    const Rect& rect = chart.nodes[node].rect;
    const QRect box(static_cast<int>(rect.left * zoom) - scroll.x(), static_cast<int>(rect.top * zoom) - scroll.y(),
                    static_cast<int>((rect.right - rect.left) * zoom),
                    static_cast<int>((rect.bottom - rect.top) * zoom));

    // The comets hide behind the node, or behind its middle 100 × 100 when
    // it is larger than that both ways.
    Rect hiding{box.x(), box.y(), box.x() + box.width(), box.y() + box.height()};
    if (box.width() > 100 && box.height() > 100) {
        const int cx = (hiding.left + hiding.right) / 2;
        const int cy = (hiding.top + hiding.bottom) / 2;
        hiding = Rect{cx - 50, cy - 50, cx + 50, cy + 50};
    }
    const int h = std::min(hiding.right - hiding.left, hiding.bottom - hiding.top) / 2;

    // The orbits' centre: on the node's middle line, straight above or
    // below the pointer.
    const int middle = static_cast<int>(rect.top * zoom) + static_cast<int>((rect.bottom - rect.top) * zoom) / 2;
    OrbitPoint centre =
        project_point_on_line({p.x(), p.y()}, {0, middle}, {static_cast<int>(chart.display.view_width * zoom), middle});
    centre = {centre.x - scroll.x(), centre.y - scroll.y()};

    if (!seeded_) set_seed(static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    const int spread_x = static_cast<int>(zoom * 10);
    const int spread_y = static_cast<int>(zoom * 50);
    comets = std::min(comets, kMaxComets);
    if (spread_x == 0 || spread_y == 0 || comets <= 0) return false;

    int angle = static_cast<int>(next_random() % 359);
    for (int j = 0; j < comets; ++j) {
        const int half_width = h + static_cast<int>(next_random() % static_cast<std::uint32_t>(spread_x));
        const int half_height = h + static_cast<int>(next_random() % static_cast<std::uint32_t>(spread_y));
        angle += 120 * j;
        if (angle > 359) angle -= 360;
        const Rect ellipse{centre.x - half_width, centre.y - half_height, centre.x + half_width,
                           centre.y + half_height};
        const std::optional<Orbit> orbit = build_orbit(ellipse, hiding, angle * std::numbers::pi / 180);
        if (!orbit) return false;
        paths_[static_cast<std::size_t>(j)] = *orbit;
    }

    // The area every position of every comet lies in; hidden positions are
    // not drawn, so they do not stretch it to the window's corner.
    QRect area;
    for (int j = 0; j < comets; ++j)
        for (int q = 0; q < kOrbitLength; ++q) {
            const OrbitPoint at = paths_[static_cast<std::size_t>(j)][static_cast<std::size_t>(q)];
            if (at != kHiddenPosition) area |= QRect(at.x, at.y, 1, 1);
        }
    const int grow = static_cast<int>(zoom * 4);
    pen_width_ = std::max(2, grow);
    // Room for a dot of the pen's width around each position as well.
    const int room = std::max(grow, pen_width_ / 2 + 2);
    area_ = area.adjusted(-room, -room, room, room);
    positions_.fill(0);
    comets_ = comets;
    node_ = node;
    timer_.start(speed * 10 + 5);
    emit repaint_needed(area_);
    return true;
}

void PointerAnimation::stop() {
    if (!running()) return;
    timer_.stop();
    node_ = -1;
    emit repaint_needed(area_);
}

void PointerAnimation::paint(QPainter& painter) const {
    if (!running()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (int j = 0; j < comets_; ++j) {
        const QColor colour = comet_colour(j);
        for (int i = 0; i < kTail; ++i) {
            int q = positions_[static_cast<std::size_t>(j)] + i - (kTail - 1);
            if (q < 0) q += kOrbitLength;
            const OrbitPoint at = paths_[static_cast<std::size_t>(j)][static_cast<std::size_t>(q)];
            if (at == kHiddenPosition) continue;
            painter.setPen(QPen(darker_by(colour, i), pen_width_));
            painter.drawEllipse(QRect(at.x - 1, at.y - 1, 3, 3));
        }
    }
    painter.restore();
}

void PointerAnimation::step() {
    if (!running()) return;
    for (int j = 0; j < comets_; ++j) {
        int& at = positions_[static_cast<std::size_t>(j)];
        at = j % 2 == 0 ? (at + 1) % kOrbitLength : (at + kOrbitLength - 1) % kOrbitLength;
    }
    emit repaint_needed(area_);
}

}  // namespace tessaly::view
