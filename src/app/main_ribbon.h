#pragma once

// The main window's ribbon: the application menu, the quick-access
// toolbar, the elements at the right of the tab row, and the categories
// "ホーム" and "クロス設定" with their panels, all on the window's commands.

class QComboBox;
class QProgressBar;
class QSpinBox;

namespace tessaly::ribbon {
class Ribbon;
}

namespace tessaly::app {

class Commands;

// Ribbon elements that other parts of the program write into.
struct RibbonElements {
    ribbon::Ribbon* ribbon = nullptr;
    QComboBox* node_font_combo = nullptr;     // CommandId::NodeFontSize
    QComboBox* preview_font_combo = nullptr;  // CommandId::PreviewFontSize
    QProgressBar* cross_progress = nullptr;   // the cross under way, in the ribbon
    QSpinBox* min_hit_edit = nullptr;         // CommandId::MinHit
};

RibbonElements build_main_ribbon(Commands& commands);

}  // namespace tessaly::app
