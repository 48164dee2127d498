#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/about_dialog.h"
#include "app/chart_document.h"
#include "app/key_help_dialog.h"
#include "app/key_help_picture.h"
#include "app/main_window.h"
#include "app/manual_search.h"
#include "app/manual_view.h"
#include "app/manual_window.h"
#include "fake_dialogs.h"
#include "test_registry.h"

using namespace tessaly;
using namespace tessaly::app;

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QString catalogue(MessageId id) {
    const std::string_view text = message_text(id);
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// A small manual of three pages; the word "needle" stands on the second.
void write_pdf(const QString& path) {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A5));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("IPAPGothic"), 14));
    const char* pages[] = {"chapter one", "the needle is here", "chapter three"};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) writer.newPage();
        painter.drawText(QPointF(600, 1200), QString::fromUtf8(pages[i]));
    }
}

// The labels of a dialog that carry text, in the order they stand.
QStringList label_texts(const QDialog& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts << label->text();
    return texts;
}

}  // namespace

class HelpWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    FakeDialogs dialogs_;

private slots:
    void init() { dialogs_ = FakeDialogs(); }

    // The manual beside the program opens maximised as "Manual" in an
    // ordinary window beside the main one, which still takes input; F1 again
    // brings the same window back at its page. Without the manual the user
    // is told so and no window opens.
    void the_manual_opens_beside_the_program_or_is_reported_missing() {
        write_pdf(manual_path(dir_.path()));
        QCOMPARE(QFileInfo(manual_path(dir_.path())).fileName(), QString("Manual.pdf"));
        QWidget owner;
        owner.show();
        ManualWindow* window = open_manual(&owner, dialogs_, dir_.path());
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QString("Manual"));
        QVERIFY(window->windowState().testFlag(Qt::WindowMaximized));
        QCOMPARE(window->document()->pageCount(), 3);
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QVERIFY(window->isWindow());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(dialogs_.modal_runs, 0);
        QVERIFY(dialogs_.shown.empty());

        window->go_to_page(2);
        window->showMinimized();
        QCOMPARE(open_manual(&owner, dialogs_, dir_.path()), window);
        QVERIFY(window->isVisible() && !window->isMinimized());
        window->close();
        QCOMPARE(open_manual(&owner, dialogs_, dir_.path()), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->current_page(), 2);
        QCOMPARE(owner.findChildren<ManualWindow*>().size(), 1);

        QVERIFY(QFile::rename(manual_path(dir_.path()), dir_.filePath("Manual-old.pdf")));
        QCOMPARE(open_manual(nullptr, dialogs_, dir_.path()), nullptr);
        QCOMPARE(dialogs_.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(dialogs_.shown[0].text), catalogue(MessageId::ManualMissing));
        QCOMPARE(dialogs_.shown[0].style, MessageStyle::Information);
    }

    // Pages by number and by step, a search that finds its word and shows
    // it, and a fixed zoom.
    void the_manual_window_turns_pages_searches_and_zooms() {
        const QString path = dir_.filePath("reader.pdf");
        write_pdf(path);
        ManualWindow window;
        window.resize(900, 700);
        QVERIFY(window.load(path));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.page_field()->maximum(), 3);

        window.go_to_page(2);
        QCOMPARE(window.current_page(), 2);
        QCOMPARE(window.page_field()->value(), 3);
        window.page_field()->setValue(1);
        QCOMPARE(window.current_page(), 0);
        window.go_to_page(7);  // beyond the end: nothing happens
        QCOMPARE(window.current_page(), 0);

        // The first search takes the pages' text, and says it is searching
        // meanwhile; any later one is done at once.
        window.find(QStringLiteral("needle"));
        QCOMPARE(window.hit_count_text(), u(" 検索中… "));
        QTRY_COMPARE(window.search_model()->rowCount({}), 1);
        QVERIFY(!window.search_model()->searching());
        QCOMPARE(window.hit_count_text(), u(" 1 / 1 件 "));
        QTRY_COMPARE(window.view()->current_hit(), 0);
        QCOMPARE(window.current_page(), 1);
        QVERIFY(window.hit_list()->model()->index(0, 0).data().toString().startsWith(u("2ページ")));
        window.next_hit();  // one hit only: it stays the current one
        QCOMPARE(window.view()->current_hit(), 0);
        window.find(QStringLiteral("CHAPTER"));
        QCOMPARE(window.search_model()->rowCount({}), 2);
        QCOMPARE(window.hit_count_text(), u(" 1 / 2 件 "));
        QCOMPARE(window.current_page(), 0);
        QVERIFY(!window.search_model()->rectangles(1).isEmpty());

        window.choose_zoom(4);  // the third fixed size: 100 %
        QCOMPARE(window.view()->zoomMode(), QPdfView::ZoomMode::Custom);
        QCOMPARE(window.view()->zoomFactor(), 1.0);
        window.step_zoom(+1);
        QCOMPARE(window.view()->zoomFactor(), 1.25);
        window.choose_zoom(0);
        QCOMPARE(window.view()->zoomMode(), QPdfView::ZoomMode::FitToWidth);
    }

    // The version field: this build's version, then the history from the
    // newest release to the first, every line ending in CR LF.
    void the_about_box_lists_the_versions_newest_first() {
        AboutDialog about;
        QCOMPARE(about.windowTitle(), u("バージョン情報"));
        QVERIFY(label_texts(about).contains(u("テサリー\n (重複データ抽出ソフト)")));
        QVERIFY(about.history_field()->isReadOnly());
        QCOMPARE(about.history_field()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        QStringList lines = about.history_field()->toPlainText().split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.first(), program_version_line());
        QVERIFY(lines.first().contains(QStringLiteral("Tessaly")));
        const QStringList history = lines.mid(1);
        QCOMPARE(history.first(), catalogue(MessageId::Release108));
        QCOMPARE(history.last(), catalogue(MessageId::Release100));
        for (int i = 0; i < history.size(); ++i)
            QCOMPARE(history[i], catalogue(static_cast<MessageId>(static_cast<int>(MessageId::Release108) - i)));

        const QString text = version_history_text();
        QCOMPARE(text.count(QStringLiteral("\r\n")), 10);
        QCOMPARE(text.count(QLatin1Char('\n')), 10);
        QVERIFY(text.endsWith(catalogue(MessageId::Release100) + QStringLiteral("\r\n")));

        QCOMPARE(about.confirm_button()->text(), u("確認 (&Y)"));
        about.show();
        about.confirm_button()->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    // The how-to: its caption, its texts from top to bottom with the picture
    // after the first, closed by Esc.
    void the_key_help_shows_its_texts_in_order_and_closes_on_escape() {
        KeyHelpDialog help;
        QCOMPARE(help.windowTitle(), u("クロスキーのセット方法"));
        const QStringList expected = {
            u("生年月日をクロスキーにセットする場合を例に説明します。"),
            u("【キーボードによるセット】"),
            u("最初は、最左端フィールドが指定（選択）されています。"),
            u("→キーで「18」まで選択します。（右端の決定）"),
            u("Ctrlキーを押しながら　→キーで「S」を選択します。（左端の決定）"),
            u("※ ファイルエリアにフォーカスがないと、キーを押しても反応しません。"),
            u("【マウスによるセット】"),
            u("「S」から「18」まで、ドラッグ＆ドロップして選択します。"),
        };
        QCOMPARE(label_texts(help), expected);

        const QList<QLabel*> labels = help.findChildren<QLabel*>();
        QVERIFY(labels.size() > 1);
        QVERIFY(labels[0]->text() == expected.first());
        QVERIFY(labels[1]->text().isEmpty());
        QVERIFY(!labels[1]->pixmap().isNull());

        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QTest::keyClick(&help, Qt::Key_Escape);
        QVERIFY(!help.isVisible());
    }

    // The example record: seven boxed fields, the four date fields red, the
    // others black, and the red label over them.
    void the_key_help_picture_marks_the_date_fields_red() {
        const QImage picture = draw_key_help_picture();
        const auto boxes = key_help_field_boxes();
        for (int i = 0; i < kKeyHelpFieldCount; ++i) {
            QVERIFY(picture.rect().contains(boxes[i]));
            const QRgb border = picture.pixel(boxes[i].left() + 1, boxes[i].center().y());
            const bool key = i >= kKeyHelpFirstKeyField && i <= kKeyHelpLastKeyField;
            QCOMPARE(border == kKeyHelpRed, key);
            if (!key) QCOMPARE(border, qRgb(0, 0, 0));
        }
        // Above the key fields, under nothing but the label and its bracket,
        // there is red; above the name fields there is none.
        const auto red_above = [&](int field) {
            for (int y = 0; y < boxes[field].top(); ++y)
                for (int x = boxes[field].left(); x <= boxes[field].right(); ++x)
                    if (picture.pixel(x, y) == kKeyHelpRed) return true;
            return false;
        };
        for (int i = kKeyHelpFirstKeyField; i <= kKeyHelpLastKeyField; ++i) QVERIFY(red_above(i));
        QVERIFY(!red_above(0));
        QVERIFY(!red_above(6));
    }

    // F1, バージョン情報 and the file area's how-to are at hand in the main
    // window, each opening its own window.
    void the_main_window_opens_each_help_window() {
        QSettings settings(dir_.filePath("settings.ini"), QSettings::IniFormat);
        SettingsCopy copy;
        ChartDocument document(dialogs_, settings, 1280, 800);
        MainWindow window(document, settings, dialogs_, copy);
        Commands& c = window.commands();
        for (CommandId id : {CommandId::Manual, CommandId::About, CommandId::KeyHelp}) QVERIFY(c[id]->isEnabled());
        QCOMPARE(c[CommandId::Manual]->shortcut(), QKeySequence(Qt::Key_F1));

        QStringList opened;
        dialogs_.drive_modal = [&](QDialog& dialog) {
            opened << QString::fromLatin1(dialog.metaObject()->className());
            return int(QDialog::Accepted);
        };
        c[CommandId::About]->trigger();
        c[CommandId::KeyHelp]->trigger();
        QCOMPARE(opened, (QStringList{QStringLiteral("tessaly::app::AboutDialog"),
                                      QStringLiteral("tessaly::app::KeyHelpDialog")}));
    }
};

TESSALY_REGISTER_TEST(HelpWindowsTest);
#include "help_windows_test.moc"
