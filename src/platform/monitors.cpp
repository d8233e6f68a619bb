// The layout of several monitors on the saver's one screen.
#include <algorithm>
#include <climits>

#include "platform/monitors.h"

namespace vortella {

monitor_layout lay_out_monitors(const std::vector<screen_rect> &system) {
    monitor_layout l;
    // 64-bit corners: a monitor far out at the edge of the int range must
    // not wrap round to the other side.
    long long x0 = LLONG_MAX, y0 = LLONG_MAX, x1 = LLONG_MIN, y1 = LLONG_MIN;
    for (const screen_rect &m : system) {
        if (m.w <= 0 || m.h <= 0) continue;
        x0 = std::min(x0, static_cast<long long>(m.x));
        y0 = std::min(y0, static_cast<long long>(m.y));
        x1 = std::max(x1, static_cast<long long>(m.x) + m.w);
        y1 = std::max(y1, static_cast<long long>(m.y) + m.h);
    }
    if (x0 > x1 || x1 - x0 > INT_MAX || y1 - y0 > INT_MAX) return l;
    l.origin_x = static_cast<int>(x0);
    l.origin_y = static_cast<int>(y0);
    l.width = static_cast<int>(x1 - x0);
    l.height = static_cast<int>(y1 - y0);
    for (const screen_rect &m : system)
        if (m.w > 0 && m.h > 0)
            l.monitors.push_back({static_cast<int>(m.x - x0), static_cast<int>(m.y - y0), m.w, m.h});
    return l;
}

int monitor_at(const std::vector<screen_rect> &monitors, int x, int y) {
    for (size_t i = 0; i < monitors.size(); ++i) {
        const screen_rect &m = monitors[i];
        if (x >= m.x && y >= m.y && static_cast<long long>(x) < static_cast<long long>(m.x) + m.w &&
            static_cast<long long>(y) < static_cast<long long>(m.y) + m.h)
            return static_cast<int>(i);
    }
    return -1;
}

screen_rect intersect(const screen_rect &r, const screen_rect &bounds) {
    const long long x0 = std::max(r.x, bounds.x), y0 = std::max(r.y, bounds.y);
    const long long x1 = std::min(static_cast<long long>(r.x) + r.w, static_cast<long long>(bounds.x) + bounds.w);
    const long long y1 = std::min(static_cast<long long>(r.y) + r.h, static_cast<long long>(bounds.y) + bounds.h);
    if (x1 <= x0 || y1 <= y0) return {static_cast<int>(x0), static_cast<int>(y0), 0, 0};
    return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

}  // namespace vortella
