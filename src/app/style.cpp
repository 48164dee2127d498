#include "app/style.h"

#include <QWidget>

namespace tessaly::app {

void apply_frame_style(QWidget* main_window) {
    main_window->setStyleSheet(
        "QMainWindow { background: #2b2d31; }"
        "QMainWindow::separator { background: #2b2d31; }"
        "QSplitter::handle { background: #3a3d43; }"
        "QSplitter::handle:hover { background: #e0a030; }"
        "QStatusBar { background: #2b2d31; color: #e6e6e6; }"
        "QStatusBar QLabel { color: #e6e6e6; }"
        "QStatusBar QLabel[frameShape=\"6\"] { background: #1f2124; border: 1px solid #4a4d53; padding: 0 4px; }");
}

}  // namespace tessaly::app
