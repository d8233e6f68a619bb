// Render list: view direction, culling, entry contents, grouping and order,
// built from hand-made stores and from a scene written by the scene writer.
#include <cmath>
#include <vector>

#include "pipe_store.h"
#include "support/testutil.h"

namespace vortella {
namespace {

mem_object_header_s *addobj(int type, vas *index, int no) {
    auto *o = new mem_object_header_s();
    o->type = type;
    vslot<object_header_a>(&objs, file_no_obj++) = o;
    if (index) vslot<object_header_a>(index, no) = o;
    return o;
}

mem_texture_s &addmat(int no, int map_type = 0, float trans = 0, float reflection = 0) {
    mem_texture_s &m = addobj(OT_TEXTURE, &texs, no)->t.material;
    m.map_type = map_type, m.trans = trans, m.reflection = reflection;
    m.xscale = m.yscale = m.zscale = 1;
    return m;
}

// A one-triangle geometry whose 32 depth tables each list that triangle.
mem_geometry_s &addgeo(int no, float x0, float y0, float z0, float x1, float y1, float z1, int texture = 0,
                       int rend_mode = 0) {
    mem_geometry_s &g = addobj(OT_FACETED, &geos, no)->t.geometry;
    g.xmin = x0, g.ymin = y0, g.zmin = z0, g.xmax = x1, g.ymax = y1, g.zmax = z1;
    g.texture = texture, g.rend_mode = rend_mode;
    g.points = new vas();
    g.triangles = new vas();
    vslot<point_af>(g.points, 0) = new pointf_s{x0, y0, z0};
    vslot<triangle_af>(g.triangles, 0) = new trianglef_s{0, 0, 0, 0, 0, 1};
    for (int k = 0; k < 32; ++k) vslot<ddh_table_entry_a>(g.ddh[k] = new vas(), 0) = 0, g.no_ddh[k] = 1;
    return g;
}

void addins(const std::vector<int> &geoms, int rend_mode = 0) {
    mem_instance_s &n = addobj(OT_INSTANCE, nullptr, 0)->t.instance;
    n.rend_mode = rend_mode;
    n.no_geom = static_cast<int>(geoms.size());
    n.geoms = new vas();
    for (int j = 0; j < n.no_geom; ++j) vslot<geom_a>(n.geoms, j) = new geom_instance_s{geoms[size_t(j)]};
}

mem_render_entry_s *rentry(int i) { return vget<render_entry_a>(&renl, i); }

// The group heads in drawing order, and the same from chosen entries.
std::vector<mem_render_entry_s *> chain() {
    std::vector<mem_render_entry_s *> v;
    for (auto *e = reapbase; e && v.size() <= vas_max; e = e->next_group) v.push_back(e);
    return v;
}
std::vector<mem_render_entry_s *> entries(std::initializer_list<int> is) {
    std::vector<mem_render_entry_s *> v;
    for (int i : is) v.push_back(rentry(i));
    return v;
}

using RendlistTest = PipeTest;

float score(int k) { return getvave(ddhvdir[k][0], ddhvdir[k][1], ddhvdir[k][2]); }
// Camera at t times direction a plus (1 - t) times direction b.
void between(int a, int b, float t) {
    camx = ddhvdir[a][0] * t + ddhvdir[b][0] * (1 - t);
    camy = ddhvdir[a][1] * t + ddhvdir[b][1] * (1 - t);
    camz = ddhvdir[a][2] * t + ddhvdir[b][2] * (1 - t);
}

TEST_F(RendlistTest, ViewDirectionChoice) {
    for (int k = 0; k < 32; ++k) {
        between(k, k, 7);
        EXPECT_EQ(whichddhv(), k);
    }
    camx = camy = camz = 0;
    EXPECT_EQ(whichddhv(), 0);
    // Across the bisector of directions 3 and 25 until the float scores
    // tie exactly as the best: the lower index wins.
    int ties = 0;
    for (int n = -3000; n < 3000; ++n) {
        between(3, 25, 0.5f + n * 1e-7f);
        int k = whichddhv();
        if (score(3) != score(25) || score(k) > score(3)) continue;
        EXPECT_EQ(k, 3);
        ++ties;
    }
    EXPECT_GT(ties, 0);
}

TEST_F(RendlistTest, CullingAndSkippedReferences) {
    addmat(0);
    addgeo(1, -20, 5, -1, -16, 5, 1);      // right edge at column 0: dropped
    addgeo(2, -20, 5, -1, -15.5f, 5, 1);   // right edge at column 5
    addgeo(3, 15.95f, 5, -1, 20, 5, 1);    // left edge at column 319
    addgeo(4, 16, 5, -1, 20, 5, 1);        // left edge at column 320: dropped
    addgeo(5, -1, -12, -1, 1, -10, 1);     // nearest corners on the camera plane
    addgeo(6, -1, -12, -1, 1, 5, 1);       // straddles the camera plane
    addgeo(7, std::nanf(""), 0, 0, 1, 1, 1);
    addgeo(8, -1, -1, -1, 1, 1, 1).no_ddh[whichddhv()] = 0;
    addins({1, 2, 3, 99, 4, 5, 6, 7, 8, -3});
    rendlist();
    ASSERT_EQ(renlent, 3);
    EXPECT_EQ(rentry(0)->sxmax, 5);
    EXPECT_EQ(rentry(1)->sxmin, 319);
    EXPECT_EQ(rentry(2)->geometry, geo_by_no(6));
    EXPECT_LT(rentry(2)->vzmin, 0);
    EXPECT_EQ(rentry(3)->off_screen, 1);   // last drop, slot left for reuse
    ux = -16, uy = 5, uz = 1;
    transfsc();
    EXPECT_EQ(sx, 0);   // the first box really ended at column 0
}

TEST_F(RendlistTest, TypeAndRowsPerMaterial) {
    addmat(0);
    addmat(1, 1).xscale = 2;   // planar
    addmat(2, 2).x = 0.5f;     // spherical
    addmat(3, 7);              // cylindrical
    addmat(4, 0, 0.5f);        // transparent
    addmat(5, 0, 0, 0.5f);     // reflective
    for (int m = 0; m < 6; ++m) addgeo(m, -1, -1, -1, 1, 1, 1, m, m == 3 ? 14 : 0);
    addins({0, 1, 2, 3, 4, 5}, 12);
    rendlist();
    ASSERT_EQ(renlent, 6);
    const int types[] = {0, 10, 20, 30, 50, 40};   // the smooth bit 100: in the scene file case
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rentry(i)->type, types[i]);
        EXPECT_EQ(rentry(i)->rend_mode, i == 3 ? 14 : 12);
    }
    EXPECT_NEAR(rentry(0)->hc21, -0.7071f, 1e-4);   // half vector of -y and +z
    EXPECT_NEAR(rentry(0)->hc31, 0.7071f, 1e-4);
    EXPECT_NEAR(rentry(1)->rc21, 0.5f, 1e-6);    // u: 1 per 2 units of y
    EXPECT_NEAR(rentry(1)->tc31, 1, 1e-6);       // v: 1 per unit of z
    EXPECT_NEAR(rentry(2)->rc41, -0.5f, 1e-6);   // offset off x
    EXPECT_NEAR(rentry(2)->zc31, 1, 1e-6);
    EXPECT_NEAR(rentry(5)->rc21, -1, 1e-6);      // facing the camera on -y
    camy = 0;   // camera on, above and below the target: finite frames
    for (float z : {0.0f, 20.0f, -20.0f}) {
        camz = z;
        rendlist();
        ASSERT_EQ(renlent, 6);
        for (int i = 0; i < 6; ++i)
            for (float f : {rentry(i)->vzmax, rentry(i)->hc11, rentry(i)->hc31, rentry(i)->rc11, rentry(i)->rc31})
                EXPECT_TRUE(std::isfinite(f)) << z << " " << i;
    }
}

TEST_F(RendlistTest, DrawingOrderByClassThenDepth) {
    addmat(0);
    const int modes[] = {3, 12, 2, 1, 10, 2, 5, 10};
    const float ys[] = {0, 2, 4, 0, 6, 1, 0, 6};
    for (int i = 0; i < 8; ++i) addgeo(i, -8 + 2 * i, ys[i], -1, -7 + 2 * i, ys[i] + 1, 1, 0, modes[i]);
    addgeo(8, -1, -200, -1, 1, -9, 1);   // reaches far behind: key -189
    addins({0, 1, 2, 3, 4, 5, 6, 7, 8});
    rendlist();
    ASSERT_EQ(renlent, 9);
    // Class 2 far to near, then >= 10 (equal keys in entry order), then 3;
    // entries 3 and 8 are built, never drawn.
    EXPECT_EQ(chain(), entries({2, 5, 4, 7, 1, 0}));
    EXPECT_EQ(rentry(8)->processed, 2);
    EXPECT_EQ(rentry(3)->processed, 2);
    const int n = file_no_obj;
    file_no_obj = 0;   // empty store: no chain
    rendlist();
    EXPECT_EQ(reapbase, nullptr);
    file_no_obj = n;
}

// Entry 0 covers columns 138..160 and depths 14..16.
TEST_F(RendlistTest, NoGroupWithoutStrictOverlap) {
    addmat(0);
    addgeo(0, -2, 4, -1, 0, 6, 1);
    addgeo(1, -2.15f, 5, -0.5f, 0, 5, 0.5f);   // same columns
    addgeo(2, 0, 5, -0.5f, 2, 5, 0.5f);        // 160..180 only touch
    addgeo(3, -1, 9, -0.5f, 1, 9, 0.5f);       // columns overlap, depth 19
    addins({0, 1, 2, 3});
    rendlist();
    ASSERT_EQ(rentry(1)->sxmin, rentry(0)->sxmin);
    ASSERT_EQ(rentry(1)->sxmax, rentry(0)->sxmax);
    EXPECT_EQ(chain().size(), 4u);
    for (auto *e : chain()) EXPECT_EQ(e->next_entry, nullptr);
}

TEST_F(RendlistTest, GroupWidensToPullInLaterEntries) {
    addmat(0);
    addgeo(0, -2, 4, -1, 0, 6, 1);                // 138..160
    addgeo(1, 1.5f, 5, -0.5f, 2.5f, 5, 0.5f);    // 175..185: meets only the widened group
    addgeo(2, -1, 5, -0.5f, 2, 5, 0.5f);         // 150..180: meets entry 0
    addgeo(3, -1, 5, -0.5f, 2, 5, 0.5f, 0, 2);   // rend_mode 2 never merges
    addins({0, 1, 2, 3});
    rendlist();
    EXPECT_EQ(rentry(0)->next_entry, rentry(2));
    EXPECT_EQ(rentry(2)->next_entry, rentry(1));
    EXPECT_EQ(rentry(0)->grp_sxmax, 185);
    EXPECT_EQ(chain(), entries({3, 0}));
    for (int off : {0, 1}) {   // no passes, or grouping switched off
        maxmpass = off ? 3 : 0, rmergesw = off;
        rendlist();
        EXPECT_EQ(chain().size(), 4u);
    }
}

TEST_F(RendlistTest, CountersStorageAndCap) {
    addmat(0, 0, 0.5f);
    addgeo(0, -1, -1, -1, 1, 1, 1, 0, 1);   // rend_mode 1: cheap to group
    addins(std::vector<int>(20000, 0));
    addins(std::vector<int>(20000, 0));
    rendlist();
    EXPECT_EQ(renlent, vas_max);
    EXPECT_EQ(rentry(0)->transctr, 1);
    EXPECT_EQ(rentry(254)->transctr, 255);
    EXPECT_EQ(rentry(255)->transctr, 0);   // the 256th wraps to "unmarked"
    mem_render_entry_s *e = rentry(300);
    vas *pts = e->points;
    rendlist();   // storage reused, counters restarted
    EXPECT_EQ(rentry(300), e);
    EXPECT_EQ(e->points, pts);
    EXPECT_EQ(rentry(0)->transctr, 1);
}

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

// The render list of a written and loaded scene, entry by entry against
// values worked out by hand.
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
    ASSERT_EQ(load(s), 0) << last.message;
    ASSERT_EQ(focl, 1);
    rendlist();
    // Column 160 + 150 x / (10 + y), row 100 + 150 z / (10 + y), depth 10 + y;
    // geometry 1 gets the scene's rend_mode 10, geometry 3 keeps its own 2.
    using row = std::vector<float>;   // type, rend_mode, columns, rows, depths, depth tables
    const struct { int geom, mat; row v; } want[] = {
        {1, 1, {0, 10, 138, 160, 89, 110, 14, 16, 2}},     // 160 - 300 / 14 = 138.6
        {2, 2, {150, 10, 150, 180, 95, 105, 15, 15, 2}},   // smooth and transparent
        {3, 1, {0, 2, 200, 220, 85, 115, 10, 11, 2}},      // 160 + 450 / 11 = 200.9
    };
    ASSERT_EQ(renlent, 3);
    for (int i = 0; i < 3; ++i) {
        const mem_render_entry_s *e = rentry(i);
        EXPECT_EQ(e->geometry, geo_by_no(want[i].geom));
        EXPECT_EQ(e->texture, tex_by_no(want[i].mat));
        EXPECT_EQ(row({float(e->type), float(e->rend_mode), float(e->sxmin), float(e->sxmax), float(e->symin),
                       float(e->symax), e->vzmin, e->vzmax, float(e->no_ddh)}), want[i].v) << i;
    }
    // Entry 1 lies strictly inside entry 0's columns (160 in 150..180), rows
    // (105 in 89..110) and depth (15 in 14..16) and joins its group; entry 2
    // is class 2 and comes first.
    EXPECT_EQ(rentry(1)->transctr, 1);
    EXPECT_EQ(rentry(0)->next_entry, rentry(1));
    EXPECT_EQ(rentry(1)->next_entry, nullptr);
    EXPECT_EQ(chain(), entries({2, 0}));
    EXPECT_EQ(rentry(0)->grp_sxmax, 180);
}

}  // namespace
}  // namespace vortella
