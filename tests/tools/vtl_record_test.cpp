// vtl record as a user runs it: the saver recorded from a virtual screen.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tools/runvtl.h"

namespace vortella {
namespace {

int vtl_status(const std::string &args, const test::tempdir &dir) { return vtl(args, dir).status; }

// Frames of an animated GIF with their delays; whether any pixel of a frame
// shows a colour other than black.
struct animation {
    int w = 0, h = 0;
    std::vector<int> delays;
    std::vector<bool> lit;
};

animation read_gif(const std::string &path) {
    animation a;
    int e = 0;
    GifFileType *g = DGifOpenFileName(path.c_str(), &e);
    if (!g) return a;
    if (DGifSlurp(g) == GIF_OK) {
        a.w = g->SWidth;
        a.h = g->SHeight;
        for (int i = 0; i < g->ImageCount; ++i) {
            const SavedImage &im = g->SavedImages[i];
            GraphicsControlBlock gcb{};
            DGifSavedExtensionToGCB(g, i, &gcb);
            a.delays.push_back(gcb.DelayTime);
            const ColorMapObject *map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : g->SColorMap;
            bool lit = false;
            const int n = im.ImageDesc.Width * im.ImageDesc.Height;
            for (int p = 0; p < n && !lit; ++p) {
                const GifColorType &c = map->Colors[im.RasterBits[p]];
                lit = c.Red || c.Green || c.Blue;
            }
            a.lit.push_back(lit);
        }
    }
    DGifCloseFile(g, &e);
    return a;
}

TEST(VtlRecord, RecordsTheDemoPlaylistOneFramePerTick) {
    test::tempdir dir;
    const std::string gif = dir.file("demo.gif");
    ASSERT_EQ(vtl_status("record --seconds 1 --screen 320x240 -o " + gif, dir), 0);
    animation a = read_gif(gif);
    EXPECT_EQ(a.w, 320);
    EXPECT_EQ(a.h, 240);
    // Ten frames a second; the first tick loads the first scene, so only
    // later frames show it.
    ASSERT_EQ(a.delays.size(), 10u);
    for (int d : a.delays) EXPECT_EQ(d, 10);
    EXPECT_FALSE(a.lit.front());
    EXPECT_TRUE(a.lit.back());
}

TEST(VtlRecord, PlaysAGivenSettingsFileWithoutChangingIt) {
    test::tempdir dir;
    const std::string ini = dir.file("my.ini");
    const std::string text =
        "[Global]\nNoOfEntries=1\nSpeed=4\nSequence=1\n[Entries]\nEntryFN000=none.vtl\n"
        "EntryPM000=3,64,64,1,0,1,0,0,0,0,0,0,0\n";
    std::ofstream(ini) << text;
    const std::string gif = dir.file("none.gif");
    ASSERT_EQ(vtl_status("record --ini " + ini + " --seconds 2 --screen 64x48 -o " + gif, dir), 0);
    animation a = read_gif(gif);
    ASSERT_EQ(a.delays.size(), 8u);
    EXPECT_EQ(a.delays[0], 25);
    // A scene that cannot be opened shows a black screen.
    for (bool lit : a.lit) EXPECT_FALSE(lit);
    EXPECT_EQ(test::readtext(ini), text);
}

TEST(VtlRecord, PlaysBuiltInScenesNamedFromAnyFolder) {
    // The first-run playlist names the built-in scenes beside the program;
    // where no such file is, the built-in one plays, maps and all.
    test::tempdir dir;
    const std::string ini = dir.file("builtin.ini");
    std::ofstream(ini) << "[Global]\nNoOfEntries=1\nSpeed=5\nSequence=1\n[Entries]\n"
                          "EntryFN000=/nowhere/ISLAND.VTL\nEntryPM000=3,96,64,1,1,1,0,0,0,0,0,0,0\n";
    const std::string gif = dir.file("island.gif");
    ASSERT_EQ(vtl_status("record --ini " + ini + " --seconds 1 --screen 128x96 -o " + gif, dir), 0);
    animation a = read_gif(gif);
    ASSERT_EQ(a.lit.size(), 5u);
    EXPECT_TRUE(a.lit.back());
}

TEST(VtlRecord, RefusesBadArguments) {
    test::tempdir dir;
    EXPECT_EQ(vtl_status("record", dir), 2);
    EXPECT_EQ(vtl_status("record --seconds 0 -o " + dir.file("a.gif"), dir), 2);
    EXPECT_EQ(vtl_status("record --screen 10 -o " + dir.file("a.gif"), dir), 2);
    EXPECT_EQ(vtl_status("record --ini " + dir.file("missing.ini") + " -o " + dir.file("a.gif"), dir), 1);
    EXPECT_EQ(vtl_status("record --seconds 1 -o " + dir.file("no/such/dir/a.gif"), dir), 1);
}

}  // namespace
}  // namespace vortella
