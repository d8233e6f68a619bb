// vtl render and vtl demo as a user runs them.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <filesystem>

#include "authoring/primitives.h"
#include "support/testutil.h"
#include "tools/runvtl.h"

namespace vortella {
namespace {

TEST(VtlRender, WritesEachFormatOfABuiltInDemo) {
    test::tempdir dir;
    run_result r = vtl("render TANGLE.VTL -o " + dir.file("t.png") + " --size 100x75", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> png = test::readbytes(dir.file("t.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    // 100 x 75 rounds down to 96 x 72: the width is at bytes 16..19.
    EXPECT_EQ(png[19], 96);
    EXPECT_EQ(png[23], 72);

    r = vtl("render ORBIT.VTL -o " + dir.file("o.bmp") + " --frames 3", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> bmp = test::readbytes(dir.file("o.bmp"));
    ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 320 * 200);
    EXPECT_EQ(bmp[28], 8);   // bits per pixel

    r = vtl("render CHROME.VTL -o " + dir.file("c.gif") + " --frames 4 --size 64x48", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> gif = test::readbytes(dir.file("c.gif"));
    ASSERT_GT(gif.size(), 6u);
    EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
    // One image descriptor (0x2C after a graphic control block) per frame.
    int frames = 0;
    for (size_t i = 0; i + 8 < gif.size(); ++i)
        if (gif[i] == 0x21 && gif[i + 1] == 0xF9 && gif[i + 8] == 0x2C) ++frames;
    EXPECT_EQ(frames, 4);
}

// A picture file decoded to RGB, top row first.
struct rgbpic {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t *at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};
rgbpic decode(const std::string &path) {
    const std::vector<uint8_t> b = test::readbytes(path);
    rgbpic p;
    int n = 0;
    uint8_t *px = stbi_load_from_memory(b.data(), int(b.size()), &p.w, &p.h, &n, 3);
    if (px) p.rgb.assign(px, px + size_t(p.w) * p.h * 3);
    stbi_image_free(px);
    return p;
}

TEST(VtlRender, EveryFormatStoresTheTopRowOnTop) {
    test::tempdir dir;
    // A red marker up and to the left of the view's centre, seen from -y.
    scene_desc s;
    material_desc red;
    red.name = "marker";
    red.texture_no = 1;
    red.red = 255, red.green = 0, red.blue = 0;
    s.add(red);
    geometry_desc box = make_box(1, 1, -2.5f, 0, 1.5f, 0.6f, 0.6f, 0.6f);
    ddh_all(box);
    s.add(box);
    s.add(test::drawn({1}));
    camera_desc c;
    c.y = -10;
    c.foc_len = 1;
    s.add(c);
    s.add(light_desc{});
    std::string err;
    ASSERT_TRUE(write_scene_file(s, dir.file("m.vtl"), &err)) << err;
    for (const char *ext : {".bmp", ".png", ".gif"}) {
        SCOPED_TRACE(ext);
        ASSERT_EQ(vtl("render " + dir.file("m.vtl") + " -o " + dir.file(std::string("m") + ext) + " --size 160x120", dir)
                      .status,
                  0);
        if (std::string(ext) == ".gif") continue;   // the decoder here reads no GIF; its rows go as the PNG's
        const rgbpic p = decode(dir.file(std::string("m") + ext));
        ASSERT_EQ(p.w, 160);
        ASSERT_EQ(p.h, 120);
        int quadrant[2][2] = {};
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x)
                if (p.at(x, y)[0] > 100 && p.at(x, y)[1] < 60) ++quadrant[y < p.h / 2][x < p.w / 2];
        EXPECT_GT(quadrant[1][1], 50) << "the marker is not in the top-left quarter";
        EXPECT_EQ(quadrant[0][0] + quadrant[0][1] + quadrant[1][0], 0);
    }
    // The demo scenes read back alike from both formats.
    for (const char *d : {"ORBIT.VTL", "CHROME.VTL", "TEMPLE.VTL", "TANGLE.VTL"}) {
        SCOPED_TRACE(d);
        ASSERT_EQ(vtl(std::string("render ") + d + " -o " + dir.file("d.bmp") + " --size 96x72", dir).status, 0);
        ASSERT_EQ(vtl(std::string("render ") + d + " -o " + dir.file("d.png") + " --size 96x72", dir).status, 0);
        const rgbpic b = decode(dir.file("d.bmp")), p = decode(dir.file("d.png"));
        ASSERT_EQ(b.w, 96);
        EXPECT_EQ(b.rgb, p.rgb);
    }
}

TEST(VtlRender, StatusForMissingMalformedAndBadArguments) {
    test::tempdir dir;
    EXPECT_EQ(vtl("render " + dir.file("none.vtl") + " -o " + dir.file("x.png"), dir).status, 1);
    test::writebytes(dir.file("bad.vtl"), {1, 0, 'x'});
    run_result r = vtl("render " + dir.file("bad.vtl") + " -o " + dir.file("x.png"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.vtl"), std::string::npos);
    EXPECT_EQ(vtl("render TANGLE.VTL -o " + dir.file("x.png") + " --size 0x5", dir).status, 2);
    EXPECT_EQ(vtl("render TANGLE.VTL", dir).status, 2);
    EXPECT_EQ(vtl("render TANGLE.VTL -o " + dir.file("x.tiff"), dir).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

TEST(VtlRender, EntryParametersMoveTheCameraAsTheSaverDoes) {
    test::tempdir dir;
    // The scene's own motion, and an entry that turns the camera 90 degrees
    // at the start and raises it: different pictures.
    ASSERT_EQ(vtl("render ORBIT.VTL -o " + dir.file("own.bmp"), dir).status, 0);
    ASSERT_EQ(vtl("render ORBIT.VTL -o " + dir.file("own2.bmp") + " --entry 1,320,200,2,1,1,0,90,2,30,0,1,45", dir).status,
              0);
    ASSERT_EQ(vtl("render ORBIT.VTL -o " + dir.file("turned.bmp") + " --entry 1,320,200,2,0,1,0,90,2,30,0,1,45", dir)
                  .status,
              0);
    EXPECT_EQ(test::readbytes(dir.file("own.bmp")), test::readbytes(dir.file("own2.bmp")));   // useod = 1
    EXPECT_NE(test::readbytes(dir.file("own.bmp")), test::readbytes(dir.file("turned.bmp")));
    EXPECT_EQ(vtl("render ORBIT.VTL -o " + dir.file("x.bmp") + " --entry 1,2,3", dir).status, 2);
    EXPECT_EQ(vtl("render ORBIT.VTL -o " + dir.file("x.bmp") + " --entry 9,320,200,2,0,1,0,90,2,30,0,1,45", dir).status,
              2);
}

TEST(VtlDemo, WritesEveryBuiltInSceneWithTheMapsItNames) {
    test::tempdir dir;
    run_result r = vtl("demo -o " + dir.file("d"), dir);
    ASSERT_EQ(r.status, 0);
    // One line per scene; each loads from the folder, its maps found beside
    // it (a missing map is status 1), with nothing to warn of.
    int scenes = 0;
    size_t at = 0;
    for (size_t nl; (nl = r.out.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::string path = r.out.substr(at, nl - at);
        ++scenes;
        const run_result info = vtl("info " + path, dir);
        EXPECT_EQ(info.status, 0) << path << ": " << info.err;
        EXPECT_EQ(info.err, "") << path;
    }
    EXPECT_EQ(scenes, 16);
    for (const char *f : {"ORBIT.VTL", "ARMILLARY.VTL", "PLANET.BMP", "GIANT.BMP", "BGROUND.BMP"})
        EXPECT_TRUE(std::filesystem::exists(dir.file("d/") + f)) << f;
    EXPECT_EQ(vtl("demo", dir).status, 2);
}

}  // namespace
}  // namespace vortella
