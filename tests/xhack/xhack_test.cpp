// The hack's command line (which window it draws into, and the errors it
// reports) and the conversion of palette entries to X pixels of every
// true-colour layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/xhack/xhack.h"

namespace vortella::xhack {
namespace {

TEST(window_id, HexadecimalOrDecimalWithBlanksAround) {
    struct row { const char *text; bool ok; unsigned long id; } rows[] = {
        {"0x1a00003", true, 0x1a00003}, {"0X1A", true, 0x1a}, {"  12345 ", true, 12345},
        {"4194305\n", true, 4194305}, {"0xFFFFFFFF", true, 0xFFFFFFFFul},
        {"", false, 0}, {"0x", false, 0}, {"0xZZ", false, 0}, {"12abc", false, 0},
        {"1a", false, 0},   // hexadecimal digits need the 0x
        {"-5", false, 0}, {"0", false, 0} /* no window */, {"0x100000000", false, 0},
        {"99999999999999999999999", false, 0},
    };
    for (const row &r : rows) {
        unsigned long id = 7;
        EXPECT_EQ(parse_window_id(r.text, id), r.ok) << '"' << r.text << '"';
        EXPECT_EQ(id, r.ok ? r.id : 7ul) << '"' << r.text << '"';
    }
    unsigned long id = 0;
    EXPECT_FALSE(parse_window_id(nullptr, id));
}

TEST(options, TheWindowComesFromTheSwitchesAndTheDaemonsVariable) {
    const auto own = target_kind::own_window, root = target_kind::root, given = target_kind::window_id;
    struct row { std::vector<std::string> args; const char *env; target_kind target; unsigned long id; } rows[] = {
        {{}, nullptr, own, 0}, {{}, "", own, 0}, {{}, "0x2a", given, 42},
        {{"-root"}, nullptr, root, 0},
        {{"-root"}, "0x2a", given, 42},       // the daemon's window, not the real root
        {{"--root"}, "42", given, 42},        // the daemon writes two dashes
        {{"-window"}, "0x2a", own, 0},
        {{"-window"}, "junk", own, 0},        // a variable not asked for is not read
        {{"-window-id", "0x10"}, "0x2a", given, 16}, {{"--window-id", "17"}, nullptr, given, 17},
        {{"-root", "-window"}, nullptr, own, 0},   // the last choice wins
        {{"-window-id", "5", "-root"}, nullptr, root, 0}, {{"-root", "-window-id", "5"}, "0x2a", given, 5},
    };
    for (const row &r : rows) {
        options o;
        std::string err;
        ASSERT_TRUE(parse_options(r.args, r.env, o, err)) << err;
        EXPECT_EQ(o.target, r.target) << testing::PrintToString(r.args) << " " << (r.env ? r.env : "-");
        if (r.target == given) {
            EXPECT_EQ(o.window_id, r.id) << testing::PrintToString(r.args);
        }
    }
}

TEST(options, FrameRateDisplayHelpAndBadArgumentsReportedByName) {
    options o;
    std::string err;
    ASSERT_TRUE(parse_options({"-fps", "-display", ":3", "-root"}, nullptr, o, err));
    EXPECT_TRUE(o.fps && !o.help && o.display == ":3");
    ASSERT_TRUE(parse_options({"-fps", "-no-fps", "--help"}, nullptr, o, err));
    EXPECT_TRUE(!o.fps && o.help);
    struct row { std::vector<std::string> args; const char *env, *message_part; } rows[] = {
        {{"-window-id"}, nullptr, "-window-id needs a window id"},
        {{"-window-id", "junk"}, nullptr, "bad window id \"junk\""},
        {{"-window-id", "0"}, nullptr, "bad window id \"0\""},
        {{"-display"}, nullptr, "-display needs"},
        {{}, "junk", "XSCREENSAVER_WINDOW"},
        {{"-root"}, "0x", "XSCREENSAVER_WINDOW"},
        {{"-bogus"}, nullptr, "unknown argument \"-bogus\""},
        {{"root"}, nullptr, "unknown argument \"root\""},
    };
    for (const row &r : rows) {
        EXPECT_FALSE(parse_options(r.args, r.env, o, err)) << testing::PrintToString(r.args);
        EXPECT_NE(err.find(r.message_part), std::string::npos) << err;
    }
}

TEST(pixels, ChannelsAreScaledToTheirMasks) {
    const rgb_masks rgb24{0xFF0000, 0x00FF00, 0x0000FF}, bgr24{0x0000FF, 0x00FF00, 0xFF0000},
        rgb565{0xF800, 0x07E0, 0x001F}, rgb555{0x7C00, 0x03E0, 0x001F},
        rgb30{0x3FF00000, 0x000FFC00, 0x000003FF};
    struct row { const char *name; rgb_masks m; uint8_t r, g, b; unsigned long want; } rows[] = {
        {"24-bit", rgb24, 0x12, 0x34, 0x56, 0x123456}, {"BGR", bgr24, 0x12, 0x34, 0x56, 0x563412},
        {"16-bit", rgb565, 255, 255, 255, 0xFFFF}, {"16-bit", rgb565, 0, 255, 0, 0x07E0},
        {"16-bit", rgb565, 128, 128, 128, 0x8410},   // 16, 32, 16: rounded, not cut
        {"16-bit", rgb565, 3, 2, 4, 0x0000},         // below half a step
        {"15-bit", rgb555, 255, 255, 255, 0x7FFF}, {"30-bit", rgb30, 255, 0, 0, 0x3FF00000},
        {"30-bit", rgb30, 0, 1, 0, 0x00001000},      // 1 -> 4 of 1023
    };
    for (const row &r : rows)
        EXPECT_EQ(pack_rgb(r.m, r.r, r.g, r.b), r.want)
            << r.name << " " << int(r.r) << "," << int(r.g) << "," << int(r.b);
    // Black is 0 in every layout.
    for (const rgb_masks &m : {rgb24, bgr24, rgb565, rgb555, rgb30}) EXPECT_EQ(pack_rgb(m, 0, 0, 0), 0ul);
}

TEST(pixels, RowsAreWrittenInTheImagesSizeAndByteOrder) {
    unsigned long lut[256] = {};
    lut[1] = 0x11223344;
    lut[2] = 0xA1B2C3D4;
    const uint8_t src[2] = {1, 2};
    struct row { int bpp; bool msb; std::vector<uint8_t> want; } rows[] = {
        {32, false, {0x44, 0x33, 0x22, 0x11, 0xD4, 0xC3, 0xB2, 0xA1}},
        {32, true, {0x11, 0x22, 0x33, 0x44, 0xA1, 0xB2, 0xC3, 0xD4}},
        {24, false, {0x44, 0x33, 0x22, 0xD4, 0xC3, 0xB2}}, {24, true, {0x22, 0x33, 0x44, 0xB2, 0xC3, 0xD4}},
        {16, false, {0x44, 0x33, 0xD4, 0xC3}}, {16, true, {0x33, 0x44, 0xC3, 0xD4}},
        {8, true, {0x44, 0xD4}},
    };
    for (const row &r : rows) {
        std::vector<uint8_t> dst(r.want.size() + 1, 0xEE);
        ASSERT_TRUE(convert_row(src, 2, lut, r.bpp, r.msb, dst.data())) << r.bpp;
        EXPECT_EQ(std::vector<uint8_t>(dst.begin(), dst.end() - 1), r.want) << r.bpp << " msb " << r.msb;
        EXPECT_EQ(dst.back(), 0xEE) << "wrote past the row at " << r.bpp;
    }
    // Pixel sizes that are not whole bytes (or too wide) are left to the
    // caller's slow path, untouched.
    for (int bpp : {1, 4, 12, 64}) {
        uint8_t dst[16];
        std::memset(dst, 0xEE, sizeof dst);
        EXPECT_FALSE(convert_row(src, 2, lut, bpp, false, dst)) << bpp;
        EXPECT_EQ(dst[0], 0xEE);
    }
}

// A scaled row repeats each converted pixel k times; a row that starts
// inside a block gives its first pixel only the rest of that block.
TEST(pixels, ScaledRowsRepeatEveryPixelForItsBlock) {
    const uint8_t px[] = {1, 2, 3, 10, 20, 30, 100, 200, 255};   // three 3-byte pixels
    uint8_t dst[3 * 8];
    std::memset(dst, 0xEE, sizeof dst);
    widen_row(px, 3, 1, 7, 3, dst);   // 2 of the first, 3 of the second, 2 of the third
    const uint8_t want[] = {1, 2, 3, 1, 2, 3, 10, 20, 30, 10, 20, 30, 10, 20, 30, 100, 200, 255, 100, 200, 255};
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 21), std::vector<uint8_t>(want, want + 21));
    EXPECT_EQ(dst[21], 0xEE);   // nothing past n
    uint32_t wide[5] = {};
    const uint32_t four[] = {7, 9};
    widen_row(reinterpret_cast<const uint8_t *>(four), 4, 0, 5, 4, reinterpret_cast<uint8_t *>(wide));
    EXPECT_EQ(std::vector<uint32_t>(wide, wide + 5), (std::vector<uint32_t>{7, 7, 7, 7, 9}));
}

}  // namespace
}  // namespace vortella::xhack
