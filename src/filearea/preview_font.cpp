#include "filearea/preview_font.h"

#include <algorithm>

#include <QFontMetrics>

namespace tessaly::filearea {

namespace {

const QString& face() {
    static const QString name = QString::fromUtf8("ＭＳ ゴシック");
    return name;
}

bool two_cells_per_wide_character(const QFont& font) {
    const QFontMetrics metrics(font);
    const int narrow = metrics.horizontalAdvance(QLatin1Char('0'));
    return narrow > 0 && metrics.horizontalAdvance(QChar(0x3042)) == 2 * narrow &&  // あ
           metrics.horizontalAdvance(QChar(0xFF71)) == narrow;                      // ｱ
}

}  // namespace

int preview_pixel_height(int points, int dots_per_inch) { return points * dots_per_inch / 72; }

QFont preview_font(int pixel_height) {
    QFont font(face());
    font.setPixelSize(std::max(pixel_height, 1));
    font.setWeight(QFont::Normal);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    font.setHintingPreference(QFont::PreferFullHinting);
    for (int stretch = 100; stretch <= 125; ++stretch) {
        font.setStretch(stretch);
        if (two_cells_per_wide_character(font)) return font;
    }
    // No stretch helps: the text is still drawn cell by cell, only the
    // glyphs do not fill their cells exactly.
    font.setStretch(100);
    return font;
}

int cell_width(const QFont& font) { return std::max(QFontMetrics(font).horizontalAdvance(QLatin1Char('0')), 1); }

}  // namespace tessaly::filearea
