// How long printing the fullest chart to a PDF file takes, and how much
// memory it needs: 1,001 nodes and 1,000 arcs on a 5,000 × 5,000 canvas, A4
// portrait with margins 25/10/25/10, every page, at 600 dpi (a drawing of the
// whole chart at that resolution would be 31,250 × 31,250 pixels).
//
//   bench-print-pdf [OUT.pdf] [dpi]
//
// Writes OUT.pdf (every page) and OUT-one.pdf (all on one page).

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fullest_chart.h"
#include "print/print_job.h"
#include "print/printer_device.h"
#include "print/stored_print.h"

using namespace tessaly;

namespace {

// The process's resident memory now and at its peak, in MiB.
std::pair<double, double> memory_mib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    double now = 0;
    double peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) now = std::atof(line.c_str() + 6) / 1024;
        if (line.rfind("VmHWM:", 0) == 0) peak = std::atof(line.c_str() + 6) / 1024;
    }
    return {now, peak};
}

class Silent : public MessagePresenter {
public:
    int present(const std::string& text, MessageStyle) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return kAnswerNo;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitutions("Meiryo UI", {"IPAPGothic", "Noto Sans CJK JP"});
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tessaly-print-bench.pdf");
    const int dpi = argc > 2 ? std::atoi(argv[2]) : 600;

    Chart chart = fullest_chart();
    Silent messages;
    print::PrinterSettings printer;  // the PDF printer, A4 portrait
    printer.pdf_resolution = dpi;
    const auto device = print::open_printer(printer, messages);
    QSettings defaults(QStringLiteral("/dev/null"), QSettings::IniFormat);  // every value at its default
    print::PrintRequest request = print::stored_print_request(defaults, chart, print::device_measures(*device), 96);
    request.look.tint = true;
    request.pdf_file = out;
    const auto [before, ignored] = memory_mib();

    QElapsedTimer timer;
    timer.start();
    const print::PrintOutcome all = print::print_chart(printer, chart, request, messages);
    const double all_seconds = timer.nsecsElapsed() / 1e9;
    const auto [after_all, peak_all] = memory_mib();
    const qint64 all_bytes = QFileInfo(out).size();

    request.range = print::PrintRange::Pages;
    request.all_on_one = true;
    request.pdf_file =
        QFileInfo(out).path() + QStringLiteral("/") + QFileInfo(out).completeBaseName() + QStringLiteral("-one.pdf");
    timer.restart();
    const print::PrintOutcome one = print::print_chart(printer, chart, request, messages);
    const double one_seconds = timer.nsecsElapsed() / 1e9;
    const auto [after_one, peak_one] = memory_mib();

    std::printf("chart: %d nodes, %d arcs, canvas %dx%d; A4 portrait, margins 25/10/25/10, %d dpi\n",
                chart.node_count(), chart.arc_count(), int(chart.display.view_width), int(chart.display.view_height),
                dpi);
    std::printf("all pages:     %d pages (%dx%d) in %.2f s, %.1f MB PDF\n", all.pages, request.grid.across,
                request.grid.down, all_seconds, all_bytes / 1e6);
    std::printf("all on one:    %d page in %.2f s\n", one.pages, one_seconds);
    std::printf(
        "memory (MiB):  %.0f resident before printing, %.0f after; peak %.0f after all pages, %.0f at the end\n",
        before, after_one, peak_all, peak_one);
    Q_UNUSED(after_all);
    return all.ok && one.ok ? 0 : 1;
}
