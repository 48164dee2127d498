#pragma once

// What the ribbon's widgets share: the sizes that follow its font, the
// palettes, the texts and icons as buttons show them, and the focus frame.

#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QPainter;
class QRectF;
class QWidget;

namespace tessaly::ribbon::detail {

// Sizes that follow the ribbon's font, so that a larger font gives taller
// rows instead of clipped text.
struct Metrics {
    int row = 22;       // one row of small elements
    int gap = 2;        // between rows
    int content = 70;   // three rows: the height of a panel's elements
    int caption = 18;   // the band with the panel captions
    int tab_row = 28;   // the tab row
    int panel_top = 3;  // above the elements
};
Metrics metrics_for(const QFont& font);

// The dark palette of the ribbon and the light one of its fields (lists and
// number fields stay white, as text fields on any panel).
QPalette ribbon_palette(const QPalette& base);
QPalette field_palette(const QPalette& base);

// The action's text as a button shows it: no "(&X)" or "&" mnemonic marks
// and no trailing "...".
QString display_text(const QString& action_text);

// The icon at size×size in normal colours, or greyed and faded when
// disabled (the style's own disabled icons are too bright on a dark ground).
QPixmap icon_pixmap(const QIcon& icon, int size, bool enabled, qreal ratio);

// Focus is shown only once the keyboard has moved it, as the styles do.
bool shows_focus(const QWidget* widget);
// The dotted frame of keyboard focus.
void paint_focus(QPainter& p, const QRectF& r);

}  // namespace tessaly::ribbon::detail
