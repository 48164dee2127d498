#pragma once

// The main window's arithmetic, apart from any window so that it can be
// checked exactly: where the window opens, the minimum-duplicate-count field's
// correction, and the widths of the two areas when they are switched.

#include <string_view>

namespace tessaly::app {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The saved left, top, width and height of the main window kept on a
// desktop of the given size: negative positions become 0, and a window that
// would stick out on the right or at the bottom is moved back onto it.
WindowRect window_placement(int px, int py, int sx, int sy, int desktop_width, int desktop_height);

// The ribbon's minimum duplicate count from the field's text: the leading
// decimal number (none reads as 0), brought into 2 to 100.
int corrected_min_hit(std::string_view text);

enum class AreaLayout { ChartOnly, FileOnly, Even };

struct AreaWidths {
    int chart = 0;
    int file = 0;  // for Even the splitter gives the file area the rest
};

AreaWidths area_widths(AreaLayout layout, int client_width);

}  // namespace tessaly::app
