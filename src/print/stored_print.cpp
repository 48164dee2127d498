#include "print/stored_print.h"

#include <algorithm>

#include "chart/chart_file.h"
#include "print/printer_device.h"
#include "shell/settings.h"

namespace tessaly::print {

namespace {

constexpr int kWidestMarginMm = 50;
constexpr int kCommandLineScreenDpi = 96;

}  // namespace

PrintRequest stored_print_request(const QSettings& store, const Chart& chart, const DeviceMeasures& device,
                                  int screen_dpi) {
    const int least_x = unprintable_mm(device.offset_x, device.dpi_x);
    const int least_y = unprintable_mm(device.offset_y, device.dpi_y);
    const auto margin = [&store](app::Setting which, int least) {
        return std::clamp(app::setting(store, which), least, kWidestMarginMm);
    };
    PrintRequest request;
    request.margins = {margin(app::Setting::MarginLeft, least_x), margin(app::Setting::MarginRight, least_x),
                       margin(app::Setting::MarginTop, least_y), margin(app::Setting::MarginBottom, least_y)};
    request.range = print_range_of(app::setting(store, app::Setting::PrintRange));
    request.all_on_one = request.range == PrintRange::Pages && app::setting(store, app::Setting::AllOnOnePage) == 1;
    request.grid = page_grid(chart.display.view_width, chart.display.view_height, screen_dpi, screen_dpi,
                             paper_mm(device), request.margins, request.all_on_one);
    request.current_page = 1;
    request.range_from = 1;
    request.range_to = request.grid.total();
    request.screen_dpi_x = screen_dpi;
    request.look.tint = app::setting(store, app::Setting::TintActiveArea) == 1;
    return request;
}

bool print_chart_file_to_pdf(const QSettings& store, const QString& chart_path, const QString& pdf_path,
                             MessagePresenter& messages) {
    Chart chart;
    chart.reset(0, 0);
    if (const Status opened = open_chart(chart_path.toStdString(), chart); !opened) {
        show_message(messages, opened);
        return false;
    }
    PrinterSettings printer;  // the PDF printer
    printer.paper_code = app::setting(store, app::Setting::PaperSize);
    printer.orientation = app::print_orientation(store);
    const std::unique_ptr<QPrinter> device = open_printer(printer, messages);
    if (!device) return false;
    PrintRequest request = stored_print_request(store, chart, device_measures(*device), kCommandLineScreenDpi);
    request.pdf_file = pdf_path;
    return print_chart(printer, chart, request, messages).ok;
}

}  // namespace tessaly::print
