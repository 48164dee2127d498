#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>

#include "app/about_dialog.h"
#include "app/chart_menus.h"
#include "app/cross_launch.h"
#include "app/file_admission.h"
#include "app/frame_rules.h"
#include "app/key_help_dialog.h"
#include "app/manual_window.h"
#include "app/node_commands.h"
#include "app/node_properties_dialog.h"
#include "app/recent_files.h"
#include "app/settings_dialog.h"
#include "chart/display_switches.h"
#include "filearea/file_area.h"
#include "print/print_dialog.h"
#include "ribbon/ribbon.h"
#include "shell/settings.h"
#include "text/cp932.h"
#include "text/show_message.h"
#include "view/chart_view.h"
#include "view/zoom_steps.h"

namespace tessaly::app {

namespace {

constexpr std::pair<CommandId, bool CrossOptions::*> kOptionOfCommand[] = {
    {CommandId::RemoveSpaces, &CrossOptions::remove_spaces},  {CommandId::RemoveHyphens, &CrossOptions::remove_hyphens},
    {CommandId::RemoveParens, &CrossOptions::remove_parens},  {CommandId::IgnoreCase, &CrossOptions::ignore_case},
    {CommandId::OldNewForms, &CrossOptions::old_new},         {CommandId::HitNumbers, &CrossOptions::hit_numbers},
    {CommandId::LineBreakPerHit, &CrossOptions::blank_lines}, {CommandId::AutoClose, &CrossOptions::auto_close},
    {CommandId::QuotedFields, &CrossOptions::quotes},         {CommandId::WorkbookOutput, &CrossOptions::workbook},
};

constexpr std::pair<CommandId, NodeAlignment> kAlignmentOfCommand[] = {
    {CommandId::AlignLeft, NodeAlignment::Left},
    {CommandId::AlignRight, NodeAlignment::Right},
    {CommandId::AlignTop, NodeAlignment::Top},
    {CommandId::AlignBottom, NodeAlignment::Bottom},
    {CommandId::AlignVerticalCentre, NodeAlignment::VerticalCentre},
    {CommandId::AlignHorizontalCentre, NodeAlignment::HorizontalCentre},
    {CommandId::AlignVerticalEven, NodeAlignment::VerticalEven},
    {CommandId::AlignHorizontalEven, NodeAlignment::HorizontalEven},
};

constexpr std::pair<CommandId, NodeText> kNodeTextOfCommand[] = {
    {CommandId::ShowNodeName, NodeText::Name},
    {CommandId::ShowNodeDescription, NodeText::Description},
    {CommandId::ShowNodeKeySample, NodeText::KeySample},
    {CommandId::ShowNodeFilePath, NodeText::FilePath},
    {CommandId::ShowNodeRecordCount, NodeText::RecordCount},
};

}  // namespace

SettingsCopy read_settings_copy(const QSettings& store) {
    return {setting(store, Setting::Comets), setting(store, Setting::CometSpeed),
            setting(store, Setting::ShowGuide) == 1, setting(store, Setting::TintActiveArea) == 1,
            setting(store, Setting::ConfirmCross) == 1};
}

void write_settings_copy(QSettings& store, const SettingsCopy& copy) {
    set_setting(store, Setting::Comets, copy.comets);
    set_setting(store, Setting::CometSpeed, copy.comet_speed);
    set_setting(store, Setting::ShowGuide, copy.show_guide ? 1 : 0);
    set_setting(store, Setting::TintActiveArea, copy.tint_active_area ? 1 : 0);
    set_setting(store, Setting::ConfirmCross, copy.confirm_cross ? 1 : 0);
}

MainWindow::MainWindow(ChartDocument& document, QSettings& settings, UserDialogs& dialogs, SettingsCopy& copy,
                       QWidget* parent)
    : QMainWindow(parent), document_(document), settings_(settings), dialogs_(dialogs), copy_(copy) {
    commands_ = new Commands(this);
    ribbon_ = build_main_ribbon(*commands_);
    setMenuWidget(ribbon_.ribbon);
    status_ = new StatusPanes(statusBar());

    splitter_ = new QSplitter(Qt::Horizontal, this);
    chart_view_ = new view::ChartView(document_.chart(), dialogs_, splitter_);
    splitter_->addWidget(chart_view_);
    connect(chart_view_, &view::ChartView::modified, this, [this] { document_.set_modified(); });
    connect(chart_view_, &view::ChartView::primary_changed, this, &MainWindow::show_node_position);
    connect(chart_view_, &view::ChartView::primary_changed, this, &MainWindow::refresh_selection_commands);
    connect(chart_view_, &view::ChartView::history_changed, this, &MainWindow::refresh_history_commands);
    connect(chart_view_, &view::ChartView::cursor_text, status_, &StatusPanes::set_cursor);
    connect(chart_view_, &view::ChartView::guide_shown, status_, &StatusPanes::set_info_text);
    chart_view_->set_pointer_aids([this] {
        return view::PointerAids{copy_.show_guide, copy_.comets, copy_.comet_speed};
    });
    file_admission_ = new FileAdmission(*chart_view_, document_.chart(), dialogs_, this);
    file_admission_->set_quote_option([this] { return options_.quotes; },
                                      [this] {
                                          options_.quotes = true;
                                          refresh_checks();
                                          file_area_->chart_changed();
                                      });
    connect(chart_view_, &view::ChartView::zoom_text, status_, &StatusPanes::set_zoom);
    connect(chart_view_, &view::ChartView::position_panes_cleared, this, [this] {
        status_->set_position({});
        status_->set_size({});
    });
    connect(chart_view_, &view::ChartView::activated, this, [this] { set_chart_active(true); });
    connect(chart_view_, &view::ChartView::menu_requested, this, &MainWindow::open_chart_menu);
    connect(chart_view_, &view::ChartView::command_key, this, [this](CommandId id) {
        if (commands_->ids().contains(id) && (*commands_)[id]->isEnabled()) (*commands_)[id]->trigger();
    });
    file_area_ = new filearea::FileArea(document_.chart(), dialogs_, splitter_);
    splitter_->addWidget(file_area_);
    file_area_->set_quote_option([this] { return options_.quotes; });
    connect_file_area();
    splitter_->setChildrenCollapsible(true);
    // The chart area keeps its width; the file area takes what is left.
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(splitter_);

    options_ = read_cross_options(settings_);
    ribbon_.min_hit_edit->setValue(options_.min_hit);
    connect_commands();
    refresh_checks();
    show_font_sizes();
    connect(&document_, &ChartDocument::title_changed, this, &MainWindow::refresh_title);
    connect(&document_, &ChartDocument::title_changed, this, &MainWindow::refresh_recent_files);
    refresh_recent_files();
    connect(&document_, &ChartDocument::chart_replaced, this, [this] {
        refresh_checks();
        show_font_sizes();
        file_area_->clear_preview();
        chart_view_->chart_replaced();
        restore_zoom();
        refresh_selection_commands();
        show_node_position();
    });
    refresh_title();
    restore_zoom();
    refresh_history_commands();
    refresh_tint();
    refresh_selection_commands();
}

// Every chart starts at the zoom and console place of the last session.
void MainWindow::restore_zoom() {
    chart_view_->set_zoom(static_cast<float>(setting(settings_, Setting::Zoom)) / 100.0f);
    chart_view_->console().reset({setting(settings_, Setting::ZoomCentreX), setting(settings_, Setting::ZoomCentreY)},
                                 chart_view_->zoom());
    (*commands_)[CommandId::PinConsole]->setChecked(chart_view_->console().pinned());
}

void MainWindow::set_chart_active(bool active) {
    chart_active_ = active;
    refresh_tint();
}

// With the setting on, the active area has the tint and the other is white.
void MainWindow::refresh_tint() {
    chart_view_->set_tinted(copy_.tint_active_area && chart_active_);
    file_area_->set_tinted(copy_.tint_active_area && !chart_active_);
}

// The chart prints as the chart area paints it now: tinted while it is the
// active area, the file area's node in bold. A PDF is offered beside the chart.
void MainWindow::open_print_dialog() {
    const print::ChartLook look{copy_.tint_active_area && chart_active_, file_area_->preview_node()};
    const QString& path = document_.path();
    const QString pdf =
        path.isEmpty() ? QDir::home().filePath(document_.display_name() + QStringLiteral(".pdf"))
                       : QFileInfo(path).dir().filePath(QFileInfo(path).completeBaseName() + QStringLiteral(".pdf"));
    print::print_chart_dialog(this, dialogs_, settings_, printer_settings_, document_.chart(), look, pdf);
}

void MainWindow::connect_file_area() {
    // The file area's "open" and "copy" act on the file it shows, whichever
    // node the chart has selected; its other items are the chart's commands.
    auto* open_shown = new QAction(this);
    connect(open_shown, &QAction::triggered, this,
            [this] { open_in_spreadsheet(document_.chart(), file_area_->preview_node(), *desktop_, dialogs_); });
    auto* copy_shown = new QAction(this);
    connect(copy_shown, &QAction::triggered, this, &MainWindow::copy_previewed_file);
    file_area_->set_command_provider([this, open_shown, copy_shown](CommandId id) -> QAction* {
        if (id == CommandId::OpenInExcel) return open_shown;
        if (id == CommandId::CopyToFile) return copy_shown;
        return commands_->ids().contains(id) ? (*commands_)[id] : nullptr;
    });
    connect(file_area_, &filearea::FileArea::key_changed, this, [this] {
        chart_view_->chart_changed();
        document_.set_modified();
    });
    connect(file_area_, &filearea::FileArea::activated, this, [this] { set_chart_active(false); });
    connect(file_area_, &filearea::FileArea::cleared, this, [this] { set_chart_active(true); });
    connect(file_area_, &filearea::FileArea::preview_changed, chart_view_, &view::ChartView::set_preview_node);
    connect(file_area_, &filearea::FileArea::start_time_shown, (*commands_)[CommandId::StartTime], &QAction::setText);
    connect(file_area_, &filearea::FileArea::elapsed_time_shown, (*commands_)[CommandId::ElapsedTime],
            &QAction::setText);
    connect(file_area_, &filearea::FileArea::progress_range_changed, ribbon_.cross_progress,
            [this](int maximum) { ribbon::set_progress_maximum(ribbon_.cross_progress, maximum); });
    connect(file_area_, &filearea::FileArea::progress_moved, ribbon_.cross_progress, &QProgressBar::setValue);
    connect(file_area_, &filearea::FileArea::preview_font_size_changed, this, &MainWindow::show_font_sizes);
    connect(chart_view_, &view::ChartView::node_double_clicked, file_area_,
            [this](int node) { file_area_->load_preview(node); });
    connect(chart_view_, &view::ChartView::empty_double_clicked, file_area_, &filearea::FileArea::clear_preview);
}

void MainWindow::copy_previewed_file() {
    // The copy is complete once the load is.
    if (file_area_->preview_node() < 0 || !file_area_->wait_until_loaded()) return;
    copy_shown_file(QString::fromStdString(file_area_->preview_file().working_copy_path().string()), dialogs_);
}

// Every change of the selection: the cross button and the alignments follow.
void MainWindow::refresh_selection_commands() {
    const Chart& chart = document_.chart();
    const auto& states = chart.node_states;
    (*commands_)[CommandId::RunCross]->setEnabled(
        std::any_of(states.begin(), states.end(), [](const NodeState& s) { return s.selected; }));
    for (const auto& [id, how] : kAlignmentOfCommand) (*commands_)[id]->setEnabled(alignment_enabled(chart, how));
}

void MainWindow::run_cross(std::optional<QPoint> point) {
    Chart& chart = document_.chart();
    CrossRequest request{
        chart,
        options_,
        settings_,
        copy_.confirm_cross,
        chart_view_->zoom(),
        dialogs_,
        CrossDisplay{(*commands_)[CommandId::StartTime], (*commands_)[CommandId::ElapsedTime], ribbon_.cross_progress},
        this,
        [this] {
            bool canvas_changed = false;
            const bool accepted = edit_settings(this, dialogs_, settings_, copy_, document_.chart(), canvas_changed);
            if (canvas_changed) document_.set_modified();
            return accepted;
        }};
    CrossFigures figures;
    request.figures = &figures;
    // A file still being indexed would share the progress bar and the disk
    // with the cross, whose result is shown afterwards anyway.
    request.starting = [this] { file_area_->stop_loading(); };
    const int node = start_cross(request, point);
    if (node < 0) return;
    result_figures_.keep(std::string(cp932::field_text(chart.nodes[node].path)), std::move(figures));
    chart_view_->chart_changed();
    document_.set_modified();
    refresh_history_commands();
    refresh_selection_commands();
    // Loading a large result takes a while: paint the window first, so that
    // the closed progress dialog's picture does not stay on the screen.
    repaint();
    if (chart.nodes[node].record_count == 0) {
        file_area_->clear_preview();
        show_message(dialogs_, {}, MessageId::NoHits);
    } else {
        file_area_->load_preview(node, false);
    }
}

// After a command changed nodes: the chart, the file area and the panes.
void MainWindow::nodes_changed() {
    chart_view_->chart_changed();
    file_area_->chart_changed();
    document_.set_modified();
    show_node_position();
    refresh_selection_commands();
}

void MainWindow::connect_node_commands() {
    Commands& c = *commands_;
    connect(c[CommandId::RunCross], &QAction::triggered, this, [this] { run_cross(std::nullopt); });
    connect(c[CommandId::CrossHere], &QAction::triggered, this, [this] { run_cross(chart_view_->menu_point()); });
    connect(c[CommandId::PreviewFile], &QAction::triggered, this, [this] {
        if (document_.chart().primary_node >= 0) file_area_->load_preview(document_.chart().primary_node);
    });
    connect(c[CommandId::ClearPreview], &QAction::triggered, file_area_, &filearea::FileArea::clear_preview);
    connect(c[CommandId::MakeMandatory], &QAction::triggered, this, [this] {
        if (set_selected_mandatory(document_.chart(), true)) nodes_changed();
    });
    connect(c[CommandId::ClearMandatory], &QAction::triggered, this, [this] {
        if (set_selected_mandatory(document_.chart(), false)) nodes_changed();
    });
    connect(c[CommandId::SameKeyFields], &QAction::triggered, this, [this] {
        if (copy_primary_key(document_.chart(), dialogs_)) nodes_changed();
    });
    connect(c[CommandId::OpenInExcel], &QAction::triggered, this,
            [this] { open_in_spreadsheet(document_.chart(), document_.chart().primary_node, *desktop_, dialogs_); });
    connect(c[CommandId::ResultSummary], &QAction::triggered, this, [this] {
        show_cross_summary(this, dialogs_, document_.chart(), document_.chart().primary_node, result_figures_);
    });
    connect(c[CommandId::CopyToFile], &QAction::triggered, this, [this] {
        if (document_.chart().primary_node == file_area_->preview_node()) copy_previewed_file();
    });
    connect(c[CommandId::NodeProperties], &QAction::triggered, this, [this] {
        if (edit_node_properties(this, dialogs_, *desktop_, document_.chart())) nodes_changed();
    });
    connect(c[CommandId::DeleteNodes], &QAction::triggered, this, [this] {
        Chart& chart = document_.chart();
        if (chart.primary_node < 0) return;
        const int node = chart.primary_node;
        // The history goes even when the user then keeps the node.
        chart_view_->clear_history();
        const bool result = chart.nodes[node].kind == kResultNode;
        const std::string path(cp932::field_text(chart.nodes[node].path));
        if (delete_primary_node(chart, dialogs_)) {
            // Its result file went with it: a later cross may take the name.
            if (result) result_figures_.forget(path);
            file_area_->node_removed(node);
            nodes_changed();
        }
    });
}

void MainWindow::refresh_history_commands() {
    (*commands_)[CommandId::Undo]->setEnabled(chart_view_->can_undo());
    (*commands_)[CommandId::Redo]->setEnabled(chart_view_->can_redo());
}

void MainWindow::open_chart_menu(view::ChartMenu which, QPoint screen_point) {
    ChartMenuState state = chart_menu_state(document_.chart(), file_area_->preview_node());
    state.primary_has_figures = result_figures_.of_node(document_.chart(), document_.chart().primary_node) != nullptr;
    apply_chart_menu_rules(*commands_, state);
    delete chart_menu_;
    chart_menu_ = build_chart_menu(which, *commands_, this);
    // The menu opens centred on the pointer, as the chart's menus always have.
    const QScreen* screen = QGuiApplication::screenAt(screen_point);
    chart_menu_->popup(
        centred_menu_position(chart_menu_->sizeHint(), screen_point, screen ? screen->availableGeometry() : QRect()));
}

void MainWindow::connect_commands() {
    connect_file_commands();
    connect_cross_commands();
    connect_display_commands();
    connect_chart_commands();
    connect_help_commands();
    connect_node_commands();
}

// New, open, save, print, settings and exit.
void MainWindow::connect_file_commands() {
    Commands& c = *commands_;
    // Closing the chart leaves a new one, as New does.
    for (CommandId id : {CommandId::NewChart, CommandId::CloseChart}) {
        connect(c[id], &QAction::triggered, this, [this] {
            if (!document_.may_discard()) return;
            document_.new_chart();
            status_->set_info_text(QString::fromUtf8(
                "ドラッグ＆ドロップまたはビューの右クリックメニューの「ここにクロス原本をセット」でファイルをセットしてください"));
        });
    }
    connect(c[CommandId::OpenChart], &QAction::triggered, this, &MainWindow::open_chart);
    connect(c[CommandId::SaveChart], &QAction::triggered, this, [this] { document_.save(); });
    connect(c[CommandId::SaveChartAs], &QAction::triggered, this, [this] { document_.save_as(); });
    connect(c[CommandId::Exit], &QAction::triggered, this, &QWidget::close);
    connect(c[CommandId::Print], &QAction::triggered, this, &MainWindow::open_print_dialog);
    connect(c[CommandId::Settings], &QAction::triggered, this, [this] {
        bool canvas_changed = false;
        if (edit_settings(this, dialogs_, settings_, copy_, document_.chart(), canvas_changed) && canvas_changed) {
            document_.set_modified();
            chart_view_->chart_changed();
        }
        refresh_tint();  // the tint may have been switched
    });
}

// The cross options, the least number of a hit, and the cross's times.
void MainWindow::connect_cross_commands() {
    Commands& c = *commands_;
    for (const auto& [id, field] : kOptionOfCommand) {
        connect(c[id], &QAction::triggered, this, [this, field = field] {
            options_.*field = !(options_.*field);
            refresh_checks();
            file_area_->chart_changed();  // the quote option moves the key's fields
        });
    }
    connect(c[CommandId::MinHit], &QAction::triggered, this,
            [this] { ribbon_.min_hit_edit->setValue(take_min_hit(ribbon_.min_hit_edit->text()).toInt()); });
    connect(c[CommandId::StartTime], &QAction::triggered, this,
            [this] { (*commands_)[CommandId::StartTime]->setText(QString::fromUtf8("開始時間 : 00:00:00")); });
    connect(c[CommandId::ElapsedTime], &QAction::triggered, this,
            [this] { (*commands_)[CommandId::ElapsedTime]->setText(QString::fromUtf8("処理時間 : 00:00:00")); });
}

// What the nodes and the file area show, and which areas are shown.
void MainWindow::connect_display_commands() {
    Commands& c = *commands_;
    for (const auto& [id, which] : kNodeTextOfCommand) {
        connect(c[id], &QAction::triggered, this, [this, which = which] {
            if (Status flipped = flip_node_text(document_.chart(), which); !flipped) {
                show_message(dialogs_, flipped);
            } else {
                chart_view_->nodes_collapsed();
                document_.set_modified();
            }
            refresh_checks();
        });
    }
    connect(c[CommandId::ShowRecordNo], &QAction::triggered, this, [this] {
        document_.chart().display.show_record_no ^= 1;
        refresh_checks();
        file_area_->display_changed();
    });
    connect(c[CommandId::ShowRuler], &QAction::triggered, this, [this] {
        document_.chart().display.show_ruler ^= 1;
        refresh_checks();
        file_area_->display_changed();
    });
    for (CommandId id : {CommandId::ChartAreaOnly, CommandId::FileAreaOnly, CommandId::BothAreas})
        connect(c[id], &QAction::triggered, this, [this, id] { switch_areas(id); });
    connect(c[CommandId::NodeFontSize], &QAction::triggered, this, [this] {
        if (!set_node_font_size(document_.chart(), (*commands_)[CommandId::NodeFontSize]->data().toInt() + 8)) return;
        chart_view_->nodes_collapsed();
        document_.set_modified();
    });
    connect(c[CommandId::PreviewFontSize], &QAction::triggered, this, [this] {
        // The file area's font is part of the chart's look but no edit of it.
        document_.chart().display.preview_font_size = (*commands_)[CommandId::PreviewFontSize]->data().toInt() + 8;
        file_area_->display_changed();
    });
    connect(c[CommandId::ToggleRibbon], &QAction::triggered, ribbon_.ribbon, &ribbon::Ribbon::toggle_minimised);
}

// Undo, selection, placing files, zoom, alignment and the zoom console.
void MainWindow::connect_chart_commands() {
    Commands& c = *commands_;
    connect(c[CommandId::Undo], &QAction::triggered, this, [this] {
        chart_view_->undo();
        file_area_->chart_changed();
    });
    connect(c[CommandId::Redo], &QAction::triggered, this, [this] {
        chart_view_->redo();
        file_area_->chart_changed();
    });
    connect(c[CommandId::SelectAllNodes], &QAction::triggered, chart_view_, &view::ChartView::select_all_nodes);
    connect(c[CommandId::SetCrossOriginalHere], &QAction::triggered, this, [this] {
        const QStringList files = dialogs_.open_files(
            QString::fromUtf8("クロス原本ファイルを指定(複数選択可)"),
            QString::fromUtf8("ＣＳＶファイル(*.CSV *.csv);;Excelブック(*.xlsx *.xlsm);;すべてのファイル(*)"), true);
        file_admission_->admit_chosen(files, chart_view_->menu_point());
    });
    const std::pair<CommandId, float> zooms[] = {
        {CommandId::Zoom100, 1.0f}, {CommandId::Zoom200, 2.0f}, {CommandId::Zoom300, 3.0f}, {CommandId::Zoom400, 4.0f}};
    for (const auto& [id, factor] : zooms)
        connect(c[id], &QAction::triggered, chart_view_, [this, factor = factor] { chart_view_->set_zoom(factor); });
    connect(c[CommandId::ZoomToFit], &QAction::triggered, chart_view_, &view::ChartView::fit_zoom_to_window);
    for (const auto& [id, how] : kAlignmentOfCommand)
        connect(c[id], &QAction::triggered, chart_view_, [this, how = how] { chart_view_->align_nodes(how); });
    connect(c[CommandId::PinConsole], &QAction::triggered, this, [this] {
        chart_view_->console().toggle_pinned();
        (*commands_)[CommandId::PinConsole]->setChecked(chart_view_->console().pinned());
    });
    connect(c[CommandId::ConsoleToTopLeft], &QAction::triggered, this,
            [this] { chart_view_->console().show_at_top_left(); });
    connect(c[CommandId::SwitchOperationGuide], &QAction::triggered, this, &MainWindow::switch_operation_guide);
}

void MainWindow::connect_help_commands() {
    Commands& c = *commands_;
    connect(c[CommandId::Manual], &QAction::triggered, this, [this] { open_manual(this, dialogs_); });
    connect(c[CommandId::About], &QAction::triggered, this, [this] { show_about_box(this, dialogs_); });
    connect(c[CommandId::KeyHelp], &QAction::triggered, this, [this] { show_key_help(this, dialogs_); });
}

// F2: the guide on or off. "Off" is said for a second and then taken away,
// without holding up the user meanwhile.
void MainWindow::switch_operation_guide() {
    copy_.show_guide = !copy_.show_guide;
    const QString text = view::guide_switch_text(copy_.show_guide);
    status_->set_info_text(text);
    if (copy_.show_guide) return;
    QTimer::singleShot(1000, status_, [status = status_, text] {
        if (status->info_text() == text) status->set_info_text({});
    });
}

void MainWindow::refresh_checks() {
    Commands& c = *commands_;
    for (const auto& [id, field] : kOptionOfCommand) c[id]->setChecked(options_.*field);
    DisplayState& d = document_.chart().display;
    for (const auto& [id, which] : kNodeTextOfCommand) c[id]->setChecked(node_text_switch(d, which) != 0);
    c[CommandId::ShowRecordNo]->setChecked(d.show_record_no != 0);
    c[CommandId::ShowRuler]->setChecked(d.show_ruler != 0);
}

void MainWindow::show_node_position() {
    const Chart& chart = document_.chart();
    if (chart.primary_node < 0 || chart.primary_node >= chart.node_count()) {
        status_->set_position({});
        status_->set_size({});
        return;
    }
    const Rect& r = chart.nodes[chart.primary_node].rect;
    status_->set_position(QStringLiteral("%1, %2").arg(r.left).arg(r.top));
    status_->set_size(QString::fromUtf8("%1×%2").arg(r.right - r.left).arg(r.bottom - r.top));
}

// The recent charts at the end of the application menu: "&N name".
void MainWindow::refresh_recent_files() {
    QMenu* menu = ribbon_.ribbon->application_menu();
    for (QAction* action : recent_actions_) {
        menu->removeAction(action);
        action->deleteLater();
    }
    recent_actions_.clear();
    const QStringList files = recent_files(settings_);
    if (files.isEmpty()) return;
    recent_actions_ << menu->addSeparator();
    for (int n = 0; n < files.size(); ++n) {
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(n + 1).arg(QFileInfo(files[n]).fileName()));
        action->setToolTip(files[n]);
        const QString& path = files[n];
        connect(action, &QAction::triggered, this, [this, path] {
            if (document_.may_discard()) document_.open(path);
        });
        recent_actions_ << action;
    }
}

void MainWindow::show_font_sizes() {
    const DisplayState& d = document_.chart().display;
    ribbon_.node_font_combo->setCurrentIndex(std::clamp(d.node_font_size - 8, 0, 8));
    ribbon_.preview_font_combo->setCurrentIndex(std::clamp(d.preview_font_size - 8, 0, 8));
}

void MainWindow::refresh_title() {
    setWindowTitle(document_.window_title());
    setWindowModified(document_.modified());
}

void MainWindow::open_chart() {
    if (!document_.may_discard()) return;
    const QStringList files = dialogs_.open_files(QString(), QStringLiteral("Tessaly Files (*.tsy)"), false);
    if (!files.isEmpty()) document_.open(files.first());
}

QString MainWindow::take_min_hit(const QString& text) {
    options_.min_hit = corrected_min_hit(text.toStdString());
    return QString::number(options_.min_hit);
}

void MainWindow::switch_areas(CommandId command_id) {
    const AreaLayout layout = command_id == CommandId::ChartAreaOnly  ? AreaLayout::ChartOnly
                              : command_id == CommandId::FileAreaOnly ? AreaLayout::FileOnly
                                                                      : AreaLayout::Even;
    const int width = splitter_->width();
    const AreaWidths widths = area_widths(layout, width);
    // The splitter gives the file area what the chart area leaves.
    splitter_->setSizes({widths.chart, layout == AreaLayout::Even ? width - widths.chart : widths.file});
}

void MainWindow::restore_placement(int desktop_width, int desktop_height) {
    // The very first start has nothing stored: a window of most of the
    // desktop, the chart area the wider, rather than the small defaults.
    first_start_ = !settings_.childGroups().contains(QStringLiteral("Last"));
    if (first_start_) {
        const int width = desktop_width * 9 / 10;
        const int height = desktop_height * 9 / 10;
        setGeometry((desktop_width - width) / 2, (desktop_height - height) / 2, width, height);
        return;
    }
    const WindowRect r =
        window_placement(setting(settings_, Setting::WindowLeft), setting(settings_, Setting::WindowTop),
                         setting(settings_, Setting::WindowWidth), setting(settings_, Setting::WindowHeight),
                         desktop_width, desktop_height);
    setGeometry(r.x, r.y, r.width, r.height);
}

void MainWindow::save_state() {
    set_setting(settings_, Setting::ChartPaneWidth, splitter_->sizes().value(0));
    set_setting(settings_, Setting::Zoom, view::zoom_percent(chart_view_->zoom()));
    set_setting(settings_, Setting::ZoomCentreX, chart_view_->console().centre().x());
    set_setting(settings_, Setting::ZoomCentreY, chart_view_->console().centre().y());
    set_setting(settings_, Setting::WindowMaximised, isMaximized() ? 1 : 0);
    const QRect r = isMaximized() ? normalGeometry() : geometry();
    set_setting(settings_, Setting::WindowLeft, std::max(r.left(), 0));
    set_setting(settings_, Setting::WindowTop, std::max(r.top(), 0));
    set_setting(settings_, Setting::WindowWidth, r.width());
    set_setting(settings_, Setting::WindowHeight, r.height());
    write_cross_options(settings_, options_);
    write_settings_copy(settings_, copy_);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_before_) return;
    shown_before_ = true;
    const int chart_width = first_start_ ? splitter_->width() * 3 / 5 : setting(settings_, Setting::ChartPaneWidth);
    splitter_->setSizes({chart_width, std::max(splitter_->width() - chart_width, 100)});
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!document_.may_discard()) {
        event->ignore();
        return;
    }
    save_state();
    event->accept();
}

}  // namespace tessaly::app
