#pragma once

// The print dialog's preview: the sheet of paper with its shadow, one page of
// the chart on it as it will print, and, when asked for, the margins as
// dotted lines that can be dragged with the mouse.

#include <QImage>
#include <QWidget>

#include "chart/chart.h"
#include "print/page_drawing.h"
#include "print/page_layout.h"

namespace tessaly::print {

// Everything the preview shows, worked out by the dialog's page layout.
struct PreviewPicture {
    QRect paper;             // the sheet, in the preview's pixels
    PreviewMargins margins;  // preview pixels
    double scale = 1.0;      // preview pixels per screen pixel of the chart
    PageGrid grid;
    int current_page = 1;
    bool all_on_one = false;
    ChartLook look;
    int screen_dpi_x = 96;
    int screen_dpi_y = 96;
    int offset_x_mm = 0;  // the printer's unprintable margins: the nearest a
    int offset_y_mm = 0;  // margin line may be dragged to the paper's edge
};

enum MarginSide { kNoMargin = -1, kLeftMargin = 0, kTopMargin = 1, kRightMargin = 2, kBottomMargin = 3 };

class PrintPreview : public QWidget {
    Q_OBJECT

public:
    PrintPreview(Chart& chart, QWidget* parent = nullptr);

    // Draws the sheet and its page anew.
    void show_picture(const PreviewPicture& picture);
    bool has_picture() const { return !sheet_.isNull(); }
    const PreviewPicture& picture() const { return picture_; }
    // The printable part of the sheet, as last painted.
    QRect printable() const { return printable_rect(picture_.paper, picture_.margins); }

    void set_show_margins(bool shown);
    bool show_margins() const { return show_margins_; }

    // The margin line within 3 pixels of a point: left, top, right and
    // bottom tried in that order, each along its whole length.
    MarginSide margin_at(QPoint point) const;
    MarginSide dragged_margin() const { return drag_margin_; }

    // The finished preview as it stands on the screen (for tests).
    QImage grab_picture() const;

signals:
    // A margin line was dropped; its new width in millimetres.
    void margin_dropped(int side, int mm);
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage composed() const;
    void draw_page(QPainter& painter);
    // The pointer's distance from the paper's edge on the side dragged, kept
    // between the unprintable margin and 50 mm.
    int drag_distance(QPoint point) const;
    void draw_margin_line(QPainter& painter, int side, int distance) const;

    Chart& chart_;
    PreviewPicture picture_;
    QImage sheet_;
    bool show_margins_ = false;
    MarginSide drag_margin_ = kNoMargin;
    int drag_distance_ = 0;
};

}  // namespace tessaly::print
