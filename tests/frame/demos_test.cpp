// The built-in scenes: each loads without a message and plays its motion at
// a small and a large size (the fillers' range checks assert in the debug
// build, so a write outside the picture stops the test); together they
// show every render type and feature; no two look alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "authoring/demos.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "platform/palette.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr int scenes_expected = 16;

class Demos : public test::store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        install_demos();
        paths.background = demo_background;
        create_halftone_palette();
    }
    void load_demo(int d) {
        ASSERT_EQ(loadfile(demo_scenes[d].name), 0) << last.message;
        ASSERT_TRUE(last.warnings.empty()) << last.warnings[0];
        ASSERT_TRUE(last.notes.empty()) << last.notes[0].text;
        if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
    }
    void unload() {
        deletefilestruct();
        deleterenlstruct();
    }
};

// The saver's camera step: every rate the scene has.
void step() {
    if (CamRotRate != 0.0f) rotatecam();
    if (CamPanRate != 0.0f) pancam();
    if (CamZoomRate != 0.0f) zoomcamo();
}

TEST_F(Demos, SixteenScenesUnderTheirOwnNames) {
    ASSERT_EQ(demo_scene_count, scenes_expected);
    std::set<std::string> names, titles;
    for (int d = 0; d < demo_scene_count; ++d) {
        names.insert(demo_scenes[d].name);
        titles.insert(demo_scenes[d].title);
    }
    EXPECT_EQ(names.size(), size_t(scenes_expected));
    EXPECT_EQ(titles.size(), size_t(scenes_expected));
    // The first four keep their places: playlists and the frame hashes
    // name them.
    EXPECT_STREQ(demo_scenes[0].name, "ORBIT.VTL");
    EXPECT_STREQ(demo_scenes[1].name, "CHROME.VTL");
    EXPECT_STREQ(demo_scenes[2].name, "TEMPLE.VTL");
    EXPECT_STREQ(demo_scenes[3].name, "TANGLE.VTL");
}

TEST_F(Demos, EachPlaysFiftyFramesAtTwoSizes) {
    const int sizes[2][2] = {{320, 200}, {960, 540}};
    for (int d = 0; d < demo_scene_count; ++d) {
        SCOPED_TRACE(demo_scenes[d].name);
        for (const auto &sz : sizes) {
            load_demo(d);
            picround(sz[0], sz[1]);
            std::vector<uint8_t> bits(size_t(picw) * pich);
            ASSERT_TRUE(picbuild(bits.data()));
            int shown = 0;
            for (int f = 0; f < 50; ++f) {
                step();
                render();
                shown += reapbase != nullptr;
            }
            EXPECT_EQ(shown, 50) << "the scene left the view";
            picfree();
            unload();
        }
    }
}

TEST_F(Demos, TogetherTheyShowEveryRenderTypeAndFeature) {
    picround(320, 200);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    std::set<int> types, backgrounds;
    bool merged = false, rotates = false, pans = false, walks = false, flies = false;
    for (int d = 0; d < demo_scene_count; ++d) {
        SCOPED_TRACE(demo_scenes[d].name);
        load_demo(d);
        backgrounds.insert(sbackground == 2 ? 2 : 0);
        rotates |= CamRotRate != 0.0f;
        pans |= CamPanRate != 0.0f;
        // A walk keeps the eye at its height; without it the zoom rate
        // flies along the line of sight.
        walks |= CamZoomRate != 0.0f && movem != 0 && CamFHeight > 0;
        flies |= CamZoomRate != 0.0f && movem == 0;
        picbuild(bits.data());
        for (int f = 0; f < 120; ++f) {
            for (int k = 0; k < 3; ++k) step();
            render();
            for (mem_render_entry_s *g = reapbase; g; g = g->next_group) {
                merged |= g->next_entry != nullptr;
                for (mem_render_entry_s *e = g; e; e = e->next_entry) types.insert(e->type);
            }
        }
        unload();
    }
    picfree();
    EXPECT_EQ(types, (std::set<int>{0, 10, 20, 30, 40, 50, 100, 110, 120, 130, 140, 150}));
    EXPECT_TRUE(merged) << "no merged group of overlapping objects";
    EXPECT_EQ(backgrounds, (std::set<int>{0, 2}));
    EXPECT_TRUE(rotates);
    EXPECT_TRUE(pans);
    EXPECT_TRUE(walks);
    EXPECT_TRUE(flies);
}

TEST_F(Demos, WalksAndFlightsGoRoundTheMiddleAtEyeHeight) {
    int moving = 0;
    for (int d = 0; d < demo_scene_count; ++d) {
        load_demo(d);
        if (CamZoomRate != 0.0f) {
            SCOPED_TRACE(demo_scenes[d].name);
            ++moving;
            // Stepping forward and turning by the angle that closes the
            // circle, the camera goes round the scene's middle and stays as
            // far from it as it started (a turn the wrong way would take it
            // out through the walls); a walk keeps the eye at its height.
            const float r0 = std::hypot(camx, camy), gap = std::hypot(camx - tarx, camy - tary);
            float lo = r0, hi = r0, turned = 0, last = std::atan2(camy, camx);
            for (int f = 0; f < 3000; ++f) {
                step();
                const float r = std::hypot(camx, camy), a = std::atan2(camy, camx);
                lo = std::min(lo, r), hi = std::max(hi, r);
                float da = a - last;
                if (da > 3.14159f) da -= 6.28319f;
                if (da < -3.14159f) da += 6.28319f;
                turned += da, last = a;
                if (movem != 0) {
                    ASSERT_EQ(camz, CamFHeight);
                }
            }
            EXPECT_GT(lo, 0.95f * r0);
            EXPECT_LT(hi, 1.05f * r0);
            EXPECT_GT(std::fabs(turned), 6.28f) << "not once round";
            EXPECT_NEAR(std::hypot(camx - tarx, camy - tary), gap, 0.01f * gap);
        }
        unload();
    }
    EXPECT_EQ(moving, 2);
}

TEST_F(Demos, NoTwoFirstFramesAlike) {
    picround(160, 100);
    std::vector<std::vector<uint8_t>> frames;
    for (int d = 0; d < demo_scene_count; ++d) {
        load_demo(d);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        picbuild(bits.data());
        step();
        render();
        frames.push_back(bits);
        unload();
    }
    picfree();
    // Two frames are alike when most pixels have nearly the same colour.
    auto differing = [](const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
        long n = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const PALETTEENTRY &p = peEntry[a[i]], &q = peEntry[b[i]];
            n += std::abs(p.peRed - q.peRed) + std::abs(p.peGreen - q.peGreen) + std::abs(p.peBlue - q.peBlue) > 90;
        }
        return double(n) / double(a.size());
    };
    for (int i = 0; i < demo_scene_count; ++i)
        for (int j = i + 1; j < demo_scene_count; ++j)
            EXPECT_GT(differing(frames[size_t(i)], frames[size_t(j)]), 0.1)
                << demo_scenes[i].name << " and " << demo_scenes[j].name << " look alike";
}

}  // namespace
}  // namespace vortella
