#pragma once

// The pointer shapes of the zoom console. Apart from the system hand, the
// program draws them itself; the move shape is the chart's own.

#include <QCursor>
#include <QImage>

namespace tessaly::view {

enum class ConsoleCursor {
    Ring,      // over the ring: turn it to zoom
    RingDrag,  // turning the ring, with the pointer on it
    Move,      // over an active console, or dragging off the ring
    Hand,      // over an inactive console
    Plus,      // over the plus button
    Minus,     // over the minus button
};

// The picture of a drawn shape (32 × 32, alpha); a null image for Hand.
QImage console_cursor_picture(ConsoleCursor shape);

// The cursor itself; needs a running GUI application.
QCursor console_cursor(ConsoleCursor shape);

}  // namespace tessaly::view
