#include "print/print_preview.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tessaly::print {

namespace {

const QColor kFrameGrey(247, 247, 247);
const QColor kShadow(128, 128, 128);
const QColor kPaperOutline(192, 192, 192);
const QColor kMarginLine(247, 247, 247);
const QColor kDraggedLine(198, 198, 198);

constexpr int kLineReach = 3;  // pixels either side of a margin line that grab it
constexpr int kWidestMarginMm = 50;

bool across_the_width(int side) { return side == kLeftMargin || side == kRightMargin; }

}  // namespace

PrintPreview::PrintPreview(Chart& chart, QWidget* parent) : QWidget(parent), chart_(chart) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PrintPreview::show_picture(const PreviewPicture& picture) {
    picture_ = picture;
    sheet_ = QImage(size(), QImage::Format_RGB32);
    if (sheet_.isNull()) return;
    // Text in the picture is sized as on the screen it is shown on.
    sheet_.setDotsPerMeterX(static_cast<int>(std::lround(picture.screen_dpi_x / 0.0254)));
    sheet_.setDotsPerMeterY(static_cast<int>(std::lround(picture.screen_dpi_y / 0.0254)));
    QPainter painter(&sheet_);
    painter.fillRect(sheet_.rect(), kFrameGrey);
    const QRect& paper = picture_.paper;
    if (!paper.isEmpty()) {
        painter.fillRect(paper.translated(5, 5), kShadow);
        painter.fillRect(paper, Qt::white);
        painter.setPen(kPaperOutline);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(paper.adjusted(0, 0, -1, -1));
        draw_page(painter);
    }
    painter.end();
    update();
}

// One page of the chart in the printable part of the sheet: the page's
// window of the chart at the preview's scale, or the whole chart fitted in.
void PrintPreview::draw_page(QPainter& painter) {
    const QRect area = printable();
    if (area.isEmpty()) return;
    MarksKept marks(chart_);
    if (picture_.all_on_one) {
        const int vw = chart_.display.view_width;
        const int vh = chart_.display.view_height;
        const QSize image = one_page_image(vw, vh, area.size());
        if (image.isEmpty()) return;
        const float fit = static_cast<float>(
            std::min(static_cast<double>(area.width()) / vw, static_cast<double>(area.height()) / vh));
        const QRect window(area.x() + (area.width() - image.width()) / 2,
                           area.y() + (area.height() - image.height()) / 2, image.width(), image.height());
        draw_chart_part(painter, chart_, picture_.look, fit, false, window, QPoint(0, 0));
        return;
    }
    const int p = picture_.current_page - 1;
    const int across = std::max(1, picture_.grid.across);
    const QPoint from((p % across) * area.width(), (p / across) * area.height());
    draw_chart_part(painter, chart_, picture_.look, static_cast<float>(picture_.scale), false, area, from);
}

void PrintPreview::set_show_margins(bool shown) {
    show_margins_ = shown;
    if (!shown) {
        drag_margin_ = kNoMargin;
        unsetCursor();
    }
    update();
}

MarginSide PrintPreview::margin_at(QPoint point) const {
    if (!has_picture()) return kNoMargin;
    const QRect area = printable();
    if (std::abs(point.x() - area.x()) <= kLineReach) return kLeftMargin;
    if (std::abs(point.y() - area.y()) <= kLineReach) return kTopMargin;
    if (std::abs(point.x() - (area.x() + area.width())) <= kLineReach) return kRightMargin;
    if (std::abs(point.y() - (area.y() + area.height())) <= kLineReach) return kBottomMargin;
    return kNoMargin;
}

int PrintPreview::drag_distance(QPoint point) const {
    const QRect& paper = picture_.paper;
    int distance = 0;
    switch (drag_margin_) {
        case kLeftMargin:
            distance = point.x() - paper.x();
            break;
        case kTopMargin:
            distance = point.y() - paper.y();
            break;
        case kRightMargin:
            distance = paper.x() + paper.width() - point.x();
            break;
        case kBottomMargin:
            distance = paper.y() + paper.height() - point.y();
            break;
        case kNoMargin:
            return 0;
    }
    const bool across = across_the_width(drag_margin_);
    const int dpi = across ? picture_.screen_dpi_x : picture_.screen_dpi_y;
    const int nearest = mm_in_preview(across ? picture_.offset_x_mm : picture_.offset_y_mm, dpi, picture_.scale);
    const int farthest = mm_in_preview(kWidestMarginMm, dpi, picture_.scale);
    return std::clamp(distance, nearest, std::max(nearest, farthest));
}

// A dotted line across the whole sheet at `distance` from the side's edge,
// drawn by exclusive-or so that it shows on white paper and on the chart.
void PrintPreview::draw_margin_line(QPainter& painter, int side, int distance) const {
    const QRect& paper = picture_.paper;
    const int left = paper.x();
    const int top = paper.y();
    const int right = paper.x() + paper.width();
    const int bottom = paper.y() + paper.height();
    switch (side) {
        case kLeftMargin:
            painter.drawLine(left + distance, top, left + distance, bottom - 1);
            break;
        case kRightMargin:
            painter.drawLine(right - distance, top, right - distance, bottom - 1);
            break;
        case kTopMargin:
            painter.drawLine(left, top + distance, right - 1, top + distance);
            break;
        case kBottomMargin:
            painter.drawLine(left, bottom - distance, right - 1, bottom - distance);
            break;
        default:
            break;
    }
}

QImage PrintPreview::composed() const {
    QImage image = sheet_.copy();
    if (image.isNull() || picture_.paper.isEmpty()) return image;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    if (show_margins_) {
        painter.setPen(QPen(kMarginLine, 0, Qt::DotLine));
        const PreviewMargins& m = picture_.margins;
        draw_margin_line(painter, kLeftMargin, m.left);
        draw_margin_line(painter, kTopMargin, m.top);
        draw_margin_line(painter, kRightMargin, m.right);
        draw_margin_line(painter, kBottomMargin, m.bottom);
    }
    if (drag_margin_ != kNoMargin) {
        painter.setPen(QPen(kDraggedLine, 0, Qt::DotLine));
        draw_margin_line(painter, drag_margin_, drag_distance_);
    }
    return image;
}

QImage PrintPreview::grab_picture() const { return composed(); }

void PrintPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (sheet_.isNull()) {
        painter.fillRect(rect(), kFrameGrey);
        return;
    }
    painter.drawImage(0, 0, composed());
}

void PrintPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

void PrintPreview::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (drag_margin_ != kNoMargin) {
        drag_distance_ = drag_distance(point);
        update();
        return;
    }
    if (!show_margins_) return;
    switch (margin_at(point)) {
        case kLeftMargin:
        case kRightMargin:
            setCursor(Qt::SizeHorCursor);
            break;
        case kTopMargin:
        case kBottomMargin:
            setCursor(Qt::SizeVerCursor);
            break;
        case kNoMargin:
            setCursor(Qt::ArrowCursor);
            break;
    }
}

void PrintPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !show_margins_) return;
    const MarginSide side = margin_at(event->position().toPoint());
    if (side == kNoMargin) return;
    drag_margin_ = side;
    drag_distance_ = drag_distance(event->position().toPoint());
    update();
}

void PrintPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || drag_margin_ == kNoMargin) return;
    const MarginSide side = drag_margin_;
    const int dpi = across_the_width(side) ? picture_.screen_dpi_x : picture_.screen_dpi_y;
    const int mm = margin_after_drag(drag_distance_, picture_.scale, dpi);
    drag_margin_ = kNoMargin;
    update();
    emit margin_dropped(side, mm);
}

}  // namespace tessaly::print
