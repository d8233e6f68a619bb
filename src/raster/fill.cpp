// The span fillers: one routine per rendering mode, each with its own pixel
// loop over the spans that the shared scan (scan.h) prepares.
//
// Colour notation: L(s, v) shading table, H(h, v) highlight table,
// Tc(s, v) transmission table of channel c; m the material colour, t a
// texel byte, o a channel of the colour already in the picture.

#include <cstdint>
#include <cstdlib>
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

// Whether every value an accumulator yields along a span of w + 1 pixels
// lies in 0..16383. Pixel i takes fixint of acc + i * step, the sum wrapped
// to 32 bits as the repeated fixadd leaves it. Taken exactly, in 64 bits,
// the sums are linear in i, so each lies between the first and the last;
// when both of those lie in [0, 16384 * 2^16), so does every other, none
// of them wraps, and every value taken is in 0..16383.
inline bool spanin(fixed acc, fixed step, int w) {
    constexpr int64_t end = int64_t(16384) << FRACBITS;
    const int64_t a = acc, b = a + int64_t(step) * w;
    return a >= 0 && a < end && b >= 0 && b < end;
}

// The material's texture tables, read once per triangle: the pixel loops
// store through a byte pointer, which may alias any global, so pta and pti
// read in the loop would be fetched again for every pixel.
struct texmap_s {
    uint8_t *const *ap;
    const int *api;
    const uint8_t *at(int tu, int tv) const { return ap[tv] + api[tu]; }
};

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
// before they step on. `rowof(y & 7)` gives what the pixels of row y share
// (their dither thresholds, or their folded tables); `in(v, e, r, col)`
// gives the palette index of a pixel in dither column col (x & 7) for
// texel e, `out(v, r, col)` the one for a coordinate outside the texture.
// A span whose coordinates all lie inside the texture goes without the test
// per pixel; `Wide` (for the fillers of large triangles) takes such a span,
// when long, 8 pixels at a time.
template <int K, bool Wide = false, class Row, class In, class Out>
inline void texscan(fvtx_s<K> *p, Row rowof, In in, Out out) {
    static_assert(K >= 2, "a textured filler interpolates both texture coordinates");
    const texmap_s tab{pta->ap, pti->api};
    scan(p, [&](const span_s<K> &s) {
        // Copies of the table addresses and the pixel rules for the span:
        // the pixel stores may alias anything reached through a reference,
        // so the loop would read them again for every pixel.
        const texmap_s tex = tab;
        const In pin = in;
        const Out pout = out;
        uint8_t *d = yaddar[s.y];
        const auto r = rowof(s.y & 7);
        fixed a[K], st[K];
        for (int k = 0; k < K; ++k) a[k] = s.acc[k], st[k] = s.step[k];
        const int w = s.xb - s.xa;
        if (spanin(a[K - 2], st[K - 2], w) && spanin(a[K - 1], st[K - 1], w)) {
            const auto one = [&](int x, int c) {
                int v[K];
                for (int k = 0; k < K; ++k) {
                    v[k] = fixint(a[k]);
                    a[k] = fixadd(a[k], st[k]);
                }
                d[x] = pin(v, tex.at(v[K - 2], v[K - 1]), r, c);
            };
            int x = s.xa;
            if (Wide && w >= 16) {
                // Up to a column that is a multiple of 8, then 8 pixels at
                // a time, each at a dither column known when compiling.
                for (; x & 7; ++x) one(x, x & 7);
                for (; x + 7 <= s.xb; x += 8) {
                    one(x, 0), one(x + 1, 1), one(x + 2, 2), one(x + 3, 3);
                    one(x + 4, 4), one(x + 5, 5), one(x + 6, 6), one(x + 7, 7);
                }
            }
            for (; x <= s.xb; ++x) one(x, x & 7);
            return;
        }
        for (int x = s.xa; x <= s.xb; ++x) {
            int v[K];
            for (int k = 0; k < K; ++k) {
                v[k] = fixint(a[k]);
                a[k] = fixadd(a[k], st[k]);
            }
            const int tu = v[K - 2], tv = v[K - 1];
            d[x] = texin(tu, tv) ? pin(v, tex.at(tu, tv), r, x & 7) : pout(v, r, x & 7);
        }
    });
}

// A row's dither thresholds, by x & 7.
inline const uint8_t *thresholds(int yt) { return aHalftoneRows[yt]; }

// Flat textured triangles of about this many pixels or more take a fold
// already made for their map; of foldmake or more, one made for them. A
// fold saves three table reads a pixel, against a search of the folds
// made (a comparison of 256 bytes each) and, to make one, about 40,000
// table entries written.
constexpr int64_t folduse = 64, foldmake = 4096;

// Twice the area of triangle p, taken in 64 bits: it stands for the pixels.
template <int K>
inline int64_t area2(const fvtx_s<K> *p) {
    return std::abs((int64_t(p[1].x) - p[0].x) * (int64_t(p[2].y) - p[0].y) -
                    (int64_t(p[2].x) - p[0].x) * (int64_t(p[1].y) - p[0].y));
}

// 0: no fold for triangle p; 1: one already made; 2: one made if need be.
inline int foldwant(const fvtx_s<2> *p) {
    const int64_t a2 = area2(p);
    return a2 >= 2 * foldmake ? 2 : a2 >= 2 * folduse ? 1 : 0;
}

// What the pixels of a row share under a fold: their tables, and the
// thresholds for the fallback colour.
struct foldrow_s {
    const uint8_t *const *lv;
    const uint8_t *t;
};

// A flat textured triangle through fold h; outside the texture the colour
// c.
inline void foldscan(fvtx_s<2> *p, const halftone_fold_s *h, rgb_s c) {
    texscan<2, true>(
        p, [h](int yt) { return foldrow_s{h->at[yt], thresholds(yt)}; },
        [](const int *, const uint8_t *e, const foldrow_s &r, int col) {
            const uint8_t *lv = r.lv[col];
            return aWinGHalftoneTranslation[lv[e[2]] + lv[256 + e[1]] + lv[512 + e[0]]];
        },
        [c](const int *, const foldrow_s &r, int col) { return halftone(c.r, c.g, c.b, r.t[col]); });
}

}  // namespace

// Flat: one colour for the triangle. Its halftone pattern repeats every 8
// pixels along a row, so a long span is dithered for its first 8 pixels
// and the rest copied from them.
int f08000() {
    fvtx_s<0> p[3];
    vtx0(p);
    const rgb_s colour = flatcolour();
    scan(p, [&](const span_s<0> &s) {
        const rgb_s c = colour;   // kept in registers while the pixels are stored
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

// Smooth: L(s, m). With the material's table a pixel is one read.
int s08000() {
    fvtx_s<1> p[3];
    vtxs(p);
    if (const halftone_shade_s *h = halftone_shade(area2(p) / 2)) {
        scan(p, [&](const span_s<1> &s) {
            uint8_t *d = yaddar[s.y];
            const uint8_t *const *row = h->at[s.y & 7];
            fixed sa = s.acc[0];
            for (int x = s.xa; x <= s.xb; ++x) {
                d[x] = row[x & 7][fixint(sa)];
                sa = fixadd(sa, s.step[0]);
            }
        });
        return 0;
    }
    const uint8_t *lt = ptl->lti;
    const uint8_t mr = pred, mg = pgreen, mb = pblue;
    scan(p, [=](const span_s<1> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        fixed sa = s.acc[0];
        for (int x = s.xa; x <= s.xb; ++x) {
            const uint8_t *l = lt + fixint(sa) * 256;
            sa = fixadd(sa, s.step[0]);
            d[x] = halftone(l[mr], l[mg], l[mb], aHalftone8x8[x & 7][yt]);
        }
    });
    return 0;
}

// Smooth, highlighted: H(h, L(s, m)).
int s08010() {
    fvtx_s<2> p[3];
    vtxsh(p);
    const uint8_t *lt = ptl->lti;
    const int *ht = pth->hli;
    const uint8_t mr = pred, mg = pgreen, mb = pblue;
    scan(p, [=](const span_s<2> &s) {
        uint8_t *d = yaddar[s.y];
        const int yt = s.y & 7;
        fixed sa = s.acc[0], ha = s.acc[1];
        for (int x = s.xa; x <= s.xb; ++x) {
            const uint8_t *l = lt + fixint(sa) * 256;
            const int *h = ht + fixint(ha) * 256;
            sa = fixadd(sa, s.step[0]);
            ha = fixadd(ha, s.step[1]);
            d[x] = halftone(h[l[mr]], h[l[mg]], h[l[mb]], aHalftone8x8[x & 7][yt]);
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
    if (const int want = foldwant(p))
        if (const halftone_fold_s *h = halftone_fold(l, want == 2)) {
            foldscan(p, h, f);
            return 0;
        }
    texscan(
        p, thresholds,
        [l](const int *, const uint8_t *e, const uint8_t *t, int col) {
            return halftone(l[e[2]], l[e[1]], l[e[0]], t[col]);
        },
        [f](const int *, const uint8_t *t, int col) { return halftone(f.r, f.g, f.b, t[col]); });
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
    if (const int want = foldwant(p)) {
        uint8_t m[256];
        for (int v = 0; v < 256; ++v) m[v] = uint8_t(v >> sh);
        if (const halftone_fold_s *h = halftone_fold(m, want == 2)) {
            foldscan(p, h, f);
            return 0;
        }
    }
    texscan(
        p, thresholds,
        [sh](const int *, const uint8_t *e, const uint8_t *t, int col) {
            return halftone(e[2] >> sh, e[1] >> sh, e[0] >> sh, t[col]);
        },
        [f](const int *, const uint8_t *t, int col) { return halftone(f.r, f.g, f.b, t[col]); });
    return 0;
}

// Flat textured, highlighted: H(h1, L(n1, t)); outside H(h1, L(n1, m)).
int f08110() {
    fvtx_s<2> p[3];
    vtxt(p);
    const rgb_s f = flatcolour();
    const uint8_t *l = lrow(ptl, n1);
    const int *h = hrow(h1);
    if (const int want = foldwant(p)) {
        // The highlight table's values are channel values, 0..255; a table
        // holding others is drawn without a fold.
        uint8_t m[256];
        bool bytes = true;
        for (int v = 0; v < 256; ++v) {
            const int c = h[l[v]];
            bytes &= c >= 0 && c <= 255;
            m[v] = uint8_t(c);
        }
        if (bytes)
            if (const halftone_fold_s *hf = halftone_fold(m, want == 2)) {
                foldscan(p, hf, f);
                return 0;
            }
    }
    texscan(
        p, thresholds,
        [l, h](const int *, const uint8_t *e, const uint8_t *t, int col) {
            return halftone(h[l[e[2]]], h[l[e[1]]], h[l[e[0]]], t[col]);
        },
        [f](const int *, const uint8_t *t, int col) { return halftone(f.r, f.g, f.b, t[col]); });
    return 0;
}

// Smooth textured: L(s, t); outside L(s, m).
int s08100() {
    fvtx_s<3> p[3];
    vtxst(p);
    const uint8_t *lt = ptl->lti;
    const uint8_t mr = pred, mg = pgreen, mb = pblue;
    texscan(
        p, thresholds,
        [lt](const int *v, const uint8_t *e, const uint8_t *t, int col) {
            const uint8_t *l = lt + v[0] * 256;
            return halftone(l[e[2]], l[e[1]], l[e[0]], t[col]);
        },
        [lt, mr, mg, mb](const int *v, const uint8_t *t, int col) {
            const uint8_t *l = lt + v[0] * 256;
            return halftone(l[mr], l[mg], l[mb], t[col]);
        });
    return 0;
}

// Smooth textured, highlighted: H(h, L(s, t)); outside H(h, L(s, m)).
int s08110() {
    fvtx_s<4> p[3];
    vtxsht(p);
    const uint8_t *lt = ptl->lti;
    const int *ht = pth->hli;
    const uint8_t mr = pred, mg = pgreen, mb = pblue;
    texscan(
        p, thresholds,
        [lt, ht](const int *v, const uint8_t *e, const uint8_t *t, int col) {
            const uint8_t *l = lt + v[0] * 256;
            const int *h = ht + v[1] * 256;
            return halftone(h[l[e[2]]], h[l[e[1]]], h[l[e[0]]], t[col]);
        },
        [lt, ht, mr, mg, mb](const int *v, const uint8_t *t, int col) {
            const uint8_t *l = lt + v[0] * 256;
            const int *h = ht + v[1] * 256;
            return halftone(h[l[mr]], h[l[mg]], h[l[mb]], t[col]);
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
    const int *ht = pth->hli;
    const uint8_t ctr = trctr;
    // One highlight level at every corner is one at every pixel: with a
    // table for its row, a pixel is one read.
    if (p[0].v[0] == p[1].v[0] && p[0].v[0] == p[2].v[0])
        if (const halftone_filter_s *f = halftone_filter(tr, tg, tb, ht + p[0].v[0] * 256, area2(p) / 2)) {
            scan(p, [=](const span_s<1> &s) {
                uint8_t *d = yaddar[s.y];
                uint8_t *mk = transa + s.y * picw;
                const uint8_t(*row)[256] = f->res[s.y & 7];
                for (int x = s.xa; x <= s.xb; ++x) {
                    if (mk[x] == ctr) continue;
                    d[x] = row[x & 7][d[x]];
                    mk[x] = ctr;
                }
            });
            return 0;
        }
    scan(p, [=](const span_s<1> &s) {
        uint8_t *d = yaddar[s.y];
        uint8_t *mk = transa + s.y * picw;
        const int yt = s.y & 7;
        fixed ha = s.acc[0];
        for (int x = s.xa; x <= s.xb; ++x) {
            const int *h = ht + fixint(ha) * 256;
            ha = fixadd(ha, s.step[0]);
            if (mk[x] == ctr) continue;
            const PALETTEENTRY &o = peEntry[d[x]];
            d[x] = halftone(h[tr[o.peRed]], h[tg[o.peGreen]], h[tb[o.peBlue]], aHalftone8x8[x & 7][yt]);
            mk[x] = ctr;
        }
    });
    return 0;
}

// Smooth transparent, highlighted: H(h, Tc(s, o)).
int s08011() {
    fvtx_s<2> p[3];
    vtxsh(p);
    const uint8_t *lr = ptr->lti, *lg = ptg->lti, *lb = ptb->lti;
    const int *ht = pth->hli;
    const uint8_t ctr = trctr;
    scan(p, [=](const span_s<2> &s) {
        uint8_t *d = yaddar[s.y];
        uint8_t *mk = transa + s.y * picw;
        const int yt = s.y & 7;
        fixed sa = s.acc[0], ha = s.acc[1];
        for (int x = s.xa; x <= s.xb; ++x) {
            const int sn = fixint(sa) * 256;
            const int *h = ht + fixint(ha) * 256;
            sa = fixadd(sa, s.step[0]);
            ha = fixadd(ha, s.step[1]);
            if (mk[x] == ctr) continue;
            const PALETTEENTRY &o = peEntry[d[x]];
            d[x] = halftone(h[lr[sn + o.peRed]], h[lg[sn + o.peGreen]], h[lb[sn + o.peBlue]], aHalftone8x8[x & 7][yt]);
            mk[x] = ctr;
        }
    });
    return 0;
}

const halftone_fold_s *halftone_fold(const uint8_t *map, bool make) {
    for (const halftone_fold_s &f : folds)
        if (f.made && std::memcmp(f.map, map, sizeof f.map) == 0) return &f;
    if (!make) return nullptr;
    halftone_fold_s &f = folds[foldnext];
    foldnext = (foldnext + 1) % foldcount;
    std::memcpy(f.map, map, sizeof f.map);
    // The rule aHalftoneLevels is made by, a level and that level times 6
    // and 36, applied to map[v] instead of v.
    uint8_t q[256], r[256];
    for (int v = 0; v < 256; ++v) q[v] = aDividedBy51[map[v]], r[v] = aModulo51[map[v]];
    for (int t = 0; t < 51; ++t)
        for (int v = 0; v < 256; ++v) {
            const int l = q[v] + (r[v] > t);
            f.lv[t][0][v] = uint8_t(l);
            f.lv[t][1][v] = uint8_t(6 * l);
            f.lv[t][2][v] = uint8_t(36 * l);
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) f.at[y][x] = f.lv[aHalftoneRows[y][x]][0];
    f.made = true;
    return &f;
}

namespace {

// The memo of `memos` that `same` accepts, the one used last tried first
// (triangles of one material come in runs); else the oldest, replaced by
// `fresh`.
template <class M, int N, class Same>
M *findmemo(M (&memos)[N], int &next, int &last, Same same, const M &fresh) {
    M *m = &memos[last];
    if (same(*m)) return m;
    m = nullptr;
    for (M &c : memos)
        if (same(c)) {
            m = &c;
            break;
        }
    if (!m) {
        m = &memos[next];
        next = (next + 1) % N;
        *m = fresh;
    }
    last = int(m - memos);
    return m;
}

// The made table of `tables` whose key is `key`, or null.
template <class T, int N, class K>
const T *findtable(const T (&tables)[N], const K &key) {
    for (const T &t : tables)
        if (t.made && std::memcmp(t.key, key, sizeof key) == 0) return &t;
    return nullptr;
}

}  // namespace

const halftone_shade_s *halftone_shade(int64_t pixels) {
    shade_memo_s *m = findmemo(
        shmemo, shmemonext, shmemolast,
        [](const shade_memo_s &c) { return c.l == ptl && c.r == pred && c.g == pgreen && c.b == pblue; },
        shade_memo_s{ptl, pred, pgreen, pblue, 0, nullptr, 0});
    if (m->gen != fillgen) {
        // The key by the shading table's contents now.
        m->gen = fillgen;
        uint8_t key[3][256];
        for (int v = 0; v < 256; ++v) {
            const uint8_t *l = ptl->lti + v * 256;
            key[0][v] = l[pred], key[1][v] = l[pgreen], key[2][v] = l[pblue];
        }
        m->h = findtable(shades, key);
    }
    if (m->h) return m->h;
    // Made once the material has drawn as many pixels without it as the
    // table has entries, so making it never costs more than the pixels it
    // serves did.
    m->pixels += pixels;
    if (m->pixels < int64_t(sizeof shades[0].pal)) return nullptr;
    halftone_shade_s &h = shades[shadenext];
    shadenext = (shadenext + 1) % shadecount;
    // A table replaced may be remembered by another material: forget it.
    for (shade_memo_s &c : shmemo)
        if (c.h == &h) c.h = nullptr, c.gen = 0;
    for (int v = 0; v < 256; ++v) {
        const uint8_t *l = ptl->lti + v * 256;
        h.key[0][v] = l[pred], h.key[1][v] = l[pgreen], h.key[2][v] = l[pblue];
    }
    for (int t = 0; t < 51; ++t)
        for (int v = 0; v < 256; ++v) h.pal[t][v] = halftone(h.key[0][v], h.key[1][v], h.key[2][v], t);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) h.at[y][x] = h.pal[aHalftoneRows[y][x]];
    h.made = true;
    m->h = &h;
    return &h;
}

const halftone_filter_s *halftone_filter(const uint8_t *r, const uint8_t *g, const uint8_t *b, const int *h,
                                         int64_t pixels) {
    filter_memo_s *m = findmemo(
        fmemo, fmemonext, fmemolast,
        [=](const filter_memo_s &c) { return c.r == r && c.g == g && c.b == b && c.h == h; },
        filter_memo_s{r, g, b, h, 0, nullptr, 0});
    // What every palette index turns into under the rows now.
    const auto keyof = [&](int (&key)[3][256]) {
        for (int i = 0; i < 256; ++i) {
            const PALETTEENTRY &o = peEntry[i];
            key[0][i] = h[r[o.peRed]], key[1][i] = h[g[o.peGreen]], key[2][i] = h[b[o.peBlue]];
        }
    };
    if (m->gen != fillgen) {
        m->gen = fillgen;
        int key[3][256];
        keyof(key);
        m->f = findtable(filters, key);
    }
    if (m->f) return m->f;
    // Made once the rows have drawn as many pixels without it as it has
    // entries.
    m->pixels += pixels;
    if (m->pixels < int64_t(sizeof filters[0].res)) return nullptr;
    int key[3][256];
    keyof(key);
    // Rows whose values leave the channel range would index the halftone
    // tables out of bounds for colours no pixel may have: no table then.
    for (const auto &ch : key)
        for (int v : ch)
            if (v < 0 || v > 255) {
                m->pixels = INT64_MIN / 2;
                return nullptr;
            }
    halftone_filter_s &f = filters[filternext];
    filternext = (filternext + 1) % filtercount;
    for (filter_memo_s &c : fmemo)
        if (c.f == &f) c.f = nullptr, c.gen = 0;
    std::memcpy(f.key, key, sizeof key);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (int i = 0; i < 256; ++i)
                f.res[y][x][i] = halftone(f.key[0][i], f.key[1][i], f.key[2][i], aHalftone8x8[x][y]);
    f.made = true;
    m->f = &f;
    return &f;
}

}  // namespace vortella
