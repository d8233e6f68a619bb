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

int pointinseg(int x1, int y1, int x2, int y2, int x3, int y3, int sx1, int sy1) {
    if (x1 != x2) {
        // Positions of vertices near or behind the view plane reach the int
        // limits: the differences are taken in double, exact for any ints.
        const float a = static_cast<float>(double(y2) - y1) / static_cast<float>(double(x2) - x1);
        const float b = y1 - a * x1;
        if (y3 > a * x3 + b) return sy1 > a * sx1 + b;
        return sy1 <= a * sx1 + b;
    }
    // Vertical line: a point on it counts as inside only when the reference
    // point is not to its right.
    if (x3 > x1) return sx1 > x1;
    return sx1 <= x1;
}

int pointintri(int sx1, int sy1, int sx2, int sy2, int sx3, int sy3, int ssx1, int ssy1) {
    return pointinseg(sx1, sy1, sx2, sy2, sx3, sy3, ssx1, ssy1) &&
           pointinseg(sx1, sy1, sx3, sy3, sx2, sy2, ssx1, ssy1) &&
           pointinseg(sx2, sy2, sx3, sy3, sx1, sy1, ssx1, ssy1);
}

int anypointintri(int sx1, int sy1, int sx2, int sy2, int sx3, int sy3,
                  int ssx1, int ssy1, int ssx2, int ssy2, int ssx3, int ssy3) {
    return pointintri(sx1, sy1, sx2, sy2, sx3, sy3, ssx1, ssy1) ||
           pointintri(sx1, sy1, sx2, sy2, sx3, sy3, ssx2, ssy2) ||
           pointintri(sx1, sy1, sx2, sy2, sx3, sy3, ssx3, ssy3) ||
           pointintri(ssx1, ssy1, ssx2, ssy2, ssx3, ssy3, sx1, sy1) ||
           pointintri(ssx1, ssy1, ssx2, ssy2, ssx3, ssy3, sx2, sy2) ||
           pointintri(ssx1, ssy1, ssx2, ssy2, ssx3, ssy3, sx3, sy3);
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

int interseg(float sx1, float sy1, float vz1, float sx2, float sy2, float vz2,
             float ssx1, float ssy1, float svz1, float ssx2, float ssy2, float svz2) {
    // Segments that share an end point do not cross.
    if ((sx1 == ssx1 && sy1 == ssy1) || (sx1 == ssx2 && sy1 == ssy2) || (sx2 == ssx1 && sy2 == ssy1) ||
        (sx2 == ssx2 && sy2 == ssy2))
        return 0;
    float za, zb;
    if (sx1 != sx2 && ssx1 != ssx2) {
        const float a1 = (sy2 - sy1) / (sx2 - sx1), b1 = sy1 - a1 * sx1;
        const float a2 = (ssy2 - ssy1) / (ssx2 - ssx1), b2 = ssy1 - a2 * ssx1;
        if (a1 == a2) return 0;   // parallel, even on one line
        const float xi = (b1 - b2) / (a2 - a1);
        if (!within(xi, sx1, sx2) || !within(xi, ssx1, ssx2)) return 0;
        za = zat(xi, sx1, vz1, sx2, vz2);
        zb = zat(xi, ssx1, svz1, ssx2, svz2);
    } else if (sx1 != sx2) {
        // B vertical: only A's span is tested.
        const float a1 = (sy2 - sy1) / (sx2 - sx1), b1 = sy1 - a1 * sx1;
        const float yi = a1 * ssx1 + b1;
        if (!within(yi, sy1, sy2)) return 0;
        if (ssy1 == ssy2) return 0;
        za = zat(ssx1, sx1, vz1, sx2, vz2);
        zb = zat(yi, ssy1, svz1, ssy2, svz2);
    } else {
        if (ssx1 == ssx2) return 0;
        // A vertical: only B's span is tested.
        const float a2 = (ssy2 - ssy1) / (ssx2 - ssx1), b2 = ssy1 - a2 * ssx1;
        const float yi = a2 * sx1 + b2;
        if (!within(yi, ssy1, ssy2)) return 0;
        if (sy1 == sy2) return 0;
        za = zat(yi, sy1, vz1, sy2, vz2);
        zb = zat(sx1, ssx1, svz1, ssx2, svz2);
    }
    return zb < za ? 1 : 2;
}

int intertri(int sx1, int sy1, float vz1, int sx2, int sy2, float vz2, int sx3, int sy3, float vz3,
             int ssx1, int ssy1, float svz1, int ssx2, int ssy2, float svz2, int ssx3, int ssy3, float svz3) {
    const float ax[3] = {float(sx1), float(sx2), float(sx3)}, ay[3] = {float(sy1), float(sy2), float(sy3)};
    const float az[3] = {vz1, vz2, vz3};
    const float bx[3] = {float(ssx1), float(ssx2), float(ssx3)}, by[3] = {float(ssy1), float(ssy2), float(ssy3)};
    const float bz[3] = {svz1, svz2, svz3};
    static const int edges[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (const auto &ea : edges)
        for (const auto &eb : edges) {
            int r = interseg(ax[ea[0]], ay[ea[0]], az[ea[0]], ax[ea[1]], ay[ea[1]], az[ea[1]],
                             bx[eb[0]], by[eb[0]], bz[eb[0]], bx[eb[1]], by[eb[1]], bz[eb[1]]);
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
