#include "view/zoom_console.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "view/console_pictures.h"
#include "view/zoom_steps.h"

namespace tessaly::view {

namespace {

constexpr int kDiscRadius = 65;
constexpr int kRingInner = 65;
constexpr int kRingOuter = 73;
constexpr int kRingRadius = 69;
constexpr int kRingWidth = 5;
constexpr int kRingStrokes = 69;
constexpr int kEdgeMargin = 5;  // between the console and the window's edge
constexpr QPoint kHalf(kConsoleSize / 2, kConsoleSize / 2);

// The digits stand centred on the dial: one at 49, two from 31, three from 15.
int first_digit_x(int digits) { return digits == 1 ? 49 : digits == 2 ? 31 : 15; }
constexpr int kDigitTop = 40;
constexpr int kDigitAdvance = 34;

bool in(QPoint p, int left, int top, int right, int bottom) {
    return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom;
}

// The ring: 69 strokes from dark olive to bright yellow, brightening
// clockwise from the top, which is the way the zoom goes up.
void paint_ring(QPainter& painter, QPoint centre) {
    const QRectF circle(centre.x() - kRingRadius, centre.y() - kRingRadius, 2 * kRingRadius, 2 * kRingRadius);
    const double sweep = 360.0 / kRingStrokes;
    for (int k = 0; k < kRingStrokes; ++k) {
        // Qt counts angles counter-clockwise from three o'clock. Each stroke
        // reaches a little into the next, which is drawn over it, so that no
        // seam shows between them.
        const double start = 90.0 - k * sweep;
        const double span = k + 1 < kRingStrokes ? -(sweep + 0.6) : -sweep;
        QPainterPath stroke;
        stroke.arcMoveTo(circle, start);
        stroke.arcTo(circle, start, span);
        painter.setPen(QPen(QColor(98 + 2 * k, 98 + 2 * k, 0), kRingWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(stroke);
    }
}

}  // namespace

QString ring_guide_text(int client_y) {
    return client_y % 2 != 0
               ? QStringLiteral("回転円に沿ってドラッグして表示倍率を変更することができます。")
               : QStringLiteral(
                     "回転円上でマウスホィールを操作して回転させることができます。Ctrlキー押下時は、1ポイント変わります。");
}

ZoomConsole::ZoomConsole(QObject* parent) : QObject(parent), face_(console_face()), digits_(digit_strip()) {
    if (face_.isNull() || digits_.isNull()) return;
    render_face(1.0f);
}

void ZoomConsole::reset(QPoint centre, float zoom) {
    centre_ = centre;
    pinned_ = true;
    visible_ = true;
    active_ = false;
    hidden_for_scroll_ = false;
    ring_dragging_ = false;
    moving_ = false;
    outline_ = QRect();
    render_face(zoom);
}

void ZoomConsole::render_face(float zoom) {
    if (face_.isNull() || digits_.isNull()) return;
    // The view keeps the zoom in range; a stray value still shows a number
    // that fits the dial.
    const QString number = QString::number(zoom_percent(clamped_zoom(zoom)));
    overlay_ = face_.copy();
    QPainter painter(&overlay_);
    int x = first_digit_x(static_cast<int>(number.size()));
    for (const QChar c : number) {
        const int d = c.digitValue();
        painter.drawImage(QPoint(x, kDigitTop), digits_, QRect(d * kDigitWidth, 0, kDigitWidth, kDigitHeight));
        x += kDigitAdvance;
    }
    painter.end();

    composite_ = QImage(kConsoleSize, kConsoleSize, QImage::Format_RGB32);
    if (!composite_.isNull()) {
        composite_.fill(kConsoleClear);
        QPainter flat(&composite_);
        flat.drawImage(0, 0, overlay_);
    }
    emit zoom_text(number + QLatin1Char('%'));
}

int ZoomConsole::distance(QPoint p) const {
    const double dx = p.x() - centre_.x();
    const double dy = p.y() - centre_.y();
    return static_cast<int>(std::sqrt(dx * dx + dy * dy));
}

int ZoomConsole::hit_test(QPoint p, bool areas) {
    if (distance(p) > kDiscRadius) return kOutside;
    if (!pinned_ && !visible_) set_shown(true);
    if (!areas) return kDisc;
    const QPoint c = p - (centre_ - kHalf);
    if (in(c, 59, 5, 71, 35) || in(c, 50, 14, 80, 26)) return kPlus;
    if (in(c, 50, 104, 80, 116)) return kMinus;
    return kDisc;
}

bool ZoomConsole::on_ring(QPoint p) const {
    // A hidden console has no ring to take hold of, active or not.
    if (!active_ || !visible_) return false;
    const int d = distance(p);
    return d >= kRingInner && d <= kRingOuter;
}

QPoint ZoomConsole::clamp_centre(QPoint p, QSize client) {
    const int left = kEdgeMargin, top = kEdgeMargin;
    const int right = client.width() - kEdgeMargin, bottom = client.height() - kEdgeMargin;
    const int x = std::max(std::min(p.x(), right - kHalf.x()), left + kHalf.x());
    const int y = std::max(std::min(p.y(), bottom - kHalf.y()), top + kHalf.y());
    return {x, y};
}

void ZoomConsole::set_shown(bool shown) {
    if (visible_ == shown) return;
    visible_ = shown;
    emit repaint_needed();
}

void ZoomConsole::paint(QPainter& painter, QSize client) {
    painter.save();
    // The console does not scroll with the chart.
    painter.resetTransform();
    if (visible_ && !overlay_.isNull()) {
        centre_ = clamp_centre(centre_, client);
        painter.drawImage(centre_ - kHalf, overlay_);
        if (active_) {
            painter.setRenderHint(QPainter::Antialiasing);
            paint_ring(painter, centre_);
        }
    }
    if (!outline_.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(0, 0, 128), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outline_.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void ZoomConsole::end_gestures() {
    ring_dragging_ = false;
    moving_ = false;
    if (!outline_.isEmpty()) {
        outline_ = QRect();
        emit repaint_needed();
    }
}

bool ZoomConsole::pointer_moved(QPoint p, Qt::MouseButtons buttons, QSize client) {
    // A gesture whose button went up unseen (a menu or a dialog took the
    // release) ends where it stands instead of following a free pointer.
    if ((ring_dragging_ || moving_) && !(buttons & Qt::LeftButton)) end_gestures();

    if (ring_dragging_) {
        const int points = ring_drag_points(centre_, drag_last_point_, p);
        drag_last_point_ = p;
        cursor_ = on_ring(p) ? ConsoleCursor::RingDrag : ConsoleCursor::Move;
        if (points != 0) emit zoom_step(points);
        return true;
    }
    if (moving_) {
        const QPoint centre = clamp_centre(p - grab_offset_, client);
        const QRect outline(centre - kHalf, QSize(kConsoleSize, kConsoleSize));
        cursor_ = ConsoleCursor::Move;
        if (outline != outline_) {
            outline_ = outline;
            emit repaint_needed();
        }
        return true;
    }
    if (on_ring(p)) {
        cursor_ = ConsoleCursor::Ring;
        emit ring_hovered(ring_guide_text(p.y()));
        return true;
    }
    switch (hit_test(p, true)) {
        case kPlus:
            cursor_ = ConsoleCursor::Plus;
            return true;
        case kMinus:
            cursor_ = ConsoleCursor::Minus;
            return true;
        case kDisc:
            cursor_ = active_ ? ConsoleCursor::Move : ConsoleCursor::Hand;
            return true;
        default:
            return false;
    }
}

bool ZoomConsole::pressed(QPoint p) {
    if (on_ring(p)) {
        ring_dragging_ = true;
        drag_last_point_ = p;
        return true;
    }
    const int hit = hit_test(p, true);
    if (hit == kOutside) return false;
    if (hit == kPlus) {
        emit zoom_step(1);
    } else if (hit == kMinus) {
        emit zoom_step(-1);
    } else if (!active_) {
        active_ = true;
        emit repaint_needed();
    }
    // Any press on the dial may turn into dragging the console.
    moving_ = true;
    drag_last_point_ = p;
    grab_offset_ = p - centre_;
    emit position_panes_cleared();
    return true;
}

void ZoomConsole::pressed_elsewhere(bool on_mandatory_mark) {
    if (on_mandatory_mark) return;
    const bool was_active = active_;
    active_ = false;
    if (!pinned_ && visible_) {
        visible_ = false;
        emit repaint_needed();
    } else if (was_active && visible_) {
        emit repaint_needed();
    }
}

bool ZoomConsole::released(QPoint p, QSize client) {
    if (!ring_dragging_ && !moving_) return false;
    const bool was_moving = moving_;
    end_gestures();
    if (!was_moving) return true;
    // A click that wandered a pixel is still a click.
    const QPoint shift = p - drag_last_point_;
    if (std::abs(shift.x()) < 2 && std::abs(shift.y()) < 2) return true;
    centre_ = clamp_centre(centre_ + shift, client);
    emit repaint_needed();
    emit moved();
    return true;
}

bool ZoomConsole::wheel(QPoint p, int delta, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons) {
    if (!on_ring(p)) return false;
    emit zoom_step(wheel_step(delta, keys, buttons));
    return true;
}

void ZoomConsole::scrolling_started() {
    if (!visible_) return;
    hidden_for_scroll_ = true;
    set_shown(false);
}

void ZoomConsole::scrolling_finished() {
    if (!hidden_for_scroll_) return;
    hidden_for_scroll_ = false;
    set_shown(true);
}

void ZoomConsole::toggle_pinned() {
    pinned_ = !pinned_;
    visible_ = pinned_;
    // Coming back near an unpinned console shows its face, not a ring.
    if (!visible_) active_ = false;
    emit repaint_needed();
}

void ZoomConsole::show_at_top_left() {
    centre_ = kConsoleHome;
    visible_ = true;
    emit repaint_needed();
}

bool ZoomConsole::right_click_opens_zoom_menu(QPoint p) {
    if (distance(p) > kDiscRadius) return false;
    if (!pinned_ && !visible_) set_shown(true);
    return true;
}

}  // namespace tessaly::view
