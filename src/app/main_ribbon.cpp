#include "app/main_ribbon.h"

#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>

#include "app/commands.h"
#include "cross/cross_options.h"
#include "ribbon/ribbon.h"

namespace tessaly::app {

namespace {

QString u(const char* text) { return QString::fromUtf8(text); }

QStringList font_sizes() {
    QStringList sizes;
    for (int points = 8; points <= 16; ++points) sizes << QString::number(points);
    return sizes;
}

}  // namespace

RibbonElements build_main_ribbon(Commands& c) {
    using ribbon::ribbon_icon;
    RibbonElements e;
    auto* r = new ribbon::Ribbon;
    e.ribbon = r;

    const std::pair<CommandId, const char*> icons[] = {
        {CommandId::NewChart, "file-new"},
        {CommandId::OpenChart, "file-open"},
        {CommandId::SaveChart, "file-save"},
        {CommandId::SaveChartAs, "file-save-as"},
        {CommandId::Print, "file-print"},
        {CommandId::Settings, "settings"},
        {CommandId::About, "about"},
        {CommandId::Exit, "exit"},
        {CommandId::CloseChart, "file-close"},
        {CommandId::Undo, "undo"},
        {CommandId::Redo, "redo"},
        {CommandId::ToggleRibbon, "show-menu"},
        {CommandId::Manual, "help"},
        {CommandId::AlignVerticalCentre, "align-v-centre"},
        {CommandId::AlignHorizontalCentre, "align-h-centre"},
        {CommandId::AlignVerticalEven, "align-v-even"},
        {CommandId::AlignHorizontalEven, "align-h-even"},
        {CommandId::AlignTop, "align-top"},
        {CommandId::AlignBottom, "align-bottom"},
        {CommandId::AlignLeft, "align-left"},
        {CommandId::AlignRight, "align-right"},
        {CommandId::ChartAreaOnly, "area-chart"},
        {CommandId::BothAreas, "area-both"},
        {CommandId::FileAreaOnly, "area-file"},
        {CommandId::RunCross, "cross-run"},
    };
    for (const auto& [id, name] : icons) c[id]->setIcon(ribbon_icon(name));

    r->set_application_icon(ribbon_icon("app-logo"));
    QMenu* menu = r->application_menu();
    menu->setTitle(u("ファイル"));
    for (CommandId id : {CommandId::NewChart, CommandId::OpenChart, CommandId::SaveChart, CommandId::SaveChartAs,
                         CommandId::Print, CommandId::Settings})
        menu->addAction(c[id]);
    r->add_application_bottom_action(c[CommandId::About]);
    r->add_application_bottom_action(c[CommandId::Exit]);
    for (CommandId id : {CommandId::NewChart, CommandId::OpenChart, CommandId::SaveChart, CommandId::SaveChartAs,
                         CommandId::CloseChart})
        r->add_quick_access(c[id]);
    r->add_tab_row_action(c[CommandId::Undo], false, QStringLiteral("Z"));
    r->add_tab_row_action(c[CommandId::Redo], false, QStringLiteral("Y"));
    r->add_tab_row_action(c[CommandId::ToggleRibbon], false, QStringLiteral("M"));
    r->add_tab_row_action(c[CommandId::Manual], true, QStringLiteral("A"));

    ribbon::RibbonCategory* home = r->add_category(u("ホーム   WClick , Ctrl+F1"), QStringLiteral("H"));
    ribbon::RibbonPanel* text = home->add_panel(u("ノードテキスト"));
    for (CommandId id : {CommandId::ShowNodeName, CommandId::ShowNodeDescription, CommandId::ShowNodeRecordCount,
                         CommandId::ShowNodeKeySample, CommandId::ShowNodeFilePath})
        text->add_check_box(c[id]);
    e.node_font_combo = text->add_combo(u("フォント："), font_sizes(), 2, c[CommandId::NodeFontSize]);

    ribbon::RibbonPanel* position = home->add_panel(u("ノード位置"));
    position->begin_group();
    for (CommandId id : {CommandId::AlignVerticalCentre, CommandId::AlignHorizontalCentre, CommandId::AlignVerticalEven,
                         CommandId::AlignHorizontalEven})
        position->add_small_button(c[id]);
    position->begin_group();
    for (CommandId id : {CommandId::AlignTop, CommandId::AlignBottom, CommandId::AlignLeft, CommandId::AlignRight})
        position->add_small_button(c[id]);

    ribbon::RibbonPanel* areas = home->add_panel(u("エリア切替"));
    areas->begin_group();
    for (CommandId id : {CommandId::ChartAreaOnly, CommandId::BothAreas, CommandId::FileAreaOnly})
        areas->add_small_button(c[id]);

    ribbon::RibbonPanel* file = home->add_panel(u("ファイルエリア"));
    file->add_check_box(c[CommandId::ShowRuler]);
    file->add_check_box(c[CommandId::ShowRecordNo]);
    e.preview_font_combo = file->add_combo(u("フォント："), font_sizes(), 2, c[CommandId::PreviewFontSize]);

    ribbon::RibbonPanel* run = home->add_panel(u("処理"));
    run->set_centred_columns(true);
    run->add_large_button(c[CommandId::RunCross]);
    run->add_label_button(c[CommandId::StartTime]);
    run->add_label_button(c[CommandId::ElapsedTime]);
    e.cross_progress = run->add_progress_bar(110, 22);

    ribbon::RibbonCategory* cross = r->add_category(u("クロス設定"), QStringLiteral("C"));
    ribbon::RibbonPanel* when_crossing = cross->add_panel(u("クロス処理時"));
    when_crossing->set_centred_columns(true);
    for (CommandId id : {CommandId::RemoveSpaces, CommandId::RemoveHyphens, CommandId::RemoveParens,
                         CommandId::IgnoreCase, CommandId::OldNewForms, CommandId::QuotedFields})
        when_crossing->add_check_box(c[id]);
    when_crossing->add_separator();
    e.min_hit_edit = when_crossing->add_spin_box(u("最低重複回数："), 0, 999, 4, c[CommandId::MinHit]);
    ribbon::RibbonPanel* output = cross->add_panel(u("クロス結果出力時"));
    for (CommandId id :
         {CommandId::HitNumbers, CommandId::LineBreakPerHit, CommandId::WorkbookOutput, CommandId::AutoClose})
        output->add_check_box(c[id]);
    return e;
}

}  // namespace tessaly::app
