// How long the chart area takes to draw the fullest chart: 1,001 nodes and
// 1,000 arcs on a 5,000 × 5,000 canvas, as a screen repaint of the window's
// part of it and of the whole canvas, at several zooms, and with the whole
// selection moved between repaints as a drag does.
//
//   bench-chart-paint [repeats]

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "fullest_chart.h"
#include "view/chart_painter.h"
#include "view/selection.h"

using namespace tessaly;

namespace {

struct Figure {
    double mean_ms;
    double worst_ms;
};

template <typename Step>
Figure time(int repeats, Step step) {
    std::vector<double> ms;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    double sum = 0;
    for (double m : ms) sum += m;
    return {sum / repeats, *std::max_element(ms.begin(), ms.end())};
}

// As the chart area paints: only what the window shows is drawn.
void paint(QImage& image, Chart& chart, float zoom, QPoint scroll) {
    QPainter painter(&image);
    painter.fillRect(image.rect(), Qt::white);
    painter.translate(-scroll);
    view::PaintState state;
    state.zoom = zoom;
    state.visible = image.rect().translated(scroll);
    view::paint_chart(painter, chart, state);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    Chart chart = fullest_chart();
    QImage window(1600, 1000, QImage::Format_RGB32);
    paint(window, chart, 1.0f, {});  // sizes every node once, as the first paint does

    std::printf("chart: %d nodes, %d arcs; %d repeats; window %dx%d\n", chart.node_count(), chart.arc_count(), repeats,
                window.width(), window.height());
    for (float zoom : {0.08f, 0.5f, 1.0f, 2.0f, 4.0f}) {
        const Figure f = time(repeats, [&](int) { paint(window, chart, zoom, {0, 0}); });
        std::printf("window repaint   zoom %5.2f: %7.2f ms mean, %7.2f ms worst\n", zoom, f.mean_ms, f.worst_ms);
    }
    {
        QImage whole(2500, 2500, QImage::Format_RGB32);
        const Figure f = time(std::max(1, repeats / 4), [&](int) { paint(whole, chart, 0.5f, {0, 0}); });
        std::printf("whole canvas    zoom  0.50: %7.2f ms mean, %7.2f ms worst (2500x2500)\n", f.mean_ms, f.worst_ms);
    }
    {
        // A drag: a third of the nodes move a little, then the window repaints.
        const Figure f = time(repeats, [&](int i) {
            view::move_selected_nodes(chart, i % 2 ? 3 : -3, 0, 1.0f);
            paint(window, chart, 1.0f, {0, 0});
        });
        std::printf("drag step (334 nodes)  1.00: %7.2f ms mean, %7.2f ms worst\n", f.mean_ms, f.worst_ms);
    }
    return 0;
}
