#pragma once

// The arithmetic of printing, apart from any window or printer so that it can
// be checked exactly: the paper in millimetres, the grid of pages the chart is
// cut into, the sheet and its margins in the preview, the print area on the
// printer and the pages a range stands for.
//
// The chart is laid out at its natural size: one chart pixel on the screen is
// 1/dpi inch of paper, dpi being the screen's resolution.

#include <QRect>
#include <QSize>

namespace tessaly::print {

// What the printer tells about itself, in its own device pixels.
struct DeviceMeasures {
    int dpi_x = 0;
    int dpi_y = 0;
    int offset_x = 0;  // the unprintable left and top margins
    int offset_y = 0;
    int physical_width = 0;  // the whole sheet
    int physical_height = 0;
    // The sheet in millimetres as the paper size names it (A4 is 210 × 297),
    // turned with the orientation; 0 when the printer does not say.
    double width_mm = 0;
    double height_mm = 0;
};

// Millimetres from the paper's edges.
struct Margins {
    int left = 25;
    int right = 10;
    int top = 25;
    int bottom = 10;
    friend bool operator==(const Margins&, const Margins&) = default;
};

struct PaperMm {
    double width = 0;
    double height = 0;
};

// The sheet's own millimetres when known, else from its device pixels.
PaperMm paper_mm(const DeviceMeasures& device);

// An unprintable margin in whole millimetres (cut, not rounded).
int unprintable_mm(int offset, int dpi);

struct PageGrid {
    int across = 1;
    int down = 1;
    int total() const { return across * down; }
    friend bool operator==(const PageGrid&, const PageGrid&) = default;
};

// The pages the chart needs: its width in millimetres over the printable
// width, cut, plus one (a chart exactly one printable width wide thus takes
// two pages across); 1 × 1 when it is shrunk onto one page.
PageGrid page_grid(int view_width, int view_height, int screen_dpi_x, int screen_dpi_y, PaperMm paper,
                   const Margins& margins, bool all_on_one);

// The sheet in the preview: the frame less 28 pixels each way, shrunk on one
// side to the paper's proportions and centred in the frame.
QRect paper_rect_in(const QRect& frame, PaperMm paper);

// Preview pixels per screen pixel of the chart at its natural size.
double preview_scale(const QRect& paper_rect, int screen_dpi_x, PaperMm paper);

// The margins in preview pixels.
struct PreviewMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
int mm_in_preview(int mm, int screen_dpi, double scale);
PreviewMargins preview_margins(const Margins& margins, int screen_dpi_x, int screen_dpi_y, double scale);

// The printable part of the sheet: right and bottom edges exclusive.
QRect printable_rect(const QRect& paper_rect, const PreviewMargins& margins);

// The chart's size in the preview with everything on one page: fitted into
// the printable part with its proportions kept.
QSize one_page_image(int view_width, int view_height, QSize printable);

// A margin dragged to `distance` preview pixels from the paper's edge, in
// millimetres; 49 counts as 50, so that the line dropped at the 50 mm stop
// gives 50 whatever the truncation.
int margin_after_drag(int distance, double scale, int screen_dpi);

// Where on the printer the chart goes: printer pixels from the sheet's
// top-left corner.
struct PrintArea {
    int x0 = 0;
    int y0 = 0;
    int w = 0;
    int h = 0;
    friend bool operator==(const PrintArea&, const PrintArea&) = default;
};
PrintArea print_area(const DeviceMeasures& device, const Margins& margins);

// The area shrunk to the image's proportions, centred the way it gave up room.
PrintArea fit_on_one_page(PrintArea area, int image_width, int image_height);

enum class PrintRange { All = 1, Current = 2, Pages = 3 };

// The range choice of a stored Hani value: 3 the page range, 2 the current
// page, anything else all pages.
PrintRange print_range_of(int hani);

struct PageSpan {
    int first = 1;
    int last = 0;  // below first: no page
    bool empty() const { return last < first; }
};
PageSpan pages_to_print(PrintRange range, int current_page, int range_from, int range_to, PageGrid grid);

}  // namespace tessaly::print
