#pragma once

// The fullest chart the program allows, for the chart benchmarks: 1,001
// nodes in rows of 32 on a 5,000 × 5,000 canvas, every seventh a result
// node, 1,000 arcs fanning into the result nodes, every third node selected.

#include <string>

#include "chart/chart.h"

inline tessaly::Chart fullest_chart() {
    using namespace tessaly;
    Chart chart;
    chart.reset(5000, 5000);
    chart.display.view_width = 5000;
    chart.display.view_height = 5000;
    for (int i = 0; i < kMaxNodes; ++i) {
        const int x = 20 + (i % 32) * 150;
        const int y = 20 + (i / 32) * 150;
        add_node(chart, "/data/members-" + std::to_string(i) + ".csv", {x, y}, 1.0,
                 i % 7 == 0 ? kResultNode : kSourceNode, "members " + std::to_string(i), 1000 + i);
    }
    for (int i = 0; i < kMaxArcs; ++i) add_arc(chart, i, (i / 7) * 7);
    for (int i = 0; i < chart.node_count(); i += 3) chart.node_states[i].selected = 1;
    chart.primary_node = 0;
    return chart;
}
