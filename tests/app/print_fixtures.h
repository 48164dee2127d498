#pragma once

// Charts to print and PDF pages to look at, for the printing tests.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QSizeF>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "chart/chart.h"

namespace print_fixtures {

// A chart of the given canvas with source nodes at fixed boxes (chart
// coordinates), so that where they print can be worked out by hand.
inline tessaly::Chart chart_with_boxes(int width, int height, std::initializer_list<tessaly::Rect> boxes) {
    tessaly::Chart chart;
    chart.reset(width, height);
    for (const tessaly::Rect& box : boxes) {
        tessaly::add_node(chart, "/data/members.csv", {box.left, box.top}, 1.0, tessaly::kSourceNode, "members", 10);
        chart.nodes.back().rect = box;
    }
    return chart;
}

// A PDF as pages: their count, their size in points, and each rendered at
// the resolution the test printed it at, so that one printer pixel is one
// pixel of the picture.
class PdfPages {
public:
    explicit PdfPages(const QString& path) { document_.load(path); }
    bool loaded() const { return document_.status() == QPdfDocument::Status::Ready; }
    int count() const { return document_.pageCount(); }
    QSizeF size(int page) const { return document_.pagePointSize(page); }
    // On white, as the page comes out of a printer.
    QImage picture(int page, int dpi = 96) {
        const QSizeF points = size(page);
        const QImage drawn = document_.render(page, QSize(static_cast<int>(std::lround(points.width() * dpi / 72.0)),
                                                          static_cast<int>(std::lround(points.height() * dpi / 72.0))));
        QImage sheet(drawn.size(), QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter(&sheet).drawImage(0, 0, drawn);
        return sheet;
    }

private:
    QPdfDocument document_;
};

// Colours compared with a little room for the renderer's rounding.
inline bool near(QColor seen, QColor wanted, int room = 3) {
    return std::abs(seen.red() - wanted.red()) <= room && std::abs(seen.green() - wanted.green()) <= room &&
           std::abs(seen.blue() - wanted.blue()) <= room;
}

}  // namespace print_fixtures
