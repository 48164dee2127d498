#include <QTemporaryDir>
#include <QTest>

#include "app/frame_rules.h"
#include "fake_dialogs.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::app;

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void missing_values_read_as_their_defaults() {
        QTemporaryDir dir;
        QSettings store(dir.filePath("t.ini"), QSettings::IniFormat);
        QCOMPARE(setting(store, Setting::MakeBackup), 1);
        QCOMPARE(setting(store, Setting::Comets), 3);
        QCOMPARE(setting(store, Setting::WindowWidth), 640);
        QCOMPARE(setting(store, Setting::ZoomCentreY), 79);
        QCOMPARE(setting(store, Setting::MarginLeft), 25);
        QCOMPARE(setting(store, Setting::PaperSize), 9);
        QCOMPARE(result_folder(store), QString());
        const CrossOptions o = read_cross_options(store);
        QVERIFY(o.remove_spaces);
        QCOMPARE(o.min_hit, 2);
        QVERIFY(o.hit_numbers);
        QVERIFY(o.blank_lines);
        QVERIFY(!o.auto_close && !o.remove_hyphens && !o.remove_parens && !o.ignore_case && !o.old_new);
    }

    void values_round_trip_through_the_file() {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.ini");
        {
            QSettings store(path, QSettings::IniFormat);
            CrossOptions o;
            o.ignore_case = true;
            o.min_hit = 7;
            o.hit_numbers = false;
            write_cross_options(store, o);
            set_setting(store, Setting::ChartPaneWidth, 321);
            set_result_folder(store, QString::fromUtf8("/home/テスト/結果"));
        }
        QSettings store(path, QSettings::IniFormat);
        const CrossOptions o = read_cross_options(store);
        QVERIFY(o.ignore_case);
        QCOMPARE(o.min_hit, 7);
        QVERIFY(!o.hit_numbers);
        QCOMPARE(setting(store, Setting::ChartPaneWidth), 321);
        QCOMPARE(result_folder(store), QString::fromUtf8("/home/テスト/結果"));
        QCOMPARE(store.value("KanSet/MinHit").toInt(), 7);  // the names stay as they were
    }

    // A settings file far larger than ours ever are is not read: the
    // defaults stand in, the user is told, and the file is left as it was,
    // while this run's changes are kept in memory.
    void a_settings_file_too_large_is_left_alone() {
        QTemporaryDir dir;
        const bool had = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        const QByteArray before = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        QVERIFY(QDir().mkpath(dir.filePath("Varnholt")));
        const QString ini = dir.filePath("Varnholt/Tessaly.ini");
        QFile big(ini);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write("[KanSet]\nMinHit=5\n");
        big.write(QByteArray(2 << 20, ';'));
        big.close();
        const qint64 size = QFileInfo(ini).size();
        {
            FakeDialogs dialogs;
            const std::unique_ptr<QSettings> store = open_settings(dialogs);
            QCOMPARE(dialogs.shown.size(), size_t(1));
            QVERIFY(dialogs.shown[0].text.starts_with(ini.toStdString() + "\n設定ファイルが通常のファイルでないか"));
            QCOMPARE(setting(*store, Setting::MinHit), 2);
            set_setting(*store, Setting::MinHit, 7);
            store->sync();
            QCOMPARE(setting(*store, Setting::MinHit), 7);
        }
        QCOMPARE(QFileInfo(ini).size(), size);
        {
            // An ordinary one is read as ever.
            QVERIFY(QFile::resize(ini, 18));
            FakeDialogs dialogs;
            QCOMPARE(setting(*open_settings(dialogs), Setting::MinHit), 5);
            QVERIFY(dialogs.shown.empty());
        }
        if (had)
            qputenv("XDG_CONFIG_HOME", before);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

    void orientation_other_than_landscape_reads_as_portrait() {
        QTemporaryDir dir;
        QSettings store(dir.filePath("t.ini"), QSettings::IniFormat);
        for (int stored : {0, 1, 3, -1}) {
            set_setting(store, Setting::Orientation, stored);
            QCOMPARE(print_orientation(store), 1);
        }
        set_setting(store, Setting::Orientation, 2);
        QCOMPARE(print_orientation(store), 2);
    }

    void window_opens_on_the_desktop() {
        QCOMPARE(window_placement(1500, 0, 640, 480, 1920, 1080), (WindowRect{1280, 0, 640, 480}));
        QCOMPARE(window_placement(-20, -5, 640, 480, 1920, 1080), (WindowRect{0, 0, 640, 480}));
        QCOMPARE(window_placement(100, 900, 640, 480, 1920, 1080), (WindowRect{100, 600, 640, 480}));
        QCOMPARE(window_placement(0, 0, 640, 480, 1920, 1080), (WindowRect{0, 0, 640, 480}));
    }

    void min_hit_field_is_corrected() {
        QCOMPARE(corrected_min_hit("1"), 2);
        QCOMPARE(corrected_min_hit("0"), 2);
        QCOMPARE(corrected_min_hit("abc"), 2);
        QCOMPARE(corrected_min_hit(""), 2);
        QCOMPARE(corrected_min_hit("250"), 100);
        QCOMPARE(corrected_min_hit("7x"), 7);
        QCOMPARE(corrected_min_hit("100"), 100);
    }

    void area_switching_widths() {
        QCOMPARE(area_widths(AreaLayout::Even, 1001).chart, 500);
        QCOMPARE(area_widths(AreaLayout::ChartOnly, 800).chart, 800);
        QCOMPARE(area_widths(AreaLayout::ChartOnly, 800).file, 0);
        QCOMPARE(area_widths(AreaLayout::FileOnly, 800).chart, 0);
        QCOMPARE(area_widths(AreaLayout::FileOnly, 800).file, 800);
    }
};

TESSALY_REGISTER_TEST(SettingsTest);

#include "settings_test.moc"
