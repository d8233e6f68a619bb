// Whole frames of small scenes whose pictures are predictable, and the
// per-triangle steps of the frame renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "authoring/primitives.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr float pi = 3.14159265f;

class Frame : public test::store_test {
protected:
    std::vector<uint8_t> bits;
    void SetUp() override {
        store_test::SetUp();
        iminv = 1;
        Orientation = -1;   // row 0 at the top, as the checks below read it
        sbackground = 0;
        picround(64, 48);
        bits.assign(size_t(picw) * pich, 0xEE);
        picbuild(bits.data());
    }
    void TearDown() override {
        picfree();
        store_test::TearDown();
    }
    uint8_t px(int x, int y) const { return bits[size_t(y) * picw + x]; }
    // The picture of an empty scene: the background alone.
    std::vector<uint8_t> backgroundonly() {
        deletefilestruct();
        render();
        return bits;
    }
};

// A square in the plane y = at facing -y (toward a camera on the -y side),
// from (x0, z0) to (x1, z1); faceted, both triangles in every depth table.
geometry_desc square(int no, int tex, float at, float x0, float x1, float z0, float z1) {
    geometry_desc g;
    g.faceted = true;
    g.geom_no = no;
    g.texture = tex;
    g.points = {{x0, at, z0, 0, 0, 0}, {x1, at, z0, 0, 0, 0}, {x1, at, z1, 0, 0, 0}, {x0, at, z1, 0, 0, 0}};
    g.triangles = {{0, 1, 2, 0, -1, 0}, {0, 2, 3, 0, -1, 0}};
    ddh_all(g);
    return g;
}

// Camera on -y looking at the origin, light from the camera.
scene_desc facing(uint8_t r, uint8_t g, uint8_t b) {
    scene_desc s;
    material_desc m;
    m.texture_no = 1, m.red = r, m.green = g, m.blue = b, m.ambient = 2, m.diffuse = 0;
    s.add(m);
    camera_desc c;
    c.x = 0, c.y = -4, c.z = 0, c.foc_len = 1;   // a unit is about 9 pixels at the origin
    s.add(c);
    s.add(light_desc{0, -pi / 2});   // L = (0, -1, 0): full light on faces turned to -y
    s.add(scene_settings_desc{});
    return s;
}

TEST_F(Frame, OneFlatTriangleOnThePlainBackground) {
    scene_desc s = facing(200, 100, 50);
    s.objects.back().scene.red = 40;
    geometry_desc g = square(1, 1, 0, -1, 1, -1, 1);
    g.triangles.pop_back();   // one triangle: lower right half of the square
    for (auto &d : g.ddh) d = {0};
    s.add(g);
    s.add(test::drawn({1}));
    ASSERT_EQ(load(s), 0) << last.message;
    render();
    // Fully lit: the shading table's last row gives the colour itself.
    int inside = 0;
    for (int y = 0; y < pich; ++y)
        for (int x = 0; x < picw; ++x)
            if (px(x, y) == halftone_at(200, 100, 50, x, y)) ++inside;
            else ASSERT_EQ(px(x, y), halftone_at(40, 0, 0, x, y)) << x << "," << y;
    EXPECT_GT(inside, 100);
    EXPECT_EQ(px(picw / 2 + 3, pich / 2 + 3), halftone_at(200, 100, 50, picw / 2 + 3, pich / 2 + 3));
}

TEST_F(Frame, NothingButBackgroundWhenNothingCanBeSeen) {
    scene_desc s = facing(255, 0, 0);
    s.add(square(1, 1, -20, -1, 1, -1, 1));  // behind the camera (y = -4)
    s.add(square(2, 1, 0, 40, 42, -1, 1));   // far off to the right
    s.add(square(3, 1, 0, -1, 1, 0, 0));     // collinear: no area
    // Edge-on: the plane z = 0 holds the camera.
    geometry_desc &edge = s.add(square(4, 1, 0, -1, 1, -1, 1));
    edge.points = {{-1, -1, 0, 0, 0, 0}, {1, -1, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0}, {-1, 1, 0, 0, 0, 0}};
    edge.triangles = {{0, 1, 2, 0, 0, 1}, {0, 2, 3, 0, 0, 1}};
    s.add(test::drawn({1, 2, 3, 4}));
    ASSERT_EQ(load(s), 0) << last.message;
    render();
    const std::vector<uint8_t> seen = bits;
    EXPECT_EQ(seen, backgroundonly());
}

// Two squares overlapping on screen in x -0.5..0.5; `rednear` puts the red
// one nearer. Tilted so that their depth ranges overlap and they form one
// merged group.
void twosquares(scene_desc &s, bool rednear) {
    geometry_desc red = square(1, 1, 0, -2, 0.5f, -1, 1);
    geometry_desc blue = square(2, 2, 0, -0.5f, 2, -1, 1);
    for (auto &p : red.points) p.y = (rednear ? -0.5f : 0.5f) + 0.1f * p.x;
    for (auto &p : blue.points) p.y = (rednear ? 0.5f : -0.5f) - 0.1f * p.x;
    s.add(red);
    s.add(blue);
    material_desc b = s.objects[0].material;
    b.texture_no = 2, b.red = 0, b.blue = 255;
    s.add(b);
    s.add(test::drawn({1, 2}, 10));
}

// Either square nearer; or the red one turned around so that it faces away
// entirely and takes no part in its group.
TEST_F(Frame, OverlappingSquaresShowTheNearerOne) {
    const std::vector<uint8_t> bg = backgroundonly();
    enum { rednear, bluenear, redaway };
    for (int c : {rednear, bluenear, redaway}) {
        SCOPED_TRACE(c);
        scene_desc s = facing(255, 0, 0);
        twosquares(s, c != bluenear);
        if (c == redaway)
            for (auto &t : s.objects[4].geometry.triangles) std::swap(t.pt2, t.pt3);
        ASSERT_EQ(load(s), 0) << last.message;
        render();
        const int cx = picw / 2, cy = pich / 2;
        // Pure colours lie on the cube: no dithering.
        const uint8_t red = halftone_at(255, 0, 0, 0, 0), blue = halftone_at(0, 0, 255, 0, 0);
        EXPECT_EQ(px(cx, cy), c == rednear ? red : blue);
        EXPECT_EQ(px(cx - 12, cy), c == redaway ? bg[size_t(cy) * picw + cx - 12] : red);
        EXPECT_EQ(px(cx + 12, cy), blue);
        deleterenlstruct();
    }
}

// Equal shades without highlights take the flat filler; faceted types go by
// vertex 1; a faceted cylindrical entry is drawn flat in a merged group;
// unknown types have no filler.
TEST(PickFiller, ByRenderTypeAndValues) {
    sn1 = sn2 = sn3 = 100;
    hl1 = hl2 = hl3 = 0;
    EXPECT_EQ(pickfiller(100, false), f08000);
    sn2 = 90;
    EXPECT_EQ(pickfiller(100, false), s08000);
    hl3 = 4;
    EXPECT_EQ(pickfiller(120, false), s08110);
    EXPECT_EQ(pickfiller(10, false), f08100);
    sn1 = sn2 = sn3 = 50;
    hl2 = 3;
    EXPECT_EQ(pickfiller(30, false), s08110);
    EXPECT_EQ(pickfiller(30, true), f08100);
    EXPECT_EQ(pickfiller(150, true), s08011);
    EXPECT_EQ(pickfiller(60, false), nullptr);
    EXPECT_EQ(pickfiller(105, false), nullptr);
}

// A spherically mapped sphere of radius 1 at the origin, 4 rings and 8
// segments, seen from (cx, cy, cz).
scene_desc mappedsphere(float cx, float cy, float cz) {
    scene_desc s;
    material_desc m;
    m.texture_no = 1, m.map_type = 2, m.map_no = 1;
    s.add(m);
    s.add(map_desc{"m.bmp", 1});
    s.add(make_sphere(1, 1, 0, 0, 0, 1, 4, 8));
    s.add(test::drawn({1}));
    camera_desc c;
    c.x = cx, c.y = cy, c.z = cz;
    s.add(c);
    return s;
}

// The angle adds its half and whole turns in double and stores the float:
// a float pi would round first and, for about a third of the points left of
// the y axis, land one step away.
TEST(Angle, TurnsAreAddedInDoubleAndStoredAsFloat) {
    const double turn = 3.141592654;
    int differ = 0, cases = 0;
    for (int i = 1; i < 400; ++i) {
        const float x = -0.013f * float(i), y = 0.37f * float(i % 23) - 4.1f;
        const float a = float(std::atan(double(y / x)));
        float want = float(a + turn);
        if (want < 0.0f) want = float(want + 2 * turn);
        float floatform = a + 3.141592654f;
        if (floatform < 0.0f) floatform += 2.0f * 3.141592654f;
        EXPECT_EQ(ang(x, y), want) << x << ", " << y;
        differ += floatform != want;
        ++cases;
        EXPECT_GE(ang(-x, y), 0.0f);
        EXPECT_LT(ang(-x, y), float(2 * turn));
    }
    EXPECT_GT(differ, cases / 10) << "the cases should include points where the two forms part";
    EXPECT_EQ(ang(0.0f, 1.0f), float(turn / 2));
    EXPECT_EQ(ang(0.0f, -1.0f), float(1.5 * turn));
    EXPECT_EQ(ang(0.0f, 0.0f), float(1.5 * turn));
}

TEST_F(Frame, SphericalPolesAndTheSeam) {
    test::writemap(dir.file("m.bmp"), 8, 8);
    for (bool above : {true, false}) {
        SCOPED_TRACE(above);
        ASSERT_EQ(load(mappedsphere(0.5f, -6, above ? 6 : -6)), 0) << last.message;
        rendlist();
        mem_render_entry_s *e = reapbase;
        ASSERT_NE(e, nullptr);
        ASSERT_EQ(e->type, 120);
        loadmat(e);
        grp.clear();
        ASSERT_TRUE(lightpoints(e, false));
        // The cap triangles around azimuth pi: their ring vertices map near
        // 5461, so the seam rule leaves the pole's value alone.
        // Triangles: north cap, two bands of 2 x 8, south cap; the pole is
        // vertex 1 of every cap triangle.
        ASSERT_TRUE(prepare(e, above ? 4 : 8 + 4 * 8 + 4));
        EXPECT_EQ(stx1, 5461);
        EXPECT_EQ(sty1, above ? 5460 : 0);
        deletefilestruct();
        deleterenlstruct();
    }
    // A triangle across azimuth 0: the small values are moved up a turn.
    ASSERT_EQ(load(mappedsphere(6, -0.5f, 1)), 0) << last.message;
    rendlist();
    loadmat(reapbase);
    grp.clear();
    ASSERT_TRUE(lightpoints(reapbase, false));
    // Band triangle at ring 1, segment 7: azimuths 7/8 and 8/8 of a turn.
    ASSERT_TRUE(prepare(reapbase, 8 + 2 * 7));
    EXPECT_LE(std::max({stx1, stx2, stx3}) - std::min({stx1, stx2, stx3}), 5461);
    EXPECT_EQ(std::max({stx1, stx2, stx3}), 10922);   // azimuth 0 counted as a full turn
}

TEST_F(Frame, TransparencyOnAFlatObjectMapsToColumnZero) {
    scene_desc s = facing(100, 150, 200);
    s.objects[0].material.trans = 0.5f;
    s.add(square(1, 1, 0, 0, 0, -1, 1));   // xmin = xmax: a square edge-on in x...
    s.objects.back().geometry.points = {{0, -1, -1, 0, 0, 0}, {0, 1, -1, 0, 0, 0}, {0, 1, 1, 0, 0, 0}, {0, -1, 1, 0, 0, 0}};
    s.objects.back().geometry.triangles = {{0, 2, 1, -1, 0, 0}, {0, 3, 2, -1, 0, 0}};
    s.add(test::drawn({1}));
    s.objects[1].camera.x = -10, s.objects[1].camera.y = 0.5f;   // ...seen from -x
    ASSERT_EQ(load(s), 0) << last.message;
    rendlist();   // builds the render list; reapbase is its first entry
    mem_render_entry_s *e = reapbase;
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->type, 50);
    loadmat(e);
    EXPECT_EQ(tmapfacx, 16383.0f);
    grp.clear();
    ASSERT_TRUE(lightpoints(e, false));
    ASSERT_TRUE(prepare(e, 0));
    EXPECT_EQ((std::vector<int>{stx1, stx2, stx3}), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(std::max({sty1, sty2, sty3}), 16383);
}

}  // namespace
}  // namespace vortella
