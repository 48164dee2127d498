#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include "single_instance.h"
#include "test_registry.h"

using namespace tessaly::app;

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
};

TESSALY_REGISTER_TEST(SingleInstanceTest);

#include "single_instance_test.moc"
