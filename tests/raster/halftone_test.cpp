// Halftone dithering rule, its level tables and the halftone palette.
#include "rastertest.h"

namespace vortella {
namespace {

TEST(Halftone, FixedColoursThresholdAndRepeat) {
    const int fixedcolours[][4] = {{0, 0, 0, 0},       {255, 255, 255, 255}, {255, 0, 0, 249},
                                   {255, 255, 0, 251}, {255, 0, 255, 253},   {0, 255, 255, 254}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            for (auto &c : fixedcolours) EXPECT_EQ(halftone_at(c[0], c[1], c[2], x, y), c[3]);
            // A remainder of 50 rounds up everywhere but where the threshold is 50.
            EXPECT_EQ(halftone_at(50, 0, 0, x, y), aHalftone8x8[x][y] == 50 ? 0 : 29);
            const uint8_t p = halftone_at(100, 150, 30, x, y);
            EXPECT_TRUE(halftone_at(100, 150, 30, x + 8, y) == p && halftone_at(100, 150, 30, x + 1608, y + 2040) == p);
        }
    EXPECT_EQ(halftone_at(50, 0, 0, 0, 7), 0);   // the one threshold-50 cell
}

TEST(Palette, CubeColoursAtTheirEntriesAndReadBackToThemselves) {
    create_halftone_palette();
    for (int k = 0; k < 216; ++k) {
        const int p = aWinGHalftoneTranslation[k];
        const PALETTEENTRY &e = peEntry[p];
        // The shared entries 250 and 252 show one colour within a level.
        const int tol = p == 250 || p == 252 ? 51 : 0;
        EXPECT_LE(std::max({std::abs(e.peRed - 51 * (k % 6)), std::abs(e.peGreen - 51 * (k / 6 % 6)),
                            std::abs(e.peBlue - 51 * (k / 36))}), tol) << k;
        // The transparent fillers read stored colours back: unchanged, a
        // stored index must dither to itself.
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(halftone_at(e.peRed, e.peGreen, e.peBlue, x, y), p);
    }
}

}  // namespace
}  // namespace vortella
