// vtl sample: writes the sample scene and its map.
#include <cstdio>
#include <string>

#include "authoring/demos.h"
#include "authoring/primitives.h"
#include "tools/vtl.h"

namespace vortella {

int cmd_sample(int argc, char **argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: vtl sample SCENE.vtl\n");
        return 2;
    }
    std::string err;
    if (!write_sample(argv[0], &err)) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    std::printf("wrote %s\n", argv[0]);
    return 0;
}

int cmd_demo(int argc, char **argv) {
    if (argc != 2 || std::string(argv[0]) != "-o") {
        std::fprintf(stderr, "usage: vtl demo -o DIR\n");
        return 2;
    }
    std::string err;
    if (!write_demos(argv[1], &err)) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    for (int i = 0; i < demo_scene_count; ++i) std::printf("%s/%s\n", argv[1], demo_scenes[i].name);
    return 0;
}

}  // namespace vortella
