#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "ribbon/ribbon.h"
#include "ribbon/ribbon_widgets.h"
#include "test_registry.h"

using namespace tessaly::ribbon;

namespace {

// The most saturated pixel of an image, 0 to 255.
int max_saturation(const QImage& image) {
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor px = image.pixelColor(x, y);
            if (px.alpha() > 64) most = std::max(most, px.hsvSaturation());
        }
    return most;
}

// A window holding a ribbon and a text field, as the main window holds the
// ribbon above its areas.
struct RibbonWindow {
    QWidget window;
    Ribbon* ribbon;
    QLineEdit* field;

    RibbonWindow() {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        ribbon = new Ribbon(&window);
        field = new QLineEdit(&window);
        layout->addWidget(ribbon);
        layout->addWidget(field);
        layout->addStretch(1);
        window.resize(900, 300);
    }

    bool show_active() {
        window.show();
        window.activateWindow();
        field->setFocus();
        return QTest::qWaitForWindowActive(&window);
    }

    QList<detail::Tab*> tabs() const { return ribbon->findChildren<detail::Tab*>(); }
};

const QStringList font_sizes{"8", "9", "10", "11", "12", "13", "14", "15", "16"};

}  // namespace

class RibbonTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The program asks for "Meiryo UI"; here the IPA fonts stand in.
        QFont::insertSubstitutions(QStringLiteral("Meiryo UI"),
                                   {QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
        QFont font(QStringLiteral("Meiryo UI"));
        font.setPointSize(9);
        QApplication::setFont(font);
    }

    void check_box_follows_its_action_both_ways() {
        RibbonCategory category(QStringLiteral("クロス設定"));
        RibbonPanel* panel = category.add_panel(QStringLiteral("クロス処理時"));
        QAction action(QStringLiteral("空白を削除"));
        QCheckBox* box = panel->add_check_box(&action);
        QVERIFY(action.isCheckable());
        QVERIFY(!box->isChecked());
        QCOMPARE(box->text(), QStringLiteral("空白を削除"));

        action.setChecked(true);  // the program sets the option
        QVERIFY(box->isChecked());
        action.setChecked(false);
        QVERIFY(!box->isChecked());

        QSignalSpy triggered(&action, &QAction::triggered);
        QTest::mouseClick(box, Qt::LeftButton);  // the user flips it
        QCOMPARE(triggered.count(), 1);
        QVERIFY(action.isChecked());
        QVERIFY(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!action.isChecked());
        QVERIFY(!box->isChecked());
    }

    void check_box_shows_a_refused_change_as_refused() {
        // The last node-text switch cannot be turned off: the handler checks
        // the action again, and the box must show it checked.
        RibbonCategory category(QStringLiteral("ホーム"));
        RibbonPanel* panel = category.add_panel(QStringLiteral("ノードテキスト"));
        QAction action(QStringLiteral("名称"));
        action.setCheckable(true);
        action.setChecked(true);
        connect(&action, &QAction::triggered, &action, [&action] { action.setChecked(true); });
        QCheckBox* box = panel->add_check_box(&action);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(action.isChecked());
        QVERIFY(box->isChecked());
    }

    void check_box_space_key_flips_the_action() {
        RibbonCategory category(QStringLiteral("クロス設定"));
        QAction action(QStringLiteral("ハイフンを削除"));
        QCheckBox* box = category.add_panel(QStringLiteral("クロス処理時"))->add_check_box(&action);
        QTest::keyClick(box, Qt::Key_Space);
        QVERIFY(action.isChecked());
    }

    void disabled_action_greys_its_button() {
        RibbonCategory category(QStringLiteral("ホーム"));
        QAction action(ribbon_icon(QStringLiteral("cross-run")), QStringLiteral("クロス 実行"));
        QToolButton* button = category.add_panel(QStringLiteral("処理"))->add_large_button(&action);
        button->resize(button->sizeHint());
        QVERIFY(button->isEnabled());
        const QImage enabled = button->grab().toImage();
        QVERIFY(max_saturation(enabled) > 120);  // the amber rows of the icon

        action.setEnabled(false);
        QVERIFY(!button->isEnabled());
        const QImage disabled = button->grab().toImage();
        QVERIFY(max_saturation(disabled) < 40);

        action.setEnabled(true);
        QVERIFY(button->isEnabled());
    }

    void checkable_action_shows_its_button_pressed() {
        RibbonCategory category(QStringLiteral("ホーム"));
        QAction action(ribbon_icon(QStringLiteral("area-chart")), QStringLiteral("チャートエリア"));
        action.setCheckable(true);
        QToolButton* button = category.add_panel(QStringLiteral("エリア切替"))->add_small_button(&action);
        button->resize(button->sizeHint());
        const QImage up = button->grab().toImage();
        action.setChecked(true);
        QVERIFY(button->isChecked());
        const QImage down = button->grab().toImage();
        QVERIFY(up != down);
        // The pressed ground is amber all round the icon.
        const QColor corner = down.pixelColor(2, down.height() / 2);
        QVERIFY(corner.hsvSaturation() > 100);
    }

    void large_button_text_breaks_at_the_space() {
        RibbonCategory category(QStringLiteral("ホーム"));
        QAction action(ribbon_icon(QStringLiteral("cross-run")), QStringLiteral("クロス 実行"));
        QToolButton* button = category.add_panel(QStringLiteral("処理"))->add_large_button(&action);
        const QFontMetrics fm(button->font());
        QVERIFY(button->sizeHint().width() < fm.horizontalAdvance(QStringLiteral("クロス 実行")) + 12);
        QCOMPARE(button->sizeHint().height(), detail::metrics_for(button->font()).content);
    }

    void display_text_drops_mnemonics() {
        QCOMPARE(detail::display_text(QStringLiteral("開く(&O)...")), QStringLiteral("開く"));
        QCOMPARE(detail::display_text(QStringLiteral("テサリーの終了(&X)")), QStringLiteral("テサリーの終了"));
        QCOMPARE(detail::display_text(QStringLiteral("&Save && close")), QStringLiteral("Save & close"));
        QCOMPARE(detail::display_text(QStringLiteral("開始時間 : 00:00:00")), QStringLiteral("開始時間 : 00:00:00"));
    }

    void tooltip_has_bold_title_and_line_breaks() {
        const QString html = ribbon_tooltip_html(QStringLiteral("各種処理に要した\r時間を表示します\n処理時間"));
        QVERIFY(Qt::mightBeRichText(html));
        QVERIFY(html.contains(QStringLiteral("<b>処理時間</b>")));
        QVERIFY(html.contains(QStringLiteral("各種処理に要した<br/>時間を表示します")));
        QVERIFY(html.indexOf(QStringLiteral("処理時間")) < html.indexOf(QStringLiteral("各種処理")));

        QTextDocument doc;
        doc.setHtml(html);
        QString plain = doc.toPlainText();
        plain.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        QCOMPARE(plain, QStringLiteral("処理時間\n各種処理に要した\n時間を表示します"));
        QCOMPARE(doc.begin().begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(doc.lastBlock().begin().fragment().charFormat().fontWeight() != int(QFont::Bold));
    }

    void tooltip_title_follows_the_last_line_feed() {
        QTextDocument doc;
        doc.setHtml(ribbon_tooltip_html(
            QStringLiteral("クロス処理が終了したら\nダイアログを自動的に閉じます\n処理ダイアログを自動的に閉じる")));
        QString plain = doc.toPlainText();
        plain.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        QCOMPARE(plain, QStringLiteral(
                            "処理ダイアログを自動的に閉じる\nクロス処理が終了したら\nダイアログを自動的に閉じます"));
    }

    void tooltip_keeps_a_long_description_whole() {
        const QString description = QStringLiteral(
            "選択ノードのクロスを実行します。　※クロス結果ノードは、選択ノードの中央に作成されます。"
            "作成位置を指定したいときは、ビューの右クリックメニューから処理してください");
        QTextDocument doc;
        doc.setHtml(ribbon_tooltip_html(description + QStringLiteral("\nクロス実行")));
        // The ideographic space stays; the table ends with an empty line.
        QCOMPARE(doc.toPlainText().trimmed(), QStringLiteral("クロス実行\n") + description);
        QCOMPARE(doc.begin().begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
    }

    void tooltip_without_description_is_the_bold_title() {
        QTextDocument doc;
        doc.setHtml(ribbon_tooltip_html(QStringLiteral("<終了>")));
        QCOMPARE(doc.toPlainText(), QStringLiteral("<終了>"));
        QCOMPARE(doc.begin().begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
    }

    void elements_show_their_actions_tooltip() {
        RibbonCategory category(QStringLiteral("ホーム"));
        RibbonPanel* panel = category.add_panel(QStringLiteral("処理"));
        QAction time(QStringLiteral("処理時間 : 00:00:00"));
        QToolButton* label = panel->add_label_button(&time);
        set_ribbon_tooltip(&time, QStringLiteral("各種処理に要した\r時間を表示します\n処理時間"));
        QCOMPARE(label->toolTip(), ribbon_tooltip_html(QStringLiteral("各種処理に要した\r時間を表示します\n処理時間")));

        QAction box_action(QStringLiteral("名称"));
        set_ribbon_tooltip(&box_action, QStringLiteral("ノードテキストに\rノードの名称を表示します\n名称"));
        QCheckBox* box = panel->add_check_box(&box_action);
        QCOMPARE(box->toolTip(), box_action.toolTip());

        QAction font(QStringLiteral("フォント"));
        set_ribbon_tooltip(&font, QStringLiteral("ノードテキストの\rフォントサイズを変更します\nフォントサイズ"));
        QComboBox* combo = panel->add_combo(QStringLiteral("フォント："), font_sizes, 6, &font);
        QCOMPARE(combo->parentWidget()->toolTip(), font.toolTip());
    }

    void label_button_follows_the_text() {
        RibbonCategory category(QStringLiteral("ホーム"));
        QAction time(QStringLiteral("開始時間 : 00:00:00"));
        QToolButton* label = category.add_panel(QStringLiteral("処理"))->add_label_button(&time);
        const int narrow = label->sizeHint().width();
        time.setText(QStringLiteral("開始時間 : 12:34:56 (再)"));
        QCOMPARE(detail::display_text(label->text()), QStringLiteral("開始時間 : 12:34:56 (再)"));
        QVERIFY(label->sizeHint().width() > narrow);
        QSignalSpy triggered(&time, &QAction::triggered);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(triggered.count(), 1);
    }

    void combo_triggers_with_the_chosen_index() {
        RibbonWindow w;
        QAction command(QStringLiteral("フォントサイズ"));
        RibbonPanel* panel =
            w.ribbon->add_category(QStringLiteral("ホーム"))->add_panel(QStringLiteral("ノードテキスト"));
        QComboBox* combo = panel->add_combo(QStringLiteral("フォント："), font_sizes, 6, &command);
        QCOMPARE(combo->count(), 9);
        QSignalSpy triggered(&command, &QAction::triggered);

        combo->setCurrentIndex(2);  // the program shows the stored size: no command
        QCOMPARE(triggered.count(), 0);

        QVERIFY(w.show_active());
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);  // the user chooses "11"
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(command.data().toInt(), 3);
        QTest::keyClick(combo, Qt::Key_End);
        QCOMPARE(triggered.count(), 2);
        QCOMPARE(command.data().toInt(), 8);

        command.setEnabled(false);
        QVERIFY(!combo->isEnabled());
    }

    void spin_box_triggers_when_the_user_changes_it() {
        RibbonWindow w;
        QAction command(QStringLiteral("最低重複回数"));
        RibbonPanel* panel =
            w.ribbon->add_category(QStringLiteral("クロス設定"))->add_panel(QStringLiteral("クロス処理時"));
        QSpinBox* spin = panel->add_spin_box(QStringLiteral("最低重複回数："), 2, 100, 4, &command);
        QSignalSpy triggered(&command, &QAction::triggered);
        spin->setValue(5);  // the program
        QCOMPARE(triggered.count(), 0);

        QVERIFY(w.show_active());
        spin->setFocus();
        QTest::keyClick(spin, Qt::Key_Up);  // a spin step
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(command.data().toInt(), 6);

        spin->selectAll();
        QTest::keyClicks(spin, QStringLiteral("42"));
        QCOMPARE(triggered.count(), 1);  // not while typing
        QTest::keyClick(spin, Qt::Key_Return);
        QCOMPARE(triggered.count(), 2);
        QCOMPARE(command.data().toInt(), 42);
    }

    void progress_bar_starts_empty_at_its_size() {
        RibbonCategory category(QStringLiteral("ホーム"));
        QProgressBar* bar = category.add_panel(QStringLiteral("処理"))->add_progress_bar(110, 22);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->size(), QSize(110, 22));

        // A range of nothing is an empty, still bar, never Qt's busy one.
        set_progress_maximum(bar, 0);
        QVERIFY(bar->maximum() > bar->minimum());
        QCOMPARE(bar->value(), 0);
        set_progress_maximum(bar, 250);
        QCOMPARE(bar->maximum(), 250);
    }

    void small_elements_stack_in_columns_of_three() {
        RibbonWindow w;
        RibbonPanel* panel =
            w.ribbon->add_category(QStringLiteral("クロス設定"))->add_panel(QStringLiteral("クロス処理時"));
        QList<QAction*> actions;
        QList<QCheckBox*> boxes;
        for (int i = 0; i < 5; ++i) {
            actions << new QAction(QStringLiteral("項目%1").arg(i), &w.window);
            boxes << panel->add_check_box(actions.last());
        }
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto pos = [&](int i) { return boxes[i]->mapTo(panel, QPoint(0, 0)); };
        QCOMPARE(pos(1).x(), pos(0).x());
        QCOMPARE(pos(2).x(), pos(0).x());
        QVERIFY(pos(1).y() > pos(0).y());
        QVERIFY(pos(2).y() > pos(1).y());
        QVERIFY(pos(3).x() > pos(0).x());  // the second column
        QCOMPARE(pos(3).y(), pos(0).y());  // starts at the top row

        panel->set_centred_columns(true);
        QApplication::processEvents();
        w.window.layout()->activate();
        QVERIFY(pos(3).y() > pos(0).y());  // two rows now sit in the middle
    }

    void group_puts_small_buttons_side_by_side() {
        RibbonWindow w;
        RibbonPanel* panel = w.ribbon->add_category(QStringLiteral("ホーム"))->add_panel(QStringLiteral("ノード位置"));
        QList<QToolButton*> buttons;
        const QStringList names{"align-v-centre", "align-h-centre", "align-v-even", "align-h-even",
                                "align-top",      "align-bottom",   "align-left",   "align-right"};
        for (int i = 0; i < names.size(); ++i) {
            if (i % 4 == 0) panel->begin_group();
            buttons << panel->add_small_button(new QAction(ribbon_icon(names[i]), QString(), &w.window));
        }
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto pos = [&](int i) { return buttons[i]->mapTo(panel, QPoint(0, 0)); };
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(pos(i).y(), pos(0).y());
            QVERIFY(pos(i).x() > pos(i - 1).x());
            QCOMPARE(pos(4 + i).y(), pos(4).y());
        }
        QVERIFY(pos(4).y() > pos(0).y());  // the second group is the next row
        QCOMPARE(pos(4).x(), pos(0).x());
    }

    void key_tips_run_the_element_of_their_key() {
        RibbonWindow w;
        QAction save(QStringLiteral("上書き保存"), &w.window);
        QAction undo(QStringLiteral("元に戻す"), &w.window);
        QAction help(QStringLiteral("ヘルプ"), &w.window);
        QSignalSpy saved(&save, &QAction::triggered);
        QSignalSpy undone(&undo, &QAction::triggered);
        QSignalSpy helped(&help, &QAction::triggered);
        w.ribbon->add_quick_access(&save);
        w.ribbon->add_tab_row_action(&undo, false, QStringLiteral("Z"));
        w.ribbon->add_tab_row_action(&help, true, QStringLiteral("A"));
        w.ribbon->add_category(QStringLiteral("ホーム"), QStringLiteral("H"));
        w.ribbon->add_category(QStringLiteral("クロス設定"), QStringLiteral("C"));
        QVERIFY(w.show_active());
        QWindow* window = w.window.windowHandle();

        // Alt alone shows the tips; Alt again, or Esc, hides them.
        QTest::keyPress(window, Qt::Key_Alt);
        QTest::keyRelease(window, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(w.ribbon->shown_key_tips(), (QStringList{"F", "1", "Z", "A", "H", "C"}));
        QTest::keyPress(window, Qt::Key_Alt);
        QTest::keyRelease(window, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(!w.ribbon->key_tips_shown());
        QTest::keyClick(window, Qt::Key_F10);
        QVERIFY(w.ribbon->key_tips_shown());
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!w.ribbon->key_tips_shown());

        // Alt used with another key is no request for tips.
        QTest::keyPress(window, Qt::Key_Alt);
        QTest::keyClick(window, Qt::Key_X, Qt::AltModifier);
        QTest::keyRelease(window, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(!w.ribbon->key_tips_shown());
        w.field->clear();

        // A tip's key runs its element and leaves key-tip mode; typed keys
        // do not reach the field meanwhile.
        const auto press_tip = [&](Qt::Key key) {
            QTest::keyClick(window, Qt::Key_F10);
            QTest::keyClick(window, key);
            QCoreApplication::processEvents();
        };
        press_tip(Qt::Key_Z);
        press_tip(Qt::Key_A);
        press_tip(Qt::Key_1);
        QCOMPARE(undone.count(), 1);
        QCOMPARE(helped.count(), 1);
        QCOMPARE(saved.count(), 1);
        press_tip(Qt::Key_C);
        QCOMPARE(w.ribbon->current_index(), 1);
        press_tip(Qt::Key_H);
        QCOMPARE(w.ribbon->current_index(), 0);
        QVERIFY(!w.ribbon->key_tips_shown());
        QVERIFY(w.field->text().isEmpty());

        // A disabled element's key does nothing.
        undo.setEnabled(false);
        press_tip(Qt::Key_Z);
        QCOMPARE(undone.count(), 1);
    }

    void ctrl_f1_minimises_and_restores() {
        RibbonWindow w;
        RibbonCategory* home = w.ribbon->add_category(QStringLiteral("ホーム   WClick , Ctrl+F1"));
        home->add_panel(QStringLiteral("処理"))
            ->add_large_button(
                new QAction(ribbon_icon(QStringLiteral("cross-run")), QStringLiteral("クロス 実行"), &w.window));
        QVERIFY(w.show_active());
        const int full = w.ribbon->height();
        QSignalSpy changed(w.ribbon, &Ribbon::minimised_changed);

        QTest::keyClick(w.field, Qt::Key_F1, Qt::ControlModifier);
        QVERIFY(w.ribbon->minimised());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.last().at(0).toBool(), true);
        w.window.layout()->activate();
        QVERIFY(w.ribbon->height() < full / 2);

        QTest::keyClick(w.field, Qt::Key_F1, Qt::ControlModifier);
        QVERIFY(!w.ribbon->minimised());
        QCOMPARE(changed.count(), 2);
        w.window.layout()->activate();
        QCOMPARE(w.ribbon->height(), full);
    }

    void double_click_on_a_tab_minimises_and_restores() {
        RibbonWindow w;
        w.ribbon->add_category(QStringLiteral("ホーム   WClick , Ctrl+F1"))->add_panel(QStringLiteral("処理"));
        w.ribbon->add_category(QStringLiteral("クロス設定"))->add_panel(QStringLiteral("クロス処理時"));
        QVERIFY(w.show_active());
        QCOMPARE(w.tabs().size(), 2);

        // A double click is a press and release, then the double-click event.
        QTest::mouseClick(w.tabs()[1], Qt::LeftButton);
        QTest::mouseDClick(w.tabs()[1], Qt::LeftButton);
        QVERIFY(w.ribbon->minimised());
        QCOMPARE(w.ribbon->current_index(), 1);
        QVERIFY(!w.ribbon->popup_visible());

        QTest::mouseClick(w.tabs()[0], Qt::LeftButton);
        QVERIFY(w.ribbon->popup_visible());  // the first click shows the category
        QTest::mouseDClick(w.tabs()[0], Qt::LeftButton);
        QVERIFY(!w.ribbon->minimised());
        QCOMPARE(w.ribbon->current_index(), 0);
        QVERIFY(!w.ribbon->popup_visible());
    }

    void double_click_through_the_popup_restores() {
        // While the pop-up is open it receives the mouse, also on the tabs.
        RibbonWindow w;
        w.ribbon->add_category(QStringLiteral("ホーム"))->add_panel(QStringLiteral("処理"));
        w.ribbon->add_category(QStringLiteral("クロス設定"))->add_panel(QStringLiteral("クロス処理時"));
        QVERIFY(w.show_active());
        w.ribbon->set_minimised(true);
        QTest::mouseClick(w.tabs()[1], Qt::LeftButton);
        auto* popup = w.ribbon->findChild<detail::Popup*>();
        QVERIFY(popup && popup->isVisible());
        auto on_popup = [&](int tab) { return popup->mapFromGlobal(w.tabs()[tab]->mapToGlobal(QPoint(8, 8))); };

        // A single click on another tab shows that tab's category instead.
        QTest::mousePress(popup, Qt::LeftButton, {}, on_popup(0));
        QTRY_VERIFY(w.ribbon->popup_visible());
        QCOMPARE(w.ribbon->current_index(), 0);
        QVERIFY(w.ribbon->minimised());

        // The second click of a double click on the same tab restores.
        QTest::mouseDClick(popup, Qt::LeftButton, {}, on_popup(0));
        QVERIFY(!w.ribbon->minimised());
        QVERIFY(!w.ribbon->popup_visible());
        QCOMPARE(w.ribbon->current_index(), 0);
    }

    void narrow_window_collapses_the_last_panels() {
        RibbonWindow w;
        RibbonCategory* home = w.ribbon->add_category(QStringLiteral("ホーム"));
        QList<RibbonPanel*> panels;
        for (int i = 0; i < 4; ++i) {
            panels << home->add_panel(QStringLiteral("パネル%1").arg(i));
            for (int j = 0; j < 3; ++j)
                panels.last()->add_check_box(
                    new QAction(QStringLiteral("とても長い項目の名前をここに書きます%1").arg(j), &w.window));
        }
        QAction run(ribbon_icon(QStringLiteral("cross-run")), QStringLiteral("クロス 実行"));
        QToolButton* run_button = panels.last()->add_large_button(&run);
        w.window.resize(2000, 300);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QApplication::processEvents();
        for (RibbonPanel* panel : panels) QVERIFY(!panel->collapsed());
        const int panel_width = panels[0]->width();

        QVERIFY(panel_width > 200);
        w.window.resize(panel_width * 2 + 160, 300);  // two panels and two collapsed ones
        QApplication::processEvents();
        QVERIFY(!panels[0]->collapsed());
        QVERIFY(!panels[1]->collapsed());
        QVERIFY(panels[2]->collapsed());
        QVERIFY(panels[3]->collapsed());
        QVERIFY(!run_button->isVisible());
        QVERIFY(panels[3]->geometry().right() < w.ribbon->width());

        // The collapsed panel's button shows its elements until one is used.
        QToolButton* opener = nullptr;
        for (QToolButton* b : panels[3]->findChildren<QToolButton*>())
            if (b->isVisible()) opener = b;
        QVERIFY(opener);
        QTest::mouseClick(opener, Qt::LeftButton);
        QVERIFY(run_button->isVisible());
        QSignalSpy triggered(&run, &QAction::triggered);
        QTest::mouseClick(run_button, Qt::LeftButton);
        QCOMPARE(triggered.count(), 1);
        QVERIFY(!run_button->isVisible());
        QCOMPARE(run_button->parentWidget()->parentWidget(), panels[3]);

        w.window.resize(2000, 300);
        QApplication::processEvents();
        QVERIFY(!panels[3]->collapsed());
        QVERIFY(run_button->isVisible());
    }

    void window_can_close_with_a_popup_open() {
        auto w = std::make_unique<RibbonWindow>();
        RibbonPanel* panel = w->ribbon->add_category(QStringLiteral("ホーム"))->add_panel(QStringLiteral("処理"));
        panel->add_large_button(
            new QAction(ribbon_icon(QStringLiteral("cross-run")), QStringLiteral("クロス 実行"), &w->window));
        QVERIFY(w->show_active());
        w->ribbon->set_minimised(true);
        QTest::mouseClick(w->tabs()[0], Qt::LeftButton);
        QVERIFY(w->ribbon->popup_visible());
        w->window.resize(20, 300);  // the panel collapses inside the pop-up
        QApplication::processEvents();
        w.reset();
    }

    void set_minimised_reports_the_change_once() {
        Ribbon ribbon;
        ribbon.add_category(QStringLiteral("ホーム"));
        QSignalSpy changed(&ribbon, &Ribbon::minimised_changed);
        ribbon.set_minimised(true);
        ribbon.set_minimised(true);
        QCOMPARE(changed.count(), 1);
        ribbon.set_minimised(false);
        QCOMPARE(changed.count(), 2);
    }

    void minimised_tab_shows_its_category_until_a_command_is_chosen() {
        RibbonWindow w;
        w.ribbon->add_category(QStringLiteral("ホーム"))->add_panel(QStringLiteral("処理"));
        QAction remove_spaces(QStringLiteral("空白を削除"));
        QCheckBox* box = w.ribbon->add_category(QStringLiteral("クロス設定"))
                             ->add_panel(QStringLiteral("クロス処理時"))
                             ->add_check_box(&remove_spaces);
        QVERIFY(w.show_active());
        w.ribbon->set_minimised(true);
        QVERIFY(!box->isVisible());

        QTest::mouseClick(w.tabs()[1], Qt::LeftButton);
        QVERIFY(w.ribbon->popup_visible());
        QVERIFY(box->isVisible());
        QVERIFY(w.tabs()[1]->selected());
        QVERIFY(w.ribbon->minimised());

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(remove_spaces.isChecked());
        QVERIFY(!w.ribbon->popup_visible());
        QVERIFY(!box->isVisible());
        QVERIFY(!w.tabs()[1]->selected());
        QVERIFY(w.ribbon->minimised());
    }

    void application_menu_keeps_its_bottom_row_last() {
        Ribbon ribbon;
        QAction about(ribbon_icon(QStringLiteral("about")), QStringLiteral("バージョン情報(&A)"));
        QAction exit(ribbon_icon(QStringLiteral("exit")), QStringLiteral("テサリーの終了(&X)"));
        ribbon.application_menu()->addAction(QStringLiteral("新規作成(&N)"));
        ribbon.add_application_bottom_action(&about);
        ribbon.add_application_bottom_action(&exit);
        ribbon.application_menu()->addAction(QStringLiteral("開く(&O)..."));  // added later
        emit ribbon.application_menu()->aboutToShow();
        const QList<QAction*> actions = ribbon.application_menu()->actions();
        QCOMPARE(actions.size(), 3);
        auto* bottom = qobject_cast<QWidgetAction*>(actions.last());
        QVERIFY(bottom);
        const QList<QToolButton*> buttons = bottom->defaultWidget()->findChildren<QToolButton*>();
        QCOMPARE(buttons.size(), 2);
        QSignalSpy triggered(&exit, &QAction::triggered);
        buttons[1]->click();
        QCOMPARE(triggered.count(), 1);
    }

    void every_icon_loads() {
        register_ribbon_icons();
        QStringList names;
        QDirIterator it(QStringLiteral(":/icons"));
        while (it.hasNext()) {
            const QString path = it.next();
            names << QFileInfo(path).completeBaseName();
            QSvgRenderer renderer(path);
            QVERIFY2(renderer.isValid(), qPrintable(path));
            for (int size : {16, 32}) {
                const QPixmap pm = QIcon(path).pixmap(size, size);
                QVERIFY2(!pm.isNull(), qPrintable(path));
                const QImage image = pm.toImage();
                int opaque = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
                QVERIFY2(opaque > size * size / 8, qPrintable(path));  // a picture, not a dot
            }
        }
        for (const char* needed :
             {"app-logo",   "file-new",     "file-open",      "file-save",      "file-save-as", "file-print",
              "file-close", "settings",     "about",          "exit",           "undo",         "redo",
              "show-menu",  "help",         "align-v-centre", "align-h-centre", "align-v-even", "align-h-even",
              "align-top",  "align-bottom", "align-left",     "align-right",    "area-chart",   "area-file",
              "area-both",  "cross-run",    "panel",          "tessaly"})
            QVERIFY2(names.contains(QLatin1String(needed)), needed);
        QVERIFY(!ribbon_icon(QStringLiteral("cross-run")).pixmap(32, 32).isNull());
    }

    // The whole ribbon as the program builds it, drawn to PNG files in the
    // temporary folder to look at; it must show Japanese text.
    void full_ribbon_renders() {
        QVERIFY(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* ribbon = new Ribbon(&window);
        layout->addWidget(ribbon);
        auto* area = new QWidget(&window);
        area->setMinimumHeight(40);
        layout->addWidget(area);
        auto act = [&window](const char* icon, const QString& text, const QString& tip = QString()) {
            auto* a = new QAction(icon ? ribbon_icon(QLatin1String(icon)) : QIcon(), text, &window);
            if (!tip.isEmpty()) set_ribbon_tooltip(a, tip);
            return a;
        };

        QMenu* menu = ribbon->application_menu();
        QAction* file_new = act("file-new", QStringLiteral("新規作成(&N)"));
        QAction* file_open = act("file-open", QStringLiteral("開く(&O)..."));
        QAction* file_save = act("file-save", QStringLiteral("上書き保存(&S)"));
        QAction* file_save_as = act("file-save-as", QStringLiteral("名前を付けて保存(&A)..."));
        QAction* file_close = act("file-close", QStringLiteral("閉じる(&C)"));
        menu->addAction(file_new);
        menu->addAction(file_open);
        menu->addAction(file_save);
        menu->addAction(file_save_as);
        menu->addAction(
            act("file-print", QStringLiteral("印刷(&P)"), QStringLiteral("チャートエリアの印刷をします\n印刷")));
        menu->addSeparator();
        menu->addAction(act("settings", QStringLiteral("環境の設定(&K)")));
        ribbon->add_application_bottom_action(act("about", QStringLiteral("バージョン情報(&A)")));
        ribbon->add_application_bottom_action(act("exit", QStringLiteral("テサリーの終了(&X)")));
        for (QAction* a : {file_new, file_open, file_save, file_save_as, file_close}) ribbon->add_quick_access(a);
        ribbon->add_tab_row_action(act("undo", QStringLiteral("アンドゥ")));
        ribbon->add_tab_row_action(act("redo", QStringLiteral("リドゥ")));
        ribbon->add_tab_row_action(act("show-menu", QStringLiteral("メニュー表示/非表示")));
        ribbon->add_tab_row_action(act("help", QStringLiteral("ヘルプ")), true);

        RibbonCategory* home = ribbon->add_category(QStringLiteral("ホーム   WClick , Ctrl+F1"));
        RibbonPanel* text = home->add_panel(QStringLiteral("ノードテキスト"));
        for (const QString& caption : {QStringLiteral("名称"), QStringLiteral("内容説明"), QStringLiteral("件数"),
                                       QStringLiteral("クロスキー見本"), QStringLiteral("ファイルパス")}) {
            QAction* a = act(nullptr, caption);
            a->setCheckable(true);
            a->setChecked(caption != QStringLiteral("ファイルパス"));
            text->add_check_box(a);
        }
        text->add_combo(QStringLiteral("フォント："), font_sizes, 4, act(nullptr, QStringLiteral("フォント")))
            ->setCurrentIndex(2);
        RibbonPanel* position = home->add_panel(QStringLiteral("ノード位置"));
        int n = 0;
        for (const char* icon : {"align-v-centre", "align-h-centre", "align-v-even", "align-h-even", "align-top",
                                 "align-bottom", "align-left", "align-right"}) {
            if (n++ % 4 == 0) position->begin_group();
            QAction* a = act(icon, QString());
            a->setEnabled(n <= 2);  // one node selected: only the centring works
            position->add_small_button(a);
        }
        RibbonPanel* areas = home->add_panel(QStringLiteral("エリア切替"));
        areas->begin_group();
        for (const char* icon : {"area-chart", "area-both", "area-file"}) areas->add_small_button(act(icon, QString()));
        RibbonPanel* file_area = home->add_panel(QStringLiteral("ファイルエリア"));
        for (const QString& caption : {QStringLiteral("桁目盛りの表示"), QStringLiteral("レコード№の表示")}) {
            QAction* a = act(nullptr, caption);
            a->setCheckable(true);
            a->setChecked(true);
            file_area->add_check_box(a);
        }
        file_area->add_combo(QStringLiteral("フォント："), font_sizes, 4, act(nullptr, QStringLiteral("フォント")))
            ->setCurrentIndex(3);
        RibbonPanel* run = home->add_panel(QStringLiteral("処理"));
        run->set_centred_columns(true);
        run->add_large_button(act("cross-run", QStringLiteral("クロス 実行")));
        run->add_label_button(act(nullptr, QStringLiteral("開始時間 : 00:00:00")));
        run->add_label_button(act(nullptr, QStringLiteral("処理時間 : 00:00:00")));
        run->add_progress_bar(110, 22)->setValue(40);

        RibbonCategory* cross = ribbon->add_category(QStringLiteral("クロス設定"));
        RibbonPanel* when = cross->add_panel(QStringLiteral("クロス処理時"));
        when->set_centred_columns(true);
        for (const QString& caption :
             {QStringLiteral("空白を削除"), QStringLiteral("ハイフンを削除"), QStringLiteral("かっこ(　)を削除"),
              QStringLiteral("大文字・小文字を区別しない"), QStringLiteral("旧字体・新字体を区別しない")}) {
            QAction* a = act(nullptr, caption);
            a->setCheckable(true);
            a->setChecked(caption == QStringLiteral("空白を削除"));
            when->add_check_box(a);
        }
        when->add_separator();
        when->add_spin_box(QStringLiteral("最低重複回数："), 2, 100, 4, act(nullptr, QStringLiteral("最低重複回数")))
            ->setValue(2);
        RibbonPanel* output = cross->add_panel(QStringLiteral("クロス結果出力時"));
        for (const QString& caption :
             {QStringLiteral("ヒットの一連番号を付ける"), QStringLiteral("１ヒットごと改行する"),
              QStringLiteral("処理ダイアログを自動的に閉じる")}) {
            QAction* a = act(nullptr, caption);
            a->setCheckable(true);
            a->setChecked(caption != QStringLiteral("処理ダイアログを自動的に閉じる"));
            output->add_check_box(a);
        }

        window.resize(std::max(980, ribbon->sizeHint().width()), ribbon->sizeHint().height() + 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString folder = QDir::tempPath();
        QImage home_image = window.grab().toImage();
        QVERIFY(home_image.save(folder + QStringLiteral("/tessaly-ribbon.png")));
        ribbon->set_current_index(1);
        QVERIFY(window.grab().save(folder + QStringLiteral("/tessaly-ribbon-cross.png")));
        ribbon->set_minimised(true);
        window.layout()->activate();
        QVERIFY(window.grab().save(folder + QStringLiteral("/tessaly-ribbon-minimised.png")));
        QTest::mouseClick(ribbon->findChildren<detail::Tab*>()[0], Qt::LeftButton);
        auto* popup = ribbon->findChild<detail::Popup*>();
        QVERIFY(popup && popup->isVisible());
        QVERIFY(popup->grab().save(folder + QStringLiteral("/tessaly-ribbon-popup.png")));
        ribbon->set_minimised(false);
        window.resize(640, window.height());  // the window's first size: the last panel collapses
        QApplication::processEvents();
        QVERIFY(window.grab().save(folder + QStringLiteral("/tessaly-ribbon-narrow.png")));

        menu->adjustSize();
        QVERIFY(menu->grab().save(folder + QStringLiteral("/tessaly-ribbon-menu.png")));

        // The icons at both sizes on the ribbon's ground and on a menu's.
        QDirIterator it(QStringLiteral(":/icons"));
        QStringList paths;
        while (it.hasNext()) paths << it.next();
        paths.sort();
        QImage sheet(paths.size() * 40 + 8, 4 * 40, QImage::Format_ARGB32);
        QPainter p(&sheet);
        p.fillRect(0, 0, sheet.width(), 80, QColor(0x40, 0x42, 0x47));
        p.fillRect(0, 80, sheet.width(), 80, QColor(0xf4, 0xf5, 0xf7));
        for (int i = 0; i < paths.size(); ++i) {
            const QIcon icon(paths[i]);
            for (int band = 0; band < 2; ++band) {
                p.drawPixmap(8 + i * 40 + 8, band * 80 + 6, icon.pixmap(16, 16));
                p.drawPixmap(8 + i * 40, band * 80 + 32, icon.pixmap(32, 32));
            }
        }
        p.end();
        QVERIFY(sheet.save(folder + QStringLiteral("/tessaly-icons.png")));
        QVERIFY(home_image.width() >= 900);
    }
};

TESSALY_REGISTER_TEST(RibbonTest);

#include "ribbon_test.moc"
