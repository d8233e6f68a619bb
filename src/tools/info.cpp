// vtl info: loads a scene file as the saver does and reports the object
// store, as text or as one JSON object whose keys are the field names of the
// in-memory records and globals.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/records.h"
#include "scene/scene.h"
#include "tools/load.h"
#include "tools/report.h"
#include "tools/vtl.h"

namespace vortella {

using nlohmann::ordered_json;

int cmd_info(int argc, char **argv) {
    const char *path = nullptr;
    bool json = false;
    std::string mapdir, background;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--json")) {
            json = true;
        } else if (!std::strcmp(argv[i], "--maps") && i + 1 < argc) {
            mapdir = argv[++i];
        } else if (!std::strcmp(argv[i], "--background") && i + 1 < argc) {
            background = argv[++i];
        } else if (argv[i][0] == '-' || path) {
            std::fprintf(stderr, "vtl info: unexpected argument '%s'\n", argv[i]);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: vtl info SCENE.vtl [--json] [--maps DIR] [--background BMP]\n");
        return 2;
    }

    load_result r;
    if (const int rc = load_scene(path, mapdir, background, r)) return rc;
    // The header is not kept by the loader; read it again for the report.
    file_header_s h{};
    if (std::FILE *f = std::fopen(path, "rb")) {
        if (std::fread(&h, sizeof h, 1, f) != 1) h = file_header_s{};
        std::fclose(f);
    }
    const ordered_json j = scene_report(path, h, r.warnings);
    const std::string out = json ? scene_json(j) + "\n" : scene_text(j);
    std::fputs(out.c_str(), stdout);
    unload_scene();
    return 0;
}

}  // namespace vortella
