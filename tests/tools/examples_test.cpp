// The example scene descriptions: the files they need are what
// examples/make-files writes, and each builds with vtl build and renders.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "tools/runvtl.h"

namespace vortella {
namespace {

const std::string examples = std::string(VT_SOURCE_DIR) + "/examples";

TEST(Examples, TheCommittedFilesAreWhatTheScriptWrites) {
    test::tempdir dir;
    const std::string cmd = examples + "/make-files " + dir.file("made") + " 2>" + dir.file("err.txt");
    ASSERT_EQ(std::system(cmd.c_str()), 0) << test::readtext(dir.file("err.txt"));
    for (const char *f : {"vase.obj", "glaze.bmp", "tiles.bmp", "wall.bmp"}) {
        const std::vector<uint8_t> made = test::readbytes(dir.file("made/") + f);
        EXPECT_GT(made.size(), 1000u) << f;
        EXPECT_EQ(made, test::readbytes(examples + "/" + f)) << f << " differs from what make-files writes";
    }
}

TEST(Examples, EachBuildsAndRenders) {
    test::tempdir dir;
    for (const char *e : {"vase", "shapes", "room"}) {
        SCOPED_TRACE(e);
        const std::string vtlfile = dir.file(std::string(e) + ".vtl"), png = dir.file(std::string(e) + ".png");
        run_result r = vtl("build " + examples + "/" + e + ".json -o " + vtlfile + " --quiet", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        r = vtl("render " + vtlfile + " -o " + png + " --frames 20", dir);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::vector<uint8_t> b = test::readbytes(png);
        int w = 0, h = 0, n = 0;
        uint8_t *px = stbi_load_from_memory(b.data(), int(b.size()), &w, &h, &n, 3);
        ASSERT_TRUE(px);
        // Something stands before the background: the middle of the
        // picture is not all one colour.
        int changes = 0;
        for (int x = w / 4; x < 3 * w / 4; ++x) {
            const uint8_t *p = px + (size_t(h / 2) * w + x) * 3;
            changes += std::abs(p[0] - p[-3]) + std::abs(p[1] - p[-2]) + std::abs(p[2] - p[-1]) > 60;
        }
        EXPECT_GT(changes, 3);
        stbi_image_free(px);
    }
    // The room is walked through at eye height.
    const run_result info = vtl("info " + dir.file("room.vtl") + " --json", dir);
    ASSERT_EQ(info.status, 0) << info.err;
    const nlohmann::json j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j.at("movem"), 1);
    EXPECT_LT(j.at("CamZoomRate").get<double>(), 0);
    EXPECT_EQ(j.at("CamRotRate").get<double>(), 0);
}

}  // namespace
}  // namespace vortella
