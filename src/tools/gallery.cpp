// vtl gallery: a still of every built-in scene and one short animation,
// rendered as vtl render renders them: the pictures of the README.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "authoring/demos.h"
#include "tools/vtl.h"

namespace vortella {

namespace {

// The stills: the first frame of each scene, as large as a contact sheet
// of four across shows well.
const char *const still_size = "320x200";
// The animation: the chrome knot turning fast before the moving panorama
// (an entry's camera speed), 45 frames at 12 per second.
const char *const animated = "KNOT.VTL";
const char *const animation_file = "knot.gif";
const char *const animation_entry = "3,320,200,2,0,1,0,0,-4,0,120,0,40";

// Runs vtl render in this process with the given arguments.
int render(std::vector<std::string> args) {
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    return cmd_render(static_cast<int>(argv.size()), argv.data());
}

std::string lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

int cmd_gallery(int argc, char **argv) {
    if (argc != 2 || std::string(argv[0]) != "-o") {
        std::fprintf(stderr, "usage: vtl gallery -o DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int i = 0; i < demo_scene_count; ++i) {
        std::string stem = demo_scenes[i].name;
        stem = lower(stem.substr(0, stem.rfind('.')));
        const std::string out = dir + "/" + stem + ".png";
        if (const int rc = render({demo_scenes[i].name, "-o", out, "--size", still_size})) return rc;
        std::printf("%s\n", out.c_str());
    }
    const std::string gif = dir + "/" + animation_file;
    if (const int rc = render({animated, "-o", gif, "--size", "320x200", "--frames", "45", "--fps", "12", "--entry",
                               animation_entry}))
        return rc;
    std::printf("%s\n", gif.c_str());
    return 0;
}

}  // namespace vortella
