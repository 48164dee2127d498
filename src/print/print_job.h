#pragma once

// Printing the chart: one job, a page for each number of the range, each page
// a window of the chart at printer resolution; or, with everything on one
// page, the whole chart shrunk onto the print area inside a frame.

#include <QString>

#include "chart/chart.h"
#include "print/page_drawing.h"
#include "print/page_layout.h"
#include "print/printer_settings.h"
#include "text/show_message.h"

class QPrinter;

namespace tessaly::print {

// What the print dialog hands over when printing starts.
struct PrintRequest {
    Margins margins;
    PrintRange range = PrintRange::All;
    int current_page = 1;
    int range_from = 1;
    int range_to = 1;
    PageGrid grid;
    bool all_on_one = false;
    int screen_dpi_x = 96;
    ChartLook look;
    QString pdf_file;  // where the PDF printer writes
};

struct PrintOutcome {
    bool ok = false;    // the job ran (a range without pages runs no job and is ok)
    int pages = 0;      // pages printed
    int last_page = 0;  // the number of the last page printed, 0 without any
};

// Prints on a printer that is not yet started; coordinates from the
// sheet's corner. Fails without a word when the printer refuses the job.
PrintOutcome print_pages(QPrinter& printer, Chart& chart, const PrintRequest& request);

// Opens the printer of the settings (PrinterDcFailed when it is gone) and prints. A
// PDF file that cannot be written shows its path and WriteFailed.
PrintOutcome print_chart(const PrinterSettings& settings, Chart& chart, const PrintRequest& request,
                         MessagePresenter& messages);

}  // namespace tessaly::print
