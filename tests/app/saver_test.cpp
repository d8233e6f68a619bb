// The running saver on the headless backend: roles, the entry sequence on
// the virtual clock, input that ends it, the picture per entry and its
// movement over the screen.
#include <algorithm>
#include <string>
#include <vector>

#include "apptest.h"
#include "authoring/writer.h"

namespace vortella::test {
namespace {

// Notes the scene file and the clock of every entry switch (the switch
// posts the size message that builds the entry's picture).
struct spy_services : headless_services {
    std::vector<std::string> played;
    std::vector<unsigned> played_at;
    int display_w = 0, display_h = 0;   // 0: the display is the screen
    void display_size(int &w, int &h) override {
        if (display_w) w = display_w, h = display_h;
        else headless_services::display_size(w, h);
    }
    bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_SIZE) played.push_back(current_file), played_at.push_back(now);
        return headless_services::post_message(w, msg, wp, lp);
    }
};

constexpr int still = -1;   // the saver was still running when the clock stopped

class saver : public app_test {
protected:
    spy_services spy;

    void SetUp() override {
        app_test::SetUp();
        spy.module_path = svc.module_path;
        set_sys(&spy);
        std::srand(1);
    }
    void TearDown() override {
        restart_in_place = false;
        release_saver(hwndApp);
        app_test::TearDown();
    }

    // Runs the program, or with no command line the running one's message
    // loop, until it ends (its exit code) or the clock reaches `ms`.
    int run(const char *cmdline, unsigned ms) {
        spy.limit = ms;
        MSG m;
        try {
            if (cmdline) return WinMain(cmdline, SW_SHOWNORMAL) - 2;
            for (;;)
                if (spy.get_message(m)) spy.dispatch_message(m);
        } catch (const headless_idle &) {
            return still;
        } catch (const process_exit &e) {
            return e.code;
        }
    }
    // A program that ended leaves its window class behind in the backend.
    void new_process() { spy.classes.clear(), spy.windows.clear(), spy.timers.clear(); }

    // One entry per text, named E0.VTL, E1.VTL, ... unless names are given.
    void playlist(int seq, int speed, const std::vector<std::string> &pm,
                  const std::vector<std::string> &names = {}) {
        std::string t = "[Global]\nNoOfEntries=" + std::to_string(pm.size()) + "\nSpeed=" +
                        std::to_string(speed) + "\nSequence=" + std::to_string(seq) + "\n[Entries]\n";
        for (size_t i = 0; i < pm.size(); ++i) {
            const std::string n = i < names.size() ? names[i] : "E" + std::to_string(i) + ".VTL";
            t += "EntryFN00" + std::to_string(i) + "=" + n + "\nEntryPM00" + std::to_string(i) + "=" + pm[i] + "\n";
        }
        write_ini(t);
    }
};

// Animation, size and duration; still camera and light.
std::string entry(int mode, int w, int h, int minutes) {
    return std::to_string(mode) + "," + std::to_string(w) + "," + std::to_string(h) + "," +
           std::to_string(minutes) + ",0,1,0,0,0,0,0,0,0";
}

// Only "/S" runs the saver (the others open the dialog, here cancelled), and
// only on a palette display.
TEST_F(saver, OnlyTheWholeSaverSwitchRunsTheSaverOnAPaletteDisplay) {
    playlist(1, 10, {entry(1, 320, 200, 1)});
    for (const char *cmd : {"/s 1234", "", "/c"}) {
        new_process();
        EXPECT_EQ(run(cmd, 5000), 0) << cmd;
        EXPECT_GE(spy.cursor_count, 0) << cmd;
    }
    EXPECT_EQ(spy.dialogs_run.size(), 3u);
    EXPECT_TRUE(spy.played.empty());
    new_process();
    EXPECT_EQ(run("-S", 5000), still);
    EXPECT_EQ(spy.played, std::vector<std::string>{"E0.VTL"});
    EXPECT_LT(spy.cursor_count, 0);
    release_saver(hwndApp);
    new_process();
    spy.display_palette = false;
    EXPECT_EQ(run("/S", 1000), -2);
    ASSERT_EQ(spy.boxes.size(), 1u);
    EXPECT_EQ(spy.boxes[0].caption, "Unsupported Display");
}

// --- Entry sequence ------------------------------------------------------------

TEST_F(saver, PlaylistOrderStartsAtTheFirstEntryAndWraps) {
    playlist(1, 10, {entry(3, 320, 200, 1), entry(3, 320, 200, 2), entry(3, 320, 200, 1)});
    EXPECT_EQ(run("/S", 5 * 60000), still);
    EXPECT_EQ(spy.played, (std::vector<std::string>{"E0.VTL", "E1.VTL", "E2.VTL", "E0.VTL"}));
    // The first tick loads; then each entry stays until the first tick
    // after more than its own duration.
    EXPECT_EQ(spy.played_at, (std::vector<unsigned>{100, 60200, 180300, 240400}));
}

TEST_F(saver, RandomOrderNeverPlaysAnEntryTwiceInARow) {
    playlist(0, 10, {entry(3, 320, 200, 1), entry(3, 320, 200, 1), entry(3, 320, 200, 1)});
    EXPECT_EQ(run("/S", 40 * 60000), still);
    ASSERT_GE(spy.played.size(), 39u);
    for (size_t i = 1; i < spy.played.size(); ++i) EXPECT_NE(spy.played[i], spy.played[i - 1]) << i;
    EXPECT_GT(std::count(spy.played.begin(), spy.played.end(), std::string("E2.VTL")), 0);
}

// After three hours the saver starts itself afresh, or reloads its entry in
// place. A single entry is otherwise never switched, in either order.
TEST_F(saver, TheSaverRestartsItselfAfterThreeHours) {
    playlist(1, 1, {entry(3, 320, 200, 15)});
    EXPECT_EQ(run("/S", 10800000), still);
    EXPECT_TRUE(spy.started.empty());
    EXPECT_EQ(spy.played.size(), 1u);
    EXPECT_EQ(run(nullptr, ~0u), 0);
    EXPECT_EQ(spy.now, 10801000u);
    EXPECT_EQ(spy.started, std::vector<std::string>{"/opt/vortella/vortella /S"});
}

TEST_F(saver, AnInPlaceRestartReloadsTheEntryAndStartsNothing) {
    restart_in_place = true;
    playlist(0, 1, {entry(3, 320, 200, 15)});
    EXPECT_EQ(run("/S", 10802000), still);
    EXPECT_TRUE(spy.started.empty());
    EXPECT_EQ(spy.played.size(), 2u);
    EXPECT_EQ(spy.played_at.back(), 10801000u);
}

TEST_F(saver, ScenesThatCannotBeShownArePassedOver) {
    writebytes(dir.file("junk.vtl"), std::vector<uint8_t>(64, 0xEE));
    std::string err;
    ASSERT_TRUE(write_scene_file(tiny_scene(), dir.file("tiny.vtl"), &err)) << err;
    playlist(1, 10, {entry(3, 320, 200, 1), entry(3, 320, 200, 1), entry(3, 320, 200, 1)},
             {"missing.vtl", dir.file("junk.vtl"), dir.file("tiny.vtl")});
    EXPECT_EQ(run("/S", 2 * 60000), still);
    EXPECT_EQ(spy.played.size(), 2u);
    EXPECT_EQ(spy.blits, 0);
    EXPECT_TRUE(spy.boxes.empty());
    EXPECT_EQ(run(nullptr, 2 * 60000 + 1000), still);
    EXPECT_GE(spy.blits, 5);
}

TEST_F(saver, AMissingTextureMapEndsTheSaverCleanly) {
    scene_desc s = tiny_scene();
    s.add(map_desc{"nowhere.bmp", 1});
    std::string err;
    ASSERT_TRUE(write_scene_file(s, dir.file("map.vtl"), &err)) << err;
    playlist(1, 10, {entry(1, 320, 200, 1)}, {dir.file("map.vtl")});
    EXPECT_EQ(run("/S", 5000), 0);
    ASSERT_EQ(spy.boxes.size(), 1u);
    EXPECT_EQ(spy.boxes[0].caption, "Map Not Found(2)");
    EXPECT_GE(spy.cursor_count, 0);
    EXPECT_EQ(spy.pic_w, 0);
    EXPECT_TRUE(spy.timers.empty());
    EXPECT_EQ(transa, nullptr);
}

// --- Input ---------------------------------------------------------------------

// The third mouse move ends the saver, and so does losing the focus; in the
// configuration role a deactivation ends nothing.
TEST_F(saver, TheThirdMouseMoveOrDeactivationEndsOnlyTheSaver) {
    playlist(1, 10, {entry(1, 320, 200, 1)});
    spy.mouse_move_at(300, 5, 5);
    spy.mouse_move_at(400, 6, 5);
    spy.mouse_move_at(5500, 7, 5);
    EXPECT_EQ(run("/S", 10000), 0);
    EXPECT_EQ(spy.now, 5500u);
    EXPECT_GE(spy.cursor_count, 0);
    release_saver(hwndApp);
    new_process();
    spy.now = 0;
    spy.input_at(700, WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(run("/S", 5000), 0);
    EXPECT_EQ(spy.now, 700u);
    noproc = 1;
    EXPECT_EQ(AppWndProc(1, WM_ACTIVATE, 0, 0), 1);
    EXPECT_TRUE(spy.queue.empty());
}

// --- The picture per entry ---------------------------------------------------------

// Sizes round down to whole blocks and are limited to the screen; full
// screen fills it in whole blocks, what they leave centred.
TEST_F(saver, PictureSizesRoundDownToWholeBlocksWithinTheScreen) {
    const struct { int screen_w, screen_h, mode, w, h, pic_w, pic_h, x, y; } cases[] = {
        {640, 480, 3, 333, 203, 320, 200, 160, 140},   // centred
        {650, 487, 6, 100, 100, 640, 484, 5, 1},
        {400, 300, 1, 2048, 1000, 400, 300, 0, 0},
    };
    for (const auto &c : cases) {
        new_process();
        spy.now = 0;
        spy.screen_w = c.screen_w, spy.screen_h = c.screen_h;
        playlist(1, 10, {entry(c.mode, c.w, c.h, 1)});
        EXPECT_EQ(run("/S", 150), still);
        EXPECT_EQ(std::vector<int>({spy.pic_w, spy.pic_h, currpx, currpy}),
                  std::vector<int>({c.pic_w, c.pic_h, c.x, c.y})) << c.w << "x" << c.h;
        release_saver(hwndApp);
    }
    EXPECT_EQ(pich_1, 299);
}

TEST_F(saver, AWindowSmallerThanTheDisplayScalesThePictureAndFollowsItsSize) {
    spy.screen_w = 200, spy.screen_h = 150, spy.display_w = 800, spy.display_h = 600;
    playlist(1, 10, {entry(3, 320, 200, 1)});
    EXPECT_EQ(run("/S", 150), still);
    EXPECT_EQ(std::vector<int>({spy.pic_w, spy.pic_h}), std::vector<int>({80, 48}));   // a quarter, in whole blocks
    // The window grows: the entry's size is scaled afresh, not the last
    // picture's, and centred in the window.
    spy.screen_w = 400, spy.screen_h = 300;
    spy.post_message(hwndApp, WM_SIZE, 0, 0);
    EXPECT_EQ(run(nullptr, 300), still);
    EXPECT_EQ(std::vector<int>({spy.pic_w, spy.pic_h, currpx, currpy}), std::vector<int>({160, 100, 120, 100}));
}

TEST(scale_to_screen, KeepsTheShapeAndTheShareOfTheScreen) {
    struct row { int sw, sh, dw, dh, w, h, want_w, want_h; } rows[] = {
        {1024, 768, 800, 600, 320, 200, 320, 200},          // larger: never enlarged
        {400, 150, 800, 600, 320, 200, 80, 50},             // the smaller ratio wins
        {800, 300, 800, 600, 320, 200, 160, 100},           // only one side smaller
        {1920, 1080, 3840, 2160, 2048, 2048, 1024, 1024},   // no overflow
        {200, 150, 0, 0, 320, 200, 320, 200},               // no display size known
        {0, 0, 800, 600, 320, 200, 320, 200},               // no screen yet
    };
    for (const row &r : rows) {
        int w = r.w, h = r.h;
        scale_to_screen(w, h, r.sw, r.sh, r.dw, r.dh);
        EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({r.want_w, r.want_h})) << r.sw << "x" << r.sh << " of "
                                                                                     << r.dw << "x" << r.dh;
    }
}

TEST_F(saver, EntryValuesOutsideTheDialogsRangesAreClampedWhenPlayed) {
    playlist(1, 10, {"0,0,100000,-5,7,0,9,400,99,-200,-1,50,100", "garbage"});
    EXPECT_EQ(run("/S", 150), still);
    EXPECT_EQ(amode + ddur + zoomm, 3);
    EXPECT_EQ(std::vector<int>({camsa, camat, spy.pic_w, spy.pic_h}),
              std::vector<int>({359, -90, 32, 480}));   // height 2048, limited to the screen
    // A text with no numbers plays with the values before it.
    EXPECT_EQ(run(nullptr, 60300), still);
    EXPECT_EQ(spy.played.size(), 2u);
    EXPECT_EQ(spy.pic_w, 32);
}

// --- Movement over the screen ---------------------------------------------------------

// A 100 x 50 picture at (x, y) moving by (vx, vy) on the 640 x 480 screen,
// with the camera and the light turning.
void place(int mode, int x, int y, int vx, int vy) {
    playmon = {0, 0, 640, 480};
    pixk = 1;
    amode = mode;
    picw = 100, pich = 50;
    currpx = prevpx = x, currpy = prevpy = y;
    currvx = vx, currvy = vy;
    CamRotRate = 3, CamPanRate = CamZoomRate = 0;
    litsp = 4;
    file_no_obj = 0;
    ftsw = force_blit = 0;
}

// A side edge reflects the horizontal speed, in mode 2 turning the camera
// and the light too; a top or bottom edge reflects only the vertical speed
// and turns nothing. The other speed is drawn at random around its value.
TEST_F(saver, EdgesReflectTheSpeedAcrossThemAndSideEdgesInModeTwoTheTurns) {
    for (int i = 0; i < 80; ++i) {
        const bool side = i < 40, mode2 = !side || i % 2;
        if (side) place(mode2 ? 2 : 1, 535, 100, 7, 3);
        else place(2, 200, i % 2 ? 428 : 3, 4, i % 2 ? 6 : -6);
        AppPaint(1);
        const int across = side ? currvx : currvy, along = side ? currvy : currvx;
        EXPECT_EQ(across, side ? -7 : i % 2 ? -6 : 6);
        EXPECT_EQ(side ? currpx : currpy, side ? 528 : i % 2 ? 422 : 9);
        EXPECT_GE(along, side ? 1 : 2);
        EXPECT_LE(along, side ? 5 : 6);
        EXPECT_EQ(side ? currpy : currpx, side ? 103 : 204);
        EXPECT_EQ(CamRotRate, side && mode2 ? -3 : 3);
        EXPECT_EQ(litsp, side && mode2 ? -4 : 4);
    }
}

TEST_F(saver, ThePictureStaysOnTheScreenWithLessRoomThanItsSpeed) {
    place(2, 0, 0, 9, 13);
    picw = 636, pich = 472;
    for (int i = 0; i < 300; ++i) {
        AppPaint(1);
        ASSERT_TRUE(currpx >= 0 && currpx <= 4 && currpy >= 0 && currpy <= 8) << currpx << "," << currpy;
    }
}

TEST_F(saver, TheOldPlaceIsBlackenedWhenThePictureIsCopied) {
    spy.screen.assign(640 * 480, 77);
    ASSERT_NE(spy.create_picture(100, 50), nullptr);
    std::fill(spy.picture.begin(), spy.picture.end(), uint8_t(9));
    place(1, 100, 100, 10, 0);
    prevpx = 90;
    force_blit = 1;
    AppPaint(1);
    EXPECT_EQ(spy.pixel(95, 120), 0);
    EXPECT_EQ(spy.pixel(100, 120), 9);
    EXPECT_EQ(spy.pixel(300, 300), 77);
    AppPaint(1);   // no scene, nothing forced: no copy
    EXPECT_EQ(spy.blits, 1);
}

}  // namespace
}  // namespace vortella::test
