#include "application.h"

#include <QApplication>
#include <QFont>
#include <QScreen>

#include "chart/show_message.h"
#include "chart_document.h"
#include "main_window.h"
#include "recent_files.h"
#include "settings.h"
#include "single_instance.h"
#include "user_dialogs.h"

namespace tessaly::app {

namespace {

// The faces the program asks for by their Windows names, and what stands in
// for them here; the fixed-pitch one keeps a double-byte character exactly
// two half-width cells wide.
void substitute_fonts() {
    QFont::insertSubstitutions("Meiryo UI", {"IPAPGothic", "Noto Sans CJK JP"});
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ ゴシック"), "IPAGothic");
    QFont::insertSubstitution(QString::fromUtf8("ＭＳ Ｐゴシック"), "IPAPGothic");
}

}  // namespace

int run_application(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Varnholt");
    QApplication::setApplicationName("Tessaly");
    QtUserDialogs dialogs;

    SingleInstance instance;
    if (!instance.acquire()) {
        show_message(dialogs, "", 30042, MessageStyle::Stop);
        return 1;
    }

    substitute_fonts();
    QApplication::setFont(QFont("Meiryo UI", 9));
    std::unique_ptr<QSettings> settings = open_settings();

    const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
    ChartDocument document(dialogs, *settings, desktop.width(), desktop.height());
    SettingsCopy copy;
    MainWindow window(document, *settings, dialogs, copy);
    dialogs.set_owner(&window);
    window.restore_placement(desktop.width(), desktop.height());

    const QStringList arguments = QApplication::arguments().mid(1);
    if (!arguments.isEmpty()) {
        document.open(arguments.first());
    } else {
        window.commands()[57600]->trigger();
    }

    if (setting(*settings, "Last/Zoomed") == 1) window.showMaximized();
    else window.show();

    copy = read_settings_copy(*settings);
    if (setting(*settings, "KanSet/LastOpen") == 1) {
        const QStringList recent = recent_files(*settings);
        if (!recent.isEmpty()) document.open(recent.first());
    }
    return QApplication::exec();
}

}  // namespace tessaly::app
