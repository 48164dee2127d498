#include "print/printer_settings.h"

#include <QPrinterInfo>

#include "shell/settings.h"

namespace tessaly::print {

QString pdf_printer_name() { return QString::fromUtf8("PDF ファイル"); }

QString printer_display_name(const PrinterSettings& settings) {
    return settings.is_pdf() ? pdf_printer_name() : settings.printer;
}

QStringList system_printers() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    const QString fallback = QPrinterInfo::defaultPrinterName();
    if (names.removeAll(fallback) > 0) names.prepend(fallback);
    return names;
}

PrinterSettings init_printer_defaults(const QSettings& store) {
    PrinterSettings settings;
    const QPrinterInfo fallback = QPrinterInfo::defaultPrinter();
    if (!fallback.isNull()) settings.printer = fallback.printerName();
    settings.paper_code = app::setting(store, app::Setting::PaperSize);
    settings.orientation = app::print_orientation(store);
    return settings;
}

}  // namespace tessaly::print
