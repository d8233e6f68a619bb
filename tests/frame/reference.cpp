// The frame renderer as it was before points were transformed, shaded and
// mapped once per frame and entry: every triangle fetches its points from
// the store's paged tables, computes its face plane and transforms, shades
// and maps its three vertices itself, and goes to clipt0/1/2 directly. The
// frame identity test draws every frame with this and with render() and
// compares the pictures byte for byte. It shares loadmat's material set-up,
// pickfiller, the clippers and the fillers with the library; its merge
// selection takes the overlap tests' public forms, which make the edges
// of both triangles afresh for every comparison instead of reading those
// made when a triangle is taken.
#include "frame/reference.h"

#include <cmath>
#include <cstdint>

#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/ftoi.h"

namespace vortella::test {

namespace {

constexpr double pid = 3.141592654;
constexpr float twopi = 6.2831855f;
// Elevation given to a vertex straight above the centre.
constexpr float polarb = 1.0471627f;

// Object centre of the entry whose triangles are being prepared.
float cx, cy, cz;

// The library's material set-up, and the object centre for this copy.
void refloadmat(const mem_render_entry_s *e) {
    loadmat(e);
    cx = (e->xmin + e->xmax) * 0.5f;
    cy = (e->ymin + e->ymax) * 0.5f;
    cz = (e->zmin + e->zmax) * 0.5f;
}

inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Shade index of a light value: 255 x value, none below 0.
inline int shadeval(float s) { return s >= 0.0f ? clampi(ftoi(255.0f * s), 0, 255) : 0; }

inline float atanf_(float v) { return static_cast<float>(std::atan(static_cast<double>(v))); }
inline float sqrtf_(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }
// A float plus a multiple of pi, summed in double and stored as a float
// (the library's ang() does the same).
inline float addpi(float v, double times) { return static_cast<float>(v + times * pid); }

}  // namespace

namespace {

// Highlight level of a vertex with shade value sn and normal n.
inline int hilevel(const mem_render_entry_s *e, int sn, float nx, float ny, float nz) {
    if (sn <= 0) return 0;
    const float h = e->hc11 * nx + e->hc21 * ny + e->hc31 * nz + e->hc41;
    // A threshold of 1 or more leaves no ramp to climb: no highlight.
    if (!(h >= hlth) || !(hlth < 1.0f)) return 0;
    return clampi(ftoi(31.0f * (h - hlth) / (1.0f - hlth)), 0, 31);
}

// Texture coordinates of one vertex, by the entry's material part.
void mapvertex(const mem_render_entry_s *e, int part, float ux, float uy, float uz, float nx, float ny, float nz,
               int &stx, int &sty) {
    const float mx = e->rc11 * ux + e->rc21 * uy + e->rc31 * uz + e->rc41;
    const float my = e->tc11 * ux + e->tc21 * uy + e->tc31 * uz + e->tc41;
    switch (part) {
    case RT_PLANAR:
        stx = ftoi(mx * 16383.0f);
        sty = ftoi(my * 16383.0f);
        break;
    case RT_SPHERICAL: {
        const float mz = e->zc11 * ux + e->zc21 * uy + e->zc31 * uz + e->zc41;
        stx = ftoi(ang(mx - cx, my - cy) * tmapfacx);
        const float d = sqrtf_((my - cy) * (my - cy) + (mx - cx) * (mx - cx));
        if (d > ptol) {
            sty = ftoi(addpi(atanf_((mz - cz) / d), 0.5) * tmapfacy);
        } else {
            // At a pole the azimuth means nothing: the middle of the map.
            sty = ftoi((mz > cz ? polarb : 0.0f) * tmapfacy);
            stx = 5461;
        }
        break;
    }
    case RT_CYLINDRICAL: {
        const float mz = e->zc11 * ux + e->zc21 * uy + e->zc31 * uz + e->zc41;
        stx = ftoi(ang(mx - cx, my - cy) * tmapfacx);
        sty = ftoi(mz * 16383.0f);
        break;
    }
    case RT_REFLECTION: {
        // Reflected view direction: the view azimuth and elevation mirrored
        // about the normal's.
        const float av = ang(camx - ux, camy - uy), an = ang(nx, ny);
        float r;
        if (an > av) {
            if (av + pid > an) {
                r = av + 2.0f * (an - av);
            } else {
                r = static_cast<float>(av - 2.0 * (2.0 * pid - (an - av)));
                if (r < 0.0f) r = addpi(r, 2.0);
            }
        } else {
            r = av - 2.0f * (av - an);
            if (r < 0.0f) r = addpi(r, 2.0);
        }
        if (r < 0.0f) r = 0.0f;
        if (r > twopi) r = twopi;
        const float dv = sqrtf_((camy - uy) * (camy - uy) + (camx - ux) * (camx - ux));
        const float ev = dv > ptol ? addpi(atanf_((camz - uz) / dv), 0.5) : camz > uz ? addpi(0.0f, 1.0) : 0.0f;
        const float dn = sqrtf_(ny * ny + nx * nx);
        const float en = dn > ptol ? addpi(atanf_(nz / dn), 0.5) : nz >= 0.0f ? addpi(0.0f, 1.0) : 0.0f;
        float el;
        if (en > ev) {
            el = ev + 2.0f * (en - ev);
            if (el > addpi(0.0f, 1.0)) el = addpi(0.0f, 1.0);
        } else {
            el = ev - 2.0f * (ev - en);
            if (el < 0.0f) el = 0.0f;
        }
        stx = ftoi(r * tmapfacx);
        sty = ftoi(el * tmapfacy);
        break;
    }
    case RT_TRANSPARENT:
        stx = ftoi((ux - e->xmin) * tmapfacx);
        sty = ftoi((uz - e->zmin) * tmapfacy);
        break;
    default:
        stx = sty = 0;
        break;
    }
}

// Across the longitude seam one vertex's azimuth is near 0 and another's
// near a full turn: move the small one up by a turn.
inline void seam(int &p, int &q) {
    if (p > q + 5461) q += 10922;
    else if (q > p + 5461) p += 10922;
}

}  // namespace

static bool refprepare(const mem_render_entry_s *e, int t) {
    const bool smooth = e->type >= RT_SMOOTH;
    // 1. The triangle and its points.
    if (smooth) {
        const triangles_s *tr = vget<triangle_a>(e->triangles, t);
        if (!tr) return false;
        const points_s *p1 = vget<point_a>(e->points, tr->pt1), *p2 = vget<point_a>(e->points, tr->pt2),
                       *p3 = vget<point_a>(e->points, tr->pt3);
        if (!p1 || !p2 || !p3) return false;
        ux1 = p1->x, uy1 = p1->y, uz1 = p1->z, nx1 = p1->nx, ny1 = p1->ny, nz1 = p1->nz;
        ux2 = p2->x, uy2 = p2->y, uz2 = p2->z, nx2 = p2->nx, ny2 = p2->ny, nz2 = p2->nz;
        ux3 = p3->x, uy3 = p3->y, uz3 = p3->z, nx3 = p3->nx, ny3 = p3->ny, nz3 = p3->nz;
        // 2. A shade per vertex.
        sn1 = shadeval(lc11 * nx1 + lc21 * ny1 + lc31 * nz1 + lc41);
        sn2 = shadeval(lc11 * nx2 + lc21 * ny2 + lc31 * nz2 + lc41);
        sn3 = shadeval(lc11 * nx3 + lc21 * ny3 + lc31 * nz3 + lc41);
    } else {
        const trianglef_s *tr = vget<triangle_af>(e->triangles, t);
        if (!tr) return false;
        const pointf_s *p1 = vget<point_af>(e->points, tr->pt1), *p2 = vget<point_af>(e->points, tr->pt2),
                       *p3 = vget<point_af>(e->points, tr->pt3);
        if (!p1 || !p2 || !p3) return false;
        ux1 = p1->x, uy1 = p1->y, uz1 = p1->z;
        ux2 = p2->x, uy2 = p2->y, uz2 = p2->z;
        ux3 = p3->x, uy3 = p3->y, uz3 = p3->z;
        nx1 = nx2 = nx3 = tr->nx;
        ny1 = ny2 = ny3 = tr->ny;
        nz1 = nz2 = nz3 = tr->nz;
        sn1 = sn2 = sn3 = shadeval(lc11 * nx1 + lc21 * ny1 + lc31 * nz1 + lc41);
    }
    // 3. Face plane; no area, no plane.
    const float ax = ux2 - ux1, ay = uy2 - uy1, az = uz2 - uz1;
    const float bx = ux3 - ux1, by = uy3 - uy1, bz = uz3 - uz1;
    const float nx = ay * bz - by * az, ny = bx * az - bz * ax, nz = ax * by - ay * bx;
    const float len = sqrtf_(nx * nx + ny * ny + nz * nz);
    if (!(len > 0.0f) || !std::isfinite(len)) return false;
    wnx = nx / len;
    wny = ny / len;
    wnz = nz / len;
    xpx = wnx * ux1 + wny * uy1 + wnz * uz1;
    // 4. Only faces turned toward the camera; edge-on ones are not drawn.
    if (!(wnx * camx + wny * camy + wnz * camz > xpx)) return false;
    // 5. Highlight levels.
    hl1 = hilevel(e, sn1, nx1, ny1, nz1);
    if (smooth) {
        hl2 = hilevel(e, sn2, nx2, ny2, nz2);
        hl3 = hilevel(e, sn3, nx3, ny3, nz3);
    } else {
        hl2 = hl3 = hl1;
    }
    // 6. View space.
    vx1 = tc11 * ux1 + tc21 * uy1 + tc31 * uz1 + tc41;
    vy1 = tc12 * ux1 + tc22 * uy1 + tc32 * uz1 + tc42;
    vz1 = tc13 * ux1 + tc23 * uy1 + tc33 * uz1 + tc43;
    vx2 = tc11 * ux2 + tc21 * uy2 + tc31 * uz2 + tc41;
    vy2 = tc12 * ux2 + tc22 * uy2 + tc32 * uz2 + tc42;
    vz2 = tc13 * ux2 + tc23 * uy2 + tc33 * uz2 + tc43;
    vx3 = tc11 * ux3 + tc21 * uy3 + tc31 * uz3 + tc41;
    vy3 = tc12 * ux3 + tc22 * uy3 + tc32 * uz3 + tc42;
    vz3 = tc13 * ux3 + tc23 * uy3 + tc33 * uz3 + tc43;
    // 7. Pixel positions, used only to order merged triangles; a vertex on
    // the view plane has none and is put at the centre (the clipper
    // computes the true positions of what it draws).
    auto project = [](float x, float y, float z, int &px, int &py) {
        if (z != 0.0f) {
            px = ftoi(pich1 * x / z + picw1);
            py = ftoi(pich1 * y / z + pich1);
        } else {
            px = picw1;
            py = pich1;
        }
    };
    project(vx1, vy1, vz1, sx1, sy1);
    project(vx2, vy2, vz2, sx2, sy2);
    project(vx3, vy3, vz3, sx3, sy3);
    // 8. Wholly behind the camera.
    if (vz1 < 0.0f && vz2 < 0.0f && vz3 < 0.0f) return false;
    const int part = rtpart(e->type);
    // 9. Transparency shades by facing instead of light.
    if (part == RT_TRANSPARENT) {
        sn1 = shadeval(e->rc11 * nx1 + e->rc21 * ny1 + e->rc31 * nz1 + e->rc41);
        if (smooth) {
            sn2 = shadeval(e->rc11 * nx2 + e->rc21 * ny2 + e->rc31 * nz2 + e->rc41);
            sn3 = shadeval(e->rc11 * nx3 + e->rc21 * ny3 + e->rc31 * nz3 + e->rc41);
        } else {
            sn2 = sn3 = sn1;
        }
    }
    // 10. Texture coordinates (every part but the plain colour has them).
    if (part >= RT_PLANAR) {
        mapvertex(e, part, ux1, uy1, uz1, nx1, ny1, nz1, stx1, sty1);
        mapvertex(e, part, ux2, uy2, uz2, nx2, ny2, nz2, stx2, sty2);
        mapvertex(e, part, ux3, uy3, uz3, nx3, ny3, nz3, stx3, sty3);
        // The maps by azimuth (spherical, cylindrical, reflection) wrap
        // around.
        if (part >= RT_SPHERICAL && part <= RT_REFLECTION) {
            seam(stx1, stx2);
            seam(stx1, stx3);
            seam(stx2, stx3);
        }
    }
    return true;
}

namespace {

// 11. Sends the prepared triangle through the clipper that carries what its
// filler interpolates.
void draw(const mem_render_entry_s *e, bool merged) {
    const filler_fn f = pickfiller(e->type, merged);
    if (!f) return;
    if (f == f08000) {
        clipt0(f, 0, vx1, vy1, vz1, vx2, vy2, vz2, vx3, vy3, vz3, sn1, hl1);
    } else if (f == s08000 || f == s08010) {
        clipt1(f, 0, vx1, vy1, vz1, sn1, hl1, vx2, vy2, vz2, sn2, hl2, vx3, vy3, vz3, sn3, hl3);
    } else if (f == a08100) {
        // Unlit: the texel darkened by the material's ambient shift.
        attf = e->texture->t.material.ambient;
        clipt2(f, 0, vx1, vy1, vz1, 0, 0, stx1, sty1, vx2, vy2, vz2, 0, 0, stx2, sty2, vx3, vy3, vz3, 0, 0, stx3,
               sty3);
    } else if (f == f08100 || f == s08100) {
        clipt2(f, 0, vx1, vy1, vz1, sn1, 0, stx1, sty1, vx2, vy2, vz2, sn2, 0, stx2, sty2, vx3, vy3, vz3, sn3, 0,
               stx3, sty3);
    } else {
        clipt2(f, 0, vx1, vy1, vz1, sn1, hl1, stx1, sty1, vx2, vy2, vz2, sn2, hl2, stx2, sty2, vx3, vy3, vz3, sn3,
               hl3, stx3, sty3);
    }
}

inline bool known_type(int type) {
    return type >= 0 && type <= RT_SMOOTH + RT_TRANSPARENT && type % 10 == 0 && rtpart(type) <= RT_TRANSPARENT;
}

void single(mem_render_entry_s *e) {
    if (!known_type(e->type) || !e->texture) return;
    refloadmat(e);
    for (int j = 0; j < e->no_ddh; ++j)
        if (refprepare(e, vget<ddh_table_entry_a>(e->ddh, j))) draw(e, false);
}

// Stores the prepared triangle as the entry's current one.
void keep(mem_render_entry_s *e) {
    e->ux1 = ux1, e->uy1 = uy1, e->uz1 = uz1, e->ux2 = ux2, e->uy2 = uy2, e->uz2 = uz2;
    e->ux3 = ux3, e->uy3 = uy3, e->uz3 = uz3;
    e->vx1 = vx1, e->vy1 = vy1, e->vz1 = vz1, e->vx2 = vx2, e->vy2 = vy2, e->vz2 = vz2;
    e->vx3 = vx3, e->vy3 = vy3, e->vz3 = vz3;
    e->wnx = wnx, e->wny = wny, e->wnz = wnz, e->xpx = xpx;
    e->sx1 = sx1, e->sy1 = sy1, e->sx2 = sx2, e->sy2 = sy2, e->sx3 = sx3, e->sy3 = sy3;
    e->sn1 = sn1, e->sn2 = sn2, e->sn3 = sn3, e->hl1 = hl1, e->hl2 = hl2, e->hl3 = hl3;
    e->stx1 = stx1, e->sty1 = sty1, e->stx2 = stx2, e->sty2 = sty2, e->stx3 = stx3, e->sty3 = sty3;
    e->vzmax = std::fmax(vz1, std::fmax(vz2, vz3));
    e->vzmin = std::fmin(vz1, std::fmin(vz2, vz3));
}

// Copies the entry's current triangle back into the per-triangle globals.
void fetch(const mem_render_entry_s *e) {
    vx1 = e->vx1, vy1 = e->vy1, vz1 = e->vz1, vx2 = e->vx2, vy2 = e->vy2, vz2 = e->vz2;
    vx3 = e->vx3, vy3 = e->vy3, vz3 = e->vz3;
    sn1 = e->sn1, sn2 = e->sn2, sn3 = e->sn3, hl1 = e->hl1, hl2 = e->hl2, hl3 = e->hl3;
    stx1 = e->stx1, sty1 = e->sty1, stx2 = e->stx2, sty2 = e->sty2, stx3 = e->stx3, sty3 = e->sty3;
}

constexpr float exhausted = -666.0f;

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


mem_render_entry_s *refmergepick(mem_render_entry_s *head) {
    mem_render_entry_s *best = nullptr;
    for (mem_render_entry_s *e = head; e; e = e->next_entry) {
        if (e->vzmax < -1.0f) continue;   // exhausted
        if (!best || takes(best, e)) best = e;
    }
    return best;
}

// Finds the entry's next drawable triangle from `currtri` on and keeps it,
// or marks the entry exhausted.
void advance(mem_render_entry_s *e) {
    for (; e->currtri < e->no_ddh; ++e->currtri) {
        if (refprepare(e, vget<ddh_table_entry_a>(e->ddh, e->currtri))) {
            keep(e);
            return;
        }
    }
    e->vzmax = exhausted;
}

void merged(mem_render_entry_s *head) {
    for (mem_render_entry_s *e = head; e; e = e->next_entry) {
        if (e->off_screen || !known_type(e->type) || !e->texture) {
            e->vzmax = exhausted;
            continue;
        }
        refloadmat(e);
        e->currtri = 0;
        advance(e);
    }
    // Every pick draws one triangle and moves its entry on, so the loop
    // ends after at most as many picks as the group has triangles.
    while (mem_render_entry_s *e = refmergepick(head)) {
        refloadmat(e);
        fetch(e);
        draw(e, true);
        ++e->currtri;
        advance(e);
    }
}

}  // namespace

void refrender() {
    ++fillgen;
    reapbase = nullptr;
    rendlist();
    dobackground();
    for (mem_render_entry_s *g = reapbase; g; g = g->next_group) {
        if (g->off_screen) continue;
        if (!g->next_entry)
            single(g);
        else
            merged(g);
    }
}

}  // namespace vortella::test
