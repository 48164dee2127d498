#pragma once

class QWidget;

namespace tessaly::app {

// The frame around the two areas in the ribbon's dark manner: the status
// bar and the splitter bar dark, the areas themselves left light for work.
void apply_frame_style(QWidget* main_window);
inline void apply_frame_style(QWidget& main_window) { apply_frame_style(&main_window); }

}  // namespace tessaly::app
