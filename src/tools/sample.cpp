// vtl sample: writes the sample scene and its map.
#include <cstdio>
#include <string>

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

}  // namespace vortella
