// Models with texture coordinates for the baking tests, made here: each in
// the scene's axes (z up), about the origin, triangles counter-clockwise
// from outside.
#pragma once

#include <string>

#include "authoring/import.h"

namespace vortella::test {

// A 2 x 2 square in the plane y = 0 facing -y; u runs along x, v up z.
model_mesh uv_quad();
// A unit sphere of `rings` bands and `segs` sectors; u is the azimuth from
// +x toward +y over a turn, v the height from the bottom pole to the top.
model_mesh uv_sphere(int rings, int segs);
// A closed tube of radius 1 from z = 0 to `height`, `segs` sectors; u
// round, v up the side, the ends mapped as discs.
model_mesh uv_tube(int segs, float height);
// A torus round z, radii 2 and 0.6; u round the ring, v round the tube.
model_mesh uv_torus(int rings, int segs);
// A cube of side 2 whose faces share one texture, each in its own cell of
// a 3 x 2 grid.
model_mesh uv_cube();

// Writes `m` as a y-up OBJ file (so that it comes back in these axes)
// with texture coordinates, material `material` of each triangle named
// "m<number>", and `mtl` as its material library (written separately).
void write_obj(const std::string &path, const model_mesh &m, const std::string &mtl);

}  // namespace vortella::test
