// The vortella-hack program: the saver for a screen-saver daemon. It plays
// the playlist of the settings file (the demo playlist on a first run) in
// the window the daemon names, in the root window or in a window of its
// own, and ends when the daemon sends SIGTERM.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/xhack/xhack.h"
#include "authoring/demos.h"

using namespace vortella;

int main(int argc, char **argv) {
    // Before anything is written: a signal only asks the loop to end.
    xhack::install_stop_handlers();

    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "-version")) {
        std::printf("vortella-hack %s\n", VT_VERSION);
        return 0;
    }
    xhack::options o;
    std::string err;
    if (!xhack::parse_options(args, std::getenv("XSCREENSAVER_WINDOW"), o, err)) {
        std::fprintf(stderr, "vortella-hack: %s\n%s", err.c_str(), xhack::usage());
        return 1;
    }
    if (o.help) {
        std::fputs(xhack::usage(), stdout);
        return 0;
    }

    services *x = xhack::open(o, &err);
    if (!x) {
        std::fprintf(stderr, "vortella-hack: %s\n", err.c_str());
        return 1;
    }
    set_sys(x);
    // The daemon owns this process: the saver's periodic restart happens in
    // place instead of by starting a new copy.
    restart_in_place = true;
    install_demos();
    write_first_ini();
    return WinMain("/S", SW_SHOWNORMAL);
}
