#pragma once

#include <string>

namespace tessaly::cli {

// What tessaly-cross takes from the desktop application's settings.
struct SavedSettings {
    std::string result_folder;  // KanSet/FolderPath; empty when never chosen
    bool make_backup = true;    // KanSet/MakeBackup
};

SavedSettings read_saved_settings();

}  // namespace tessaly::cli
