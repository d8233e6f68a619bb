// Camera motion steps and the start position of a playlist entry.
#include <cmath>

#include "pipe_store.h"

namespace vortella {
namespace {

using CameraTest = PipeTest;

// Camera at target (3, 4, 1) plus (x, y, z).
void place(float x, float y, float z) {
    tarx = 3, tary = 4, tarz = 1;
    camx = 3 + x, camy = 4 + y, camz = 1 + z;
}
float dist() { return std::hypot(camx - tarx, camy - tary, camz - tarz); }

TEST_F(CameraTest, QuarterTurnsClockwiseFromAbove) {
    place(1, 0, 2);
    CamRotRate = CamPanRate = 90;
    rotatecam();
    EXPECT_NEAR(camx - tarx, 0, 1e-6);
    EXPECT_NEAR(camy - tary, -1, 1e-6);
    EXPECT_EQ(camz - tarz, 2);
    pancam();   // the target, straight ahead on +y, swings to +x
    EXPECT_NEAR(tarx - camx, 1, 1e-6);
    EXPECT_NEAR(tary - camy, 0, 1e-6);
    EXPECT_FLOAT_EQ(camx, 3);
}

TEST_F(CameraTest, StartAltitudeRaisesOrIsRefused) {
    camsa = 0, camat = 10;
    place(0, -5, 2);   // x offset exactly 0
    initcam();
    EXPECT_GT(camz - tarz, 2);
    EXPECT_NEAR(dist(), std::sqrt(29.0), 1e-5);
    camsa = 90, camat = 80;   // beyond the 62.5 degree limit: only turned
    place(4, 0, 0);
    initcam();
    EXPECT_EQ(camz, tarz);
    EXPECT_NEAR(camy - tary, -4, 1e-5);
    camsa = 0, camat = 30;
    place(4, 0, 0);
    initcam();
    EXPECT_NEAR(std::atan2(camz - tarz, camx - tarx), 0.5235988, 1e-5);
}

TEST_F(CameraTest, ZoomSwingsBetweenLimits) {
    place(10, 0, 0);
    cam2tar = 10, camzrate = 2, camzfact = 2, movem = 0;
    zoomcam();
    EXPECT_NEAR(dist(), 10.2, 1e-5);
    EXPECT_EQ(tarx, 3);
    float lo = 100, hi = 0;
    for (int n = 0; n < 400; ++n) {
        zoomcam();
        lo = std::fmin(lo, dist()), hi = std::fmax(hi, dist());
    }
    // The bounce test comes before the step: one step past each limit.
    EXPECT_GT(hi, 20);
    EXPECT_LT(hi, 20.21f);
    EXPECT_LT(lo, 9.3f);
    EXPECT_GT(lo, 9.09f);
}

TEST_F(CameraTest, WalkingAndWalkMode) {
    place(0, -6, 8);
    CamZoomRate = -1, movem = 0;   // one unit towards the target
    zoomcamo();
    EXPECT_NEAR(dist(), 10, 1e-5);
    EXPECT_NEAR(tary, 4.6f, 1e-5);
    movem = 1, CamFHeight = 1.7f;
    zoomcamo();
    EXPECT_EQ(camz, 1.7f);
    EXPECT_EQ(tarz, 1.7f);
    place(0, 0, 0);   // no direction: nothing moves
    zoomcamo();
    EXPECT_EQ(camy, tary);
}

}  // namespace
}  // namespace vortella
