#include "chart_menus.h"

#include <QMenu>

#include <algorithm>

namespace tessaly::app {

namespace {

// 0 stands for a separator.
constexpr int kViewItems[] = {33784, 33801, 0, 310, 0, 33893, 0, 33795};
constexpr int kNodeItems[] = {32808, 0, 33787, 33788, 0, 33789, 0, 33791, 33792, 33785, 0, 34012, 0, 33891};
constexpr int kZoomItems[] = {32833, 0, 32834, 32835, 32836, 32837, 32838};

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
    c[33784]->setEnabled(state.node_count > 0 && state.selected_count > 0);
    c[33893]->setEnabled(state.node_count > 0);
    c[33795]->setEnabled(state.file_shown);
    c[33787]->setEnabled(!state.primary_mandatory);
    c[33788]->setEnabled(state.primary_mandatory);
    c[33789]->setEnabled(state.selected_count >= 2);
    c[33785]->setEnabled(state.primary_is_previewed);
    c[33792]->setEnabled(state.primary_has_figures);
    for (int id : {33801, 310, 32808, 33791, 34012, 33891}) c[id]->setEnabled(true);
}

QMenu* build_chart_menu(view::ChartMenu menu, Commands& commands, QWidget* parent) {
    auto* popup = new QMenu(parent);
    auto add_items = [&](const auto& items) {
        for (int id : items) {
            if (id == 0)
                popup->addSeparator();
            else
                popup->addAction(commands[id]);
        }
    };
    switch (menu) {
    case view::ChartMenu::View: add_items(kViewItems); break;
    case view::ChartMenu::Node: add_items(kNodeItems); break;
    case view::ChartMenu::Zoom: add_items(kZoomItems); break;
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
