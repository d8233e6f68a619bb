// Monitors as the saver's screen sees them. A window system names its
// monitors in its own coordinates, which can be negative (a monitor left of
// or above the primary one) and leave gaps (monitors of different sizes
// side by side); the saver's screen is their bounding box, with its
// top-left corner at (0, 0). Every backend with several monitors lays them
// out here, so they all agree on where a monitor lies.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace vortella {

struct monitor_layout {
    int origin_x = 0, origin_y = 0;      // the screen's top-left corner, in system coordinates
    int width = 0, height = 0;           // the screen: the bounding box of the monitors
    std::vector<screen_rect> monitors;   // in screen coordinates, in the system's order
};

// The layout of monitors given in system coordinates. Monitors without
// width or height are left out; none at all gives an empty screen.
monitor_layout lay_out_monitors(const std::vector<screen_rect> &system);

// Index of the first monitor holding the point (x, y), given in the
// monitors' own coordinates; -1 when none does.
int monitor_at(const std::vector<screen_rect> &monitors, int x, int y);

// The part of `r` inside `bounds` (w and h 0 when they do not meet).
screen_rect intersect(const screen_rect &r, const screen_rect &bounds);

}  // namespace vortella
