// The built-in scenes after the first four, each made by code from the
// shapes of primitives.h and the pictures of textures.h, and each showing
// something the others do not.
#pragma once

#include "authoring/bmp.h"
#include "authoring/writer.h"

namespace vortella {

scene_desc demo_solar();       // a sun, a ringed giant, worlds and a belt of rocks
scene_desc demo_chess();       // turned pieces of marble and dark mirror on an inlaid board
scene_desc demo_glass();       // glassware over a wooden table and fruit
scene_desc demo_canyon();      // a walk at eye height round a winding canyon
scene_desc demo_city();        // towers of lit windows at dusk
scene_desc demo_knot();        // a chrome trefoil knot through a Moebius band
scene_desc demo_crystal();     // a grotto of crystals round a turning camera
scene_desc demo_tunnel();      // a flight along a tunnel that bends round on itself
scene_desc demo_gears();       // meshing gears on a wooden board
scene_desc demo_island();      // an island in a clear sea
scene_desc demo_fountain();    // a fountain of marble tiers and arcs of water
scene_desc demo_armillary();   // a star globe in rings of gold on a turned stand

// The island's map: its land coloured by height, seen from above.
rgbimage island_map(int w, int h);

}  // namespace vortella
