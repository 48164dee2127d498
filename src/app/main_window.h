#pragma once

// The one main window: the ribbon, the chart area and the file area side by
// side, and the status bar. It holds the cross options from its creation to
// its close, keeps its placement and the chart area's width, and carries out
// the document commands.

#include <QMainWindow>
#include <QSettings>
#include <optional>

#include "app/chart_document.h"
#include "app/commands.h"
#include "app/cross_summary_dialog.h"
#include "app/desktop.h"
#include "app/main_ribbon.h"
#include "app/status_panes.h"
#include "cross/cross_options.h"
#include "print/printer_settings.h"
#include "shell/user_dialogs.h"

class QSplitter;

class QMenu;

namespace tessaly::view {
class ChartView;
enum class ChartMenu;
}  // namespace tessaly::view
namespace tessaly::filearea {
class FileArea;
}

namespace tessaly::app {

// The five settings the whole program reads often, loaded once at start-up.
struct SettingsCopy {
    int comets = 3;  // 0 none, 1 to 10 animated figures
    int comet_speed = 0;
    bool show_guide = true;
    bool tint_active_area = true;
    bool confirm_cross = true;
};
SettingsCopy read_settings_copy(const QSettings& store);
void write_settings_copy(QSettings& store, const SettingsCopy& copy);

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(ChartDocument& document, QSettings& settings, UserDialogs& dialogs, SettingsCopy& copy,
               QWidget* parent = nullptr);

    const CrossOptions& cross_options() const { return options_; }
    Commands& commands() { return *commands_; }
    StatusPanes& status() { return *status_; }
    QSplitter* splitter() const { return splitter_; }
    view::ChartView* chart_view() const { return chart_view_; }
    filearea::FileArea* file_area() const { return file_area_; }
    // Where folders and files are opened for the user (tests put in their own).
    void set_desktop(Desktop& desktop) { desktop_ = &desktop; }
    const RibbonElements& ribbon() const { return ribbon_; }

    // The placement saved by the last close, on a desktop of this size.
    void restore_placement(int desktop_width, int desktop_height);
    // Writes the window's placement, the chart area's width, the cross
    // options and the settings copy, as the window closes.
    void save_state();

    // The ribbon's minimum-duplicate-count field: corrected and taken over.
    QString take_min_hit(const QString& text);
    void switch_areas(CommandId command_id);
    // The figures of the crosses made in this run, by result file.
    ResultFigures& result_figures() { return result_figures_; }
    // The chart's context menu last opened (for tests), or null.
    QMenu* chart_menu() const { return chart_menu_; }
    // Which area is the active one: the chart (true) or the file area.
    void set_chart_active(bool active);
    bool chart_active() const { return chart_active_; }
    // The printer, paper and orientation for printing, kept for the run.
    print::PrinterSettings& printer_settings() { return printer_settings_; }
    // The print dialog over the chart (印刷(&P)).
    void open_print_dialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void connect_commands();
    void refresh_checks();
    void show_font_sizes();
    void refresh_recent_files();
    void refresh_history_commands();
    void refresh_tint();
    void restore_zoom();
    void connect_file_area();
    void copy_previewed_file();
    void switch_operation_guide();
    void connect_node_commands();
    void refresh_selection_commands();
    void nodes_changed();
    void run_cross(std::optional<QPoint> point);
    void open_chart_menu(view::ChartMenu which, QPoint screen_point);

public:
    // "POS" and "SIZE" of the primary node, or empty without one.
    void show_node_position();

private:
    void refresh_title();
    void open_chart();

    ChartDocument& document_;
    QSettings& settings_;
    UserDialogs& dialogs_;
    SettingsCopy& copy_;
    CrossOptions options_;
    Commands* commands_;
    RibbonElements ribbon_;
    QList<QAction*> recent_actions_;
    StatusPanes* status_;
    QSplitter* splitter_;
    view::ChartView* chart_view_;
    filearea::FileArea* file_area_;
    SystemDesktop system_desktop_;
    Desktop* desktop_ = &system_desktop_;
    bool shown_before_ = false;
    bool first_start_ = false;  // nothing stored yet of the window's placement
    bool chart_active_ = true;
    QMenu* chart_menu_ = nullptr;
    print::PrinterSettings printer_settings_;
    ResultFigures result_figures_;
};

}  // namespace tessaly::app
