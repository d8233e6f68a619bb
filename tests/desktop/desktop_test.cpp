// The desktop backend without a display: the picture shown through the
// palette, command lines, dialog controls, and the services on SDL's dummy
// video driver (a real SDL video system that draws nowhere).
#include <gtest/gtest.h>

#include <FL/Fl.H>
#include <FL/Fl_Button.H>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/desktop/desktop.h"
#include "platform/desktop/desktop_local.h"

#include <X11/Xlib.h>   // last: it defines short macro names

using namespace vortella;
using namespace vortella::desktop;

// The system libraries under SDL and FLTK keep caches for the life of the
// process; the leak checker is told to pass over them.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libfontconfig.so\nleak:libX11.so\n";
}

namespace {

uint32_t colour(int index) {
    const PALETTEENTRY &e = peEntry[index];
    return uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue;
}

// Sets an environment variable for one test and puts back what was there.
struct scoped_env {
    std::string name, old;
    bool had;
    scoped_env(const char *n, const char *value) : name(n) {
        const char *o = std::getenv(n);
        had = o != nullptr;
        if (had) old = o;
        if (value) setenv(n, value, 1);
        else unsetenv(n);
    }
    ~scoped_env() {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

// Whether an X display can be opened. The connection stays open: an X
// server resets when its last client leaves, and connections tried during
// the reset fail.
bool x_display() {
    static Display *d = XOpenDisplay(nullptr);
    return d != nullptr;
}

}  // namespace

// --- The picture on the screen --------------------------------------------------------

// Every index in its palette colour at its place; a new palette colours the
// next copy, and a picture that cannot be made keeps the old one.
TEST(DesktopScreen, PictureShowsEveryIndexInItsPaletteColourAtItsPlace) {
    create_halftone_palette();
    picture8 pic;
    pic.set_palette(peEntry);
    // An odd width: rows must lie exactly w bytes apart, not padded.
    const int w = 13, h = 20;
    uint8_t *px = pic.make(w, h);
    ASSERT_NE(px, nullptr);
    for (int i = 0; i < w * h; ++i) px[i] = uint8_t(i);
    SDL_Surface *target = SDL_CreateRGBSurfaceWithFormat(0, 64, 48, 32, SDL_PIXELFORMAT_XRGB8888);
    ASSERT_NE(target, nullptr);
    SDL_FillRect(target, nullptr, 0xFFFFFF);   // white: the view makes itself black
    screen_view screen;
    ASSERT_TRUE(screen.open_surface(target));
    screen.blit(pic, 10, 5, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(screen.rgb(10 + x, 5 + y), colour((y * w + x) & 255)) << x << "," << y;
    EXPECT_EQ(screen.rgb(9, 5), 0u);
    EXPECT_EQ(screen.rgb(10 + w, 5), 0u);
    EXPECT_EQ(screen.rgb(10, 5 + h), 0u);
    EXPECT_EQ(pic.make(0, 4), nullptr);
    ASSERT_NE(pic.surface(), nullptr);
    PALETTEENTRY pe[256];
    for (int i = 0; i < 256; ++i) pe[i] = peEntry[i];
    pe[7] = {1, 2, 3, 0};
    pic.set_palette(pe);
    screen.blit(pic, 10, 5, 1);
    EXPECT_EQ(screen.rgb(17, 5), 0x010203u);
    screen.close();
    SDL_FreeSurface(target);
}

// --- Command lines and numbers ------------------------------------------------------------

TEST(DesktopProcess, CommandLinesSplitAtBlanksAndQuotesKeepThem) {
    using v = std::vector<std::string>;
    EXPECT_EQ(split_command_line("/opt/vortella/vortella /S"), (v{"/opt/vortella/vortella", "/S"}));
    EXPECT_EQ(split_command_line("  a   b\tc  "), (v{"a", "b", "c"}));
    EXPECT_EQ(split_command_line("\"/home/me/My Saver/vortella\" /S"),
              (v{"/home/me/My Saver/vortella", "/S"}));
    EXPECT_EQ(split_command_line("a \"\" b"), (v{"a", "", "b"}));
    EXPECT_TRUE(split_command_line("   ").empty());
}

TEST(DesktopProcess, StartingAProgramReportsWhetherItRan) {
    EXPECT_TRUE(spawn({"true"}));
    EXPECT_FALSE(spawn({"/nonexistent/vortella-test-program", "/S"}));
    EXPECT_FALSE(spawn({}));
    EXPECT_NE(executable_path().find("desktop_tests"), std::string::npos);
}

// --- Dialog controls (built, never shown) --------------------------------------------------

namespace {

std::vector<std::pair<unsigned, WPARAM>> seen;

// Records what the dialog tells its procedure and does nothing else.
int recording_proc(HWND, unsigned msg, WPARAM wp, LPARAM) {
    seen.push_back({msg, wp});
    return 1;
}

// Radio groups 10-11 and 20-21 (21 disabled), a check box, a number edit
// and a list.
const dialog_template marks_template = {
    "Marks", "Marks", 200, 100,
    {
        {10, control_kind::radio, "A1", 4, 4, 60, 10},
        {11, control_kind::radio, "A2", 4, 16, 60, 10},
        {20, control_kind::radio, "B1", 80, 4, 60, 10},
        {21, control_kind::radio, "B2", 80, 16, 60, 10, true},
        {30, control_kind::check, "C", 4, 30, 60, 10},
        {40, control_kind::number, "", 4, 44, 40, 12},
        {50, control_kind::list, "", 80, 30, 100, 60},
        {-1, control_kind::group, "Frame", 0, 0, 200, 100},
    },
};

}  // namespace

// The procedures set every mark themselves and hear only of what the user
// does: a click flips nothing and sends BN_CLICKED; code changes and clicks
// on disabled controls send nothing; typing sends EN_CHANGE; closing the
// window is Cancel. Marking one radio group leaves the other alone.
TEST(DesktopDialog, MarksChangeOnlyWhenTheProcedureSetsThemAndOnlyTheUserIsHeard) {
    seen.clear();
    dialog_window d(7, marks_template, recording_proc);
    d.set_check(10, BST_CHECKED);
    d.set_check(20, BST_CHECKED);
    for (int id : {11, 30}) {   // a click as the toolkit delivers it: it flips the button, then calls back
        auto *b = static_cast<Fl_Button *>(d.widget(id));
        b->value(!b->value());
        b->do_callback();
    }
    EXPECT_EQ((std::vector<int>{d.check(10), d.check(11), d.check(30)}),
              (std::vector<int>{BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED}));
    d.set_check(11, BST_CHECKED);
    EXPECT_EQ(d.check(20), BST_CHECKED);
    EXPECT_FALSE(d.enabled(21));
    d.user_click(21);
    d.set_text(40, "12");
    d.set_check(30, BST_CHECKED);
    d.user_type(40, "-7");
    EXPECT_EQ(d.text(40), "-7");
    d.user_close();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ((std::vector<std::pair<unsigned, WPARAM>>(seen.begin(), seen.begin() + 3)),
              (std::vector<std::pair<unsigned, WPARAM>>{{WM_COMMAND, MAKEWPARAM(11, BN_CLICKED)},
                                                        {WM_COMMAND, MAKEWPARAM(30, BN_CLICKED)},
                                                        {WM_COMMAND, MAKEWPARAM(40, EN_CHANGE)}}));
    EXPECT_EQ(seen.back().second, MAKEWPARAM(IDCANCEL, BN_CLICKED));
}

TEST(DesktopDialog, ListKeepsNamesAsGivenAndForgetsADeletedSelection) {
    // The toolkit measures list lines with the display's fonts.
    if (!x_display()) GTEST_SKIP() << "needs an X display";
    seen.clear();
    dialog_window d(7, marks_template, recording_proc);
    EXPECT_EQ(d.list_selection(50), -1);
    const char *names[] = {"@b.vtl", "", "c.vtl"};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(d.list_add(50, names[i]), i);
    EXPECT_EQ(d.list_text(50, 0), "@b.vtl");   // not a format mark
    d.user_select(50, 2);
    EXPECT_EQ(seen.back().second, MAKEWPARAM(50, LBN_SELCHANGE));
    EXPECT_EQ(d.list_selection(50), 2);
    EXPECT_EQ(d.list_delete(50, 2), 2);
    EXPECT_EQ(d.list_selection(50), -1);
    d.list_reset(50);
    EXPECT_EQ(d.list_count(50), 0);
}

namespace {

// A pane of 20 x 10 dialog units (35 x 20 pixels).
const dialog_template pane_template = {
    "Pane", "Pane", 60, 30,
    {
        {60, control_kind::pane, "", 4, 4, 20, 10},
    },
};

dialog_window *ticking = nullptr;
int ticks = 0;

// Counts timer ticks; ends the dialog at the third.
int ticking_proc(HWND, unsigned msg, WPARAM wp, LPARAM) {
    if (msg == WM_TIMER && wp == 5 && ++ticks == 3) ticking->end(IDOK);
    return 1;
}

}  // namespace

// A pane shows a picture in its palette colours from its corner, or a text
// in the picture's place; its size is its dialog units in pixels.
TEST(DesktopDialog, APaneShowsItsPictureInPaletteColoursOrItsText) {
    create_halftone_palette();
    dialog_window d(7, pane_template, recording_proc);
    int w = 0, h = 0;
    d.item_size(60, w, h);
    EXPECT_EQ(std::vector<int>({w, h}), std::vector<int>({35, 20}));
    std::vector<uint8_t> px(size_t(w) * size_t(h));
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 7);
    d.show_picture(60, px.data(), w, h);
    EXPECT_EQ(d.pane_rgb(60, 0, 0), colour(0));
    EXPECT_EQ(d.pane_rgb(60, 3, 2), colour(uint8_t((2 * 35 + 3) * 7)));
    EXPECT_EQ(d.pane_rgb(60, 34, 19), colour(uint8_t((19 * 35 + 34) * 7)));
    // The same picture again draws nothing; a changed pixel is drawn anew.
    Fl_Widget *pane = d.widget(60);
    pane->clear_damage();
    d.show_picture(60, px.data(), w, h);
    EXPECT_EQ(pane->damage(), 0);
    px[5 * 35 + 9] = 200;
    d.show_picture(60, px.data(), w, h);
    EXPECT_NE(pane->damage(), 0);
    EXPECT_EQ(d.pane_rgb(60, 9, 5), colour(200));
    EXPECT_EQ(d.pane_rgb(60, 3, 2), colour(uint8_t((2 * 35 + 3) * 7)));
    d.set_text(60, "Cannot open the scene file");
    EXPECT_EQ(d.text(60), "Cannot open the scene file");
    EXPECT_EQ(d.pane_rgb(60, 3, 2), 0u);
    d.show_picture(60, px.data(), w, h);
    EXPECT_EQ(d.text(60), "");
}

// A dialog timer ticks only while its dialog is shown, and never after the
// dialog is done.
TEST(DesktopDialog, TimersTickWhileTheDialogIsShownAndEndWithIt) {
    if (!x_display()) GTEST_SKIP() << "needs an X display";
    ticks = 0;
    dialog_window d(7, pane_template, ticking_proc);
    ticking = &d;
    ASSERT_TRUE(d.set_timer(5, 20));
    for (int i = 0; i < 10; ++i) Fl::wait(0.02);   // not shown yet
    EXPECT_EQ(ticks, 0);
    d.run(nullptr);   // until the third tick ends it
    d.finish();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(d.timer_count(), 0);
    for (int i = 0; i < 10; ++i) Fl::wait(0.02);
    EXPECT_EQ(ticks, 3);
    ticking = nullptr;
}

// --- The services ----------------------------------------------------------------------------

TEST(DesktopServices, NoDisplayGivesNoServicesAndSaysWhy) {
    // An unknown driver; x11 without a display; no driver and no display
    // (SDL itself would fall back on its offscreen driver); a display that
    // is named but cannot be opened.
    const struct { const char *driver, *display; } cases[] = {
        {"no-such-driver", ":0"}, {"x11", nullptr}, {nullptr, nullptr}, {nullptr, ":4711"}};
    for (const auto &c : cases) {
        scoped_env driver("SDL_VIDEODRIVER", c.driver), display("DISPLAY", c.display);
        scoped_env wayland("WAYLAND_DISPLAY", nullptr), runtime("XDG_RUNTIME_DIR", nullptr);
        std::string err;
        EXPECT_EQ(make_desktop_services(&err), nullptr) << (c.driver ? c.driver : "-");
        EXPECT_FALSE(err.empty());
    }
}

namespace {

std::vector<MSG> msg_log;
services *svc;

LRESULT logging_wndproc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    msg_log.push_back({w, msg, wp, lp});
    return svc->def_window_proc(w, msg, wp, lp);
}

class DesktopOnDummy : public ::testing::Test {
protected:
    scoped_env driver{"SDL_VIDEODRIVER", "dummy"};
    std::unique_ptr<sdl_services> s;
    void SetUp() override {
        std::string err;
        s.reset(static_cast<sdl_services *>(make_desktop_services(&err)));
        ASSERT_NE(s, nullptr) << err;
        svc = s.get();
        msg_log.clear();
        ASSERT_TRUE(s->register_class("VORTELLA", logging_wndproc));
    }
    std::vector<unsigned> messages() const {
        std::vector<unsigned> v;
        for (const MSG &m : msg_log) v.push_back(m.message);
        return v;
    }
};

}  // namespace

TEST_F(DesktopOnDummy, WindowLifeComesInTheOrderTheProgramExpects) {
    HWND w = s->create_window("VORTELLA", 0, 0, s->screen_width(), s->screen_height());
    ASSERT_NE(w, 0);
    s->show_window(w, 1);
    EXPECT_EQ(messages(), (std::vector<unsigned>{WM_CREATE, WM_SIZE, WM_MOVE, WM_ACTIVATEAPP,
                                                 WM_ACTIVATE}));
    EXPECT_EQ(msg_log[1].lParam, LPARAM(s->screen_height() << 16 | s->screen_width()));
    msg_log.clear();
    s->post_message(w, WM_KEYDOWN, ' ', 0);
    s->post_message(w, WM_CLOSE, 0, 0);
    MSG m;
    while (s->get_message(m)) {
        s->dispatch_message(m);
        if (m.message == WM_CLOSE) s->post_quit_message(0);
    }
    EXPECT_EQ(messages(), (std::vector<unsigned>{WM_KEYDOWN, WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(s->panes_of(w), 0);
}

TEST_F(DesktopOnDummy, TimerTicksArriveThroughTheLoopAfterPostedMessages) {
    HWND w = s->create_window("VORTELLA", 0, 0, 64, 48);
    ASSERT_NE(w, 0);
    ASSERT_TRUE(s->set_timer(w, 1, 1));
    s->post_message(w, WM_MOVE, 0, 0);
    MSG m;
    ASSERT_TRUE(s->get_message(m) && m.message == WM_MOVE);
    ASSERT_TRUE(s->get_message(m) && m.message == WM_TIMER && m.wParam == 1);
    s->kill_timer(w, 1);
    s->post_quit_message(0);
    EXPECT_FALSE(s->get_message(m));
}

TEST_F(DesktopOnDummy, PictureAndFillsLandOnTheWindowsScreen) {
    create_halftone_palette();
    int bits = 0;
    bool palette = false;
    ASSERT_TRUE(s->display_caps(bits, palette));
    EXPECT_TRUE(bits == 8 && palette);
    HWND w = s->create_window("VORTELLA", 0, 0, 64, 48);
    ASSERT_NE(w, 0);
    EXPECT_EQ(s->realize_palette(w), 256);
    EXPECT_EQ(s->realize_palette(w), 0);   // nothing changed
    uint8_t *px = s->create_picture(16, 8);
    ASSERT_NE(px, nullptr);
    for (int i = 0; i < 16 * 8; ++i) px[i] = uint8_t(30 + i % 7);
    s->blit_picture(w, 40, 30, 1);
    s->blit_picture(w, -4, -2, 1);   // top-left corner off the screen
    s->blit_picture(w, 56, 44, 1);   // bottom-right corner off the screen
    ASSERT_EQ(s->panes_of(w), 1);
    // Picture pixels (0, 0), (4, 2) and (7, 3) at their places; nothing beside.
    EXPECT_EQ((std::vector<uint32_t>{s->rgb_at(w, 40, 30), s->rgb_at(w, 0, 0), s->rgb_at(w, 63, 47), s->rgb_at(w, 12, 0)}),
              (std::vector<uint32_t>{colour(30), colour(30 + 36 % 7), colour(30 + 55 % 7), 0}));
    s->fill_black(w, 40, 30, 1, 1);
    EXPECT_EQ((std::vector<uint32_t>{s->rgb_at(w, 40, 30), s->rgb_at(w, 41, 30)}),
              (std::vector<uint32_t>{0, colour(31)}));
    EXPECT_EQ(s->show_cursor(false), -1);
    EXPECT_EQ(s->show_cursor(true), 0);
}

// Scaled copies are blocks of whole pixels; a software window is sent only
// the rectangles that changed.
TEST_F(DesktopOnDummy, ScaledCopiesAreBlocksAndOnlyChangesAreSent) {
    create_halftone_palette();
    s->use_monitors({{0, 0, 320, 240}}, 0);
    HWND w = s->create_window("VORTELLA", 0, 0, 320, 240);
    ASSERT_NE(w, 0);
    uint8_t *px = s->create_picture(16, 4);
    ASSERT_NE(px, nullptr);
    for (int i = 0; i < 16 * 4; ++i) px[i] = uint8_t(40 + i);
    s->show_window(w, 1);
    // Waiting for a tick shows the window and sends it whole.
    ASSERT_TRUE(s->set_timer(w, 1, 1));
    MSG m;
    ASSERT_TRUE(s->get_message(m) && m.message == WM_TIMER);
    EXPECT_EQ(s->last_update_rects(w), 0);
    s->fill_black(w, 0, 0, 48, 12);
    s->blit_picture(w, 100, 50, 3);
    // Picture pixel (x, y) covers screen 100 + 3x .. 102 + 3x, 50 + 3y .. 52 + 3y.
    EXPECT_EQ((std::vector<uint32_t>{s->rgb_at(w, 100, 50), s->rgb_at(w, 102, 52), s->rgb_at(w, 103, 52),
                                     s->rgb_at(w, 147, 61), s->rgb_at(w, 148, 61), s->rgb_at(w, 147, 62)}),
              (std::vector<uint32_t>{colour(40), colour(40), colour(41), colour(40 + 63), 0, 0}));
    ASSERT_TRUE(s->get_message(m) && m.message == WM_TIMER);   // sends what changed
    // The screen-saver path of a real display sends these two rectangles;
    // the dummy driver has the same window surface.
    EXPECT_EQ(s->last_update_rects(w), 2);
}

// A window over several monitors is a window on each; fills and copies
// land on the one they fall on, and input on any of them reaches the
// window.
TEST_F(DesktopOnDummy, AWindowOverSeveralMonitorsIsOnePaneEachAndHearsThemAll) {
    create_halftone_palette();
    s->use_monitors({{-200, 100, 200, 150}, {0, 0, 320, 240}}, 1);
    EXPECT_EQ(std::vector<int>({s->screen_width(), s->screen_height()}), std::vector<int>({520, 250}));
    const screen_rect play = s->playing_monitor();
    EXPECT_EQ(std::vector<int>({play.x, play.y, play.w, play.h}), std::vector<int>({200, 0, 320, 240}));
    HWND w = s->create_window("VORTELLA", 0, 0, 520, 250);
    ASSERT_NE(w, 0);
    ASSERT_EQ(s->panes_of(w), 2);
    SDL_Window *left = s->sdl_window_at(w, 10, 110), *right = s->sdl_window_at(w, 300, 10);
    ASSERT_TRUE(left && right && left != right);
    int x = 0, y = 0;
    SDL_GetWindowPosition(left, &x, &y);
    EXPECT_EQ(std::vector<int>({x, y}), std::vector<int>({-200, 100}));
    uint8_t *px = s->create_picture(16, 4);
    ASSERT_NE(px, nullptr);
    for (int i = 0; i < 16 * 4; ++i) px[i] = uint8_t(90);
    s->blit_picture(w, 190, 120, 2);   // across the monitors' edge, on both
    EXPECT_EQ((std::vector<uint32_t>{s->rgb_at(w, 199, 120), s->rgb_at(w, 200, 120), s->rgb_at(w, 221, 127),
                                     s->rgb_at(w, 222, 127)}),
              (std::vector<uint32_t>{colour(90), colour(90), colour(90), 0}));
    s->fill_black(w, 0, 0, 520, 250);
    EXPECT_EQ((std::vector<uint32_t>{s->rgb_at(w, 199, 120), s->rgb_at(w, 200, 120)}),
              (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(s->rgb_at(w, 10, 10), 0u);   // above the left monitor: no pane
    // A key on the left pane and a click on the right reach the window.
    msg_log.clear();
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(left);
    e.key.keysym.sym = SDLK_SPACE;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = SDL_GetWindowID(right);
    e.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&e);
    MSG m;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(s->get_message(m));
        s->dispatch_message(m);
    }
    EXPECT_EQ(messages(), (std::vector<unsigned>{WM_KEYDOWN, WM_LBUTTONDOWN}));
    EXPECT_TRUE(msg_log[0].hwnd == w && msg_log[1].hwnd == w);
    s->destroy_window(w);
    EXPECT_EQ(s->panes_of(w), 0);
}

TEST(DesktopMonitors, XineramaHeadsWinWhereTheyDisagreeWithSdl) {
    const std::vector<screen_rect> one{{0, 0, 2304, 768}};
    const std::vector<screen_rect> two{{1280, 0, 1024, 768}, {0, 0, 1280, 720}};
    const std::vector<screen_rect> same{{0, 0, 1280, 720}, {1280, 0, 1024, 768}};
    auto xs = [](const std::vector<screen_rect> &v) {
        std::vector<int> r;
        for (const screen_rect &m : v) r.push_back(m.x);
        return r;
    };
    EXPECT_EQ(xs(choose_monitors(one, two)), (std::vector<int>{1280, 0}));   // nested server: the heads
    EXPECT_EQ(xs(choose_monitors(same, two)), (std::vector<int>{0, 1280}));  // agreeing: SDL's order
    EXPECT_EQ(xs(choose_monitors(one, {})), (std::vector<int>{0}));          // no Xinerama
}

TEST(DesktopMonitors, CpuRasterisersAreNoGpu) {
    for (const char *cpu : {"llvmpipe (LLVM 15.0.6, 256 bits)", "Mesa softpipe", "Software Rasterizer", "SWRAST"})
        EXPECT_TRUE(gl_renderer_is_software(cpu)) << cpu;
    for (const char *gpu : {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)", "Mesa Intel(R) UHD Graphics 620",
                            "NVIDIA GeForce GTX 1060/PCIe/SSE2"})
        EXPECT_FALSE(gl_renderer_is_software(gpu)) << gpu;
    EXPECT_FALSE(gl_renderer_is_software(nullptr));
}

TEST_F(DesktopOnDummy, ADialogWithoutAnXDisplayCancelsCleanly) {
    if (x_display()) GTEST_SKIP() << "an X display is there; the dialog would open";
    seen.clear();
    EXPECT_EQ(s->dialog_box(marks_template, 0, [](HWND d, unsigned msg, WPARAM wp, LPARAM lp) {
        recording_proc(d, msg, wp, lp);
        if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) svc->dialogs()->end_dialog(d, IDCANCEL);
        return 1;
    }), IDCANCEL);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].first, unsigned(WM_INITDIALOG));
    EXPECT_EQ(seen[1].second, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    EXPECT_EQ(seen[2].first, unsigned(WM_DESTROY));
}
