#pragma once

// Every colour the ribbon paints with, by what it colours: the dark look of
// the tab row and the body, the buttons on it, the light look of the fields
// and of the application menu's bottom row, the check box, the strip of
// joined buttons and the round application button.

#include <QColor>

namespace tessaly::ribbon::detail {

namespace colour {

// The tab row and the body with its caption band.
inline constexpr QRgb tab_row_top = 0xff17181b;
inline constexpr QRgb tab_row_bottom = 0xff25262a;
inline constexpr QRgb body_top = 0xff4b4d53;
inline constexpr QRgb body_bottom = 0xff303136;
inline constexpr QRgb body_band_line = 0xff3c3e43;
inline constexpr QRgb caption_band = 0xff27282c;
inline constexpr QRgb caption_text = 0xffc9cbd1;
inline constexpr QRgb line_dark = 0xff141518;
inline constexpr QRgb line_light = 0xff62646b;

// Text on the dark ground, and the dark palette's fields and buttons.
inline constexpr QRgb text = 0xfff3f3f5;
inline constexpr QRgb text_dim = 0xffb4b6bd;
inline constexpr QRgb text_disabled = 0xff7c7e85;
inline constexpr QRgb dark_base = 0xff2a2b2f;
inline constexpr QRgb dark_button = 0xff3d3f44;

// A button under the mouse, pressed or checked, and keyboard focus.
inline constexpr QRgb hover_fill = 0x2effffff;
inline constexpr QRgb hover_border = 0x5cffffff;
inline constexpr QRgb pressed_top = 0xfff0bd62;
inline constexpr QRgb pressed_bottom = 0xffc7872a;
inline constexpr QRgb pressed_border = 0xfff8d890;
inline constexpr QRgb pressed_text = 0xff1d1a14;
inline constexpr QRgb focus = 0xfff0bd62;

// The application menu's bottom row and its buttons, on a light ground.
inline constexpr QRgb menu_band = 0xffe4e6ea;
inline constexpr QRgb menu_line = 0xffb9bcc4;
inline constexpr QRgb light_hover_fill = 0xfffde9bb;
inline constexpr QRgb light_hover_border = 0xffe2b052;
inline constexpr QRgb light_text = 0xff1b1d22;
inline constexpr QRgb light_text_disabled = 0xff9a9ca3;

// The light palette of lists and number fields.
inline constexpr QRgb field_ink = 0xff16181c;
inline constexpr QRgb field_window = 0xffe8e9ec;
inline constexpr QRgb field_base = 0xffffffff;
inline constexpr QRgb field_alternate = 0xfff2f3f5;
inline constexpr QRgb field_button = 0xffeceef1;
inline constexpr QRgb field_light = 0xffffffff;
inline constexpr QRgb field_midlight = 0xffe0e1e5;
inline constexpr QRgb field_mid = 0xffa7aab2;
inline constexpr QRgb field_dark = 0xff7d818a;
inline constexpr QRgb field_shadow = 0xff4a4d55;
inline constexpr QRgb field_highlight = 0xff3d74c6;
inline constexpr QRgb field_highlighted_text = 0xffffffff;
inline constexpr QRgb field_placeholder = 0xff8a8d95;
inline constexpr QRgb field_text_disabled = 0xff8d9098;
inline constexpr QRgb field_base_disabled = 0xffc9cbd0;
inline constexpr QRgb field_button_disabled = 0xffc4c6cb;

// The progress bar: a green run on the field's ground.
inline constexpr QRgb progress_chunk = 0xff4fa84a;
inline constexpr QRgb progress_ground = 0xfff4f5f7;

// The check box's square, its border and its tick.
inline constexpr QRgb check_top = 0xfffbfbfc;
inline constexpr QRgb check_bottom = 0xffdcdee3;
inline constexpr QRgb check_hover_top = 0xfffff6e0;
inline constexpr QRgb check_hover_bottom = 0xfff7d99c;
inline constexpr QRgb check_disabled_top = 0xff808288;
inline constexpr QRgb check_disabled_bottom = 0xff6c6e74;
inline constexpr QRgb check_border = 0xff1c1d21;
inline constexpr QRgb tick = 0xff1e3f86;
inline constexpr QRgb tick_disabled = 0xff3a3b40;

// The strip of joined small buttons.
inline constexpr QRgb strip_top = 0x1effffff;
inline constexpr QRgb strip_bottom = 0x08ffffff;
inline constexpr QRgb strip_border = 0xff6e7077;
inline constexpr QRgb strip_divider = 0xff242529;

// The round application button: its rim, its face (centre and edge) at
// rest, under the mouse and with its menu open, and the gloss on top.
inline constexpr QRgb orb_rim_top = 0xff9a9da6;
inline constexpr QRgb orb_rim_bottom = 0xff0c0d0f;
inline constexpr QRgb orb_centre = 0xff5d80b4;
inline constexpr QRgb orb_edge = 0xff1b2537;
inline constexpr QRgb orb_hover_centre = 0xff8ab6ea;
inline constexpr QRgb orb_hover_edge = 0xff273d62;
inline constexpr QRgb orb_active_centre = 0xffffd87a;
inline constexpr QRgb orb_active_edge = 0xffb86c12;
inline constexpr QRgb orb_gloss_top = 0x78ffffff;
inline constexpr QRgb orb_gloss_bottom = 0x0cffffff;

}  // namespace colour

inline QColor colour_of(QRgb argb) { return QColor::fromRgba(argb); }

}  // namespace tessaly::ribbon::detail
