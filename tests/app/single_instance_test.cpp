#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <map>
#include <optional>

#include "app/single_instance.h"
#include "test_registry.h"

using namespace tessaly::app;

namespace {

// Environment variables set for one test and put back afterwards.
class Environment {
public:
    ~Environment() {
        for (const auto& [name, value] : saved_)
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
    }
    void set(const char* name, const QString& value) {
        keep(name);
        qputenv(name, QFile::encodeName(value));
    }
    void unset(const char* name) {
        keep(name);
        qunsetenv(name);
    }

private:
    void keep(const char* name) {
        if (!saved_.contains(name))
            saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    std::map<std::string, std::optional<QByteArray>> saved_;
};

int mode_of(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    // A second process is refused while the first runs, and takes over the
    // lock once the first has died without letting go of it.
    void a_second_copy_is_refused_until_the_first_is_gone() {
        QTemporaryDir dir;
        int ready[2];
        int finish[2];
        QVERIFY(::pipe(ready) == 0 && ::pipe(finish) == 0);
        const pid_t first = ::fork();
        if (first == 0) {
            SingleInstance instance(dir.path());
            char c = instance.acquire() ? '1' : '0';
            (void)!::write(ready[1], &c, 1);
            (void)!::read(finish[0], &c, 1);
            ::_exit(0);  // as a crash would: the lock file stays behind
        }
        char held = 0;
        QCOMPARE(::read(ready[0], &held, 1), ssize_t(1));
        QCOMPARE(held, '1');

        SingleInstance second(dir.path());
        QVERIFY(!second.acquire());

        (void)!::write(finish[1], "x", 1);
        int status = 0;
        ::waitpid(first, &status, 0);
        QVERIFY(QFile::exists(second.lock_path()));
        SingleInstance after_crash(dir.path());
        QVERIFY(after_crash.acquire());
    }

    // The program started again with a chart, while a copy runs, hands the
    // chart to the running copy and ends without a word.
    void a_later_start_hands_its_chart_to_the_running_copy() {
        QTemporaryDir dir;
        SingleInstance running(dir.path());
        QVERIFY(running.acquire());
        QSignalSpy requested(&running, &SingleInstance::chart_requested);

        QProcess later;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        env.insert("HOME", dir.path());
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        later.setProcessEnvironment(env);
        later.setWorkingDirectory(dir.path());
        later.start(QStringLiteral(TESSALY_BIN_DIR "/tessaly"), {QStringLiteral("members.tsy")});
        QVERIFY(later.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, 20000);
        QCOMPARE(requested.first().at(0).toString(), dir.filePath("members.tsy"));  // made absolute
        QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 20000);
        QCOMPARE(later.exitCode(), 0);
        QVERIFY(later.readAllStandardError().isEmpty());

        // Nobody listening: the refusal as before.
        QVERIFY(!SingleInstance(dir.filePath("elsewhere")).hand_over(QString(), 500));
    }

    // Without a runtime folder of the user's own, the lock and the socket
    // are never put in the shared temporary folder, where another user may
    // have made the usual runtime folder first and be holding our lock and
    // listening under our socket's name for the charts we open.
    void the_lock_and_the_socket_stay_in_a_folder_of_the_users_own() {
        QTemporaryDir shared;
        QTemporaryDir home;
        QVERIFY(::chmod(QFile::encodeName(shared.path()).constData(), 01777) == 0);
        Environment environment;
        environment.unset("XDG_RUNTIME_DIR");
        environment.unset("XDG_CACHE_HOME");
        environment.unset("XDG_CONFIG_HOME");
        environment.set("HOME", home.path());
        environment.set("TMPDIR", shared.path());

        // The other user's doing: runtime-USER taken (here by a file, which
        // is refused whoever runs the test), a lock held and a socket
        // listening in the shared folder under our names.
        const QString id = QStringLiteral("Varnholt.R52207.Tessaly.1.01");
        QFile taken(
            shared.filePath(QStringLiteral("runtime-") + QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name)));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        QLockFile planted_lock(shared.filePath(id + ".lock"));
        QVERIFY(planted_lock.tryLock(0));
        QLocalServer listener;
        QVERIFY(listener.listen(shared.filePath(id + ".socket")));

        {
            SingleInstance instance;
            QVERIFY(instance.acquire());
            QVERIFY(!instance.unguarded());
            QCOMPARE(QFileInfo(instance.lock_path()).absolutePath(), home.filePath(".cache/Varnholt/run"));
            QCOMPARE(QFileInfo(instance.socket_path()).absolutePath(), home.filePath(".cache/Varnholt/run"));
            QCOMPARE(mode_of(home.filePath(".cache/Varnholt/run")), 0700);
            QVERIFY(QFileInfo(instance.socket_path()).exists());
        }
        QCoreApplication::processEvents();
        QVERIFY(!listener.hasPendingConnections());

        // A runtime folder open to others is no runtime folder of ours, and
        // a folder of ours that has become a link to the shared one is
        // passed over for the one under the configuration folder.
        environment.set("XDG_RUNTIME_DIR", shared.path());
        QVERIFY(QDir(home.filePath(".cache/Varnholt/run")).removeRecursively());
        QVERIFY(QFile::link(shared.path(), home.filePath(".cache/Varnholt/run")));
        {
            SingleInstance instance;
            QVERIFY(instance.acquire());
            QCOMPARE(QFileInfo(instance.lock_path()).absolutePath(), home.filePath(".config/Varnholt/run"));
            QCOMPARE(mode_of(home.filePath(".config/Varnholt/run")), 0700);
        }

        // Where no private folder can be had at all, the program runs
        // without the check rather than use a shared one.
        environment.set("HOME", QStringLiteral("/proc/self/nowhere"));
        environment.set("XDG_CACHE_HOME", QStringLiteral("relative"));
        environment.set("XDG_CONFIG_HOME", QStringLiteral("relative"));
        SingleInstance nowhere;
        QVERIFY(nowhere.unguarded());
        QVERIFY(nowhere.acquire());
        QVERIFY(!nowhere.hand_over(QStringLiteral("/x.tsy"), 200));
        QVERIFY(!listener.hasPendingConnections());
    }

    // A socket in our folder that another user made (only root can) is not
    // spoken to: the chart's path would go to that user.
    void a_socket_not_of_this_user_gets_no_chart() {
        if (::geteuid() != 0) QSKIP("only root can give a socket to another user");
        QTemporaryDir dir;
        SingleInstance running(dir.path());
        QVERIFY(running.acquire());
        QLocalServer::removeServer(running.socket_path());
        QLocalServer other;
        QVERIFY(other.listen(running.socket_path()));
        QVERIFY(::chown(QFile::encodeName(running.socket_path()).constData(), 65534, 65534) == 0);
        QVERIFY(!SingleInstance(dir.path()).hand_over(QStringLiteral("/secret.tsy"), 500));
        QCoreApplication::processEvents();
        QVERIFY(!other.hasPendingConnections());
    }
};

TESSALY_REGISTER_TEST(SingleInstanceTest);

#include "single_instance_test.moc"
