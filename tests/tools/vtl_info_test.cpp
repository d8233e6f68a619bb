// The vtl tool as a user runs it: exit status, output and messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "authoring/primitives.h"
#include "support/testutil.h"
#include "tools/runvtl.h"

namespace vortella {
namespace {

TEST(VtlInfo, JsonReportsWhatTheWriterWrote) {
    test::tempdir dir;
    scene_desc s = test::every_kind_scene(dir);
    std::string err;
    ASSERT_TRUE(write_scene_file(s, dir.file("s.vtl"), &err)) << err;
    run_result r = vtl("info " + dir.file("s.vtl") + " --json --maps " + dir.file("maps"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    // The store as loaded: counts, a geometry, a textured material with
    // its map, a reflection copy, the instance lists, the camera.
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["file_no_obj"], s.objects.size());
    EXPECT_EQ(j["header_text"], "every kind");
    ASSERT_EQ(j["geometries"].size(), 2u);
    EXPECT_EQ(j["geometries"][0]["no_ddh"][31], s.objects[4].geometry.triangles.size());
    EXPECT_EQ(j["geometries"][0]["zmax"].get<float>(), 3.0f);
    ASSERT_EQ(j["materials"].size(), 3u);
    EXPECT_EQ(j["materials"][1]["x_freq"], 3);
    EXPECT_EQ(j["materials"][1]["pdibmap"]["biWidth"], 16);
    EXPECT_EQ(j["materials"][2]["pdibdel"], 1);
    EXPECT_EQ(j["maps"][0]["ext_name"], "check.bmp");
    EXPECT_EQ(j["instances"][0]["instances"], nlohmann::json::array({8}));
    EXPECT_EQ(j["camz"].get<float>(), 7.0f);
    EXPECT_EQ(j["objects"][11]["type"], 7);
    EXPECT_TRUE(j["warnings"].empty());

    // The text form names the same records.
    r = vtl("info " + dir.file("s.vtl"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("geometry: name=\"box\" geom_no=1 no_points=8 no_triangles=12"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("camera: camx=5 camy=-6 camz=7"), std::string::npos) << r.out;
}

// Texts in scene files are 8-bit bytes: every string field with bytes
// 0x80..0xFF prints and dumps as UTF-8 (decoded as Windows-1252), so the
// JSON always parses.
TEST(VtlInfo, EightBitNamesPrintAndDumpAsUtf8) {
    test::tempdir dir;
    scene_desc s = test::every_kind_scene(dir);
    std::string high;   // every byte from 0x80 on, a slice per field
    for (int c = 0x80; c <= 0xFF; ++c) high += char(c);
    s.header_text = "h\x80\xE9";
    int slice = 0;
    auto next = [&](size_t n) { return high.substr(size_t(slice++ * 16) % 128, n); };
    for (object_desc &o : s.objects) {
        if (o.type == OT_SMOOTH || o.type == OT_FACETED) o.geometry.name = next(16);
        if (o.type == OT_INSTANCE) o.instance.name = next(16);
        if (o.type == OT_TEXTURE) o.material.name = next(16);
        if (o.type == OT_COMMENT) o.comment.comment_line = high.substr(0, 80);
        if (o.type == OT_MAP) {
            o.map.ext_name = "m\x81\x8D\x8F\x90\x9D\xFF.bmp";   // the five unassigned bytes
            std::filesystem::copy_file(dir.file("check.bmp"), dir.file(o.map.ext_name));
        }
    }
    std::string err;
    ASSERT_TRUE(write_scene_file(s, dir.file("s.vtl"), &err)) << err;
    run_result r = vtl("info " + dir.file("s.vtl") + " --json --maps " + dir.file("maps"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);   // throws on any byte that is not UTF-8
    EXPECT_EQ(j["header_text"], "h\u20AC\u00E9");
    EXPECT_EQ(j["maps"][0]["ext_name"], "m\u0081\u008D\u008F\u0090\u009D\u00FF.bmp");
    EXPECT_EQ(j["materials"][0]["name"].get<std::string>().substr(0, 8), "\u20AC\u0081\u201A");
    EXPECT_EQ(j["geometries"][0]["name"].get<std::string>().substr(0, 4), "\u00B0\u00B1");
    const std::string comment = j["comments"][0]["comment_line"];
    EXPECT_EQ(comment.substr(comment.size() - 4), "\u00CE\u00CF");   // bytes 0x80 .. 0xCF
    r = vtl("info " + dir.file("s.vtl") + " --maps " + dir.file("maps"), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("header_text: \"h\u20AC\u00E9\""), std::string::npos) << r.out;
}

TEST(VtlInfo, StatusTellsMissingFromMalformed) {
    test::tempdir dir;
    run_result r = vtl("info " + dir.file("absent.vtl"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("absent.vtl: cannot open"), std::string::npos) << r.err;

    std::vector<uint8_t> b = write_scene(test::tiny_scene());
    b.resize(200);
    test::writebytes(dir.file("cut.vtl"), b);
    r = vtl("info " + dir.file("cut.vtl"), dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cut.vtl: object 0 at byte 200: file ends inside"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    scene_desc s = test::tiny_scene();
    s.add(map_desc{"gone.bmp", 1});
    std::string err;
    ASSERT_TRUE(write_scene_file(s, dir.file("nomap.vtl"), &err));
    r = vtl("info " + dir.file("nomap.vtl"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File gone.bmp not found"), std::string::npos) << r.err;

    // A dangling reference is a warning, not a failure.
    s = test::tiny_scene();
    s.objects[2].instance.geoms = {1, 6};
    ASSERT_TRUE(write_scene_file(s, dir.file("d.vtl"), &err));
    r = vtl("info " + dir.file("d.vtl") + " --json", dir);
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("warning: object 2: instance 1 names geometry 6"), std::string::npos) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["warnings"].size(), 1u);

    EXPECT_EQ(vtl("info", dir).status, 2);
    EXPECT_EQ(vtl("frobnicate", dir).status, 2);
}

TEST(VtlSample, WritesALoadableSceneWithItsMap) {
    test::tempdir dir;
    ASSERT_EQ(vtl("sample " + dir.file("sample.vtl"), dir).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("checker.bmp")));
    // Loaded from another folder: the map is found beside the scene.
    run_result r = vtl("info " + dir.file("sample.vtl") + " --json", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["materials"][1]["tables"].size(), 4u);
}

}  // namespace
}  // namespace vortella
