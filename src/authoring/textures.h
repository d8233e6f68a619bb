// Pictures made by code for the demo scenes: texture maps and the panorama
// background. All are deterministic.
#pragma once

#include <functional>

#include "authoring/bmp.h"

namespace vortella {

// Smooth value noise in 0..1 with `octaves` octaves, periodic in x with
// period `px` and in y with `py` (in lattice cells of the first octave).
float fbm(float x, float y, int octaves, int px, int py);

rgbimage tex_planet(int w, int h);      // oceans, continents, ice caps
rgbimage tex_moon(int w, int h);        // grey, cratered
rgbimage tex_tiles(int w, int h);       // 2 x 2 marble floor tiles
rgbimage tex_marble(int w, int h);      // veined stone, wraps left to right
rgbimage tex_fluted(int w, int h);      // vertical bands for pillars
rgbimage tex_panorama(int w, int h);    // night sky: stars, a nebula, hills

rgbimage tex_wood(int w, int h);        // planks of ringed, grained wood
rgbimage tex_bricks(int w, int h);      // brick courses in running bond
rgbimage tex_board(int w, int h);       // 8 x 8 squares of light and dark wood in a border
rgbimage tex_windows(int w, int h);     // a tower's face at dusk, some windows lit
rgbimage tex_giant(int w, int h);       // a gas giant's bands and a storm
rgbimage tex_sun(int w, int h);         // a star's boiling surface
rgbimage tex_stars(int w, int h);       // a star chart: stars, a milky band, gold circles

// Land seen from above, coloured by height: `height(u, v)` for u and v in
// 0..1 across the picture (u to the right, v downward), in scene units,
// the sea at 0.
rgbimage tex_land(int w, int h, const std::function<float(float, float)> &height);

}  // namespace vortella
