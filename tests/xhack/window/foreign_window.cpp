// A window of another program for the hack to draw into: a top-level
// window with a magenta background (a colour the saver never leaves
// showing), its id printed in hex on the first line of standard output.
// Each line "size W H" read from standard input resizes it; end of input
// closes it.
//
// usage: foreign_window W H
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: foreign_window W H\n");
        return 2;
    }
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "foreign_window: no display\n");
        return 1;
    }
    const int scr = DefaultScreen(dpy);
    XColor magenta{}, exact{};
    XAllocNamedColor(dpy, DefaultColormap(dpy, scr), "magenta", &magenta, &exact);
    Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, scr), 10, 10, unsigned(std::atoi(argv[1])),
                                   unsigned(std::atoi(argv[2])), 0, BlackPixel(dpy, scr), magenta.pixel);
    XStoreName(dpy, w, "foreign window");
    XMapWindow(dpy, w);
    XSync(dpy, False);
    std::printf("0x%lx\n", w);
    std::fflush(stdout);
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned nw = 0, nh = 0;
        if (std::sscanf(line, "size %u %u", &nw, &nh) == 2 && nw > 0 && nh > 0) {
            XResizeWindow(dpy, w, nw, nh);
            XSync(dpy, False);
        }
    }
    XDestroyWindow(dpy, w);
    XCloseDisplay(dpy);
    return 0;
}
