#pragma once

// The picture of the cross-key how-to: an example record of seven boxed
// fields (family name, given name, the four fields of a birth date and the
// sex) with the four date fields drawn in red and bracketed under the red
// label クロスキー.

#include <array>

#include <QColor>
#include <QImage>
#include <QRect>

namespace tessaly::app {

inline constexpr int kKeyHelpFieldCount = 7;
// The fields of the example's cross key: the four date fields.
inline constexpr int kKeyHelpFirstKeyField = 2;
inline constexpr int kKeyHelpLastKeyField = 5;
inline constexpr QRgb kKeyHelpRed = 0xffff0000;

// Where each field's box stands in the picture.
std::array<QRect, kKeyHelpFieldCount> key_help_field_boxes();

QImage draw_key_help_picture();

}  // namespace tessaly::app
