#pragma once

// The pointer shapes of the chart area: each tells what a press would do
// where the pointer is. The system's own arrow and hand are used as they
// are; the program draws the others itself. The zoom console
// has shapes of its own (console_cursors.h) and shares the move shape.

#include <QCursor>
#include <QImage>

namespace tessaly::view {

enum class ChartCursor {
    Arrow,         // nothing to press here
    Hand,          // over a node that is not selected
    Move,          // over a selected node, or dragging nodes: an arrow with a four-way sign
    Prohibited,    // dragging nodes with the pointer off the canvas
    Mark,          // over a "必須" mark: a hand with a red fingertip
    ResizeWidth,   // on the canvas's right edge: a bar with arrows left and right
    ResizeHeight,  // on the canvas's bottom edge: the same turned up and down
};

// The picture of a shape the program draws (32 × 32, alpha); a null image
// for the system's shapes.
QImage chart_cursor_picture(ChartCursor shape);

// The cursor itself; needs a running GUI application.
QCursor chart_cursor(ChartCursor shape);

}  // namespace tessaly::view
