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

namespace vortella {

// A torus around the z axis: ring radius R, tube radius r, `rings` steps
// around the ring and `segs` around the tube; then turned by `tilt` radians
// about the x axis and moved to (cx, cy, cz). Smooth.
geometry_desc make_torus(int geom_no, int texture, float cx, float cy, float cz, float R, float r, int rings,
                         int segs, float tilt = 0);

// An upright cylinder of radius r from z0 to z1 around (cx, cy) with `segs`
// sides and closed ends; smooth sides unless `faceted`.
geometry_desc make_cylinder(int geom_no, int texture, float cx, float cy, float z0, float z1, float r, int segs,
                            bool faceted);

// A horizontal square of side `size` at height z around (cx, cy), split into
// n x n cells, facing up.
geometry_desc make_grid(int geom_no, int texture, float cx, float cy, float z, float size, int n, bool faceted);

// Turns a smooth geometry into a faceted one: every triangle gets its face
// normal (points keep their place; their normals are no longer written).
void facet(geometry_desc &g);

// Scales a geometry's points by (sx, sy, sz) about (cx, cy, cz), keeping
// its normals unit length.
void squash(geometry_desc &g, float cx, float cy, float cz, float sx, float sy, float sz);

// Turns a geometry about the vertical axis through (cx, cy) by `a` radians.
void turnz(geometry_desc &g, float cx, float cy, float a);

}  // namespace vortella
