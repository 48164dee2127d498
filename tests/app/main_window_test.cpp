#include <QMenu>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>

#include "app/chart_document.h"
#include "app/chart_menus.h"
#include "app/main_window.h"
#include "fake_dialogs.h"
#include "print/print_dialog.h"
#include "ribbon/ribbon.h"
#include "shell/settings.h"
#include "test_registry.h"
#include "view/chart_view.h"

using namespace tessaly;
using namespace tessaly::app;

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    FakeDialogs dialogs_;
    SettingsCopy copy_;
    std::unique_ptr<ChartDocument> document_;
    std::unique_ptr<MainWindow> window_;

    void open_window() {
        document_ = std::make_unique<ChartDocument>(dialogs_, *settings_, 1920, 1080);
        window_ = std::make_unique<MainWindow>(*document_, *settings_, dialogs_, copy_);
    }

private slots:
    void init() {
        settings_ = std::make_unique<QSettings>(dir_.filePath("settings.ini"), QSettings::IniFormat);
        settings_->clear();
        dialogs_ = FakeDialogs();
        copy_ = SettingsCopy();
        open_window();
    }
    void cleanup() {
        window_.reset();
        document_.reset();
    }

    void cross_options_toggle_and_persist_on_close() {
        QVERIFY(window_->commands()[CommandId::RemoveSpaces]->isChecked());  // on by default
        window_->commands()[CommandId::RemoveSpaces]->trigger();
        window_->commands()[CommandId::IgnoreCase]->trigger();
        window_->commands()[CommandId::QuotedFields]->trigger();
        QVERIFY(!window_->commands()[CommandId::WorkbookOutput]->isChecked());  // no workbook by default
        window_->commands()[CommandId::WorkbookOutput]->trigger();
        QVERIFY(!window_->cross_options().remove_spaces);
        QVERIFY(window_->cross_options().ignore_case);
        QVERIFY(!window_->commands()[CommandId::RemoveSpaces]->isChecked());
        QCOMPARE(window_->take_min_hit("250"), QString("100"));
        QVERIFY(window_->close());
        const CrossOptions stored = read_cross_options(*settings_);
        QVERIFY(!stored.remove_spaces);
        QVERIFY(stored.ignore_case);
        QVERIFY(stored.quotes);
        QVERIFY(stored.workbook);
        QCOMPARE(stored.min_hit, 100);
        QCOMPARE(setting(*settings_, Setting::Comets), 3);  // the settings copy is written too
    }

    // A placed file with quoted commas asks for the quote option; yes turns
    // it on, and the ribbon shows it.
    void the_quote_option_is_turned_on_from_a_placed_file() {
        QVERIFY(!window_->commands()[CommandId::QuotedFields]->isChecked());
        const QString path = dir_.filePath("quoted.csv");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1,\"a,b\"\r\n");
        f.close();
        dialogs_.answers = {kAnswerYes};
        window_->chart_view()->drop_files({path}, QPoint(20, 20));
        QVERIFY(window_->commands()[CommandId::QuotedFields]->isChecked());
        QVERIFY(window_->cross_options().quotes);
    }

    void the_last_node_text_switch_stays_on() {
        Commands& c = window_->commands();
        c[CommandId::ShowNodeKeySample]->trigger();  // key sample off: only the name is left
        QVERIFY(document_->modified());
        c[CommandId::ShowNodeName]->trigger();
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(dialogs_.shown[0].text, std::string("すべてオフにすることはできません"));
        QVERIFY(c[CommandId::ShowNodeName]->isChecked());
        QCOMPARE(document_->chart().display.show_name, 1);
    }

    void placement_is_kept_on_the_desktop_and_saved_on_close() {
        set_setting(*settings_, Setting::WindowLeft, 1500);
        window_->restore_placement(1920, 1080);
        QCOMPARE(window_->geometry().x(), 1280);
        QCOMPARE(window_->geometry().width(), 640);
        window_->setGeometry(30, 40, 800, 600);
        window_->save_state();
        QCOMPARE(setting(*settings_, Setting::WindowLeft), 30);
        QCOMPARE(setting(*settings_, Setting::WindowHeight), 600);
        QCOMPARE(setting(*settings_, Setting::WindowMaximised), 0);
    }

    // The first start ever opens a window that can be worked in; from then
    // on the stored placement wins.
    void the_first_start_takes_most_of_the_desktop_with_the_chart_wider() {
        window_->restore_placement(1600, 1000);
        QCOMPARE(window_->geometry().size(), QSize(1440, 900));
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        const QList<int> sizes = window_->splitter()->sizes();
        QVERIFY(sizes.value(0) > sizes.value(1));
        QVERIFY(window_->close());

        open_window();
        window_->restore_placement(1600, 1000);
        QCOMPARE(window_->geometry().size(), QSize(1440, 900));
        set_setting(*settings_, Setting::WindowWidth, 800);
        open_window();
        window_->restore_placement(1600, 1000);
        QCOMPARE(window_->geometry().width(), 800);
    }

    void even_areas_split_the_width_in_half() {
        window_->resize(1200, 600);
        window_->show();
        window_->splitter()->resize(1001, 500);
        window_->switch_areas(CommandId::BothAreas);
        QCOMPARE(window_->splitter()->sizes().value(0), 500);
        window_->switch_areas(CommandId::FileAreaOnly);
        QCOMPARE(window_->splitter()->sizes().value(0), 0);
    }

    void info_text_takes_the_place_of_the_panes() {
        StatusPanes& status = window_->status();
        QCOMPARE(status.zoom(), QString("100%"));
        status.set_info_text("guide");
        QVERIFY(!status.panes_visible());
        status.set_info_text("");
        QVERIFY(status.panes_visible());
    }

    void closing_a_changed_chart_asks_first() {
        document_->set_modified();
        dialogs_.save_choices = {SaveChoice::Cancel};
        QVERIFY(!window_->close());
        QCOMPARE(dialogs_.asked_to_save.size(), size_t(1));
        dialogs_.save_choices = {SaveChoice::Discard};
        QVERIFY(window_->close());
    }

    void recent_charts_appear_in_the_application_menu() {
        dialogs_.files_to_save.push_back(dir_.filePath("first.tsy"));
        QVERIFY(document_->save());
        QVERIFY(document_->save_to(dir_.filePath("second.tsy")));
        QStringList texts;
        for (QAction* action : window_->ribbon().ribbon->application_menu()->actions()) texts << action->text();
        QVERIFY(texts.contains("&1 second.tsy"));
        QVERIFY(texts.contains("&2 first.tsy"));
    }

    void the_status_bar_shows_the_primary_node() {
        Chart& chart = document_->chart();
        add_node(chart, "/a.csv", {0, 0}, 1.0, kSourceNode, "a", 1);
        chart.nodes[0].rect = Rect{120, 40, 220, 90};
        chart.node_states[0].selected = 1;
        chart.primary_node = 0;
        window_->show_node_position();
        QCOMPARE(window_->status().position(), QString("120, 40"));
        QCOMPARE(window_->status().size(), QString::fromUtf8("100×50"));
        chart.primary_node = -1;
        window_->show_node_position();
        QVERIFY(window_->status().position().isEmpty());
    }

    void later_commands_are_present_but_unavailable() {
        for (CommandId id : {CommandId::RunCross, CommandId::AlignLeft, CommandId::AlignHorizontalEven})
            QVERIFY(!window_->commands()[id]->isEnabled());
        QVERIFY(window_->commands()[CommandId::OpenChart]->isEnabled());
        QVERIFY(window_->commands()[CommandId::ElapsedTime]->toolTip().contains(QString::fromUtf8("<b>処理時間</b>")));
    }

    // 印刷(&P) opens the print dialog over the chart, with the tint the chart
    // area has and a PDF named after the chart.
    void print_opens_the_print_dialog() {
        QAction* print = window_->commands()[CommandId::Print];
        QVERIFY(print->isEnabled());
        QCOMPARE(print->shortcut(), QKeySequence("Ctrl+P"));
        QString title;
        bool tinted = false;
        dialogs_.drive_modal = [&](QDialog& dialog) {
            title = dialog.windowTitle();
            auto& print_dialog = dynamic_cast<print::PrintDialog&>(dialog);
            tinted = print_dialog.preview()->picture().look.tint;
            return int(QDialog::Rejected);
        };
        print->trigger();
        QCOMPARE(dialogs_.modal_runs, 1);
        QCOMPARE(title, QString::fromUtf8("印刷"));
        QVERIFY(tinted);  // the tint is on and the chart area is the active one
        window_->set_chart_active(false);
        print->trigger();
        QVERIFY(!tinted);
    }

    // The ノード位置 buttons: enabled by the number selected, one undo step
    // each, and a node pushed off the canvas brought back by the arrow keys.
    void alignment_follows_the_selection_and_can_be_undone() {
        Chart& chart = document_->chart();
        const auto node_at = [&](int left, int top) {
            add_node(chart, "/n.csv", {0, 0}, 1.0, kSourceNode, "n", 1);
            chart.nodes.back().rect = {left, top, left + 40, top + 20};
        };
        node_at(100, 100);
        node_at(300, 400);
        node_at(200, 900);
        window_->chart_view()->chart_replaced();
        Commands& c = window_->commands();
        const auto enabled = [&] {
            QList<bool> states;
            for (CommandId id :
                 {CommandId::AlignLeft, CommandId::AlignRight, CommandId::AlignTop, CommandId::AlignBottom,
                  CommandId::AlignVerticalCentre, CommandId::AlignHorizontalCentre, CommandId::AlignVerticalEven,
                  CommandId::AlignHorizontalEven})
                states << c[id]->isEnabled();
            return states;
        };
        // Centring offered with nothing selected moves nothing, and so edits nothing.
        QVERIFY(!document_->modified());
        c[CommandId::AlignVerticalCentre]->trigger();
        QVERIFY(!document_->modified());
        chart.node_states[0].selected = 1;
        chart.primary_node = 0;
        emit window_->chart_view()->primary_changed();
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false, true, true, false, false}));
        window_->chart_view()->select_all_nodes();
        QCOMPARE(enabled(), QList<bool>(8, true));

        chart.primary_node = 1;
        c[CommandId::AlignTop]->trigger();  // 上揃え to node 1's top
        QCOMPARE(chart.nodes[0].rect.top, 400);
        QCOMPARE(chart.nodes[2].rect.top, 400);
        QVERIFY(document_->modified());
        QVERIFY(c[CommandId::Undo]->isEnabled());
        c[CommandId::Undo]->trigger();
        QCOMPARE(chart.nodes[2].rect.top, 900);

        // Bottom edges to a node near the top push the others off the canvas.
        chart.nodes[1].rect = {300, 10, 340, 20};
        c[CommandId::AlignBottom]->trigger();
        QCOMPARE(chart.nodes[0].rect.top, 0);
        QCOMPARE(chart.nodes[2].rect.top, 0);
        chart.nodes[1].rect = {300, -50, 340, -30};
        c[CommandId::AlignBottom]->trigger();
        QVERIFY(chart.nodes[0].rect.top < 0);
        QTest::keyClick(window_->chart_view(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window_->chart_view(), Qt::Key_Down, Qt::ControlModifier);
        for (const NodeRecord& node : chart.nodes) QVERIFY(node.rect.top >= 2);
    }

    // F2 turns the guide off with a word that goes after a second, without
    // holding the program up, and on again with a word that stays; the
    // choice is kept when the window closes.
    void f2_switches_the_guide_and_the_hints_give_the_panes_back() {
        window_->resize(1000, 700);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        StatusPanes& status = window_->status();
        QTest::keyClick(window_->chart_view(), Qt::Key_F2);
        QCOMPARE(status.info_text(), QString::fromUtf8("ステータスバーに操作ガイドを表示しないように設定しました"));
        QVERIFY(!copy_.show_guide);
        QTRY_VERIFY_WITH_TIMEOUT(status.info_text().isEmpty(), 3000);
        QVERIFY(status.panes_visible());

        QTest::keyClick(window_->chart_view(), Qt::Key_F2);
        QCOMPARE(status.info_text(), QString::fromUtf8("ステータスバーに操作ガイドを表示するように設定しました"));
        QTest::qWait(1300);
        QCOMPARE(status.info_text(), QString::fromUtf8("ステータスバーに操作ガイドを表示するように設定しました"));

        // The placing hint of a new chart stays until the pointer moves
        // over the chart; then POS, SIZE and CURSOR are back.
        window_->commands()[CommandId::NewChart]->trigger();
        QVERIFY(!status.info_text().isEmpty());
        QVERIFY(!status.panes_visible());
        QTest::mouseMove(window_->chart_view()->viewport(), {40, 160});
        QTest::mouseMove(window_->chart_view()->viewport(), {45, 165});
        QVERIFY(status.info_text().isEmpty());
        QVERIFY(status.panes_visible());
        QVERIFY(!status.cursor().isEmpty());

        QTest::keyClick(window_->chart_view(), Qt::Key_F2);
        QVERIFY(window_->close());
        QCOMPARE(setting(*settings_, Setting::ShowGuide), 0);
    }

    void the_chart_menus_hold_their_items_in_order() {
        auto texts = [this](view::ChartMenu which) {
            std::unique_ptr<QMenu> menu(build_chart_menu(which, window_->commands(), nullptr));
            QStringList out;
            for (QAction* a : menu->actions()) out << (a->isSeparator() ? QString("-") : a->text().section('(', 0, 0));
            return out.join('|');
        };
        QCOMPARE(texts(view::ChartMenu::View),
                 QString::fromUtf8("【クロス実行】ここに選択ノードのクロス結果作成|ここにクロス原本セット|-|"
                                   "ズームコンソールを左上に表示|-|すべてのノードを選択|-|ファイルプレビューのクリア"));
        QCOMPARE(
            texts(view::ChartMenu::Node),
            QString::fromUtf8(
                "ファイルプレビュー|-|クロス時の必須ノードにする|クロス時の必須ノードを解除する|-|"
                "クロスキー項目を同じにする|-|Ｅｘｃｅｌで開く|クロス結果の集計…|名前を付けてファイルにコピー|-|削除|-|"
                "ノードのプロパティ"));
        QVERIFY(window_->commands()[CommandId::SelectAllNodes]->text().endsWith("\tCtrl+A"));
    }

    void the_chart_menus_open_centred_on_the_pointer_and_on_the_screen() {
        const QRect screen(0, 0, 1600, 1000);
        QCOMPARE(centred_menu_position({200, 120}, {800, 500}, screen), QPoint(700, 440));
        QCOMPARE(centred_menu_position({201, 121}, {800, 500}, screen), QPoint(700, 440));
        QCOMPARE(centred_menu_position({200, 120}, {30, 20}, screen), QPoint(0, 0));          // top left
        QCOMPARE(centred_menu_position({200, 120}, {1590, 990}, screen), QPoint(1400, 880));  // bottom right
        QCOMPARE(centred_menu_position({200, 120}, {1590, 990}, QRect(1600, 0, 1280, 1000)),
                 QPoint(1600, 880));                                              // a second screen to the right
        QCOMPARE(centred_menu_position({200, 1200}, {800, 500}, screen).y(), 0);  // taller than the screen

        window_->resize(1200, 800);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->splitter()->setSizes({700, 500});
        QWidget* area = window_->chart_view()->viewport();
        const QPoint pointer(400, 400);
        QTest::mouseClick(area, Qt::RightButton, {}, pointer);
        QMenu* menu = window_->chart_menu();
        QVERIFY(menu && menu->isVisible());
        const QRect opened = menu->geometry();
        const QPoint at = area->mapToGlobal(pointer);
        QVERIFY2(std::abs(opened.center().x() - at.x()) <= 1 && std::abs(opened.center().y() - at.y()) <= 1,
                 qPrintable(QStringLiteral("menu centre %1,%2 pointer %3,%4")
                                .arg(opened.center().x())
                                .arg(opened.center().y())
                                .arg(at.x())
                                .arg(at.y())));
        menu->close();
    }

    void the_chart_menu_rules_grey_what_does_not_apply() {
        Commands& c = window_->commands();
        ChartMenuState empty;
        apply_chart_menu_rules(c, empty);
        QVERIFY(!c[CommandId::CrossHere]->isEnabled());
        QVERIFY(!c[CommandId::SelectAllNodes]->isEnabled());
        QVERIFY(!c[CommandId::ClearPreview]->isEnabled());
        QVERIFY(c[CommandId::SetCrossOriginalHere]->isEnabled());

        Chart chart;
        chart.reset(1024, 768);
        add_node(chart, "/a.csv", {0, 0}, 1.0, kSourceNode, "a", 1);
        add_node(chart, "/b.csv", {0, 0}, 1.0, kSourceNode, "b", 1);
        chart.node_states[1].selected = 1;
        chart.primary_node = 1;
        chart.nodes[1].mandatory = 1;
        apply_chart_menu_rules(c, chart_menu_state(chart, 1));
        QVERIFY(c[CommandId::CrossHere]->isEnabled());
        QVERIFY(!c[CommandId::SameKeyFields]->isEnabled());  // one node selected
        QVERIFY(!c[CommandId::MakeMandatory]->isEnabled());
        QVERIFY(c[CommandId::ClearMandatory]->isEnabled());
        QVERIFY(c[CommandId::CopyToFile]->isEnabled());  // the primary node is the one shown
        QVERIFY(c[CommandId::ClearPreview]->isEnabled());
        chart.node_states[0].selected = 1;
        apply_chart_menu_rules(c, chart_menu_state(chart, 0));
        QVERIFY(c[CommandId::SameKeyFields]->isEnabled());
        QVERIFY(!c[CommandId::CopyToFile]->isEnabled());
    }

    void the_chart_menu_places_chosen_files_where_it_was_opened() {
        window_->resize(1200, 800);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QWidget* area = window_->chart_view()->viewport();
        QTest::mouseClick(area, Qt::RightButton, {}, {200, 150});
        QVERIFY(window_->chart_menu() && window_->chart_menu()->isVisible());
        QVERIFY(!window_->commands()[CommandId::CrossHere]->isEnabled());
        window_->chart_menu()->close();

        QFile file(dir_.filePath("chosen.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("1\r\n2\r\n");
        file.close();
        dialogs_.files_to_open.push_back({file.fileName()});
        window_->commands()[CommandId::SetCrossOriginalHere]->trigger();
        const Chart& chart = document_->chart();
        QCOMPARE(chart.node_count(), 1);
        QCOMPARE(chart.nodes[0].record_count, 2);
        QVERIFY(document_->modified());

        // A move can be undone from the ribbon; undo does not stay enabled.
        QVERIFY(!window_->commands()[CommandId::Undo]->isEnabled());
        area->repaint();  // the new node takes its size as it is drawn
        QTest::mouseClick(area, Qt::LeftButton, {}, {chart.nodes[0].rect.left + 5, chart.nodes[0].rect.top + 5});
        QTest::keyClick(window_->chart_view(), Qt::Key_Right);
        QVERIFY(window_->commands()[CommandId::Undo]->isEnabled());
        window_->commands()[CommandId::Undo]->trigger();
        QVERIFY(!window_->commands()[CommandId::Undo]->isEnabled());
        QVERIFY(window_->commands()[CommandId::Redo]->isEnabled());
    }

    void zoom_and_the_console_place_last_from_one_session_to_the_next() {
        window_->commands()[CommandId::Zoom300]->trigger();
        QCOMPARE(window_->status().zoom(), QStringLiteral("300%"));
        window_->commands()[CommandId::PinConsole]->trigger();  // unpinned: hidden
        QVERIFY(!window_->chart_view()->console().visible());
        QVERIFY(!window_->commands()[CommandId::PinConsole]->isChecked());
        window_->commands()[CommandId::ConsoleToTopLeft]->trigger();
        QVERIFY(window_->chart_view()->console().visible());
        window_->save_state();
        QCOMPARE(setting(*settings_, Setting::Zoom), 300);
        QCOMPARE(setting(*settings_, Setting::ZoomCentreX), 79);

        set_setting(*settings_, Setting::Zoom, 0);  // a value the program never writes
        document_->new_chart();
        QCOMPARE(window_->chart_view()->zoom(), 0.08f);
        QVERIFY(window_->commands()[CommandId::PinConsole]->isChecked());  // every chart starts pinned
    }

    void the_active_area_is_tinted_only_with_the_setting() {
        Chart& chart = document_->chart();
        add_node(chart, "/a.csv", {500, 500}, 1.0, kSourceNode, "a", 1);
        window_->set_chart_active(true);
        QImage tinted = window_->chart_view()->viewport()->grab().toImage();
        QCOMPARE(tinted.pixelColor(5, 5), QColor(191, 209, 234));
        window_->set_chart_active(false);
        QCOMPARE(window_->chart_view()->viewport()->grab().toImage().pixelColor(5, 5), QColor(Qt::white));
        copy_.tint_active_area = false;
        window_->set_chart_active(true);
        QCOMPARE(window_->chart_view()->viewport()->grab().toImage().pixelColor(5, 5), QColor(Qt::white));
    }

    // The nodes show other text at once: the chart is painted before the
    // command returns, with every box measured anew and the arcs ending at
    // the borders of the new boxes.
    void node_text_switches_and_the_font_size_redraw_the_chart_at_once() {
        Chart& chart = document_->chart();
        QVERIFY(add_node(chart, "/a.csv", {160, 250}, 1.0, kSourceNode, "a", 12).ok());
        QVERIFY(add_node(chart, "/r.csv", {340, 250}, 1.0, kResultNode, "r", 3).ok());
        QVERIFY(add_arc(chart, 0, 1).ok());
        window_->resize(1200, 800);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->splitter()->setSizes({700, 500});
        QWidget* area = window_->chart_view()->viewport();
        QVERIFY(area->width() > 420);
        area->grab();
        PaintCounter counter;
        area->installEventFilter(&counter);
        Commands& c = window_->commands();

        const Rect one_line = chart.nodes[1].rect;
        c[CommandId::ShowNodeRecordCount]->trigger();  // 件数: a second line
        QVERIFY(counter.paints > 0);
        const Rect two_lines = chart.nodes[1].rect;
        QVERIFY(two_lines.bottom - two_lines.top > one_line.bottom - one_line.top);
        QVERIFY(document_->modified());
        const QImage image = area->grab().toImage();
        const QRect result(two_lines.left, two_lines.top, two_lines.right - two_lines.left,
                           two_lines.bottom - two_lines.top);
        const int y = (two_lines.top + two_lines.bottom) / 2;
        QCOMPARE(image.pixelColor(result.x() - 4, y), QColor(219, 36, 68));  // the arrowhead, outside the box

        counter.paints = 0;
        c[CommandId::NodeFontSize]->setData(8);  // 16 points
        c[CommandId::NodeFontSize]->trigger();
        QVERIFY(counter.paints > 0);
        QVERIFY(chart.nodes[1].rect.right - chart.nodes[1].rect.left > two_lines.right - two_lines.left);
        counter.paints = 0;
        c[CommandId::NodeFontSize]->trigger();  // the size in use: nothing to do
        QCOMPARE(counter.paints, 0);
    }
};

TESSALY_REGISTER_TEST(MainWindowTest);

#include "main_window_test.moc"
