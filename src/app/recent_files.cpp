#include "app/recent_files.h"

#include "shell/settings.h"

namespace tessaly::app {

QStringList recent_files(const QSettings& store) {
    QStringList files;
    for (int n = 1; n <= kRecentFiles; ++n) {
        const QString path = recent_file_entry(store, n);
        if (!path.isEmpty()) files << path;
    }
    return files;
}

void add_recent_file(QSettings& store, const QString& path) {
    QStringList files = recent_files(store);
    files.removeAll(path);
    files.prepend(path);
    for (int n = 1; n <= kRecentFiles; ++n) {
        set_recent_file_entry(store, n, n <= files.size() ? files[n - 1] : QString());
    }
}

}  // namespace tessaly::app
