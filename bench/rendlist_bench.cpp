// Time of one render-list build per frame for n instance geometries.
//
// "apart": boxes on a grid, none overlapping on screen, so every group head
// tests every later entry (maxmpass passes) and the ordering selects among
// n heads: both quadratic. "stacked": boxes heaped around the target at
// different depths, so the first entry absorbs the rest in one sweep and
// grouping stays near linear.
#include <benchmark/benchmark.h>

#include <cmath>

#include "pipeline/pipeline.h"
#include "raster/raster.h"

namespace vortella {
namespace {

mem_object_header_s *addobj(int type) {
    auto *o = new mem_object_header_s();
    o->type = type;
    vslot<object_header_a>(&objs, file_no_obj++) = o;
    return o;
}

void addbox(int no, float x, float y, float z, float s) {
    mem_object_header_s *o = addobj(OT_FACETED);
    mem_geometry_s &g = o->t.geometry;
    g.xmin = x - s, g.ymin = y - s, g.zmin = z - s, g.xmax = x + s, g.ymax = y + s, g.zmax = z + s;
    g.points = new vas();
    g.triangles = new vas();
    vslot<point_af>(g.points, 0) = new pointf_s{x, y, z};
    vslot<triangle_af>(g.triangles, 0) = new trianglef_s{0, 0, 0, 0, 0, 1};
    for (int k = 0; k < 32; ++k) {
        g.ddh[k] = new vas();
        vslot<ddh_table_entry_a>(g.ddh[k], 0) = 0;
        g.no_ddh[k] = 1;
    }
    vslot<object_header_a>(&geos, no) = o;
}

void makescene(int n, bool stacked) {
    picw = 640, pich = 480;
    focl = 1.93f, iminv = Orientation = 1;
    ltal = 0.8f, ltaz = 0.3f;
    maxmpass = 3, rmergesw = 0, file_rend_mode = 10;
    mem_object_header_s *m = addobj(OT_TEXTURE);
    m->t.material.xscale = m->t.material.yscale = m->t.material.zscale = 1;
    vslot<object_header_a>(&texs, 0) = m;
    int side = static_cast<int>(std::ceil(std::sqrt(double(n))));
    for (int i = 0; i < n; ++i) {
        if (stacked)
            addbox(i, 0.13f * (i % 11), 0.05f * i, 0.11f * (i % 7), 1);
        else
            addbox(i, 2.0f * (i % side) - side, 0, 2.0f * (i / side) - side, 0.4f);
    }
    mem_instance_s &ins = addobj(OT_INSTANCE)->t.instance;
    ins.no_geom = n;
    ins.geoms = new vas();
    for (int j = 0; j < n; ++j) vslot<geom_a>(ins.geoms, j) = new geom_instance_s{j};
    // Far enough back on -y that the whole grid or heap is in view.
    camx = 0.3f, camy = stacked ? -40.0f : -6.0f * side - 10, camz = 2;
    tarx = tary = tarz = 0;
}

void BM_rendlist(benchmark::State &state) {
    int n = static_cast<int>(state.range(0));
    makescene(n, state.range(1) != 0);
    for (auto _ : state) {
        reapbase = nullptr;
        rendlist();
        benchmark::DoNotOptimize(reapbase);
    }
    state.counters["entries"] = renlent;
    int groups = 0;
    for (mem_render_entry_s *e = reapbase; e; e = e->next_group) ++groups;
    state.counters["groups"] = groups;
    state.SetComplexityN(n);
    deleterenlstruct();
    deletefilestruct();
}

BENCHMARK(BM_rendlist)
    ->ArgNames({"n", "stacked"})
    ->ArgsProduct({{1, 100, 1000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vortella
