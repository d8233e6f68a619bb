// The halftone palette: the 256 colours the platform's 8-bit pictures are
// shown with, a 6 x 6 x 6 colour cube at the entries its translation table
// names and greys in the rest. Backends copy it to the screen's palette or
// use it to turn picture bytes into true colours; the renderer dithers onto
// the cube and reads stored pixels' colours back from it.
#pragma once

#include <cstdint>

namespace vortella {

struct PALETTEENTRY {
    uint8_t peRed, peGreen, peBlue, peFlags;
};

// The 256 entries of the halftone palette, filled by the platform's palette
// service; the fillers read it back to recover a stored pixel's colour.
inline PALETTEENTRY peEntry[256];

// Palette index of cube colour k = r + 6 g + 36 b (levels 0..5).
inline constexpr uint8_t aWinGHalftoneTranslation[216] = {
    0, 29, 30, 31, 32, 249, 33, 34, 35, 36, 37, 38,
    39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50,
    51, 52, 53, 54, 55, 56, 250, 250, 57, 58, 59, 251,
    60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71,
    72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83,
    84, 85, 86, 87, 88, 89, 250, 90, 91, 92, 93, 94,
    95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106,
    107, 108, 109, 110, 111, 227, 112, 113, 114, 115, 116, 117,
    118, 119, 151, 120, 121, 122, 123, 124, 228, 125, 126, 229,
    133, 162, 135, 131, 132, 137, 166, 134, 140, 130, 136, 143,
    138, 139, 174, 141, 142, 177, 129, 144, 145, 146, 147, 148,
    149, 150, 157, 152, 153, 154, 155, 156, 192, 158, 159, 160,
    161, 196, 163, 164, 165, 127, 199, 167, 168, 169, 170, 171,
    172, 173, 207, 175, 176, 210, 178, 179, 180, 181, 182, 183,
    184, 185, 186, 187, 188, 189, 190, 191, 224, 193, 194, 195,
    252, 252, 197, 198, 128, 253, 252, 200, 201, 202, 203, 204,
    205, 206, 230, 208, 209, 231, 211, 212, 213, 214, 215, 216,
    217, 218, 219, 220, 221, 222, 254, 223, 232, 225, 226, 255,
};

// Fills peEntry with the 256-entry halftone palette: every colour of the
// 6 x 6 x 6 cube at the entry aWinGHalftoneTranslation names for it.
void create_halftone_palette();

}  // namespace vortella
