// A cross started from the window, from the key check to the result node
// shown in the file area, and the node commands around it.

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

#include "app/chart_document.h"
#include "app/cross_dialog.h"
#include "app/cross_summary_dialog.h"
#include "app/cross_texts.h"
#include "app/main_window.h"
#include "chart/chart_file.h"
#include "fake_desktop.h"
#include "fake_dialogs.h"
#include "filearea/file_area.h"
#include "shell/settings.h"
#include "test_registry.h"
#include "text/cp932.h"
#include "view/chart_view.h"

using namespace tessaly;
using namespace tessaly::app;
using tessaly::cp932::literal;

namespace {

QByteArray cp932_bytes(const char* utf8) { return QByteArray::fromStdString(literal(utf8)); }

// What the progress dialog showed when the cross ended, before 確認.
struct Finish {
    QString message_line;
    QString records;
    QString hits;
    bool confirm_shown = false;
    bool cancel_shown = true;
};

}  // namespace

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

class CrossRoadTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;
    FakeDesktop desktop_;
    SettingsCopy copy_;
    std::unique_ptr<ChartDocument> document_;
    std::unique_ptr<MainWindow> window_;
    Finish finish_;

    QString results() const { return dir_.filePath("results"); }
    Chart& chart() { return document_->chart(); }
    Commands& commands() { return window_->commands(); }

    QString write(const QString& name, const char* utf8) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(cp932_bytes(utf8));
        return path;
    }

    // Two member lists on the chart, both selected, keyed on the name field.
    void two_lists() {
        const QString a = write("a.csv", "1,山田,東京\r\n2,佐藤,大阪\r\n3,鈴木,京都\r\n");
        const QString b = write("b.csv", "x,佐藤,福岡\r\ny,田中,札幌\r\n");
        window_->chart_view()->drop_files({a, b}, {100, 100});
        for (int i = 0; i < 2; ++i) chart().nodes[i].key_first = chart().nodes[i].key_last = 1;
        window_->chart_view()->select_all_nodes();
        chart().primary_node = 1;
    }

    // Plays the user at the progress dialog: the cross runs, and a finished
    // one is closed with 確認.
    void drive_crosses() {
        dialogs_.drive_modal = [this](QDialog& dialog) {
            auto* cross = qobject_cast<CrossDialog*>(&dialog);
            if (!cross) return int(QDialog::Rejected);
            cross->run_cross();
            finish_ = {cross->message_line(), cross->record_count_text(), cross->hit_count_text(),
                       !cross->confirm_button()->isHidden(), !cross->cancel_button()->isHidden()};
            if (cross->finished() && !cross->confirm_button()->isHidden()) cross->confirm_button()->click();
            return cross->result();
        };
    }

    QByteArray result_file(const char* name) {
        QFile file(QDir(results()).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) return "(missing)";
        return file.readAll();
    }

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        QDir(results()).removeRecursively();
        QDir().mkpath(results());
        set_result_folder(*settings_, results());
        dialogs_ = FakeDialogs();
        desktop_ = FakeDesktop();
        copy_ = SettingsCopy();
        copy_.confirm_cross = false;
        finish_ = Finish();
        document_ = std::make_unique<ChartDocument>(dialogs_, *settings_, 1920, 1080);
        window_ = std::make_unique<MainWindow>(*document_, *settings_, dialogs_, copy_);
        window_->set_desktop(desktop_);
        drive_crosses();
    }
    void cleanup() {
        window_.reset();
        document_.reset();
    }

    void the_confirmation_names_the_nodes_and_every_option() {
        Chart chart;
        chart.reset(1024, 768);
        for (const char* title : {"会員", "顧客", "旧会員"})
            add_node(chart, "/x", {0, 0}, 1.0, kSourceNode, literal(title), 1);
        CrossOptions options;
        chart.node_states[0].selected = chart.node_states[1].selected = chart.node_states[2].selected = 1;
        chart.nodes[2].mandatory = 1;
        QString text = cross_confirmation_text(chart, options);
        QVERIFY(text.startsWith(
            QString::fromUtf8("[クロス対象]\n　会員\n　　　他 2件、(うち必須ノード 1件)\n[クロス処理時]\n"
                              "　空白を削除する\n　ハイフンを削除しない\n")));
        QVERIFY(text.contains(
            QString::fromUtf8("　旧字体・新字体を区別する\n　引用符（\"）で囲まれた項目を１項目としない\n")));
        QVERIFY(
            text.endsWith(QString::fromUtf8("　最低重複回数： 2回\n[クロス結果出力時]\n　ヒットの一連番号を付ける\n"
                                            "　１ヒットごと改行する\n　結果をExcelブックにも出力しない\n"
                                            "　処理ダイアログを自動的に閉じない\n\n")));

        chart.node_states[2].selected = 0;
        text = cross_confirmation_text(chart, options);
        QVERIFY(text.startsWith(QString::fromUtf8("[クロス対象]\n　会員\n　　　他 1件\n[クロス処理時]\n")));

        chart.node_states[1].selected = 0;
        chart.node_states[0].selected = 0;
        chart.node_states[2].selected = 1;
        options.ignore_case = true;
        options.quotes = true;
        options.workbook = true;
        text = cross_confirmation_text(chart, options);
        QVERIFY(text.contains(QString::fromUtf8("　結果をExcelブックにも出力する\n")));
        QVERIFY(text.contains(QString::fromUtf8("　引用符（\"）で囲まれた項目を１項目とする\n")));
        QVERIFY(text.startsWith(QString::fromUtf8("[クロス対象]\n　旧会員、(うち必須ノード 1件)\n[クロス処理時]\n")));
        QVERIFY(text.contains(QString::fromUtf8("　大文字・小文字を区別しない\n")));
    }

    void times_show_as_hours_minutes_and_seconds() {
        QCOMPARE(elapsed_time_text(90), QString::fromUtf8("処理時間 : 00:01:30"));
        QCOMPARE(elapsed_time_text(25 * 3600 + 61), QString::fromUtf8("処理時間 : 01:01:01"));
        QCOMPARE(start_time_text(QTime(9, 5, 7)), QString::fromUtf8("開始時間 : 09:05:07"));
    }

    void a_cross_from_the_ribbon_adds_its_result_node_and_shows_it() {
        two_lists();
        chart().nodes[0].rect = Rect{0, 0, 80, 40};
        chart().nodes[1].rect = Rect{200, 100, 280, 140};
        QVERIFY(commands()[CommandId::RunCross]->isEnabled());
        commands()[CommandId::RunCross]->trigger();

        QCOMPARE(chart().node_count(), 3);
        const NodeRecord& result = chart().nodes[2];
        QCOMPARE(result.kind, kResultNode);
        QCOMPARE(result.rect.left, 140);
        QCOMPARE(result.rect.top, 70);
        QCOMPARE(result.record_count, 1);
        QCOMPARE(cp932::field_text(result.title), literal("クロス結果 1"));
        QCOMPARE(chart().arcs, (std::vector<ArcRecord>{{0, 2}, {1, 2}}));
        QCOMPARE(window_->file_area()->preview_node(), 2);
        QVERIFY(document_->modified());
        QCOMPARE(result_file("CROSS0001.csv"), cp932_bytes("1,a,2,佐藤,大阪\r\n1,b,x,佐藤,福岡\r\n\r\n"));
        QVERIFY(!QFile::exists(QDir(results()).filePath("CROSS0001.xlsx")));  // only when asked for

        QCOMPARE(finish_.message_line, QString::fromUtf8("クロス、正常終了"));
        QCOMPARE(finish_.records, QStringLiteral("5"));
        QCOMPARE(finish_.hits, QStringLiteral("1"));
        QVERIFY(finish_.confirm_shown);
        QVERIFY(!finish_.cancel_shown);
        QVERIFY(commands()[CommandId::StartTime]->text().startsWith(QString::fromUtf8("開始時間 : ")));
    }

    // The window paints itself, the new node included, before the result is
    // loaded into the file area, so the closed dialog leaves no picture.
    void the_chart_is_painted_before_the_result_is_loaded() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        two_lists();
        PaintCounter paints;
        window_->chart_view()->viewport()->installEventFilter(&paints);
        int paints_when_closed = -1;
        int paints_when_loading = -1;
        const auto drive = dialogs_.drive_modal;
        dialogs_.drive_modal = [&](QDialog& dialog) {
            const int result = drive(dialog);
            paints_when_closed = paints.count;
            return result;
        };
        connect(window_->file_area(), &filearea::FileArea::start_time_shown, this,
                [&] { paints_when_loading = paints.count; });
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QVERIFY(paints_when_closed >= 0);
        QVERIFY(paints_when_loading > paints_when_closed);
    }

    void one_node_puts_its_result_below_to_the_right_and_a_menu_cross_where_the_menu_was() {
        two_lists();
        chart().node_states[0].selected = 0;
        chart().nodes[1].rect = Rect{100, 100, 180, 140};
        copy_.confirm_cross = true;
        dialogs_.answers = {kAnswerNo};
        commands()[CommandId::RunCross]->trigger();  // answered No: nothing
        QCOMPARE(chart().node_count(), 2);
        QVERIFY(dialogs_.shown.back().text.starts_with("[クロス対象]\n　b\n"));
        QVERIFY(dialogs_.shown.back().text.ends_with("\n以上の条件でクロス処理を実行してもよろしいですか"));

        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QCOMPARE(chart().nodes[2].rect.left, 180);
        QCOMPARE(chart().nodes[2].rect.top, 180);
        QCOMPARE(chart().nodes[2].record_count, 0);  // one list alone has no duplicates
        QCOMPARE(dialogs_.shown.back().text, std::string("ヒット件数 0 です"));
        QCOMPARE(window_->file_area()->preview_node(), -1);

        // From the chart's menu the result goes where the menu was opened.
        window_->resize(1000, 700);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTest::mouseClick(window_->chart_view()->viewport(), Qt::RightButton, {}, {400, 500});
        window_->chart_menu()->close();
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::CrossHere]->trigger();
        QCOMPARE(chart().node_count(), 4);
        // Shown, the window has painted the node already: sized about the point.
        const Rect& placed = chart().nodes[3].rect;
        QCOMPARE((placed.left + placed.right) / 2, 400);
        QCOMPARE((placed.top + placed.bottom) / 2, 500);
        QCOMPARE(cp932::field_text(chart().nodes[3].title), literal("クロス結果 2"));
    }

    void the_confirmation_lists_every_selected_file_in_its_detail() {
        two_lists();
        copy_.confirm_cross = true;
        dialogs_.answers = {kAnswerNo};
        commands()[CommandId::RunCross]->trigger();
        QVERIFY(dialogs_.shown.back().text.starts_with("[クロス対象]\n　a\n　　　他 1件\n"));
        QCOMPARE(QString::fromStdString(dialogs_.shown.back().detail),
                 dir_.filePath("a.csv") + QString::fromUtf8("  (3件)\n") + dir_.filePath("b.csv") +
                     QString::fromUtf8("  (2件)\n"));
    }

    void refusals_before_the_cross_start_nothing() {
        two_lists();
        chart().nodes[0].key_first = -1;
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(dialogs_.shown.back().text,
                 std::string("『a』にキー項目（クロス対象となるフィールド）がセットされていません\n"
                             "ノードをＷクリックしてファイル内容を表示し、クロスキーを指定してください"));
        QCOMPARE(dialogs_.modal_runs, 0);

        // No result folder: asked, and the settings dialog cancelled.
        chart().nodes[0].key_first = 1;
        set_result_folder(*settings_, QString());
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(dialogs_.shown.back().text, std::string("クロス結果ファイルの保存場所が未定です\n今すぐ設定しますか"));
        QCOMPARE(dialogs_.modal_runs, 1);  // the settings dialog, not a cross
        QCOMPARE(chart().node_count(), 2);
        QVERIFY(QDir(results()).isEmpty());
    }

    // A cancelled cross leaves no result file, partial or empty, and no node.
    void a_cancelled_cross_leaves_no_result_and_no_node() {
        two_lists();
        dialogs_.drive_modal = [](QDialog& dialog) {
            auto& cross = static_cast<CrossDialog&>(dialog);
            // 中止 while the cross runs: the reading pass notices at once.
            QTimer::singleShot(0, cross.cancel_button(), &QPushButton::click);
            cross.run_cross();
            return cross.result();
        };
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 2);
        QVERIFY(QDir(results()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        QVERIFY(dialogs_.shown.empty());

        drive_crosses();
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QCOMPARE(cp932::field_text(chart().nodes[2].path),
                 cp932::from_utf8(QDir(results()).filePath("CROSS0001.csv").toStdString()).value());
    }

    void auto_close_ends_the_dialog_without_a_word() {
        two_lists();
        commands()[CommandId::AutoClose]->trigger();  // AutoClose on
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QVERIFY(!finish_.confirm_shown);
        QVERIFY(finish_.message_line != QString::fromUtf8("クロス、正常終了"));
    }

    // The workbook option writes the workbook beside the result file; the
    // result node still stands for the result file.
    void the_workbook_option_writes_the_workbook_beside_the_result() {
        two_lists();
        commands()[CommandId::WorkbookOutput]->trigger();
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QVERIFY(QFile::exists(QDir(results()).filePath("CROSS0001.xlsx")));
        QVERIFY(cp932::field_text(chart().nodes[2].path).ends_with("CROSS0001.csv"));
        QCOMPARE(result_file("CROSS0001.csv"), cp932_bytes("1,a,2,佐藤,大阪\r\n1,b,x,佐藤,福岡\r\n\r\n"));
    }

    void a_full_chart_keeps_the_result_file_without_a_node() {
        two_lists();
        while (chart().node_count() < kMaxNodes) add_node(chart(), "/x", {0, 0}, 1.0, kSourceNode, "x", 1);
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), kMaxNodes);
        QCOMPARE(dialogs_.shown.back().text,
                 std::string("ノードの数が制限(1,001)を超えました\nこれ以上、セットできません"));
        QVERIFY(!result_file("CROSS0001.csv").isEmpty());
        QVERIFY(chart().arcs.empty());

        // A full arc table: the node comes, with the arcs that fitted.
        remove_node(chart(), kMaxNodes - 1);
        while (chart().arc_count() < kMaxArcs - 1) add_arc(chart(), 2, 3);
        dialogs_.shown.clear();
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), kMaxNodes);
        QCOMPARE(chart().arcs.back(), (ArcRecord{0, kMaxNodes - 1}));
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(dialogs_.shown[0].text,
                 std::string("アークの数が制限(1,000)を超えました\nこれ以上、セットできません"));
    }

    void deleting_asks_and_takes_a_result_file_only_after_yes() {
        two_lists();
        commands()[CommandId::RunCross]->trigger();
        const QString result = QDir(results()).filePath("CROSS0001.csv");
        QVERIFY(QFile::exists(result));

        // A move to undo, then a delete answered No: the history is gone all the same.
        chart().primary_node = 2;
        QTest::keyClick(window_->chart_view(), Qt::Key_Right);
        QVERIFY(commands()[CommandId::Undo]->isEnabled());
        dialogs_.answers = {kAnswerNo};
        commands()[CommandId::DeleteNodes]->trigger();
        QCOMPARE(dialogs_.shown.back().text,
                 std::string("このノードを削除してもよろしいですか\nクロス結果ファイルも削除されます"));
        QCOMPARE(chart().node_count(), 3);
        QVERIFY(QFile::exists(result));
        QVERIFY(!commands()[CommandId::Undo]->isEnabled());

        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::DeleteNodes]->trigger();
        QCOMPARE(chart().node_count(), 2);
        QVERIFY(!QFile::exists(result));
        QVERIFY(chart().arcs.empty());
        QCOMPARE(window_->file_area()->preview_node(), -1);  // it was shown: the pane is empty

        // A source node goes, its file stays.
        chart().primary_node = 0;
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::DeleteNodes]->trigger();
        QCOMPARE(dialogs_.shown.back().text,
                 std::string("このノードを削除してもよろしいですか\n原本ファイルは削除しません"));
        QCOMPARE(chart().node_count(), 1);
        QVERIFY(QFile::exists(dir_.filePath("a.csv")));
        QCOMPARE(chart().primary_node, 0);  // the next node took over the selection
    }

    void the_same_key_goes_to_the_other_selected_nodes_in_brackets() {
        two_lists();
        add_node(chart(), "/c.csv", {0, 0}, 1.0, kSourceNode, "c", 1);
        chart().node_states[2].selected = 1;
        NodeRecord& primary = chart().nodes[1];
        primary.key_first = 1;
        primary.key_last = 2;
        cp932::copy_to_field(primary.key_sample, literal("佐藤福岡"));
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::SameKeyFields]->trigger();
        QCOMPARE(
            dialogs_.shown.back().text,
            std::string(
                "[佐藤福岡]\n右クリックしたノードと同位置のフィールドを\n他の選択ノードのクロスキーとしてよろしいですか"));
        for (int i : {0, 2}) {
            QCOMPARE(chart().nodes[i].key_first, 1);
            QCOMPARE(chart().nodes[i].key_last, 2);
            QCOMPARE(cp932::field_text(chart().nodes[i].key_sample), literal("[佐藤福岡]"));
        }

        // A sample that fills its field is cut, whole characters only.
        std::string long_sample = "a";
        while (long_sample.size() < 499) long_sample += literal("漢");
        cp932::copy_to_field(primary.key_sample, long_sample);
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::SameKeyFields]->trigger();
        const std::string_view copied = cp932::field_text(chart().nodes[0].key_sample);
        QCOMPARE(copied.size(), size_t(499));  // "[a" + 248 of the 249 characters + "]"
        QVERIFY(copied.ends_with(literal("漢]")));

        primary.key_first = -1;
        commands()[CommandId::SameKeyFields]->trigger();
        QVERIFY(dialogs_.shown.back().text.starts_with("右クリックしたノードに、クロスキー項目がセットされていません"));
    }

    void mandatory_spreadsheet_and_copy_commands() {
        two_lists();
        commands()[CommandId::MakeMandatory]->trigger();
        QCOMPARE(chart().nodes[0].mandatory + chart().nodes[1].mandatory, 2);
        commands()[CommandId::ClearMandatory]->trigger();
        QCOMPARE(chart().nodes[0].mandatory + chart().nodes[1].mandatory, 0);

        commands()[CommandId::OpenInExcel]->trigger();
        QCOMPARE(desktop_.spreadsheets, QStringList{dir_.filePath("b.csv")});
        desktop_.succeeds = false;
        commands()[CommandId::OpenInExcel]->trigger();
        const std::string& failed = dialogs_.shown.back().text;
        QVERIFY(failed.starts_with(dir_.filePath("b.csv").toStdString() + "\n"));
        QVERIFY(failed.find("LibreOffice Calc") != std::string::npos);
        QVERIFY(failed.ends_with("Ｅｘｃｅｌの起動に失敗しました"));

        // The copy: every line ends in CR LF, the last one too.
        const QString lf = write("lf.csv", "p,q\nr,s");
        window_->chart_view()->drop_files({lf}, {300, 300});
        chart().primary_node = 2;
        QVERIFY(window_->file_area()->load_preview(2));
        const QString target = dir_.filePath("copy.csv");
        dialogs_.files_to_save = {target};
        commands()[CommandId::CopyToFile]->trigger();
        QFile copy(target);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("p,q\r\nr,s\r\n"));
        QCOMPARE(dialogs_.shown.back().text, std::string("ファイルを保存しました"));

        // An existing file is kept when the answer is No.
        dialogs_.files_to_save = {dir_.filePath("a.csv")};
        dialogs_.answers = {kAnswerNo};
        commands()[CommandId::CopyToFile]->trigger();
        QCOMPARE(dialogs_.shown.back().text, std::string("同名のファイルが存在します。上書きしますか"));
        QFile kept(dir_.filePath("a.csv"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().startsWith("1,"));
    }

    // A node's stored path reaches the spreadsheet program only when it names
    // an existing regular file from the root: a chart written by someone else
    // cannot pass the program an option or a macro URL.
    void only_an_existing_file_is_opened_in_the_spreadsheet_program() {
        two_lists();
        ::mkfifo(dir_.filePath("pipe.csv").toLocal8Bit().constData(), 0600);
        for (const QString& stored : {QStringLiteral("-env:UserInstallation=file:///tmp/elsewhere"),
                                      QStringLiteral("macro:///Standard.Module1.Main"), QStringLiteral("b.csv"),
                                      dir_.filePath("gone.csv"), dir_.path(), dir_.filePath("pipe.csv")}) {
            cp932::copy_to_field(chart().nodes[1].path, literal(stored.toStdString()));
            commands()[CommandId::OpenInExcel]->trigger();
            QVERIFY(desktop_.spreadsheets.isEmpty());
            const std::string& refused = dialogs_.shown.back().text;
            QVERIFY2(refused.starts_with(stored.toStdString() + "\n"), refused.c_str());
            QVERIFY(refused.ends_with("存在する通常のファイルだけです"));
        }

        // The program of this machine gets the path after the end of its
        // options: here a stand-in for LibreOffice Calc that notes its
        // arguments.
        const QString bin = dir_.filePath("bin");
        QDir().mkpath(bin);
        const QString noted = dir_.filePath("arguments.txt");
        QFile script(QDir(bin).filePath("localc"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            "#!/bin/sh\nPATH=/usr/bin:/bin\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\nmv \"$0.tmp\" '" +
            noted.toLocal8Bit() + "'\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The desktop has Calc registered for CSV, which is then started by
        // us, told the encoding; for a workbook it knows no program.
        QFile query(QDir(bin).filePath("xdg-mime"));
        QVERIFY(query.open(QIODevice::WriteOnly));
        query.write("#!/bin/sh\n[ \"$3\" = text/csv ] && echo libreoffice-calc.desktop\nexit 0\n");
        query.close();
        query.setPermissions(script.permissions());
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit());
        SystemDesktop system;
        QVERIFY(!system.open_in_spreadsheet(QStringLiteral("-env:x")));
        const auto arguments_for = [&](const QString& file) {
            QFile::remove(noted);
            if (!system.open_in_spreadsheet(file)) return QStringList{"(not started)"};
            if (!QTest::qWaitFor([&] { return QFile::exists(noted); }, 20000)) return QStringList{"(nothing noted)"};
            QFile arguments(noted);
            arguments.open(QIODevice::ReadOnly);
            return QString::fromLocal8Bit(arguments.readAll()).split('\n', Qt::SkipEmptyParts);
        };
        const QStringList csv = arguments_for(dir_.filePath("b.csv"));
        const QStringList workbook = arguments_for(dir_.filePath("CROSS0001.xlsx"));
        qputenv("PATH", path);
        QCOMPARE(csv, (QStringList{"--infilter=CSV:44,34,60,1", "--", dir_.filePath("b.csv")}));
        QCOMPARE(workbook, (QStringList{"--", dir_.filePath("CROSS0001.xlsx")}));
    }

    // Another cross taking the chosen name between choosing and writing: the
    // next free name is taken, and the node points at the file written.
    void a_result_name_taken_meanwhile_moves_on_to_the_next_free_one() {
        two_lists();
        const auto drive = dialogs_.drive_modal;
        dialogs_.drive_modal = [&](QDialog& dialog) {
            QFile taken(QDir(results()).filePath("CROSS0001.csv"));
            taken.open(QIODevice::WriteOnly);
            taken.write("someone else's\r\n");
            taken.close();
            return drive(dialog);
        };
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QCOMPARE(result_file("CROSS0001.csv"), QByteArray("someone else's\r\n"));
        QCOMPARE(result_file("CROSS0002.csv"), cp932_bytes("1,a,2,佐藤,大阪\r\n1,b,x,佐藤,福岡\r\n\r\n"));
        QCOMPARE(cp932::field_text(chart().nodes[2].path),
                 cp932::literal(QDir(results()).filePath("CROSS0002.csv").toStdString()));
    }

    // A node's right-click menu as the user opens it: whether the summary
    // item is on offer.
    bool summary_offered_for(int node) {
        const Rect& r = chart().nodes[node].rect;
        QTest::mouseClick(window_->chart_view()->viewport(), Qt::RightButton, {},
                          {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        QMenu* menu = window_->chart_menu();
        if (!menu || chart().primary_node != node) return false;
        const bool enabled = commands()[CommandId::ResultSummary]->isEnabled() &&
                             menu->actions().contains(commands()[CommandId::ResultSummary]);
        menu->close();
        return enabled;
    }

    // Three lists crossed in the window: the summary of the result node shows
    // per file its records, its records in hits, the hits holding them and
    // the share, the hits each two files share, and closes with Enter or Esc.
    // Only a result of this run has figures to show.
    void the_summary_of_a_cross_shows_how_the_files_overlap() {
        two_lists();
        const QString c = write("c.csv", "z,佐藤,那覇\r\nw,田中,仙台\r\n");
        window_->chart_view()->drop_files({c}, {400, 300});
        chart().nodes[2].key_first = chart().nodes[2].key_last = 1;
        window_->chart_view()->select_all_nodes();
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 4);
        const std::string result_path(cp932::field_text(chart().nodes[3].path));
        QVERIFY(window_->result_figures().find(result_path));
        // The figures the engine works out for these lists: 佐藤 in all
        // three, 田中 in b and c.
        CrossFigures figures;
        figures.hits = 2;
        for (const char* name : {"a", "b", "c"})
            figures.sources.push_back({name, literal(dir_.filePath(QString(name) + ".csv").toStdString()), 0, 0, 0});
        figures.sources[0].records = 3;
        figures.sources[0].records_in_hits = figures.sources[0].hits = 1;
        for (int i : {1, 2})
            figures.sources[i].records = figures.sources[i].records_in_hits = figures.sources[i].hits = 2;
        figures.shared_hits = {{1, 1, 1}, {1, 2, 2}, {1, 2, 2}};
        const CrossFigures& kept = *window_->result_figures().find(result_path);
        QCOMPARE(kept.hits, figures.hits);
        QCOMPARE(kept.shared_hits, figures.shared_hits);
        QCOMPARE(kept.sources.size(), figures.sources.size());
        for (std::size_t i = 0; i < kept.sources.size(); ++i) {
            const SourceFigures &got = kept.sources[i], &want = figures.sources[i];
            QCOMPARE(got.title, want.title);
            QCOMPARE(got.path, want.path);
            QCOMPARE(got.records, want.records);
            QCOMPARE(got.records_in_hits, want.records_in_hits);
            QCOMPARE(got.hits, want.hits);
        }

        window_->resize(1000, 700);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QVERIFY(!summary_offered_for(0));  // a source
        // A result node of an earlier run, as an opened chart holds it.
        add_node(chart(), literal(dir_.filePath("results/CROSS0009.csv").toStdString()), {600, 500}, 1.0, kResultNode,
                 literal("クロス結果 9"), 1);
        QVERIFY(!summary_offered_for(4));
        QVERIFY(summary_offered_for(3));

        QStringList files, shared, heads, what;
        bool closed_by_enter = false, closed_by_esc = false;
        dialogs_.drive_modal = [&](QDialog& dialog) {
            auto* summary = qobject_cast<CrossSummaryDialog*>(&dialog);
            if (!summary) return int(QDialog::Rejected);
            for (QTableWidget* table : {static_cast<QTableWidget*>(summary->file_table()),
                                        static_cast<QTableWidget*>(summary->shared_table())}) {
                QStringList& out = table == summary->file_table() ? files : shared;
                for (int row = 0; row < table->rowCount(); ++row) {
                    QStringList cells;
                    for (int column = 0; column < table->columnCount(); ++column)
                        cells << table->item(row, column)->text();
                    out << cells.join('|');
                }
            }
            for (int i = 0; i < summary->file_table()->columnCount(); ++i)
                heads << summary->file_table()->horizontalHeaderItem(i)->text();
            for (int i = 0; i < 3; ++i)
                heads << summary->shared_table()->horizontalHeaderItem(i)->text() + "/" +
                             summary->shared_table()->verticalHeaderItem(i)->text();
            what << summary->findChild<QLabel*>("what")->text();
            summary->show();
            QTest::keyClick(summary->file_table(), Qt::Key_Return);
            closed_by_enter = summary->isHidden() && summary->result() == QDialog::Accepted;
            summary->show();
            QTest::keyClick(summary->shared_table(), Qt::Key_Escape);
            closed_by_esc = summary->isHidden();
            return summary->result();
        };
        commands()[CommandId::ResultSummary]->trigger();
        QCOMPARE(
            heads,
            QString::fromUtf8("ファイル|パス|レコード数|ヒットしたレコード数|ヒット数|重複率|a/a|b/b|c/c").split('|'));
        QCOMPARE(files, (QStringList{"a|" + dir_.filePath("a.csv") + "|3|1|1|33.3%",
                                     "b|" + dir_.filePath("b.csv") + "|2|2|2|100.0%", "c|" + c + "|2|2|2|100.0%"}));
        QCOMPARE(shared, (QStringList{"1|1|1", "1|2|2", "1|2|2"}));
        QCOMPARE(what, QStringList{QString::fromUtf8("クロス結果 1　　ヒット数：2")});
        QVERIFY(closed_by_enter);
        QVERIFY(closed_by_esc);

        // Deleted with its result file, the node takes its figures along.
        dialogs_.answers = {kAnswerYes};
        commands()[CommandId::DeleteNodes]->trigger();
        QVERIFY(!window_->result_figures().find(result_path));
    }

    // A result's workbook beside its CSV is what a person opens; without
    // one, the CSV; a source is always opened itself.
    void a_result_opens_in_the_spreadsheet_as_its_workbook_when_there_is_one() {
        two_lists();
        commands()[CommandId::RunCross]->trigger();
        const QString csv = QDir(results()).filePath("CROSS0001.csv");
        const QString workbook = QDir(results()).filePath("CROSS0001.xlsx");
        write("results/CROSS0001.xlsx", "PK");
        write("a.xlsx", "PK");
        chart().primary_node = 2;
        commands()[CommandId::OpenInExcel]->trigger();
        QFile::remove(workbook);
        commands()[CommandId::OpenInExcel]->trigger();
        chart().primary_node = 0;
        commands()[CommandId::OpenInExcel]->trigger();
        QCOMPARE(desktop_.spreadsheets, (QStringList{workbook, csv, dir_.filePath("a.csv")}));
    }

    // The file area's menu acts on the file it shows, even while the chart's
    // primary node is another one.
    void the_file_area_menu_acts_on_the_shown_file() {
        two_lists();
        QVERIFY(window_->file_area()->load_preview(0));
        chart().primary_node = 1;
        std::unique_ptr<QMenu> menu = window_->file_area()->make_context_menu();
        QAction* open = nullptr;
        QAction* copy = nullptr;
        for (QAction* item : menu->actions()) {
            if (item->data().toInt() == command_number(CommandId::OpenInExcel)) open = item;
            if (item->data().toInt() == command_number(CommandId::CopyToFile)) copy = item;
        }
        QVERIFY(open && copy && open->isEnabled() && copy->isEnabled());
        open->trigger();
        QCOMPARE(desktop_.spreadsheets, QStringList{dir_.filePath("a.csv")});

        const QString target = dir_.filePath("shown-copy.csv");
        dialogs_.files_to_save = {target};
        copy->trigger();
        QFile copied(target);
        QVERIFY(copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), cp932_bytes("1,山田,東京\r\n2,佐藤,大阪\r\n3,鈴木,京都\r\n"));
        QCOMPARE(dialogs_.shown.back().text, std::string("ファイルを保存しました"));
    }

    // Two files placed, keys chosen in the file area, a cross, the result
    // compared byte for byte, the chart saved and opened again.
    void the_whole_road() {
        const QString a = write("members.csv", "1,山田太郎,1990\r\n2,佐藤花子,1985\r\n3,ｻﾄｳ ﾊﾅｺ,1985\r\n");
        const QString b = write("customers.csv", "K1,山田　太郎,1990\r\nK2,鈴木一郎,1970\r\n");
        window_->chart_view()->drop_files({a, b}, {100, 100});
        QCOMPARE(chart().node_count(), 2);

        filearea::FileArea* area = window_->file_area();
        for (int node : {0, 1}) {
            QVERIFY(area->load_preview(node));
            QTest::keyClick(area, Qt::Key_Right);
            QTest::keyClick(area, Qt::Key_Right);
            QTest::keyClick(area, Qt::Key_Right, Qt::ControlModifier);
            QTest::keyClick(area, Qt::Key_Right, Qt::ControlModifier);
            QCOMPARE(chart().nodes[node].key_first, 1);
            QCOMPARE(chart().nodes[node].key_last, 1);
        }
        QCOMPARE(cp932::field_text(chart().nodes[1].key_sample), literal("山田　太郎"));

        window_->chart_view()->select_all_nodes();
        commands()[CommandId::RunCross]->trigger();
        QCOMPARE(chart().node_count(), 3);
        QCOMPARE(result_file("CROSS0001.csv"),
                 cp932_bytes("1,members,1,山田太郎,1990\r\n1,customers,K1,山田太郎,1990\r\n\r\n"));
        QCOMPARE(window_->file_area()->preview_node(), 2);

        const QString saved = dir_.filePath("road.tsy");
        dialogs_.files_to_save = {saved};
        QVERIFY(document_->save_as());
        QVERIFY(document_->open(saved));
        QCOMPARE(chart().node_count(), 3);
        QCOMPARE(chart().arcs, (std::vector<ArcRecord>{{0, 2}, {1, 2}}));
        QCOMPARE(chart().nodes[2].record_count, 1);
        QCOMPARE(chart().nodes[0].key_first, 1);
        QCOMPARE(window_->file_area()->preview_node(), -1);
    }
};

TESSALY_REGISTER_TEST(CrossRoadTest);
#include "cross_road_test.moc"
