#pragma once

// Printing without the dialog: the job the print dialog would start if it
// were opened with the stored settings and "印刷実行(&S)" pressed at once. The
// command line prints a chart to a PDF file this way.

#include <QSettings>
#include <QString>

#include "print/page_layout.h"
#include "print/print_job.h"
#include "text/show_message.h"

namespace tessaly::print {

// The stored margins (within the printer's unprintable margin and 50 mm),
// range and 全1ページ; the current page is page 1 and a page range runs from 1
// to the total. The canvas has the tint of an active chart area when the
// setting says so.
PrintRequest stored_print_request(const QSettings& store, const Chart& chart, const DeviceMeasures& device,
                                  int screen_dpi);

// Prints the chart file to a PDF file on the stored paper and orientation,
// with a screen of 96 dpi. Failures are shown through `messages`.
bool print_chart_file_to_pdf(const QSettings& store, const QString& chart_path, const QString& pdf_path,
                             MessagePresenter& messages);

}  // namespace tessaly::print
