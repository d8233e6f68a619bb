// Pictures made by code for the demo scenes: texture maps and the panorama
// background. All are deterministic.
#pragma once

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

}  // namespace vortella
