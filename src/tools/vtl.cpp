// vtl: the command-line tool for scene files.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/vtl.h"

namespace vortella {

// Message boxes of the saver that vtl record runs go to stderr (the end of
// its process unwinds to the command: the headless backend throws
// process_exit).
int tool_services::message_box(const char *text, const char *caption, unsigned) {
    std::fprintf(stderr, "vtl: %s: %s\n", caption, text);
    return IDOK;
}

}  // namespace vortella

using namespace vortella;

static int usage() {
    std::fprintf(stderr,
                 "usage: vtl info SCENE.vtl [--json] [--maps DIR] [--background BMP]\n"
                 "       vtl sample SCENE.vtl\n"
                 "       vtl render SCENE.vtl -o OUT.{png,bmp,gif} [--size WxH] [--frames N] [--fps N]\n"
                 "                  [--maps DIR] [--background BMP] [--inverted] [--bench]\n"
                 "       vtl demo -o DIR\n"
                 "       vtl record [--ini FILE] [--seconds S] [--screen WxH[@X,Y][,WxH[@X,Y]...]]\n"
                 "                  [--scale auto|1|2|3|4] -o OUT.gif\n"
                 "       vtl build MODEL|SCENE.json -o SCENE.vtl [--faceted] [--crease DEG] [--mapping KIND] ...\n");
    return 2;
}

int main(int argc, char **argv) {
    if (argc < 2) return usage();
    tool_services svc;
    set_sys(&svc);
    const std::string cmd = argv[1];
    if (cmd == "info") return cmd_info(argc - 2, argv + 2);
    if (cmd == "sample") return cmd_sample(argc - 2, argv + 2);
    if (cmd == "render") return cmd_render(argc - 2, argv + 2);
    if (cmd == "demo") return cmd_demo(argc - 2, argv + 2);
#ifdef VT_NO_BUILD_RECORD
    if (cmd == "build" || cmd == "record") {
        std::fprintf(stderr, "vtl: '%s' is not part of this build\n", cmd.c_str());
        return 2;
    }
#else
    if (cmd == "build") return cmd_build(argc - 2, argv + 2);
    if (cmd == "record") return cmd_record(argc - 2, argv + 2);
#endif
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        usage();
        return 0;
    }
    std::fprintf(stderr, "vtl: unknown command '%s'\n", cmd.c_str());
    return usage();
}
