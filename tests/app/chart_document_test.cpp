#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

#include "../core/fifo.h"
#include "app/chart_document.h"
#include "app/recent_files.h"
#include "chart/chart_file.h"
#include "fake_dialogs.h"
#include "shell/settings.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::app;

class ChartDocumentTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;

    QString file(const char* name) const { return dir_.filePath(name); }
    static QByteArray read_file(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(file("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        dialogs_ = FakeDialogs();
    }

    void new_document_is_untitled_and_unchanged() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        QCOMPARE(doc.window_title(), QString::fromUtf8("無題[*] - Tessaly"));
        QVERIFY(!doc.modified());
        QCOMPARE(int(doc.chart().display.view_width), 1280);
    }

    void save_and_open_round_trip_and_fill_the_recent_list() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        add_node(doc.chart(), "/x.csv", {10, 10}, 1.0, kSourceNode, "x", 3);
        doc.set_modified();
        dialogs_.files_to_save.push_back(file("members"));
        QVERIFY(doc.save());
        QCOMPARE(doc.path(), file("members.tsy"));  // the extension is added
        QVERIFY(!doc.modified());
        QCOMPARE(settings_->value("Last/FilePath").toString(), file("members.tsy"));
        QCOMPARE(doc.window_title(), QString::fromUtf8("members.tsy[*] - Tessaly"));

        ChartDocument other(dialogs_, *settings_, 1280, 1024);
        QVERIFY(other.open(file("members.tsy")));
        QCOMPARE(other.chart().node_count(), 1);
        QCOMPARE(recent_files(*settings_).first(), file("members.tsy"));
    }

    void a_failed_open_leaves_an_untitled_empty_chart() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        dialogs_.files_to_save.push_back(file("kept.tsy"));
        add_node(doc.chart(), "/x.csv", {10, 10}, 1.0, kSourceNode, "x", 3);
        QVERIFY(doc.save());
        QFile::copy(file("kept.tsy"), file("broken.tsy"));
        QFile broken(file("broken.tsy"));
        QVERIFY(broken.resize(100));  // cut short

        QVERIFY(!doc.open(file("broken.tsy")));
        QCOMPARE(dialogs_.shown.back().text, std::string("ファイル形式が異なります"));
        QCOMPARE(doc.chart().node_count(), 0);
        QVERIFY(doc.path().isEmpty());  // a save now asks for a name instead of overwriting

        QVERIFY(!doc.open(file("none.tsy")));
        QCOMPARE(dialogs_.shown.back().text, file("none.tsy").toStdString() + "\nファイルが見つかりません");
    }

    void a_failed_save_keeps_the_changed_mark() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        doc.set_modified();
        QVERIFY(!doc.save_to(file("no-folder/c.tsy")));
        QVERIFY(doc.modified());
        QCOMPARE(dialogs_.shown.back().style, MessageStyle::Stop);
        QVERIFY(QString::fromStdString(dialogs_.shown.back().text)
                    .endsWith(QString::fromUtf8("ファイルへの書込みに失敗しました")));
    }

    void backup_follows_the_setting() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        QVERIFY(doc.save_to(file("b.tsy")));
        QVERIFY(doc.save_to(file("b.tsy")));
        QVERIFY(QFile::exists(file("b.tsy.bak")));  // a backup is made unless turned off
        set_setting(*settings_, Setting::MakeBackup, 0);
        QVERIFY(doc.save_to(file("c.tsy")));
        QVERIFY(doc.save_to(file("c.tsy")));
        QVERIFY(!QFile::exists(file("c.tsy.bak")));
    }

    void a_changed_chart_is_only_replaced_when_the_user_agrees() {
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        QVERIFY(doc.may_discard());  // unchanged: nothing asked
        QVERIFY(dialogs_.asked_to_save.empty());
        doc.set_modified();
        dialogs_.save_choices = {SaveChoice::Cancel, SaveChoice::Discard, SaveChoice::Save};
        QVERIFY(!doc.may_discard());
        QVERIFY(doc.may_discard());
        QVERIFY(!doc.may_discard());  // save chosen, but the name dialog was cancelled
        QCOMPARE(dialogs_.asked_to_save.size(), size_t(3));
        QCOMPARE(dialogs_.asked_to_save.front(), QString::fromUtf8("無題"));
    }

    // As editors do: a chart changed on disk by another program since it was
    // opened or saved here is not overwritten without asking.
    void a_chart_changed_elsewhere_is_only_overwritten_when_the_user_agrees() {
        const QString path = file("shared.tsy");
        Chart theirs;
        theirs.reset(800, 600);
        add_node(theirs, "/theirs.csv", {10, 10}, 1.0, kSourceNode, "theirs", 1);
        const std::string question =
            path.toStdString() + "\n" + std::string(message_text(MessageId::AskOverwriteChangedChart));

        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        add_node(doc.chart(), "/mine.csv", {10, 10}, 1.0, kSourceNode, "mine", 1);
        QVERIFY(doc.save_to(path));
        QVERIFY(dialogs_.shown.empty());
        QVERIFY(doc.save_to(path));  // unchanged on disk: nothing asked
        QVERIFY(dialogs_.shown.empty());

        // Another program (a command-line cross, say) saves into it.
        QVERIFY(save_chart(path.toStdString(), theirs, false));
        const QByteArray their_bytes = read_file(path);
        add_node(doc.chart(), "/more.csv", {20, 20}, 1.0, kSourceNode, "more", 1);
        doc.set_modified();
        dialogs_.answers = {kAnswerNo};
        QVERIFY(!doc.save());
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(dialogs_.shown.back().text, question);
        QCOMPARE(dialogs_.shown.back().style, MessageStyle::Question);
        QVERIFY(doc.modified());                 // the save was abandoned
        QCOMPARE(read_file(path), their_bytes);  // and their change stands
        // Closing asks to save; the save asks again, and No keeps the window.
        dialogs_.save_choices = {SaveChoice::Save};
        dialogs_.answers = {kAnswerNo};
        QVERIFY(!doc.may_discard());
        QCOMPARE(dialogs_.shown.size(), size_t(2));

        dialogs_.answers = {kAnswerYes};
        QVERIFY(doc.save());
        QCOMPARE(dialogs_.shown.size(), size_t(3));
        QVERIFY(!doc.modified());
        Chart saved;
        QVERIFY(open_chart(path.toStdString(), saved));
        QCOMPARE(saved.node_count(), 2);
        QVERIFY(doc.save_to(path));  // what it wrote itself is no change
        QCOMPARE(dialogs_.shown.size(), size_t(3));

        // Opened, then changed elsewhere with the same size: the time tells.
        ChartDocument other(dialogs_, *settings_, 1280, 1024);
        QVERIFY(other.open(path));
        QFile touched(path);
        QVERIFY(touched.open(QIODevice::ReadWrite));
        QVERIFY(touched.setFileTime(QFileInfo(path).lastModified().addSecs(-60), QFileDevice::FileModificationTime));
        touched.close();
        dialogs_.answers = {kAnswerNo};
        QVERIFY(!other.save_to(path));
        QCOMPARE(dialogs_.shown.back().text, question);

        // Saving under another name asks nothing of the sort.
        const size_t asked = dialogs_.shown.size();
        QVERIFY(other.save_to(file("elsewhere.tsy")));
        QCOMPARE(dialogs_.shown.size(), asked);
        // A file that went away is simply written again.
        QVERIFY(QFile::remove(file("elsewhere.tsy")));
        QVERIFY(other.save_to(file("elsewhere.tsy")));
        QCOMPARE(dialogs_.shown.size(), asked);
    }

    // A FIFO given as the chart (on the command line, say) is refused at
    // once instead of holding the program before its window appears.
    void a_fifo_is_refused_without_waiting() {
        Fifo fifo(file("pipe.tsy").toStdString());
        ChartDocument doc(dialogs_, *settings_, 1280, 1024);
        const auto started = std::chrono::steady_clock::now();
        QVERIFY(!doc.open(file("pipe.tsy")));
        QVERIFY(std::chrono::steady_clock::now() - started < std::chrono::seconds(5));
        QCOMPARE(dialogs_.shown.back().text,
                 file("pipe.tsy").toStdString() + "\n" + std::string(message_text(MessageId::NotARegularFile)));
        QVERIFY(doc.path().isEmpty());
    }

    void recent_list_keeps_ten_without_repeats() {
        for (int i = 0; i < 12; ++i) add_recent_file(*settings_, QString("/c/%1.tsy").arg(i));
        add_recent_file(*settings_, "/c/5.tsy");
        const QStringList files = recent_files(*settings_);
        QCOMPARE(files.size(), 10);
        QCOMPARE(files.first(), QString("/c/5.tsy"));
        QCOMPARE(files.count("/c/5.tsy"), 1);
        QCOMPARE(files[1], QString("/c/11.tsy"));
    }
};

TESSALY_REGISTER_TEST(ChartDocumentTest);

#include "chart_document_test.moc"
