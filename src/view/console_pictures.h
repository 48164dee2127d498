#pragma once

// The pictures of the zoom console, drawn by the program itself: the face
// (a shaded green dial with a blue plus at the top and a red minus at the
// bottom) and the red seven-segment digits that show the zoom.

#include <QColor>
#include <QImage>

namespace tessaly::view {

inline constexpr int kConsoleSize = 130;  // the face is a square of this side
inline constexpr int kDigitWidth = 32;
inline constexpr int kDigitHeight = 50;

// Around the dial the console is see-through: in the composite this colour
// stands for "nothing here".
inline const QColor kConsoleClear(255, 247, 255);

// The face on a see-through background (alpha), 130 × 130.
QImage console_face();

// The digits 0 to 9 side by side, digit d at x = 32·d, each 32 × 50, on a
// see-through background (alpha).
QImage digit_strip();

}  // namespace tessaly::view
