#include "app/frame_rules.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "cross/cross_options.h"

namespace tessaly::app {

WindowRect window_placement(int px, int py, int sx, int sy, int desktop_width, int desktop_height) {
    px = std::max(px, 0);
    py = std::max(py, 0);
    const int x = desktop_width < sx + px ? desktop_width - sx : px;
    const int y = desktop_height < sy + py ? desktop_height - sy : py;
    return {x, y, sx, sy};
}

int corrected_min_hit(std::string_view text) {
    const std::string copy(text);
    const long value = std::strtol(copy.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, kMinHitLowest, kMinHitHighest));
}

AreaWidths area_widths(AreaLayout layout, int client_width) {
    switch (layout) {
        case AreaLayout::ChartOnly:
            return {client_width, 0};
        case AreaLayout::FileOnly:
            return {0, client_width};
        case AreaLayout::Even:
            return {client_width / 2, 0};
    }
    return {};
}

}  // namespace tessaly::app
