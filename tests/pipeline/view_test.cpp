// The view transform, the view-pyramid rotations and point projection.
#include <climits>
#include <cmath>
#include <random>

#include "pipe_store.h"

namespace vortella {
namespace {

using ViewTest = PipeTest;

void project(float x, float y, float z) {
    ux = x, uy = y, uz = z;
    transfsc();
}

TEST_F(ViewTest, TargetAtCentreAndFlipFollowsDisplaySetting) {
    calct();
    project(0, 0, 0);
    EXPECT_EQ(sx, 160);
    EXPECT_EQ(sy, 100);
    EXPECT_FLOAT_EQ(vz, 10);
    project(1, 0, 1);
    EXPECT_GT(vx, 0);
    EXPECT_GT(vy, 0);
    iminv = 0;
    calct();
    project(0, 0, 1);
    EXPECT_LT(vy, 0);
    // Top-down rows: the same screen look needs the opposite row direction.
    Orientation = -1;
    calct();
    project(0, 0, 1);
    EXPECT_GT(vy, 0);
    iminv = 1;
    calct();
    project(0, 0, 1);
    EXPECT_LT(vy, 0);
}

TEST_F(ViewTest, MatchesClosedFormForRandomCameras) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-50, 50);
    for (int n = 0; n < 2000; ++n) {
        camx = u(rng), camy = u(rng), camz = u(rng), tarx = u(rng), tary = u(rng), tarz = u(rng);
        iminv = n & 1;
        calct();
        double dx = camx - tarx, dy = camy - tary, dz = camz - tarz, h = std::hypot(dx, dy);
        double L = std::hypot(h, dz), px = u(rng), py = u(rng), pz = u(rng);
        project(float(px), float(py), float(pz));
        double qx = px - tarx, qy = py - tary, qz = pz - tarz, g = (qx * dx + qy * dy) / h;
        EXPECT_NEAR(vx, 1.5 * (qy * dx - qx * dy) / h, 1e-3);
        EXPECT_NEAR(vy, 1.5 * (iminv ? 1 : -1) * (qz * h - g * dz) / L, 1e-3);
        EXPECT_NEAR(vz, L - (qx * dx + qy * dy + qz * dz) / L, 1e-3);
    }
}

TEST_F(ViewTest, ProjectionTruncatesAndNeverConvertsUndefined) {
    calct();
    project(-16.07f, 5, 0);   // column -0.7 (160 + 10 x at depth 15)
    EXPECT_EQ(sx, 0);
    project(-0.03f, 5, 0);    // column 159.7
    EXPECT_EQ(sx, 159);
    project(1, -10, 0);       // on the camera plane: x / 0
    EXPECT_EQ(sx, INT_MAX);
    project(0, -10, 0);       // 0 / 0
    EXPECT_EQ(sx, 0);
}

// The clipper keeps what lies at >= 0 after vr, vl, vt, vb: that must be
// exactly what projects inside the picture.
TEST_F(ViewTest, PyramidSidesAreThePictureEdges) {
    calct();
    calcvt();
    EXPECT_NEAR(vr11, 0.848, 5e-4);   // 160 / sqrt(100^2 + 160^2)
    EXPECT_NEAR(vr13, -0.530, 5e-4);
    const int sizes[][2] = {{320, 200}, {640, 480}, {16, 4}, {2048, 2048}, {2048, 4}};
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-30, 30);
    int checked = 0;
    for (const auto &sz : sizes) {
        picw = sz[0], pich = sz[1];
        for (int n = 0; n < 20000; ++n) {
            camx = u(rng), camy = u(rng), camz = u(rng), tarx = u(rng) / 8, tary = u(rng) / 8;
            focl = 0.5f + (n % 7) * 0.4f;
            calct();
            calcvt();
            project(u(rng), u(rng), u(rng));
            if (!(vz > 0)) continue;
            double col = (pich / 2) * double(vx) / vz + picw / 2, row = (pich / 2) * double(vy) / vz + pich / 2;
            // Rounding may decide points within a hair of an edge either way.
            double eps = 1e-3 * (1 + std::fabs(col) + std::fabs(row));
            if (std::fabs(col - picw) > eps) { EXPECT_EQ(vx * vr13 + vz * vr33 >= 0, col <= picw); }
            if (std::fabs(col) > eps) { EXPECT_EQ(vx * vl13 + vz * vl33 >= 0, col >= 0); }
            if (std::fabs(row) > eps) { EXPECT_EQ(vy * vt23 + vz * vt33 >= 0, row >= 0); }
            if (std::fabs(row - pich) > eps) { EXPECT_EQ(vy * vb23 + vz * vb33 >= 0, row <= pich); }
            ++checked;
        }
    }
    EXPECT_GT(checked, 30000);
}

TEST_F(ViewTest, CameraAboveOrOnTargetOrNotFinite) {
    camy = 0, camz = 10;   // straight above: looks down with +y up
    calct();
    project(0, 1, -5);
    EXPECT_FLOAT_EQ(vz, 15);
    EXPECT_GT(vy, 0);
    camz = 0;              // on the target: looks along +y
    calct();
    project(1, 3, 0);
    EXPECT_FLOAT_EQ(vz, 3);
    EXPECT_GT(vx, 0);
    const float keep[] = {tc11, tc22, tc23, tc41, tc43, scr_ratio};
    camx = std::nanf("");   // keeps the last transform
    calct();
    camx = 0, camy = 3e19f;   // its square overflows
    calct();
    const float now[] = {tc11, tc22, tc23, tc41, tc43, scr_ratio};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(now[i], keep[i]);
}

}  // namespace
}  // namespace vortella
