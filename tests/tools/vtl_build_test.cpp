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
    r = vtl("info " + dir.file("m.vtl"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
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
