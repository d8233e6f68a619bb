// The scene compiler: time to compile models of 1k, 10k and 100k triangles
// (import, normals, cutting, depth tables, writing), and the visibility
// error of the built depth tables next to the plain sort, per model.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "authoring/ddh.h"
#include "authoring/meshes.h"
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

// Visibility error of the depth tables on the generated models, small (as
// the tests hold them to their bounds) and large: mean and worst view in
// percent of the covered pixels, plain sort and built tables, on the same
// views, and how many views the built tables show worse than the sort.
void visibility_of(benchmark::State &state, const std::string &name, int fine) {
    std::vector<test::named_mesh> all = test::all_meshes(fine);
    for (test::named_mesh &h : test::hard_meshes(fine)) all.push_back(h);
    geometry_desc g;
    for (const test::named_mesh &m : all)
        if (m.name == name) g = m.g;
    geometry_desc plain = g;
    build_ddh_sorted(plain);
    build_ddh(g);
    std::vector<test::visibility> v;
    for (auto _ : state) v = test::measure_tables(g, {&plain.ddh, &g.ddh}, {4, 11});
    long worse = 0;
    for (size_t i = 0; i < v[0].views.size(); ++i) worse += v[1].views[i].differing > v[0].views[i].differing;
    state.counters["triangles"] = double(g.triangles.size());
    state.counters["plain_mean_pct"] = 100 * v[0].mean();
    state.counters["plain_worst_pct"] = 100 * v[0].worst();
    state.counters["mean_pct"] = 100 * v[1].mean();
    state.counters["worst_pct"] = 100 * v[1].worst();
    state.counters["views_worse"] = double(worse);
}

[[maybe_unused]] const bool registered = [] {
    for (int fine : {1, 3}) {
        std::vector<test::named_mesh> all = test::all_meshes(1);
        for (test::named_mesh &h : test::hard_meshes(1)) all.push_back(h);
        for (const test::named_mesh &m : all)
            benchmark::RegisterBenchmark(("visibility/" + m.name + "/" + std::to_string(fine)).c_str(),
                                         [name = m.name, fine](benchmark::State &st) { visibility_of(st, name, fine); })
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace vortella
