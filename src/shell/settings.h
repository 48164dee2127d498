#pragma once

// Every persisted setting of the program, under the section and value names
// it has always used, with its default in one table. The store is an INI file
// (organisation "Varnholt", application "Tessaly"); a missing value reads as
// its default.

#include <memory>
#include <string_view>

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

// An integer setting by "Section/Value" name; every name is in the table.
int setting(const QSettings& store, std::string_view key);
void set_setting(QSettings& store, std::string_view key, int value);
int default_setting(std::string_view key);

// KanSet/FolderPath: the result folder.
QString result_folder(const QSettings& store);
void set_result_folder(QSettings& store, const QString& folder);
// "Tessaly" in the user's documents folder: the result folder a first start
// stores, so that the first cross need not stop to ask for one.
QString default_result_folder();
// Stores the default when no result folder was ever stored.
void store_default_result_folder(QSettings& store);

// The nine cross options of section KanSet.
CrossOptions read_cross_options(const QSettings& store);
void write_cross_options(QSettings& store, const CrossOptions& options);

// Insatu/Orientation: 1 portrait or 2 landscape; anything else reads as 1.
int print_orientation(const QSettings& store);

}  // namespace tessaly::app
