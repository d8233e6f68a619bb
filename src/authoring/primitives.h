// Simple geometries and pictures made by code: the shapes of the sample
// scene and of tests.
#pragma once

#include <string>

#include "authoring/bmp.h"
#include "authoring/writer.h"

namespace vortella {

// An axis-aligned box centred at (cx, cy, cz) with half sizes (hx, hy, hz):
// faceted, 8 points, 12 outward-facing triangles.
geometry_desc make_box(int geom_no, int texture, float cx, float cy, float cz, float hx, float hy, float hz);

// A smooth UV sphere of radius r centred at (cx, cy, cz), with `rings`
// latitude bands (at least 2) and `segs` longitude segments (at least 3).
geometry_desc make_sphere(int geom_no, int texture, float cx, float cy, float cz, float r, int rings, int segs);

// Fills every depth table with all triangles in their stored order.
void ddh_all(geometry_desc &g);

// A w x h checkerboard of `cells` x `cells` squares in two colours.
rgbimage make_checker(int w, int h, int cells, const uint8_t a[3], const uint8_t b[3]);

// The sample scene: a textured sphere resting on a box, with camera, light
// and settings; its map is written as `mapname` beside the scene.
scene_desc sample_scene(const std::string &mapname);

// Writes the sample scene to `path` and its map into the same folder.
bool write_sample(const std::string &path, std::string *err);

}  // namespace vortella
