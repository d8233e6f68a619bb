// Depth tables: for each of the 32 view directions, the order in which a
// geometry's triangles are painted, farthest first.
#pragma once

#include <vector>

#include "authoring/writer.h"

namespace vortella {

// Fills the 32 depth tables of `g`. Each table starts from a sort along its
// view direction (the direction points from the object toward the camera),
// farthest centre first. Every pair of triangles that may overlap on the
// screen for some camera of that direction class is judged: where one
// order is right for every such camera and the sort has the other, the
// pair is repaired, most pixels at stake first (counted on a few views of
// the class drawn with a depth buffer), as far as the repairs and the
// orders the sort has right allow; pairs whose right order changes within
// the class keep the sort's order. A table that shows any of those views
// worse than the sort is replaced by the sort. Triangles that the renderer
// can never draw (two corners at the same place) are left out. Runs the 32
// directions on up to `threads` threads (0: as many as the machine has);
// the result does not depend on the thread count.
void build_ddh(geometry_desc &g, int threads = 0);

// The plain sort alone: centre distance along each direction, ties by the
// nearest vertex, then by number. Kept for comparison and for callers that
// want the cheapest tables.
void build_ddh_sorted(geometry_desc &g);

// One depth table: the painting order of `g`'s triangles for the unit view
// direction (dx, dy, dz), by the method of build_ddh.
std::vector<int> depth_order(const geometry_desc &g, double dx, double dy, double dz);

}  // namespace vortella
