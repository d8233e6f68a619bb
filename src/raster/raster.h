// Rasterization: the off-screen picture, span fillers, clipping, halftone
// dithering and the background.
//
// All state of this subsystem is declared here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/palette.h"
#include "raster/fixed.h"
#include "scene/scene.h"
#include "view/view.h"

namespace vortella {

// ---------------------------------------------------------------------------
// Halftone dithering
// ---------------------------------------------------------------------------

// Halftone dithering onto the 6 x 6 x 6 colour cube of the halftone palette.
inline constexpr uint8_t aDividedBy51[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3,
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3,
    3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5,
};
inline constexpr uint8_t aModulo51[256] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
    13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
    29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
    45, 46, 47, 48, 49, 50, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
    26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41,
    42, 43, 44, 45, 46, 47, 48, 49, 50, 0, 1, 2, 3, 4, 5, 6,
    7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
    23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38,
    39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 0, 1, 2, 3,
    4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
    20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35,
    36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 0,
};
inline constexpr uint8_t aTimes6[6] = {0, 6, 12, 18, 24, 30};
inline constexpr uint8_t aTimes36[6] = {0, 36, 72, 108, 144, 180};
// Dither thresholds 0..50, [x mod 8][y mod 8].
inline constexpr uint8_t aHalftone8x8[8][8] = {
    {0, 38, 9, 47, 2, 40, 11, 50},
    {25, 12, 35, 22, 27, 15, 37, 24},
    {6, 44, 3, 41, 8, 47, 5, 43},
    {31, 19, 28, 15, 34, 21, 31, 18},
    {1, 39, 11, 49, 0, 39, 10, 48},
    {27, 14, 36, 23, 26, 13, 35, 23},
    {7, 46, 4, 43, 7, 45, 3, 42},
    {33, 20, 30, 17, 32, 19, 29, 16},
};

// The same thresholds by row: aHalftoneRows[y mod 8][x mod 8], so a span
// reads its row's eight from one place.
struct halftone_rows_s {
    uint8_t t[8][8];
    constexpr const uint8_t *operator[](int y) const { return t[y]; }
};
constexpr halftone_rows_s make_halftone_rows() {
    halftone_rows_s r{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) r.t[y][x] = aHalftone8x8[x][y];
    return r;
}
inline constexpr halftone_rows_s aHalftoneRows = make_halftone_rows();

// Palette index of the colour (r, g, b), each 0..255, under the dither
// threshold t of its pixel: a channel rounds up to the next of the six
// levels exactly when its remainder above the lower level exceeds t, so a
// remainder of 0 never rounds up and 255 stays at level 5.
//
// The rule is folded into three tables per threshold, built at compile
// time from the ones above: a channel's level, and that level times 6 and
// times 36, so a pixel costs three reads and a sum.
struct halftone_levels_s {
    uint8_t r[51][256], g[51][256], b[51][256];
};
constexpr halftone_levels_s make_halftone_levels() {
    halftone_levels_s h{};
    for (int t = 0; t < 51; ++t)
        for (int c = 0; c < 256; ++c) {
            const int l = aDividedBy51[c] + (aModulo51[c] > t);
            h.r[t][c] = static_cast<uint8_t>(l);
            h.g[t][c] = aTimes6[l];
            h.b[t][c] = aTimes36[l];
        }
    return h;
}
inline constexpr halftone_levels_s aHalftoneLevels = make_halftone_levels();

inline uint8_t halftone(int r, int g, int b, int t) {
    return aWinGHalftoneTranslation[aHalftoneLevels.r[t][r] + aHalftoneLevels.g[t][g] + aHalftoneLevels.b[t][b]];
}

// The halftone index of (r, g, b) at pixel (x, y), x, y >= 0.
inline uint8_t halftone_at(int r, int g, int b, int x, int y) {
    return halftone(r, g, b, aHalftone8x8[x & 7][y & 7]);
}

// ---------------------------------------------------------------------------
// Span fillers
// ---------------------------------------------------------------------------

// Per-triangle hand-over from the clipper: pixel vertices (inside the
// picture), shade indices 0..255, highlight levels 0..31 and texture
// coordinates (0..16383 spans the texture once).
inline int x1, y1, x2, y2, x3, y3;
inline int n1, n2, n3;
inline int h1, h2, h3;
inline int tx1, ty1, tx2, ty2, tx3, ty3;

// Per-material inputs, set by the frame renderer.
inline litea *ptl;                 // shading table L(s, v)
inline hilitea *pth;               // highlight table H(h, v)
inline litea *ptr, *ptg, *ptb;     // transmission tables, red, green, blue
inline texta *pta;                 // texture row addresses by ty
inline textia *pti;                // texel byte offsets by tx
inline uint8_t pred, pgreen, pblue;   // material colour
inline int attf;                   // right shift of the unlit textured filler
inline uint8_t trctr;              // transparency counter of the entry drawn

// A span filler: no arguments, result ignored.
typedef int (*filler_fn)();

// Halftone levels with a channel map folded in, for large flat textured
// triangles. The map takes a texel byte to the channel value the filler
// dithers (the shading row of n1, that row through the highlight row of
// h1, or the unlit shift); lv[t][c][v] is aHalftoneLevels' table of channel
// c (red, green, blue) under threshold t read at map[v], so a texel byte
// goes to its level (times 6, times 36) in one read. at[y][x] points at
// lv[aHalftoneRows[y][x]], the three tables of a pixel at (x, y) mod 8.
// A fold depends on its map alone: one made for a triangle serves every
// later triangle with the same map, in any frame and any scene.
struct halftone_fold_s {
    bool made;
    uint8_t map[256];
    const uint8_t *at[8][8];
    uint8_t lv[51][3][256];
};
constexpr int foldcount = 4;
inline halftone_fold_s folds[foldcount];
inline int foldnext;               // the fold replaced next

// The fold of `map` (256 bytes): the one already made, else, when `make`,
// one made now in place of the oldest; null when there is none.
const halftone_fold_s *halftone_fold(const uint8_t *map, bool make);

// Palette indices of one smooth, plain material, for the smooth filler:
// pal[t][s] is the halftone index, under threshold t, of shade s of the
// material colour (its three channels read from the shading table), so a
// pixel costs one read. at[y][x] points at pal[aHalftoneRows[y][x]]. key
// holds the red, green and blue of every shade: a table depends on them
// alone and serves any material and frame with the same ones.
struct halftone_shade_s {
    bool made;
    uint8_t key[3][256];
    const uint8_t *at[8][8];
    uint8_t pal[51][256];
};
constexpr int shadecount = 4;
inline halftone_shade_s shades[shadecount];
inline int shadenext;   // the table replaced next

// Which table a material (shading table, colour) has, looked up by the key
// once a frame and then remembered by the material, with the pixels the
// material drew without one (a table is made once they are as many as it
// has entries).
struct shade_memo_s {
    const litea *l;
    uint8_t r, g, b;
    unsigned gen;
    const halftone_shade_s *h;
    int64_t pixels;
};
constexpr int shadememos = 8;
inline shade_memo_s shmemo[shadememos];
inline int shmemonext;
inline int shmemolast;   // the memo used last

// Palette indices for the flat transparent filler under one transmission
// row per channel and one highlight row: res[y][x][i] is what a pixel of
// index i at (x, y) of the dither pattern becomes, so a pixel costs one
// read. key holds the red, green and blue that every index turns into: a
// table depends on them alone.
struct halftone_filter_s {
    bool made;
    int key[3][256];
    uint8_t res[8][8][256];
};
constexpr int filtercount = 4;
inline halftone_filter_s filters[filtercount];
inline int filternext;   // the table replaced next

// Which table a set of rows has, as for the shade tables.
struct filter_memo_s {
    const uint8_t *r, *g, *b;
    const int *h;
    unsigned gen;
    const halftone_filter_s *f;
    int64_t pixels;
};
constexpr int filtermemos = 8;
inline filter_memo_s fmemo[filtermemos];
inline int fmemonext;
inline int fmemolast;   // the memo used last

// Moves on whenever the tables the fillers read may have changed contents
// (the frame renderer at the start of every frame): what was remembered
// under an older value is looked up again.
inline unsigned fillgen = 1;

// The table of the current material (ptl, pred, pgreen, pblue) for a
// triangle of about `pixels` pixels, or null while there is none.
const halftone_shade_s *halftone_shade(int64_t pixels);

// The table of transmission rows r, g, b and highlight row h for a
// triangle of about `pixels` pixels, or null while there is none.
const halftone_filter_s *halftone_filter(const uint8_t *r, const uint8_t *g, const uint8_t *b, const int *h,
                                         int64_t pixels);

int f08000();   // flat
int s08000();   // smooth
int s08010();   // smooth, highlighted
int f08100();   // flat textured
int a08100();   // unlit textured
int f08110();   // flat textured, highlighted
int s08100();   // smooth textured
int s08110();   // smooth textured, highlighted
int f08011();   // flat transparent, highlighted
int s08011();   // smooth transparent, highlighted

// ---------------------------------------------------------------------------
// Triangle clipping
// ---------------------------------------------------------------------------

// Clip a view-space triangle against the view pyramid side planes from
// `plane` on (0 right, 1 left, 2 top, 3 bottom; callers pass 0), project
// every remaining piece and hand it to render_tri.
void clipt0(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, float ux2, float uy2, float uz2,
            float ux3, float uy3, float uz3, int sn1, int hl1);
void clipt1(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, int sn1, int hl1,
            float ux2, float uy2, float uz2, int sn2, int hl2,
            float ux3, float uy3, float uz3, int sn3, int hl3);
void clipt2(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, int sn1, int hl1, int stx1, int sty1,
            float ux2, float uy2, float uz2, int sn2, int hl2, int stx2, int sty2,
            float ux3, float uy3, float uz3, int sn3, int hl3, int stx3, int sty3);

// A view-space point with what the clipper makes of it whatever triangle it
// belongs to: its side of each pyramid plane (the z' of the plane's frame,
// in the clipper's order: right, left, top, bottom; inside at >= 0) as two
// sets of bits, plane p's bit set in `in` when the side is >= 0 and in
// `out` when it is <= 0 (both in the plane, neither for NaN), and, when it
// lies in front of the eye (z > 0), its pixel position. A point shared by
// several triangles is prepared once.
struct clipv_s {
    float x, y, z;
    int px, py;
    uint8_t front;   // z > 0: px, py hold the projection
    uint8_t in, out;
};

// Prepares n points whose x, y, z are set, `stride` bytes apart (points
// kept inside larger records).
void clipprep(clipv_s *v, int n, size_t stride = sizeof(clipv_s));

// The clippers for triangles of prepared points, with the values of
// clipt0, clipt1 and clipt2. A triangle inside every plane goes to the
// filler with its points' pixel positions at once; one outside a plane (or
// lying in it) is dropped; any other goes to clipt0/1/2 from plane 0. The
// pieces, their order and their values are those clipt0/1/2 give.
void clipp0(filler_fn render_tri, const clipv_s &a, const clipv_s &b, const clipv_s &c, int sn, int hl);
void clipp1(filler_fn render_tri, const clipv_s &a, int sn1, int hl1, const clipv_s &b, int sn2, int hl2,
            const clipv_s &c, int sn3, int hl3);
void clipp2(filler_fn render_tri, const clipv_s &a, int sn1, int hl1, int stx1, int sty1,
            const clipv_s &b, int sn2, int hl2, int stx2, int sty2,
            const clipv_s &c, int sn3, int hl3, int stx3, int sty3);

// ---------------------------------------------------------------------------
// Background
// ---------------------------------------------------------------------------

inline float fovx, fovy;           // field of view of the panorama, radians

// The panorama tile: bgx x bgy palette indices, row j at bgmap + j * bgx,
// followed by pic_max bytes of slack (see createbg); null until prepared.
inline uint8_t *bgmap;
inline int bgx, bgy;
inline int bgxrep;                 // tiles around 360 degrees, 1..9

void calcmaxt();
void createbg();
void dobackground();
// Releases the panorama tile (at exit).
void freebg();

// ---------------------------------------------------------------------------
// Start values
// ---------------------------------------------------------------------------

// Start values of everything this subsystem holds: the panorama tile
// released, the hand-over and material values cleared.
void reset_raster();

}  // namespace vortella
