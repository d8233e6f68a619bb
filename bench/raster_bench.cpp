// Rasterizer throughput: pixels per second of every span filler on one large
// and on many small triangles, and of a full-picture background, each beside
// memset of the same number of bytes (the bound a byte-per-pixel writer
// cannot beat).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/dib.h"

namespace vortella {
namespace {

constexpr int W = 640, H = 480;

struct benchworld {
    std::vector<uint8_t> pix = std::vector<uint8_t>(W * H), marks = std::vector<uint8_t>(W * H);
    std::unique_ptr<litea> l{new litea}, t{new litea};
    std::unique_ptr<hilitea> h{new hilitea};
    std::unique_ptr<textia> ti{new textia};
    std::unique_ptr<texta> ta{new texta};
    std::vector<uint8_t> tex = std::vector<uint8_t>(256 * 256 * 3);

    benchworld() {
        create_halftone_palette();
        picw = W, pich = H, picw1 = W / 2, pich1 = H / 2, picw_1 = W - 1, pich_1 = H - 1;
        for (int y = 0; y < H; ++y) yaddar[y] = pix.data() + y * W;
        transa = marks.data();
        for (int s = 0; s < 256; ++s)
            for (int v = 0; v < 256; ++v) {
                l->lti[s * 256 + v] = uint8_t(v * s / 255);
                t->lti[s * 256 + v] = uint8_t(v * (255 - s) / 255);
            }
        for (int k = 0; k < 32; ++k)
            for (int v = 0; v < 256; ++v) h->hli[k * 256 + v] = v + 4 * k > 255 ? 255 : v + 4 * k;
        for (size_t i = 0; i < tex.size(); ++i) tex[i] = uint8_t(i * 7 + i / 768);
        for (int c = 0; c < 16384; ++c) {
            ti->api[c] = (c / 64) * 3;
            ta->ap[c] = tex.data() + (c / 64) * 768;
        }
        ptl = l.get(), pth = h.get(), ptr = ptg = ptb = t.get(), pti = ti.get(), pta = ta.get();
        pred = 200, pgreen = 120, pblue = 40, attf = 1;
    }
};
benchworld &world() {
    static benchworld w;
    return w;
}

struct tri_s {
    int x[3], y[3];
};

// One triangle covering about half the picture, or 2000 small ones (sides
// of about 8 pixels) spread over it.
std::vector<tri_s> triangles(bool large) {
    if (large) return {{{10, 630, 40}, {5, 240, 475}}};
    std::vector<tri_s> v;
    for (int i = 0; i < 2000; ++i) {
        int x = (i * 37) % (W - 10), y = (i * 53) % (H - 10);
        v.push_back({{x, x + 8, x + 2}, {y, y + 3, y + 9}});
    }
    return v;
}

void handover(const tri_s &t) {
    x1 = t.x[0], x2 = t.x[1], x3 = t.x[2];
    y1 = t.y[0], y2 = t.y[1], y3 = t.y[2];
    n1 = 40, n2 = 200, n3 = 120;
    h1 = 0, h2 = 20, h3 = 31;
    tx1 = 0, ty1 = 0, tx2 = 16000, ty2 = 3000, tx3 = 5000, ty3 = 16383;
}

// Pixels a set of triangles covers, counted by drawing each once.
int64_t coverage(const std::vector<tri_s> &tris) {
    benchworld &w = world();
    std::fill(w.pix.begin(), w.pix.end(), uint8_t(7));
    int64_t n = 0;
    for (const tri_s &t : tris) {
        handover(t);
        f08000();
        for (int y = std::min({t.y[0], t.y[1], t.y[2]}); y <= std::max({t.y[0], t.y[1], t.y[2]}); ++y)
            for (int x = std::min({t.x[0], t.x[1], t.x[2]}); x <= std::max({t.x[0], t.x[1], t.x[2]}); ++x)
                if (yaddar[y][x] != 7) ++n, yaddar[y][x] = 7;
    }
    return n;
}

void BM_filler(benchmark::State &state, filler_fn f, bool large) {
    world();
    const std::vector<tri_s> tris = triangles(large);
    const int64_t pixels = coverage(tris);
    uint8_t ctr = 0;
    for (auto _ : state) {
        trctr = ++ctr;   // transparent members filter every pixel again
        for (const tri_s &t : tris) {
            handover(t);
            f();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.counters["pixels"] = double(pixels);
}

void BM_memset(benchmark::State &state) {
    const size_t n = size_t(state.range(0));
    std::vector<uint8_t> buf(n);
    int v = 0;
    for (auto _ : state) {
        std::memset(buf.data(), ++v, n);
        benchmark::DoNotOptimize(buf.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n));
}

void BM_background(benchmark::State &state, bool panorama) {
    world();
    freebg();
    bgmapraw = nullptr;
    bgred = 90, bggreen = 160, bgblue = 220;
    if (panorama) {
        bgmapraw = DibCreate(24, 640, 480);
        uint8_t *bits = DibBits(bgmapraw);
        for (int i = 0; i < DibRowBytes(bgmapraw) * 480; ++i) bits[i] = uint8_t(i * 13);
        createbg();
        // Looking along -x the view wraps around the tile's edge, so both
        // copy passes run.
        camx = 10, camy = 0, camz = 0, tarx = 0, tary = 0, tarz = 0;
    }
    for (auto _ : state) {
        dobackground();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(W) * H);
    freebg();
    if (bgmapraw) DibFree(bgmapraw);
    bgmapraw = nullptr;
}

const struct {
    const char *name;
    filler_fn f;
} fillers[] = {{"f08000", f08000}, {"s08000", s08000}, {"s08010", s08010}, {"f08100", f08100},
               {"a08100", a08100}, {"f08110", f08110}, {"s08100", s08100}, {"s08110", s08110},
               {"f08011", f08011}, {"s08011", s08011}};

const int registered = [] {
    for (bool large : {true, false})
        for (const auto &m : fillers)
            benchmark::RegisterBenchmark((std::string(m.name) + (large ? "/large" : "/small")).c_str(),
                                         BM_filler, m.f, large);
    benchmark::RegisterBenchmark("memset/large", BM_memset)->Arg(coverage(triangles(true)));
    benchmark::RegisterBenchmark("memset/small", BM_memset)->Arg(coverage(triangles(false)));
    benchmark::RegisterBenchmark("dobackground/plain", BM_background, false);
    benchmark::RegisterBenchmark("dobackground/panorama", BM_background, true);
    benchmark::RegisterBenchmark("memset/picture", BM_memset)->Arg(W * H);
    return 0;
}();

}  // namespace
}  // namespace vortella
