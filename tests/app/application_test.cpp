#include <QDialogButtonBox>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "app/application.h"
#include "app/recent_files.h"
#include "app/translations.h"
#include "chart/chart_file.h"
#include "fake_dialogs.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::app;

class ApplicationTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;

    QString make_chart(const char* name) {
        Chart chart;
        chart.reset(800, 600);
        add_node(chart, "/x.csv", {5, 5}, 1.0, kSourceNode, name, 1);
        const QString path = dir_.filePath(name);
        save_chart(path.toStdString(), chart, false);
        return path;
    }

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        dialogs_ = FakeDialogs();
    }

    // Qt's own buttons read in Japanese, as the program's texts do, and so
    // does the type of a folder in the file dialog, which Qt's translations
    // leave in English.
    void standard_buttons_are_japanese() {
        QTranslator* translator = install_japanese_qt_texts();
        QVERIFY(translator);
        QMessageBox box(QMessageBox::Question, "Tessaly", "?", QMessageBox::Yes | QMessageBox::No);
        QVERIFY(box.button(QMessageBox::Yes)->text().contains(QString::fromUtf8("はい")));
        QVERIFY(box.button(QMessageBox::No)->text().contains(QString::fromUtf8("いいえ")));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QVERIFY(buttons.button(QDialogButtonBox::Cancel)->text().contains(QString::fromUtf8("キャンセル")));
        QCOMPARE(QFileIconProvider().type(QFileInfo(dir_.path())), QString::fromUtf8("フォルダ"));
        delete translator;
        QCOMPARE(QFileIconProvider().type(QFileInfo(dir_.path())), QStringLiteral("Folder"));
    }

    // The desktop shows our icon for the program and for its charts.
    void the_desktop_entry_and_the_chart_type_name_our_icons() {
        const QString res = QStringLiteral(TESSALY_SOURCE_DIR "/res/");
        QFile entry(res + "desktop/tessaly.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nIcon=tessaly\n"));
        QFile type(res + "desktop/tessaly-chart.xml");
        QVERIFY(type.open(QIODevice::ReadOnly));
        QVERIFY(type.readAll().contains("<icon name=\"application-x-tessaly-chart\"/>"));
        for (const char* icon : {"icons/tessaly.svg", "desktop/application-x-tessaly-chart.svg"})
            QVERIFY2(QSvgRenderer(res + icon).isValid(), icon);
    }

    // A chart handed over by a later start opens, after the question about
    // a changed chart; cancelling that question keeps the chart shown.
    void a_chart_from_a_later_start_opens_after_the_save_question() {
        const QString members = make_chart("members.tsy");
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({});
        app.document().set_modified();
        dialogs_.save_choices = {SaveChoice::Cancel};
        app.open_from_later_start(members);
        QCOMPARE(dialogs_.asked_to_save.size(), size_t(1));
        QVERIFY(app.document().path().isEmpty());
        dialogs_.save_choices = {SaveChoice::Discard};
        app.open_from_later_start(members);
        QCOMPARE(app.document().path(), members);
        app.open_from_later_start(QString());  // only to the front
        QCOMPARE(app.document().path(), members);
    }

    void a_plain_start_shows_a_new_chart_and_loads_the_defaults() {
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({});
        QVERIFY(app.document().path().isEmpty());
        QVERIFY(!app.window().status().info_text().isEmpty());  // the guide to placing files
        QCOMPARE(app.settings_copy().comets, 3);
        QVERIFY(app.settings_copy().confirm_cross);
        QCOMPARE(app.window().geometry().size(), QSize(1728, 972));  // the first start: most of the desktop
        QVERIFY(dialogs_.shown.empty());
    }

    void last_open_with_no_recent_chart_starts_empty_and_quiet() {
        set_setting(*settings_, Setting::OpenLastChart, 1);
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({});
        QCOMPARE(app.document().chart().node_count(), 0);
        QVERIFY(dialogs_.shown.empty());
    }

    void the_command_line_chart_wins_over_the_last_one() {
        const QString last = make_chart("last.tsy");
        const QString given = make_chart("given.tsy");
        add_recent_file(*settings_, last);
        set_setting(*settings_, Setting::OpenLastChart, 1);
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({given});
        QCOMPARE(app.document().path(), given);
    }

    void the_last_chart_is_reopened_when_asked() {
        const QString last = make_chart("last.tsy");
        add_recent_file(*settings_, last);
        set_setting(*settings_, Setting::OpenLastChart, 1);
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({});
        QCOMPARE(app.document().path(), last);

        set_setting(*settings_, Setting::OpenLastChart, 0);
        Application plain(*settings_, dialogs_, QSize(1920, 1080));
        plain.start({});
        QVERIFY(plain.document().path().isEmpty());
    }

    void a_window_closed_maximised_opens_maximised() {
        set_setting(*settings_, Setting::WindowMaximised, 1);
        Application app(*settings_, dialogs_, QSize(1920, 1080));
        app.start({});
        QVERIFY(app.window().isMaximized());
    }
};

TESSALY_REGISTER_TEST(ApplicationTest);

#include "application_test.moc"
