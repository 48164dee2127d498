#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::cli {

// What tessaly-cross takes from the desktop application's settings.
struct SavedSettings {
    std::string result_folder;  // KanSet/FolderPath; empty when never chosen
    bool make_backup = true;    // KanSet/MakeBackup
};

// The application's settings file: Varnholt/Tessaly.ini under
// $XDG_CONFIG_HOME, else under ~/.config.
std::filesystem::path settings_file();

SavedSettings read_saved_settings();
SavedSettings read_saved_settings(const std::filesystem::path& ini_file);

// The text of a value as the application's settings library writes it in an
// INI file: quoted when it holds separators, with backslash escapes, and a
// leading "@" doubled. Nullopt for a list or a typed value.
std::optional<std::string> unescape_ini_string(std::string_view raw);

}  // namespace tessaly::cli
