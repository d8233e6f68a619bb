// The shapes the demo scenes are made of: solids closed without gaps and
// facing outward, normals that agree with the winding, volumes and areas
// that say the caps and copies are all there.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <tuple>

#include "authoring/primitives.h"

namespace vortella {
namespace {

constexpr double pi = 3.14159265358979;

using key = std::tuple<long, long, long>;
key at(const points_s &p) { return {std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)}; }

// Every edge, matched by the places of its ends (rings split at a crease
// are separate points at one place), is crossed once each way: the
// surface has no gap and its triangles all turn the same way.
void closed(const geometry_desc &g) {
    std::map<std::pair<key, key>, int> edges;
    for (const trianglef_s &t : g.triangles) {
        const int c[3] = {t.pt1, t.pt2, t.pt3};
        for (int k = 0; k < 3; ++k) ++edges[{at(g.points[c[k]]), at(g.points[c[(k + 1) % 3]])}];
    }
    for (const auto &[e, n] : edges) {
        ASSERT_EQ(n, 1) << "an edge crossed twice the same way";
        const auto back = edges.find({e.second, e.first});
        ASSERT_TRUE(back != edges.end()) << "an open edge";
    }
}

// The enclosed volume by the divergence theorem: positive when the
// triangles face outward.
double volume(const geometry_desc &g) {
    double v = 0;
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        v += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) - double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
              double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) / 6;
    }
    return v;
}

// The normals written with the shape (the points' for smooth shapes, the
// triangles' for faceted ones) lie on the side the winding faces.
void normals_agree(const geometry_desc &g) {
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        const double vx = b.x - a.x, vy = b.y - a.y, vz = b.z - a.z, wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const double nx = vy * wz - vz * wy, ny = vz * wx - vx * wz, nz = vx * wy - vy * wx;
        ASSERT_GT(nx * nx + ny * ny + nz * nz, 0) << "a triangle without area";
        if (g.faceted) {
            ASSERT_GT(nx * t.nx + ny * t.ny + nz * t.nz, 0);
        } else {
            for (const points_s *p : {&a, &b, &c}) ASSERT_GT(nx * p->nx + ny * p->ny + nz * p->nz, 0);
        }
    }
}

TEST(Shapes, LatheSolidsAreClosedWithSharpEdgesWhereTheProfileBends) {
    // A cylinder of radius 1 and height 2: flat ends, sharp rims.
    const int segs = 24;
    geometry_desc c = make_lathe(1, 1, 3, -2, {{0, 0}, {1, 0}, {1, 2}, {0, 2}}, segs);
    closed(c);
    normals_agree(c);
    EXPECT_NEAR(volume(c), segs / 2.0 * std::sin(2 * pi / segs) * 2, 1e-4);
    for (const trianglef_s &t : c.triangles) {
        const points_s &p = c.points[t.pt1], &q = c.points[t.pt2], &r = c.points[t.pt3];
        if (p.z == q.z && q.z == r.z) {
            EXPECT_EQ(std::fabs(p.nz), 1.0f);   // the ends face straight up or down
        } else {
            EXPECT_EQ(p.nz, 0.0f);              // the side straight out
        }
    }
    // A ball-like profile bends a little at every point: smooth throughout,
    // one ring per point.
    std::vector<profile_point> arc;
    for (int i = 0; i <= 12; ++i) arc.push_back({float(std::sin(pi * i / 12)), float(-std::cos(pi * i / 12))});
    geometry_desc b = make_lathe(2, 1, 0, 0, arc, 16, true);
    EXPECT_EQ(b.points.size(), 2u + 11 * 16);
    closed(b);
    normals_agree(b);
    EXPECT_NEAR(volume(b), 4 * pi / 3, 0.25);
}

TEST(Shapes, LatheVesselHasWallsThatFaceOutAndIn) {
    // Up the outside, over the rim, down the inside to a floor above the
    // foot: a cup whose walls enclose the volume between two cylinders.
    geometry_desc cup = make_lathe(1, 1, 0, 0, {{0, 0}, {1, 0}, {1, 1}, {0.9f, 1}, {0.9f, 0.1f}, {0, 0.1f}}, 32);
    closed(cup);
    normals_agree(cup);
    const double ring = 16 * std::sin(2 * pi / 32);
    EXPECT_NEAR(volume(cup), ring * (1 * 1 - 0.81 * 0.9), 1e-3);
    bool inward = false;
    for (const points_s &p : cup.points) inward |= p.x * p.nx + p.y * p.ny < -0.5f;
    EXPECT_TRUE(inward) << "the inner wall faces the axis";
}

TEST(Shapes, ExtrusionOfANonConvexOutlineKeepsItsArea) {
    // A cog outline: 12 teeth, its corners alternately in and out.
    std::vector<std::array<float, 2>> cog;
    double area = 0;
    for (int i = 0; i < 48; ++i) {
        const double a = 2 * pi * i / 48, r = (i / 2) % 2 ? 1.0 : 1.3;
        cog.push_back({float(r * std::cos(a)), float(r * std::sin(a))});
    }
    for (size_t i = 0; i < cog.size(); ++i) {
        const auto &p = cog[i], &q = cog[(i + 1) % cog.size()];
        area += (double(p[0]) * q[1] - double(q[0]) * p[1]) / 2;
    }
    geometry_desc g = make_extrusion(1, 1, cog, -0.25f, 0.25f);
    EXPECT_TRUE(g.faceted);
    closed(g);
    normals_agree(g);
    EXPECT_NEAR(volume(g), area * 0.5, 1e-4);
    // The same with its caps fanned round the middle.
    const std::array<float, 2> hub = {0, 0};
    geometry_desc f = make_extrusion(1, 1, cog, -0.25f, 0.25f, &hub);
    closed(f);
    normals_agree(f);
    EXPECT_NEAR(volume(f), area * 0.5, 1e-4);
    EXPECT_EQ(f.triangles.size(), 4 * cog.size());
    // An L whose reflex corner a fan from the first point would cut across.
    geometry_desc l = make_extrusion(2, 1, {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, 0, 1);
    closed(l);
    normals_agree(l);
    EXPECT_NEAR(volume(l), 3, 1e-5);
}

TEST(Shapes, HeightFieldFollowsItsHeightsWithNormalsAcrossTheSlope) {
    geometry_desc g = make_heightfield(1, 1, -2, -1, 2, 1, 8, 4, [](float x, float y) { return 0.5f * x - 0.25f * y; },
                                       false);
    ASSERT_EQ(g.points.size(), 9u * 5);
    EXPECT_EQ(g.triangles.size(), 2u * 8 * 4);
    normals_agree(g);
    const double n = std::sqrt(1 + 0.25 + 0.0625);
    for (const points_s &p : g.points) {
        EXPECT_NEAR(p.z, 0.5 * p.x - 0.25 * p.y, 1e-5);
        EXPECT_NEAR(p.nx, -0.5 / n, 1e-5);
        EXPECT_NEAR(p.ny, 0.25 / n, 1e-5);
    }
    // A ridge along a diagonal of every cell is kept as an edge: no
    // triangle straddles it.
    geometry_desc ridge = make_heightfield(2, 1, 0, 0, 4, 4, 4, 4, [](float x, float y) { return -std::fabs(x - y); },
                                           true);
    for (const trianglef_s &t : ridge.triangles) {
        int above = 0, below = 0;
        for (int c : {t.pt1, t.pt2, t.pt3}) {
            const points_s &p = ridge.points[c];
            above += p.x - p.y > 1e-6f, below += p.x - p.y < -1e-6f;
        }
        EXPECT_FALSE(above && below);
    }
}

TEST(Shapes, KnotTubeIsClosedAtItsSeamAndKeepsItsRadius) {
    const float R = 2, a = 0.8f, r = 0.25f;
    geometry_desc k = make_torus_knot(1, 1, 1, 2, 3, 2, 3, R, a, r, 120, 8);
    EXPECT_EQ(k.points.size(), 120u * 8);
    closed(k);
    normals_agree(k);
    // The tube of a straight-ish curve encloses about its length times its
    // cross-section (an octagon); the knot's length is measured along it.
    double len = 0;
    for (int i = 0; i < 2000; ++i) {
        auto c = [&](double t) {
            const double u = 2 * pi * t, w = R + a * std::cos(3 * u);
            return std::array<double, 3>{w * std::cos(2 * u), w * std::sin(2 * u), a * std::sin(3 * u)};
        };
        const auto p = c(i / 2000.0), q = c((i + 1) / 2000.0);
        len += std::hypot(q[0] - p[0], q[1] - p[1], q[2] - p[2]);
    }
    EXPECT_NEAR(volume(k), len * 4 * std::sin(2 * pi / 8) * r * r, 0.03 * volume(k));
    // Each ring's points lie r from its centre and its normals point at them.
    for (int i = 0; i < 120; ++i) {
        double cx = 0, cy = 0, cz = 0;
        for (int j = 0; j < 8; ++j) {
            const points_s &p = k.points[size_t(i * 8 + j)];
            cx += p.x / 8, cy += p.y / 8, cz += p.z / 8;
        }
        for (int j = 0; j < 8; ++j) {
            const points_s &p = k.points[size_t(i * 8 + j)];
            EXPECT_NEAR(std::hypot(p.x - cx, p.y - cy, p.z - cz), r, 1e-3);
            EXPECT_NEAR(p.x - cx, r * p.nx, 1e-3);
        }
    }
}

TEST(Shapes, RingsAndGridsCopyTheShapeToItsPlaces) {
    const geometry_desc box = make_box(1, 1, 0, 0, 0, 0.1f, 0.2f, 0.3f);
    geometry_desc ring = ring_of(box, 6, 5, float(pi / 6));
    ASSERT_EQ(ring.triangles.size(), 6u * 12);
    closed(ring);
    normals_agree(ring);
    EXPECT_NEAR(volume(ring), 6 * 0.2 * 0.4 * 0.6, 1e-4);
    for (int k = 0; k < 6; ++k) {
        double cx = 0, cy = 0;
        for (int i = 0; i < 8; ++i) cx += ring.points[size_t(k * 8 + i)].x / 8, cy += ring.points[size_t(k * 8 + i)].y / 8;
        EXPECT_NEAR(cx, 5 * std::cos(pi / 6 + 2 * pi * k / 6), 1e-4);
        EXPECT_NEAR(cy, 5 * std::sin(pi / 6 + 2 * pi * k / 6), 1e-4);
    }
    geometry_desc grid = grid_of(box, 3, 2, 2, 4);
    ASSERT_EQ(grid.points.size(), 6u * 8);
    closed(grid);
    float lo = 1e9f, hi = -1e9f;
    for (const points_s &p : grid.points) lo = std::min(lo, p.y), hi = std::max(hi, p.y);
    EXPECT_FLOAT_EQ(lo, -2.2f);
    EXPECT_FLOAT_EQ(hi, 2.2f);
}

TEST(Shapes, TurnsMoveNormalsWithThePointsAndTwoSidedSheetsShowBothFaces) {
    geometry_desc c = make_lathe(1, 1, 0, 0, {{0, 0}, {1, 0}, {1, 2}, {0, 2}}, 12);
    const double v = volume(c);
    turn(c, 0, 1, 0, float(pi / 2));   // lies along x now
    shift(c, 1, 2, 3);
    closed(c);
    normals_agree(c);
    EXPECT_NEAR(volume(c), v, 1e-4);
    for (const points_s &p : c.points) EXPECT_GE(p.x, 1 - 1e-5f);
    geometry_desc sheet = make_heightfield(1, 1, 0, 0, 1, 1, 2, 2, [](float, float) { return 0.0f; }, false);
    two_sided(sheet);
    normals_agree(sheet);
    ASSERT_EQ(sheet.triangles.size(), 16u);
    // Each face and its twin: the same corners, normals opposite.
    for (size_t i = 0; i < 8; ++i) {
        const points_s &p = sheet.points[size_t(sheet.triangles[i].pt1)];
        const points_s &q = sheet.points[size_t(sheet.triangles[i + 8].pt1)];
        EXPECT_EQ(at(p), at(q));
        EXPECT_EQ(p.nz, -q.nz);
    }
}

}  // namespace
}  // namespace vortella
