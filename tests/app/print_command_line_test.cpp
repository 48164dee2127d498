#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "app/about_dialog.h"
#include "app/single_instance.h"
#include "chart/chart_file.h"
#include "print_fixtures.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using tessaly::app::set_setting;
using tessaly::app::Setting;

// The program's command line: tessaly --print-pdf OUT.pdf CHART.tsy and the
// other options, the program itself without a display, with its settings in
// a home of its own.
class PrintCommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString chart_path_;

    struct Run {
        int exit_code = -1;
        QString errors;
        QString output;
    };

    // The settings file the program reads: $XDG_CONFIG_HOME/Varnholt/Tessaly.ini.
    QSettings stored() { return QSettings(dir_.filePath("config/Varnholt/Tessaly.ini"), QSettings::IniFormat); }

    Run run(const QStringList& arguments, int patience_ms = 60000) {
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("HOME", dir_.path());
        environment.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        environment.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
        program.setProcessEnvironment(environment);
        program.start(TESSALY_BIN_DIR "/tessaly", arguments);
        if (!program.waitForFinished(patience_ms)) return {};
        return {program.exitCode(), QString::fromUtf8(program.readAllStandardError()),
                QString::fromUtf8(program.readAllStandardOutput())};
    }

private slots:
    void initTestCase() {
        QDir(dir_.path()).mkdir("run");
        QFile::setPermissions(dir_.filePath("run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        Chart chart = print_fixtures::chart_with_boxes(1920, 1080, {{100, 100, 300, 180}});
        chart_path_ = dir_.filePath("members.tsy");
        QVERIFY(save_chart(chart_path_.toStdString(), chart, false).message_id == MessageId::None);
    }
    void init() { QFile::remove(dir_.filePath("config/Varnholt/Tessaly.ini")); }

    void the_stored_settings_print_every_page() {
        const QString pdf = dir_.filePath("all.pdf");
        const Run done = run({"--print-pdf", pdf, chart_path_});
        QCOMPARE(done.exit_code, 0);
        print_fixtures::PdfPages pages(pdf);
        QCOMPARE(pages.count(), 6);
        QCOMPARE(pages.size(0).toSize(), QSize(595, 842));
        // The canvas of an active chart area, tinted as the setting says.
        const QImage first = pages.picture(0);
        QVERIFY(print_fixtures::near(first.pixelColor(94 + 400, 94 + 400), QColor(191, 209, 234)));
        QVERIFY(print_fixtures::near(first.pixelColor(94 + 104, 94 + 104), QColor(234, 234, 180)));
    }

    void the_range_orientation_and_one_page_are_the_stored_ones() {
        {
            QSettings settings = stored();
            set_setting(settings, Setting::PrintRange, 2);
            set_setting(settings, Setting::Orientation, 2);
        }
        const QString current = dir_.filePath("current.pdf");
        QCOMPARE(run({"--print-pdf", current, chart_path_}).exit_code, 0);
        print_fixtures::PdfPages one(current);
        QCOMPARE(one.count(), 1);
        QCOMPARE(one.size(0).toSize(), QSize(842, 595));

        {
            QSettings settings = stored();
            set_setting(settings, Setting::PrintRange, 3);
            set_setting(settings, Setting::AllOnOnePage, 1);
            set_setting(settings, Setting::PaperSize, 8);
        }
        const QString shrunk = dir_.filePath("shrunk.pdf");
        QCOMPARE(run({"--print-pdf", shrunk, chart_path_}).exit_code, 0);
        print_fixtures::PdfPages framed(shrunk);
        QCOMPARE(framed.count(), 1);
        QCOMPARE(framed.size(0).toSize(), QSize(1191, 842));  // A3 landscape
    }

    // A window of Tessaly may be open: the print neither waits for it nor
    // hands the chart over to it.
    void it_prints_beside_a_running_window() {
        app::SingleInstance window(dir_.filePath("run"));
        QVERIFY(window.acquire());
        const QString pdf = dir_.filePath("beside.pdf");
        QCOMPARE(run({"--print-pdf", pdf, chart_path_}).exit_code, 0);
        QCOMPARE(print_fixtures::PdfPages(pdf).count(), 6);
        QVERIFY(QFile::exists(window.lock_path()));
    }

    // The settings file swapped for a FIFO or for /dev/zero: the print
    // neither waits on it nor reads it, says so on the standard error and
    // prints with the defaults.
    void a_settings_file_that_is_no_file_is_passed_over() {
        const QString ini = dir_.filePath("config/Varnholt/Tessaly.ini");
        QVERIFY(QDir().mkpath(dir_.filePath("config/Varnholt")));
        for (const bool fifo : {true, false}) {
            QFile::remove(ini);
            if (fifo)
                QVERIFY(::mkfifo(QFile::encodeName(ini).constData(), 0600) == 0);
            else
                QVERIFY(QFile::link("/dev/zero", ini));
            const QString pdf = dir_.filePath("odd-settings.pdf");
            const Run done = run({"--print-pdf", pdf, chart_path_}, 20000);
            QCOMPARE(done.exit_code, 0);
            QVERIFY2(done.errors.contains(ini + QString::fromUtf8("\n設定ファイルが通常のファイルでないか")),
                     qPrintable(done.errors));
            QCOMPARE(print_fixtures::PdfPages(pdf).count(), 6);
            QVERIFY(QFileInfo(ini).isSymLink() || !QFileInfo(ini).isFile());  // left as it was
        }
        QFile::remove(ini);
    }

    // --help, --version and a wrong option are answered by the program on
    // its own: no display, no lock, and nothing handed to a running window.
    void the_options_are_answered_without_display_or_window() {
        app::SingleInstance window(dir_.filePath("run"));
        QVERIFY(window.acquire());
        QSignalSpy requested(&window, &app::SingleInstance::chart_requested);

        const Run help = run({"--help"});
        QCOMPARE(help.exit_code, 0);
        for (const char* option : {"--print-pdf", "--help", "--version"})
            QVERIFY2(help.output.contains(option), option);
        QVERIFY(help.errors.isEmpty());

        const Run version = run({"--version"});
        QCOMPARE(version.exit_code, 0);
        QCOMPARE(version.output, QStringLiteral("tessaly " TESSALY_VERSION "\n"));
        QCOMPARE(app::program_version_line(), QStringLiteral("Tessaly Ver. " TESSALY_VERSION));

        for (const QStringList& wrong : {QStringList{"--bogus"}, QStringList{"-platform", "xcb"},
                                         QStringList{chart_path_, "--print-pdf", "x.pdf"}}) {
            const Run refused = run(wrong);
            QCOMPARE(refused.exit_code, 2);
            QVERIFY2(refused.errors.startsWith("tessaly: "), qPrintable(refused.errors));
            QVERIFY(refused.output.isEmpty());
        }
        QTest::qWait(200);
        QCOMPARE(requested.count(), 0);
        QVERIFY(QFile::exists(window.lock_path()));
    }

    void failures_end_with_1_and_the_message_on_the_standard_error() {
        const Run missing = run({"--print-pdf", dir_.filePath("x.pdf"), dir_.filePath("nothing.tsy")});
        QCOMPARE(missing.exit_code, 1);
        QVERIFY(missing.errors.contains(QString::fromUtf8("ファイルが見つかりません")));
        QVERIFY(!QFile::exists(dir_.filePath("x.pdf")));

        const Run unwritable = run({"--print-pdf", dir_.filePath("no/folder/x.pdf"), chart_path_});
        QCOMPARE(unwritable.exit_code, 1);
        QVERIFY(unwritable.errors.contains(QString::fromUtf8("ファイルへの書込みに失敗しました")));

        const Run wrong = run({"--print-pdf", dir_.filePath("x.pdf")});
        QCOMPARE(wrong.exit_code, 1);
        QVERIFY(wrong.errors.contains("--print-pdf"));
    }
};

TESSALY_REGISTER_TEST(PrintCommandLineTest);
#include "print_command_line_test.moc"
