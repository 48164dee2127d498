#include "view/zoom_steps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessaly::view {

namespace {

// How far below a whole percentage a zoom may lie and still count as it:
// far more than single precision loses near 400 %, far less than a point.
constexpr double kPointTolerance = 1e-3;

}  // namespace

float clamped_zoom(float x) {
    if (x > kMaxZoom) return kMaxZoom;
    if (x < kMinZoom) return kMinZoom;
    return x;
}

float changed_zoom(float zoom, int points) {
    double now = static_cast<double>(zoom) * 100.0;
    const double whole = std::round(now);
    if (std::abs(now - whole) < kPointTolerance) now = whole;
    return clamped_zoom(static_cast<float>((now + points) / 100.0));
}

int zoom_percent(float zoom) {
    return static_cast<int>(std::floor(static_cast<double>(zoom) * 100.0 + kPointTolerance));
}

float zoom_to_fit(QSize client, int view_width, int view_height) {
    if (view_width <= 0 || view_height <= 0) return 1.0f;
    const double across = static_cast<double>(client.width()) / view_width;
    const double down = static_cast<double>(client.height()) / view_height;
    return static_cast<float>(std::min(across, down));
}

int ring_drag_points(QPoint centre, QPoint last, QPoint now) {
    const double before = std::atan2(last.y() - centre.y(), last.x() - centre.x());
    const double after = std::atan2(now.y() - centre.y(), now.x() - centre.x());
    double turn = after - before;
    if (turn > std::numbers::pi) turn -= 2 * std::numbers::pi;
    if (turn < -std::numbers::pi) turn += 2 * std::numbers::pi;
    return static_cast<int>(turn * 100);
}

int wheel_step(int delta, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons) {
    const bool ctrl = keys & Qt::ControlModifier;
    const bool shift = keys & Qt::ShiftModifier;
    int step = 10;
    if (ctrl && !shift)
        step = 1;
    else if (ctrl && shift)
        step = -1;
    else if (buttons & Qt::RightButton)
        step = -10;
    return delta > 0 ? -step : step;
}

bool wheel_scrolls_horizontally(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons) {
    return (keys & Qt::ShiftModifier) || (buttons & Qt::RightButton);
}

}  // namespace tessaly::view
