#include <cstring>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/node_properties_dialog.h"
#include "fake_desktop.h"
#include "fake_dialogs.h"
#include "test_registry.h"
#include "text/cp932.h"

using namespace tessaly;
using namespace tessaly::app;

namespace {

std::string cp(const char* utf8) { return cp932::literal(utf8); }
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

// Text as an input method hands it over when the user confirms it.
void commit(QWidget* field, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(field, &event);
}

QString repeated(const char* piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i) text += u(piece);
    return text;
}

}  // namespace

class NodePropertiesDialogTest : public QObject {
    Q_OBJECT

    FakeDialogs dialogs_;
    FakeDesktop desktop_;
    Chart chart_;

    // Three source nodes with their own titles, descriptions and start
    // records; the second is the primary node.
    void three_nodes() {
        for (int i = 0; i < 3; ++i) {
            const std::string path = "/data/in/file" + std::to_string(i) + ".csv";
            QVERIFY(add_node(chart_, path, {100 * i, 50}, 1.0, kSourceNode, cp("名簿") + std::to_string(i), 10 + i));
            cp932::copy_to_field(chart_.nodes.back().description, cp("説明") + std::to_string(i));
            chart_.nodes.back().start_record = 1;
            chart_.nodes.back().rect = Rect{100 * i, 50, 100 * i + 81, 50 + 40};
        }
        chart_.primary_node = 1;
    }

    void select(std::initializer_list<int> nodes) {
        for (NodeState& state : chart_.node_states) state.selected = 0;
        for (int k : nodes) chart_.node_states[static_cast<std::size_t>(k)].selected = 1;
    }

    NodeProperties primary() { return *node_properties_of(chart_); }

    std::string last_message() const { return dialogs_.shown.empty() ? std::string() : dialogs_.shown.back().text; }

private slots:
    void init() {
        dialogs_ = FakeDialogs();
        desktop_ = FakeDesktop();
        chart_.reset(1200, 900);
    }

    void the_title_limit_is_fifty_bytes_of_double_byte_text() {
        three_nodes();
        select({1});
        {
            NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
            dialog.title_field()->setText(repeated("あ", 25));
            QCOMPARE(dialog.title_counter()->text(), u("(50/50バイト)"));
            QVERIFY(dialog.try_accept());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.values().title, cp932::literal(repeated("あ", 25).toStdString()));
            QVERIFY(dialogs_.shown.empty());
        }
        {
            NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
            dialog.title_field()->setText(repeated("あ", 26));
            QCOMPARE(dialog.title_counter()->text(), u("(52/50バイト)"));
            QVERIFY(!dialog.try_accept());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(last_message(), std::string("文字数が既定の長さを超えています"));
            QCOMPARE(dialogs_.shown.back().style, MessageStyle::Stop);
            QCOMPARE(dialog.focusWidget(), dialog.title_field());
            QCOMPARE(dialog.values().title, cp("名簿1"));  // nothing taken over
        }
    }

    void with_three_selected_the_start_record_goes_to_all_and_the_texts_to_the_primary_only() {
        three_nodes();
        select({0, 1, 2});
        const bool changed = edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                [&] {
                    QCOMPARE(d.windowTitle(), u("ノードのプロパティ (3)"));
                    QVERIFY(!d.applies_to_all_label()->isHidden());
                    QCOMPARE(d.applies_to_all_label()->text(), u("【この項目のみ、全選択ノードに適用】"));
                }();
                d.start_record_field()->setValue(4);
                d.title_field()->setText(u("会員名簿"));
                d.description_field()->setPlainText(u("二〇二四年分"));
                return d.try_accept();
            },
            dialogs_, desktop_, chart_);
        QVERIFY(changed);
        for (const NodeRecord& node : chart_.nodes) QCOMPARE(int(node.start_record), 4);
        QCOMPARE(cp932::field_text(chart_.nodes[1].title), cp("会員名簿"));
        QCOMPARE(cp932::field_text(chart_.nodes[1].description), cp("二〇二四年分"));
        QCOMPARE(cp932::field_text(chart_.nodes[0].title), cp("名簿0"));
        QCOMPARE(cp932::field_text(chart_.nodes[2].description), cp("説明2"));
        // The edited node's box shrinks to its centre, to be measured anew.
        QCOMPARE(chart_.nodes[1].rect, (Rect{140, 70, 140, 70}));
        QCOMPARE(chart_.nodes[0].rect, (Rect{0, 50, 81, 90}));
    }

    void with_one_selected_only_the_primary_node_changes() {
        three_nodes();
        select({1});
        const bool changed = edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                [&] {
                    QCOMPARE(d.windowTitle(), u("ノードのプロパティ"));
                    QVERIFY(d.applies_to_all_label()->isHidden());
                }();
                d.start_record_field()->setValue(10);
                return d.try_accept();
            },
            dialogs_, desktop_, chart_);
        QVERIFY(changed);
        QCOMPARE(int(chart_.nodes[0].start_record), 1);
        QCOMPARE(int(chart_.nodes[1].start_record), 10);
        QCOMPARE(int(chart_.nodes[2].start_record), 1);
        QCOMPARE(cp932::field_text(chart_.nodes[1].title), cp("名簿1"));  // untouched text kept
    }

    void the_edited_node_takes_the_start_record_even_when_not_selected() {
        three_nodes();
        select({0, 2});
        NodeProperties values = primary();
        values.start_record = 7;
        write_back(chart_, values);
        QCOMPARE(int(chart_.nodes[0].start_record), 7);
        QCOMPARE(int(chart_.nodes[1].start_record), 7);
        QCOMPARE(int(chart_.nodes[2].start_record), 7);
    }

    void without_a_primary_node_nothing_opens() {
        three_nodes();
        chart_.primary_node = -1;
        bool opened = false;
        const bool changed = edit_node_properties_with(
            [&opened](NodePropertiesDialog&) {
                opened = true;
                return true;
            },
            dialogs_, desktop_, chart_);
        QVERIFY(!opened);
        QVERIFY(!changed);
    }

    void closing_changes_nothing() {
        three_nodes();
        select({0, 1, 2});
        const std::vector<NodeRecord> before = chart_.nodes;
        const bool changed = edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                d.title_field()->setText(u("別名"));
                d.start_record_field()->setValue(9);
                d.close_button()->click();
                return d.result() == QDialog::Accepted;
            },
            dialogs_, desktop_, chart_);
        QVERIFY(!changed);
        QCOMPARE(std::memcmp(before.data(), chart_.nodes.data(), before.size() * sizeof(NodeRecord)), 0);
    }

    void a_node_shows_its_kind_sample_path_and_count() {
        QVERIFY(
            add_node(chart_, "/data/out/CROSS0001.csv", {300, 300}, 1.0, kResultNode, next_result_title(chart_), 57));
        cp932::copy_to_field(chart_.nodes[0].key_sample, cp("山田太郎,東京都"));
        QVERIFY(add_node(chart_, cp("/data/in/会員.csv"), {100, 100}, 1.0, kSourceNode, cp("会員"), 1234));
        chart_.primary_node = 0;
        {
            NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
            QCOMPARE(dialog.kind_label()->text(), u("クロス結果"));
            QCOMPARE(dialog.record_count_label()->text(), u("57 ヒット"));
            QCOMPARE(dialog.title_field()->text(), u("クロス結果 1"));
            QCOMPARE(dialog.key_sample_field()->toPlainText(), u("山田太郎,東京都"));
            QVERIFY(dialog.key_sample_field()->isReadOnly());
            QCOMPARE(dialog.path_field()->text(), u("/data/out/CROSS0001.csv"));
            QVERIFY(dialog.path_field()->isReadOnly());
            QCOMPARE(dialog.description_counter()->text(), u("(6/500バイト)"));  // 未設定
        }
        chart_.primary_node = 1;
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        QCOMPARE(dialog.kind_label()->text(), u("クロス原本"));
        QCOMPARE(dialog.record_count_label()->text(), u("1234 レコード"));
        QCOMPARE(dialog.path_field()->text(), u("/data/in/会員.csv"));
        QCOMPARE(dialog.start_record_field()->value(), 1);
    }

    void the_counters_follow_every_keystroke_beyond_the_limit() {
        three_nodes();
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        dialog.title_field()->clear();
        QCOMPARE(dialog.title_counter()->text(), u("(0/50バイト)"));
        for (int i = 1; i <= 55; ++i) {
            QTest::keyClick(dialog.title_field(), Qt::Key_A);
            QCOMPARE(dialog.title_counter()->text(), QString::asprintf("(%d/50", i) + u("バイト)"));
        }
        commit(dialog.title_field(), u("あ"));  // a double-byte character through the input method
        commit(dialog.title_field(), u("ｱ"));   // a half-width one
        QCOMPARE(dialog.title_counter()->text(), u("(58/50バイト)"));
        QTest::keyClick(dialog.title_field(), Qt::Key_Backspace);
        QCOMPARE(dialog.title_counter()->text(), u("(57/50バイト)"));

        dialog.description_field()->clear();
        commit(dialog.description_field(), u("一行目"));
        QCOMPARE(dialog.description_counter()->text(), u("(6/500バイト)"));
        QTest::keyClick(dialog.description_field(), Qt::Key_Return);  // a line break is "\r\n" in the node
        QCOMPARE(dialog.description_counter()->text(), u("(8/500バイト)"));
        QTest::keyClicks(dialog.description_field(), u("x"));
        QCOMPARE(dialog.description_counter()->text(), u("(9/500バイト)"));
    }

    void the_description_may_be_emptied_and_keeps_windows_line_breaks() {
        three_nodes();
        edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                d.description_field()->clear();
                return d.try_accept();
            },
            dialogs_, desktop_, chart_);
        QVERIFY(dialogs_.shown.empty());
        QCOMPARE(cp932::field_text(chart_.nodes[1].description), std::string_view());

        cp932::copy_to_field(chart_.nodes[1].description, cp("上\r\n下"));
        edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                [&] {
                    QCOMPARE(d.description_field()->toPlainText(), u("上\n下"));
                    QCOMPARE(d.description_counter()->text(), u("(6/500バイト)"));
                }();
                d.description_field()->setPlainText(u("左\n右\n"));
                return d.try_accept();
            },
            dialogs_, desktop_, chart_);
        QCOMPARE(cp932::field_text(chart_.nodes[1].description), cp("左\r\n右\r\n"));
    }

    void the_description_limit_is_five_hundred_bytes() {
        three_nodes();
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        dialog.description_field()->setPlainText(repeated("漢", 250));
        QVERIFY(dialog.try_accept());
        QCOMPARE(dialog.values().description.size(), size_t(500));

        NodePropertiesDialog longer(primary(), dialogs_, desktop_);
        longer.description_field()->setPlainText(repeated("漢", 250) + u("x"));
        QCOMPARE(longer.description_counter()->text(), u("(501/500バイト)"));
        QVERIFY(!longer.try_accept());
        QCOMPARE(last_message(), std::string("文字数が既定の長さを超えています"));
        QCOMPARE(longer.focusWidget(), longer.description_field());
    }

    void the_checks_run_in_order_and_each_keeps_the_dialog_open() {
        three_nodes();
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        dialog.start_record_field()->setValue(11);  // typed: the arrows would stop at 10
        dialog.title_field()->clear();
        dialog.description_field()->setPlainText(repeated("x", 501));

        QVERIFY(!dialog.try_accept());
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(last_message(), std::string("値が範囲内にありません"));
        QCOMPARE(dialogs_.shown.back().style, MessageStyle::Stop);
        QCOMPARE(dialog.focusWidget(), dialog.start_record_field());

        dialog.start_record_field()->setValue(0);
        QVERIFY(!dialog.try_accept());
        QCOMPARE(last_message(), std::string("値が範囲内にありません"));

        dialog.start_record_field()->setValue(10);
        QVERIFY(!dialog.try_accept());
        QCOMPARE(last_message(), std::string("テキストが入力されていません"));
        QCOMPARE(dialogs_.shown.back().style, MessageStyle::Stop);
        QCOMPARE(dialog.focusWidget(), dialog.title_field());

        dialog.title_field()->setText(u("名前"));
        QVERIFY(!dialog.try_accept());
        QCOMPARE(last_message(), std::string("文字数が既定の長さを超えています"));
        QCOMPARE(dialog.focusWidget(), dialog.description_field());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialogs_.shown.size(), size_t(4));
        QCOMPARE(int(dialog.values().start_record), 1);
    }

    void the_arrows_keep_the_start_record_in_range() {
        three_nodes();
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        dialog.start_record_field()->stepBy(-3);
        QCOMPARE(dialog.start_record_field()->value(), 1);
        dialog.start_record_field()->stepBy(20);
        QCOMPARE(dialog.start_record_field()->value(), 10);
    }

    void text_that_cp932_cannot_hold_is_refused_not_stored_wrong() {
        three_nodes();
        const std::vector<NodeRecord> before = chart_.nodes;
        const bool changed = edit_node_properties_with(
            [](NodePropertiesDialog& d) {
                d.title_field()->setText(u("김 名簿 😀김"));
                const bool title_taken = d.try_accept();
                [&] { QCOMPARE(d.focusWidget(), d.title_field()); }();
                d.title_field()->setText(u("名簿"));
                d.description_field()->setPlainText(u("①②ⅲ 한"));
                return title_taken || d.try_accept();
            },
            dialogs_, desktop_, chart_);
        QVERIFY(!changed);
        QCOMPARE(dialogs_.shown.size(), size_t(2));
        // The offending characters are named above the text.
        QCOMPARE(dialogs_.shown[0].text, std::string("「김😀」\n文字数が既定の長さを超えています"));
        QCOMPARE(dialogs_.shown[1].text, std::string("「한」\n文字数が既定の長さを超えています"));
        QCOMPARE(std::memcmp(before.data(), chart_.nodes.data(), before.size() * sizeof(NodeRecord)), 0);
    }

    void bytes_left_untouched_are_kept_as_they_were() {
        three_nodes();
        // A lone lead byte and a character whose code has two cp932 forms
        // (NEC's and IBM's): converting back and forth would change both.
        const std::string title = cp("名") + "\xED\x40" + "\x81";
        cp932::copy_to_field(chart_.nodes[1].title, title);
        QVERIFY(edit_node_properties_with([](NodePropertiesDialog& d) { return d.try_accept(); }, dialogs_, desktop_,
                                          chart_));
        QVERIFY(dialogs_.shown.empty());
        QCOMPARE(cp932::field_text(chart_.nodes[1].title), std::string_view(title));
    }

    void the_folder_button_shows_the_folder_of_the_file() {
        three_nodes();
        NodePropertiesDialog dialog(primary(), dialogs_, desktop_);
        dialog.folder_button()->click();
        QCOMPARE(desktop_.folders, QStringList{u("/data/in")});
        QVERIFY(dialogs_.shown.empty());

        desktop_.succeeds = false;
        dialog.folder_button()->click();
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(last_message(), std::string("エクスプローラの起動に失敗しました"));
        QCOMPARE(dialogs_.shown.back().style, MessageStyle::Stop);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));  // the dialog stays

        QCOMPARE(folder_of(u("/top.csv")), u("/"));
        QCOMPARE(folder_of(u("/data/日本/a.csv")), u("/data/日本"));
        QCOMPARE(folder_of(u("a.csv")), QString());
    }
};

TESSALY_REGISTER_TEST(NodePropertiesDialogTest);
#include "node_properties_dialog_test.moc"
