// scripts/gallery and vtl gallery: a picture of every built-in scene, and a
// README whose contact sheet shows them all.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <cstdio>
#include <string>
#include <vector>

#include "authoring/demos.h"
#include "tools/runvtl.h"

namespace vortella {
namespace {

std::string lower(std::string s) {
    for (char &c : s) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

// Runs the gallery script into `out` with the built vtl; its status.
int gallery(const std::string &out, const test::tempdir &dir) {
    const std::string cmd = std::string(VT_SOURCE_DIR) + "/scripts/gallery --vtl " + VTL_PATH + " --out " + out +
                            " >" + dir.file("out.txt") + " 2>&1";
    const int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

TEST(Gallery, TheScriptRendersEveryBuiltInScene) {
    test::tempdir dir;
    const std::string out = dir.file("gallery");
    ASSERT_EQ(gallery(out, dir), 0) << test::readtext(dir.file("out.txt"));
    for (int i = 0; i < demo_scene_count; ++i) {
        std::string stem = demo_scenes[i].name;
        stem = lower(stem.substr(0, stem.find('.')));
        SCOPED_TRACE(stem);
        const std::vector<uint8_t> png = test::readbytes(out + "/" + stem + ".png");
        int w = 0, h = 0, n = 0;
        uint8_t *px = stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &n, 3);
        ASSERT_TRUE(px) << "not a picture";
        EXPECT_EQ(w, 320);
        EXPECT_EQ(h, 200);
        // A scene, not just its background: many colours in the picture.
        std::vector<bool> seen(1 << 15);
        int colours = 0;
        for (int p = 0; p < w * h; ++p) {
            const int c = (px[3 * p] >> 3) << 10 | (px[3 * p + 1] >> 3) << 5 | px[3 * p + 2] >> 3;
            colours += !seen[size_t(c)];
            seen[size_t(c)] = true;
        }
        EXPECT_GT(colours, 12);
        stbi_image_free(px);
        // The committed gallery has the same still.
        EXPECT_GT(test::readbytes(std::string(VT_SOURCE_DIR) + "/docs/gallery/" + stem + ".png").size(), 0u);
    }
    const std::vector<uint8_t> gif = test::readbytes(out + "/knot.gif");
    ASSERT_GT(gif.size(), 6u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    EXPECT_LT(gif.size(), 1000000u);
    // Another folder than docs/gallery leaves the README alone.
    EXPECT_EQ(test::readtext(dir.file("out.txt")).find("README"), std::string::npos);
}

TEST(Gallery, TheReadmeShowsEveryBuiltInSceneRightBelowItsCommands) {
    const std::string readme = test::readtext(std::string(VT_SOURCE_DIR) + "/README.md");
    const size_t commands = readme.find("scripts/test   #"), sheet = readme.find("<!-- gallery");
    ASSERT_NE(commands, std::string::npos);
    ASSERT_NE(sheet, std::string::npos);
    EXPECT_EQ(readme.substr(commands, sheet - commands).find("\n\n", readme.find("```", commands) + 4),
              std::string::npos)
        << "the contact sheet follows the two commands at once";
    const size_t end = readme.find("<!-- /gallery -->");
    ASSERT_NE(end, std::string::npos);
    const std::string block = readme.substr(sheet, end - sheet);
    for (int i = 0; i < demo_scene_count; ++i) {
        std::string stem = demo_scenes[i].name;
        stem = lower(stem.substr(0, stem.find('.')));
        EXPECT_NE(block.find("(docs/gallery/" + stem + ".png)"), std::string::npos) << stem;
    }
    EXPECT_NE(block.find("(docs/gallery/knot.gif)"), std::string::npos);
}

}  // namespace
}  // namespace vortella
