#pragma once

#include <QSettings>
#include <QStringList>

namespace tessaly::app {

inline constexpr int kRecentFiles = 10;

// The ten charts opened or saved last, most recent first, kept in the
// settings' "Recent File List" as FILE1 ... FILE10.
QStringList recent_files(const QSettings& store);
// Puts path at the front (once) and writes the list back.
void add_recent_file(QSettings& store, const QString& path);

}  // namespace tessaly::app
