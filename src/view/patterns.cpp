#include "view/patterns.h"

#include <QColor>
#include <QImage>

namespace tessaly::view {

namespace {

QBrush checkerboard(const QColor& colour) {
    QImage pattern(2, 2, QImage::Format_RGB32);
    pattern.setPixelColor(0, 0, colour);
    pattern.setPixelColor(1, 1, colour);
    pattern.setPixelColor(1, 0, Qt::white);
    pattern.setPixelColor(0, 1, Qt::white);
    return QBrush(pattern);
}

}  // namespace

QBrush navy_checkerboard() { return checkerboard(QColor(0, 0, 128)); }
QBrush magenta_checkerboard() { return checkerboard(QColor(255, 0, 255)); }

}  // namespace tessaly::view
