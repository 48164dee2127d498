#include "print/print_job.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "print/printer_device.h"
#include "text/unfinished_file.h"

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
    const PageSpan span =
        pages_to_print(request.range, request.current_page, request.range_from, request.range_to, request.grid);
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

    // The PDF is written beside the chosen file without a name (or, where
    // the file system cannot do that, under a hidden one) and takes the
    // chosen name only when complete: a print that fails (a full disk) never
    // spoils a PDF that was there before, and one that is killed leaves
    // nothing, or a hidden file that the next print into the folder removes
    // once it is an hour old.
    const QFileInfo target(request.pdf_file);
    const std::filesystem::path folder = QFile::encodeName(target.absolutePath()).toStdString();
    const std::filesystem::path final_name = QFile::encodeName(target.absoluteFilePath()).toStdString();
    remove_stale_unfinished_files(folder, [](std::string_view stem) {
        return stem.size() > 4 && QByteArray(stem.data() + stem.size() - 4, 4).toLower() == ".pdf";
    });
    UnfinishedFile partial;
    PrintOutcome outcome;
    if (partial.open(folder, QFile::encodeName(target.fileName()).toStdString())) {
        printer->setOutputFileName(QFile::decodeName(QByteArray::fromStdString(partial.path().string())));
        outcome = print_pages(*printer, chart, request);
        printer.reset();  // the file is complete and closed
        if (outcome.ok && outcome.pages > 0) outcome.ok = partial.finish(final_name);
    }
    if (!outcome.ok)
        show_message(messages, request.pdf_file.toStdString() + "\n", MessageId::WriteFailed, MessageStyle::Stop);
    return outcome;
}

}  // namespace tessaly::print
