#include "app/application.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLocale>
#include <QScreen>
#include <csignal>
#include <cstdio>

#include "app/command_line.h"
#include "app/recent_files.h"
#include "app/single_instance.h"
#include "app/style.h"
#include "app/translations.h"
#include "print/stored_print.h"
#include "ribbon/ribbon.h"
#include "shell/settings.h"
#include "text/printable.h"
#include "text/show_message.h"

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

// A run without a window tells its failures on the standard error, control
// bytes in the names it quotes escaped (the message's own lines kept).
class ErrorStreamMessages : public MessagePresenter {
public:
    int present(const std::string& text, MessageStyle) override {
        std::fprintf(stderr, "%s\n", escape_controls_keeping_lines(text).c_str());
        return kAnswerNo;
    }
};

// tessaly --print-pdf OUT.pdf CHART.tsy: the chart printed to a PDF file with
// the stored print settings, and nothing shown. It needs no display, and it
// leaves the single-instance lock alone so that it can run beside a window.
int print_pdf(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Varnholt");
    QApplication::setApplicationName("Tessaly");
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "%s\n", "使い方: tessaly --print-pdf 出力.pdf チャート.tsy");
        return 1;
    }
    substitute_fonts();
    ErrorStreamMessages messages;
    const std::unique_ptr<QSettings> settings = open_settings(messages);
    return print::print_chart_file_to_pdf(*settings, arguments[3], arguments[2], messages) ? 0 : 1;
}

}  // namespace

Application::Application(QSettings& settings, UserDialogs& dialogs, QSize desktop)
    : settings_(settings), dialogs_(dialogs), desktop_(desktop) {
    store_default_result_folder(settings_);
    document_ = std::make_unique<ChartDocument>(dialogs_, settings_, desktop_.width(), desktop_.height());
    window_ = std::make_unique<MainWindow>(*document_, settings_, dialogs_, copy_);
    window_->restore_placement(desktop_.width(), desktop_.height());
}

void Application::start(const QStringList& arguments) {
    if (!arguments.isEmpty())
        document_->open(arguments.first());
    else
        window_->commands()[CommandId::NewChart]->trigger();

    if (setting(settings_, Setting::WindowMaximised) == 1)
        window_->showMaximized();
    else
        window_->show();

    copy_ = read_settings_copy(settings_);
    // Opening a chart puts it first in the list, so a chart given on the
    // command line is the one opened here as well.
    if (setting(settings_, Setting::OpenLastChart) == 1) {
        const QStringList recent = recent_files(settings_);
        if (!recent.isEmpty()) document_->open(recent.first());
    }
    window_->printer_settings() = print::init_printer_defaults(settings_);
}

void Application::open_from_later_start(const QString& path) {
    if (window_->isMinimized()) window_->showNormal();
    window_->raise();
    window_->activateWindow();
    if (!path.isEmpty() && document_->may_discard()) document_->open(path);
}

int run_application(int argc, char** argv) {
    // A write beyond the file size limit fails with EFBIG and is reported
    // (WriteFailed) instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    const CommandLine line = parse_command_line(argc, argv);
    if (line.mode == CommandLine::Mode::PrintPdf) return print_pdf(argc, argv);
    if (line.mode != CommandLine::Mode::Window) return answer_without_window(line);
    // Qt sees only the program's name: the arguments are read above, and a
    // chart whose name looks like one of Qt's options stays a chart.
    static int qt_argc = 1;
    QApplication application(qt_argc, argv);
    QApplication::setOrganizationName("Varnholt");
    QApplication::setApplicationName("Tessaly");
    install_japanese_qt_texts();
    // Dates and numbers in Qt's own dialogs as the rest of the program reads.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QtUserDialogs dialogs;

    SingleInstance instance;
    if (!instance.acquire()) {
        // Tessaly runs already: it opens the chart of this start instead.
        const QString chart =
            line.chart.empty() ? QString() : QFileInfo(QFile::decodeName(line.chart.c_str())).absoluteFilePath();
        if (instance.hand_over(chart)) return 0;
        show_message(dialogs, "", MessageId::AlreadyRunning, MessageStyle::Stop);
        return 1;
    }
    if (instance.unguarded()) show_message(dialogs, {}, MessageId::NoPrivateFolder);

    QApplication::setWindowIcon(ribbon::ribbon_icon(QStringLiteral("tessaly")));
    substitute_fonts();
    QApplication::setFont(QFont("Meiryo UI", 9));
    std::unique_ptr<QSettings> settings = open_settings(dialogs);
    const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
    Application tessaly(*settings, dialogs, desktop);
    apply_frame_style(tessaly.window());
    dialogs.set_owner(&tessaly.window());
    tessaly.start(line.chart.empty() ? QStringList() : QStringList{QFile::decodeName(line.chart.c_str())});
    QObject::connect(&instance, &SingleInstance::chart_requested, &tessaly.window(),
                     [&tessaly](const QString& path) { tessaly.open_from_later_start(path); });
    return QApplication::exec();
}

}  // namespace tessaly::app
