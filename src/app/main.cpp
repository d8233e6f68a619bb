// The vortella program: "/s", "-s", "/S" or "-S" runs the saver, anything
// else opens the playlist dialog. A fresh installation gets a settings
// file whose playlist plays the built-in demo scenes.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "platform/desktop/desktop.h"
#include "authoring/demos.h"

#ifdef VT_NO_DESKTOP
namespace vortella {

services *make_desktop_services(std::string *err) {
    if (err) *err = "no desktop backend in this build";
    return nullptr;
}

}  // namespace vortella
#endif

using namespace vortella;

int main(int argc, char **argv) {
    // The whole command line after the program name, as one text: the role
    // is chosen by comparing all of it.
    std::string cmdline;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) cmdline += ' ';
        cmdline += argv[i];
    }

    // Answered without the display.
    if (cmdline == "--version") {
        std::printf("vortella %s\n", VT_VERSION);
        return 0;
    }
    if (cmdline == "--help") {
        std::fputs("usage: vortella /S          run the saver full screen (also /s, -s, -S)\n"
                   "       vortella             the playlist dialog (so do other arguments)\n"
                   "       vortella --version   print the version\n"
                   "The settings are in $XDG_CONFIG_HOME/vortella/VORTELLA.INI\n"
                   "(~/.config/vortella/VORTELLA.INI); vortella-hack plays the same\n"
                   "playlist under XScreenSaver. See vortella(6).\n",
                   stdout);
        return 0;
    }

    std::string err;
    services *desktop = make_desktop_services(&err);
    if (!desktop) {
        std::fprintf(stderr, "vortella: cannot open the display: %s\n",
                     err.empty() ? "unknown reason" : err.c_str());
        return 1;
    }
    set_sys(desktop);
    install_demos();
    write_first_ini();
    return WinMain(cmdline.c_str(), SW_SHOWNORMAL);
}
