#pragma once

#include <memory>

#include <QSettings>
#include <QSize>
#include <QStringList>

#include "app/chart_document.h"
#include "app/main_window.h"
#include "shell/user_dialogs.h"

namespace tessaly::app {

// The running program: its document, its main window and the settings copy,
// started in the order the program has always followed.
class Application {
public:
    Application(QSettings& settings, UserDialogs& dialogs, QSize desktop);

    // Carries out the command line (a chart to open, or a new chart), shows
    // the window (maximised when it was), loads the settings copy and, when
    // asked to, reopens the last chart.
    void start(const QStringList& arguments);

    // A later start handed over a chart (or none): the window comes to the
    // front and opens it, asking first about a changed chart.
    void open_from_later_start(const QString& path);

    ChartDocument& document() { return *document_; }
    MainWindow& window() { return *window_; }
    const SettingsCopy& settings_copy() const { return copy_; }

private:
    QSettings& settings_;
    UserDialogs& dialogs_;
    const QSize desktop_;
    SettingsCopy copy_;
    std::unique_ptr<ChartDocument> document_;
    std::unique_ptr<MainWindow> window_;
};

// Starts Tessaly: one copy only, settings, a chart, the main window, the
// chart named on the command line or the last one; runs until the window
// closes and returns the exit status.
int run_application(int argc, char** argv);

}  // namespace tessaly::app
