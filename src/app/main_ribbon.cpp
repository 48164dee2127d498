#include "main_ribbon.h"

#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>

#include "commands.h"
#include "cross/cross_options.h"
#include "ribbon.h"

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

    const std::pair<int, const char*> icons[] = {
        {57600, "file-new"}, {57601, "file-open"},   {57603, "file-save"},     {57604, "file-save-as"},
        {57607, "file-print"}, {33782, "settings"},  {57664, "about"},         {57665, "exit"},
        {57602, "file-close"}, {32828, "undo"},      {314, "redo"},            {316, "show-menu"},
        {33798, "help"},       {32804, "align-v-centre"}, {32805, "align-h-centre"}, {32806, "align-v-even"},
        {32807, "align-h-even"}, {32802, "align-top"}, {32803, "align-bottom"}, {32800, "align-left"},
        {32801, "align-right"}, {32829, "area-chart"}, {33998, "area-both"},  {32830, "area-file"},
        {319, "cross-run"},
    };
    for (const auto& [id, name] : icons) c[id]->setIcon(ribbon_icon(name));

    r->set_application_icon(ribbon_icon("app-logo"));
    QMenu* menu = r->application_menu();
    menu->setTitle(u("ファイル"));
    for (int id : {57600, 57601, 57603, 57604, 57607, 33782}) menu->addAction(c[id]);
    r->add_application_bottom_action(c[57664]);
    r->add_application_bottom_action(c[57665]);
    for (int id : {57600, 57601, 57603, 57604, 57602}) r->add_quick_access(c[id]);
    r->add_tab_row_action(c[32828], false, QStringLiteral("Z"));
    r->add_tab_row_action(c[314], false, QStringLiteral("Y"));
    r->add_tab_row_action(c[316], false, QStringLiteral("M"));
    r->add_tab_row_action(c[33798], true, QStringLiteral("A"));

    ribbon::RibbonCategory* home = r->add_category(u("ホーム   WClick , Ctrl+F1"), QStringLiteral("H"));
    ribbon::RibbonPanel* text = home->add_panel(u("ノードテキスト"));
    for (int id : {32823, 32824, 32827, 32825, 32826}) text->add_check_box(c[id]);
    e.node_font_combo = text->add_combo(u("フォント："), font_sizes(), 2, c[32775]);

    ribbon::RibbonPanel* position = home->add_panel(u("ノード位置"));
    position->begin_group();
    for (int id : {32804, 32805, 32806, 32807}) position->add_small_button(c[id]);
    position->begin_group();
    for (int id : {32802, 32803, 32800, 32801}) position->add_small_button(c[id]);

    ribbon::RibbonPanel* areas = home->add_panel(u("エリア切替"));
    areas->begin_group();
    for (int id : {32829, 33998, 32830}) areas->add_small_button(c[id]);

    ribbon::RibbonPanel* file = home->add_panel(u("ファイルエリア"));
    file->add_check_box(c[33774]);
    file->add_check_box(c[33773]);
    e.preview_font_combo = file->add_combo(u("フォント："), font_sizes(), 2, c[32781]);

    ribbon::RibbonPanel* run = home->add_panel(u("処理"));
    run->set_centred_columns(true);
    run->add_large_button(c[319]);
    run->add_label_button(c[32831]);
    run->add_label_button(c[32774]);
    e.cross_progress = run->add_progress_bar(110, 22);

    ribbon::RibbonCategory* cross = r->add_category(u("クロス設定"), QStringLiteral("C"));
    ribbon::RibbonPanel* when_crossing = cross->add_panel(u("クロス処理時"));
    when_crossing->set_centred_columns(true);
    for (int id : {32812, 32813, 32814, 32815, 32832, 32839}) when_crossing->add_check_box(c[id]);
    when_crossing->add_separator();
    e.min_hit_edit = when_crossing->add_spin_box(u("最低重複回数："), 0, 999, 4, c[32816]);
    ribbon::RibbonPanel* output = cross->add_panel(u("クロス結果出力時"));
    for (int id : {32817, 32818, 32840, 32819}) output->add_check_box(c[id]);
    return e;
}

}  // namespace tessaly::app
