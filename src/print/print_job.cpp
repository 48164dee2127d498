#include "print_job.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "printer_device.h"

namespace tessaly::print {

namespace {

const QColor kFrame(72, 94, 123);

// A one-pixel frame on the area's outermost pixels, drawn as four filled
// strips so that it lies on whole printer pixels in a PDF as well.
void draw_frame(QPainter& painter, const PrintArea& a) {
    painter.fillRect(QRect(a.x0, a.y0, a.w, 1), kFrame);
    painter.fillRect(QRect(a.x0, a.y0 + a.h - 1, a.w, 1), kFrame);
    painter.fillRect(QRect(a.x0, a.y0, 1, a.h), kFrame);
    painter.fillRect(QRect(a.x0 + a.w - 1, a.y0, 1, a.h), kFrame);
}

}  // namespace

PrintOutcome print_pages(QPrinter& printer, Chart& chart, const PrintRequest& request) {
    const PageSpan span = pages_to_print(request.range, request.current_page, request.range_from,
                                         request.range_to, request.grid);
    if (span.empty()) return {true, 0, 0};

    const DeviceMeasures device = device_measures(printer);
    PrintArea area = print_area(device, request.margins);
    printer.setDocName(QStringLiteral("Tessaly"));
    printer.setCreator(QStringLiteral("Tessaly"));
    QPainter painter;
    if (!painter.begin(&printer)) return {};
    painter.setBackgroundMode(Qt::TransparentMode);

    // One chart pixel on the screen is one screen pixel's worth of paper.
    const float s = static_cast<float>(static_cast<double>(device.dpi_x) / std::max(1, request.screen_dpi_x));
    const int iw = static_cast<int>(chart.display.view_width * static_cast<double>(s));
    const int ih = static_cast<int>(chart.display.view_height * static_cast<double>(s));
    if (request.all_on_one) area = fit_on_one_page(area, iw, ih);
    const QRect window(area.x0, area.y0, area.w, area.h);
    const int across = std::max(1, request.grid.across);

    MarksKept marks(chart);
    PrintOutcome outcome{true, 0, 0};
    for (int u = span.first; u <= span.last; ++u) {
        if (outcome.pages > 0 && !printer.newPage()) {
            outcome.ok = false;
            break;
        }
        outcome.last_page = u;
        ++outcome.pages;
        if (request.all_on_one) {
            draw_chart_stretched(painter, chart, request.look, s, true, window);
            draw_frame(painter, area);
            break;  // the whole chart is on this one page
        }
        const int col = (u - 1) % across;
        const int row = (u - 1) / across;
        draw_chart_part(painter, chart, request.look, s, true, window, QPoint(col * area.w, row * area.h));
    }
    painter.end();
    return outcome;
}

PrintOutcome print_chart(const PrinterSettings& settings, Chart& chart, const PrintRequest& request,
                         MessagePresenter& messages) {
    std::unique_ptr<QPrinter> printer = open_printer(settings, messages);
    if (!printer) return {};
    if (!settings.is_pdf()) return print_pages(*printer, chart, request);

    // The PDF is written under a name of its own beside the chosen one and
    // takes that name only when complete, so a print that fails (a full
    // disk, say) never spoils a PDF that was there before.
    const QFileInfo target(request.pdf_file);
    QTemporaryFile partial(target.dir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    PrintOutcome outcome;
    if (partial.open()) {
        partial.close();
        printer->setOutputFileName(partial.fileName());
        outcome = print_pages(*printer, chart, request);
        printer.reset();  // the file is complete and closed
        if (outcome.ok && outcome.pages > 0) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::chmod(QFile::encodeName(partial.fileName()).constData(), 0666 & ~mask);
            if (std::rename(QFile::encodeName(partial.fileName()).constData(),
                            QFile::encodeName(target.absoluteFilePath()).constData()) == 0)
                partial.setAutoRemove(false);
            else
                outcome.ok = false;
        }
    }
    if (!outcome.ok) show_message(messages, request.pdf_file.toStdString() + "\n", 30015, MessageStyle::Stop);
    return outcome;
}

}  // namespace tessaly::print
