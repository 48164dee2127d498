#include "view/edge_feedback.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QString>

#include "view/patterns.h"

namespace tessaly::view {

namespace {

const QColor kBarOutline(128, 128, 128);
const QColor kSizeText(224, 85, 78);

// The size is written only while the pointer is this far from the canvas's
// far edge, so that it stays on the canvas.
constexpr int kTextRoom = 50;

}  // namespace

QRect edge_bar(const EdgeDrag& drag) {
    if (drag.width) return QRect(drag.edge - 2, drag.window.y(), 4, drag.canvas.height() - drag.window.y());
    return QRect(drag.window.x(), drag.edge - 2, drag.canvas.width() - drag.window.x(), 4);
}

void paint_edge_feedback(QPainter& painter, const EdgeDrag& drag) {
    painter.save();
    const QRect bar = edge_bar(drag);
    painter.setPen(QPen(kBarOutline, 1));
    painter.setBrush(magenta_checkerboard());
    painter.drawRect(bar.adjusted(0, 0, -1, -1));  // the outline on the bar's own last pixels

    // Beside the bar, below the pointer (right of it for the bottom edge),
    // crossing the bar: the size in chart units.
    const bool room = drag.width ? drag.canvas.height() - drag.pointer.y() > kTextRoom
                                 : drag.canvas.width() - drag.pointer.x() > kTextRoom;
    if (room) {
        QFont font(QStringLiteral("Meiryo UI"));
        font.setPointSize(8);
        painter.setFont(font);
        painter.setPen(kSizeText);
        const QPoint corner =
            drag.width ? QPoint(bar.x() - 8, drag.pointer.y() + 20) : QPoint(drag.pointer.x() + 20, bar.y() - 8);
        painter.drawText(QRect(corner, QSize(200, 50)), Qt::AlignLeft | Qt::AlignTop, QString::number(drag.size));
    }
    painter.restore();
}

}  // namespace tessaly::view
