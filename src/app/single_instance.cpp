#include "app/single_instance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace tessaly::app {

namespace {
constexpr const char* kApplicationId = "Varnholt.R52207.Tessaly.1.01";
constexpr char kAnswer[] = "OK\n";

// A folder nobody else can put anything in: a real folder (not a symbolic
// link to one), ours, and closed to the group and to others. In any other
// folder another user could hold our lock or listen in our socket's place
// and be handed the charts we open.
bool is_private_folder(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// An environment variable holding an absolute path, else empty.
std::string absolute_from_environment(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

// base/Varnholt/run, made 0700 where it is missing, when it is private.
std::string private_folder_under(const std::string& base) {
    if (base.empty()) return {};
    std::string path = base;
    for (const char* part : {"", "/Varnholt", "/run"}) {
        path += part;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    }
    return is_private_folder(path) ? path : std::string();
}

// The user's runtime folder when it is private as it should be; else a
// folder of our own under the user's cache folder, else under the
// configuration folder. Never the shared temporary folder.
QString private_runtime_folder() {
    if (const std::string runtime = absolute_from_environment("XDG_RUNTIME_DIR"); is_private_folder(runtime))
        return QString::fromStdString(runtime);
    const std::string home = absolute_from_environment("HOME");
    std::string cache = absolute_from_environment("XDG_CACHE_HOME");
    if (cache.empty() && !home.empty()) cache = home + "/.cache";
    std::string config = absolute_from_environment("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty()) config = home + "/.config";
    for (const std::string& base : {cache, config})
        if (const std::string folder = private_folder_under(base); !folder.empty())
            return QString::fromStdString(folder);
    return {};
}

// A file of ours: not another user's, and of the kind expected.
bool is_own(const QString& path, mode_t kind) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IFMT) == kind &&
           st.st_uid == ::geteuid();
}

// The user at the other end of a connected local socket is this user.
bool peer_is_us(qintptr descriptor) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return descriptor >= 0 && ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder) {
    const QString dir = folder.isEmpty()                                             ? private_runtime_folder()
                        : is_private_folder(QFile::encodeName(folder).toStdString()) ? folder
                                                                                     : QString();
    if (dir.isEmpty()) return;
    path_ = QDir(dir).filePath(QString::fromLatin1(kApplicationId) + ".lock");
    socket_ = QDir(dir).filePath(QString::fromLatin1(kApplicationId) + ".socket");
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::acquire() {
    if (unguarded()) return true;
    // Only root could have put another user's file (or anything but a file)
    // in our private folder: it is no lock of ours, and goes.
    const QByteArray lock = QFile::encodeName(path_);
    if (struct stat st{}; ::lstat(lock.constData(), &st) == 0 && !is_own(path_, S_IFREG)) ::unlink(lock.constData());
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

// One line: the chart's path in UTF-8, answered with "OK". Only from this
// user.
void SingleInstance::take_request() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        if (!peer_is_us(client->socketDescriptor())) {
            client->abort();
            continue;
        }
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
    // The chart's path goes only to a copy of ours: a socket of ours, with
    // this user listening on it.
    if (unguarded() || !is_own(socket_, S_IFSOCK)) return false;
    QLocalSocket socket;
    socket.connectToServer(socket_);
    if (!socket.waitForConnected(timeout_ms)) return false;
    if (!peer_is_us(socket.socketDescriptor())) return false;
    QString line = chart;
    line.remove(QLatin1Char('\n'));
    socket.write(line.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeout_ms)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeout_ms)) return false;
    return socket.readLine() == kAnswer;
}

}  // namespace tessaly::app
