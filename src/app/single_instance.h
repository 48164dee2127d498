#pragma once

#include <memory>

#include <QLockFile>
#include <QString>

namespace tessaly::app {

// Only one Tessaly runs per user: a lock file named after the application ID
// in the user's runtime folder. A lock left by a run that crashed is taken
// over, since its process is gone.
class SingleInstance {
public:
    // folder: where the lock lives; empty for the user's runtime folder.
    explicit SingleInstance(const QString& folder = QString());
    // True when this process now holds the lock (held until destruction).
    bool acquire();
    QString lock_path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tessaly::app
