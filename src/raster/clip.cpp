// Triangle clipping against the four side planes of the view pyramid,
// projection of the surviving pieces and the hand-over to a span filler.
//
// Each side plane is tested in the frame of its pyramid matrix (vr, vl, vt,
// vb), a rotation that turns the plane into z' = 0 with the inside at
// z' >= 0; the partner matrix (the transpose) turns cut points back into
// view space. The three clippers differ only in the per-vertex values they
// carry: none (clipt0), shade and highlight (clipt1), and those plus two
// texture coordinates (clipt2).

#include "raster/raster.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

// A vertex in view space (or in a plane's frame while it is being cut) with
// its K integer values.
template <int K>
struct cvtx_s {
    float x, y, z;
    int a[K > 0 ? K : 1];
};

// The rotation part and row 4 of a pyramid matrix.
struct rot_s {
    float m11, m12, m13, m21, m22, m23, m31, m32, m33, m41, m42, m43;
};

rot_s vrrot() { return {vr11, vr12, vr13, vr21, vr22, vr23, vr31, vr32, vr33, vr41, vr42, vr43}; }
rot_s vlrot() { return {vl11, vl12, vl13, vl21, vl22, vl23, vl31, vl32, vl33, vl41, vl42, vl43}; }
rot_s vtrot() { return {vt11, vt12, vt13, vt21, vt22, vt23, vt31, vt32, vt33, vt41, vt42, vt43}; }
rot_s vbrot() { return {vb11, vb12, vb13, vb21, vb22, vb23, vb31, vb32, vb33, vb41, vb42, vb43}; }

// Test matrix of a plane, and the matrix that turns its frame back.
rot_s testrot(int plane) {
    switch (plane) {
    case 0: return vrrot();
    case 1: return vlrot();
    case 2: return vtrot();
    default: return vbrot();
    }
}
rot_s backrot(int plane) {
    switch (plane) {
    case 0: return vlrot();
    case 1: return vrrot();
    case 2: return vbrot();
    default: return vtrot();
    }
}

inline float rotz(const rot_s &m, float x, float y, float z) {
    return x * m.m13 + y * m.m23 + z * m.m33 + m.m43;
}

// Turns v into the frame of m; the values ride along.
template <int K>
inline void rotate(const rot_s &m, cvtx_s<K> &v) {
    float x = v.x * m.m11 + v.y * m.m21 + v.z * m.m31 + m.m41;
    float y = v.x * m.m12 + v.y * m.m22 + v.z * m.m32 + m.m42;
    float z = v.x * m.m13 + v.y * m.m23 + v.z * m.m33 + m.m43;
    v.x = x;
    v.y = y;
    v.z = z;
}

template <int K>
inline void sortz(cvtx_s<K> &a, cvtx_s<K> &b) {
    if (a.z > b.z) {
        cvtx_s<K> t = a;
        a = b;
        b = t;
    }
}

// The point where the edge from A (outside, z' < 0) to B (inside, z' > 0)
// meets the plane. Single-precision throughout, in this order of
// operations; the divisor is positive. Values are truncated toward zero.
template <int K>
inline cvtx_s<K> cut(const cvtx_s<K> &A, const cvtx_s<K> &B) {
    cvtx_s<K> P{};
    const float nz = -A.z, dz = B.z - A.z;
    P.x = A.x + nz * ((B.x - A.x) / dz);
    P.y = A.y + nz * ((B.y - A.y) / dz);
    P.z = 0.0f;
    for (int k = 0; k < K; ++k) {
        const float va = float(A.a[k]), vb = float(B.a[k]);
        P.a[k] = ftoi(va + nz * ((vb - va) / dz));
    }
    return P;
}

inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Pixel position of a view-space point in front of the eye (z > 0). A
// point on the right plane projects to x = picw and one on the bottom plane
// to y = pich - 1, one on the top plane to y = -1; rounding near the eye
// can throw a cut point further. Fillers do not clip, so every vertex is
// brought into the picture here.
// The picture's halves and last column and row, as pixel() takes them (a
// copy, which a loop storing ints keeps in registers).
struct proj_s {
    float hw, hh, hy;
    int lastx, lasty;
};
inline proj_s projof() { return {float(picw1), float(pich1), float(pich1 - 1), picw_1, pich_1}; }

inline void pixel(const proj_s &q, float x, float y, float z, int &px, int &py) {
    const float xf = q.hh * (x / z) + q.hw;
    const float yf = q.hh * (y / z) + q.hy;
    px = clampi(ftoi(xf), 0, q.lastx);
    py = clampi(ftoi(yf), 0, q.lasty);
}

// Projects a piece that lies inside all four planes and calls the filler.
// sn, hl are clipt0's values for the whole triangle.
template <int K>
void project(filler_fn render_tri, const cvtx_s<K> *v, int sn, int hl) {
    int px[3], py[3];
    for (int i = 0; i < 3; ++i) {
        // Inside all four planes Z > 0 everywhere but at the eye point
        // itself, which cannot be projected; rounding can put a cut point
        // there (or just behind it), so such a piece is dropped.
        if (!(v[i].z > 0.0f)) return;
        pixel(projof(), v[i].x, v[i].y, v[i].z, px[i], py[i]);
    }
    x1 = px[0];
    y1 = py[0];
    x2 = px[1];
    y2 = py[1];
    x3 = px[2];
    y3 = py[2];
    if constexpr (K == 0) {
        n1 = sn;
        h1 = hl;
    } else {
        n1 = v[0].a[0];
        h1 = v[0].a[1];
        n2 = v[1].a[0];
        h2 = v[1].a[1];
        n3 = v[2].a[0];
        h3 = v[2].a[1];
    }
    if constexpr (K == 4) {
        tx1 = v[0].a[2];
        ty1 = v[0].a[3];
        tx2 = v[1].a[2];
        ty2 = v[1].a[3];
        tx3 = v[2].a[2];
        ty3 = v[2].a[3];
    }
    render_tri();
}

template <int K>
void clipstep(filler_fn render_tri, int plane, cvtx_s<K> v1, cvtx_s<K> v2, cvtx_s<K> v3,
              int sn, int hl);

// Sends one piece on: to the next plane, or after the last to projection.
template <int K>
inline void next(filler_fn render_tri, int plane, const cvtx_s<K> &v1, const cvtx_s<K> &v2,
                 const cvtx_s<K> &v3, int sn, int hl) {
    if (plane == 3) {
        const cvtx_s<K> v[3] = {v1, v2, v3};
        project(render_tri, v, sn, hl);
    } else {
        clipstep(render_tri, plane + 1, v1, v2, v3, sn, hl);
    }
}

// One plane: drop, pass on unchanged, or cut into one or two pieces that are
// turned back into view space and finished one after the other.
template <int K>
void clipstep(filler_fn render_tri, int plane, cvtx_s<K> v1, cvtx_s<K> v2, cvtx_s<K> v3,
              int sn, int hl) {
    const rot_s m = testrot(plane);
    const float z1 = rotz(m, v1.x, v1.y, v1.z);
    const float z2 = rotz(m, v2.x, v2.y, v2.z);
    const float z3 = rotz(m, v3.x, v3.y, v3.z);
    if (z1 <= 0.0f && z2 <= 0.0f && z3 <= 0.0f) return;   // outside, or in the plane
    if (z1 >= 0.0f && z2 >= 0.0f && z3 >= 0.0f) {
        next(render_tri, plane, v1, v2, v3, sn, hl);
        return;
    }
    rotate(m, v1);
    rotate(m, v2);
    rotate(m, v3);
    sortz(v1, v2);
    sortz(v1, v3);
    sortz(v2, v3);
    const rot_s b = backrot(plane);
    if (v2.z <= 0.0f) {
        // Two vertices outside: both move onto the plane along their edges
        // to vertex 3; a vertex 2 lying exactly in the plane stays.
        v1 = cut(v1, v3);
        if (v2.z != 0.0f) v2 = cut(v2, v3);
        rotate(b, v1);
        rotate(b, v2);
        rotate(b, v3);
        next(render_tri, plane, v1, v2, v3, sn, hl);
    } else {
        // One vertex outside: the quadrilateral P13, P12, T, vertex 3 is
        // drawn as (P13, P12, 3) and then (T, P12, 3).
        const cvtx_s<K> S = v1;
        cvtx_s<K> T = v2;
        v1 = cut(S, v3);
        v2 = cut(S, T);
        rotate(b, v1);
        rotate(b, v2);
        rotate(b, v3);
        rotate(b, T);
        next(render_tri, plane, v1, v2, v3, sn, hl);
        next(render_tri, plane, T, v2, v3, sn, hl);
    }
}

inline bool planeok(int plane) { return plane >= 0 && plane <= 3; }

// What the clipper does with a triangle of prepared points: 0 drops it, 1
// passes it to projection unchanged, 2 cuts it. Plane by plane as clipstep
// tests them: a plane with every point outside or in it drops the triangle,
// one with every point inside passes it on, any other cuts it there.
// The first plane that decides (the lowest bit of either set) drops the
// triangle when every point is outside or in it, else cuts it.
inline int clipcase(const clipv_s &a, const clipv_s &b, const clipv_s &c) {
    const unsigned out = a.out & b.out & c.out, cut = ~unsigned(a.in & b.in & c.in) & 15u;
    if (const unsigned any = out | cut) return any & (0u - any) & out ? 0 : 2;
    // A point at the eye cannot be projected: projection drops the piece.
    return a.front && b.front && c.front ? 1 : 0;
}

inline void setxy(const clipv_s &a, const clipv_s &b, const clipv_s &c) {
    x1 = a.px;
    y1 = a.py;
    x2 = b.px;
    y2 = b.py;
    x3 = c.px;
    y3 = c.py;
}

// Point i of an array of points `stride` bytes apart.
inline clipv_s *at(clipv_s *v, int i, size_t stride) {
    return reinterpret_cast<clipv_s *>(reinterpret_cast<char *>(v) + size_t(i) * stride);
}

}  // namespace

#if defined(__SSE2__)
namespace {

// clipprep four points at a time: rotz and pixel on four lanes, the same
// operations in the same order, so the same bits. Returns how many points
// it prepared (a multiple of 4).
int clipprepv(clipv_s *v, int n, size_t stride, const rot_s (&m)[4], const proj_s &q) {
    __m128 c13[4], c23[4], c33[4], c43[4];
    for (int k = 0; k < 4; ++k) {
        c13[k] = _mm_set1_ps(m[k].m13), c23[k] = _mm_set1_ps(m[k].m23);
        c33[k] = _mm_set1_ps(m[k].m33), c43[k] = _mm_set1_ps(m[k].m43);
    }
    const __m128 hw = _mm_set1_ps(q.hw), hh = _mm_set1_ps(q.hh), hy = _mm_set1_ps(q.hy), zero = _mm_setzero_ps();
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        clipv_s *p[4];
        for (int k = 0; k < 4; ++k) p[k] = at(v, i + k, stride);
        __m128 x = _mm_loadu_ps(&p[0]->x), y = _mm_loadu_ps(&p[1]->x), z = _mm_loadu_ps(&p[2]->x),
               w = _mm_loadu_ps(&p[3]->x);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        __m128 d[4];
        for (int k = 0; k < 4; ++k)
            d[k] = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, c13[k]), _mm_mul_ps(y, c23[k])),
                                         _mm_mul_ps(z, c33[k])),
                              c43[k]);
        // Each point's four sides in one register: the signs of the
        // comparisons are its sets of bits, plane 0 lowest.
        _MM_TRANSPOSE4_PS(d[0], d[1], d[2], d[3]);
        for (int k = 0; k < 4; ++k) {
            p[k]->in = uint8_t(_mm_movemask_ps(_mm_cmpge_ps(d[k], zero)));
            p[k]->out = uint8_t(_mm_movemask_ps(_mm_cmple_ps(d[k], zero)));
        }
        // Points behind or on the view plane get no position; their
        // lanes' values are computed and dropped.
        const __m128i front = _mm_castps_si128(_mm_cmpgt_ps(z, zero));
        const __m128i px = ftoi4in(_mm_add_ps(_mm_mul_ps(hh, _mm_div_ps(x, z)), hw), 0, q.lastx);
        const __m128i py = ftoi4in(_mm_add_ps(_mm_mul_ps(hh, _mm_div_ps(y, z)), hy), 0, q.lasty);
        alignas(16) int a[4], b[4], f[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(a), _mm_and_si128(front, px));
        _mm_store_si128(reinterpret_cast<__m128i *>(b), _mm_and_si128(front, py));
        _mm_store_si128(reinterpret_cast<__m128i *>(f), _mm_srli_epi32(front, 31));
        for (int k = 0; k < 4; ++k) p[k]->px = a[k], p[k]->py = b[k], p[k]->front = uint8_t(f[k]);
    }
    return i;
}

}  // namespace
#endif

void clipprep(clipv_s *v, int n, size_t stride) {
    const rot_s m[4] = {vrrot(), vlrot(), vtrot(), vbrot()};
    const proj_s q = projof();
    int i = 0;
#if defined(__SSE2__)
    i = clipprepv(v, n, stride, m, q);
#endif
    for (; i < n; ++i) {
        clipv_s &p = *at(v, i, stride);
        p.in = p.out = 0;
        for (int k = 0; k < 4; ++k) {
            const float d = rotz(m[k], p.x, p.y, p.z);
            p.in |= uint8_t((d >= 0.0f) << k);
            p.out |= uint8_t((d <= 0.0f) << k);
        }
        p.front = p.z > 0.0f;
        if (p.front)
            pixel(q, p.x, p.y, p.z, p.px, p.py);
        else
            p.px = p.py = 0;
    }
}

void clipp0(filler_fn render_tri, const clipv_s &a, const clipv_s &b, const clipv_s &c, int sn, int hl) {
    switch (clipcase(a, b, c)) {
    case 0: return;
    case 1:
        setxy(a, b, c);
        n1 = sn;
        h1 = hl;
        render_tri();
        return;
    default: clipt0(render_tri, 0, a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, sn, hl);
    }
}

void clipp1(filler_fn render_tri, const clipv_s &a, int sn1, int hl1, const clipv_s &b, int sn2, int hl2,
            const clipv_s &c, int sn3, int hl3) {
    switch (clipcase(a, b, c)) {
    case 0: return;
    case 1:
        setxy(a, b, c);
        n1 = sn1, h1 = hl1, n2 = sn2, h2 = hl2, n3 = sn3, h3 = hl3;
        render_tri();
        return;
    default:
        clipt1(render_tri, 0, a.x, a.y, a.z, sn1, hl1, b.x, b.y, b.z, sn2, hl2, c.x, c.y, c.z, sn3, hl3);
    }
}

void clipp2(filler_fn render_tri, const clipv_s &a, int sn1, int hl1, int stx1, int sty1,
            const clipv_s &b, int sn2, int hl2, int stx2, int sty2,
            const clipv_s &c, int sn3, int hl3, int stx3, int sty3) {
    switch (clipcase(a, b, c)) {
    case 0: return;
    case 1:
        setxy(a, b, c);
        n1 = sn1, h1 = hl1, n2 = sn2, h2 = hl2, n3 = sn3, h3 = hl3;
        tx1 = stx1, ty1 = sty1, tx2 = stx2, ty2 = sty2, tx3 = stx3, ty3 = sty3;
        render_tri();
        return;
    default:
        clipt2(render_tri, 0, a.x, a.y, a.z, sn1, hl1, stx1, sty1, b.x, b.y, b.z, sn2, hl2, stx2, sty2, c.x, c.y,
               c.z, sn3, hl3, stx3, sty3);
    }
}

void clipt0(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, float ux2, float uy2, float uz2,
            float ux3, float uy3, float uz3, int sn1, int hl1) {
    if (!planeok(plane)) return;
    clipstep<0>(render_tri, plane, {ux1, uy1, uz1, {0}}, {ux2, uy2, uz2, {0}},
                {ux3, uy3, uz3, {0}}, sn1, hl1);
}

void clipt1(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, int sn1, int hl1,
            float ux2, float uy2, float uz2, int sn2, int hl2,
            float ux3, float uy3, float uz3, int sn3, int hl3) {
    if (!planeok(plane)) return;
    clipstep<2>(render_tri, plane, {ux1, uy1, uz1, {sn1, hl1}}, {ux2, uy2, uz2, {sn2, hl2}},
                {ux3, uy3, uz3, {sn3, hl3}}, 0, 0);
}

void clipt2(filler_fn render_tri, int plane,
            float ux1, float uy1, float uz1, int sn1, int hl1, int stx1, int sty1,
            float ux2, float uy2, float uz2, int sn2, int hl2, int stx2, int sty2,
            float ux3, float uy3, float uz3, int sn3, int hl3, int stx3, int sty3) {
    if (!planeok(plane)) return;
    clipstep<4>(render_tri, plane, {ux1, uy1, uz1, {sn1, hl1, stx1, sty1}},
                {ux2, uy2, uz2, {sn2, hl2, stx2, sty2}}, {ux3, uy3, uz3, {sn3, hl3, stx3, sty3}},
                0, 0);
}

}  // namespace vortella
