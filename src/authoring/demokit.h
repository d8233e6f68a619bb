// The small makers the built-in scenes are written with: a plain material,
// a geometry added with its depth tables, a camera, the scene settings.
#pragma once

#include <cstdint>

#include "authoring/writer.h"

namespace vortella::demokit {

constexpr float pi = 3.14159265f;

// A material lit by the ambient share alone, no highlight unless a scene
// asks for one.
material_desc mat(int no, const char *name, uint8_t r, uint8_t g, uint8_t b);

// Adds a geometry with its depth tables. Closed shapes of small faces get
// the plain sort along each view direction, which orders them right and
// is fast (the scenes are made whenever the program plays one); shapes
// whose large faces a sort by centres misjudges (a slab on legs, blocks on
// a floor, long cap triangles beside small sides) get the repaired order.
// Small ones are repaired on one thread: starting threads costs more than
// it saves there.
geometry_desc &geo(scene_desc &s, geometry_desc g, const char *name, int rend_mode = 0, bool repaired = false);

camera_desc cam(float x, float y, float z, float tx, float ty, float tz, float focl);
scene_settings_desc settings(const char *title, int background, uint8_t r, uint8_t g, uint8_t b);

}  // namespace vortella::demokit
