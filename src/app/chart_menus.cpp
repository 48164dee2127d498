#include "app/chart_menus.h"

#include <QMenu>

#include <algorithm>
#include <optional>

namespace tessaly::app {

namespace {

// A line between groups of items.
constexpr std::optional<CommandId> kSeparator;

constexpr std::optional<CommandId> kViewItems[] = {
    CommandId::CrossHere, CommandId::SetCrossOriginalHere, kSeparator, CommandId::ConsoleToTopLeft,
    kSeparator,           CommandId::SelectAllNodes,       kSeparator, CommandId::ClearPreview,
};
constexpr std::optional<CommandId> kNodeItems[] = {
    CommandId::PreviewFile,
    kSeparator,
    CommandId::MakeMandatory,
    CommandId::ClearMandatory,
    kSeparator,
    CommandId::SameKeyFields,
    kSeparator,
    CommandId::OpenInExcel,
    CommandId::ResultSummary,
    CommandId::CopyToFile,
    kSeparator,
    CommandId::DeleteNodes,
    kSeparator,
    CommandId::NodeProperties,
};
constexpr std::optional<CommandId> kZoomItems[] = {
    CommandId::PinConsole, kSeparator,         CommandId::Zoom100,   CommandId::Zoom200,
    CommandId::Zoom300,    CommandId::Zoom400, CommandId::ZoomToFit,
};

}  // namespace

ChartMenuState chart_menu_state(const Chart& chart, int preview_node) {
    ChartMenuState state;
    state.node_count = chart.node_count();
    for (const NodeState& s : chart.node_states) state.selected_count += s.selected ? 1 : 0;
    const int primary = chart.primary_node;
    if (primary >= 0 && primary < chart.node_count()) {
        state.primary_mandatory = chart.nodes[primary].mandatory != 0;
        state.primary_is_previewed = primary == preview_node;
    }
    state.file_shown = preview_node >= 0;
    return state;
}

void apply_chart_menu_rules(Commands& c, const ChartMenuState& state) {
    c[CommandId::CrossHere]->setEnabled(state.node_count > 0 && state.selected_count > 0);
    c[CommandId::SelectAllNodes]->setEnabled(state.node_count > 0);
    c[CommandId::ClearPreview]->setEnabled(state.file_shown);
    c[CommandId::MakeMandatory]->setEnabled(!state.primary_mandatory);
    c[CommandId::ClearMandatory]->setEnabled(state.primary_mandatory);
    c[CommandId::SameKeyFields]->setEnabled(state.selected_count >= 2);
    c[CommandId::CopyToFile]->setEnabled(state.primary_is_previewed);
    c[CommandId::ResultSummary]->setEnabled(state.primary_has_figures);
    for (CommandId id : {CommandId::SetCrossOriginalHere, CommandId::ConsoleToTopLeft, CommandId::PreviewFile,
                         CommandId::OpenInExcel, CommandId::DeleteNodes, CommandId::NodeProperties})
        c[id]->setEnabled(true);
}

QMenu* build_chart_menu(view::ChartMenu menu, Commands& commands, QWidget* parent) {
    auto* popup = new QMenu(parent);
    auto add_items = [&](const auto& items) {
        for (const std::optional<CommandId>& id : items) {
            if (id)
                popup->addAction(commands[*id]);
            else
                popup->addSeparator();
        }
    };
    switch (menu) {
        case view::ChartMenu::View:
            add_items(kViewItems);
            break;
        case view::ChartMenu::Node:
            add_items(kNodeItems);
            break;
        case view::ChartMenu::Zoom:
            add_items(kZoomItems);
            break;
    }
    return popup;
}

QPoint centred_menu_position(QSize menu, QPoint pointer, const QRect& screen) {
    QPoint corner(pointer.x() - menu.width() / 2, pointer.y() - menu.height() / 2);
    if (screen.isEmpty()) return corner;
    corner.setX(std::max(std::min(corner.x(), screen.x() + screen.width() - menu.width()), screen.x()));
    corner.setY(std::max(std::min(corner.y(), screen.y() + screen.height() - menu.height()), screen.y()));
    return corner;
}

}  // namespace tessaly::app
