#pragma once

#include <memory>

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

namespace tessaly::app {

// Only one Tessaly runs per user: a lock file named after the application ID
// in a folder private to the user (0700, the user's own): the runtime folder
// when it is so, else one of ours under the user's cache or configuration
// folder; never a folder others can write in. A lock left by a run that
// crashed is taken over, since its process is gone.
//
// Beside the lock the running copy listens on a local socket, so that a
// later start (a chart double-clicked in the file manager) hands its chart
// over instead of being turned away. A socket, or a peer, not of this user
// is never spoken to.
//
// Without such a folder the program runs unguarded: acquire() lets it run
// and nothing is handed over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // folder: where the lock and the socket live (used only when private);
    // empty for the user's runtime folder or its stand-in.
    explicit SingleInstance(const QString& folder = QString());
    ~SingleInstance() override;

    // True when this process now holds the lock (held until destruction);
    // it then listens for later starts.
    bool acquire();
    QString lock_path() const { return path_; }
    // No private folder was found: no lock, no socket.
    bool unguarded() const { return path_.isEmpty(); }
    QString socket_path() const { return socket_; }

    // From a later start: asks the running copy to come to the front and
    // open the chart (an empty path: only to come to the front). True when
    // the running copy answered within the time.
    bool hand_over(const QString& chart, int timeout_ms = 5000) const;

signals:
    // A later start asked for this chart (possibly empty).
    void chart_requested(const QString& path);

private:
    void take_request();

    QString path_;
    QString socket_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace tessaly::app
