// The triangle set-up and scan shared by every span filler.
//
// A filler gathers its vertices with the K values it interpolates, then
// calls scan() with its own span routine. scan() sorts the vertices by row,
// walks the long edge (vertex 1 to 3) and the two short edges in 16.16
// fixed point and, for every row, prepares the span's end values, start
// accumulators and per-pixel increments; the span routine holds the pixel
// loop. Being a template, each filler gets its own copy of the scan with its
// span loop inlined, and no loop ever tests the rendering mode.
#pragma once

#include <cassert>

#include "raster/raster.h"

namespace vortella {

// One vertex as a filler sees it.
template <int K>
struct fvtx_s {
    int x, y;
    int v[K > 0 ? K : 1];   // interpolated values (shade, highlight, tx, ty)
};

// One span of one row, from column xa to column xb inclusive (xa <= xb).
template <int K>
struct span_s {
    int y, xa, xb;
    int va[K > 0 ? K : 1], vb[K > 0 ? K : 1];   // values at xa and at xb
    fixed acc[K > 0 ? K : 1];                  // accumulators at xa
    fixed step[K > 0 ? K : 1];                 // increments per pixel
};

// Exchanges vertices a and b when a lies below b; equal rows are never
// exchanged, which fixes which vertex a one-row triangle is drawn at.
template <int K>
inline void sortpair(fvtx_s<K> &a, fvtx_s<K> &b) {
    if (a.y > b.y) {
        fvtx_s<K> t = a;
        a = b;
        b = t;
    }
}

// Edge walker: an x accumulator and one per value, with their increments.
template <int K>
struct edge_s {
    fixed x, dx;
    fixed v[K > 0 ? K : 1], dv[K > 0 ? K : 1];

    void start(const fvtx_s<K> &a, const fvtx_s<K> &b) {
        int n = b.y - a.y;
        x = fixstart(a.x);
        dx = fixstep(a.x, b.x, n);
        for (int k = 0; k < K; ++k) {
            v[k] = fixstart(a.v[k]);
            dv[k] = fixstep(a.v[k], b.v[k], n);
        }
    }
    // The edge's integer values for the current row; then moves on a row.
    // The increment is applied only after the values are taken, so a
    // zero-height edge (whose increment is the undivided difference) never
    // yields a value past its end.
    int take(int *out) {
        int xi = fixint(x);
        x = fixadd(x, dx);
        for (int k = 0; k < K; ++k) {
            out[k] = fixint(v[k]);
            v[k] = fixadd(v[k], dv[k]);
        }
        return xi;
    }
};

// Range check: every pixel a filler writes lies on a span, and every span
// lies between the sorted vertices, so checking the spans checks the writes.
inline void spancheck(int y, int xa, int xb) {
    assert(y >= 0 && y < pich && "filler row outside the picture");
    assert(xa >= 0 && xa <= xb && xb < picw && "filler span outside the picture");
    (void)y;
    (void)xa;
    (void)xb;
}

template <int K, class Span>
inline void scanrow(int y, edge_s<K> &lng, edge_s<K> &sht, Span &span) {
    span_s<K> s;
    s.y = y;
    int v1[K > 0 ? K : 1], v2[K > 0 ? K : 1];
    int hlx1 = lng.take(v1);
    int hlx2 = sht.take(v2);
    // The span's values start from whichever edge is on the left.
    const int *va = v1, *vb = v2;
    if (hlx1 < hlx2) {
        s.xa = hlx1;
        s.xb = hlx2;
    } else {
        s.xa = hlx2;
        s.xb = hlx1;
        va = v2;
        vb = v1;
    }
    int w = s.xb - s.xa;
    for (int k = 0; k < K; ++k) {
        s.va[k] = va[k];
        s.vb[k] = vb[k];
        s.acc[k] = fixstart(va[k]);
        s.step[k] = fixstep(va[k], vb[k], w);
    }
    spancheck(y, s.xa, s.xb);
    span(s);
}

// Sorts p[0..2] by row and draws every row from the top vertex to the
// bottom one, both spans' end pixels included.
template <int K, class Span>
inline void scan(fvtx_s<K> *p, Span &&span) {
    sortpair(p[0], p[1]);
    sortpair(p[0], p[2]);
    sortpair(p[1], p[2]);
    edge_s<K> lng, sht;
    lng.start(p[0], p[2]);
    sht.start(p[0], p[1]);
    // Upper half, rows y1 .. y2: the short edge from vertex 1 to vertex 2.
    for (int y = p[0].y; y <= p[1].y; ++y) scanrow(y, lng, sht, span);
    // Lower half, rows y2 + 1 .. y3: the short edge starts afresh at vertex
    // 2, so row y2 + 1 gets vertex 2's own values; the long edge goes on.
    sht.start(p[1], p[2]);
    for (int y = p[1].y + 1; y <= p[2].y; ++y) scanrow(y, lng, sht, span);
}

}  // namespace vortella
