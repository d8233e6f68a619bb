// The demo scenes together show every render type and the features a new
// user should see; each one renders without a message.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <vector>

#include "authoring/demos.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "support/testutil.h"

namespace vortella {
namespace {

class Demos : public test::store_test {};

TEST_F(Demos, TogetherTheyShowEveryRenderTypeAndFeature) {
    install_demos();
    paths.background = demo_background;
    picround(320, 200);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    picbuild(bits.data());
    Orientation = -1;
    std::set<int> types, backgrounds;
    bool merged = false, rotates = false, pans = false;
    for (int d = 0; d < demo_scene_count; ++d) {
        SCOPED_TRACE(demo_scenes[d].name);
        ASSERT_EQ(loadfile(demo_scenes[d].name), 0) << last.message;
        EXPECT_TRUE(last.warnings.empty());
        EXPECT_TRUE(last.notes.empty()) << last.notes[0].text;
        backgrounds.insert(sbackground == 2 ? 2 : 0);
        rotates |= CamRotRate != 0.0f;
        pans |= CamPanRate != 0.0f;
        if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
        picbuild(bits.data());
        // A turn of the camera in steps, as the saver moves it.
        for (int f = 0; f < 120; ++f) {
            for (int k = 0; k < 3; ++k) {
                if (CamRotRate != 0.0f) rotatecam();
                if (CamPanRate != 0.0f) pancam();
            }
            render();
            for (mem_render_entry_s *g = reapbase; g; g = g->next_group) {
                merged |= g->next_entry != nullptr;
                for (mem_render_entry_s *e = g; e; e = e->next_entry) types.insert(e->type);
            }
        }
        deletefilestruct();
        deleterenlstruct();
    }
    picfree();
    EXPECT_EQ(types, (std::set<int>{0, 10, 20, 30, 40, 50, 100, 110, 120, 130, 140, 150}));
    EXPECT_TRUE(merged) << "no merged group of overlapping objects";
    EXPECT_EQ(backgrounds, (std::set<int>{0, 2}));
    EXPECT_TRUE(rotates);
    EXPECT_TRUE(pans);
}

}  // namespace
}  // namespace vortella
