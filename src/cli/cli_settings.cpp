#include "cli_settings.h"

#include <QSettings>

namespace tessaly::cli {

SavedSettings read_saved_settings() {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "Varnholt", "Tessaly");
    SavedSettings saved;
    saved.result_folder = settings.value("KanSet/FolderPath", QString()).toString().toStdString();
    saved.make_backup = settings.value("KanSet/MakeBackup", 1).toInt() != 0;
    return saved;
}

}  // namespace tessaly::cli
