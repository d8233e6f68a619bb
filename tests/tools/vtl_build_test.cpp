// vtl build as a user runs it: a model in, a playable scene out, a summary;
// exit status 2 and a message for what it cannot compile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/runvtl.h"

namespace vortella {
namespace {

TEST(VtlBuild, CompilesAModelAndSaysWhatItMade) {
    test::tempdir dir;
    std::ofstream(dir.file("m.stl")) << "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
                                        "vertex 1 1 0\nendloop\nendfacet\nendsolid t\n";
    run_result r = vtl("build " + dir.file("m.stl") + " -o " + dir.file("m.vtl"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1 geometry, 3 points, 1 triangles"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("up +z (as .stl files are made)"), std::string::npos) << r.out;
    r = vtl("info " + dir.file("m.vtl"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(VtlBuild, UpAxisFloorAndMappingOptions) {
    test::tempdir dir;
    std::ofstream(dir.file("m.obj")) << "v 0 0 0\nv 1 0 0\nv 1 3 0\nv 0 3 0\nv 0 0 1\nv 1 0 1\nv 1 3 1\nv 0 3 1\n"
                                        "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n";
    const std::string build = "build " + dir.file("m.obj") + " -o " + dir.file("m.vtl");
    run_result r = vtl(build, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("up +y (as .obj files are made)"), std::string::npos) << r.out;
    r = vtl(build + " --up -z --floor --mapping auto", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("up -z (as given)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 geometries"), std::string::npos) << r.out;   // the model and its floor
    EXPECT_NE(r.out.find("1 map,"), std::string::npos) << r.out;
    EXPECT_EQ(vtl("render " + dir.file("m.vtl") + " -o " + dir.file("m.png"), dir).status, 0);
    for (const char *bad : {" --up q", " --mapping conical", " --up"}) {
        r = vtl(build + bad, dir);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
    }
    EXPECT_NE(vtl(build + " --up q", dir).err.find("up axis 'q' is not one of x, y, z, -x, -y, -z"), std::string::npos);
}

TEST(VtlBuild, FailuresExitWithStatusTwoAndAMessage) {
    test::tempdir dir;
    std::ofstream(dir.file("empty.obj")) << "v 0 0 0\n";
    std::ofstream(dir.file("x.notamodel")) << "nothing\n";
    for (const std::string &in : {dir.file("missing.obj"), dir.file("empty.obj"), dir.file("x.notamodel")}) {
        run_result r = vtl("build " + in + " -o " + dir.file("o.vtl"), dir);
        EXPECT_EQ(r.status, 2) << in;
        EXPECT_NE(r.err.find("vtl build: "), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir.file("o.vtl")));
    }
    EXPECT_EQ(vtl("build " + dir.file("empty.obj"), dir).status, 2);   // no -o
}

}  // namespace
}  // namespace vortella
