// Depth tables: orders known to be right on constructed cases, and the
// visibility error of generated models against a depth buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "authoring/ddh.h"
#include "authoring/meshes.h"
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
    // From steeply above every part of the lower square is under the upper.
    for (int k = 0; k < 32; ++k) {
        if (ddhvdir[k][2] <= 0.7) continue;
        const std::vector<int> &o = g.ddh[k];
        ASSERT_EQ(o.size(), 4u);
        EXPECT_LT(std::max(position(o, 2), position(o, 3)), std::min(position(o, 0), position(o, 1))) << k;
    }
    EXPECT_EQ(test::measure_visibility(g, {4, 3}).differing, 0);
}

TEST(DepthTables, PlaneTestsRepairWhatTheCentreSortGetsWrong) {
    // A wide floor and a small tile just above its far end: seen obliquely
    // the floor's centre is nearer than the tile's, but the tile lies in
    // front of the floor's plane, so the floor's half under the tile must
    // be painted first.
    geometry_desc g = square(0, 0, 0, 10);
    test::merge(g, square(0, 4, 0.1f, 1));
    const double d[3] = {0, -0.8, 0.6};
    geometry_desc plain = g;
    build_ddh_sorted(plain);
    const std::vector<int> o = depth_order(g, d[0], d[1], d[2]);
    EXPECT_LT(position(o, 1), std::min(position(o, 2), position(o, 3)));
    // The plain sort paints the floor's near half last, over the tile.
    build_ddh(g);
    const auto v = test::measure_tables(g, {&g.ddh, &plain.ddh}, {2, 3});
    EXPECT_EQ(v[0].differing, 0);
    EXPECT_GT(v[1].differing, 0);
}

TEST(DepthTables, PiercingTrianglesKeepTheSortsOrder) {
    // Two long triangles through each other: from every side a part of
    // each is in front of the other, so no order is right and the sort's
    // stands.
    geometry_desc g;
    g.points = {{-1, 0, -0.3f, 0, 0, 1}, {1, 0, -0.3f, 0, 0, 1}, {0, 0.2f, 0.6f, 0, 0, 1},
                {-1, -0.3f, 0.3f, 0, 0, 1}, {1, 0.3f, 0.3f, 0, 0, 1}, {0, 0.3f, -0.6f, 0, 0, 1}};
    g.triangles = {{0, 1, 2, 0, 0, 1}, {3, 4, 5, 0, 0, 1}};
    geometry_desc plain = g;
    build_ddh_sorted(plain);
    build_ddh(g);
    for (int k = 0; k < 32; ++k) EXPECT_EQ(g.ddh[k], plain.ddh[k]) << k;
}

TEST(DepthTables, ClosedConvexShapesAreExact) {
    geometry_desc box = make_box(1, 1, 0, 0, 0, 1, 2, 0.5f);
    build_ddh(box);
    for (const auto &t : box.ddh) EXPECT_EQ(t.size(), 12u);
    EXPECT_EQ(test::measure_visibility(box, {2, 1}).differing, 0);
    geometry_desc ball = make_sphere(1, 1, 0, 0, 0, 1, 12, 16);
    build_ddh(ball);
    EXPECT_EQ(test::measure_visibility(ball, {1, 2}).differing, 0);
}

// The bounds the tables are held to on every generated model, near and far
// across each direction class: a mean share of wrong pixels over the views
// of at most 0.05 %, no view above 0.3 %, and no view with more wrong
// pixels than the plain sort shows.
TEST(DepthTables, GeneratedModelsMeetTheBoundsAndNeverLoseToTheSort) {
    for (const test::named_mesh &m : test::all_meshes(1)) {
        SCOPED_TRACE(m.name);
        geometry_desc g = m.g, plain = m.g;
        build_ddh(g);
        build_ddh_sorted(plain);
        const auto v = test::measure_tables(g, {&g.ddh, &plain.ddh}, {4, 11});
        EXPECT_LE(v[0].mean(), 0.0005);
        EXPECT_LE(v[0].worst(), 0.003);
        for (size_t i = 0; i < v[0].views.size(); ++i)
            EXPECT_LE(v[0].views[i].differing, v[1].views[i].differing) << "view " << i << " class " << v[0].views[i].cls;
    }
}

TEST(DepthTables, TheMeasureSeesAReversedTable) {
    geometry_desc g = test::pot(1);
    build_ddh(g);
    for (auto &t : g.ddh) std::reverse(t.begin(), t.end());
    EXPECT_GT(test::measure_visibility(g, {1, 5}).mean(), 0.05);
}

TEST(DepthTables, SameTablesOnAnyThreadCountAndDegenerateTrianglesLeftOut) {
    geometry_desc g = test::still_life(1);
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
