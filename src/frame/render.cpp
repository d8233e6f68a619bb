// The frame renderer: builds the render list, paints the background, then
// every group: single objects in depth-table order, merged groups of
// overlapping objects triangle by triangle in the order the merge selection
// picks. Each triangle is lit, tested, transformed, mapped and handed to the
// clipper with the span filler its render type and values call for.
#include <algorithm>
#include <cmath>

#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

constexpr double pid = 3.141592654;
constexpr float twopi = 6.2831855f;   // the upper limit of a reflected azimuth
// Texture-x units per radian of azimuth (one turn is 10922) and texture-y
// units per radian of elevation.
constexpr float facaz = 1738.2903f;
constexpr float facel = 5214.871f;
// Elevation given to a vertex straight above the centre.
constexpr float polarb = 1.0471627f;

// Object centre of the entry whose triangles are being prepared.
float cx, cy, cz;

inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Shade index of a light value: 255 x value, none below 0.
inline int shadeval(float s) { return s >= 0.0f ? clampi(ftoi(255.0f * s), 0, 255) : 0; }

inline float atanf_(float v) { return static_cast<float>(std::atan(static_cast<double>(v))); }
inline float sqrtf_(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }

// The sum of a float and a multiple of pi: taken in double, with pi as
// 3.141592654, and stored back as a float. A float pi would round before the
// sum and move about a third of the results by one step.
inline float addpi(float v, double times) { return static_cast<float>(v + times * pid); }

}  // namespace

float ang(float x, float y) {
    if (x != 0.0f) {
        float a = atanf_(y / x);
        if (x < 0.0f) a = addpi(a, 1.0);
        if (a < 0.0f) a = addpi(a, 2.0);
        return a;
    }
    return y > 0.0f ? addpi(0.0f, 0.5) : addpi(0.0f, 1.5);
}

// Every entry uses its own material values, also inside merged groups.
void loadmat(const mem_render_entry_s *e) {
    const mem_texture_s &m = e->texture->t.material;
    hlth = m.highlight;
    ptl = m.litear;
    pth = m.hilitear;
    pred = m.color.red;
    pgreen = m.color.green;
    pblue = m.color.blue;
    pti = m.textax;
    pta = m.textay;
    ptr = m.transrr;
    ptg = m.transrg;
    ptb = m.transrb;
    trctr = e->transctr;
    cx = (e->xmin + e->xmax) * 0.5f;
    cy = (e->ymin + e->ymax) * 0.5f;
    cz = (e->zmin + e->zmax) * 0.5f;
    switch (rtpart(e->type)) {
    case RT_TRANSPARENT:
        tmapfacx = e->xmax != e->xmin ? 16383.0f / (e->xmax - e->xmin) : 16383.0f;
        tmapfacy = e->zmax != e->zmin ? 16383.0f / (e->zmax - e->zmin) : 16383.0f;
        break;
    case RT_SPHERICAL:
    case RT_CYLINDRICAL:
    case RT_REFLECTION:
        tmapfacx = facaz;
        tmapfacy = facel;
        break;
    default:
        break;
    }
}

namespace {

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

namespace {

// Where entry e's points begin, or null when e is not in grp.
mem_grpent_s *member(const mem_render_entry_s *e) {
    for (mem_grpent_s &m : grp)
        if (m.e == e) return &m;
    return nullptr;
}

// A row of a 4 x 3 matrix: the dot product with a point, in the order
// every transform of the pipeline takes it.
struct row4_s {
    float a, b, c, d;
    float of(float x, float y, float z) const { return a * x + b * y + c * z + d; }
};

// What shading a normal reads: the light row, the entry's highlight and
// facing rows and the highlight threshold, copied, so that a loop storing
// results does not read them again from the globals and the entry its
// stores might alias.
struct shader_s {
    row4_s l, h, r;
    float th;
};
inline shader_s shaderof(const mem_render_entry_s *e) {
    return {{lc11, lc21, lc31, lc41}, {e->hc11, e->hc21, e->hc31, e->hc41}, {e->rc11, e->rc21, e->rc31, e->rc41}, hlth};
}

// Shade, highlight and, for the transparent part, the facing shade of a
// normal: steps 2, 5 and 9 of the triangle pipeline for one vertex. The
// highlight is taken from the light's shade, before transparency replaces
// it; a threshold of 1 or more leaves no ramp to climb: no highlight (the
// material's usual case, decided before the dot product).
inline void shadenormal(const shader_s &k, int part, float nx, float ny, float nz, int &sn, int &hl) {
    sn = shadeval(k.l.of(nx, ny, nz));
    hl = 0;
    if (sn > 0 && k.th < 1.0f) {
        const float h = k.h.of(nx, ny, nz);
        if (h >= k.th) hl = clampi(ftoi(31.0f * (h - k.th) / (1.0f - k.th)), 0, 31);
    }
    if (part == RT_TRANSPARENT) sn = shadeval(k.r.of(nx, ny, nz));
}
inline void shadenormal(const mem_render_entry_s *e, int part, float nx, float ny, float nz, int &sn, int &hl) {
    shadenormal(shaderof(e), part, nx, ny, nz, sn, hl);
}

// The pixel position merged groups are ordered by; a point on the view
// plane has none and is put at the centre (the clipper computes the true
// positions of what it draws).
inline void project(int hw, int hh, float x, float y, float z, int &px, int &py) {
    if (z != 0.0f) {
        px = ftoi(hh * x / z + hw);
        py = ftoi(hh * y / z + hh);
    } else {
        px = hw;
        py = hh;
    }
}

#if defined(__SSE2__)
// row4_s on four points at once.
struct row4v_s {
    __m128 a, b, c, d;
    explicit row4v_s(const row4_s &r)
        : a(_mm_set1_ps(r.a)), b(_mm_set1_ps(r.b)), c(_mm_set1_ps(r.c)), d(_mm_set1_ps(r.d)) {}
    __m128 of(__m128 x, __m128 y, __m128 z) const {
        return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(a, x), _mm_mul_ps(b, y)), _mm_mul_ps(c, z)), d);
    }
};

inline __m128i shadeval4(__m128 v) {
    const __m128i t = ftoi4in(_mm_mul_ps(_mm_set1_ps(255.0f), v), 0, 255);
    return _mm_and_si128(_mm_castps_si128(_mm_cmpge_ps(v, _mm_setzero_ps())), t);
}

// The point pass four points at a time: the same operations in the same
// order as row4_s::of, project and shadenormal, on four lanes, so every
// value has the same bits as the one-point code gives. Returns how many
// points it made (a multiple of 4); the caller makes the rest.
size_t pointsv(const points_s *p, size_t n, fpoint_s *f, bool merged, bool smooth, int part,
               const row4_s (&rows)[3], const shader_s &k, int hw, int hh) {
    const row4v_s rx(rows[0]), ry(rows[1]), rz(rows[2]), rl(k.l), rh(k.h), rr(k.r);
    const __m128 fhw = _mm_set1_ps(float(hw)), fhh = _mm_set1_ps(float(hh));
    const __m128 th = _mm_set1_ps(k.th), span = _mm_set1_ps(1.0f - k.th), f31 = _mm_set1_ps(31.0f);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const points_s *q = p + i;
        // x, y, z, nx of each point as columns; ny and nz in pairs.
        __m128 px = _mm_loadu_ps(&q[0].x), py = _mm_loadu_ps(&q[1].x), pz = _mm_loadu_ps(&q[2].x),
               nx = _mm_loadu_ps(&q[3].x);
        _MM_TRANSPOSE4_PS(px, py, pz, nx);
        const __m128 lo = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64 *>(&q[0].ny)),
                                       reinterpret_cast<const __m64 *>(&q[1].ny));
        const __m128 hi = _mm_loadh_pi(_mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64 *>(&q[2].ny)),
                                       reinterpret_cast<const __m64 *>(&q[3].ny));
        const __m128 ny = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 nz = _mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 vx = rx.of(px, py, pz), vy = ry.of(px, py, pz), vz = rz.of(px, py, pz);
        alignas(16) float fx[4], fy[4], fz[4];
        _mm_store_ps(fx, vx);
        _mm_store_ps(fy, vy);
        _mm_store_ps(fz, vz);
        for (int j = 0; j < 4; ++j) {
            fpoint_s &o = f[i + j];
            o.c.x = fx[j], o.c.y = fy[j], o.c.z = fz[j];
            o.ux = q[j].x, o.uy = q[j].y, o.uz = q[j].z;
        }
        alignas(16) int a[4], b[4];
        if (merged) {
            // A point on the view plane goes to the centre (z == 0 is false
            // for NaN, which divides like the one-point code).
            const __m128i onplane = _mm_castps_si128(_mm_cmpeq_ps(vz, _mm_setzero_ps()));
            const __m128i sx = ftoi4(_mm_add_ps(_mm_div_ps(_mm_mul_ps(fhh, vx), vz), fhw));
            const __m128i sy = ftoi4(_mm_add_ps(_mm_div_ps(_mm_mul_ps(fhh, vy), vz), fhh));
            _mm_store_si128(reinterpret_cast<__m128i *>(a),
                            _mm_or_si128(_mm_andnot_si128(onplane, sx), _mm_and_si128(onplane, _mm_set1_epi32(hw))));
            _mm_store_si128(reinterpret_cast<__m128i *>(b),
                            _mm_or_si128(_mm_andnot_si128(onplane, sy), _mm_and_si128(onplane, _mm_set1_epi32(hh))));
            for (int j = 0; j < 4; ++j) f[i + j].sx = a[j], f[i + j].sy = b[j];
        }
        if (smooth) {
            const __m128i sn = shadeval4(rl.of(nx, ny, nz));
            __m128i hl = _mm_setzero_si128();
            if (k.th < 1.0f) {
                const __m128 h = rh.of(nx, ny, nz);
                const __m128i up = _mm_and_si128(_mm_cmpgt_epi32(sn, _mm_setzero_si128()),
                                                 _mm_castps_si128(_mm_cmpge_ps(h, th)));
                hl = _mm_and_si128(up, ftoi4in(_mm_div_ps(_mm_mul_ps(f31, _mm_sub_ps(h, th)), span), 0, 31));
            }
            _mm_store_si128(reinterpret_cast<__m128i *>(a), part == RT_TRANSPARENT ? shadeval4(rr.of(nx, ny, nz)) : sn);
            _mm_store_si128(reinterpret_cast<__m128i *>(b), hl);
            for (int j = 0; j < 4; ++j) f[i + j].sn = uint8_t(a[j]), f[i + j].hl = uint8_t(b[j]);
        }
    }
    return i;
}
#endif

// A faceted triangle's values: one shade and level from its stored normal,
// and reflection coordinates per vertex from that normal (the other maps
// belong to the points).
struct facet_s {
    int sn, hl;
    int stx[3], sty[3];
};

// The values a triangle that passed the tests hands on: shades, levels and
// texture coordinates per vertex, the seam rule applied.
struct trival_s {
    int sn[3], hl[3], stx[3], sty[3];
};

// Gathers triangle t's values from its points (smooth) or its normal
// (faceted) into v.
inline void trivalues(const mem_render_entry_s *e, const mem_grpent_s &m, int part, bool smooth, int t,
                      const mem_flattri_s &tr, trival_s &v) {
    const int pt[3] = {m.base + tr.pt1, m.base + tr.pt2, m.base + tr.pt3};
    const bool mapped = part >= RT_PLANAR;
    if (smooth) {
        for (int k = 0; k < 3; ++k) {
            const fpoint_s &f = fpts[size_t(pt[k])];
            v.sn[k] = f.sn, v.hl[k] = f.hl;
            if (mapped) {
                const ptex_s &x = tpts[size_t(pt[k])];
                v.stx[k] = x.stx, v.sty[k] = x.sty;
            } else {
                v.stx[k] = v.sty[k] = 0;
            }
        }
    } else {
        const float *n = &m.g->normals[size_t(t) * 3];
        int sn, hl;
        shadenormal(e, part, n[0], n[1], n[2], sn, hl);
        for (int k = 0; k < 3; ++k) {
            v.sn[k] = sn, v.hl[k] = hl;
            if (part == RT_REFLECTION) {
                const points_s &p = m.g->points[size_t(pt[k] - m.base)];
                mapvertex(e, part, p.x, p.y, p.z, n[0], n[1], n[2], v.stx[k], v.sty[k]);
            } else if (mapped) {
                const ptex_s &x = tpts[size_t(pt[k])];
                v.stx[k] = x.stx, v.sty[k] = x.sty;
            } else {
                v.stx[k] = v.sty[k] = 0;
            }
        }
    }
    // The maps by azimuth (spherical, cylindrical, reflection) wrap around.
    if (part >= RT_SPHERICAL && part <= RT_REFLECTION) {
        seam(v.stx[0], v.stx[1]);
        seam(v.stx[0], v.stx[2]);
        seam(v.stx[1], v.stx[2]);
    }
}

// Triangle t of m's entry, steps 3, 4 and 8 of the pipeline: whether it has
// a plane, faces the camera and is not wholly behind it, as the entry's
// points were made this frame.
inline bool drawable(const mem_grpent_s &m, int t) {
    return unsigned(t) < unsigned(m.nt) && tvis[size_t(m.tbase + t)];
}

// The depth tables list triangles by depth, so drawing them in that order
// jumps across the triangle and point arrays and waits on memory for
// nearly every record. Reading ahead hides it: at place j of an entry's
// list of drawable triangles, the record of the triangle `ahead` places on
// is fetched, and the points of the one half as far (whose record has
// arrived by then). Fetches change no value. The helpers are always
// inlined: GCC takes a function that does nothing but fetch for one without
// effects and drops its calls, fetches and all.
constexpr int ahead = 16;

[[gnu::always_inline]] inline void fetchpoint(const mem_grpent_s &m, int p) {
    __builtin_prefetch(&fpts[size_t(m.base + p)]);
}

[[gnu::always_inline]] inline void fetchahead(const mem_grpent_s &m, const int *list, int j) {
    if (j + ahead < m.ln) __builtin_prefetch(&m.g->triangles[size_t(list[j + ahead])]);
    if (j + ahead / 2 < m.ln) {
        const mem_flattri_s &tr = m.g->triangles[size_t(list[j + ahead / 2])];
        fetchpoint(m, tr.pt1);
        fetchpoint(m, tr.pt2);
        fetchpoint(m, tr.pt3);
    }
}

// Copies the values of a triangle into the per-triangle globals that
// pickfiller and the merge selection read.
inline void setvalues(const trival_s &v) {
    sn1 = v.sn[0], sn2 = v.sn[1], sn3 = v.sn[2];
    hl1 = v.hl[0], hl2 = v.hl[1], hl3 = v.hl[2];
    stx1 = v.stx[0], sty1 = v.sty[0], stx2 = v.stx[1], sty2 = v.sty[1], stx3 = v.stx[2], sty3 = v.sty[2];
}

}  // namespace

bool lightpoints(mem_render_entry_s *e, bool merged) {
    const mem_flatgeo_s *g = flatgeo(e->geometry);
    if (!g) return false;
    mem_grpent_s *m = member(e);
    // An entry already in the group keeps its place, which holds as many
    // points as its geometry has.
    if (m && (m->g != g || size_t(m->np) != g->points.size())) return false;
    if (!m) {
        const int base = grp.empty() ? 0 : grp.back().base + grp.back().np;
        const int tbase = grp.empty() ? 0 : grp.back().tbase + grp.back().nt;
        const int lbase = grp.empty() ? 0 : grp.back().lbase + grp.back().lcap;
        const int lcap = std::max(e->no_ddh, 0);
        grp.push_back({e, g, base, int(g->points.size()), tbase, int(g->triangles.size()), lbase, lcap, 0, 0, 0,
                       0, 0});
        m = &grp.back();
    }
    const size_t n = g->points.size(), end = size_t(m->base) + n;
    const bool smooth = e->type >= RT_SMOOTH;
    const int part = rtpart(e->type);
    // Texture coordinates only where the material has a map.
    const bool mapped = part >= RT_PLANAR;
    if (fpts.size() < end) fpts.resize(end);
    if (mapped && tpts.size() < end) tpts.resize(end);
    fpoint_s *f = fpts.data() + m->base;
    ptex_s *tx = mapped ? tpts.data() + m->base : nullptr;
    // The view rows, the shading and the picture's halves as locals (see
    // shader_s).
    const row4_s rows[3] = {{tc11, tc21, tc31, tc41}, {tc12, tc22, tc32, tc42}, {tc13, tc23, tc33, tc43}};
    const shader_s k = shaderof(e);
    const int hw = picw1, hh = pich1;
    const points_s *pt = g->points.data();
    // 6. View space, as the triangle pipeline transforms each vertex; the
    // merge position; 2, 5 and 9, the shading.
    size_t done = 0;
#if defined(__SSE2__)
    if (ptlanes == 4) done = pointsv(pt, n, f, merged, smooth, part, rows, k, hw, hh);
#endif
    for (size_t j = done; j < n; ++j) {
        const points_s &p = pt[j];
        fpoint_s &o = f[j];
        o.c.x = rows[0].of(p.x, p.y, p.z);
        o.c.y = rows[1].of(p.x, p.y, p.z);
        o.c.z = rows[2].of(p.x, p.y, p.z);
        o.ux = p.x, o.uy = p.y, o.uz = p.z;
        if (merged) project(hw, hh, o.c.x, o.c.y, o.c.z, o.sx, o.sy);
        if (smooth) {
            int sn, hl;
            shadenormal(k, part, p.nx, p.ny, p.nz, sn, hl);
            o.sn = uint8_t(sn), o.hl = uint8_t(hl);
        }
    }
    // 7, the texture coordinates. Faceted points' maps read the point
    // alone, not the normal; their reflections belong to the triangles.
    if (mapped && (smooth || part != RT_REFLECTION))
        for (size_t j = 0; j < n; ++j) {
            const points_s &p = pt[j];
            if (smooth) mapvertex(e, part, p.x, p.y, p.z, p.nx, p.ny, p.nz, tx[j].stx, tx[j].sty);
            else mapvertex(e, part, p.x, p.y, p.z, 0.0f, 0.0f, 0.0f, tx[j].stx, tx[j].sty);
        }
    if (n > 0) clipprep(&f->c, int(n), sizeof(fpoint_s));
    // 3, 4 and 8 for every triangle, in the order the triangles are
    // stored. A triangle without a plane has xpx = NaN and fails the
    // back-face test.
    const size_t nt = g->triangles.size(), tend = size_t(m->tbase) + nt;
    if (tvis.size() < tend) tvis.resize(tend);
    uint8_t *v = tvis.data() + m->tbase;
    const mem_flattri_s *tr = g->triangles.data();
    const float ex = camx, ey = camy, ez = camz;
    for (size_t i = 0; i < nt; ++i) {
        const mem_flattri_s &t = tr[i];
        v[i] = t.wnx * ex + t.wny * ey + t.wnz * ez > t.xpx &&
               !(f[t.pt1].c.z < 0.0f && f[t.pt2].c.z < 0.0f && f[t.pt3].c.z < 0.0f);
    }
    // The drawable triangles in the depth table's order, a leaf of 32 at a
    // time; a missing leaf reads as triangle 0, like any missing slot of a
    // paged table. The entry's place holds as many as its table.
    if (m->lcap < e->no_ddh) return false;
    if (tlist.size() < size_t(m->lbase) + size_t(m->lcap)) tlist.resize(size_t(m->lbase) + size_t(m->lcap));
    int *l = tlist.data() + m->lbase, kept = 0;
    for (int j = 0; j < e->no_ddh;) {
        const ddh_table_entry_a *leaf = vleaf<ddh_table_entry_a>(e->ddh, j);
        const int last = std::min(e->no_ddh, (j | 31) + 1);
        for (; j < last; ++j) {
            const int t = leaf ? leaf->p[j & 31] : 0;
            l[kept] = t;
            kept += drawable(*m, t);
        }
    }
    m->ln = kept;
    return true;
}

namespace {

// prepare for a member of grp.
bool preparem(mem_grpent_s &m, int t) {
    if (!drawable(m, t)) return false;
    const mem_render_entry_s *e = m.e;
    const mem_flattri_s &tr = m.g->triangles[size_t(t)];
    m.p1 = m.base + tr.pt1, m.p2 = m.base + tr.pt2, m.p3 = m.base + tr.pt3;
    const points_s &p1 = m.g->points[size_t(tr.pt1)], &p2 = m.g->points[size_t(tr.pt2)],
                   &p3 = m.g->points[size_t(tr.pt3)];
    ux1 = p1.x, uy1 = p1.y, uz1 = p1.z, ux2 = p2.x, uy2 = p2.y, uz2 = p2.z, ux3 = p3.x, uy3 = p3.y, uz3 = p3.z;
    const fpoint_s &f1 = fpts[size_t(m.p1)], &f2 = fpts[size_t(m.p2)], &f3 = fpts[size_t(m.p3)];
    vx1 = f1.c.x, vy1 = f1.c.y, vz1 = f1.c.z, vx2 = f2.c.x, vy2 = f2.c.y, vz2 = f2.c.z;
    vx3 = f3.c.x, vy3 = f3.c.y, vz3 = f3.c.z;
    sx1 = f1.sx, sy1 = f1.sy, sx2 = f2.sx, sy2 = f2.sy, sx3 = f3.sx, sy3 = f3.sy;
    wnx = tr.wnx, wny = tr.wny, wnz = tr.wnz, xpx = tr.xpx;
    trival_s v;
    trivalues(e, m, rtpart(e->type), e->type >= RT_SMOOTH, t, tr, v);
    setvalues(v);
    return true;
}

}  // namespace

bool prepare(const mem_render_entry_s *e, int t) {
    mem_grpent_s *m = member(e);
    return m && preparem(*m, t);
}

filler_fn pickfiller(int type, bool merged) {
    const bool lit = hl1 != 0 || hl2 != 0 || hl3 != 0;
    const bool even = sn1 == sn2 && sn1 == sn3;
    switch (type) {
    case RT_FACETED + RT_PLAIN: return f08000;
    case RT_SMOOTH + RT_PLAIN: return lit ? s08010 : even ? f08000 : s08000;
    case RT_FACETED + RT_CYLINDRICAL:
        // Faceted cylindrical maps take the smooth dispatch on their own
        // and the flat one inside a merged group.
        if (!merged) break;
        [[fallthrough]];
    case RT_FACETED + RT_PLANAR:
    case RT_FACETED + RT_SPHERICAL:
    case RT_FACETED + RT_REFLECTION:
        // Faceted: one shade and one level for the triangle; vertex 1 decides.
        return hl1 != 0 ? f08110 : sn1 == 0 ? a08100 : f08100;
    case RT_SMOOTH + RT_PLANAR:
    case RT_SMOOTH + RT_SPHERICAL:
    case RT_SMOOTH + RT_CYLINDRICAL:
    case RT_SMOOTH + RT_REFLECTION: break;
    case RT_FACETED + RT_TRANSPARENT: return f08011;
    case RT_SMOOTH + RT_TRANSPARENT: return s08011;
    default: return nullptr;
    }
    if (lit) return s08110;
    if (even) return sn1 == 0 ? a08100 : f08100;
    return s08100;
}

namespace {

// 11. Sends a triangle through the clipper that carries what its filler
// interpolates; a, b, c are its points.
void draw(const mem_render_entry_s *e, bool merged, const clipv_s &a, const clipv_s &b, const clipv_s &c) {
    const filler_fn f = pickfiller(e->type, merged);
    if (!f) return;
    if (f == f08000) {
        clipp0(f, a, b, c, sn1, hl1);
    } else if (f == s08000 || f == s08010) {
        clipp1(f, a, sn1, hl1, b, sn2, hl2, c, sn3, hl3);
    } else if (f == a08100) {
        // Unlit: the texel darkened by the material's ambient shift.
        attf = e->texture->t.material.ambient;
        clipp2(f, a, 0, 0, stx1, sty1, b, 0, 0, stx2, sty2, c, 0, 0, stx3, sty3);
    } else if (f == f08100 || f == s08100) {
        clipp2(f, a, sn1, 0, stx1, sty1, b, sn2, 0, stx2, sty2, c, sn3, 0, stx3, sty3);
    } else {
        clipp2(f, a, sn1, hl1, stx1, sty1, b, sn2, hl2, stx2, sty2, c, sn3, hl3, stx3, sty3);
    }
}

inline bool known_type(int type) {
    return type >= 0 && type <= RT_SMOOTH + RT_TRANSPARENT && type % 10 == 0 && rtpart(type) <= RT_TRANSPARENT;
}

void single(mem_render_entry_s *e) {
    if (!known_type(e->type) || !e->texture) return;
    loadmat(e);
    grp.clear();
    if (!lightpoints(e, false)) return;
    const mem_grpent_s &m = grp[0];
    const int part = rtpart(e->type);
    const bool smooth = e->type >= RT_SMOOTH;
    const int *list = tlist.data() + m.lbase;
    for (int j = 0; j < m.ln; ++j) {
        fetchahead(m, list, j);
        const int t = list[j];
        const mem_flattri_s &tr = m.g->triangles[size_t(t)];
        trival_s v;
        trivalues(e, m, part, smooth, t, tr, v);
        setvalues(v);
        draw(e, false, fpts[size_t(m.base + tr.pt1)].c, fpts[size_t(m.base + tr.pt2)].c,
             fpts[size_t(m.base + tr.pt3)].c);
    }
}

constexpr float exhausted = -666.0f;

// std::fmax and std::fmin without the library call: a NaN gives way to the
// other value, as there. Which of two zeros comes out may differ, which the
// merge selection cannot see (it only compares and subtracts depths).
inline float fmaxq(float a, float b) { return a != a ? b : b != b ? a : a > b ? a : b; }
inline float fminq(float a, float b) { return a != a ? b : b != b ? a : a < b ? a : b; }

// Makes triangle t (which passed the tests) m's current one: the entry
// keeps what the merge selection compares (scene-space vertices, view
// depths and their range, pixel positions, face plane); m keeps the
// triangle and its points for drawing.
void keep(mem_grpent_s &m, int t) {
    mem_render_entry_s *e = m.e;
    const mem_flattri_s &tr = m.g->triangles[size_t(t)];
    m.t = t;
    m.p1 = m.base + tr.pt1, m.p2 = m.base + tr.pt2, m.p3 = m.base + tr.pt3;
    const fpoint_s &f1 = fpts[size_t(m.p1)], &f2 = fpts[size_t(m.p2)], &f3 = fpts[size_t(m.p3)];
    e->ux1 = f1.ux, e->uy1 = f1.uy, e->uz1 = f1.uz, e->ux2 = f2.ux, e->uy2 = f2.uy, e->uz2 = f2.uz;
    e->ux3 = f3.ux, e->uy3 = f3.uy, e->uz3 = f3.uz;
    e->vz1 = f1.c.z, e->vz2 = f2.c.z, e->vz3 = f3.c.z;
    e->sx1 = f1.sx, e->sy1 = f1.sy, e->sx2 = f2.sx, e->sy2 = f2.sy, e->sx3 = f3.sx, e->sy3 = f3.sy;
    e->wnx = tr.wnx, e->wny = tr.wny, e->wnz = tr.wnz, e->xpx = tr.xpx;
    e->vzmax = fmaxq(e->vz1, fmaxq(e->vz2, e->vz3));
    e->vzmin = fminq(e->vz1, fminq(e->vz2, e->vz3));
    e->edgesmade = 0;
}

// Keeps the entry's drawable triangle number `currtri` (a place in its
// list), or marks the entry exhausted.
void advance(mem_grpent_s &m) {
    mem_render_entry_s *e = m.e;
    if (e->currtri < m.ln) {
        const int *list = tlist.data() + m.lbase;
        fetchahead(m, list, e->currtri);
        keep(m, list[e->currtri]);
        return;
    }
    e->vzmax = exhausted;
}

void merged(mem_render_entry_s *head) {
    grp.clear();
    for (mem_render_entry_s *e = head; e; e = e->next_entry) {
        if (e->off_screen || !known_type(e->type) || !e->texture) {
            e->vzmax = exhausted;
            continue;
        }
        loadmat(e);
        if (!lightpoints(e, true)) {
            e->vzmax = exhausted;
            continue;
        }
    }
    // The members are complete now (grp no longer moves).
    for (mem_grpent_s &m : grp) {
        loadmat(m.e);
        m.e->currtri = 0;
        advance(m);
    }
    // Every pick draws one triangle and moves its entry on, so the loop
    // ends after at most as many picks as the group has triangles.
    const mem_render_entry_s *loaded = nullptr;
    while (mem_render_entry_s *e = mergepick(head)) {
        mem_grpent_s *m = member(e);
        if (e != loaded) {
            loadmat(e);
            loaded = e;
        }
        trival_s v;
        trivalues(e, *m, rtpart(e->type), e->type >= RT_SMOOTH, m->t, m->g->triangles[size_t(m->t)], v);
        setvalues(v);
        draw(e, true, fpts[size_t(m->p1)].c, fpts[size_t(m->p2)].c, fpts[size_t(m->p3)].c);
        ++e->currtri;
        advance(*m);
    }
}

}  // namespace

void render() {
    // The scene's tables may have been made again since the last frame.
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

}  // namespace vortella
