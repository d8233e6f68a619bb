// Bumpy tori: closed, smooth meshes of any size for the frame tests and the
// benchmarks, cut into several geometries the way the scene compiler cuts a
// large model.
#pragma once

#include "authoring/writer.h"

namespace vortella::test {

struct bumpy_desc {
    int rings = 75, segs = 40;   // 2 x rings x segs triangles
    int parts = 1;               // geometries, each a run of whole rings
    float R = 2.2f, r = 0.9f;    // ring and tube radius
    float bump = 0.12f;          // bump height, share of the tube radius
    bool faceted = false;        // face normals instead of point normals
    bool open = false;           // leave out every fourth tube segment: holes show the inside
    float x = 0, y = 0, z = 0;   // centre
};

// The geometries of a bumpy torus around (x, y, z), tilted toward the
// viewer, numbered from `geom_no` with material `texture`, depth tables
// sorted. Point normals average the normals of the faces around a point,
// so a point shared by two parts has the same normal in both.
std::vector<geometry_desc> make_bumpy(const bumpy_desc &d, int geom_no, int texture);

// The scene the scene compiler makes of a model: a light grey material, one
// drawn instance (rend_mode 10) of the torus's parts, a framing camera that
// circles, one light and a dark plain background.
scene_desc bumpy_scene(const bumpy_desc &d);

}  // namespace vortella::test
