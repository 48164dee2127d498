// What the pointer animation costs: the chart area of a 1,600 × 1,000
// window over the fullest chart (1,001 nodes, 1,000 arcs on a 5,000 × 5,000
// canvas), with ten comets stepping every 5 ms round a node, against the
// same window left idle. Reports the process's CPU time as a share of one
// core over the same stretch of wall-clock time.
//
//   bench-animation [seconds]     (QT_QPA_PLATFORM=offscreen without a display)

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "fullest_chart.h"
#include "text/show_message.h"
#include "view/chart_painter.h"
#include "view/chart_view.h"

using namespace tessaly;

namespace {

class Silent : public MessagePresenter {
public:
    int present(const std::string&, MessageStyle) override { return kAnswerOk; }
};

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop for the given time; the share of one core it took.
double core_share(double seconds) {
    const double cpu = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
    QApplication::exec();
    return (cpu_seconds() - cpu) / (wall.nsecsElapsed() / 1e9);
}

void move_pointer(QWidget* area, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, p, area->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(area, &move);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 5.0;
    Chart chart = fullest_chart();
    Silent silent;
    view::ChartView view(chart, silent);
    view.set_pointer_aids([] { return view::PointerAids{false, 10, 0}; });
    view.resize(1600, 1000);
    view.show();
    QCoreApplication::processEvents();

    const double idle = core_share(seconds);

    // The pointer onto node 40 (at 1,220, 195 of the canvas), which starts the comets.
    const QRect node = view::canvas_box(chart.nodes[40].rect, 1.0f);
    move_pointer(view.viewport(), node.center() + QPoint(0, -5));
    move_pointer(view.viewport(), node.center());
    if (!view.animation().running()) {
        std::fprintf(stderr, "bench-animation: the animation did not start\n");
        return 1;
    }
    int steps = 0;
    QObject::connect(&view.animation(), &view::PointerAnimation::repaint_needed, [&] { ++steps; });
    const double animated = core_share(seconds);

    std::printf("window 1600x1000, %d nodes, %d arcs, platform %s, %.0f s each\n", chart.node_count(),
                chart.arc_count(), qPrintable(QGuiApplication::platformName()), seconds);
    std::printf("idle window:               %5.1f %% of one core\n", idle * 100);
    std::printf("10 comets, a step per 5 ms: %5.1f %% of one core (%d steps, %.0f per second)\n", animated * 100, steps,
                steps / seconds);
    return 0;
}
