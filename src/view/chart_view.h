#pragma once

// The chart area: a scrolling canvas that draws the chart and takes files
// dropped from the file manager as new source nodes.

#include <QAbstractScrollArea>

#include "chart/chart.h"
#include "chart/show_message.h"

namespace tessaly::view {

class ChartView : public QAbstractScrollArea {
    Q_OBJECT

public:
    ChartView(Chart& chart, MessagePresenter& messages, QWidget* parent = nullptr);

    float zoom() const { return zoom_; }
    // Scroll sizes follow the canvas: (view size + 50) × zoom.
    void chart_changed();
    QPoint scroll_position() const;

    // Places files as if dropped at the window point (all refused when any
    // of them is no text file).
    void drop_files(const QStringList& paths, QPoint window_point);
    void select_all_nodes();

signals:
    // The chart was edited: the document is now modified.
    void modified();
    // The primary node, or where it stands, may have changed.
    void primary_changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void update_scroll_sizes();
    void paint_drag_outline(QPainter& painter);
    // Which canvas edge (1 right, 2 bottom, 0 none) is within 3 pixels.
    int edge_at(QPoint canvas_point) const;

    Chart& chart_;
    MessagePresenter& messages_;
    float zoom_ = 1.0f;
    bool dragging_ = false;
    bool band_selecting_ = false;
    int resizing_ = 0;    // 1 the width, 2 the height, while its edge is dragged
    QPoint press_point_;  // canvas pixels
    QPoint band_start_;  // canvas pixels
    QPoint grab_offset_;
    QPoint pointer_;  // canvas pixels, while dragging
};

}  // namespace tessaly::view
