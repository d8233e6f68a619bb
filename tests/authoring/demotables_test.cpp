// Depth tables of the built-in scenes: every geometry of every scene, read
// back from the file the program ships, paints its triangles in an order a
// depth buffer agrees with, seen from every direction class.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "authoring/demos.h"
#include "authoring/visibility.h"
#include "support/testutil.h"

namespace vortella {
namespace {

// A geometry of the loaded store as the writer's description: points,
// triangles and the 32 depth tables as the file holds them.
geometry_desc stored(const mem_object_header_s &o) {
    const mem_geometry_s &m = o.t.geometry;
    geometry_desc g;
    g.name = m.name;
    g.faceted = o.type == OT_FACETED;
    for (int i = 0; i < m.no_points; ++i) {
        if (g.faceted) {
            const pointf_s *p = vget<point_af>(m.points, i);
            g.points.push_back({p->x, p->y, p->z, 0, 0, 0});
        } else {
            g.points.push_back(*vget<point_a>(m.points, i));
        }
    }
    for (int i = 0; i < m.no_triangles; ++i) {
        if (g.faceted) {
            g.triangles.push_back(*vget<triangle_af>(m.triangles, i));
        } else {
            const triangles_s *t = vget<triangle_a>(m.triangles, i);
            g.triangles.push_back({t->pt1, t->pt2, t->pt3, 0, 0, 0});
        }
    }
    for (int k = 0; k < 32; ++k)
        for (int j = 0; j < m.no_ddh[k]; ++j) g.ddh[size_t(k)].push_back(vget<ddh_table_entry_a>(m.ddh[k], j));
    return g;
}

class BuiltinTables : public test::store_test {};

TEST_F(BuiltinTables, EveryGeometryOfEverySceneAgreesWithADepthBuffer) {
    install_demos();
    paths.background = demo_background;
    test::visibility all;
    double worst = 0;
    std::string worst_name;
    for (int d = 0; d < demo_scene_count; ++d) {
        ASSERT_EQ(loadfile(demo_scenes[d].name), 0) << last.message;
        for (int i = 0; i < file_no_obj; ++i) {
            const mem_object_header_s *o = obj_at(i);
            if (o->type != OT_SMOOTH && o->type != OT_FACETED) continue;
            const geometry_desc g = stored(*o);
            test::view_plan plan;
            plan.per_class = 1;
            plan.seed = unsigned(d * 100 + i);
            plan.w = 192;
            plan.h = 144;
            const test::visibility v = test::measure_visibility(g, plan);
            // One pixel in a thousand: a few pixels of a 192 x 144 view.
            EXPECT_LT(v.share(), 0.001) << demo_scenes[d].name << ": " << g.name << ", " << g.triangles.size()
                                          << " triangles";
            if (v.share() > 0.0001) std::printf("  %s %s: %.4f %%\n", demo_scenes[d].name, g.name.c_str(), 100 * v.share());
            all.differing += v.differing;
            all.covered += v.covered;
            all.views.insert(all.views.end(), v.views.begin(), v.views.end());
            if (v.share() > worst) worst = v.share(), worst_name = std::string(demo_scenes[d].name) + " " + g.name;
        }
        deletefilestruct();
    }
    std::printf("built-in scenes: %ld of %ld pixels differ from a depth buffer (%.5f %%) over %d views; "
                "worst geometry %s, %.4f %%\n",
                all.differing, all.covered, 100 * all.share(), int(all.views.size()), worst_name.c_str(), 100 * worst);
}

}  // namespace
}  // namespace vortella
