// Light, highlight, facing and texture frames.
#include <cmath>
#include <random>

#include "pipe_store.h"

namespace vortella {
namespace {

struct FramesTest : PipeTest {
    mem_render_entry_s e{};
    mem_object_header_s mat{};
    void SetUp() override {
        PipeTest::SetUp();
        e.xmin = e.ymin = e.zmin = -1;
        e.xmax = e.ymax = e.zmax = 1;
        reap = &e;
        mat.t.material.xscale = mat.t.material.yscale = mat.t.material.zscale = 1;
        ohap2 = &mat;
    }
};

// Column k (1..3) of rc applied to the point (x, y, z).
float rcat(int k, float x, float y, float z) {
    const float m[3][4] = {{rc11, rc21, rc31, rc41}, {rc12, rc22, rc32, rc42}, {rc13, rc23, rc33, rc43}};
    return x * m[k - 1][0] + y * m[k - 1][1] + z * m[k - 1][2] + m[k - 1][3];
}

TEST_F(FramesTest, LightRowAndHalfVector) {
    ltaz = 2.5f;   // light straight above, whatever the azimuth
    calcl();
    EXPECT_NEAR(lc11, 0, 1e-6);
    EXPECT_NEAR(lc21, 0, 1e-6);
    EXPECT_NEAR(lc31, 1, 1e-6);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-20, 20);
    for (int n = 0; n < 300; ++n) {
        camx = u(rng), camy = u(rng), camz = u(rng), ltal = u(rng) / 15, ltaz = u(rng) / 6;
        calcl();
        calch();
        EXPECT_NEAR(lc11, mc11, 1e-6);
        double d = std::hypot(camx, camy, camz), hx = camx / d + mc11, hy = camy / d + mc12, hz = camz / d + mc13;
        double h = std::hypot(hx, hy, hz);
        if (h < 1e-3) continue;
        EXPECT_NEAR(hc11, hx / h, 1e-4);
        EXPECT_NEAR(hc21, hy / h, 1e-4);
        EXPECT_NEAR(hc31, hz / h, 1e-4);
    }
}

TEST_F(FramesTest, HalfVectorSpecialDirections) {
    camy = 0, camz = -10;   // viewer below, light above: H = 0 becomes +x
    calcl();
    calch();
    EXPECT_FLOAT_EQ(hc11, 1);
    camz = 10;              // both above: vertical H, fixed frame
    calch();
    EXPECT_EQ(hc31, 1);
    EXPECT_EQ(hc13, -1);
    EXPECT_EQ(hc22, 1);
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

TEST_F(FramesTest, FacingFrameIsViewDirection) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-20, 20);
    for (int n = 0; n < 300; ++n) {
        camx = u(rng), camy = u(rng), camz = u(rng), tarx = u(rng), tary = u(rng), tarz = u(rng);
        calcr();
        double dx = camx - tarx, dy = camy - tary, dz = camz - tarz, L = std::hypot(dx, dy, dz);
        EXPECT_NEAR(rcat(1, dx, dy, dz), L, 1e-3);
        EXPECT_NEAR(rcat(2, 0, 0, 1), std::hypot(dx, dy) / L, 1e-5);   // up
    }
    tarx = tary = tarz = camx = camy = camz = 0;   // on the target: a unit frame
    calcr();
    EXPECT_NEAR(std::hypot(rc11, rc21, rc31), 1, 1e-6);
}

TEST_F(FramesTest, TextureFrames) {
    mem_texture_s &m = mat.t.material;
    m.xscale = 2, m.yscale = 4, m.x = 0.5f;
    calctxp();   // u = (y - 0.5) / 2, v = z / 4
    EXPECT_NEAR(rcat(2, 7, 2.7f, 1), 1.1f, 1e-6);
    EXPECT_NEAR(rcat(3, 7, 2.7f, 1), 0.25f, 1e-6);
    e.xmin = 2, e.xmax = 4;   // centre (3, 0, 0)
    m.x = 0.5f, m.z = 1, m.zscale = 2;
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
