// The scene writer's refusals and the shapes it is given.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "authoring/primitives.h"
#include "support/testutil.h"

namespace vortella {
namespace {

TEST(Writer, RefusesWhatTheFormatCannotHold) {
    scene_desc s;
    material_desc m;
    m.texture_no = 32768;
    s.add(m);
    EXPECT_THROW(write_scene(s), std::invalid_argument);

    scene_desc t;
    material_desc n;
    n.name = std::string(32, 'x');   // 31 characters and the terminator fit
    t.add(n);
    EXPECT_THROW(write_scene(t), std::invalid_argument);
    t.objects[0].material.name.pop_back();
    EXPECT_NO_THROW(write_scene(t));

    scene_desc u;
    geometry_desc g;
    g.points.resize(26667);
    u.add(g);
    try {
        write_scene(u);
        FAIL();
    } catch (const std::invalid_argument &e) {
        EXPECT_NE(std::string(e.what()).find("object 0"), std::string::npos);
    }

    test::tempdir dir;
    std::string err;
    EXPECT_FALSE(write_scene_file(u, dir.file("u.vtl"), &err));
    EXPECT_NE(err.find("u.vtl"), std::string::npos);
    EXPECT_FALSE(write_scene_file(t, dir.file("no/such/dir/t.vtl"), &err));
}

TEST(Writer, BoundingBoxComesFromThePointsUnlessGiven) {
    scene_desc s;
    geometry_desc g = make_box(1, 1, 1, 2, 3, 0.5f, 1, 2);
    s.add(g);
    geometry_desc h = g;
    h.geom_no = 2;
    h.box = true;
    h.xmin = -9;
    s.add(h);
    std::vector<uint8_t> b = write_scene(s);
    float xmin, zmax;
    std::memcpy(&xmin, &b[24 + 2 + 38], 4);
    std::memcpy(&zmax, &b[24 + 2 + 58], 4);
    EXPECT_EQ(xmin, 0.5f);
    EXPECT_EQ(zmax, 5.0f);
}

// Every triangle of a closed shape faces away from its centre.
void faces_outward(const geometry_desc &g, float cx, float cy, float cz) {
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        float vx = b.x - a.x, vy = b.y - a.y, vz = b.z - a.z;
        float wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        float nx = vy * wz - vz * wy, ny = vz * wx - vx * wz, nz = vx * wy - vy * wx;
        float mx = (a.x + b.x + c.x) / 3 - cx, my = (a.y + b.y + c.y) / 3 - cy, mz = (a.z + b.z + c.z) / 3 - cz;
        ASSERT_GT(nx * mx + ny * my + nz * mz, 0.0f);
        if (g.faceted) {
            ASSERT_GT(t.nx * mx + t.ny * my + t.nz * mz, 0.0f);
        }
    }
}

TEST(Primitives, ShapesAreClosedAndFaceOutward) {
    geometry_desc box = make_box(1, 1, 1, 2, 3, 1, 1, 1);
    EXPECT_EQ(box.triangles.size(), 12u);
    faces_outward(box, 1, 2, 3);
    geometry_desc ball = make_sphere(2, 1, 0, 0, 0, 2, 5, 7);
    EXPECT_EQ(ball.points.size(), 2u + 4 * 7);
    EXPECT_EQ(ball.triangles.size(), 2u * 7 + 2 * 3 * 7);
    faces_outward(ball, 0, 0, 0);
    for (const points_s &p : ball.points) EXPECT_NEAR(std::sqrt(p.nx * p.nx + p.ny * p.ny + p.nz * p.nz), 1, 1e-5);
    EXPECT_EQ(ball.ddh[17].size(), ball.triangles.size());
}

// The cap points are made from the side points while points are still being
// added: each must sit exactly below or above its side point on the rim.
TEST(Primitives, CylinderCapsShareTheRim) {
    for (int segs : {3, 5, 16, 33}) {
        geometry_desc c = make_cylinder(1, 1, 0.5f, -1, 0, 2, 1.5f, segs, false);
        ASSERT_EQ(c.points.size(), size_t(4 * segs + 2));
        for (int j = 0; j < segs; ++j) {
            const points_s &side = c.points[size_t(2 * j)], &cap = c.points[size_t(2 * segs + 2 * j)];
            EXPECT_EQ(cap.x, side.x) << segs << " sides, point " << j;
            EXPECT_EQ(cap.y, side.y) << segs << " sides, point " << j;
            EXPECT_EQ(cap.nz, -1.0f);
        }
        faces_outward(c, 0.5f, -1, 1);
    }
}

}  // namespace
}  // namespace vortella
