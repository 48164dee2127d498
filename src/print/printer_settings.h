#pragma once

// The printer settings the whole program shares: which printer, its paper and
// its orientation. They are taken at start-up from the default printer and
// the stored "Insatu" values; the print dialog changes them for the rest of
// the run. Besides the system's printers there is always the PDF printer,
// which writes the pages to a PDF file: a machine without any printer can
// still print.

#include <QSettings>
#include <QString>
#include <QStringList>

namespace tessaly::print {

struct PrinterSettings {
    QString printer;           // a system printer's name; empty for the PDF printer
    int paper_code = 9;        // A4
    int orientation = 1;       // 1 portrait, 2 landscape
    int pdf_resolution = 600;  // printer pixels per inch of the PDF printer
    bool is_pdf() const { return printer.isEmpty(); }
};

// The PDF printer as the printer lists show it.
QString pdf_printer_name();

// The name a list of printers shows for the settings' printer.
QString printer_display_name(const PrinterSettings& settings);

// The system's printers, the default one first; the PDF printer is not
// among them.
QStringList system_printers();

// The default printer (the PDF printer when the system has none) with the
// stored paper and orientation.
PrinterSettings init_printer_defaults(const QSettings& store);

}  // namespace tessaly::print
