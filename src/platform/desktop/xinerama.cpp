// The monitors as the X server's Xinerama extension tells them. SDL takes
// its displays from RandR, which a nested server (Xephyr with several
// screens) or an older driver may report as one output spanning several
// monitors; Xinerama's heads are the monitors the server actually shows.
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>

#include <cstring>

#include "platform/desktop/desktop_local.h"

namespace vortella::desktop {

std::vector<screen_rect> xinerama_heads() {
    std::vector<screen_rect> heads;
    const char *driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return heads;
    // A connection of our own, to the display SDL opened ($DISPLAY).
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) return heads;
    int n = 0;
    if (XineramaIsActive(dpy)) {
        if (XineramaScreenInfo *s = XineramaQueryScreens(dpy, &n)) {
            for (int i = 0; i < n; ++i) heads.push_back({s[i].x_org, s[i].y_org, s[i].width, s[i].height});
            XFree(s);
        }
    }
    XCloseDisplay(dpy);
    return heads;
}

}  // namespace vortella::desktop
