// tessaly-doc-shots PICTURES SAMPLES
// tessaly-doc-shots --manual PICTURES FOLDER
//
// Makes the pictures of the manual from the program itself: the main window
// on two member lists from SAMPLES, a cross from start to end, the ribbon,
// the menus and the dialogs, each saved as a PNG in PICTURES. With --manual
// it photographs the manual window reading FOLDER/Manual.pdf. Everything is
// drawn offscreen, at a fixed size and in a fixed order, so that the same
// program makes the same pictures.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QSettings>
#include <QSplitter>

#include "app/application.h"
#include "app/cross_dialog.h"
#include "app/key_help_dialog.h"
#include "app/main_window.h"
#include "app/manual_search.h"
#include "app/manual_window.h"
#include "app/style.h"
#include "app/translations.h"
#include "filearea/file_area.h"
#include "preview/preview_layout.h"
#include "ribbon/ribbon.h"
#include "shell/settings.h"
#include "shot_dialogs.h"
#include "view/chart_view.h"

using namespace tessaly;
using namespace tessaly::app;
using namespace tessaly::shots;

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

constexpr QSize kWindowSize(1152, 720);
constexpr int kChartWidth = 520;

// The faces the program asks for, as it starts (application.cpp).
void use_program_fonts() {
    QFont::insertSubstitutions("Meiryo UI", {"IPAPGothic", "Noto Sans CJK JP"});
    QFont::insertSubstitution(u("ＭＳ ゴシック"), "IPAGothic");
    QFont::insertSubstitution(u("ＭＳ Ｐゴシック"), "IPAPGothic");
    QApplication::setFont(QFont("Meiryo UI", 9));
}

class Pictures {
public:
    explicit Pictures(QString folder) : folder_(std::move(folder)) {}
    void save(const QString& name, const QPixmap& picture) {
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        if (!picture.save(path)) {
            std::fprintf(stderr, "tessaly-doc-shots: cannot write %s\n", qPrintable(path));
            failed_ = true;
        }
    }
    void save(const QString& name, QWidget& widget) {
        settle();
        save(name, widget.grab());
    }
    bool failed() const { return failed_; }

private:
    QString folder_;
    bool failed_ = false;
};

// A window of the program's own, as the user first sees it: shown, laid
// out, photographed, then closed as with its close box.
int photograph(Pictures& pictures, const QString& name, QDialog& dialog) {
    dialog.show();
    settle();
    pictures.save(name, dialog);
    dialog.hide();
    return QDialog::Rejected;
}

void key(QWidget* target, Qt::Key which, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, which, modifiers);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, which, modifiers);
    QApplication::sendEvent(target, &release);
}

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// The menu that a right click at a window point of the chart opens.
QMenu* right_click_chart(MainWindow& window, QPoint at) {
    mouse(window.chart_view()->viewport(), QEvent::MouseButtonRelease, at, Qt::RightButton);
    settle();
    return window.chart_menu();
}

// Where a node's centre stands in the chart area's window.
QPoint node_centre(const Chart& chart, int node) {
    const Rect& r = chart.nodes[node].rect;
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Marks a cross key with the mouse as a user does: a drag across the
// fields on a record row (from 1, the first row shown).
void drag_key(filearea::FileArea* area, int row, int first_field, int last_field) {
    const PreviewMetrics m = area->metrics();
    const int y = text_top(m) + (row - 1) * m.char_height + m.char_height / 2;
    const auto x_of = [&](int field) {
        for (int x = 0; x < area->viewport()->width(); x += std::max(m.char_width / 2, 1))
            if (area->field_at(QPoint(x, y)) == field) return x + m.char_width;
        return -1;
    };
    const int from = x_of(first_field);
    const int to = x_of(last_field);
    if (from < 0 || to < 0) return;
    QWidget* pane = area->viewport();
    mouse(pane, QEvent::MouseButtonPress, QPoint(from, y), Qt::LeftButton);
    for (int x = from; x <= to; x += m.char_width) {
        QMouseEvent move(QEvent::MouseMove, QPoint(x, y), pane->mapToGlobal(QPoint(x, y)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(pane, &move);
    }
    mouse(pane, QEvent::MouseButtonRelease, QPoint(to, y), Qt::LeftButton);
}

// Copies a sample list under the name a user's file might have.
bool copy_sample(const QString& from, const QString& to) {
    QFile::remove(to);
    return QFile::copy(from, to);
}

int make_program_pictures(const QString& folder, const QString& samples) {
    Pictures pictures(folder);
    QDir work(folder + QStringLiteral("-work"));
    work.removeRecursively();
    work.mkpath(QStringLiteral("results"));
    const QString members = work.filePath(u("会員名簿A.csv"));
    const QString customers = work.filePath(u("顧客名簿B.csv"));
    if (!copy_sample(QDir(samples).filePath("members-a.csv"), members) ||
        !copy_sample(QDir(samples).filePath("customers-b.csv"), customers)) {
        std::fprintf(stderr, "tessaly-doc-shots: no sample lists in %s\n", qPrintable(samples));
        return 1;
    }

    // Settings of a first start, with the result folder chosen and without
    // the comets, which no still picture can show.
    QSettings settings(work.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    settings.clear();
    settings.setValue("KanSet/FolderPath", work.filePath(QStringLiteral("results")));
    settings.setValue("KanSet/PlayAnime", 0);
    settings.setValue("Last/cxCur1", kChartWidth);
    settings.setValue("Last/SX", kWindowSize.width());
    settings.setValue("Last/SY", kWindowSize.height());

    ShotDialogs dialogs;
    dialogs.save = [&](const QString& name, const QPixmap& picture) { pictures.save(name, picture); };
    Application tessaly(settings, dialogs, QSize(1920, 1080));
    MainWindow& window = tessaly.window();
    apply_frame_style(&window);
    tessaly.start({});
    window.resize(kWindowSize);
    window.splitter()->setSizes({kChartWidth, kWindowSize.width() - kChartWidth});
    Chart& chart = tessaly.document().chart();
    Commands& c = window.commands();
    pictures.save(QStringLiteral("window-empty"), window);

    // Two member lists dropped onto the chart, the second with a heading
    // line, so that it is read from its second record.
    view::ChartView* view = window.chart_view();
    view->drop_files({members}, QPoint(170, 200));
    view->drop_files({customers}, QPoint(385, 290));
    settle();
    if (chart.node_count() != 2) {
        std::fprintf(stderr, "tessaly-doc-shots: the sample lists were not placed\n");
        return 1;
    }
    chart.nodes[1].start_record = 2;

    // The cross key of each, name and birth date: on the second list with
    // the mouse, across the first record under its heading line; on the
    // first with the keys as the how-to says (→ three times for the right
    // end, Ctrl+→ twice for the left end).
    filearea::FileArea* area = window.file_area();
    mouse(view->viewport(), QEvent::MouseButtonDblClick, node_centre(chart, 1), Qt::LeftButton);
    settle();
    drag_key(area, 2, 1, 2);
    mouse(view->viewport(), QEvent::MouseButtonDblClick, node_centre(chart, 0), Qt::LeftButton);
    settle();
    area->setFocus();
    for (int i = 0; i < 3; ++i) key(area, Qt::Key_Right);
    for (int i = 0; i < 2; ++i) key(area, Qt::Key_Right, Qt::ControlModifier);
    c[CommandId::StartTime]->trigger();  // the start time back to 00:00:00
    window.status().set_info_text({});   // the pointer has moved on: no guide
    pictures.save(QStringLiteral("window-key"), window);
    // The top of the file area: the ruler, the record numbers and the red
    // key on the first records.
    settle();
    const QPixmap file_area = area->grab();
    pictures.save(QStringLiteral("file-area"),
                  file_area.copy(0, 0, file_area.width(), std::min(file_area.height(), 300)));
    if (QMenu* menu = area->make_context_menu().release()) {
        menu->popup(area->mapToGlobal(QPoint(200, 120)));
        pictures.save(QStringLiteral("menu-file-area"), *menu);
        menu->hide();
        delete menu;
    }

    // Both selected, crossed from the chart's menu below them: the
    // confirmation, the progress dialog at its end, the result.
    c[CommandId::SelectAllNodes]->trigger();
    QMenu* view_menu = right_click_chart(window, QPoint(250, 470));
    if (view_menu) {
        pictures.save(QStringLiteral("menu-view"), *view_menu);
        view_menu->hide();
    }
    dialogs.message_picture = [] { return QStringLiteral("cross-confirm"); };
    dialogs.window_step = [&](QDialog& dialog) {
        auto* cross = qobject_cast<CrossDialog*>(&dialog);
        if (!cross) return int(QDialog::Rejected);
        cross->show();
        settle();
        cross->run_cross();
        cross->show();
        pictures.save(QStringLiteral("cross-progress"), *cross);
        cross->hide();
        return int(QDialog::Accepted);
    };
    c[CommandId::CrossHere]->trigger();
    dialogs.message_picture = nullptr;
    settle();
    if (chart.node_count() != 3) {
        std::fprintf(stderr, "tessaly-doc-shots: the cross made no result node\n");
        return 1;
    }
    c[CommandId::StartTime]->trigger();
    c[CommandId::ElapsedTime]->trigger();
    pictures.save(QStringLiteral("window-result"), window);
    const QPixmap chart_area = view->grab();
    pictures.save(QStringLiteral("zoom-console"), chart_area.copy(0, 0, 170, 170));

    ribbon::Ribbon* ribbon = window.ribbon().ribbon;
    pictures.save(QStringLiteral("ribbon-home"), *ribbon);
    ribbon->set_current_index(1);
    pictures.save(QStringLiteral("ribbon-cross"), *ribbon);
    ribbon->set_current_index(0);
    QMenu* application_menu = ribbon->application_menu();
    application_menu->popup(window.mapToGlobal(QPoint(0, 26)));
    pictures.save(QStringLiteral("menu-application"), *application_menu);
    application_menu->hide();

    // The menus of a node and of the zoom console; the node alone selected,
    // as after a click beside the nodes and a right click on it.
    mouse(view->viewport(), QEvent::MouseButtonPress, QPoint(470, 560), Qt::LeftButton);
    mouse(view->viewport(), QEvent::MouseButtonRelease, QPoint(470, 560), Qt::LeftButton);
    if (QMenu* node_menu = right_click_chart(window, node_centre(chart, 0))) {
        pictures.save(QStringLiteral("menu-node"), *node_menu);
        node_menu->hide();
    }
    if (QMenu* zoom_menu = right_click_chart(window, QPoint(79, 79))) {
        pictures.save(QStringLiteral("menu-zoom"), *zoom_menu);
        zoom_menu->hide();
    }

    // The dialogs, each as it opens.
    const auto photograph_as = [&](const QString& name) {
        return [&pictures, name](QDialog& dialog) { return photograph(pictures, name, dialog); };
    };
    // The summary of the cross, from the result node's menu.
    if (QMenu* result_menu = right_click_chart(window, node_centre(chart, 2))) {
        result_menu->hide();
        dialogs.window_step = photograph_as(QStringLiteral("cross-summary"));
        c[CommandId::ResultSummary]->trigger();
    }
    // Back to the first list, alone selected, for its properties.
    mouse(view->viewport(), QEvent::MouseButtonPress, QPoint(470, 560), Qt::LeftButton);
    mouse(view->viewport(), QEvent::MouseButtonRelease, QPoint(470, 560), Qt::LeftButton);
    if (QMenu* node_menu = right_click_chart(window, node_centre(chart, 0))) node_menu->hide();
    dialogs.window_step = photograph_as(QStringLiteral("node-properties"));
    c[CommandId::NodeProperties]->trigger();  // the first list, right-clicked above
    dialogs.window_step = photograph_as(QStringLiteral("settings-dialog"));
    c[CommandId::Settings]->trigger();
    // Printing, in a program that has it.
    if (c[CommandId::Print]->isEnabled()) {
        dialogs.window_step = photograph_as(QStringLiteral("print-dialog"));
        c[CommandId::Print]->trigger();
    }
    dialogs.window_step = photograph_as(QStringLiteral("about-box"));
    c[CommandId::About]->trigger();
    dialogs.window_step = photograph_as(QStringLiteral("key-help"));
    c[CommandId::KeyHelp]->trigger();
    dialogs.window_step = nullptr;

    tessaly.document().set_modified(false);
    window.close();
    return pictures.failed() ? 1 : 0;
}

// The manual window on the manual itself: at the chapter of the main road
// with the chapters at the side, then searching for a word.
int make_manual_picture(const QString& folder, const QString& manual_folder) {
    Pictures pictures(folder);
    ShotDialogs dialogs;
    dialogs.save = [&](const QString& name, const QPixmap& picture) { pictures.save(name, picture); };
    const std::unique_ptr<ManualWindow> manual(open_manual(nullptr, dialogs, manual_folder));
    if (!manual) {
        std::fprintf(stderr, "tessaly-doc-shots: no manual in %s\n", qPrintable(manual_folder));
        return 1;
    }
    manual->setWindowState(Qt::WindowNoState);
    manual->resize(kWindowSize);
    manual->show();
    settle(200);
    manual->show_chapter(u("基本"));
    // The pages' pictures are made in the background.
    settle(1200);
    pictures.save(QStringLiteral("manual-window"), *manual);
    manual->find(u("クロスキー"));
    while (manual->search_model()->searching()) settle(50);
    settle(500);
    pictures.save(QStringLiteral("manual-search"), *manual);
    return pictures.failed() ? 1 : 0;
}

}  // namespace

// Qt's notes about the offscreen screen and the PDF search are no news to
// whoever builds the manual; only real trouble is shown.
static void only_trouble(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char** argv) {
    // Pictures are drawn, never shown: the same on every machine, with or
    // without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(only_trouble);
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Varnholt");
    QApplication::setApplicationName("Tessaly");
    install_japanese_qt_texts();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    use_program_fonts();
    // The program's icon, where the program has one of its own.
    ribbon::register_ribbon_icons();
    if (QFile::exists(QStringLiteral(":/icons/tessaly.svg")))
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tessaly.svg")));

    const QStringList arguments = QApplication::arguments().mid(1);
    // The paths the pictures show are the same from wherever it is run.
    const auto absolute = [](const QString& path) { return QDir(path).absolutePath(); };
    if (arguments.size() == 3 && arguments[0] == QStringLiteral("--manual"))
        return make_manual_picture(absolute(arguments[1]), absolute(arguments[2]));
    if (arguments.size() == 2) return make_program_pictures(absolute(arguments[0]), absolute(arguments[1]));
    std::fprintf(stderr,
                 "usage: tessaly-doc-shots PICTURES SAMPLES\n"
                 "       tessaly-doc-shots --manual PICTURES FOLDER\n");
    return 2;
}
