#include "chart/display_switches.h"

#include <algorithm>

namespace tessaly {

std::int32_t& node_text_switch(DisplayState& display, NodeText which) {
    switch (which) {
        case NodeText::Name:
            return display.show_name;
        case NodeText::Description:
            return display.show_description;
        case NodeText::KeySample:
            return display.show_key_sample;
        case NodeText::FilePath:
            return display.show_file_path;
        case NodeText::RecordCount:
            return display.show_record_count;
    }
    return display.show_name;
}

void collapse_nodes(Chart& chart) {
    for (NodeRecord& node : chart.nodes) {
        const std::int32_t x = (node.rect.left + node.rect.right) / 2;
        const std::int32_t y = (node.rect.top + node.rect.bottom) / 2;
        node.rect = Rect{x, y, x, y};
    }
}

Status flip_node_text(Chart& chart, NodeText which) {
    DisplayState& d = chart.display;
    std::int32_t& flipped = node_text_switch(d, which);
    flipped = flipped ? 0 : 1;
    if (!d.show_name && !d.show_description && !d.show_key_sample && !d.show_file_path && !d.show_record_count) {
        flipped = 1;
        return Status::failure(MessageId::CannotTurnAllOff);
    }
    collapse_nodes(chart);
    return Status::ok();
}

bool set_node_font_size(Chart& chart, int points) {
    if (chart.display.node_font_size == points) return false;
    chart.display.node_font_size = points;
    collapse_nodes(chart);
    return true;
}

}  // namespace tessaly

namespace tessaly {

void set_canvas_size(Chart& chart, int width, int height) {
    for (const NodeRecord& node : chart.nodes) {
        width = std::max(width, static_cast<int>(node.rect.right));
        height = std::max(height, static_cast<int>(node.rect.bottom));
    }
    chart.display.view_width = static_cast<std::uint16_t>(width);
    chart.display.view_height = static_cast<std::uint16_t>(height);
    chart.display.scroll_x = 0;
    chart.display.scroll_y = 0;
}

}  // namespace tessaly
