#pragma once

// Every persisted setting of the program, under the section and value names
// it has always used, with its default in one table. The store is an INI file
// (organisation "Varnholt", application "Tessaly"); a missing value reads as
// its default.

#include <memory>

#include <QSettings>
#include <QString>

#include "cross/cross_options.h"
#include "text/show_message.h"

namespace tessaly::app {

// The application's own settings file: Varnholt/Tessaly.ini in the user's
// configuration folder. One that is not a regular file (a FIFO, /dev/zero
// through a link) or is too large to be ours is never opened: the messages
// are told (SettingsIgnored, naming it) and a store of the defaults stands in for it,
// which keeps this run's changes to itself.
std::unique_ptr<QSettings> open_settings(MessagePresenter& messages);
QString settings_file_path();

// Every integer setting. The file's section and value names stay in
// settings.cpp alone.
enum class Setting {
    // The program as a whole.
    OpenLastChart,   // 1: the chart open last is opened at start-up
    MakeBackup,      // 1: saving over a chart keeps the old one as .bak
    Comets,          // 0 none, 1 to 10 animated figures around the pointer
    CometSpeed,      // 0 fastest to 4 slowest
    ShowGuide,       // 1: the status bar shows the pointer guide
    TintActiveArea,  // 1: the active one of chart and file area is tinted
    ConfirmCross,    // 1: the conditions are shown before a cross
    // The cross options.
    RemoveSpaces,
    RemoveHyphens,
    RemoveParens,
    IgnoreCase,
    OldNew,
    MinHit,
    HitNumbers,
    BlankLines,
    AutoClose,
    Quotes,
    Workbook,
    // The main window as it was closed.
    WindowMaximised,
    WindowLeft,
    WindowTop,
    WindowWidth,
    WindowHeight,
    ChartPaneWidth,
    Zoom,  // percent
    ZoomCentreX,
    ZoomCentreY,
    // Printing.
    PaperSize,    // the paper's code
    Orientation,  // 1 portrait, 2 landscape
    MarginLeft,   // millimetres
    MarginRight,
    MarginTop,
    MarginBottom,
    PrintRange,    // the PrintRange's number
    AllOnOnePage,  // 1: the page range is shrunk onto one sheet
    ShowMargins,   // 1: the preview shows the margins
    PrintWindowLeft,
    PrintWindowTop,
    PrintWindowWidth,
    PrintWindowHeight,
    PrintWindowMaximised,
};

// A missing or unreadable value reads as its default.
int setting(const QSettings& store, Setting which);
void set_setting(QSettings& store, Setting which, int value);

// The result folder.
QString result_folder(const QSettings& store);
void set_result_folder(QSettings& store, const QString& folder);
// "Tessaly" in the user's documents folder: the result folder a first start
// stores, so that the first cross need not stop to ask for one.
QString default_result_folder();
// Stores the default when no result folder was ever stored.
void store_default_result_folder(QSettings& store);

// The cross options, each under its own setting.
CrossOptions read_cross_options(const QSettings& store);
void write_cross_options(QSettings& store, const CrossOptions& options);

// Setting::Orientation: 1 portrait or 2 landscape; anything else reads as 1.
int print_orientation(const QSettings& store);

// The chart saved last.
void set_last_chart_path(QSettings& store, const QString& path);

// Entry n (1 and up) of the list of charts opened last; empty when there is
// none. An empty path removes the entry.
QString recent_file_entry(const QSettings& store, int n);
void set_recent_file_entry(QSettings& store, int n, const QString& path);

}  // namespace tessaly::app
