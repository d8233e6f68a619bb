// Depth tables: orders known to be right on constructed cases, and the
// visibility error of whole models against a depth buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "authoring/ddh.h"
#include "authoring/primitives.h"
#include "authoring/visibility.h"
#include "pipeline/pipeline.h"

namespace vortella {
namespace {

// A square of side s centred at (cx, cy, z), facing up (+z), two triangles.
geometry_desc square(float cx, float cy, float z, float s) {
    geometry_desc g;
    const float h = s / 2;
    g.points = {{cx - h, cy - h, z, 0, 0, 1}, {cx + h, cy - h, z, 0, 0, 1}, {cx + h, cy + h, z, 0, 0, 1},
                {cx - h, cy + h, z, 0, 0, 1}};
    g.triangles = {{0, 1, 2, 0, 0, 1}, {0, 2, 3, 0, 0, 1}};
    return g;
}

int position(const std::vector<int> &order, int t) {
    return static_cast<int>(std::find(order.begin(), order.end(), t) - order.begin());
}

TEST(DepthTables, ParallelSquaresPaintTheLowerFirstFromAbove) {
    geometry_desc g = square(0, 0, 1, 2);
    test::merge(g, square(0.3f, 0.2f, 0, 2));
    build_ddh(g);
    for (int k = 0; k < 32; ++k) {
        if (ddhvdir[k][2] <= 0) continue;
        const std::vector<int> &o = g.ddh[k];
        ASSERT_EQ(o.size(), 4u);
        EXPECT_LT(std::max(position(o, 2), position(o, 3)), std::min(position(o, 0), position(o, 1))) << k;
    }
}

TEST(DepthTables, PlaneTestsRepairWhatTheCentreSortGetsWrong) {
    // A wide floor and a small tile just above its far end: seen obliquely
    // the floor's centre is nearer than the tile's, but the tile lies in
    // front of the floor's plane, so the floor must be painted first.
    geometry_desc g = square(0, 0, 0, 10);
    test::merge(g, square(0, 4, 0.1f, 1));
    const double d[3] = {0, -0.8, 0.6};
    geometry_desc plain = g;
    build_ddh_sorted(plain);
    const std::vector<int> o = depth_order(g, d[0], d[1], d[2]);
    EXPECT_LT(std::max(position(o, 0), position(o, 1)), std::min(position(o, 2), position(o, 3)));
    // The plain sort paints the floor's near half last, over the tile.
    build_ddh(g);
    const test::visibility v = test::measure_visibility(g, {2, 3u}), p = test::measure_visibility(plain, {2, 3u});
    EXPECT_EQ(v.differing, 0);
    EXPECT_GT(p.differing, 0);
}

TEST(DepthTables, ClosedConvexShapesAreExact) {
    geometry_desc box = make_box(1, 1, 0, 0, 0, 1, 2, 0.5f);
    build_ddh(box);
    for (const auto &t : box.ddh) EXPECT_EQ(t.size(), 12u);
    EXPECT_EQ(test::measure_visibility(box, {2, 1u}).differing, 0);
    geometry_desc ball = make_sphere(1, 1, 0, 0, 0, 1, 12, 16);
    build_ddh(ball);
    EXPECT_EQ(test::measure_visibility(ball, {1, 2u}).differing, 0);
}

TEST(DepthTables, InterlockingRingsAndATableBeatTheCentreSort) {
    for (geometry_desc g : {test::bar_links(), test::table_on_slab()}) {
        geometry_desc plain = g;
        build_ddh_sorted(plain);
        build_ddh(g);
        const test::visibility v = test::measure_visibility(g, {2, 7u}), p = test::measure_visibility(plain, {2, 7u});
        EXPECT_GT(p.share(), 0.005);
        EXPECT_LT(v.share(), 0.005);
        EXPECT_LT(v.share(), p.share() / 4);
    }
}

TEST(DepthTables, SameTablesOnAnyThreadCountAndDegenerateTrianglesLeftOut) {
    geometry_desc g = test::bar_links();
    g.triangles.push_back({0, 0, 5, 0, 0, 1});   // two corners at one place
    geometry_desc h = g;
    build_ddh(g, 1);
    build_ddh(h, 3);
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(g.ddh[k], h.ddh[k]);
        EXPECT_EQ(g.ddh[k].size(), g.triangles.size() - 1);
    }
}

}  // namespace
}  // namespace vortella
