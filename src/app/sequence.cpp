// The main window's procedure: the playlist is read when the window is
// created, every frame-timer tick either switches to the next playlist
// entry or draws one frame, a size message builds the picture for the
// entry, and any key, click or real mouse movement ends the saver.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "frame/frame.h"
#include "platform/monitors.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

constexpr double pi = 3.141592654;

void hide_cursor() {
    while (sys()->show_cursor(false) >= 0) {
    }
}

void show_cursor() {
    while (sys()->show_cursor(true) < 0) {
    }
}

void close_window(HWND hwnd) { sys()->post_message(hwnd, WM_CLOSE, 0, 0); }

void start_frame_timer(HWND hwnd) {
    maintime = frame_timer_id;
    sys()->set_timer(hwnd, maintime, frame_period());
}

// Create: the playlist, the clocks, the frame timer and the multimedia
// timer's resolution.
void on_create(HWND hwnd) {
    services *s = sys();
    std::srand(s->tick_count());
    read_global_settings();
    read_entries();
    // An entry text that holds fewer than thirteen numbers keeps the values
    // before it; the first entry played starts from a new entry's values.
    default_entry();
    bypassd = 1;
    ddur = 0;
    FirstTime = LastTime = s->tick_count();
    if (aspeed < 1) aspeed = 1;
    start_frame_timer(hwnd);
    curent = seqm == 0 ? std::rand() % noent : 0;

    unsigned lo = 0, hi = 0;
    if (!s->mm_caps(lo, hi)) {
        s->message_box("MM timer not found - terminating.", "Error", MB_OK | MB_ICONSTOP);
        s->destroy_window(hwnd);
        return;
    }
    nTimerRes = lo < 1 ? 1 : lo;
    if (nTimerRes > hi) nTimerRes = hi;
    s->mm_begin_period(nTimerRes);
}

// The monitor the picture plays on, held inside the screen.
screen_rect play_area(services *s) {
    const screen_rect screen{0, 0, s->screen_width(), s->screen_height()};
    const screen_rect m = intersect(s->playing_monitor(), screen);
    return m.w > 0 && m.h > 0 ? m : screen;
}

// Size: the picture for the current entry, its row table, transparency
// marks and background, and its start place and velocity on the playing
// monitor.
void on_size() {
    services *s = sys();
    if (noproc == 0)
        hide_cursor();
    else
        show_cursor();

    int dw = 0, dh = 0;
    s->display_size(dw, dh);
    // Every size message builds the picture from the entry's own size, so a
    // screen that changes size (a window) gets it scaled afresh each time.
    lay_out_picture(play_area(s), dw, dh, ftan == 0);

    if (!image_w) {
        const int o = s->recommended_orientation();
        Orientation = o < 0 ? -1 : 1;
    }
    uint8_t *bits = s->create_picture(picw, pich);
    if (!bits) {
        // The previous picture stays, and with it its size.
        if (image_w) {
            picround(image_w, image_h);
            set_picture_sizes();
        }
    } else {
        image_w = picw;
        image_h = pich;
        // The previous pixels are gone; without marks and row table the new
        // ones cannot be drawn into.
        image_bits = picbuild(bits) ? bits : nullptr;
        // Entry 0 of the halftone palette is black.
        std::memset(bits, 0, size_t(picw) * size_t(pich));
    }
    ftsw = 1;
    bypassd = 0;
}

}  // namespace

void lay_out_picture(const screen_rect &monitor, int dw, int dh, bool sized) {
    playmon = monitor;
    const int mw = playmon.w, mh = playmon.h;
    // A monitor smaller than its display is a window, such as a preview:
    // the picture shrinks with it (scale_to_screen) and keeps its pixels
    // one to one. On a whole monitor the pixels are scaled as set, Auto by
    // the display's rows.
    const bool window = dw > 0 && dh > 0 && (mw < dw || mh < dh);
    pixk = window ? 1 : pixscale > 0 ? pixscale : auto_pixel_scale(dh > 0 ? dh : mh);
    if (sized) {
        picw = dsizex;
        pich = dsizey;
        scale_to_screen(picw, pich, mw, mh, dw, dh);
    }
    if (amode == 6) full_screen_picture(mw, mh, pixk, picw, pich);
    // A picture larger than the monitor (asked for by the settings) is made
    // no larger than the monitor, so the bouncing and random places stay on
    // it; then the size is rounded down to whole 16 x 4 blocks.
    const int fit_w = mw / pixk, fit_h = mh / pixk;
    picround(picw < fit_w ? picw : fit_w, pich < fit_h ? pich : fit_h);
    set_picture_sizes();

    const int r = std::rand() % 359;
    const float a = float(r * 2 / pi);
    initvx = ftoi(10.0f * float(std::cos(double(a))));
    initvy = ftoi(10.0f * float(std::sin(double(a))));

    // Places are on the playing monitor, in screen pixels; the picture
    // covers pixk times its size there.
    const int rx = mw - pixk * picw, ry = mh - pixk * pich;
    if (amode == 1 || amode == 2 || amode == 4) {
        initpx = rx > 0 ? std::rand() % rx : 0;
        initpy = ry > 0 ? std::rand() % ry : 0;
    } else if (amode == 3 || amode == 6) {
        // Full screen centres what its whole blocks leave over.
        initpx = rx / 2;
        initpy = ry / 2;
    }
    currvx = initvx;
    currvy = initvy;
    currpx = prevpx = initpx;
    currpy = prevpy = initpy;

    // A scene with a bitmap background needs the panorama bitmap before
    // the tile is cut for this size; without it the plain colour is shown.
    if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(sbackgroundbmp.c_str());
}

load_result load_scene(const std::string &file) {
    current_file = file;
    const size_t cut = current_file.rfind(pathsep);
    openpath = cut == std::string::npos ? std::string() : current_file.substr(0, cut + 1);
    openfn = cut == std::string::npos ? current_file : current_file.substr(cut + 1);
    return readfile(current_file.c_str(), scene_paths{openpath, mapsdir, sbackgroundbmp});
}

void apply_entry_motion() {
    camzrate = zoomf == 1 ? 7.0f : 2.0f;
    camzfact = float(zoomm);
    const float dx = camx - tarx, dy = camy - tary, dz = camz - tarz;
    cam2tar = float(std::sqrt(double(dx * dx + dy * dy + dz * dz)));
    if (useod == 0) {
        CamRotRate = float(-camsp);
        initcam();
        ltaz = float(litsa * pi / 180.0);
        ltal = float(litat * pi / 180.0);
    }
}

void after_frame() {
    if (zoomm > 1) zoomcam();
    if (useod == 0) ltaz += float(litsp * pi / 180.0);
}

namespace {

// The switch to the next playlist entry: its parameters, its scene, the
// camera and light it starts from; the size message that follows builds
// its picture.
LRESULT switch_entry(HWND hwnd) {
    services *s = sys();
    ftan = 0;
    bypassd = 1;
    LastTime = s->tick_count();
    if (noent < 1 || noproc == 1) return 0;
    s->kill_timer(hwnd, maintime);

    // Random order never plays the same entry twice in a row.
    int next = curent;
    if (seqm == 0 && noent > 1) {
        do next = std::rand() % noent;
        while (next == curent);
    }
    curent = next;

    parse_entry(pma[curent]);
    // Values outside the entry dialog's ranges (a hand-edited file) are
    // played as the nearest value the dialog allows.
    clamp_entry();
    picw = dsizex;
    pich = dsizey;

    deletefilestruct();
    deleterenlstruct();

    // A scene that cannot be opened or is malformed leaves the store empty:
    // the entry shows nothing until the next switch. A missing texture map
    // ends the saver. Where the end of the process unwinds back to here
    // (tests, recordings) the window is destroyed as at any other end, which
    // brings the cursor back and releases everything.
    const load_result r = load_scene(fna[curent]);
    if (r.code == load_missing_map) {
        s->message_box(r.message.c_str(), "Map Not Found(2)", MB_OK);
        try {
            s->exit_process(0);
        } catch (const process_exit &) {
            s->destroy_window(hwnd);
            throw;
        }
    }
    for (const load_note &n : r.notes) s->message_box(n.text.c_str(), n.caption.c_str(), MB_OK);

    if (aspeed < 1) aspeed = 1;
    start_frame_timer(hwnd);

    clickignore = 1;
    force_redraw = 1;
    scin = 999;
    slastx = slasty = -999;

    if (seqm != 0 && ++curent >= noent) curent = 0;

    ftsw = 1;
    apply_entry_motion();
    s->post_message(hwnd, WM_SIZE, 0, 0);
    return 0;
}

// A frame-timer tick.
LRESULT on_timer(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
    services *s = sys();
    const unsigned now = s->tick_count();
    if (now - FirstTime > restart_after) {
        if (restart_in_place) {
            FirstTime = now;
            return switch_entry(hwnd);
        }
        close_window(hwnd);
        s->start_program(restart_command().c_str());
        return s->def_window_proc(hwnd, msg, wParam, lParam);
    }
    diffTime = now - LastTime;
    if (ftan == 1 || (diffTime > unsigned(ddur) * 60000u && noent > 1)) return switch_entry(hwnd);
    if (bypassd != 1 && file_no_obj > 0) {
        s->invalidate(hwnd);
        s->realize_palette(hwnd);
        AppPaint(hwnd);
        after_frame();
        return 0;
    }
    return s->def_window_proc(hwnd, msg, wParam, lParam);
}

// Realises the halftone palette; 1 when that changed colours on the screen.
LRESULT realize(HWND hwnd) {
    services *s = sys();
    if (s->realize_palette(hwnd) == 0) return 0;
    s->invalidate(hwnd);
    return 1;
}

}  // namespace

void scale_to_screen(int &w, int &h, int sw, int sh, int dw, int dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || (sw >= dw && sh >= dh)) return;
    // The smaller ratio, compared without division: sw / dw <= sh / dh.
    long long num = sw, den = dw;
    if (static_cast<long long>(sw) * dh > static_cast<long long>(sh) * dw) num = sh, den = dh;
    w = static_cast<int>(w * num / den);
    h = static_cast<int>(h * num / den);
}

unsigned frame_period() {
    const int fps = aspeed < 1 ? 1 : aspeed;
    return unsigned(ftoi(1.0 / fps * 1000.0));
}

std::string restart_command() {
    std::string exe = sys()->module_file_name();
    // A path with blanks is quoted, so the command line splits back into
    // the program and its switch.
    if (exe.find_first_of(" \t") != std::string::npos) exe = '"' + exe + '"';
    return exe + " /S";
}

LRESULT AppWndProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
    services *s = sys();
    // The playlist dialog has closed: the window closes on its next message.
    if (Configuring == 1) {
        Configuring = 0;
        close_window(hwnd);
        return s->def_window_proc(hwnd, msg, wParam, lParam);
    }

    switch (msg) {
    case WM_KEYDOWN:
        close_window(hwnd);
        break;
    case WM_CREATE:
        on_create(hwnd);
        break;
    case WM_DESTROY:
        s->post_quit_message(0);
        show_cursor();
        AppExit(hwnd);   // ends the process
    case WM_MOVE:
        force_blit = 1;
        break;
    case WM_SIZE:
        on_size();
        break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
        fAppActive = wParam;
        if (noproc) return 1;
        if (wParam == 0) {
            close_window(hwnd);
            return s->def_window_proc(hwnd, msg, 0, lParam);
        }
        force_blit = 1;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        close_window(hwnd);
        break;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE) return 1;
        break;
    case WM_MOUSEMOVE:
        // The first two moves come from the window appearing under the
        // pointer, not from the user.
        if (ftmc < 2)
            ++ftmc;
        else
            close_window(hwnd);
        break;
    case WM_TIMER:
        return on_timer(hwnd, msg, wParam, lParam);
    case WM_QUERYNEWPALETTE:
        return realize(hwnd);
    case WM_PALETTECHANGED:
        if (HWND(wParam) == hwnd) break;
        return realize(hwnd);
    default:
        force_blit = 1;
        break;
    }
    return s->def_window_proc(hwnd, msg, wParam, lParam);
}

}  // namespace vortella
