// Generated models for measuring depth tables: the kinds of shape on which
// a sort by centres goes wrong (folds, thin parts beside thick ones, parts
// sunk into each other, long thin triangles at sharp creases, separate
// objects overlapping on the screen), each at a small size for the tests
// and a large one for the benchmark.
#pragma once

#include <string>
#include <vector>

#include "authoring/writer.h"

namespace vortella::test {

struct named_mesh {
    std::string name;
    geometry_desc g;
};

// `fine` scales the tessellation: 1 gives models of a few hundred to a few
// thousand triangles, 4 about sixteen times as many.
// A closed smooth blob with deep bumps that fold over each other.
geometry_desc bumpy_blob(int fine);
// A closed smooth tube along a trefoil knot: the tube passes in front of
// and behind itself.
geometry_desc knot(int fine);
// A pot: a round body with a spout and a handle sunk into it and a knob on
// the lid, four closed smooth parts meeting at junctions.
geometry_desc pot(int fine);
// Faceted machine parts: an E-shaped prism beside a stepped block, concave
// with sharp creases, their ends cut into long thin triangles.
geometry_desc bracket(int fine);
// A thick hub with thin blades just clear of it, over a thin flange just
// clear of it.
geometry_desc hub(int fine);
// The hub with a block just under its flange: three parts stacked so
// closely that each pair can be seen either way round from within one
// direction class, which no single order per class gets right everywhere.
geometry_desc hub_on_block(int fine);
// Open surfaces: a hilly sheet and a hood (the upper half of a rounded box,
// no floor), seen from either side.
geometry_desc hills(int fine);
geometry_desc hood(int fine);
// Boxes, balls, a cylinder and a ring on a floor and on each other.
geometry_desc still_life(int fine);

// All of the above but hub_on_block, and the two models of visibility.h,
// at one fineness.
std::vector<named_mesh> all_meshes(int fine);
// The models beyond what the tables are held to: hub_on_block.
std::vector<named_mesh> hard_meshes(int fine);

}  // namespace vortella::test
