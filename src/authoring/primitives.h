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

#include <array>
#include <functional>
#include <vector>

namespace vortella {

// One point of a lathe profile: distance from the axis and height.
struct profile_point {
    float r, z;
};

// A surface of revolution about the vertical axis through (cx, cy): the
// profile turned through a full circle in `segs` steps. The surface faces
// to the right of the profile's direction of travel in the (r, z) plane,
// so a profile that starts on the axis at the bottom, runs out, up and
// back in to the axis at the top is a closed solid facing outward; one
// that climbs the outside of a vessel, over its rim and down the inside
// is a vessel with walls. A profile point on the axis (r = 0) is a single
// pole point. Where the profile bends by more than `crease` radians the
// edge stays sharp (each side keeps its own normals); elsewhere the normals
// are averaged. Smooth unless `faceted`.
geometry_desc make_lathe(int geom_no, int texture, float cx, float cy, const std::vector<profile_point> &profile,
                         int segs, bool faceted = false, float crease = 0.7f);

// A prism of the simple polygon `outline` (x, y pairs, counter-clockwise
// seen from above) standing from z0 to z1, closed by caps. Faceted. The
// caps are cut into triangles by ear clipping, or, given a `hub` about
// which the outline is star-shaped (every corner seen from it), into a
// fan round the hub: short triangles that a cog's many teeth favour.
geometry_desc make_extrusion(int geom_no, int texture, const std::vector<std::array<float, 2>> &outline, float z0,
                             float z1, const std::array<float, 2> *hub = nullptr);

// A height field over the rectangle (x0, y0)-(x1, y1) in nx x ny cells,
// its height h(x, y), facing up; each cell split along the diagonal that
// follows the surface more closely. Smooth normals from the neighbouring
// heights unless `faceted`.
geometry_desc make_heightfield(int geom_no, int texture, float x0, float y0, float x1, float y1, int nx, int ny,
                               const std::function<float(float, float)> &h, bool faceted);

// A tube of radius r round the closed curve c(t), t from 0 to 1 (c(1) =
// c(0)), `rings` steps along it and `segs` round it, facing outward. The
// tube's cross-sections are carried along the curve without twisting
// (the small turn a closed curve leaves after one lap is spread over its
// length). Smooth.
geometry_desc make_tube(int geom_no, int texture, const std::function<std::array<float, 3>(double)> &c, float r,
                        int rings, int segs);

// The (p, q) torus knot about (cx, cy, cz) as a tube: p turns round the
// vertical axis at distance R, q round the core circle at distance a; tube
// radius r. (2, 3) is the trefoil.
geometry_desc make_torus_knot(int geom_no, int texture, float cx, float cy, float cz, int p, int q, float R, float a,
                              float r, int rings, int segs);

// Appends the points and triangles of `b` to `a` (the depth tables are
// left for the caller to build).
void append(geometry_desc &a, const geometry_desc &b);

// Moves a geometry by (dx, dy, dz).
void shift(geometry_desc &g, float dx, float dy, float dz);

// Turns a geometry by `a` radians about the axis through the origin along
// the unit vector (ax, ay, az), by the right-hand rule.
void turn(geometry_desc &g, float ax, float ay, float az, float a);

// `n` copies of `shape` round the vertical axis through the origin: the
// shape, made about the origin, moved out along +x by `radius` and turned
// about the axis by phase + 2 pi k / n for copy k; one geometry.
geometry_desc ring_of(const geometry_desc &shape, int n, float radius, float phase = 0);

// nx x ny copies of `shape` on a grid centred on the origin, `dx` and `dy`
// apart; one geometry.
geometry_desc grid_of(const geometry_desc &shape, int nx, int ny, float dx, float dy);

// Gives every triangle a twin facing the other way, so that a thin sheet
// shows both sides (faceted geometries only keep their face normals).
void two_sided(geometry_desc &g);

}  // namespace vortella
