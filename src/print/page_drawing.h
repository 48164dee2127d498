#pragma once

// Drawing part of the chart into a window of a page, for the printer and the
// preview alike: the chart's own drawing routine, clipped to the window and
// moved to it. Nothing is ever drawn larger than the window, so a chart of
// any size prints at any resolution in the memory of one page.

#include <QPoint>
#include <QRect>
#include <vector>

#include "chart/chart.h"

class QPainter;

namespace tessaly::print {

// How the chart area looks at the moment of printing.
struct ChartLook {
    bool tint = false;      // the canvas colour of the active chart area
    int preview_node = -1;  // the node the file area shows, drawn bold
};

// The chart drawn at `zoom` is an image of the canvas's size times the zoom;
// this draws the part of that image whose top-left corner is `from` into
// `window` (device pixels), cut to the window and to the image's end.
// `printer`: node texts at their own point size, as on a printer.
void draw_chart_part(QPainter& painter, Chart& chart, const ChartLook& look, float zoom, bool printer,
                     const QRect& window, QPoint from);

// The whole image of the chart at `zoom`, stretched onto `window`.
void draw_chart_stretched(QPainter& painter, Chart& chart, const ChartLook& look, float zoom, bool printer,
                          const QRect& window);

// Drawing places the "必須" marks where the device has them; the chart view's
// hit tests need them where the screen has them. Keeps them for its life.
class MarksKept {
public:
    explicit MarksKept(Chart& chart);
    ~MarksKept();
    MarksKept(const MarksKept&) = delete;
    MarksKept& operator=(const MarksKept&) = delete;

private:
    Chart& chart_;
    std::vector<Rect> marks_;
};

}  // namespace tessaly::print
