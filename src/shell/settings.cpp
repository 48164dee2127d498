#include "shell/settings.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>

#include <QStandardPaths>

#include "text/user_file.h"

namespace tessaly::app {

namespace {

struct IntegerSetting {
    std::string_view key;
    int default_value;
};

constexpr IntegerSetting kIntegers[] = {
    {"KanSet/LastOpen", 0},
    {"KanSet/MakeBackup", 1},
    {"KanSet/PlayAnime", 3},
    {"KanSet/SpeedAnime", 0},
    {"KanSet/DspGuide", 1},
    {"KanSet/ChangeBk", 1},
    {"KanSet/CheckDsp", 1},
    {"KanSet/SpcCut", 1},
    {"KanSet/Hifun", 0},
    {"KanSet/Kakko", 0},
    {"KanSet/Oomoji", 0},
    {"KanSet/OldNew", 0},
    {"KanSet/MinHit", 2},
    {"KanSet/HitNo", 1},
    {"KanSet/Kaigyou", 1},
    {"KanSet/AutoClose", 0},
    {"KanSet/Quote", 0},
    {"KanSet/Xlsx", 0},
    {"Last/Zoomed", 0},
    {"Last/PX", 0},
    {"Last/PY", 0},
    {"Last/SX", 640},
    {"Last/SY", 480},
    {"Last/cxCur1", 100},
    {"Last/Zoom", 100},
    {"Last/ZoomX", 79},
    {"Last/ZoomY", 79},
    {"Insatu/PaperSize", 9},
    {"Insatu/Orientation", 1},
    {"Insatu/MarginLmm", 25},
    {"Insatu/MarginRmm", 10},
    {"Insatu/MarginTmm", 25},
    {"Insatu/MarginBmm", 10},
    {"Insatu/Hani", 1},
    {"Insatu/AllOne", 0},
    {"Insatu/DspYohaku", 0},
    {"Insatu/PX", 0},
    {"Insatu/PY", 0},
    {"Insatu/SX", 640},
    {"Insatu/SY", 480},
    {"Insatu/Zoomed", 0},
};

const IntegerSetting& find(std::string_view key) {
    auto it = std::find_if(std::begin(kIntegers), std::end(kIntegers),
                           [key](const IntegerSetting& s) { return s.key == key; });
    if (it == std::end(kIntegers)) std::abort();  // a name the program does not know: a programming error
    return *it;
}

QString qkey(std::string_view key) { return QString::fromLatin1(key.data(), static_cast<int>(key.size())); }

// The option fields in the order they are written on close.
constexpr std::pair<std::string_view, int CrossOptions::*> kCrossOptions[] = {
    {"KanSet/SpcCut", &CrossOptions::SpcCut},       {"KanSet/Hifun", &CrossOptions::Hifun},
    {"KanSet/Kakko", &CrossOptions::Kakko},         {"KanSet/Oomoji", &CrossOptions::Oomoji},
    {"KanSet/OldNew", &CrossOptions::OldNew},       {"KanSet/MinHit", &CrossOptions::MinHit},
    {"KanSet/HitNo", &CrossOptions::HitNo},         {"KanSet/Kaigyou", &CrossOptions::Kaigyou},
    {"KanSet/AutoClose", &CrossOptions::AutoClose}, {"KanSet/Quote", &CrossOptions::Quote},
    {"KanSet/Xlsx", &CrossOptions::Xlsx},
};

}  // namespace

QString settings_file_path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Varnholt/Tessaly.ini";
}

std::unique_ptr<QSettings> open_settings(MessagePresenter& messages) {
    // Looked at first without waiting: the settings library would open a FIFO
    // in the ordinary way and wait for ever, and read /dev/zero to the end of
    // memory. The file is the user's own, in the user's own folder; only the
    // user could swap it between the look and the library's reading.
    const QString path = settings_file_path();
    std::string text;
    if (Status checked = read_settings_file(path.toStdString(), text);
        checked.message_id == MessageId::SettingsIgnored) {
        show_message(messages, checked);
        // A file no path can name (beneath a device): nothing is read, and the
        // changes of this run stay in memory, as nothing can be written there.
        return std::make_unique<QSettings>(QStringLiteral("/dev/null/Tessaly.ini"), QSettings::IniFormat);
    }
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

int default_setting(std::string_view key) { return find(key).default_value; }

int setting(const QSettings& store, std::string_view key) {
    const IntegerSetting& s = find(key);
    bool ok = false;
    const int value = store.value(qkey(s.key)).toInt(&ok);
    return ok ? value : s.default_value;
}

void set_setting(QSettings& store, std::string_view key, int value) { store.setValue(qkey(find(key).key), value); }

QString result_folder(const QSettings& store) { return store.value("KanSet/FolderPath", QString()).toString(); }

void set_result_folder(QSettings& store, const QString& folder) { store.setValue("KanSet/FolderPath", folder); }

QString default_result_folder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Tessaly");
}

void store_default_result_folder(QSettings& store) {
    if (!store.contains("KanSet/FolderPath")) set_result_folder(store, default_result_folder());
}

CrossOptions read_cross_options(const QSettings& store) {
    CrossOptions options;
    for (const auto& [key, field] : kCrossOptions) options.*field = setting(store, key);
    return options;
}

void write_cross_options(QSettings& store, const CrossOptions& options) {
    for (const auto& [key, field] : kCrossOptions) set_setting(store, key, options.*field);
}

int print_orientation(const QSettings& store) {
    const int stored = setting(store, "Insatu/Orientation");
    return stored == 2 ? 2 : 1;
}

}  // namespace tessaly::app
