// Triangle clipping: plane tests, cuts, the two-piece split, projection and
// the hand-over to the filler.
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "pipeline/pipeline.h"
#include "rastertest.h"

namespace vortella {
namespace {

using v3 = std::vector<int>;
struct handed_s {
    v3 x, y, n, h, tx;
};
std::vector<handed_s> calls;

int record() {
    calls.push_back({{x1, x2, x3}, {y1, y2, y3}, {n1, n2, n3}, {h1, h2, h3}, {tx1, tx2, tx3}});
    return 0;
}

struct Clip : ::testing::Test {
    testpic pic;
    float px, pz, ty, tz;   // points exactly on the right and the top plane
    void SetUp() override {
        pic.make(320, 200);
        camd = 100.0f;
        calcvt();
        calls.clear();
        // The plane test's two products are then one product with both signs.
        px = vr33 * 16, pz = -vr13 * 16;
        ty = -vt33 * 16, tz = vt23 * 16;
    }
};

TEST_F(Clip, InsideTrianglesAreProjectedAndHandedOver) {
    clipt2(record, 0, 0, 0, 10, 1, 2, 3, 4, 2, 1, 8, 5, 6, 7, 8, -4, -2, 16, 9, 10, 11, 12);
    clipt1(record, 0, 0, 0, 10, 1, 2, 2, 1, 8, 3, 4, -4, -2, 16, 5, 6);
    n2 = -7;
    clipt0(record, 0, 0, 0, 10, 2, 1, 8, -4, -2, 16, 33, 44);
    ASSERT_EQ(calls.size(), 3u);
    for (const handed_s &c : calls) {   // x = picw1 + pich1 X / Z, y = pich1 - 1 + pich1 Y / Z
        EXPECT_EQ(c.x, v3({160, 185, 135}));
        EXPECT_EQ(c.y, v3({99, 111, 86}));
    }
    EXPECT_EQ(calls[0].n, v3({1, 5, 9}));
    EXPECT_EQ(calls[0].h, v3({2, 6, 10}));
    EXPECT_EQ(calls[0].tx, v3({3, 7, 11}));
    EXPECT_EQ(calls[1].n, v3({1, 3, 5}));
    EXPECT_EQ(calls[1].h, v3({2, 4, 6}));
    EXPECT_EQ(v3({calls[2].n[0], calls[2].h[0], calls[2].n[1]}), v3({33, 44, -7}));   // n2 untouched
}

TEST_F(Clip, OnPlaneCases) {
    // On the plane, the others inside: not cut. The right plane projects to
    // x = picw (limited), the top plane to y = -1 (raised).
    clipt2(record, 0, px, 0, pz, 0, 0, 777, 1, 0, 0, 10, 0, 0, 3, 2, 1, 1, 10, 0, 0, 5, 4);
    clipt2(record, 0, 0, ty, tz, 0, 0, 777, 1, 0, 0, 10, 0, 0, 3, 2, 1, 1, 10, 0, 0, 5, 4);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(v3({calls[0].x[0], calls[0].tx[0], calls[1].y[0], calls[1].tx[0]}), v3({picw_1, 777, 0, 777}));
    // Two outside and one on the plane, or all in it: dropped.
    calls.clear();
    clipt0(record, 0, px, 0, pz, 100, 0, 10, 50, 5, 10, 1, 1);
    clipt0(record, 0, px, 0, pz, px, 3, pz, 2 * px, 1, 2 * pz, 1, 1);
    EXPECT_TRUE(calls.empty());
    // One outside, one on, one inside: one triangle, sorted by distance; the
    // outside vertex moves onto the plane, the one on it stays.
    clipt2(record, 0, 40, 0, 10, 0, 0, 1000, 0, px, 0, pz, 0, 0, 555, 0, 0, 0, 10, 0, 0, 0, 0);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].x, v3({picw_1, picw_1, 160}));
    EXPECT_EQ(calls[0].tx[1], 555);
    EXPECT_TRUE(calls[0].tx[0] > 0 && calls[0].tx[0] < 1000);
}

TEST_F(Clip, OneVertexOutsideSplitsIntoTwoSharingAnEdge) {
    clipt2(record, 0, 40, 0, 10, 0, 0, 900, 0, 0, 2, 10, 0, 0, 100, 0, 0, -2, 10, 0, 0, 200, 0);
    ASSERT_EQ(calls.size(), 2u);
    const handed_s &a = calls[0], &b = calls[1];
    // (P13, P12, vertex 3) and then (T, P12, vertex 3).
    EXPECT_EQ(v3({a.x[0], a.x[1], a.tx[2], b.x[0], b.tx[0]}), v3({picw_1, picw_1, 200, 160, 100}));
    for (int i = 1; i < 3; ++i) EXPECT_TRUE(a.x[i] == b.x[i] && a.y[i] == b.y[i] && a.tx[i] == b.tx[i]);
    EXPECT_TRUE(a.tx[0] > 200 && a.tx[0] < 900);   // cut values lie between
    // Crossing the top plane: no row above the top is handed over.
    calls.clear();
    clipt0(record, 0, 0, -30, 10, 3, 1, 10, -3, 2, 10, 0, 0);
    ASSERT_EQ(calls.size(), 2u);
    for (const handed_s &c : calls) EXPECT_GE(*std::min_element(c.y.begin(), c.y.end()), 0);
}

TEST_F(Clip, PieceThroughTheEyeOrBadPlaneIsNotDrawn) {
    clipt0(record, 0, 0, 0, 0, 1, 0, 10, 0, 1, 10, 0, 0);
    clipt0(record, 4, 0, 0, 10, 1, 0, 10, 0, 1, 10, 0, 0);
    clipt0(record, -1, 0, 0, 10, 1, 0, 10, 0, 1, 10, 0, 0);
    EXPECT_TRUE(calls.empty());
}

// Random triangles, huge, tiny and degenerate ones included, through all
// four planes into real fillers: the hand-over lies inside the picture, cut
// texture coordinates stay in range, nothing outside the picture is written.
int checked() {
    for (int x : {x1, x2, x3}) EXPECT_TRUE(x >= 0 && x <= picw_1);
    for (int y : {y1, y2, y3}) EXPECT_TRUE(y >= 0 && y <= pich_1);
    for (int t : {tx1, ty1, tx2, ty2, tx3, ty3}) EXPECT_TRUE(t >= 0 && t <= 16383);
    calls.push_back({});
    return calls.size() % 8 ? f08000() : s08110();
}

TEST_F(Clip, RandomTrianglesStayInsideThePicture) {
    std::unique_ptr<testmat> mat(new testmat);
    mat->use();
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const float scales[] = {1e-30f, 1.0f, 50.0f, 1e6f, 1e30f, 3e38f};
    for (int i = 0; i < 4000; ++i) {
        float p[9];
        const float s = scales[rng() % 6];
        for (float &c : p) c = u(rng) * s;
        if (i % 3 == 0) p[2] = p[5] = p[8] = std::fabs(p[2]) + s * 0.1f;                  // in front
        if (i % 7 == 0) p[0] = p[1] = p[2] = 0;                                           // the eye
        if (i % 11 == 0) p[6] = 2 * p[3] - p[0], p[7] = 2 * p[4] - p[1], p[8] = 2 * p[5] - p[2];
        if (i % 13 == 0) p[3] = p[0], p[4] = p[1], p[5] = p[2];                           // repeated
        auto a = [&](unsigned n) { return int(rng() % n); };
        clipt2(checked, 0, p[0], p[1], p[2], a(256), a(32), a(16384), a(16384), p[3], p[4], p[5],
               a(256), a(32), a(16384), a(16384), p[6], p[7], p[8], a(256), a(32), a(16384), a(16384));
        ASSERT_TRUE(pic.guards_intact()) << "triangle " << i;
    }
    EXPECT_GT(calls.size(), 1000u);
}

// Preparing many points at once (four at a time where the processor can)
// gives every point the bits preparing it alone gives: points of every
// scale, on and behind the view plane, the eye, NaN and infinities.
TEST_F(Clip, PreparingPointsTogetherAndAlone) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const float scales[] = {1e-30f, 0.01f, 1.0f, 50.0f, 1e6f, 1e30f, 3e38f};
    const float odd[] = {std::nanf(""), INFINITY, -INFINITY, 0.0f, -0.0f};
    std::vector<clipv_s> all(20003);
    for (size_t i = 0; i < all.size(); ++i) {
        clipv_s &p = all[i];
        const float s = scales[rng() % 7];
        p = clipv_s{u(rng) * s, u(rng) * s, u(rng) * s, 0, 0, 0, 0, 0};
        if (i % 2) p.z = std::fabs(p.z);
        if (i % 17 == 0) (i % 3 ? p.x : p.z) = odd[rng() % 5];
    }
    all[7].x = all[7].y = all[7].z = 0.0f;
    all[17].y = std::nanf("");
    std::vector<clipv_s> one = all;
    clipprep(all.data(), int(all.size()));
    for (clipv_s &p : one) clipprep(&p, 1);
    for (size_t i = 0; i < all.size(); ++i) {
        const clipv_s &a = all[i], &b = one[i];
        ASSERT_TRUE(std::memcmp(&a.x, &b.x, 3 * sizeof a.x) == 0 && a.px == b.px && a.py == b.py &&
                    a.front == b.front && a.in == b.in && a.out == b.out)
            << "point " << i << " (" << b.x << ", " << b.y << ", " << b.z << ")";
    }
    // The eye lies in every plane: on both sides of each; a NaN point on
    // neither side of any.
    EXPECT_EQ(all[7].in, 15);
    EXPECT_EQ(all[7].out, 15);
    EXPECT_EQ(all[17].in | all[17].out, 0);
}

}  // namespace
}  // namespace vortella
