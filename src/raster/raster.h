// Rasterization: the off-screen picture, span fillers, clipping, halftone
// dithering and the background.
//
// All state of this subsystem is declared here.
#pragma once

#include <cstdint>

namespace vortella {

// The off-screen 8-bit picture: picw x pich palette indices, row y at
// yaddar[y]; picw is a multiple of 16, pich of 4, both at most 2048.
constexpr int pic_max = 2048;
inline int picw, pich;
inline int picw1, pich1;     // integer halves
inline int picw_1, pich_1;   // last column and row
inline uint8_t *yaddar[pic_max];
inline uint8_t *transa;      // one transparency mark per pixel

}  // namespace vortella
