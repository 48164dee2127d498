// preview-timer FILE [--snapshot PNG] [--width W] [--height H]
//
// --snapshot also saves the first screen as PNG-first.png.
//
// Shows FILE in the file area as a double click on its node does, off
// screen, and prints how long it took until the first rows were painted and
// until the pane had the whole file indexed (the event loop running
// meanwhile, as in the window), how long a jump of the scroll thumb to the
// end and to the middle takes, and the process's resident memory before and
// after (peak included), in "name value" lines. Then it shows the file once
// more and presses Ctrl+End at once, which waits for the whole index.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QScrollBar>
#include <thread>

#include "chart/chart.h"
#include "filearea/file_area.h"
#include "text/cp932.h"

namespace {

class PrintedMessages : public tessaly::MessagePresenter {
public:
    int present(const std::string& text, tessaly::MessageStyle) override {
        std::cerr << "message: " << text << "\n";
        ++shown;
        return tessaly::kAnswerNo;
    }
    int shown = 0;
};

// VmRSS or VmHWM of this process in MiB.
double memory_mib(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::strtod(line.c_str() + std::strlen(field) + 1, nullptr) / 1024.0;
    }
    return -1;
}

double milliseconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));

    std::string path;
    std::string snapshot;
    int width = 1200;
    int height = 800;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--snapshot" && a + 1 < argc)
            snapshot = argv[++a];
        else if (arg == "--width" && a + 1 < argc)
            width = std::atoi(argv[++a]);
        else if (arg == "--height" && a + 1 < argc)
            height = std::atoi(argv[++a]);
        else
            path = arg;
    }
    if (path.empty()) {
        std::cerr << "usage: preview-timer FILE [--snapshot PNG] [--width W] [--height H]\n";
        return 2;
    }

    tessaly::Chart chart;
    chart.reset(1920, 1080);
    const std::optional<std::string> cp932_path = tessaly::cp932::from_utf8(path);
    if (!cp932_path || !tessaly::add_node(chart, *cp932_path, {100, 100}, 1.0, tessaly::kSourceNode, "bench", 1)) {
        std::cerr << "preview-timer: the path does not fit a node\n";
        return 2;
    }
    PrintedMessages messages;
    tessaly::filearea::FileArea area(chart, messages);
    area.resize(width, height);
    area.show();
    QCoreApplication::processEvents();

    std::printf("rss_before_mib %.1f\n", memory_mib("VmRSS:"));
    std::printf("peak_before_mib %.1f\n", memory_mib("VmHWM:"));
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = area.load_preview(0);
    QCoreApplication::processEvents();  // the bars settle and the pane lays out
    area.viewport()->repaint();
    const double first_rows = milliseconds_since(start);
    if (!loaded) return 1;
    std::printf("first_rows_ms %.1f\n", first_rows);
    std::printf("rows_shown %zu\n", area.rows().size());
    std::printf("records_at_first_rows %lld\n", static_cast<long long>(area.statistics().total_records));
    if (!snapshot.empty()) area.viewport()->grab().save(QString::fromStdString(snapshot + "-first.png"));
    // The pane looks at the index every 50 ms: the figure is what it shows.
    // Meanwhile the event loop stays free but for the pane's updates.
    double busy = 0;
    double longest = 0;
    while (area.loading()) {
        const auto at = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();
        const double spent = milliseconds_since(at);
        busy += spent;
        longest = std::max(longest, spent);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!area.is_showing()) return 1;
    std::printf("index_complete_ms %.0f\n", milliseconds_since(start));
    std::printf("event_loop_busy_ms %.0f\n", busy);
    std::printf("longest_event_ms %.1f\n", longest);
    std::printf("records %lld\n", static_cast<long long>(area.statistics().total_records));
    std::printf("rss_after_mib %.1f\n", memory_mib("VmRSS:"));
    std::printf("peak_after_mib %.1f\n", memory_mib("VmHWM:"));

    QScrollBar* bar = area.verticalScrollBar();
    auto jump = [&](const char* name, int thumb) {
        const auto at = std::chrono::steady_clock::now();
        bar->setSliderPosition(thumb);
        area.viewport()->repaint();
        std::printf("%s_ms %.2f\n", name, milliseconds_since(at));
        std::printf("%s_top_record %lld\n", name, static_cast<long long>(area.top_record()));
    };
    jump("thumb_to_end", bar->maximum());
    const std::string last = area.rows().empty() ? std::string() : area.rows().back();
    std::printf("last_row %s\n", tessaly::cp932::to_utf8_lossy(last).c_str());
    jump("thumb_to_middle", bar->maximum() / 2);
    jump("thumb_to_start", 0);

    if (!snapshot.empty()) area.viewport()->grab().save(QString::fromStdString(snapshot));

    area.clear_preview();
    const auto again = std::chrono::steady_clock::now();
    if (!area.load_preview(0)) return 1;
    area.viewport()->repaint();
    // Fonts and glyphs are loaded by now, as for any double click but the first.
    std::printf("first_rows_again_ms %.1f\n", milliseconds_since(again));
    QKeyEvent ctrl_end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::sendEvent(&area, &ctrl_end);
    area.viewport()->repaint();
    std::printf("load_then_ctrl_end_ms %.0f\n", milliseconds_since(again));
    std::printf("ctrl_end_top_record %lld\n", static_cast<long long>(area.top_record()));
    std::printf("peak_end_mib %.1f\n", memory_mib("VmHWM:"));
    return messages.shown == 0 ? 0 : 1;
}
