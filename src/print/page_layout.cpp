#include "print/page_layout.h"

#include <algorithm>

namespace tessaly::print {

namespace {

constexpr double kMmPerInch = 25.4;

// Millimetres to pixels at a resolution, cut toward zero.
int mm_to_pixels(int mm, int dpi) { return static_cast<int>(mm * static_cast<double>(dpi) / kMmPerInch); }

// Pages needed for a length of chart on a printable length of paper.
int pages_for(int chart_pixels, int screen_dpi, double printable_mm) {
    if (printable_mm <= 0 || screen_dpi <= 0) return 1;  // nothing fits: one page, left blank
    const double chart_mm = static_cast<double>(chart_pixels) / screen_dpi * kMmPerInch;
    return static_cast<int>(chart_mm / printable_mm) + 1;
}

}  // namespace

PaperMm paper_mm(const DeviceMeasures& device) {
    // Pixels rounded at the printer's resolution would make A4 209.9 × 297.1.
    if (device.width_mm > 0 && device.height_mm > 0) return {device.width_mm, device.height_mm};
    if (device.dpi_x <= 0 || device.dpi_y <= 0) return {};
    return {static_cast<double>(device.physical_width) / device.dpi_x * kMmPerInch,
            static_cast<double>(device.physical_height) / device.dpi_y * kMmPerInch};
}

int unprintable_mm(int offset, int dpi) {
    return dpi > 0 ? static_cast<int>(static_cast<double>(offset) / dpi * kMmPerInch) : 0;
}

PageGrid page_grid(int view_width, int view_height, int screen_dpi_x, int screen_dpi_y, PaperMm paper,
                   const Margins& margins, bool all_on_one) {
    if (all_on_one) return {1, 1};
    return {pages_for(view_width, screen_dpi_x, paper.width - margins.left - margins.right),
            pages_for(view_height, screen_dpi_y, paper.height - margins.top - margins.bottom)};
}

QRect paper_rect_in(const QRect& frame, PaperMm paper) {
    const int room_w = frame.width() - 28;
    const int room_h = frame.height() - 28;
    if (room_w <= 0 || room_h <= 0 || paper.width <= 0 || paper.height <= 0) return {};
    int w = room_w;
    int h = room_h;
    if (paper.height > paper.width) {
        const double tall = paper.height / paper.width;
        if (room_w * tall <= room_h)
            h = static_cast<int>(room_w * tall);
        else
            w = static_cast<int>(room_h / tall);
    } else {
        const double wide = paper.width / paper.height;
        if (room_h * wide <= room_w)
            w = static_cast<int>(room_h * wide);
        else
            h = static_cast<int>(room_w / wide);
    }
    return QRect(frame.x() + (frame.width() - w) / 2, frame.y() + (frame.height() - h) / 2, w, h);
}

double preview_scale(const QRect& paper_rect, int screen_dpi_x, PaperMm paper) {
    if (screen_dpi_x <= 0 || paper.width <= 0) return 1.0;
    return (static_cast<double>(paper_rect.width()) / screen_dpi_x * kMmPerInch) / paper.width;
}

int mm_in_preview(int mm, int screen_dpi, double scale) {
    return static_cast<int>(mm_to_pixels(mm, screen_dpi) * scale);
}

PreviewMargins preview_margins(const Margins& margins, int screen_dpi_x, int screen_dpi_y, double scale) {
    return {mm_in_preview(margins.left, screen_dpi_x, scale), mm_in_preview(margins.top, screen_dpi_y, scale),
            mm_in_preview(margins.right, screen_dpi_x, scale), mm_in_preview(margins.bottom, screen_dpi_y, scale)};
}

QRect printable_rect(const QRect& paper_rect, const PreviewMargins& margins) {
    const int left = paper_rect.x() + margins.left;
    const int top = paper_rect.y() + margins.top;
    const int right = paper_rect.x() + paper_rect.width() - margins.right;
    const int bottom = paper_rect.y() + paper_rect.height() - margins.bottom;
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

QSize one_page_image(int view_width, int view_height, QSize printable) {
    if (view_width <= 0 || view_height <= 0) return {};
    // The side that limits the scale fills the printable part exactly.
    const qint64 across = static_cast<qint64>(printable.width()) * view_height;
    const qint64 down = static_cast<qint64>(printable.height()) * view_width;
    if (across <= down)
        return {printable.width(), static_cast<int>(static_cast<double>(view_height) * printable.width() / view_width)};
    return {static_cast<int>(static_cast<double>(view_width) * printable.height() / view_height), printable.height()};
}

int margin_after_drag(int distance, double scale, int screen_dpi) {
    if (scale <= 0 || screen_dpi <= 0) return 0;
    const int mm = static_cast<int>(kMmPerInch / scale / screen_dpi * distance);
    return mm == 49 ? 50 : mm;
}

// Printer coordinates start at the sheet's corner, and the margins are
// measured from the sheet's edges on all four sides: the unprintable margin
// is already the smallest margin allowed, not something added to it.
PrintArea print_area(const DeviceMeasures& device, const Margins& margins) {
    const int left = mm_to_pixels(margins.left, device.dpi_x);
    const int right = mm_to_pixels(margins.right, device.dpi_x);
    const int top = mm_to_pixels(margins.top, device.dpi_y);
    const int bottom = mm_to_pixels(margins.bottom, device.dpi_y);
    return {left, top, device.physical_width - right - left, device.physical_height - bottom - top};
}

PrintArea fit_on_one_page(PrintArea area, int image_width, int image_height) {
    if (image_width <= 0 || image_height <= 0 || area.w <= 0 || area.h <= 0) return area;
    const double across = static_cast<double>(area.w) / image_width;
    const double down = static_cast<double>(area.h) / image_height;
    if (across > down) {
        const int width = static_cast<int>(image_width * down);
        area.x0 += (area.w - width) / 2;
        area.w = width;
    } else {
        const int height = static_cast<int>(across * image_height);
        area.y0 += (area.h - height) / 2;
        area.h = height;
    }
    return area;
}

PrintRange print_range_of(int hani) {
    if (hani == 3) return PrintRange::Pages;
    if (hani == 2) return PrintRange::Current;
    return PrintRange::All;
}

PageSpan pages_to_print(PrintRange range, int current_page, int range_from, int range_to, PageGrid grid) {
    switch (range) {
        case PrintRange::Pages:
            return {range_from, range_to};
        case PrintRange::Current:
            return {current_page, current_page};
        case PrintRange::All:
            break;
    }
    return {1, grid.total()};
}

}  // namespace tessaly::print
