// Frame rendering: the per-frame driver that draws the render list into the
// off-screen picture, and the ordering of the triangles of overlapping
// objects.
//
// All state of this subsystem is declared here.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/raster.h"
#include "scene/scene.h"
#include "view/view.h"

namespace vortella {

// Per-triangle working values of the triangle being prepared.
inline float ux1, uy1, uz1, ux2, uy2, uz2, ux3, uy3, uz3;   // scene space
inline float nx1, ny1, nz1, nx2, ny2, nz2, nx3, ny3, nz3;   // vertex normals
inline float vx1, vy1, vz1, vx2, vy2, vz2, vx3, vy3, vz3;   // view space
inline int sx1, sy1, sx2, sy2, sx3, sy3;                    // pixel positions
inline int sn1, sn2, sn3;                                   // shades, 0..255
inline int hl1, hl2, hl3;                                   // highlight, 0..31
inline int stx1, sty1, stx2, sty2, stx3, sty3;              // texture coords
inline float wnx, wny, wnz, xpx;                            // face plane

// Per-material values of the entry being drawn.
inline float hlth;                 // highlight threshold
inline float tmapfacx, tmapfacy;   // texture coordinate scales

// Per-point values of an entry, made once per frame for every point of its
// geometry, which the triangles then index. What a triangle reads of a
// point lies in one cache line: the clipper's values (view space, plane
// sides, pixel position), the scene position the merge selection's plane
// tests take, the pixel position merged groups are ordered by, and the
// shade and highlight level where they belong to the point (a smooth
// geometry's; a faceted geometry's belong to the triangle). The triangles
// are drawn in depth order, which jumps across the points: one line a
// vertex to wait for instead of three.
struct alignas(64) fpoint_s {
    clipv_s c;
    float ux, uy, uz;
    int sx, sy;
    uint8_t sn, hl;   // 0..255, 0..31
};
// The texture coordinates of a point, for the maps that belong to points.
struct ptex_s {
    int stx, sty;
};
// One entry of the group being drawn: its flat geometry, where its points
// begin in fpts and tpts and how many there are, where its triangles'
// flags begin in tvis (nt of them), where the triangles it draws this
// frame begin in tlist, in its depth table's order (ln of them, in a place
// of lcap), and its current triangle (merged groups) with the numbers
// there of its points.
struct mem_grpent_s {
    mem_render_entry_s *e;
    const mem_flatgeo_s *g;
    int base, np;
    int tbase, nt;
    int lbase, lcap, ln;
    int t, p1, p2, p3;
};
inline std::vector<fpoint_s> fpts;   // see fpoint_s
inline std::vector<ptex_s> tpts;     // texture coordinates (mapped materials)
inline std::vector<mem_grpent_s> grp; // the entries whose points are made
// How many points the point pass makes at a time: 4 (the vector pass,
// where the processor has one) or 1. Both give the same values.
inline int ptlanes = 4;
// Per triangle of the group's entries, made with their points each frame:
// 1 when the triangle faces the camera and is not wholly behind it.
inline std::vector<uint8_t> tvis;
// The drawable triangles of the group's entries, each entry's in the order
// of its depth table, made each frame.
inline std::vector<int> tlist;

// Draws one frame of the loaded scene into the picture.
void render();

// The angle of (x, y) in [0, 2 pi): the arc tangent of y / x taken in
// double and stored as a float, then a half or a whole turn added (in
// double, pi as 3.141592654) to bring it into range; pi / 2 or 3 pi / 2 on
// the y axis. The texture maps by azimuth use it.
float ang(float x, float y);

// The steps of one triangle, for the frame and for tests:
// loadmat sets the material globals and the values entry e's triangles are
// prepared with (object centre, mapping factors, highlight threshold);
void loadmat(const mem_render_entry_s *e);
// lightpoints makes the per-point values of e (after loadmat(e)), adding e
// after the entries already in grp (clear grp to start a group); `merged`
// adds the pixel positions merged groups are ordered by; false when e's
// geometry has no flat copy;
bool lightpoints(mem_render_entry_s *e, bool merged);
// prepare runs the triangle pipeline on triangle number t of e (an entry
// of grp) up to the texture coordinates, filling the per-triangle globals;
// false when the triangle has no area, faces away or lies wholly behind
// the camera, or e is not in grp;
bool prepare(const mem_render_entry_s *e, int t);
// pickfiller chooses the span filler for the prepared triangle by render
// type and values (null for a type that draws nothing). Faceted cylindrical
// maps are dispatched like the smooth ones unless `merged`.
filler_fn pickfiller(int type, bool merged);

// Sets picw and pich from a requested size: at most 2048, rounded down to a
// multiple of 16 and of 4 (at least 16 x 4), with the halves and last
// column and row.
void picround(int w, int h);
// Points the row table at `bits` (picw x pich bytes, rows picw apart, row 0
// first), makes fresh transparency marks and prepares the background for
// this size (the panorama tile for a bitmap background). False when `bits`
// is null or memory runs out; the previous picture then stays.
bool picbuild(uint8_t *bits);
// Releases the transparency marks and the background tile.
void picfree();

// Start values of the frame renderer: the picture's marks and tile
// released (picfree) and the triangle and material values cleared. Call it
// before the resets of the layers below, whose memory it releases.
void reset_frame();

// Overlap tests of the merge selection (pure functions) on pixel positions
// and view depths. pointinseg: whether p lies on the same side of the line
// through a and b as c; pointintri: whether p lies in triangle abc;
// anypointintri: whether a corner of either triangle lies in the other;
// interseg: 0 when segments a and b do not cross, else 1 when b is nearer
// at the crossing, 2 when a is; intertri: the same for the first crossing
// edges of triangles a and b.
int pointinseg(int ax, int ay, int bx, int by, int cx, int cy, int px, int py);
int pointintri(int ax, int ay, int bx, int by, int cx, int cy, int px, int py);
int anypointintri(int ax1, int ay1, int ax2, int ay2, int ax3, int ay3,
                  int bx1, int by1, int bx2, int by2, int bx3, int by3);
int interseg(float ax1, float ay1, float az1, float ax2, float ay2, float az2,
             float bx1, float by1, float bz1, float bx2, float by2, float bz2);
int intertri(int ax1, int ay1, float az1, int ax2, int ay2, float az2, int ax3, int ay3, float az3,
             int bx1, int by1, float bz1, int bx2, int by2, float bz2, int bx3, int by3, float bz3);

// The merge selection makes the parts of the edges of an entry's current
// triangle (edge, txmin, txmax, tvert) from its pixel positions and view
// depths when it first needs them; whoever gives an entry a new current
// triangle sets edgesmade to 0.

// The entry of a merged group whose current triangle is painted next, or
// null when every entry is exhausted.
mem_render_entry_s *mergepick(mem_render_entry_s *head);

}  // namespace vortella
