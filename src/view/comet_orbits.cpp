#include "view/comet_orbits.h"

#include <cmath>
#include <vector>

namespace tessaly::view {

OrbitPoint rotate_point(OrbitPoint p, double angle, OrbitPoint centre) {
    if (angle == 6.283185307) return p;
    const double dx = p.x - centre.x;
    const double dy = p.y - centre.y;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double turned = std::atan2(dy, dx) + angle;
    return {static_cast<int>(centre.x + r * std::cos(turned)), static_cast<int>(centre.y + r * std::sin(turned))};
}

OrbitPoint project_point_on_line(OrbitPoint p, OrbitPoint a, OrbitPoint b) {
    const auto squared = [](OrbitPoint u, OrbitPoint v) {
        const double dx = u.x - v.x;
        const double dy = u.y - v.y;
        return dx * dx + dy * dy;
    };
    const double ab2 = squared(a, b);
    const int length = static_cast<int>(std::sqrt(ab2));
    if (length == 0) return a;  // no line to project on
    const int d = static_cast<int>((ab2 + squared(p, a) - squared(p, b)) / (2 * std::sqrt(ab2)));
    const float t = static_cast<float>(d) / static_cast<float>(length);
    return {static_cast<int>(a.x + (b.x - a.x) * t), static_cast<int>(a.y + (b.y - a.y) * t)};
}

std::optional<Orbit> build_orbit(const Rect& box, const Rect& hiding, double angle) {
    const double a = (box.right - box.left) * 0.5;
    const double b = (box.bottom - box.top) * 0.5;
    if (a <= 1 || b <= 1) return std::nullopt;
    const OrbitPoint centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};

    // A quarter of the ellipse from its left end, stepped so that it takes
    // 16 rounds; each round gives the matching point of all four quarters.
    std::vector<std::array<OrbitPoint, 4>> rounds;
    double x = a * 10;
    double y = 0;
    while (x >= 0) {
        if (rounds.size() == 16) return std::nullopt;  // more than 64 points
        const int t = static_cast<int>(x / 10);
        const int u = static_cast<int>(y / 10);
        rounds.push_back({OrbitPoint{centre.x - t, centre.y - u}, OrbitPoint{centre.x + t, centre.y - u},
                          OrbitPoint{centre.x - t, centre.y + u}, OrbitPoint{centre.x + t, centre.y + u}});
        y += x * b / a / 10;
        x -= y * a / b / 10;
    }
    if (rounds.size() != 16) return std::nullopt;

    for (auto& round : rounds)
        for (OrbitPoint& p : round) {
            if (angle != 0) p = rotate_point(p, angle, centre);
            const bool behind = p.x >= hiding.left && p.x < hiding.right && p.y >= hiding.top && p.y < hiding.bottom;
            if (behind && p.x >= centre.x) p = kHiddenPosition;
        }

    // The quarters laid end to end into one clockwise loop; where two meet,
    // the later one wins.
    Orbit orbit{};
    for (int r = 0; r < 16; ++r) orbit[r] = rounds[r][0];
    for (int r = 0; r < 16; ++r) orbit[30 - r] = rounds[r][1];
    for (int r = 0; r < 16; ++r) orbit[30 + r] = rounds[r][3];
    for (int r = 0; r < 15; ++r) orbit[60 - r] = rounds[r][2];
    return orbit;
}

}  // namespace tessaly::view
