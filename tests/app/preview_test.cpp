// The preview in the playlist and entry dialogs, driven by scripted actions
// on the headless backend, whose panes record every picture and text they
// were given and whose dialog time passes only in scripted waits.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "apptest.h"
#include "authoring/primitives.h"
#include "frame/frame.h"

namespace vortella::test {
namespace {

namespace P = pref_id;
namespace C = cfgent_id;
using show = headless_services::pane_show;

// A box of one colour before a dark blue background, the camera still
// unless the scene turns it itself (`turn` degrees a frame).
scene_desc box_scene(uint8_t r, uint8_t g, uint8_t b, float turn = 0) {
    scene_desc s;
    material_desc m;
    m.name = "paint";
    m.texture_no = 1;
    m.red = r, m.green = g, m.blue = b;
    m.ambient = 1;   // the unlit side at half the colour
    s.add(m);
    s.add(make_box(1, 1, 0, 0, 0, 1.5f, 2, 1.5f));
    instance_desc i = drawn({1});
    i.name = "box";
    s.add(i);
    camera_desc c;
    c.x = 3, c.y = -5, c.z = 3;
    c.CamRotRate = turn;
    s.add(c);
    s.add(light_desc{});
    scene_settings_desc st;
    st.red = 0, st.green = 0, st.blue = 90;
    s.add(st);
    return s;
}

// How many pixels of a picture are mostly red, and how many mostly green.
struct hues {
    long red = 0, green = 0;
};
hues hues_of(const show &f) {
    hues h;
    for (uint8_t p : f.pixels) {
        const int r = peEntry[p].peRed, g = peEntry[p].peGreen, b = peEntry[p].peBlue;
        if (r > g + 40 && r > b + 40) ++h.red;
        if (g > r + 40 && g > b + 40) ++h.green;
    }
    return h;
}

// The rectangle of pixels that are neither black nor `skip`: x, y, w, h.
std::vector<int> drawn_box(const show &f, uint8_t skip) {
    int left = f.w, top = f.h, right = -1, bottom = -1;
    for (int y = 0; y < f.h; ++y)
        for (int x = 0; x < f.w; ++x) {
            const uint8_t p = f.pixels[size_t(y) * size_t(f.w) + size_t(x)];
            if (p == 0 || p == skip) continue;
            left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
        }
    return {left, top, right - left + 1, bottom - top + 1};
}

// Entry parameters: animation and size, still camera and light unless given.
std::string params(int mode, int w, int h, const std::string &motion = "0,1,0,0,0,0,0,0,0") {
    return std::to_string(mode) + "," + std::to_string(w) + "," + std::to_string(h) + ",5," + motion;
}

class preview : public app_test {
protected:
    uint8_t desk = 0;

    void SetUp() override {
        app_test::SetUp();
        // The renderer as the program starts it.
        reset_frame();
        reset_raster();
        reset_pipeline();
        reset_view();
        reset_scene();
        set_start_values();
        create_halftone_palette();
        aspeed = 10;
        std::string err;
        ASSERT_TRUE(write_scene_file(box_scene(230, 40, 30), dir.file("red.vtl"), &err)) << err;
        ASSERT_TRUE(write_scene_file(box_scene(40, 220, 40), dir.file("green.vtl"), &err)) << err;
        ASSERT_TRUE(write_scene_file(box_scene(200, 200, 200, 4), dir.file("turning.vtl"), &err)) << err;
        desk = aWinGHalftoneTranslation[2 * 43];
    }
    void TearDown() override {
        reset_frame();
        reset_scene();
        app_test::TearDown();
    }

    std::string red() const { return dir.file("red.vtl"); }
    std::string green() const { return dir.file("green.vtl"); }
    void playlist(const std::vector<std::string> &files, const std::vector<std::string> &pms, int speed = 10) {
        std::string t = "[Global]\nNoOfEntries=" + std::to_string(files.size()) + "\nSpeed=" + std::to_string(speed) +
                        "\nSequence=1\n[Entries]\n";
        for (size_t i = 0; i < files.size(); ++i)
            t += "EntryFN00" + std::to_string(i) + "=" + files[i] + "\nEntryPM00" + std::to_string(i) + "=" + pms[i] + "\n";
        write_ini(t);
    }
    const std::vector<show> &shows(const char *dialog, int pane) const {
        return svc.closed_dialogs.at(dialog).items.at(pane).shows;
    }
    // The pictures a pane showed from virtual time `from` (inclusive) to `to` (exclusive).
    std::vector<show> between(const char *dialog, int pane, unsigned from, unsigned to) const {
        std::vector<show> v;
        for (const show &f : shows(dialog, pane))
            if (f.at >= from && f.at < to) v.push_back(f);
        return v;
    }
    // The red box, or the green one, fills a good part of the picture.
    static bool reddish(const show &f) {
        const hues h = hues_of(f);
        return h.red > 1000 && h.green == 0;
    }
    static bool greenish(const show &f) {
        const hues h = hues_of(f);
        return h.green > 1000 && h.red == 0;
    }
    // Opens the first entry in the entry dialog and runs `script` there,
    // then OK in both dialogs.
    void edit_first(const std::function<void()> &script) {
        svc.do_click(P::edit);
        script();
        svc.do_click(C::ok);
        svc.do_click(P::ok);
        run_pref();
    }
};

// --- Playing the selected entry -------------------------------------------------------

// The first named entry plays when the dialog opens; another selected
// plays at once, at the frame rate of Speed, until the next selection.
TEST_F(preview, TheSelectedEntryPlaysAtOnceAtTheSpeedsRate) {
    playlist({red(), green()}, {params(3, 320, 200), params(3, 320, 200)}, 5);
    svc.do_wait(900);
    svc.do_select(P::list, 1);
    svc.do_wait(1000);
    svc.do_click(P::ok);
    run_pref();
    const std::vector<show> first = between("Dialogpref", P::preview, 0, 900);
    const std::vector<show> second = between("Dialogpref", P::preview, 900, 1901);
    ASSERT_EQ(first.size(), 5u);    // at 0 (opening), 200, 400, 600, 800
    ASSERT_EQ(second.size(), 6u);   // at 900 (selection), then one per 200 ms
    EXPECT_EQ(first[0].at, 0u);
    EXPECT_EQ(second[0].at, 900u);
    for (const show &f : first) EXPECT_TRUE(reddish(f)) << f.at;
    for (const show &f : second) EXPECT_TRUE(greenish(f)) << f.at;
}

// The pane is the monitor in small: a rectangle of the display's shape
// (the headless screen, 640 x 480) in the middle of the pane, grey around
// it; a centred 320 x 200 picture is centred on it at the pane's scale, a
// full-screen picture covers it, a bouncing one moves and stays on it.
TEST_F(preview, ThePaneStandsForTheMonitorAtItsScale) {
    playlist({red(), red(), red()}, {params(3, 320, 200), params(6, 320, 200), params(1, 320, 200)});
    svc.do_select(P::list, 1);
    svc.do_select(P::list, 2);
    svc.do_wait(3000);
    svc.do_click(P::ok);
    run_pref();
    const std::vector<show> &all = shows("Dialogpref", P::preview);
    ASSERT_GE(all.size(), 30u);
    const show &centred = all[0], &full = all[1];
    ASSERT_EQ(std::vector<int>({centred.w, centred.h}), std::vector<int>({276, 195}));
    // The monitor: 260 x 195 at x 8. The picture: 320 x 200 times 260/640,
    // rounded down to whole blocks (128 x 80), centred on the monitor.
    EXPECT_EQ(centred.pixels[0], desk);
    EXPECT_EQ(centred.pixels[8], 0);
    EXPECT_EQ(centred.pixels[267], 0);
    EXPECT_EQ(centred.pixels[268], desk);
    EXPECT_EQ(drawn_box(centred, desk), std::vector<int>({8 + 66, 57, 128, 80}));
    // Full screen: 256 x 192, whole blocks of the monitor, what is left centred.
    EXPECT_EQ(drawn_box(full, desk), std::vector<int>({8 + 2, 1, 256, 192}));
    // Bouncing: a 128 x 80 picture that moves, never off the monitor.
    std::vector<std::vector<int>> places;
    for (size_t i = 2; i < all.size(); ++i) {
        const std::vector<int> b = drawn_box(all[i], desk);
        EXPECT_EQ(std::vector<int>({b[2], b[3]}), std::vector<int>({128, 80})) << all[i].at;
        EXPECT_TRUE(b[0] >= 8 && b[0] + b[2] <= 268 && b[1] >= 0 && b[1] + b[3] <= 195) << all[i].at;
        places.push_back(b);
    }
    std::sort(places.begin(), places.end());
    EXPECT_GT(std::unique(places.begin(), places.end()) - places.begin(), 10);
    // Rendered at the pane's scale, not the entry's size.
    EXPECT_LT(picw, 320);
}

// --- The entry dialog --------------------------------------------------------------------

// Each value the picture shows plays from the start at the next tick, and
// exactly as the entry dialog opened with that value plays it: different
// from before within two frames (the zoom steps after a frame).
TEST_F(preview, AChangedFieldShowsInTheNextFrameAsIfTheEntryStartedWithIt) {
    struct change {
        int id;
        const char *typed;   // null: a click
        std::string opened_with;
    };
    const std::string still = "0,1,0,0,0,0,0,0,0";
    const change changes[] = {
        {C::camera_angle, "90", params(3, 320, 200, "0,1,0,90,0,0,0,0,0")},
        {C::camera_altitude, "20", params(3, 320, 200, "0,1,0,0,0,20,0,0,0")},
        {C::light_angle, "180", params(3, 320, 200, "0,1,0,0,0,0,180,0,0")},
        {C::light_altitude, "-60", params(3, 320, 200, "0,1,0,0,0,0,0,0,-60")},
        {C::camera_speed, "9", params(3, 320, 200, "0,1,0,0,9,0,0,0,0")},
        {C::zoom_x3, nullptr, params(3, 320, 200, "0,3,0,0,0,0,0,0,0")},
        {C::xsize, "640", params(3, 640, 200, still)},
        {C::full_screen, nullptr, params(6, 320, 200, still)},
        {C::object_defaults, nullptr, params(3, 320, 200, "1,1,0,0,0,0,0,0,0")},
    };
    for (const change &c : changes) {
        SCOPED_TRACE(c.id);
        svc.closed_dialogs.clear();
        svc.now = 0;
        playlist({dir.file("turning.vtl")}, {params(3, 320, 200, still)});
        edit_first([&] {
            svc.do_wait(250);
            if (c.typed) svc.do_type(c.id, c.typed);
            else svc.do_click(c.id);
            svc.do_wait(200);
        });
        const std::vector<show> before = between("Cfgent", C::preview, 0, 250);
        const std::vector<show> after = between("Cfgent", C::preview, 250, 1000);
        ASSERT_EQ(before.size(), 3u);   // at 0, 100 and 200
        ASSERT_EQ(after.size(), 2u);    // the ticks at 300 and 400
        EXPECT_EQ(before[2].pixels, before[0].pixels);   // still before the change
        EXPECT_TRUE(after[0].pixels != before[2].pixels || after[1].pixels != before[2].pixels);

        svc.closed_dialogs.clear();
        svc.now = 0;
        playlist({dir.file("turning.vtl")}, {c.opened_with});
        edit_first([&] { svc.do_wait(100); });
        const std::vector<show> fresh = shows("Cfgent", C::preview);
        ASSERT_EQ(fresh.size(), 2u);
        EXPECT_EQ(fresh[0].pixels, after[0].pixels);
        EXPECT_EQ(fresh[1].pixels, after[1].pixels);
    }
}

TEST_F(preview, BrowseAndTheFileFieldPlayTheFileChosen) {
    playlist({red()}, {params(3, 320, 200)});
    svc.open_files = {green()};
    edit_first([&] {
        svc.do_click(C::browse);
        svc.do_wait(100);
        svc.do_type(C::file, red());
        svc.do_wait(100);
    });
    const std::vector<show> &all = shows("Cfgent", C::preview);
    ASSERT_EQ(all.size(), 3u);   // at 0, 100 and 200
    EXPECT_TRUE(reddish(all[0]));
    EXPECT_TRUE(greenish(all[1]));
    EXPECT_TRUE(reddish(all[2]));
}

// A scene that cannot be shown puts its message in the pane, and nothing
// else: no message box, no end of the dialog or of the program; the next
// file plays again.
TEST_F(preview, AMissingOrDamagedSceneShowsItsMessageInThePane) {
    writebytes(dir.file("junk.vtl"), std::vector<uint8_t>(64, 0xEE));
    scene_desc mapped = box_scene(200, 200, 200);
    mapped.add(map_desc{"nowhere.bmp", 1});
    std::string err;
    ASSERT_TRUE(write_scene_file(mapped, dir.file("map.vtl"), &err)) << err;
    const std::string missing = dir.file("missing.vtl");
    playlist({missing, dir.file("junk.vtl"), dir.file("map.vtl"), red()},
             {params(3, 320, 200), params(3, 320, 200), params(3, 320, 200), params(3, 320, 200)});
    for (int i = 1; i < 4; ++i) {
        svc.do_wait(300);
        svc.do_select(P::list, i);
    }
    svc.do_wait(300);
    svc.do_click(P::ok);
    EXPECT_EQ(run_pref(), IDOK);
    const std::vector<show> &all = shows("Dialogpref", P::preview);
    ASSERT_GE(all.size(), 4u);
    EXPECT_TRUE(all[0].pixels.empty());
    EXPECT_NE(all[0].text.find("Cannot open"), std::string::npos) << all[0].text;
    EXPECT_NE(all[0].text.find(missing), std::string::npos);
    EXPECT_NE(all[1].text.find("junk.vtl"), std::string::npos) << all[1].text;
    EXPECT_NE(all[2].text.find("nowhere.bmp"), std::string::npos) << all[2].text;
    // Only the message, once each; frames again for the scene that loads.
    EXPECT_EQ(between("Dialogpref", P::preview, 0, 900).size(), 3u);
    EXPECT_TRUE(reddish(all.back()));
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(ini("Global", "NoOfEntries"), "4");
}

// A control's notifications that change nothing (the system's focus
// codes) leave the preview playing on: the playlist's list losing the
// focus does not start its entry again, nor do the entry dialog's edits
// taking or losing it. (The entry dialog takes the focus from the list.)
TEST_F(preview, FocusNotificationsLeaveThePreviewPlayingOn) {
    constexpr unsigned lbn_killfocus = 5, en_setfocus = 0x100, en_killfocus = 0x200;
    const std::string turning = params(3, 320, 200, "1,1,0,0,0,0,0,0,0");
    playlist({dir.file("turning.vtl"), red()}, {turning, turning});
    svc.do_wait(250);
    svc.do_notify(P::list, lbn_killfocus);
    svc.do_wait(200);
    edit_first([&] {
        svc.do_wait(250);
        svc.do_notify(C::file, en_killfocus);
        svc.do_notify(C::camera_angle, en_setfocus);
        svc.do_notify(C::camera_angle, en_killfocus);
        svc.do_wait(200);
    });
    for (const char *dialog : {"Dialogpref", "Cfgent"}) {
        SCOPED_TRACE(dialog);
        const int pane = std::string(dialog) == "Cfgent" ? C::preview : P::preview;
        const std::vector<show> all = shows(dialog, pane);
        ASSERT_GE(all.size(), 5u);
        const unsigned opened = all[0].at;
        // At the opening and each 100 ms after it, none between: no restart.
        const std::vector<show> played = between(dialog, pane, opened, opened + 450);
        ASSERT_EQ(played.size(), 5u);
        for (size_t i = 0; i < played.size(); ++i) EXPECT_EQ(played[i].at, opened + 100 * i);
        // The camera turned on: the frames after the notifications are not
        // the first again.
        EXPECT_TRUE(played[3].pixels != played[0].pixels);
        EXPECT_TRUE(played[4].pixels != played[1].pixels);
    }
}

// --- Lifetime and what the preview leaves alone ------------------------------------------

// The playlist's preview rests while the entry dialog (or Setup) is open,
// and plays again after it; closing a dialog ends its timer and releases
// the scene and the picture.
TEST_F(preview, OnePreviewPlaysAtATimeAndClosingTheDialogStopsIt) {
    playlist({red(), green()}, {params(3, 320, 200), params(3, 320, 200)});
    svc.do_wait(500);
    svc.do_click(P::edit);
    svc.do_wait(1000);
    svc.do_click(C::cancel);
    svc.do_wait(500);
    svc.do_click(P::ok);
    run_pref();
    EXPECT_TRUE(between("Dialogpref", P::preview, 501, 1500).empty());
    EXPECT_EQ(between("Cfgent", C::preview, 500, 1500).size(), 10u);
    EXPECT_EQ(between("Dialogpref", P::preview, 1500, 2001).size(), 6u);
    EXPECT_TRUE(svc.dialog_timers.empty());
    EXPECT_EQ(pvdlg, 0);
    EXPECT_EQ(image_bits, nullptr);
    EXPECT_EQ(transa, nullptr);
    EXPECT_EQ(file_no_obj, 0);
}

// The preview plays its own copy of the values: a bounce that turns the
// camera and the light round (mode 2) changes nothing the dialogs save, a
// new entry still starts from the last one in the file, and Cancel writes
// no settings file.
TEST_F(preview, OkAndCancelKeepTheirMeaningAndThePreviewWritesNothing) {
    const std::string turning = params(2, 320, 200, "0,1,0,10,7,20,30,-4,45");
    playlist({red(), green()}, {turning, params(3, 320, 200, "0,2,1,10,5,20,30,-4,45")});
    const std::string file = readtext(ini_path());
    svc.do_wait(20000);   // many bounces off the sides
    svc.do_click(P::cancel);
    run_pref();
    EXPECT_GT(shows("Dialogpref", P::preview).size(), 150u);
    EXPECT_EQ(readtext(ini_path()), file);

    svc.do_wait(20000);
    svc.do_click(P::add);
    svc.do_type(C::file, "NEW.VTL");
    svc.do_wait(5000);
    svc.do_click(C::ok);
    svc.do_select(P::list, 0);
    svc.do_click(P::edit);
    svc.do_wait(20000);
    svc.do_click(C::ok);
    svc.do_click(P::ok);
    run_pref();
    EXPECT_EQ(ini("Entries", "EntryPM000"), turning);
    EXPECT_EQ(ini("Entries", "EntryPM002"), params(3, 320, 200, "0,2,1,10,5,20,30,-4,45"));
}

TEST_F(preview, CancelWritesNoSettingsFile) {
    svc.do_click(P::add);
    svc.do_type(C::file, red());
    svc.do_wait(1000);
    svc.do_click(C::ok);
    svc.do_wait(1000);
    svc.do_click(P::cancel);
    run_pref();
    EXPECT_GE(shows("Cfgent", C::preview).size(), 10u);
    EXPECT_FALSE(svc.profile_exists(ini_name));
}

// --- Where the pane shows the monitor ------------------------------------------------------

TEST(monitor_in_pane, TheLargestRectangleOfTheDisplaysShapeCentred) {
    struct row {
        int pw, ph, dw, dh;
        std::vector<int> want;
    } rows[] = {
        {276, 195, 640, 480, {8, 0, 260, 195}},       // 4:3 in a wider pane
        {300, 300, 1920, 1080, {0, 66, 300, 168}},    // 16:9 in a square one
        {200, 100, 0, 0, {0, 0, 200, 100}},           // no display known: the whole pane
        {3, 200, 100000, 1, {0, 99, 3, 1}},          // never less than a pixel
    };
    for (const row &r : rows) {
        const screen_rect m = monitor_in_pane(r.pw, r.ph, r.dw, r.dh);
        EXPECT_EQ(std::vector<int>({m.x, m.y, m.w, m.h}), r.want) << r.pw << "x" << r.ph << " " << r.dw << "x" << r.dh;
    }
}

}  // namespace
}  // namespace vortella::test
