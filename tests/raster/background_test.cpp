// Background: field of view, panorama tile, per-frame copy and plain colour.
#include <cstring>

#include "pipeline/pipeline.h"
#include "rastertest.h"

namespace vortella {
namespace {

struct Background : ::testing::Test {
    testpic pic;
    void SetUp() override {
        create_halftone_palette();
        pic.make(320, 200);
        iminv = 1, Orientation = 1;
        camx = 0, camy = -10, camz = 0, tarx = 0, tary = 0, tarz = 0;   // azimuth pi/2
        bgred = bggreen = bgblue = 0;
        freebg();
        bgmapraw = DibCreate(24, 640, 480);
        ASSERT_NE(bgmapraw, nullptr);
        for (int j = 0; j < 480; ++j)
            for (int i = 0; i < 640; ++i) {
                uint8_t *p = DibBits(bgmapraw) + j * DibRowBytes(bgmapraw) + 3 * i;
                p[0] = uint8_t(i + j), p[1] = uint8_t(j), p[2] = uint8_t(i);
            }
        createbg();
        ASSERT_NE(bgmap, nullptr);
    }
    void TearDown() override {
        freebg();
        DibFree(bgmapraw);
        bgmapraw = nullptr;
    }
    static uint8_t sample(int sc, int sr, int i, int j) { return halftone_at(sc & 255, sr & 255, (sc + sr) & 255, i, j); }
    static const uint8_t *tilerow(int r) { return bgmap + r * bgx; }
    static bool rowis(int k, const uint8_t *src, int n = picw) { return std::memcmp(yaddar[k], src, size_t(n)) == 0; }
};

TEST_F(Background, TileFor320x200FromA640x480Bitmap) {
    EXPECT_NEAR(fovx, 1.53589f, 1e-5f);
    EXPECT_EQ(std::vector<int>({bgy, bgxrep, bgx}), std::vector<int>({654, 2, 654}));
    EXPECT_EQ(tilerow(0)[0], sample(0, 0, 0, 0));   // from the first stored row
    EXPECT_EQ(tilerow(653)[653], sample(638, 478, 653, 653));
    EXPECT_EQ(tilerow(300)[100], sample(639 * 100 / 654, 479 * 300 / 654, 100, 300));
}

TEST_F(Background, HorizonViewStartsAtRow227AndStopsAtTheTileEnd) {
    transa[5] = 9;
    dobackground();
    EXPECT_EQ(transa[5], 0);
    const int sx = 167;   // bgx (1 - frac((fovx / 2 + pi / 2) * 2 / 2pi))
    for (int k = 0; k < pich; ++k) ASSERT_TRUE(rowis(k, tilerow(227 + k) + sx)) << k;
    iminv = 0;   // flipped: the lower edge of the view is the last row
    dobackground();
    EXPECT_TRUE(rowis(pich - 1, tilerow(227) + sx));
    EXPECT_TRUE(pic.guards_intact());
    pic.fill(untouched);
    iminv = 1, tarz = 20;   // steeply up: the tile's last shown row comes early
    dobackground();
    int k = 0;
    while (k < pich && yaddar[k][0] != untouched) ++k;
    EXPECT_EQ(k, 196);
    EXPECT_TRUE(rowis(k - 1, tilerow(bgy - 2) + sx));
    for (; k < pich; ++k) EXPECT_EQ(yaddar[k][0], untouched);   // rows past the tile keep their content
}

TEST_F(Background, WholeTileTurnWrapsASingleByte) {
    fovx = 3.14159265f;   // (fovx / 2 + pi / 2) * 2 / 2pi = 1: sx = bgx
    dobackground();
    for (int k = 0; k < pich; ++k) {
        ASSERT_EQ(yaddar[k][0], tilerow(227 + k + 1)[0]);
        ASSERT_EQ(0, std::memcmp(yaddar[k] + 1, tilerow(227 + k), size_t(picw - 1))) << k;
    }
    EXPECT_TRUE(pic.guards_intact());
}

TEST_F(Background, PlainColourAndMissingBitmap) {
    DibFree(bgmapraw);
    bgmapraw = DibCreate(8, 64, 64);   // only 24-bit bitmaps make a panorama
    createbg();
    EXPECT_EQ(bgmap, nullptr);
    DibFree(bgmapraw);
    bgmapraw = nullptr;   // no bitmap at all: the plain colour too
    createbg();
    EXPECT_EQ(bgmap, nullptr);
    bgred = 255;
    dobackground();
    for (int y = 0; y < pich; ++y) ASSERT_EQ(std::count(yaddar[y], yaddar[y] + picw, 249), picw);
    bgred = 100, bggreen = 150, bgblue = 30;
    dobackground();
    for (int y = 0; y < pich; ++y)
        for (int x = 0; x < picw; ++x) ASSERT_EQ(pic.at(x, y), halftone_at(100, 150, 30, x, y));
    EXPECT_TRUE(pic.guards_intact());
}

}  // namespace
}  // namespace vortella
