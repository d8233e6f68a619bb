// The INI module and the profile services built on it.
#include <cstdlib>
#include <fstream>

#include "platform/platform.h"
#include "support/testutil.h"

namespace vortella::test {
namespace {

TEST(Profile, MissingFileSectionOrKeyGivesTheDefaultAndWritingMakesThem) {
    tempdir d;
    std::string p = d.file("none.ini");
    EXPECT_EQ(ini_get_string(p, "Misc", "Normal", "dflt", 64), "dflt");
    EXPECT_EQ(ini_get_int(p, "Misc", "Normal", 7), 7);
    writebytes(p, {'[', 'A', ']', '\n', 'k', '=', '1', '\n'});
    EXPECT_EQ(ini_get_int(p, "B", "k", 7), 7);
    EXPECT_EQ(ini_get_int(p, "A", "j", 7), 7);
    EXPECT_EQ(ini_get_int(p, "A", "k", 7), 1);
    // Writing makes the folder, the file and the section.
    p = d.file("sub/dir/new.ini");
    ASSERT_TRUE(ini_write_string(p, "Global", "Speed", "3"));
    EXPECT_EQ(readtext(p), "[Global]\nSpeed=3\n");
}

TEST(Profile, SectionsAndKeysMatchWithoutCase) {
    tempdir d;
    std::string p = d.file("a.ini");
    std::ofstream(p) << "; comment=1\n[global]\n  noofentries = 3 \nSPEED=\"12\"\n";
    EXPECT_EQ(ini_get_int(p, "Global", "NoOfEntries", 0), 3);
    EXPECT_EQ(ini_get_string(p, "GLOBAL", "speed", "", 64), "12");   // quotes dropped
    ASSERT_TRUE(ini_write_string(p, "GlObAl", "noOFentries", "4"));
    EXPECT_EQ(ini_get_int(p, "global", "NOOFENTRIES", 0), 4);
    EXPECT_EQ(readtext(p), "; comment=1\n[global]\nnoOFentries=4\nSPEED=\"12\"\n");
}

TEST(Profile, ValuesAreTruncatedAndIntegersReadLikeDecimal) {
    tempdir d;
    std::string p = d.file("a.ini");
    std::ofstream(p) << "[S]\nlong=abcdefgh\nneg=-12xyz\nword=abc\nempty=\nbig=99999999999\n";
    EXPECT_EQ(ini_get_string(p, "S", "long", "", 4), "abc");
    EXPECT_EQ(ini_get_string(p, "S", "long", "", 0), "");
    EXPECT_EQ(ini_get_int(p, "S", "neg", 5), -12);
    EXPECT_EQ(ini_get_int(p, "S", "word", 5), 0);
    EXPECT_EQ(ini_get_int(p, "S", "empty", 5), 0);
    EXPECT_EQ(ini_get_int(p, "S", "big", 5), 2147483647);
}

TEST(Profile, WritingKeepsEveryOtherLine) {
    tempdir d;
    std::string p = d.file("a.ini");
    std::ofstream(p) << "; settings\n[Global]\nSpeed=10\n\n[Entries]\nEntryFN000=a.vtl\n"
                        "junk line\n\n[Misc]\nNormal=1\n";
    ASSERT_TRUE(ini_write_string(p, "Global", "Speed", "12"));
    ASSERT_TRUE(ini_write_string(p, "Entries", "EntryPM000", "1,2"));
    ASSERT_TRUE(ini_write_string(p, "New", "k", "v"));
    EXPECT_EQ(readtext(p),
              "; settings\n[Global]\nSpeed=12\n\n[Entries]\nEntryFN000=a.vtl\n"
              "junk line\nEntryPM000=1,2\n\n[Misc]\nNormal=1\n\n[New]\nk=v\n");
}

TEST(Profile, WritingKeepsCrLfLineEnds) {
    tempdir d;
    std::string p = d.file("a.ini");
    std::ofstream(p, std::ios::binary) << "[A]\r\nx=1\r\n";
    ASSERT_TRUE(ini_write_string(p, "A", "y", "2"));
    EXPECT_EQ(readtext(p), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ini_get_string(p, "A", "x", "", 9), "1");
    // Mixed ends: every line comes back byte for byte, stray CRs read as
    // blanks before and after the write.
    const std::string mixed = "; c\n[A]\r\nx=15\r\r\nz=1\r,2\n\r\n[B]\nw=0";
    std::ofstream(p, std::ios::binary) << mixed;
    EXPECT_EQ(ini_get_string(p, "A", "x", "", 9), "15");
    ASSERT_TRUE(ini_write_string(p, "A", "y", "2"));
    EXPECT_EQ(readtext(p), "; c\n[A]\r\nx=15\r\r\nz=1\r,2\ny=2\n\r\n[B]\nw=0\n");
    EXPECT_EQ(ini_get_string(p, "A", "x", "", 9), "15");
    EXPECT_EQ(ini_get_string(p, "A", "z", "", 9), "1\r,2");
}

TEST(Profile, BareNamesResolveToTheConfigurationFolder) {
    EXPECT_EQ(profile_path("/etc/x.ini"), "/etc/x.ini");
    profile_folder = "/tmp/override";
    EXPECT_EQ(profile_path("VORTELLA.INI"), "/tmp/override/VORTELLA.INI");
    profile_folder.clear();

    const char *old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(profile_path("VORTELLA.INI"), "/cfg/vortella/VORTELLA.INI");
    setenv("XDG_CONFIG_HOME", "", 1);
    const char *home = std::getenv("HOME");
    EXPECT_EQ(profile_path("VORTELLA.INI"),
              std::string(home ? home : ".") + "/.config/vortella/VORTELLA.INI");
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace vortella::test
