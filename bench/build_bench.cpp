// The scene compiler: time to compile models of 1k, 10k and 100k triangles
// (import, normals, cutting, depth tables, writing), and the visibility
// error of the repaired depth tables next to the plain sort, per model.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "authoring/ddh.h"
#include "authoring/primitives.h"
#include "authoring/scenejson.h"
#include "authoring/visibility.h"

namespace vortella {
namespace {

// Three linked tori, 6 r s triangles.
geometry_desc chain(int r, int s) {
    geometry_desc g = make_torus(1, 1, 0, 0, 0, 2.0f, 0.4f, r, s, 0);
    test::merge(g, make_torus(1, 1, 2.8f, 0, 0, 2.0f, 0.4f, r, s, 1.5707963f));
    test::merge(g, make_torus(1, 1, 5.6f, 0, 0, 2.0f, 0.4f, r, s, 0));
    return g;
}

// Blocks of different heights on a slab.
geometry_desc blocks() {
    geometry_desc g = make_box(1, 1, 0, 0, -0.1f, 4, 4, 0.1f);
    for (int i = 0; i < 12; ++i) {
        const float h = 0.3f + 0.1f * float((i * 7) % 11);
        test::merge(g, make_box(1, 1, (i % 4) * 2.0f - 3, (i / 4) * 2.4f - 2.4f, h, 0.3f + 0.05f * (i % 5), 0.5f, h));
    }
    return g;
}

// A sphere with five-fold bumps: closed, curved, not convex.
geometry_desc bumpy() {
    geometry_desc g = make_sphere(1, 1, 0, 0, 0, 1, 24, 48);
    for (points_s &p : g.points) {
        const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        const double f = 1 + 0.3 * std::sin(5 * std::atan2(p.y, p.x)) * std::sin(5 * std::acos(p.z / r));
        p.x = float(p.x * f), p.y = float(p.y * f), p.z = float(p.z * f);
    }
    return g;
}

std::string write_obj(const geometry_desc &g, const std::string &name) {
    const std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream f(path);
    for (const points_s &p : g.points) f << "v " << p.x << ' ' << p.y << ' ' << p.z << '\n';
    for (const trianglef_s &t : g.triangles) f << "f " << t.pt1 + 1 << ' ' << t.pt2 + 1 << ' ' << t.pt3 + 1 << '\n';
    return path;
}

// Compile time of a chain of tori with about state.range(0) triangles.
void BM_compile(benchmark::State &state) {
    const int want = static_cast<int>(state.range(0));
    const int s = want >= 100000 ? 75 : want >= 10000 ? 24 : 7;
    const int r = want / (6 * s);
    const std::string in = write_obj(chain(r, s), "vtl_bench_" + std::to_string(want) + ".obj");
    const std::string out = in + ".vtl";
    built_scene b;
    for (auto _ : state) {
        std::string err;
        if (!build_model_scene(in, build_options{}, b, &err) || !write_built_scene(b, out, &err)) {
            state.SkipWithError(err.c_str());
            break;
        }
    }
    state.counters["triangles"] = double(b.triangles);
    state.counters["geometries"] = b.geometries;
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}
BENCHMARK(BM_compile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Depth tables alone, per triangle count, on one thread and on all.
void BM_ddh(benchmark::State &state) {
    geometry_desc g = chain(int(state.range(0)) / 42, 7);
    for (auto _ : state) build_ddh(g, int(state.range(1)));
    state.counters["triangles"] = double(g.triangles.size());
}
BENCHMARK(BM_ddh)->Args({1000, 1})->Args({10000, 1})->Args({10000, 0})->Unit(benchmark::kMillisecond)->UseRealTime();

// Visibility error in percent of the covered pixels, plain sort and
// repaired order, 4 random views per direction class.
void visibility_of(benchmark::State &state, geometry_desc g) {
    geometry_desc plain = g;
    build_ddh_sorted(plain);
    build_ddh(g);
    test::visibility p, v;
    for (auto _ : state) {
        p = test::measure_visibility(plain, 4, 1234);
        v = test::measure_visibility(g, 4, 1234);
    }
    state.counters["triangles"] = double(g.triangles.size());
    state.counters["plain_pct"] = 100 * p.share();
    state.counters["repaired_pct"] = 100 * v.share();
}
BENCHMARK_CAPTURE(visibility_of, links, test::bar_links())->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, table, test::table_on_slab())->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, blocks, blocks())->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, torus_chain, chain(36, 12))->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, coarse_chain, chain(8, 3))->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, bumpy_sphere, bumpy())->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(visibility_of, sphere, make_sphere(1, 1, 0, 0, 0, 1, 24, 48))->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vortella
