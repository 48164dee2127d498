#include "print/printer_device.h"

#include <QPageLayout>
#include <QPrinterInfo>
#include <cmath>

#include "print/paper_codes.h"

namespace tessaly::print {

std::unique_ptr<QPrinter> open_printer(const PrinterSettings& settings, MessagePresenter& messages) {
    std::unique_ptr<QPrinter> printer;
    if (settings.is_pdf()) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(settings.pdf_resolution);
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(settings.printer);
        if (!info.isNull()) printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer || !printer->isValid()) {
            show_message(messages, "CreateDC At SetPaperSize\n", MessageId::PrinterDcFailed, MessageStyle::Stop);
            return nullptr;
        }
    }
    printer->setPageSize(page_size_of(settings.paper_code));
    printer->setPageOrientation(settings.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer->setFullPage(true);
    return printer;
}

DeviceMeasures device_measures(const QPrinter& printer) {
    DeviceMeasures m;
    m.dpi_x = printer.logicalDpiX();
    m.dpi_y = printer.logicalDpiY();
    QPageLayout layout = printer.pageLayout();
    const QRect sheet = layout.fullRectPixels(m.dpi_x);
    m.physical_width = sheet.width();
    m.physical_height = sheet.height();
    const QRectF sheet_mm = layout.fullRect(QPageLayout::Millimeter);
    m.width_mm = sheet_mm.width();
    m.height_mm = sheet_mm.height();
    layout.setUnits(QPageLayout::Point);
    const QMarginsF unprintable = layout.minimumMargins();
    m.offset_x = static_cast<int>(std::lround(unprintable.left() / 72.0 * m.dpi_x));
    m.offset_y = static_cast<int>(std::lround(unprintable.top() / 72.0 * m.dpi_y));
    return m;
}

}  // namespace tessaly::print
