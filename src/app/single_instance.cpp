#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace tessaly::app {

namespace {
constexpr const char* kApplicationId = "Varnholt.R52207.Tessaly.1.01";
}

SingleInstance::SingleInstance(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    path_ = QDir(dir).filePath(QString::fromLatin1(kApplicationId) + ".lock");
}

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    // Never stale by age: only a lock whose process is gone is taken over.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

}  // namespace tessaly::app
