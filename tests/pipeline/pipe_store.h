// Common globals and fixture for the pipeline tests.
#pragma once

#include <gtest/gtest.h>

#include "pipeline/pipeline.h"
#include "raster/raster.h"

namespace vortella {

// Camera at (0, -10, 0) looking at the origin, light from above, 320 x 200
// picture, focl 1 (scr_ratio 1.5): a point (x, y, z) lands at depth 10 + y,
// column 160 + 150 x / (10 + y), row 100 + 150 z / (10 + y).
inline void pipeglobals() {
    picw = 320, pich = 200;
    camx = camz = 0, camy = -10;
    tarx = tary = tarz = 0;
    focl = 1;
    iminv = Orientation = 1;
    ltal = 1.5707964f, ltaz = 0;
    maxmpass = 3, rmergesw = 0, file_rend_mode = 10;
}

struct PipeTest : ::testing::Test {
    void SetUp() override { pipeglobals(); }
    void TearDown() override { deleterenlstruct(), deletefilestruct(); }
};

}  // namespace vortella
