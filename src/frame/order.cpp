// Depth ordering inside a merged group: before each triangle is painted,
// the current triangles of all entries are compared pairwise and the one to
// paint next is picked. Cheap box and depth-range tests settle most pairs;
// plane-side tests and screen-space overlap tests settle the rest.
//
// The comparison is pairwise and not guaranteed consistent for cyclic
// overlaps; it is deterministic, and every pick advances one entry, so a
// group always finishes.
#include <cstdint>

#include "frame/frame.h"

namespace vortella {

namespace {

inline float fmin2(float p, float q) { return p < q ? p : q; }
inline float fmax2(float p, float q) { return p > q ? p : q; }
inline bool within(float v, float lo, float hi) { return v >= lo && v <= hi; }

// The crossing test's part of an edge from (x1, y1, z1) to (x2, y2, z2).
// The depth along the edge is interpolated linearly between the ends, by x,
// or by y for a vertical edge.
void mkcross(mrgedge_s &g, float x1, float y1, float z1, float x2, float y2, float z2) {
    g.x1 = x1, g.y1 = y1, g.z1 = z1, g.x2 = x2, g.y2 = y2, g.z2 = z2;
    g.xmin = fmin2(x1, x2), g.xmax = fmax2(x1, x2), g.ymin = fmin2(y1, y2), g.ymax = fmax2(y1, y2);
    g.vert = x1 == x2;
    g.a = g.b = g.c = g.d = 0.0f;
    if (!g.vert) {
        g.a = (y2 - y1) / (x2 - x1);
        g.b = y1 - g.a * x1;
        g.c = (z2 - z1) / (x2 - x1);
        g.d = z1 - g.c * x1;
    } else if (y1 != y2) {
        g.c = (z2 - z1) / (y2 - y1);
        g.d = z1 - g.c * y1;
    }
}

// The point test's part of the line through (ax, ay) and (bx, by), with
// (cx, cy) the corner that marks the inner side.
void mkside(mrgedge_s &g, int ax, int ay, int bx, int by, int cx, int cy) {
    g.ix1 = ax, g.ix2 = bx;
    g.pa = g.pb = 0.0f;
    if (ax != bx) {
        // Positions of vertices near or behind the view plane reach the int
        // limits: the differences are taken in double, exact for any ints.
        g.pa = static_cast<float>(double(by) - ay) / static_cast<float>(double(bx) - ax);
        g.pb = ay - g.pa * ax;
        g.cside = cy > g.pa * cx + g.pb;
    } else {
        g.cside = cx > ax;
    }
}

// Whether p lies on the inner side of edge g. A point on a vertical line
// counts as inside only when the inner side is not to its right.
inline bool onside(const mrgedge_s &g, int px, int py) {
    if (g.ix1 != g.ix2) {
        const float v = g.pa * px + g.pb;
        return g.cside ? py > v : py <= v;
    }
    return g.cside ? px > g.ix1 : px <= g.ix1;
}

inline bool inside(const mrgedge_s *g, int px, int py) {
    return onside(g[0], px, py) && onside(g[1], px, py) && onside(g[2], px, py);
}

// Edges 1-2, 1-3 and 2-3 of triangle (x, y, z), each with the third corner.
constexpr int ends[3][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}};

void mkcrosses(mrgedge_s *g, const int *x, const int *y, const float *z) {
    for (int k = 0; k < 3; ++k) {
        const int i = ends[k][0], j = ends[k][1];
        mkcross(g[k], float(x[i]), float(y[i]), z[i], float(x[j]), float(y[j]), z[j]);
    }
}

void mksides(mrgedge_s *g, const int *x, const int *y) {
    for (int k = 0; k < 3; ++k) {
        const int i = ends[k][0], j = ends[k][1], r = ends[k][2];
        mkside(g[k], x[i], y[i], x[j], y[j], x[r], y[r]);
    }
}

void mkedges(mrgedge_s *g, const int *x, const int *y, const float *z) {
    mkcrosses(g, x, y, z);
    mksides(g, x, y);
}

// Segments that share an end point do not cross.
inline bool shareend(const mrgedge_s &a, const mrgedge_s &b) {
    return (a.x1 == b.x1 && a.y1 == b.y1) || (a.x1 == b.x2 && a.y1 == b.y2) || (a.x2 == b.x1 && a.y2 == b.y1) ||
           (a.x2 == b.x2 && a.y2 == b.y2);
}

// 0 when edges a and b do not cross, else 1 when b is nearer at the
// crossing, 2 when a is.
int crossing(const mrgedge_s &a, const mrgedge_s &b) {
    float za, zb;
    if (!a.vert && !b.vert) {
        // A crossing lies in both spans of x: none when they are apart.
        if (a.xmax < b.xmin || b.xmax < a.xmin || shareend(a, b)) return 0;
        if (a.a == b.a) return 0;   // parallel, even on one line
        const float xi = (a.b - b.b) / (b.a - a.a);
        if (!within(xi, a.xmin, a.xmax) || !within(xi, b.xmin, b.xmax)) return 0;
        za = a.c * xi + a.d;
        zb = b.c * xi + b.d;
    } else if (shareend(a, b)) {
        return 0;
    } else if (!a.vert) {
        // B vertical: only A's span is tested.
        const float yi = a.a * b.x1 + a.b;
        if (!within(yi, a.ymin, a.ymax)) return 0;
        if (b.y1 == b.y2) return 0;
        za = a.c * b.x1 + a.d;
        zb = b.c * yi + b.d;
    } else {
        if (b.vert) return 0;
        // A vertical: only B's span is tested.
        const float yi = b.a * a.x1 + b.b;
        if (!within(yi, b.ymin, b.ymax)) return 0;
        if (a.y1 == a.y2) return 0;
        za = a.c * yi + a.d;
        zb = b.c * a.x1 + b.d;
    }
    return zb < za ? 1 : 2;
}

// The first crossing of an edge of a with an edge of b, a's edges outside.
int crossings(const mrgedge_s *a, const mrgedge_s *b) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (const int r = crossing(a[i], b[j])) return r;
    return 0;
}

// Whether a corner of triangle b lies in triangle a (edges ga), or a corner
// of a in b (edges gb).
bool anyinside(const mrgedge_s *ga, const int *ax, const int *ay, const mrgedge_s *gb, const int *bx,
               const int *by) {
    for (int k = 0; k < 3; ++k)
        if (inside(ga, bx[k], by[k])) return true;
    for (int k = 0; k < 3; ++k)
        if (inside(gb, ax[k], ay[k])) return true;
    return false;
}

}  // namespace

int pointinseg(int ax, int ay, int bx, int by, int cx, int cy, int px, int py) {
    mrgedge_s g;
    mkside(g, ax, ay, bx, by, cx, cy);
    return onside(g, px, py);
}

int pointintri(int ax, int ay, int bx, int by, int cx, int cy, int px, int py) {
    const int x[3] = {ax, bx, cx}, y[3] = {ay, by, cy};
    const float z[3] = {0, 0, 0};
    mrgedge_s g[3];
    mkedges(g, x, y, z);
    return inside(g, px, py);
}

int anypointintri(int ax1, int ay1, int ax2, int ay2, int ax3, int ay3,
                  int bx1, int by1, int bx2, int by2, int bx3, int by3) {
    const int ax[3] = {ax1, ax2, ax3}, ay[3] = {ay1, ay2, ay3}, bx[3] = {bx1, bx2, bx3}, by[3] = {by1, by2, by3};
    const float z[3] = {0, 0, 0};
    mrgedge_s ga[3], gb[3];
    mkedges(ga, ax, ay, z);
    mkedges(gb, bx, by, z);
    return anyinside(ga, ax, ay, gb, bx, by);
}

int interseg(float ax1, float ay1, float az1, float ax2, float ay2, float az2,
             float bx1, float by1, float bz1, float bx2, float by2, float bz2) {
    mrgedge_s a, b;
    mkcross(a, ax1, ay1, az1, ax2, ay2, az2);
    mkcross(b, bx1, by1, bz1, bx2, by2, bz2);
    return crossing(a, b);
}

int intertri(int ax1, int ay1, float az1, int ax2, int ay2, float az2, int ax3, int ay3, float az3,
             int bx1, int by1, float bz1, int bx2, int by2, float bz2, int bx3, int by3, float bz3) {
    const int ax[3] = {ax1, ax2, ax3}, ay[3] = {ay1, ay2, ay3}, bx[3] = {bx1, bx2, bx3}, by[3] = {by1, by2, by3};
    const float az[3] = {az1, az2, az3}, bz[3] = {bz1, bz2, bz3};
    mrgedge_s ga[3], gb[3];
    mkedges(ga, ax, ay, az);
    mkedges(gb, bx, by, bz);
    return crossings(ga, gb);
}

namespace {

// The parts of edgesmade.
constexpr uint8_t made_sides = 1, made_crosses = 2;

// The side parts of e's edges, with the triangle's x span and whether an
// edge is vertical, both as the crossing test sees the corners (as floats).
void mrgsides(mem_render_entry_s *e) {
    const int x[3] = {e->sx1, e->sx2, e->sx3}, y[3] = {e->sy1, e->sy2, e->sy3};
    mksides(e->edge, x, y);
    const float f1 = float(x[0]), f2 = float(x[1]), f3 = float(x[2]);
    e->txmin = fmin2(f1, fmin2(f2, f3));
    e->txmax = fmax2(f1, fmax2(f2, f3));
    e->tvert = f1 == f2 || f1 == f3 || f2 == f3;
    e->edgesmade |= made_sides;
}

void mrgcrosses(mem_render_entry_s *e) {
    const int x[3] = {e->sx1, e->sx2, e->sx3}, y[3] = {e->sy1, e->sy2, e->sy3};
    const float z[3] = {e->vz1, e->vz2, e->vz3};
    mkcrosses(e->edge, x, y, z);
    e->edgesmade |= made_crosses;
}

// crossings() of the current triangles of b and e. When neither has a
// vertical edge and their x spans are apart, so is every pair of their
// edges, and none crosses: the edges' crossing parts are not needed.
int crossingsof(mem_render_entry_s *b, mem_render_entry_s *e) {
    if (!b->tvert && !e->tvert && (b->txmax < e->txmin || e->txmax < b->txmin)) return 0;
    for (mem_render_entry_s *x : {b, e})
        if (!(x->edgesmade & made_crosses)) mrgcrosses(x);
    return crossings(b->edge, e->edge);
}

// Overlap of (i1, i2) and (j1, j2): an end of one strictly inside the other.
// Identical intervals therefore do not overlap.
template <class T>
inline bool overlap(T i1, T i2, T j1, T j2) {
    return (j1 < i2 && i2 < j2) || (j1 < i1 && i1 < j2) || (i1 < j2 && j2 < i2) || (i1 < j1 && j1 < i2);
}

// How many vertices of p's current triangle lie in front of (on the camera's
// side of) q's plane, and how many behind it.
inline void sides(const mem_render_entry_s *p, const mem_render_entry_s *q, int &front, int &behind) {
    const float v[3][3] = {{p->ux1, p->uy1, p->uz1}, {p->ux2, p->uy2, p->uz2}, {p->ux3, p->uy3, p->uz3}};
    front = behind = 0;
    for (const auto &u : v) {
        const float d = q->wnx * u[0] + q->wny * u[1] + q->wnz * u[2];
        if (d > q->xpx) ++front;
        else if (d < q->xpx) ++behind;
    }
}

// True when E is to be painted before B.
bool takes(mem_render_entry_s *b, mem_render_entry_s *e) {
    const float sd = b->vzmax - b->vzmin, dz = e->vzmax - e->vzmin;
    const bool centre = e->vzmax + e->vzmin > b->vzmax + b->vzmin;
    int front, behind;
    if (dz > 10 * sd || 10 * dz < sd) {
        // Depth extents of very different size: compare intervals enlarged
        // by each candidate's own extent. Screen boxes may span the whole
        // int range, so extents and enlarged ends are taken in 64 bits.
        const int64_t sdx = int64_t(b->sxmax) - b->sxmin, sdy = int64_t(b->symax) - b->symin;
        const int64_t dx = int64_t(e->sxmax) - e->sxmin, dy = int64_t(e->symax) - e->symin;
        if (!overlap(b->vzmin - sd, b->vzmax + sd, e->vzmin - dz, e->vzmax + dz) ||
            !overlap<int64_t>(b->sxmin - sdx, b->sxmax + sdx, e->sxmin - dx, e->sxmax + dx) ||
            !overlap<int64_t>(b->symin - sdy, b->symax + sdy, e->symin - dy, e->symax + dy))
            return centre;
        const bool farther = 2 * e->vzmax - e->vzmin > 2 * b->vzmax - b->vzmin;
        if (dz > sd) {
            sides(b, e, front, behind);
            if (front == 3) return true;
            if (behind == 3) return false;
            return farther;
        }
        sides(e, b, front, behind);
        if (front == 3) return false;
        if (behind == 3) return true;
        return farther;
    }
    if (e->vzmin > b->vzmax) return true;   // E wholly farther
    if (!overlap(b->vzmin, b->vzmax, e->vzmin, e->vzmax) || !overlap(b->sxmin, b->sxmax, e->sxmin, e->sxmax) ||
        !overlap(b->symin, b->symax, e->symin, e->symax))
        return centre;
    for (mem_render_entry_s *x : {b, e})
        if (!(x->edgesmade & made_sides)) mrgsides(x);
    const int r = crossingsof(b, e);
    if (r == 2) return true;
    if (r == 1) return false;
    const int bx[3] = {b->sx1, b->sx2, b->sx3}, by[3] = {b->sy1, b->sy2, b->sy3};
    const int ex[3] = {e->sx1, e->sx2, e->sx3}, ey[3] = {e->sy1, e->sy2, e->sy3};
    if (!anyinside(b->edge, bx, by, e->edge, ex, ey)) return centre;
    sides(b, e, front, behind);
    if (front == 3) return true;
    if (front == 0) return false;
    int efront, ebehind;
    sides(e, b, efront, ebehind);
    if (efront == 0) return true;
    if (efront == 3) return false;
    return centre;
}

}  // namespace

mem_render_entry_s *mergepick(mem_render_entry_s *head) {
    mem_render_entry_s *best = nullptr;
    for (mem_render_entry_s *e = head; e; e = e->next_entry) {
        if (e->vzmax < -1.0f) continue;   // exhausted
        if (!best || takes(best, e)) best = e;
    }
    return best;
}

}  // namespace vortella
