#include "shell/settings.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include <QStandardPaths>

#include "text/user_file.h"

namespace tessaly::app {

namespace {

struct IntegerSetting {
    Setting which;
    std::string_view key;  // "Section/Value" in the file
    int default_value;
};

// The file's names are those the settings have always been kept under, so
// that a settings file from any earlier version reads the same.
constexpr IntegerSetting kIntegers[] = {
    {Setting::OpenLastChart, "KanSet/LastOpen", 0},
    {Setting::MakeBackup, "KanSet/MakeBackup", 1},
    {Setting::Comets, "KanSet/PlayAnime", 3},
    {Setting::CometSpeed, "KanSet/SpeedAnime", 0},
    {Setting::ShowGuide, "KanSet/DspGuide", 1},
    {Setting::TintActiveArea, "KanSet/ChangeBk", 1},
    {Setting::ConfirmCross, "KanSet/CheckDsp", 1},
    {Setting::RemoveSpaces, "KanSet/SpcCut", 1},
    {Setting::RemoveHyphens, "KanSet/Hifun", 0},
    {Setting::RemoveParens, "KanSet/Kakko", 0},
    {Setting::IgnoreCase, "KanSet/Oomoji", 0},
    {Setting::OldNew, "KanSet/OldNew", 0},
    {Setting::MinHit, "KanSet/MinHit", 2},
    {Setting::HitNumbers, "KanSet/HitNo", 1},
    {Setting::BlankLines, "KanSet/Kaigyou", 1},
    {Setting::AutoClose, "KanSet/AutoClose", 0},
    {Setting::Quotes, "KanSet/Quote", 0},
    {Setting::Workbook, "KanSet/Xlsx", 0},
    {Setting::WindowMaximised, "Last/Zoomed", 0},
    {Setting::WindowLeft, "Last/PX", 0},
    {Setting::WindowTop, "Last/PY", 0},
    {Setting::WindowWidth, "Last/SX", 640},
    {Setting::WindowHeight, "Last/SY", 480},
    {Setting::ChartPaneWidth, "Last/cxCur1", 100},
    {Setting::Zoom, "Last/Zoom", 100},
    {Setting::ZoomCentreX, "Last/ZoomX", 79},
    {Setting::ZoomCentreY, "Last/ZoomY", 79},
    {Setting::PaperSize, "Insatu/PaperSize", 9},
    {Setting::Orientation, "Insatu/Orientation", 1},
    {Setting::MarginLeft, "Insatu/MarginLmm", 25},
    {Setting::MarginRight, "Insatu/MarginRmm", 10},
    {Setting::MarginTop, "Insatu/MarginTmm", 25},
    {Setting::MarginBottom, "Insatu/MarginBmm", 10},
    {Setting::PrintRange, "Insatu/Hani", 1},
    {Setting::AllOnOnePage, "Insatu/AllOne", 0},
    {Setting::ShowMargins, "Insatu/DspYohaku", 0},
    {Setting::PrintWindowLeft, "Insatu/PX", 0},
    {Setting::PrintWindowTop, "Insatu/PY", 0},
    {Setting::PrintWindowWidth, "Insatu/SX", 640},
    {Setting::PrintWindowHeight, "Insatu/SY", 480},
    {Setting::PrintWindowMaximised, "Insatu/Zoomed", 0},
};

// The table is in the order of the enumeration, so a setting is found by its number.
constexpr bool in_order() {
    for (std::size_t i = 0; i < std::size(kIntegers); ++i)
        if (static_cast<std::size_t>(kIntegers[i].which) != i) return false;
    return static_cast<std::size_t>(Setting::PrintWindowMaximised) + 1 == std::size(kIntegers);
}
static_assert(in_order());

const IntegerSetting& find(Setting which) { return kIntegers[static_cast<std::size_t>(which)]; }

QString qkey(std::string_view key) { return QString::fromLatin1(key.data(), static_cast<int>(key.size())); }

constexpr char kResultFolder[] = "KanSet/FolderPath";
constexpr char kLastChart[] = "Last/FilePath";

QString recent_file_key(int n) { return QStringLiteral("Recent File List/FILE%1").arg(n); }

// The cross options' yes-or-no ones, kept as 1 or 0; any other number reads as yes.
constexpr std::pair<Setting, bool CrossOptions::*> kCrossSwitches[] = {
    {Setting::RemoveSpaces, &CrossOptions::remove_spaces},
    {Setting::RemoveHyphens, &CrossOptions::remove_hyphens},
    {Setting::RemoveParens, &CrossOptions::remove_parens},
    {Setting::IgnoreCase, &CrossOptions::ignore_case},
    {Setting::OldNew, &CrossOptions::old_new},
    {Setting::HitNumbers, &CrossOptions::hit_numbers},
    {Setting::BlankLines, &CrossOptions::blank_lines},
    {Setting::AutoClose, &CrossOptions::auto_close},
    {Setting::Quotes, &CrossOptions::quotes},
    {Setting::Workbook, &CrossOptions::workbook},
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

int setting(const QSettings& store, Setting which) {
    const IntegerSetting& s = find(which);
    bool ok = false;
    const int value = store.value(qkey(s.key)).toInt(&ok);
    return ok ? value : s.default_value;
}

void set_setting(QSettings& store, Setting which, int value) { store.setValue(qkey(find(which).key), value); }

QString result_folder(const QSettings& store) { return store.value(kResultFolder, QString()).toString(); }

void set_result_folder(QSettings& store, const QString& folder) { store.setValue(kResultFolder, folder); }

QString default_result_folder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Tessaly");
}

void store_default_result_folder(QSettings& store) {
    if (!store.contains(kResultFolder)) set_result_folder(store, default_result_folder());
}

CrossOptions read_cross_options(const QSettings& store) {
    CrossOptions options;
    for (const auto& [which, field] : kCrossSwitches) options.*field = setting(store, which) != 0;
    options.min_hit = setting(store, Setting::MinHit);
    return options;
}

void write_cross_options(QSettings& store, const CrossOptions& options) {
    for (const auto& [which, field] : kCrossSwitches) set_setting(store, which, options.*field ? 1 : 0);
    set_setting(store, Setting::MinHit, options.min_hit);
}

int print_orientation(const QSettings& store) {
    const int stored = setting(store, Setting::Orientation);
    return stored == 2 ? 2 : 1;
}

void set_last_chart_path(QSettings& store, const QString& path) { store.setValue(kLastChart, path); }

QString recent_file_entry(const QSettings& store, int n) { return store.value(recent_file_key(n)).toString(); }

void set_recent_file_entry(QSettings& store, int n, const QString& path) {
    if (path.isEmpty())
        store.remove(recent_file_key(n));
    else
        store.setValue(recent_file_key(n), path);
}

}  // namespace tessaly::app
