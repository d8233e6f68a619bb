// The span fillers: one routine per rendering mode, each with its own pixel
// loop over the spans that the shared scan (scan.h) prepares.
//
// Colour notation: L(s, v) shading table, H(h, v) highlight table,
// Tc(s, v) transmission table of channel c; m the material colour, t a
// texel byte, o a channel of the colour already in the picture.

#include <cstring>

#include "raster/raster.h"
#include "raster/scan.h"

namespace vortella {

namespace {

// Shade indices and highlight levels index table rows; values beyond the
// tables' rows are clamped once per triangle, and interpolation between
// in-range vertex values never leaves the range.
inline int shadec(int s) { return s < 0 ? 0 : s > 255 ? 255 : s; }
inline int hlevc(int h) { return h < 0 ? 0 : h > 31 ? 31 : h; }

inline const uint8_t *lrow(const litea *t, int s) { return t->lti + shadec(s) * 256; }
inline const int *hrow(int h) { return pth->hli + hlevc(h) * 256; }

// A texture coordinate addresses the tables only inside 0..16383.
inline bool texin(int tu, int tv) { return unsigned(tu) <= 16383u && unsigned(tv) <= 16383u; }

inline const uint8_t *texel(int tu, int tv) { return pta->ap[tv] + pti->api[tu]; }

// Vertex gatherers: the hand-over globals with the values a filler
// interpolates, shade and highlight clamped.
inline void vtx0(fvtx_s<0> *p) {
    p[0] = {x1, y1, {0}};
    p[1] = {x2, y2, {0}};
    p[2] = {x3, y3, {0}};
}
inline void vtxs(fvtx_s<1> *p) {
    p[0] = {x1, y1, {shadec(n1)}};
    p[1] = {x2, y2, {shadec(n2)}};
    p[2] = {x3, y3, {shadec(n3)}};
}
inline void vtxh(fvtx_s<1> *p) {
    p[0] = {x1, y1, {hlevc(h1)}};
    p[1] = {x2, y2, {hlevc(h2)}};
    p[2] = {x3, y3, {hlevc(h3)}};
}
inline void vtxsh(fvtx_s<2> *p) {
    p[0] = {x1, y1, {shadec(n1), hlevc(h1)}};
    p[1] = {x2, y2, {shadec(n2), hlevc(h2)}};
    p[2] = {x3, y3, {shadec(n3), hlevc(h3)}};
}
inline void vtxt(fvtx_s<2> *p) {
    p[0] = {x1, y1, {tx1, ty1}};
    p[1] = {x2, y2, {tx2, ty2}};
    p[2] = {x3, y3, {tx3, ty3}};
}
inline void vtxst(fvtx_s<3> *p) {
    p[0] = {x1, y1, {shadec(n1), tx1, ty1}};
    p[1] = {x2, y2, {shadec(n2), tx2, ty2}};
    p[2] = {x3, y3, {shadec(n3), tx3, ty3}};
}
inline void vtxsht(fvtx_s<4> *p) {
    p[0] = {x1, y1, {shadec(n1), hlevc(h1), tx1, ty1}};
    p[1] = {x2, y2, {shadec(n2), hlevc(h2), tx2, ty2}};
    p[2] = {x3, y3, {shadec(n3), hlevc(h3), tx3, ty3}};
}

// The flat colour H(h1, L(n1, m)): the whole triangle's colour in the flat
// untextured filler, the fallback colour of the flat textured ones.
struct rgb_s {
    int r, g, b;
};
inline rgb_s flatcolour() {
    const uint8_t *l = lrow(ptl, n1);
    const int *h = hrow(h1);
    return {h[l[pred]], h[l[pgreen]], h[l[pblue]]};
}

// The pixel loop of the textured fillers. Of the K values a vertex carries,
// the last two are the texture coordinates; the ones before them (shade,
// highlight) are the filler's own. For every pixel the values are taken
// before they step on, and `texeled(v, e, t)` gives the pixel's palette
// index for texel e under dither threshold t, `outside(v, t)` the one for a
// coordinate outside the texture.
template <int K, class Texeled, class Outside>
inline void texscan(fvtx_s<K> *p, Texeled texeled, Outside outside) {
    static_assert(K >= 2, "a textured filler interpolates both texture coordinates");
    scan(p, [&](const span_s<K> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        fixed a[K];
        for (int k = 0; k < K; ++k) a[k] = s.acc[k];
        for (int x = s.xa; x <= s.xb; ++x) {
            int v[K];
            for (int k = 0; k < K; ++k) {
                v[k] = fixint(a[k]);
                a[k] = fixadd(a[k], s.step[k]);
            }
            const int t = aHalftone8x8[x & 7][yt];
            const int tu = v[K - 2], tv = v[K - 1];
            d[x] = texin(tu, tv) ? texeled(v, texel(tu, tv), t) : outside(v, t);
        }
    });
}

}  // namespace

// Flat: one colour for the triangle. Its halftone pattern repeats every 8
// pixels along a row, so a long span is dithered for its first 8 pixels
// and the rest copied from them.
int f08000() {
    fvtx_s<0> p[3];
    vtx0(p);
    const rgb_s c = flatcolour();
    scan(p, [&](const span_s<0> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        if (s.xb - s.xa <= 20) {
            for (int x = s.xa; x <= s.xb; ++x) d[x] = halftone(c.r, c.g, c.b, aHalftone8x8[x & 7][yt]);
            return;
        }
        d += s.xa;
        const int len = s.xb - s.xa + 1;
        for (int i = 0; i < 8; ++i) d[i] = halftone(c.r, c.g, c.b, aHalftone8x8[(s.xa + i) & 7][yt]);
        // Doubling copies: d[0 .. have) is a whole number of periods, so
        // copying it right after itself continues the pattern exactly; the
        // copies never overlap.
        for (int have = 8; have < len;) {
            int n = len - have < have ? len - have : have;
            std::memcpy(d + have, d, size_t(n));
            have += n;
        }
    });
    return 0;
}

// Smooth: L(s, m).
int s08000() {
    fvtx_s<1> p[3];
    vtxs(p);
    scan(p, [&](const span_s<1> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        fixed sa = s.acc[0];
        for (int x = s.xa; x <= s.xb; ++x) {
            const uint8_t *l = ptl->lti + fixint(sa) * 256;
            sa = fixadd(sa, s.step[0]);
            d[x] = halftone(l[pred], l[pgreen], l[pblue], aHalftone8x8[x & 7][yt]);
        }
    });
    return 0;
}

// Smooth, highlighted: H(h, L(s, m)).
int s08010() {
    fvtx_s<2> p[3];
    vtxsh(p);
    scan(p, [&](const span_s<2> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        fixed sa = s.acc[0], ha = s.acc[1];
        for (int x = s.xa; x <= s.xb; ++x) {
            const uint8_t *l = ptl->lti + fixint(sa) * 256;
            const int *h = pth->hli + fixint(ha) * 256;
            sa = fixadd(sa, s.step[0]);
            ha = fixadd(ha, s.step[1]);
            d[x] = halftone(h[l[pred]], h[l[pgreen]], h[l[pblue]], aHalftone8x8[x & 7][yt]);
        }
    });
    return 0;
}

// Flat textured: L(n1, t); outside the texture H(h1, L(n1, m)).
int f08100() {
    fvtx_s<2> p[3];
    vtxt(p);
    const rgb_s f = flatcolour();
    const uint8_t *l = lrow(ptl, n1);
    texscan(
        p, [&](const int *, const uint8_t *e, int t) { return halftone(l[e[2]], l[e[1]], l[e[0]], t); },
        [&](const int *, int t) { return halftone(f.r, f.g, f.b, t); });
    return 0;
}

// Unlit textured: the texel shifted right by attf; outside the texture
// H(h1, L(n1, m)).
int a08100() {
    fvtx_s<2> p[3];
    vtxt(p);
    const rgb_s f = flatcolour();
    // A byte shifted by 8 or more is 0; larger or negative counts would be
    // undefined shifts.
    const int sh = attf < 0 ? 0 : attf > 8 ? 8 : attf;
    texscan(
        p, [&](const int *, const uint8_t *e, int t) { return halftone(e[2] >> sh, e[1] >> sh, e[0] >> sh, t); },
        [&](const int *, int t) { return halftone(f.r, f.g, f.b, t); });
    return 0;
}

// Flat textured, highlighted: H(h1, L(n1, t)); outside H(h1, L(n1, m)).
int f08110() {
    fvtx_s<2> p[3];
    vtxt(p);
    const rgb_s f = flatcolour();
    const uint8_t *l = lrow(ptl, n1);
    const int *h = hrow(h1);
    texscan(
        p, [&](const int *, const uint8_t *e, int t) { return halftone(h[l[e[2]]], h[l[e[1]]], h[l[e[0]]], t); },
        [&](const int *, int t) { return halftone(f.r, f.g, f.b, t); });
    return 0;
}

// Smooth textured: L(s, t); outside L(s, m).
int s08100() {
    fvtx_s<3> p[3];
    vtxst(p);
    texscan(
        p,
        [&](const int *v, const uint8_t *e, int t) {
            const uint8_t *l = ptl->lti + v[0] * 256;
            return halftone(l[e[2]], l[e[1]], l[e[0]], t);
        },
        [&](const int *v, int t) {
            const uint8_t *l = ptl->lti + v[0] * 256;
            return halftone(l[pred], l[pgreen], l[pblue], t);
        });
    return 0;
}

// Smooth textured, highlighted: H(h, L(s, t)); outside H(h, L(s, m)).
int s08110() {
    fvtx_s<4> p[3];
    vtxsht(p);
    texscan(
        p,
        [&](const int *v, const uint8_t *e, int t) {
            const uint8_t *l = ptl->lti + v[0] * 256;
            const int *h = pth->hli + v[1] * 256;
            return halftone(h[l[e[2]]], h[l[e[1]]], h[l[e[0]]], t);
        },
        [&](const int *v, int t) {
            const uint8_t *l = ptl->lti + v[0] * 256;
            const int *h = pth->hli + v[1] * 256;
            return halftone(h[l[pred]], h[l[pgreen]], h[l[pblue]], t);
        });
    return 0;
}

// Flat transparent, highlighted: H(h, Tc(n1, o)). A pixel already filtered
// with this entry's counter is skipped, so overlapping triangles of one
// entry filter it once.
int f08011() {
    fvtx_s<1> p[3];
    vtxh(p);
    const int sn = shadec(n1) * 256;
    const uint8_t *tr = ptr->lti + sn, *tg = ptg->lti + sn, *tb = ptb->lti + sn;
    scan(p, [&](const span_s<1> &s) {
        uint8_t *d = yaddar[s.y];
        uint8_t *mk = transa + s.y * picw;
        const int yt = s.y & 7;
        fixed ha = s.acc[0];
        for (int x = s.xa; x <= s.xb; ++x) {
            const int *h = pth->hli + fixint(ha) * 256;
            ha = fixadd(ha, s.step[0]);
            if (mk[x] == trctr) continue;
            const PALETTEENTRY &o = peEntry[d[x]];
            d[x] = halftone(h[tr[o.peRed]], h[tg[o.peGreen]], h[tb[o.peBlue]], aHalftone8x8[x & 7][yt]);
            mk[x] = trctr;
        }
    });
    return 0;
}

// Smooth transparent, highlighted: H(h, Tc(s, o)).
int s08011() {
    fvtx_s<2> p[3];
    vtxsh(p);
    scan(p, [&](const span_s<2> &s) {
        uint8_t *d = yaddar[s.y];
        uint8_t *mk = transa + s.y * picw;
        const int yt = s.y & 7;
        fixed sa = s.acc[0], ha = s.acc[1];
        for (int x = s.xa; x <= s.xb; ++x) {
            const int sn = fixint(sa) * 256;
            const int *h = pth->hli + fixint(ha) * 256;
            sa = fixadd(sa, s.step[0]);
            ha = fixadd(ha, s.step[1]);
            if (mk[x] == trctr) continue;
            const PALETTEENTRY &o = peEntry[d[x]];
            d[x] = halftone(h[ptr->lti[sn + o.peRed]], h[ptg->lti[sn + o.peGreen]],
                            h[ptb->lti[sn + o.peBlue]], aHalftone8x8[x & 7][yt]);
            mk[x] = trctr;
        }
    });
    return 0;
}

}  // namespace vortella
