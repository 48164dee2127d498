#include "app/key_help_picture.h"

#include <QFont>
#include <QPainter>

namespace tessaly::app {

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 116;
constexpr int kBoxTop = 68;
constexpr int kBoxHeight = 36;
constexpr int kGap = 8;
constexpr int kLeft = 14;
constexpr int kBracketY = 54;
constexpr int kBracketTick = 8;
constexpr std::array<int, kKeyHelpFieldCount> kBoxWidths = {72, 72, 44, 44, 44, 44, 44};
constexpr std::array<const char*, kKeyHelpFieldCount> kFieldTexts = {"山田", "太郎", "S", "57", "02", "18", "M"};

bool in_key(int field) { return field >= kKeyHelpFirstKeyField && field <= kKeyHelpLastKeyField; }

}  // namespace

std::array<QRect, kKeyHelpFieldCount> key_help_field_boxes() {
    std::array<QRect, kKeyHelpFieldCount> boxes;
    int x = kLeft;
    for (int i = 0; i < kKeyHelpFieldCount; ++i) {
        boxes[i] = QRect(x, kBoxTop, kBoxWidths[i], kBoxHeight);
        x += kBoxWidths[i] + kGap;
    }
    return boxes;
}

QImage draw_key_help_picture() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    // Square borders, so that every edge is one clean colour.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor red = QColor::fromRgb(kKeyHelpRed);

    QFont font(QStringLiteral("Meiryo UI"));
    font.setPixelSize(18);
    painter.setFont(font);
    const auto boxes = key_help_field_boxes();
    for (int i = 0; i < kKeyHelpFieldCount; ++i) {
        const QColor colour = in_key(i) ? red : QColor(Qt::black);
        painter.setPen(QPen(colour, 2));
        painter.setBrush(Qt::NoBrush);
        // A 2-pixel pen on whole pixels: the border lies inside the box.
        painter.drawRect(boxes[i].adjusted(1, 1, -1, -1));
        painter.drawText(boxes[i], Qt::AlignCenter, QString::fromUtf8(kFieldTexts[i]));
    }

    // The bracket over the key fields, open towards them, and its label.
    const int left = boxes[kKeyHelpFirstKeyField].left() + 4;
    const int right = boxes[kKeyHelpLastKeyField].right() - 4;
    painter.setPen(QPen(red, 2));
    painter.drawLine(left, kBracketY, right, kBracketY);
    painter.drawLine(left, kBracketY, left, kBracketY + kBracketTick);
    painter.drawLine(right, kBracketY, right, kBracketY + kBracketTick);
    QFont label_font = font;
    label_font.setBold(true);
    painter.setFont(label_font);
    painter.drawText(QRect(left, 8, right - left, kBracketY - 12), Qt::AlignHCenter | Qt::AlignBottom,
                     QString::fromUtf8("クロスキー"));
    return image;
}

}  // namespace tessaly::app
