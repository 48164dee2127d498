#include "single_instance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace tessaly::app {

namespace {
constexpr const char* kApplicationId = "Varnholt.R52207.Tessaly.1.01";
constexpr char kAnswer[] = "OK\n";
}  // namespace

SingleInstance::SingleInstance(const QString& folder) {
    QString dir = folder;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    path_ = QDir(dir).filePath(QString::fromLatin1(kApplicationId) + ".lock");
    socket_ = QDir(dir).filePath(QString::fromLatin1(kApplicationId) + ".socket");
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(path_);
    // Never stale by age: only a lock whose process is gone is taken over.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) return false;
    // Holding the lock, any socket file left there is a crashed run's.
    QLocalServer::removeServer(socket_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::take_request);
    // Without the socket the program still runs; later starts are then
    // turned away as before.
    server_->listen(socket_);
    return true;
}

// One line: the chart's path in UTF-8, answered with "OK".
void SingleInstance::take_request() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine()) return;
            const QString chart = QString::fromUtf8(client->readLine()).chopped(1);
            client->write(kAnswer);
            client->flush();
            client->disconnectFromServer();
            emit chart_requested(chart);
        });
    }
}

bool SingleInstance::hand_over(const QString& chart, int timeout_ms) const {
    QLocalSocket socket;
    socket.connectToServer(socket_);
    if (!socket.waitForConnected(timeout_ms)) return false;
    QString line = chart;
    line.remove(QLatin1Char('\n'));
    socket.write(line.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeout_ms)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeout_ms)) return false;
    return socket.readLine() == kAnswer;
}

}  // namespace tessaly::app
