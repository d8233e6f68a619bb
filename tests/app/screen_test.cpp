// The saver on today's screens, on the headless backend: several monitors
// of different sizes and places, every one blackened and the picture on
// the playing one only; pixels scaled to blocks on large monitors; full
// screen filling any monitor.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "apptest.h"
#include "authoring/writer.h"
#include "platform/monitors.h"

namespace vortella::test {
namespace {

constexpr uint8_t desktop = 77;   // what the monitors showed before the saver

// Notes where every picture copy landed and at what scale; the display
// size can stand for a larger monitor (a preview in a window).
struct copy_spy : headless_services {
    std::vector<screen_rect> copies;
    std::vector<int> scales;
    int display_w = 0, display_h = 0;
    void display_size(int &w, int &h) override {
        if (display_w) w = display_w, h = display_h;
        else headless_services::display_size(w, h);
    }
    void blit_picture(HWND w, int x, int y, int scale) override {
        copies.push_back({x, y, pic_w * scale, pic_h * scale});
        scales.push_back(scale);
        headless_services::blit_picture(w, x, y, scale);
    }
};

class screens : public app_test {
protected:
    copy_spy spy;

    void SetUp() override {
        app_test::SetUp();
        spy.module_path = svc.module_path;
        set_sys(&spy);
        std::srand(1);
        // A plain background: every pixel of the picture is lit.
        scene_desc scene = tiny_scene();
        scene_settings_desc bg;
        bg.red = 200, bg.green = 120, bg.blue = 40;
        scene.add(bg);
        std::string err;
        ASSERT_TRUE(write_scene_file(scene, dir.file("tiny.vtl"), &err)) << err;
    }
    void TearDown() override {
        release_saver(hwndApp);
        app_test::TearDown();
    }

    // One entry of the tiny scene: animation, size; PixelScale when given.
    void play(int mode, int w, int h, const char *scale = nullptr) {
        std::string t = "[Global]\nNoOfEntries=1\nSpeed=10\nSequence=1\n[Entries]\nEntryFN000=" +
                        dir.file("tiny.vtl") + "\nEntryPM000=" + std::to_string(mode) + "," +
                        std::to_string(w) + "," + std::to_string(h) + ",1,0,1,0,0,0,0,0,0,0\n";
        if (scale) t += std::string("[Misc]\nPixelScale=") + scale + "\n";
        write_ini(t);
    }
    // Runs the saver until the clock reaches `ms`; true when it still runs.
    bool run(unsigned ms) {
        spy.limit = ms;
        try {
            WinMain("/S", SW_SHOWNORMAL);
        } catch (const headless_idle &) {
            return true;
        } catch (const process_exit &) {
        }
        return false;
    }
    // The monitors' pixels are all black but for the last copy, which lies
    // on monitor `on`; every copy before it lay there too.
    void expect_black_but_the_picture_on(size_t on) {
        ASSERT_FALSE(spy.copies.empty());
        const screen_rect m = spy.monitor_list.at(on);
        for (const screen_rect &c : spy.copies) {
            ASSERT_EQ(intersect(c, m).w, c.w) << "a copy crosses the monitor's side at " << c.x;
            ASSERT_EQ(intersect(c, m).h, c.h) << "a copy crosses the monitor's top or bottom at " << c.y;
        }
        const screen_rect last = spy.copies.back();
        size_t lit = 0;
        for (const screen_rect &mon : spy.monitor_list)
            for (int y = mon.y; y < mon.y + mon.h; ++y)
                for (int x = mon.x; x < mon.x + mon.w; ++x) {
                    const uint8_t p = spy.screen[size_t(y) * size_t(spy.screen_w) + size_t(x)];
                    if (x >= last.x && x < last.x + last.w && y >= last.y && y < last.y + last.h) {
                        lit += p != 0;
                        continue;
                    }
                    ASSERT_EQ(p, 0) << "at " << x << "," << y;
                }
        EXPECT_EQ(lit, size_t(last.w) * size_t(last.h));   // the scene's background, all of it
    }
    void paint_desktop() { spy.screen.assign(size_t(spy.screen_w) * size_t(spy.screen_h), desktop); }
};

// --- Several monitors -----------------------------------------------------------------

// Side by side, of different sizes and tops: the screen is their bounding
// box, every monitor goes black, and the bouncing picture stays on the one
// it plays on, scaled for its rows.
TEST_F(screens, TwoMonitorsSideBySideGoBlackAndThePictureBouncesOnTheRightOne) {
    spy.set_monitors({{0, 0, 1920, 1080}, {1920, -300, 3840, 2160}}, 1);
    EXPECT_EQ(std::vector<int>({spy.screen_w, spy.screen_h}), std::vector<int>({5760, 2160}));
    EXPECT_EQ(std::vector<int>({spy.monitor_list[0].y, spy.monitor_list[1].x}), std::vector<int>({300, 1920}));
    paint_desktop();
    play(1, 480, 360);
    ASSERT_TRUE(run(30000));
    EXPECT_EQ(std::vector<int>({playmon.x, playmon.y, playmon.w, playmon.h}),
              std::vector<int>({1920, 0, 3840, 2160}));
    EXPECT_EQ(pixk, 2);
    EXPECT_EQ(spy.copies.back().w, 960);
    EXPECT_GT(spy.copies.size(), 250u);
    expect_black_but_the_picture_on(1);
}

// Three monitors: one left of the primary at negative coordinates, one
// stacked below it; the picture plays on the stacked one, a large picture
// bouncing in little room.
TEST_F(screens, ThreeMonitorsLeftOfAndBelowThePrimaryKeepThePictureOnItsOwn) {
    spy.set_monitors({{0, 0, 1920, 1080}, {-1600, 300, 1600, 900}, {0, 1080, 1280, 1024}}, 2);
    EXPECT_EQ(std::vector<int>({spy.screen_w, spy.screen_h}), std::vector<int>({3520, 2104}));
    paint_desktop();
    play(2, 1200, 1000);
    ASSERT_TRUE(run(20000));
    EXPECT_EQ(std::vector<int>({playmon.x, playmon.y, playmon.w, playmon.h}),
              std::vector<int>({1600, 1080, 1280, 1024}));
    EXPECT_EQ(std::vector<int>({picw, pich, pixk}), std::vector<int>({1200, 1000, 1}));
    expect_black_but_the_picture_on(2);
}

TEST_F(screens, FullScreenAndCentredStayOnThePlayingMonitor) {
    spy.set_monitors({{-2560, 0, 2560, 1440}, {0, 0, 1920, 1080}}, 0);
    // Full screen at 2560 x 1440 is 1280 x 720 pixels scaled twice; the
    // centred picture is the entry's size, unscaled at 1440 rows.
    const struct { int mode; screen_rect want; } cases[] = {
        {6, {0, 0, 2560, 1440}},
        {3, {(2560 - 480) / 2, (1440 - 360) / 2, 480, 360}},
    };
    for (const auto &c : cases) {
        spy.copies.clear();
        paint_desktop();
        play(c.mode, 480, 360);
        ASSERT_TRUE(run(spy.now + 2000));
        expect_black_but_the_picture_on(0);
        const screen_rect last = spy.copies.back();
        EXPECT_EQ(std::vector<int>({last.x, last.y, last.w, last.h}),
                  std::vector<int>({c.want.x, c.want.y, c.want.w, c.want.h}));
        release_saver(hwndApp);
        spy.classes.clear(), spy.windows.clear(), spy.timers.clear();
    }
}

// --- Pixel scale ------------------------------------------------------------------------

TEST(pixel_scale, AutoIsTheMonitorsRowsOver1080Rounded) {
    const struct { int rows, k; } rows[] = {
        {0, 1}, {480, 1}, {1080, 1}, {1440, 1}, {1600, 1}, {1619, 1}, {1620, 2},
        {2160, 2}, {2880, 3}, {4320, 4}, {8640, 8},
    };
    for (const auto &r : rows) EXPECT_EQ(auto_pixel_scale(r.rows), r.k) << r.rows << " rows";
}

// The setting wins over Auto; a window smaller than its display (a
// preview) keeps pixels one to one and its shrinking rule.
TEST_F(screens, TheScaleIsTheSettingOrAutoAndOneInAWindow) {
    const struct { int w, h, display_w, display_h; const char *setting; int k, pic_w; } cases[] = {
        {1920, 1080, 0, 0, nullptr, 1, 480},
        {3840, 2160, 0, 0, nullptr, 2, 480},
        {3840, 2160, 0, 0, "0", 2, 480},
        {3840, 2160, 0, 0, "1", 1, 480},
        {1920, 1080, 0, 0, "3", 3, 480},
        {1920, 1080, 0, 0, "9", 4, 480},          // a hand-edited file: the largest offered
        {960, 540, 3840, 2160, "4", 1, 112},      // a quarter of the display: a quarter of the size
    };
    for (const auto &c : cases) {
        spy.classes.clear(), spy.windows.clear(), spy.timers.clear();
        spy.screen_w = c.w, spy.screen_h = c.h;
        spy.display_w = c.display_w, spy.display_h = c.display_h;
        play(3, 480, 360, c.setting);
        ASSERT_TRUE(run(spy.now + 300));
        EXPECT_EQ(std::vector<int>({pixk, picw, spy.scales.back()}), std::vector<int>({c.k, c.pic_w, c.k}))
            << c.w << "x" << c.h << " setting " << (c.setting ? c.setting : "none");
        release_saver(hwndApp);
    }
}

// A scaled picture moves and bounces as the unscaled one on a monitor that
// many times smaller: each step of velocity is a block.
TEST_F(screens, AScaledPictureMovesByBlocksAndBouncesAtTheMonitorsEdge) {
    spy.screen_w = 1200, spy.screen_h = 900;
    playmon = {100, 50, 1000, 800};
    pixk = 3;
    amode = 1;
    picw = 100, pich = 50;
    currpx = prevpx = 690, currpy = prevpy = 100;
    currvx = 3, currvy = -2;
    file_no_obj = 0;
    AppPaint(1);
    EXPECT_EQ(std::vector<int>({currpx, currpy}), std::vector<int>({699, 94}));
    AppPaint(1);   // 708 would leave 1000 - 300 = 700 of room: it bounces
    EXPECT_EQ(std::vector<int>({currpx, currvx, currpy}), std::vector<int>({690, -3, 88}));
    paint_desktop();
    ASSERT_NE(spy.create_picture(16, 4), nullptr);
    std::fill(spy.picture.begin(), spy.picture.end(), uint8_t(9));
    force_blit = 1;
    AppPaint(1);
    // The old place, (699, 94) on the monitor, blackened at three times the
    // picture's size; the picture copied to the new one, (690, 88), in
    // blocks of three.
    const int old_x = 100 + 699, old_y = 50 + 94, x = 100 + 690, y = 50 + 88;
    EXPECT_EQ(std::vector<int>({spy.copies.back().x, spy.copies.back().y, spy.copies.back().w}),
              std::vector<int>({x, y, 48}));
    EXPECT_EQ(std::vector<int>({spy.pixel(old_x + 299, old_y + 149), spy.pixel(old_x + 300, old_y),
                                spy.pixel(old_x, old_y + 150)}),
              std::vector<int>({0, desktop, desktop}));
    EXPECT_EQ(std::vector<int>({spy.pixel(x, y), spy.pixel(x + 47, y + 11), spy.pixel(x + 48, y)}),
              std::vector<int>({9, 9, desktop}));
}

// --- Full screen ---------------------------------------------------------------------------

// Full screen fills any monitor: the scale rises until the picture fits
// the picture limit, and what whole blocks leave is at most 1 %.
TEST(full_screen, FillsTodaysMonitorsLeavingAtMostOnePercentBlack) {
    const struct { int w, h, k, pic_w, pic_h; } cases[] = {
        {1920, 1080, 1, 1920, 1080}, {2560, 1440, 2, 1280, 720}, {3840, 2160, 2, 1920, 1080},
        {7680, 4320, 4, 1920, 1080}, {5120, 2880, 3, 1696, 960}, {3440, 1440, 2, 1712, 720},
        {1366, 768, 1, 1360, 768},   {2048, 1536, 1, 2048, 1536},
    };
    for (const auto &c : cases) {
        int k = auto_pixel_scale(c.h), w = 0, h = 0;
        full_screen_picture(c.w, c.h, k, w, h);
        EXPECT_EQ(std::vector<int>({k, w, h}), std::vector<int>({c.k, c.pic_w, c.pic_h})) << c.w << "x" << c.h;
        EXPECT_LE(w, pic_max);
        EXPECT_LE(h, pic_max);
        const double covered = double(k * w) * double(k * h) / (double(c.w) * double(c.h));
        EXPECT_GE(covered, 0.99) << c.w << "x" << c.h;
        EXPECT_LE(covered, 1.0) << c.w << "x" << c.h;
    }
    // A scale set higher than needed is kept; a degenerate monitor still
    // gets the smallest picture.
    int k = 4, w = 0, h = 0;
    full_screen_picture(1920, 1080, k, w, h);
    EXPECT_EQ(std::vector<int>({k, w, h}), std::vector<int>({4, 480, 268}));
    k = 0;
    full_screen_picture(0, 0, k, w, h);
    EXPECT_EQ(std::vector<int>({k, w, h}), std::vector<int>({1, 16, 4}));
}

TEST_F(screens, FullScreenOnAnEightKMonitorCoversItFromTheCentre) {
    spy.set_monitors({{0, 0, 7680, 4320}}, 0);
    play(6, 480, 360);
    ASSERT_TRUE(run(1000));
    ASSERT_FALSE(spy.copies.empty());
    const screen_rect c = spy.copies.back();
    EXPECT_EQ(std::vector<int>({c.x, c.y, c.w, c.h, spy.scales.back()}),
              std::vector<int>({0, 0, 7680, 4320, 4}));
}

// --- The layout of monitors ------------------------------------------------------------------

TEST(monitor_layout, TheScreenIsTheBoundingBoxOfMonitorsInAnyCoordinates) {
    const monitor_layout l = lay_out_monitors({{-1920, -200, 1920, 1080}, {0, 0, 2560, 1440}, {5, 5, 0, 10}});
    EXPECT_EQ(std::vector<int>({l.origin_x, l.origin_y, l.width, l.height}),
              std::vector<int>({-1920, -200, 4480, 1640}));
    ASSERT_EQ(l.monitors.size(), 2u);   // the empty one is left out
    EXPECT_EQ(std::vector<int>({l.monitors[0].x, l.monitors[0].y, l.monitors[1].x, l.monitors[1].y}),
              std::vector<int>({0, 0, 1920, 200}));
    EXPECT_EQ(monitor_at(l.monitors, 1919, 1079), 0);
    EXPECT_EQ(monitor_at(l.monitors, 1920, 199), -1);   // above the second: no monitor
    EXPECT_EQ(monitor_at(l.monitors, 1920, 200), 1);
    EXPECT_TRUE(lay_out_monitors({}).monitors.empty());
    // Far apart at the ends of the range, the box is too wide for an int.
    EXPECT_EQ(lay_out_monitors({{INT_MIN, 0, 10, 10}, {INT_MAX - 10, 0, 10, 10}}).width, 0);
    const screen_rect none = intersect({0, 0, 10, 10}, {10, 0, 5, 5});
    EXPECT_EQ(none.w, 0);
}

}  // namespace
}  // namespace vortella::test
