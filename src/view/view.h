// What the view pipeline and the rasteriser share, and nothing more: the
// off-screen picture the fillers write (its size, rows and transparency
// marks), the sides of the view pyramid the pipeline computes and the
// clipper cuts against, the display's vertical sense and the picture's row
// order, and the camera's tilt limit. Neither side includes the other; both
// include this, and the frame renderer above them sets it up.
#pragma once

#include <cstdint>

namespace vortella {

// ---------------------------------------------------------------------------
// Picture
// ---------------------------------------------------------------------------

// The off-screen 8-bit picture: picw x pich palette indices, row y at
// yaddar[y]; picw is a multiple of 16, pich of 4, both at most 2048.
constexpr int pic_max = 2048;
inline int picw, pich;
inline int picw1, pich1;     // integer halves
inline int picw_1, pich_1;   // last column and row
inline uint8_t *yaddar[pic_max];
inline uint8_t *transa;      // one transparency mark per pixel, y * picw + x

// ---------------------------------------------------------------------------
// View
// ---------------------------------------------------------------------------

inline int iminv = 1;         // display "Normal" (nonzero) or "Inverted" (0)
inline int Orientation = 1;   // row order of the picture: +1 row 0 at the bottom, -1 at the top

// Rotations taking the right, left, top and bottom sides of the view pyramid
// onto the plane z' = 0 (read by the triangle clipper).
inline float vr11, vr12, vr13, vr14,
             vr21, vr22, vr23, vr24,
             vr31, vr32, vr33, vr34,
             vr41, vr42, vr43, vr44;
inline float vl11, vl12, vl13, vl14,
             vl21, vl22, vl23, vl24,
             vl31, vl32, vl33, vl34,
             vl41, vl42, vl43, vl44;
inline float vt11, vt12, vt13, vt14,
             vt21, vt22, vt23, vt24,
             vt31, vt32, vt33, vt34,
             vt41, vt42, vt43, vt44;
inline float vb11, vb12, vb13, vb14,
             vb21, vb22, vb23, vb24,
             vb31, vb32, vb33, vb34,
             vb41, vb42, vb43, vb44;

// Largest camera tilt above or below the horizon, radians: the panorama
// background covers no more, and the camera's start altitude is refused
// beyond it.
inline float CamMaxTilt = 1.0908f;

// Start values: no picture, the display upright, rows bottom-up, the view
// planes cleared. The transparency marks belong to the frame renderer,
// which releases them first (reset_frame).
void reset_view();

}  // namespace vortella
