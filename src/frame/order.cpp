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

int pointinseg(int ax, int ay, int bx, int by, int cx, int cy, int px, int py) {
    if (ax != bx) {
        // Positions of vertices near or behind the view plane reach the int
        // limits: the differences are taken in double, exact for any ints.
        const float a = static_cast<float>(double(by) - ay) / static_cast<float>(double(bx) - ax);
        const float b = ay - a * ax;
        if (cy > a * cx + b) return py > a * px + b;
        return py <= a * px + b;
    }
    // Vertical line: a point on it counts as inside only when the reference
    // point is not to its right.
    if (cx > ax) return px > ax;
    return px <= ax;
}

int pointintri(int ax, int ay, int bx, int by, int cx, int cy, int px, int py) {
    return pointinseg(ax, ay, bx, by, cx, cy, px, py) &&
           pointinseg(ax, ay, cx, cy, bx, by, px, py) &&
           pointinseg(bx, by, cx, cy, ax, ay, px, py);
}

int anypointintri(int ax1, int ay1, int ax2, int ay2, int ax3, int ay3,
                  int bx1, int by1, int bx2, int by2, int bx3, int by3) {
    return pointintri(ax1, ay1, ax2, ay2, ax3, ay3, bx1, by1) ||
           pointintri(ax1, ay1, ax2, ay2, ax3, ay3, bx2, by2) ||
           pointintri(ax1, ay1, ax2, ay2, ax3, ay3, bx3, by3) ||
           pointintri(bx1, by1, bx2, by2, bx3, by3, ax1, ay1) ||
           pointintri(bx1, by1, bx2, by2, bx3, by3, ax2, ay2) ||
           pointintri(bx1, by1, bx2, by2, bx3, by3, ax3, ay3);
}

namespace {

inline float fmin2(float p, float q) { return p < q ? p : q; }
inline float fmax2(float p, float q) { return p > q ? p : q; }
inline bool within(float v, float p, float q) { return v >= fmin2(p, q) && v <= fmax2(p, q); }

// Depth along a segment at position t, interpolated linearly between the
// ends (t is x, or y for a vertical segment).
inline float zat(float x, float px1, float pz1, float px2, float pz2) {
    const float a3 = (pz2 - pz1) / (px2 - px1);
    const float b3 = pz1 - a3 * px1;
    return a3 * x + b3;
}

}  // namespace

int interseg(float ax1, float ay1, float az1, float ax2, float ay2, float az2,
             float bx1, float by1, float bz1, float bx2, float by2, float bz2) {
    // Segments that share an end point do not cross.
    if ((ax1 == bx1 && ay1 == by1) || (ax1 == bx2 && ay1 == by2) || (ax2 == bx1 && ay2 == by1) ||
        (ax2 == bx2 && ay2 == by2))
        return 0;
    float za, zb;
    if (ax1 != ax2 && bx1 != bx2) {
        const float a1 = (ay2 - ay1) / (ax2 - ax1), b1 = ay1 - a1 * ax1;
        const float a2 = (by2 - by1) / (bx2 - bx1), b2 = by1 - a2 * bx1;
        if (a1 == a2) return 0;   // parallel, even on one line
        const float xi = (b1 - b2) / (a2 - a1);
        if (!within(xi, ax1, ax2) || !within(xi, bx1, bx2)) return 0;
        za = zat(xi, ax1, az1, ax2, az2);
        zb = zat(xi, bx1, bz1, bx2, bz2);
    } else if (ax1 != ax2) {
        // B vertical: only A's span is tested.
        const float a1 = (ay2 - ay1) / (ax2 - ax1), b1 = ay1 - a1 * ax1;
        const float yi = a1 * bx1 + b1;
        if (!within(yi, ay1, ay2)) return 0;
        if (by1 == by2) return 0;
        za = zat(bx1, ax1, az1, ax2, az2);
        zb = zat(yi, by1, bz1, by2, bz2);
    } else {
        if (bx1 == bx2) return 0;
        // A vertical: only B's span is tested.
        const float a2 = (by2 - by1) / (bx2 - bx1), b2 = by1 - a2 * bx1;
        const float yi = a2 * ax1 + b2;
        if (!within(yi, by1, by2)) return 0;
        if (ay1 == ay2) return 0;
        za = zat(yi, ay1, az1, ay2, az2);
        zb = zat(ax1, bx1, bz1, bx2, bz2);
    }
    return zb < za ? 1 : 2;
}

int intertri(int ax1, int ay1, float az1, int ax2, int ay2, float az2, int ax3, int ay3, float az3,
             int bx1, int by1, float bz1, int bx2, int by2, float bz2, int bx3, int by3, float bz3) {
    const float pax[3] = {float(ax1), float(ax2), float(ax3)}, pay[3] = {float(ay1), float(ay2), float(ay3)};
    const float paz[3] = {az1, az2, az3};
    const float pbx[3] = {float(bx1), float(bx2), float(bx3)}, pby[3] = {float(by1), float(by2), float(by3)};
    const float pbz[3] = {bz1, bz2, bz3};
    static const int edges[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (const auto &ea : edges)
        for (const auto &eb : edges) {
            int r = interseg(pax[ea[0]], pay[ea[0]], paz[ea[0]], pax[ea[1]], pay[ea[1]], paz[ea[1]],
                             pbx[eb[0]], pby[eb[0]], pbz[eb[0]], pbx[eb[1]], pby[eb[1]], pbz[eb[1]]);
            if (r) return r;
        }
    return 0;
}

namespace {

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
bool takes(const mem_render_entry_s *b, const mem_render_entry_s *e) {
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
    const int r = intertri(b->sx1, b->sy1, b->vz1, b->sx2, b->sy2, b->vz2, b->sx3, b->sy3, b->vz3,
                           e->sx1, e->sy1, e->vz1, e->sx2, e->sy2, e->vz2, e->sx3, e->sy3, e->vz3);
    if (r == 2) return true;
    if (r == 1) return false;
    if (!anypointintri(b->sx1, b->sy1, b->sx2, b->sy2, b->sx3, b->sy3, e->sx1, e->sy1, e->sx2, e->sy2, e->sx3,
                       e->sy3))
        return centre;
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
