#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "app/main_window.h"
#include "app/settings_dialog.h"
#include "fake_dialogs.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::app;

class SettingsDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;
    SettingsCopy copy_;
    Chart chart_;

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        dialogs_ = FakeDialogs();
        copy_ = SettingsCopy();
        chart_.reset(1200, 900);
    }

    void saving_needs_a_result_folder() {
        bool canvas_changed = true;
        const int saved = edit_settings_with(
            [this](SettingsDialog& d) {
                d.save();
                return d.result() == QDialog::Accepted;
            },
            dialogs_, *settings_, copy_, chart_, canvas_changed);
        QCOMPARE(saved, 0);
        QCOMPARE(dialogs_.shown.back().text, std::string("クロス結果ファイルの保存場所が指定されていません"));
        QVERIFY(result_folder(*settings_).isEmpty());
        QVERIFY(!canvas_changed);
    }

    void the_chosen_folder_and_every_value_are_saved() {
        const QString results = dir_.filePath("results");
        QDir().mkpath(results);
        dialogs_.folders.push_back(results);
        bool canvas_changed = false;
        const int saved = edit_settings_with(
            [](SettingsDialog& d) {
                d.browse();
                d.animation_box()->setChecked(false);
                d.width_field()->setValue(2000);
                d.save();
                return d.result() == QDialog::Accepted;
            },
            dialogs_, *settings_, copy_, chart_, canvas_changed);
        QCOMPARE(saved, 1);
        QCOMPARE(dialogs_.folder_requests.back().second, QDir::homePath());  // no folder yet: start at home
        QCOMPARE(dialogs_.folder_requests.back().first,
                 QString::fromUtf8("クロス結果ファイルを保存するフォルダを指定してください"));
        QCOMPARE(result_folder(*settings_), results);
        QCOMPARE(copy_.comets, 0);
        QCOMPARE(setting(*settings_, Setting::Comets), 0);
        QVERIFY(canvas_changed);
        QCOMPARE(int(chart_.display.view_width), 2000);
    }

    // A first start stores a folder of its own; a typed folder is checked:
    // a missing one made when the user agrees, a file or a closed folder
    // refused with the reason.
    void a_typed_folder_is_checked_and_a_missing_one_offered() {
        store_default_result_folder(*settings_);
        QCOMPARE(result_folder(*settings_),
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Tessaly");
        set_result_folder(*settings_, "/elsewhere");
        store_default_result_folder(*settings_);  // one stored is kept
        QCOMPARE(result_folder(*settings_), QString("/elsewhere"));

        QFile file(dir_.filePath("a-file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString closed = dir_.filePath("closed");
        QDir().mkpath(closed);
        QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString missing = dir_.filePath("new/results");
        dialogs_.answers = {kAnswerNo, kAnswerYes};
        bool canvas_changed = false;
        QStringList refused;
        QStringList typed_in{QString("relative/out"), file.fileName(), closed, missing, missing};
        if (::geteuid() == 0) typed_in.removeAll(closed);  // root writes anywhere
        const int saved = edit_settings_with(
            [&](SettingsDialog& d) {
                for (const QString& typed : typed_in) {
                    d.folder_field()->setText(typed);
                    d.save();
                    if (d.result() == QDialog::Accepted) return true;
                    refused << QString::fromStdString(dialogs_.shown.back().text);
                }
                return false;
            },
            dialogs_, *settings_, copy_, chart_, canvas_changed);
        QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(saved, 1);
        QCOMPARE(refused.size(), typed_in.size() - 1);
        QVERIFY(refused[0].endsWith(QString::fromUtf8("保存場所は / から始まるフォルダのパスで指定してください")));
        QCOMPARE(refused[1],
                 file.fileName() +
                     QString::fromUtf8("\nフォルダではなくファイルです\n保存場所にはフォルダを指定してください"));
        if (::geteuid() != 0)
            QVERIFY(refused[2].startsWith(closed + QString::fromUtf8("\nこのフォルダには書込みが許可されていない")));
        QCOMPARE(refused.back(),
                 missing + QString::fromUtf8("\nこのフォルダはありません\n作成しますか"));  // answered No
        QVERIFY(QFileInfo(missing).isDir());
        QCOMPARE(result_folder(*settings_), missing);
    }

    void the_chooser_starts_at_an_absolute_folder() {
        set_result_folder(*settings_, "/srv/out");
        bool canvas_changed = false;
        edit_settings_with(
            [](SettingsDialog& d) {
                d.browse();  // cancelled: the field keeps its text
                return false;
            },
            dialogs_, *settings_, copy_, chart_, canvas_changed);
        QCOMPARE(dialogs_.folder_requests.back().second, QString("/srv/out"));
    }

    void the_canvas_grows_to_hold_every_node() {
        set_result_folder(*settings_, dir_.path());
        add_node(chart_, "p", {0, 0}, 1.0, kSourceNode, "t", 0);
        chart_.nodes[0].rect = Rect{100, 100, 2600, 700};
        bool canvas_changed = false;
        edit_settings_with(
            [](SettingsDialog& d) {
                d.width_field()->setValue(600);
                d.height_field()->setValue(600);
                d.save();
                return true;
            },
            dialogs_, *settings_, copy_, chart_, canvas_changed);
        QCOMPARE(int(chart_.display.view_width), 2600);
        QCOMPARE(int(chart_.display.view_height), 700);
    }

    void a_canvas_size_out_of_range_is_reported() {
        EnvironmentValues values;
        values.view_width = 1000;
        values.view_height = 1000;
        SettingsDialog dialog(values, dialogs_);
        dialog.width_field()->setValue(100);
        emit dialog.width_field()->editingFinished();
        QCOMPARE(dialogs_.shown.back().text, std::string("設定値が範囲内にありません"));
        dialog.width_field()->setValue(600);
        dialog.width_field()->stepBy(-100);  // the arrows stop at the lowest size
        QCOMPARE(dialog.width_field()->value(), 500);
        // An up-down control steps by one.
        dialog.width_field()->stepUp();
        dialog.height_field()->setValue(1000);
        dialog.height_field()->stepDown();
        QCOMPARE(dialog.width_field()->value(), 501);
        QCOMPARE(dialog.height_field()->value(), 999);
    }

    void animation_defaults_when_off() {
        EnvironmentValues values;
        values.comets = 0;
        values.comet_speed = 9;
        values.view_width = 1920;
        values.view_height = 1080;
        values.result_folder = "/home/user/結果";
        SettingsDialog dialog(values, dialogs_);
        dialog.adjustSize();
        QVERIFY(dialog.grab().save(QDir::temp().filePath("tessaly-settings-dialog.png")));
        QVERIFY(!dialog.animation_box()->isChecked());
        QCOMPARE(dialog.animation_count()->value(), 3);
    }
};

TESSALY_REGISTER_TEST(SettingsDialogTest);

#include "settings_dialog_test.moc"
