// Start-up settings and the playlist's storage and text format.
#include <set>
#include <string>

#include "apptest.h"
#include "authoring/demos.h"

namespace vortella::test {
namespace {

using settings = app_test;
using playlist = app_test;

TEST(Role, OnlyTheWholeSaverSwitchStartsTheSaver) {
    for (const char *s : {"/s", "-s", "/S", "-S"}) EXPECT_TRUE(saver_command(s)) << s;
    for (const char *s : {"", "/c", "-c", "/C", "-C", "/s 1234", "/S ", " /S", "s", "/p", "/ss"})
        EXPECT_FALSE(saver_command(s)) << '"' << s << '"';
    EXPECT_FALSE(saver_command(nullptr));
}

TEST(Role, PreviewTakesEitherSwitchCaseAndSeparator) {
    struct {
        const char *line;
        bool preview;
        uintptr_t parent;
    } cases[] = {
        {"/p 1234", true, 1234},   {"-P 1234", true, 1234},  {"/P:66050", true, 66050},
        {"/p  \t77 ", true, 77},   {"/p", true, 0},           {"-p abc", true, 0},
        {"/p 12x", true, 0},       {"/p 99999999999999999999999", true, 0},
        {"/pq 1", false, 0},       {"p 1", false, 0},         {"/s", false, 0},
        {"", false, 0},            {" /p 1", false, 0},
    };
    for (const auto &c : cases) {
        uintptr_t parent = 42;
        EXPECT_EQ(preview_command(c.line, &parent), c.preview) << '"' << c.line << '"';
        EXPECT_EQ(parent, c.parent) << '"' << c.line << '"';
        // The preview is never the saver role's exact switch, nor the reverse.
        if (c.preview) {
            EXPECT_FALSE(saver_command(c.line)) << c.line;
        }
    }
    EXPECT_FALSE(preview_command(nullptr, nullptr));
}

TEST_F(settings, WithNoFileTheFoldersComeFromTheExecutable) {
    iminv = 0;
    read_misc_settings();
    EXPECT_EQ(iminv, 1);
    EXPECT_EQ(instdir, "/opt/vortella");
    EXPECT_EQ(mapsdir, "/opt/vortella/MAPS");
    EXPECT_EQ(sbackgroundbmp, "/opt/vortella/MAPS/BGROUND.BMP");

    svc.module_path = "vortella";   // no folder part
    read_misc_settings();
    EXPECT_EQ(instdir, "");
    EXPECT_EQ(mapsdir, "/MAPS");
}

TEST_F(settings, DefaultsDoNotFollowTheInstallDirectory) {
    write_ini("[misc]\nInstallDirectory=/elsewhere\nNormal=0\nBackgroundMap=/b.bmp\n");
    read_misc_settings();
    EXPECT_EQ(iminv, 0);
    EXPECT_EQ(instdir, "/elsewhere");
    EXPECT_EQ(mapsdir, "/opt/vortella/MAPS");
    EXPECT_EQ(sbackgroundbmp, "/b.bmp");
}

TEST_F(settings, FirstRunWritesTheDemoPlaylistOnce) {
    ASSERT_TRUE(write_first_ini());
    EXPECT_EQ(ini("Global", "NoOfEntries"), "16");
    EXPECT_EQ(ini("Global", "Sequence"), "0");   // random order
    noent = 0;
    read_global_settings();
    read_entries();
    ASSERT_EQ(noent, 16);
    EXPECT_EQ(seqm, 0);
    // Every built-in scene once, each for two minutes; the sizes, the
    // picture's motion on the screen and the zooms vary from entry to entry.
    std::set<std::string> names, sizes;
    std::set<int> motions, zooms;
    bool own_motion = false, entry_motion = false;
    for (int i = 0; i < noent; ++i) {
        const std::string name = fna[i];
        ASSERT_EQ(name.rfind("/opt/vortella/", 0), 0u) << name;
        names.insert(name.substr(14));
        parse_entry(pma[i]);
        EXPECT_EQ(ddur, 2) << name;
        sizes.insert(std::to_string(dsizex) + "x" + std::to_string(dsizey));
        motions.insert(amode);
        zooms.insert(zoomm * 10 + zoomf);
        own_motion |= useod == 1;
        entry_motion |= useod == 0;
    }
    std::set<std::string> builtin;
    for (int d = 0; d < demo_scene_count; ++d) builtin.insert(demo_scenes[d].name);
    EXPECT_EQ(names, builtin);
    EXPECT_GE(sizes.size(), 6u);
    EXPECT_EQ(motions, (std::set<int>{1, 2, 3, 4, 6}));   // "Arrayed" is not offered
    EXPECT_GE(zooms.size(), 4u);
    EXPECT_TRUE(own_motion);
    EXPECT_TRUE(entry_motion);

    write_ini("[Global]\nSpeed=3\n");
    EXPECT_FALSE(write_first_ini());
    EXPECT_EQ(readtext(ini_path()), "[Global]\nSpeed=3\n");
}

TEST_F(settings, PictureSizeIsClampedAndItsPartsDerived) {
    set_start_values();
    EXPECT_EQ(picw, 320);
    EXPECT_EQ(pich, 200);
    picw = 100, pich = 5000;
    clamp_picture_size();
    EXPECT_EQ(picw, 320);
    EXPECT_EQ(pich, 2048);
    picw = 3000, pich = 199;
    clamp_picture_size();
    set_picture_sizes();
    EXPECT_EQ(picw, 2048);
    EXPECT_EQ(pich, 200);
    EXPECT_EQ(pich_1, 199);
}

TEST_F(playlist, EntryTextRoundTripsAndPartialTextsKeepTheRest) {
    parse_entry("2,320,200,7,1,3,1,45,-5,30,90,12,-60");
    EXPECT_EQ(format_entry(), "2,320,200,7,1,3,1,45,-5,30,90,12,-60");
    EXPECT_EQ(camsa, 45);
    EXPECT_EQ(camat, 30);

    parse_entry("4,64;99");   // stops at the semicolon
    EXPECT_EQ(format_entry(), "4,64,200,7,1,3,1,45,-5,30,90,12,-60");
    parse_entry("garbage");
    EXPECT_EQ(amode, 4);
    parse_entry(" 0x10, 010");   // the text format reads hex and octal
    EXPECT_EQ(amode, 16);
    EXPECT_EQ(dsizex, 8);
}

TEST_F(playlist, OutOfRangeTextsClampToTheDialogRanges) {
    parse_entry("0,0,100000,-3,5,9,-1,360,99999999999,-91,-1,31,91");
    EXPECT_EQ(dsizey, 100000);
    EXPECT_EQ(camsp, 2147483647);
    clamp_entry();
    EXPECT_EQ(format_entry(), "1,32,2048,1,1,3,0,359,30,-90,0,30,90");
}

TEST_F(playlist, EntryCountIsHeldTo1Through100) {
    read_global_settings();
    EXPECT_EQ(noent, 1);
    EXPECT_EQ(aspeed, 10);
    EXPECT_EQ(seqm, 0);
    write_playlist_ini(120);
    read_global_settings();
    read_entries();
    EXPECT_EQ(noent, 100);
    EXPECT_EQ(fna[99], "A99.VTL");
    EXPECT_EQ(aspeed, 12);
    EXPECT_EQ(seqm, 1);
}

TEST_F(playlist, NamedEntriesSkipEmptyNames) {
    noent = 4;
    fna[0] = "", fna[1] = "b", fna[2] = "", fna[3] = "d";
    EXPECT_EQ(named_entry(-1), 1);
    EXPECT_EQ(named_entry(0), 1);
    EXPECT_EQ(named_entry(1), 3);
    EXPECT_EQ(named_entry(2), -1);
}

}  // namespace
}  // namespace vortella::test
