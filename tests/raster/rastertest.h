// Test scaffolding for the rasterizer: a picture with guard bands around it
// and after every row, and small material tables.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "raster/raster.h"

namespace vortella {

// The halftone rule never yields 1..28, so these mark bytes nobody wrote.
constexpr uint8_t untouched = 7, guardbyte = 3;
constexpr int guardw = 64;

struct testpic {
    std::vector<uint8_t> mem, marks;
    int stride = 0;

    void make(int w, int h) {
        picw = w, pich = h, picw1 = w / 2, pich1 = h / 2, picw_1 = w - 1, pich_1 = h - 1;
        stride = w + guardw;   // a write past a row's end lands in a guard
        mem.assign(size_t(guardw + stride * h), guardbyte);
        for (int y = 0; y < h; ++y) std::fill_n(yaddar[y] = mem.data() + guardw + y * stride, w, untouched);
        marks.assign(size_t(w * h + 2 * guardw), guardbyte);
        std::fill_n(transa = marks.data() + guardw, w * h, 0);
    }
    uint8_t at(int x, int y) const { return yaddar[y][x]; }
    void fill(uint8_t v) {
        for (int y = 0; y < pich; ++y) std::fill_n(yaddar[y], picw, v);
    }
    bool guards_intact() const {
        bool ok = std::count(mem.begin(), mem.begin() + guardw, guardbyte) == guardw &&
                  std::count(marks.begin(), marks.begin() + guardw, guardbyte) == guardw &&
                  std::count(marks.end() - guardw, marks.end(), guardbyte) == guardw;
        for (int y = 0; y < pich; ++y) ok = ok && std::count(yaddar[y] + picw, yaddar[y] + stride, guardbyte) == guardw;
        return ok;
    }
};

// Identity tables, and a 4 x 4 texture addressed by tx / 4096, ty / 4096.
struct testmat {
    litea l, tr, tg, tb;
    hilitea h;
    textia ti;
    texta ta;
    uint8_t tex[4][4 * 3] = {};

    testmat() {
        for (int i = 0; i < 65536; ++i) l.lti[i] = tr.lti[i] = tg.lti[i] = tb.lti[i] = uint8_t(i);
        for (int i = 0; i < 32 * 256; ++i) h.hli[i] = i & 255;
        for (int t = 0; t < 16384; ++t) ti.api[t] = t / 4096 * 3, ta.ap[t] = tex[t / 4096];
    }
    void settexel(int c, int r, int red, int green, int blue) {
        tex[r][c * 3] = uint8_t(blue), tex[r][c * 3 + 1] = uint8_t(green), tex[r][c * 3 + 2] = uint8_t(red);
    }
    void use() { ptl = &l, pth = &h, ptr = &tr, ptg = &tg, ptb = &tb, pti = &ti, pta = &ta; }
};

inline void settri(int ax, int ay, int bx, int by, int cx, int cy) {
    x1 = ax, y1 = ay, x2 = bx, y2 = by, x3 = cx, y3 = cy;
}

inline const filler_fn all_fillers[10] = {f08000, s08000, s08010, f08100, a08100,
                                          f08110, s08100, s08110, f08011, s08011};

}  // namespace vortella
