#pragma once

// The file area's fixed-pitch face. The byte columns of the text, the ruler
// and the mouse all count one half-width cell per byte, so a double-byte
// character must take exactly two cells.

#include <QFont>

namespace tessaly::filearea {

// Character height in pixels for a point size at a vertical resolution.
int preview_pixel_height(int points, int dots_per_inch);

// "ＭＳ ゴシック" (the application maps it to IPAGothic) at a pixel height,
// weight 400, fully hinted so that every advance is a whole pixel. At some
// heights the face's half-width advance rounds up while the full-width one
// does not; the face is then widened by the smallest stretch that restores
// two cells per double-byte character.
QFont preview_font(int pixel_height);

// The half-width cell: the width of one byte of text.
int cell_width(const QFont& font);

}  // namespace tessaly::filearea
