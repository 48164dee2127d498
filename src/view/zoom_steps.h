#pragma once

// The arithmetic of the chart's zoom: its range, relative steps in points
// (one point is 1 %), the percentage it shows, and the steps that the ring
// drag and the mouse wheel ask for.

#include <QPoint>
#include <QSize>
#include <Qt>

namespace tessaly::view {

inline constexpr float kMinZoom = 0.08f;
inline constexpr float kMaxZoom = 4.0f;

// The zoom kept within 8 % … 400 %.
float clamped_zoom(float x);

// The zoom moved by a number of points, clamped. A zoom on a whole
// percentage stays on one, so that each press of the plus button shows the
// next number (single precision cannot hold 1.05 exactly, and adding 0.01
// to it would otherwise show 104 twice and drift further with every step).
float changed_zoom(float zoom, int points);

// The whole percentage a zoom shows (and is stored as): 1.0 is 100. A zoom
// within a thousandth of a point below a whole number counts as that number.
int zoom_percent(float zoom);

// The zoom at which a canvas of view_width × view_height (chart units) fits
// the client area: the smaller of the two ratios, not yet clamped.
float zoom_to_fit(QSize client, int view_width, int view_height);

// The points of one ring-drag step from `last` to `now` around `centre`:
// the integer part of the angle turned × 100. Turning clockwise on the
// screen is positive. When the pointer crosses the line to the left of the
// centre the two angles lie on either side of ±π; the turn is taken the
// short way round, so that it is a few points and not ±628.
int ring_drag_points(QPoint centre, QPoint last, QPoint now);

// The wheel step for one wheel message: 1 with Ctrl, −1 with Ctrl+Shift,
// −10 with the right button held, 10 otherwise; negated when the wheel
// turned away from the user (delta > 0).
int wheel_step(int delta, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons);

// Whether a wheel step that does not zoom scrolls sideways: with Shift
// (Ctrl or not) or the right button held.
bool wheel_scrolls_horizontally(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons);

}  // namespace tessaly::view
