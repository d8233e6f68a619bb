// Loading a scene the way every vtl command does: maps beside the scene or
// in a maps folder, the demo panorama as the background unless one is
// named, and every message of the loader on stderr.
#pragma once

#include <string>

#include "scene/scene.h"

namespace vortella {

// Loads `scene`. Maps are searched beside it and in `mapdir` (default: the
// scene's own folder); the background bitmap is `background` (default: the
// demo panorama's name in the maps folder). Warnings and the loader's
// messages go to stderr. Returns the exit status the command ends with on
// failure, or 0 when the scene is loaded: 1 it cannot be opened or a map it
// names is missing, 2 it is malformed. `r` gets what the load came to.
int load_scene(const char *scene, const std::string &mapdir, const std::string &background, load_result &r);

// Releases the loaded scene and the background bitmap.
void unload_scene();

}  // namespace vortella
