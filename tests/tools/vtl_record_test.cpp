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
// shows a colour other than black, and where.
struct animation {
    int w = 0, h = 0;
    std::vector<int> delays;
    std::vector<bool> lit;
    std::vector<std::vector<bool>> lit_at;   // per frame, per pixel, row by row

    // Whether any frame shows anything but black in the rectangle.
    bool lit_in(int x, int y, int rw, int rh) const {
        for (const auto &f : lit_at)
            for (int r = y; r < y + rh; ++r)
                for (int c = x; c < x + rw; ++c)
                    if (f[size_t(r) * size_t(w) + size_t(c)]) return true;
        return false;
    }
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
            std::vector<bool> at(size_t(a.w) * size_t(a.h), false);
            for (int y = 0; y < im.ImageDesc.Height; ++y)
                for (int x = 0; x < im.ImageDesc.Width; ++x) {
                    const GifColorType &c = map->Colors[im.RasterBits[y * im.ImageDesc.Width + x]];
                    const bool on = c.Red || c.Green || c.Blue;
                    lit = lit || on;
                    at[size_t(im.ImageDesc.Top + y) * size_t(a.w) + size_t(im.ImageDesc.Left + x)] = on;
                }
            a.lit.push_back(lit);
            a.lit_at.push_back(std::move(at));
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

// Several monitors: the GIF is the whole virtual screen (their bounding
// box), the picture plays on the first monitor and nowhere else.
TEST(VtlRecord, RecordsEveryMonitorAndPlaysOnTheFirst) {
    test::tempdir dir;
    const std::string gif = dir.file("two.gif");
    // The second monitor lies left of the first and lower: the screen is
    // 480 x 300, the first monitor at (160, 0).
    ASSERT_EQ(vtl_status("record --seconds 3 --screen 320x240,160x120@-160,180 -o " + gif, dir), 0);
    animation a = read_gif(gif);
    EXPECT_EQ(std::vector<int>({a.w, a.h}), std::vector<int>({480, 300}));
    ASSERT_FALSE(a.lit_at.empty());
    EXPECT_TRUE(a.lit.back());
    EXPECT_TRUE(a.lit_in(160, 0, 320, 240));
    EXPECT_FALSE(a.lit_in(0, 0, 160, 300));     // the second monitor and the gap above it
    EXPECT_FALSE(a.lit_in(160, 240, 320, 60));  // below the first monitor
}

// Full screen at pixel scale 2 shows every picture pixel as a 2 x 2 block;
// Auto on 480 rows is scale 1, whose dithered pixels are no such blocks.
TEST(VtlRecord, ThePixelScaleShowsBlocks) {
    test::tempdir dir;
    const std::string ini = dir.file("full.ini");
    std::ofstream(ini) << "[Global]\nNoOfEntries=1\nSpeed=10\nSequence=1\n[Entries]\nEntryFN000=ORBIT.VTL\n"
                          "EntryPM000=6,320,200,1,0,1,0,0,5,20,0,5,45\n";
    auto blocks = [](const animation &a) {
        const std::vector<bool> &f = a.lit_at.back();
        int unlike = 0;
        for (int y = 0; y + 1 < a.h; y += 2)
            for (int x = 0; x + 1 < a.w; x += 2) {
                const bool p = f[size_t(y) * size_t(a.w) + size_t(x)];
                unlike += p != f[size_t(y) * size_t(a.w) + size_t(x + 1)] ||
                          p != f[size_t(y + 1) * size_t(a.w) + size_t(x)];
            }
        return unlike;
    };
    for (const char *scale : {"2", "auto"}) {
        const std::string gif = dir.file(std::string("full") + scale + ".gif");
        ASSERT_EQ(vtl_status("record --ini " + ini + " --seconds 0.5 --screen 640x480 --scale " + scale + " -o " + gif,
                             dir),
                  0)
            << scale;
        animation a = read_gif(gif);
        ASSERT_FALSE(a.lit_at.empty());
        ASSERT_TRUE(a.lit.back());
        if (std::string(scale) == "2") EXPECT_EQ(blocks(a), 0);
        else EXPECT_GT(blocks(a), 100);
    }
}

TEST(VtlRecord, RefusesBadArguments) {
    test::tempdir dir;
    EXPECT_EQ(vtl_status("record", dir), 2);
    EXPECT_EQ(vtl_status("record --seconds 0 -o " + dir.file("a.gif"), dir), 2);
    EXPECT_EQ(vtl_status("record --screen 10 -o " + dir.file("a.gif"), dir), 2);
    for (const char *screen : {"320x240,", "320x240@5", "320x240@5,", "320x240,100x100@100,0", "9000x100",
                               "320x240 ", "+320x240", "16x240", "8192x8192,8192x8192,8192x8192"})
        EXPECT_EQ(vtl_status(std::string("record --screen '") + screen + "' -o " + dir.file("a.gif"), dir), 2)
            << screen;
    for (const char *scale : {"0", "5", "two", "1.5"})
        EXPECT_EQ(vtl_status(std::string("record --scale ") + scale + " -o " + dir.file("a.gif"), dir), 2) << scale;
    EXPECT_EQ(vtl_status("record --ini " + dir.file("missing.ini") + " -o " + dir.file("a.gif"), dir), 1);
    EXPECT_EQ(vtl_status("record --seconds 1 -o " + dir.file("no/such/dir/a.gif"), dir), 1);
}

}  // namespace
}  // namespace vortella
