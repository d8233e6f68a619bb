// In-memory object stores and a fixture for the pipeline tests.
#pragma once

#include <vector>

#include <gtest/gtest.h>

#include "pipeline/pipeline.h"
#include "raster/raster.h"

namespace vortella {

mem_object_header_s *addmat(int no, int map_type = 0, float trans = 0, float reflection = 0);
// A one-triangle geometry whose 32 depth tables each list that triangle.
mem_object_header_s *addgeo(int no, float x0, float y0, float z0, float x1, float y1, float z1,
                            int texture = 0, int rend_mode = 0, bool faceted = true);
void addins(const std::vector<int> &geoms, int rend_mode = 0, int type = OT_INSTANCE);
mem_render_entry_s *rentry(int i);
// The group heads in drawing order.
std::vector<mem_render_entry_s *> chain();

// Camera at (0, -10, 0) looking at the origin, light from above, 320 x 200
// picture, focl 1 (scr_ratio 1.5): a point (x, y, z) lands at depth 10 + y,
// column 160 + 150 x / (10 + y), row 100 + 150 z / (10 + y).
void pipeglobals();

struct PipeTest : ::testing::Test {
    void SetUp() override { pipeglobals(); }
    void TearDown() override { deleterenlstruct(), deletefilestruct(); }
};

}  // namespace vortella
