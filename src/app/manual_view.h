#pragma once

// The pages of the manual, one under another, with the hits of a search
// marked on them, and the means to bring any place of any page into sight.

#include <QPdfView>

namespace tessaly::app {

class ManualSearch;

class ManualView : public QPdfView {
    Q_OBJECT

public:
    explicit ManualView(QWidget* parent = nullptr);

    // Hits of this search are marked in yellow, the current one framed.
    void set_search(ManualSearch* search);
    void set_current_hit(int row);
    int current_hit() const { return current_hit_; }

    // Scrolls so that the point (in points, from the page's top left) stands
    // near the top of the window.
    void show_place(int page, QPointF location);
    // Where a page stands in the scrolled document, in pixels.
    QRect page_rect(int page) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Pixels per point of a page at the current zoom.
    double page_scale(int page) const;
    QSize page_size(int page) const;

    ManualSearch* search_ = nullptr;
    int current_hit_ = -1;
};

}  // namespace tessaly::app
