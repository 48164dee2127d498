#pragma once

// The pointer animation: while the pointer rests on a node that is not
// selected, up to ten small comets circle it, each on its own tilted
// ellipse, passing behind the node. A timer moves them; each step asks for
// a repaint of the area the comets can reach and nothing more, so the chart
// itself is never drawn again for them.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <array>
#include <cstdint>

#include "chart/chart.h"
#include "view/comet_orbits.h"

class QPainter;

namespace tessaly::view {

inline constexpr int kMaxComets = 10;

class PointerAnimation : public QObject {
    Q_OBJECT

public:
    explicit PointerAnimation(QObject* parent = nullptr);

    // Starts circling the node for a pointer at canvas point p, with the
    // view's zoom and scroll position: `comets` comets (0: none), a step
    // every speed × 10 + 5 ms. False when nothing starts (no comets, a zoom
    // too small, a node too small to circle).
    bool start(QPoint p, int node, const Chart& chart, float zoom, QPoint scroll, int comets, int speed);
    // Ends the animation and asks for its area to be repainted without it.
    void stop();

    bool running() const { return node_ >= 0; }
    int node() const { return node_; }
    int comets() const { return comets_; }
    int interval() const { return timer_.interval(); }
    // Window pixels that every comet position lies in, with room for the dots.
    QRect area() const { return area_; }
    const Orbit& orbit(int comet) const { return paths_[static_cast<std::size_t>(comet)]; }
    int position(int comet) const { return positions_[static_cast<std::size_t>(comet)]; }

    // Draws the comets where they are now, in window pixels.
    void paint(QPainter& painter) const;
    // Moves every comet one place on: even ones forward, odd ones back.
    void step();

    // The random numbers for the ellipses; seeded from the clock unless set.
    void set_seed(std::uint32_t seed);

    static QColor comet_colour(int comet);

signals:
    // The window area to repaint: after a step, or a stop.
    void repaint_needed(QRect area);

private:
    std::uint32_t next_random();

    QTimer timer_;
    int node_ = -1;
    int comets_ = 0;
    int pen_width_ = 2;
    QRect area_;
    std::array<Orbit, kMaxComets> paths_{};
    std::array<int, kMaxComets> positions_{};
    std::uint64_t random_state_ = 0;
    bool seeded_ = false;
};

}  // namespace tessaly::view
