#include "app/recent_files.h"

namespace tessaly::app {

namespace {
QString key(int n) { return QStringLiteral("Recent File List/FILE%1").arg(n); }
}  // namespace

QStringList recent_files(const QSettings& store) {
    QStringList files;
    for (int n = 1; n <= kRecentFiles; ++n) {
        const QString path = store.value(key(n)).toString();
        if (!path.isEmpty()) files << path;
    }
    return files;
}

void add_recent_file(QSettings& store, const QString& path) {
    QStringList files = recent_files(store);
    files.removeAll(path);
    files.prepend(path);
    for (int n = 1; n <= kRecentFiles; ++n) {
        if (n <= files.size())
            store.setValue(key(n), files[n - 1]);
        else
            store.remove(key(n));
    }
}

}  // namespace tessaly::app
