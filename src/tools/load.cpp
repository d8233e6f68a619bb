#include "tools/load.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "authoring/demos.h"

namespace vortella {

int load_scene(const char *scene, const std::string &mapdir, const std::string &background, load_result &r) {
    const std::string p = scene;
    const size_t cut = p.find_last_of("/\\");
    scene_paths paths;
    paths.folder = cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
    paths.mapsdir = !mapdir.empty() ? mapdir : cut == std::string::npos ? std::string(".") : p.substr(0, cut);
    paths.background = !background.empty() ? background : paths.mapsdir + pathsep + demo_background;

    r = readfile(scene, paths);
    switch (r.code) {
    case load_cannot_open:
        std::fprintf(stderr, "vtl: %s: cannot open: %s\n", scene, std::strerror(errno));
        return 1;
    case load_missing_map:
        std::fprintf(stderr, "vtl: %s: cannot load: %s\n", scene, r.message.c_str());
        return 1;
    case load_malformed:
        std::fprintf(stderr, "vtl: %s\n", r.message.c_str());
        return 2;
    default:
        break;
    }
    for (const load_note &n : r.notes) std::fprintf(stderr, "vtl: %s: %s\n", n.caption.c_str(), n.text.c_str());
    for (const std::string &w : r.warnings) std::fprintf(stderr, "vtl: %s: warning: %s\n", scene, w.c_str());
    return 0;
}

void unload_scene() {
    deletefilestruct();
    deleterenlstruct();
    DibFree(bgmapraw);
    bgmapraw = nullptr;
}

}  // namespace vortella
