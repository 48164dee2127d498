#include "app/manual_view.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QScreen>
#include <QScrollBar>
#include "app/manual_search.h"

namespace tessaly::app {

namespace {

const QColor kHitFill(255, 220, 0, 110);
const QColor kCurrentHitFrame(230, 90, 0);
constexpr int kPlaceMargin = 40;  // pixels left above a place brought into sight

}  // namespace

ManualView::ManualView(QWidget* parent) : QPdfView(parent) {
    setPageMode(PageMode::MultiPage);
    setZoomMode(ZoomMode::FitToWidth);
}

void ManualView::set_search(ManualSearch* search) {
    search_ = search;
    current_hit_ = -1;
    connect(search_, &QAbstractItemModel::modelReset, viewport(), qOverload<>(&QWidget::update));
}

void ManualView::set_current_hit(int row) {
    current_hit_ = row;
    viewport()->update();
}

// The page layout of QPdfView, worked out the same way: the page's size in
// points times the screen's pixels per point, fitted to the width or the
// window, or times the zoom factor; pages stand one under another, centred.
QSize ManualView::page_size(int page) const {
    const QPdfDocument* pdf = document();
    if (!pdf || page < 0 || page >= pdf->pageCount()) return {};
    const double screen = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 72.0;
    const QSizeF points = pdf->pagePointSize(page);
    const QSize natural = QSizeF(points * screen).toSize();
    const QMargins margins = documentMargins();
    switch (zoomMode()) {
        case ZoomMode::Custom:
            return QSizeF(points * screen * zoomFactor()).toSize();
        case ZoomMode::FitToWidth: {
            const double factor =
                double(viewport()->width() - margins.left() - margins.right()) / double(std::max(natural.width(), 1));
            return natural * factor;
        }
        case ZoomMode::FitInView:
            return natural.scaled(viewport()->size() + QSize(-margins.left() - margins.right(), -pageSpacing()),
                                  Qt::KeepAspectRatio);
    }
    return natural;
}

double ManualView::page_scale(int page) const {
    const QPdfDocument* pdf = document();
    const QSizeF points = pdf ? pdf->pagePointSize(page) : QSizeF();
    return points.width() > 0 ? page_size(page).width() / points.width() : 1.0;
}

QRect ManualView::page_rect(int page) const {
    const QPdfDocument* pdf = document();
    if (!pdf || page < 0 || page >= pdf->pageCount()) return {};
    int widest = 0;
    for (int p = 0; p < pdf->pageCount(); ++p) widest = std::max(widest, page_size(p).width());
    const QMargins margins = documentMargins();
    const int total_width = widest + margins.left() + margins.right();
    int y = margins.top();
    for (int p = 0; p < page; ++p) y += page_size(p).height() + pageSpacing();
    const QSize size = page_size(page);
    const int x = (std::max(total_width, viewport()->width()) - size.width()) / 2;
    return QRect(QPoint(x, y), size);
}

void ManualView::show_place(int page, QPointF location) {
    // The page first, so that the page number follows; then the place on it.
    pageNavigator()->jump(page, location, zoomFactor());
    const QRect rect = page_rect(page);
    verticalScrollBar()->setValue(rect.top() + int(location.y() * page_scale(page)) - kPlaceMargin);
}

void ManualView::paintEvent(QPaintEvent* event) {
    QPdfView::paintEvent(event);
    if (!search_ || !document() || search_->rowCount({}) == 0) return;
    QPainter painter(viewport());
    const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect seen(scrolled, viewport()->size());
    for (int page = 0; page < document()->pageCount(); ++page) {
        const QRect rect = page_rect(page);
        if (!rect.intersects(seen)) continue;
        const double scale = page_scale(page);
        const auto on_screen = [&](const QRectF& r) {
            return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale)
                .translated(rect.topLeft() - scrolled);
        };
        for (const int row : search_->rows_on_page(page))
            for (const QRectF& r : search_->rectangles(row)) painter.fillRect(on_screen(r), kHitFill);
        if (current_hit_ >= 0 && current_hit_ < search_->rowCount({})) {
            if (search_->hit(current_hit_).page != page) continue;
            painter.setPen(QPen(kCurrentHitFrame, 2));
            for (const QRectF& r : search_->rectangles(current_hit_))
                painter.drawRect(on_screen(r).adjusted(-2, -2, 2, 2));
        }
    }
}

}  // namespace tessaly::app
