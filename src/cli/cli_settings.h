#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::cli {

// What tessaly-cross takes from the desktop application's settings.
struct SavedSettings {
    std::string result_folder;  // empty when never chosen
    bool make_backup = true;
    // Why the file was passed over for the defaults (one line, naming
    // nothing); empty when it was read or is not there.
    std::string ignored;
};

// The application's settings file: Varnholt/Tessaly.ini under
// $XDG_CONFIG_HOME, else under ~/.config.
std::filesystem::path settings_file();

// A settings file that is not a regular file or is too large is never
// opened, so that a FIFO or /dev/zero put in its place cannot hang the
// cross: the defaults apply, and `ignored` says why.
SavedSettings read_saved_settings();
SavedSettings read_saved_settings(const std::filesystem::path& ini_file);

// The text of a value as the application's settings library writes it in an
// INI file: quoted when it holds separators, with backslash escapes, and a
// leading "@" doubled. Nullopt for a list or a typed value.
std::optional<std::string> unescape_ini_string(std::string_view raw);

}  // namespace tessaly::cli
