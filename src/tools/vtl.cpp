// vtl: the command-line tool for scene files.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
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

// The usage on `out`; 2, the status of a bad command line.
static int usage(std::FILE *out = stderr) {
    std::fprintf(out,
                 "usage: vtl info SCENE.vtl [--json] [--maps DIR] [--background BMP]\n"
                 "       vtl sample SCENE.vtl\n"
                 "       vtl render SCENE.vtl -o OUT.{png,bmp,gif} [--size WxH] [--frames N] [--fps N]\n"
                 "                  [--maps DIR] [--background BMP] [--inverted] [--bench]\n"
                 "       vtl demo -o DIR\n"
                 "       vtl gallery -o DIR\n"
                 "       vtl record [--ini FILE] [--seconds S] [--screen WxH[@X,Y][,WxH[@X,Y]...]]\n"
                 "                  [--scale auto|1|2|3|4] -o OUT.gif\n"
                 "       vtl build MODEL|SCENE.json -o SCENE.vtl [--faceted] [--crease DEG] [--mapping KIND]\n"
                 "                 [--up AXIS] [--floor] ...\n"
                 "       vtl version | --version | --help\n");
    return 2;
}

namespace {

int run(int argc, char **argv) {
    const std::string cmd = argv[1];
    if (cmd == "info") return cmd_info(argc - 2, argv + 2);
    if (cmd == "sample") return cmd_sample(argc - 2, argv + 2);
    if (cmd == "render") return cmd_render(argc - 2, argv + 2);
    if (cmd == "demo") return cmd_demo(argc - 2, argv + 2);
    if (cmd == "gallery") return cmd_gallery(argc - 2, argv + 2);
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
        usage(stdout);
        return 0;
    }
    if (cmd == "version" || cmd == "--version") {
        std::printf("vtl %s\n", VT_VERSION);
        return 0;
    }
    std::fprintf(stderr, "vtl: unknown command '%s'\n", cmd.c_str());
    return usage();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) return usage();
    tool_services svc;
    set_sys(&svc);
    // Every failure a command knows of ends with its own message; anything
    // else still ends with a message and status 2, never an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "vtl: %s: out of memory\n", argv[1]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "vtl: %s: %s\n", argv[1], e.what());
    }
    return 2;
}
