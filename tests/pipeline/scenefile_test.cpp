// The render list of a scene written by the scene writer and loaded from
// its file, entry by entry against values worked out by hand.
#include "pipe_store.h"
#include "support/testutil.h"

namespace vortella {
namespace {

struct SceneFileTest : test::store_test {
    void SetUp() override { test::store_test::SetUp(), pipeglobals(); }
};

geometry_desc boxgeo(int no, bool faceted, int mat, int rend_mode, float x0, float y0, float z0,
                     float x1, float y1, float z1) {
    geometry_desc g;
    g.geom_no = no, g.faceted = faceted, g.texture = mat, g.rend_mode = rend_mode, g.box = true;
    g.points = {{x0, y0, z0, 0, 0, 1}, {x1, y0, z0, 0, 0, 1}, {x1, y1, z1, 0, 0, 1}};
    g.triangles = {{0, 1, 2, 0, 0, 1}, {0, 2, 1, 0, 0, -1}};
    for (auto &t : g.ddh) t = {1, 0};
    g.xmin = x0, g.ymin = y0, g.zmin = z0, g.xmax = x1, g.ymax = y1, g.zmax = z1;
    return g;
}

TEST_F(SceneFileTest, RenderListMatchesHandWorkedCase) {
    scene_desc s;
    s.add(camera_desc{});   // at (0, -10, 0) looking at the origin, focal length 1
    s.add(material_desc{}).texture_no = 1;
    s.add(material_desc{}).texture_no = 2;
    s.objects.back().material.trans = 0.5f;
    s.add(boxgeo(1, true, 1, 0, -2, 4, -1, 0, 6, 1));
    s.add(boxgeo(2, false, 2, 0, -1, 5, -0.5f, 2, 5, 0.5f));
    s.add(boxgeo(3, true, 1, 2, 3, 0, -1, 4, 1, 1));
    s.add(boxgeo(4, true, 9, 0, -1, 0, -1, 1, 1, 1));        // material 9 is missing
    s.add(boxgeo(5, false, 1, 0, -1, -30, -1, 1, -20, 1));   // behind the camera
    s.add(instance_desc{}).geoms = {1, 2, 4, 7};              // geometry 7 is missing
    instance_desc &i2 = s.add(instance_desc{});
    i2.inst_no = 1, i2.rend_mode = 12, i2.geoms = {3, 5};
    instance_desc &i3 = s.add(instance_desc{});
    i3.inst_no = 2, i3.drawn = false, i3.geoms = {1};
    ASSERT_EQ(load(s), 0) << readerr;
    ASSERT_EQ(focl, 1);

    rendlist();
    // Column 160 + 150 x / (10 + y), row 100 + 150 z / (10 + y), depth 10 + y;
    // geometry 1 gets the scene's rend_mode 10, geometry 3 keeps its own 2.
    struct { int geom, type, rend_mode, sxmin, sxmax, symin, symax; float vzmin, vzmax; } want[] = {
        {1, 0, 10, 138, 160, 89, 110, 14, 16},     // 160 - 300 / 14 = 138.6
        {2, 150, 10, 150, 180, 95, 105, 15, 15},   // smooth and transparent
        {3, 0, 2, 200, 220, 85, 115, 10, 11},      // 160 + 450 / 11 = 200.9
    };
    ASSERT_EQ(renlent, 3);
    for (int i = 0; i < 3; ++i) {
        const mem_render_entry_s *e = rentry(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(e->geometry, geo_by_no(want[i].geom));
        EXPECT_EQ(e->type, want[i].type);
        EXPECT_EQ(e->rend_mode, want[i].rend_mode);
        EXPECT_EQ(e->sxmin, want[i].sxmin);
        EXPECT_EQ(e->sxmax, want[i].sxmax);
        EXPECT_EQ(e->symin, want[i].symin);
        EXPECT_EQ(e->symax, want[i].symax);
        EXPECT_FLOAT_EQ(e->vzmin, want[i].vzmin);
        EXPECT_FLOAT_EQ(e->vzmax, want[i].vzmax);
        EXPECT_EQ(e->no_ddh, 2);
        EXPECT_EQ(e->texture, tex_by_no(i == 1 ? 2 : 1));
    }
    EXPECT_EQ(rentry(1)->transctr, 1);
    // Entry 1 lies strictly inside entry 0's columns (160 in 150..180), rows
    // (105 in 89..110) and depth (15 in 14..16) and joins its group; entry 2
    // is class 2 and comes first.
    EXPECT_EQ(rentry(0)->next_entry, rentry(1));
    EXPECT_EQ(rentry(1)->next_entry, nullptr);
    EXPECT_EQ(chain(), (std::vector<mem_render_entry_s *>{rentry(2), rentry(0)}));
    EXPECT_EQ(rentry(0)->grp_sxmax, 180);
}

}  // namespace
}  // namespace vortella
