// The demo scenes: made by code, built into the program with their texture
// maps and panorama, and played by a fresh installation.
#pragma once

#include <string>

namespace vortella {

struct demo_scene {
    const char *name;     // file name, as a playlist names it
    const char *title;
    const char *params;   // entry-parameter text the demo playlist gives it
};

extern const demo_scene demo_scenes[];
extern const int demo_scene_count;

// Name of the built-in panorama background bitmap.
extern const char *const demo_background;

// Installs the demo scenes and their bitmaps as built-in files: scenes for
// the loader's lookup, bitmaps for the bitmap reader's. Each is made in
// memory the first time it is read, so starting costs nothing and playing
// one scene makes only that scene and its maps. Safe to call more than once.
void install_demos();

// Writes the demo scenes and their bitmaps into `dir`; false with `err` set
// on failure.
bool write_demos(const std::string &dir, std::string *err);

}  // namespace vortella
