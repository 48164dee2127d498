#include "cli/cli_settings.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <sstream>

#include "text/messages.h"
#include "text/user_file.h"
#include "text/utf8.h"

// The settings are read without the Qt library, so that the headless cross
// stays small and quick to start; the format is the one QSettings writes.

namespace tessaly::cli {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<std::string> unescape_ini_string(std::string_view raw) {
    raw = trim(raw);
    std::string out;
    bool quoted = false;
    char16_t high_surrogate = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            return std::nullopt;  // a list of texts, not one text
        } else if (c == '\\' && i + 1 < raw.size()) {
            const char e = raw[++i];
            switch (e) {
                case 'a':
                    out += '\a';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'v':
                    out += '\v';
                    break;
                case 'x':
                case '0': {
                    // \xHHHH (hex) or \0OOO (octal): one UTF-16 code unit.
                    const int base = e == 'x' ? 16 : 8;
                    std::size_t end = i + 1;
                    unsigned value = 0;
                    while (end < raw.size() && end - i <= 4) {
                        const char d = raw[end];
                        const int digit = (d >= '0' && d <= '9')                 ? d - '0'
                                          : (base == 16 && d >= 'a' && d <= 'f') ? d - 'a' + 10
                                          : (base == 16 && d >= 'A' && d <= 'F') ? d - 'A' + 10
                                                                                 : -1;
                        if (digit < 0 || digit >= base) break;
                        value = value * base + static_cast<unsigned>(digit);
                        ++end;
                    }
                    i = end - 1;
                    if (value >= 0xD800 && value < 0xDC00) {
                        high_surrogate = static_cast<char16_t>(value);
                    } else if (value >= 0xDC00 && value < 0xE000 && high_surrogate) {
                        append_utf8(out, 0x10000 + ((high_surrogate - 0xD800) << 10) + (value - 0xDC00));
                        high_surrogate = 0;
                    } else {
                        append_utf8(out, value);
                    }
                    break;
                }
                default:
                    out += e;
                    break;  // \" \' \? \\ and anything else stand for themselves
            }
        } else {
            out += c;
        }
    }
    if (out.starts_with("@@")) return out.substr(1);
    if (out.starts_with('@')) return std::nullopt;  // a typed value
    return out;
}

std::filesystem::path settings_file() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (config && *config) {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home ? home : "") / ".config";
    }
    return folder / "Varnholt" / "Tessaly.ini";
}

SavedSettings read_saved_settings() { return read_saved_settings(settings_file()); }

SavedSettings read_saved_settings(const std::filesystem::path& ini_file) {
    SavedSettings saved;
    std::string text;
    if (Status read = read_settings_file(ini_file, text); read.message_id == MessageId::SettingsIgnored) {
        saved.ignored = std::string(message_text(MessageId::SettingsIgnored));
        std::replace(saved.ignored.begin(), saved.ignored.end(), '\n', ' ');
        return saved;
    }
    std::istringstream in(text);
    std::string line;
    bool in_section = false;
    bool have_folder = false;
    bool have_backup = false;
    while (std::getline(in, line)) {
        const std::string_view text = trim(line);
        if (text.starts_with('[')) {
            in_section = text == "[KanSet]";
            continue;
        }
        const auto equals = text.find('=');
        if (!in_section || equals == std::string_view::npos) continue;
        const std::string_view key = trim(text.substr(0, equals));
        const std::string_view value = text.substr(equals + 1);
        if (key == "FolderPath" && !have_folder) {
            have_folder = true;
            saved.result_folder = unescape_ini_string(value).value_or("");
        } else if (key == "MakeBackup" && !have_backup) {
            have_backup = true;
            const std::string_view digits = trim(value);
            int number = 1;
            if (std::from_chars(digits.data(), digits.data() + digits.size(), number).ec == std::errc())
                saved.make_backup = number != 0;
        }
    }
    return saved;
}

}  // namespace tessaly::cli
