// The view transform and pyramid, point projection, camera motion steps and
// the light, highlight, facing and texture frames.
#include <climits>
#include <cmath>
#include <random>

#include "pipe_store.h"

namespace vortella {
namespace {

using ViewTest = PipeTest;

void project(float x, float y, float z) { ux = x, uy = y, uz = z, transfsc(); }

TEST_F(ViewTest, TargetAtCentreAndFlipFollowsDisplaySetting) {
    calct();
    project(0, 0, 0);
    EXPECT_EQ(sx, 160);
    EXPECT_EQ(sy, 100);
    EXPECT_FLOAT_EQ(vz, 10);
    // With top-down rows (Orientation -1) the same screen look needs the
    // opposite row direction.
    const int flips[][3] = {{1, 1, 1}, {0, 1, -1}, {0, -1, 1}, {1, -1, -1}};   // iminv, Orientation, sign of vy
    for (const auto &f : flips) {
        iminv = f[0], Orientation = f[1];
        calct();
        project(1, 0, 1);
        EXPECT_GT(vx, 0);
        EXPECT_GT(vy * float(f[2]), 0) << f[0] << f[1];
    }
}

int column(float x, float y) { return project(x, y, 0), sx; }

TEST_F(ViewTest, ProjectionTruncatesAndNeverConvertsUndefined) {
    calct();
    EXPECT_EQ(column(-16.07f, 5), 0);     // column -0.7 (160 + 10 x at depth 15)
    EXPECT_EQ(column(-0.03f, 5), 159);    // column 159.7
    EXPECT_EQ(column(1, -10), INT_MAX);   // on the camera plane: x / 0
    EXPECT_EQ(column(0, -10), 0);         // 0 / 0
}

// Over random cameras, focal lengths and picture sizes the transform matches
// its closed form, and the clipper's planes (keeping what lies at >= 0 after
// vr, vl, vt, vb) are exactly the picture edges.
TEST_F(ViewTest, TransformAndPyramidSidesOverRandomCameras) {
    const int sizes[][2] = {{320, 200}, {640, 480}, {16, 4}, {2048, 2048}, {2048, 4}};
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-30, 30);
    int checked = 0;
    for (const auto &sz : sizes) {
        picw = sz[0], pich = sz[1];
        for (int n = 0; n < 20000; ++n) {
            camx = u(rng), camy = u(rng), camz = u(rng), tarx = u(rng), tary = u(rng), tarz = u(rng);
            focl = 0.5f + (n % 7) * 0.4f, iminv = n & 1;
            calct();
            calcvt();
            const double px = u(rng), py = u(rng), pz = u(rng);
            project(float(px), float(py), float(pz));
            double dx = camx - tarx, dy = camy - tary, dz = camz - tarz, h = std::hypot(dx, dy);
            double L = std::hypot(h, dz), qx = px - tarx, qy = py - tary, qz = pz - tarz, g = (qx * dx + qy * dy) / h;
            if (h > 0.5) {
                EXPECT_NEAR(vx, scr_ratio * (qy * dx - qx * dy) / h, 1e-3);
                EXPECT_NEAR(vy, scr_ratio * (iminv ? 1 : -1) * (qz * h - g * dz) / L, 1e-3);
                EXPECT_NEAR(vz, L - (qx * dx + qy * dy + qz * dz) / L, 1e-3);
            }
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
    auto state = [] { return std::vector<float>{tc11, tc22, tc23, tc41, tc43, scr_ratio}; };
    const std::vector<float> keep = state();
    camx = std::nanf("");     // keeps the last transform
    calct();
    camx = 0, camy = 3e19f;   // its square overflows
    calct();
    EXPECT_EQ(state(), keep);
}

// Camera at target (3, 4, 1) plus (x, y, z).
void place(float x, float y, float z) {
    tarx = 3, tary = 4, tarz = 1;
    camx = 3 + x, camy = 4 + y, camz = 1 + z;
}
float dist() { return std::hypot(camx - tarx, camy - tary, camz - tarz); }
// How far the camera lies from target + (x, y, z).
float off(float x, float y, float z) { return std::hypot(camx - tarx - x, camy - tary - y, camz - tarz - z); }

TEST_F(ViewTest, CameraQuarterTurnsClockwiseFromAbove) {
    place(1, 0, 2);
    CamRotRate = CamPanRate = 90;
    rotatecam();
    EXPECT_NEAR(off(0, -1, 2), 0, 1e-6);
    EXPECT_EQ(camz - tarz, 2);
    pancam();   // the target, straight ahead on +y, swings to +x
    EXPECT_NEAR(off(-1, 0, 2), 0, 1e-6);
    EXPECT_FLOAT_EQ(camx, 3);
}

TEST_F(ViewTest, CameraStartAltitudeRaisesOrIsRefused) {
    camsa = 0, camat = 10;
    place(0, -5, 2);   // x offset exactly 0
    initcam();
    EXPECT_GT(camz - tarz, 2);
    EXPECT_NEAR(dist(), std::sqrt(29.0), 1e-5);
    camsa = 90, camat = 80;   // beyond the 62.5 degree limit: only turned
    place(4, 0, 0);
    initcam();
    EXPECT_EQ(camz, tarz);
    EXPECT_NEAR(off(0, -4, 0), 0, 1e-5);
    camsa = 0, camat = 30;
    place(4, 0, 0);
    initcam();
    EXPECT_NEAR(std::atan2(camz - tarz, camx - tarx), 0.5235988, 1e-5);
}

TEST_F(ViewTest, CameraZoomSwingsAndWalks) {
    place(10, 0, 0);
    cam2tar = 10, camzrate = 2, camzfact = 2, movem = 0;
    zoomcam();
    EXPECT_NEAR(dist(), 10.2, 1e-5);
    EXPECT_EQ(tarx, 3);
    float lo = 100, hi = 0;
    for (int n = 0; n < 400; ++n) zoomcam(), lo = std::fmin(lo, dist()), hi = std::fmax(hi, dist());
    // The bounce test comes before the step: one step past each limit.
    EXPECT_TRUE(hi > 20 && hi < 20.21f) << hi;
    EXPECT_TRUE(lo > 9.09f && lo < 9.3f) << lo;
    place(0, -6, 8);
    CamZoomRate = -1;   // one unit towards the target
    zoomcamo();
    EXPECT_NEAR(dist(), 10, 1e-5);
    EXPECT_NEAR(tary, 4.6f, 1e-5);
    movem = 1, CamFHeight = 1.7f;   // walk mode: both at the walking height
    zoomcamo();
    EXPECT_EQ(camz, 1.7f);
    EXPECT_EQ(tarz, 1.7f);
    place(0, 0, 0);   // no direction: nothing moves
    zoomcamo();
    EXPECT_EQ(camy, tary);
}

// Column k (1..3) of rc applied to the point (x, y, z).
float rcat(int k, float x, float y, float z) {
    const float m[3][4] = {{rc11, rc21, rc31, rc41}, {rc12, rc22, rc32, rc42}, {rc13, rc23, rc33, rc43}};
    return x * m[k - 1][0] + y * m[k - 1][1] + z * m[k - 1][2] + m[k - 1][3];
}

// The half vector is normalize(viewer + light) for an entry at the origin,
// and the facing frame maps the view direction onto its first axis.
TEST_F(ViewTest, LightHalfVectorAndFacingFrames) {
    mem_render_entry_s e{};
    reap = &e;
    ltaz = 2.5f;   // light straight above, whatever the azimuth
    calcl();
    EXPECT_NEAR(std::hypot(lc11, lc21, lc31 - 1), 0, 1e-6);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-20, 20);
    for (int n = 0; n < 300; ++n) {
        camx = u(rng), camy = u(rng), camz = u(rng), ltal = u(rng) / 15, ltaz = u(rng) / 6;
        tarx = u(rng), tary = u(rng), tarz = u(rng);
        calcl();
        calch();
        calcr();
        EXPECT_NEAR(lc11, mc11, 1e-6);
        double d = std::hypot(camx, camy, camz), hx = camx / d + mc11, hy = camy / d + mc12, hz = camz / d + mc13;
        double h = std::hypot(hx, hy, hz);
        if (h > 1e-3) { EXPECT_NEAR(std::hypot(hc11 - hx / h, hc21 - hy / h, hc31 - hz / h), 0, 1e-4); }
        double dx = camx - tarx, dy = camy - tary, dz = camz - tarz, L = std::hypot(dx, dy, dz);
        EXPECT_NEAR(rcat(1, dx, dy, dz), L, 1e-3);
        EXPECT_NEAR(rcat(2, 0, 0, 1), std::hypot(dx, dy) / L, 1e-5);   // up
    }
    tarx = tary = tarz = camx = camy = camz = 0;   // on the target: a unit frame
    calcr();
    EXPECT_NEAR(std::hypot(rc11, rc21, rc31), 1, 1e-6);
}

TEST_F(ViewTest, HalfVectorSpecialDirections) {
    mem_render_entry_s e{};
    reap = &e;
    camy = 0, camz = -10;   // viewer below, light above: H = 0 becomes +x
    calcl();
    calch();
    EXPECT_FLOAT_EQ(hc11, 1);
    camz = 10;              // both above: vertical H, fixed frame
    calch();
    EXPECT_EQ(std::vector<float>({hc31, hc13, hc22}), std::vector<float>({1, -1, 1}));
    ltal = -1.5707964f, camz = -10;   // both below
    calcl();
    calch();
    EXPECT_EQ(hc31, -1);
    // Viewer on -y, light from -y and above: Hx = 0, Hy < 0. Rz(4.712389)
    // and Rz(-1.5707964) differ only in the sign of their rounded cosine
    // (+1.2e-8 against -4.4e-8), which hc11 carries.
    camz = 0, camy = -5, ltal = 0.5f, ltaz = -1.5707964f;
    calcl();
    calch();
    EXPECT_LT(hc21, -0.5f);
    EXPECT_GT(hc11, 0);
}

TEST_F(ViewTest, TextureFrames) {
    mem_render_entry_s e{};   // centre (0, 0, 0)
    mem_object_header_s mat{};
    mem_texture_s &m = mat.t.material;
    m.xscale = 2, m.yscale = 4, m.zscale = 1, m.x = 0.5f;
    reap = &e, ohap2 = &mat;
    calctxp();   // u = (y - 0.5) / 2, v = z / 4
    EXPECT_NEAR(rcat(2, 7, 2.7f, 1), 1.1f, 1e-6);
    EXPECT_NEAR(rcat(3, 7, 2.7f, 1), 0.25f, 1e-6);
    e.xmin = 2, e.xmax = 4;   // centre (3, 0, 0)
    m.z = 1, m.zscale = 2;
    calctxs();   // q - offset + centre
    EXPECT_NEAR(rcat(1, 3, 1, 2), 2.5f, 1e-6);
    EXPECT_NEAR(rcat(3, 3, 1, 2), 1, 1e-6);
    calctxc();   // height (2 - 1) / 2, plus the centre's 0
    EXPECT_NEAR(rcat(3, 3, 1, 2), 0.5f, 1e-6);
    m.xrot = 1.5707964f;   // turns q = (0, 1, 0) onto +x
    calctxc();
    EXPECT_NEAR(rcat(1, 3, 1, 0), 3.5f, 1e-6);
}

}  // namespace
}  // namespace vortella
