#pragma once

// The geometry of the pointer animation: the small comets that circle a node
// while the pointer rests on it. Each comet runs on a tilted ellipse about a
// point of the node's middle line; where the ellipse passes behind the node
// its positions are hidden. Everything is in window pixels.

#include <array>
#include <optional>

#include "chart/records.h"

namespace tessaly::view {

struct OrbitPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const OrbitPoint&, const OrbitPoint&) = default;
};

// A position where the comet is behind the node.
inline constexpr OrbitPoint kHiddenPosition{-1, -1};

// Positions 0 to 59 of an orbit are used: 0 is the left end of the untilted
// ellipse, and they run clockwise through the top, the right end (30) and
// the bottom (45). The four slots past 59 are scratch.
using Orbit = std::array<OrbitPoint, 64>;
inline constexpr int kOrbitLength = 60;

// p turned by angle (radians) about centre at its distance, cut to integers;
// an angle of exactly 2π leaves it where it is.
OrbitPoint rotate_point(OrbitPoint p, double angle, OrbitPoint centre);

// The foot of the perpendicular from p on the line from a to b.
OrbitPoint project_point_on_line(OrbitPoint p, OrbitPoint a, OrbitPoint b);

// The orbit on the ellipse inside ellipse_box, tilted by angle about its
// centre. Positions that fall inside hiding_square and not left of the
// centre are hidden. None when the ellipse is too small to run on.
std::optional<Orbit> build_orbit(const Rect& ellipse_box, const Rect& hiding_square, double angle);

}  // namespace tessaly::view
