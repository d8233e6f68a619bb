// Depth tables: for each of the 32 view directions, the order in which a
// geometry's triangles are painted, farthest first.
#pragma once

#include "authoring/writer.h"

namespace vortella {

// Fills the 32 depth tables of `g` by sorting its triangles along each view
// direction (the direction points from the object toward the camera), the
// farthest first. Triangles are ordered by the distance of their centre,
// ties by their farthest vertex, then by number, so the result is stable.
void build_ddh(geometry_desc &g);

}  // namespace vortella
