#pragma once

// The chart's context menus (on empty canvas, on a node, on the zoom
// console) and the rules that grey their items.

#include <QPoint>
#include <QRect>
#include <QSize>

#include "app/commands.h"
#include "chart/chart.h"
#include "view/chart_view.h"

class QMenu;
class QWidget;

namespace tessaly::app {

// What the enable rules look at when a menu opens.
struct ChartMenuState {
    int node_count = 0;
    int selected_count = 0;
    bool primary_mandatory = false;
    bool primary_is_previewed = false;
    bool file_shown = false;
    // The primary node is a result of this run, whose figures are kept.
    bool primary_has_figures = false;
};
ChartMenuState chart_menu_state(const Chart& chart, int preview_node);

// Enables or greys the menus' commands for the state.
void apply_chart_menu_rules(Commands& commands, const ChartMenuState& state);

// The menu's items in their order, with its separators; the caller owns it.
QMenu* build_chart_menu(view::ChartMenu menu, Commands& commands, QWidget* parent);

// Where a menu of this size opens so that its centre is at the pointer,
// moved back onto the screen where it would stick out (the left and top
// edges win on a screen too small for it).
QPoint centred_menu_position(QSize menu, QPoint pointer, const QRect& screen);

}  // namespace tessaly::app
