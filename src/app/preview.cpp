// The preview: an entry played in a dialog's picture pane as the saver
// plays it. The pane stands for the playing monitor: a rectangle of the
// monitor's shape in the middle of the pane (grey around it), on which the
// saver's own code lays out, renders and moves the entry's picture, scaled
// as the monitor is. The dialog's timer brings one frame per tick at the
// rate of "Speed"; each step swaps the preview's own entry parameters in
// and out again, so the dialogs' values stay as they are.
#include <algorithm>
#include <cstring>

#include "app/app.h"
#include "frame/frame.h"

namespace vortella {

namespace {

// Around the monitor: the middle grey of the halftone cube (level 2 of 5).
uint8_t desk_colour() { return aWinGHalftoneTranslation[2 * (1 + 6 + 36)]; }

// The pane's picture of the monitor: the preview's screen, clipped to the
// monitor's rectangle within the pane.
struct pane_screen final : frame_screen {
    int width() override { return pvmon.w; }
    int height() override { return pvmon.h; }

    void fill_black(int x, int y, int w, int h) override {
        const long long left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
        const long long right = std::min<long long>(static_cast<long long>(x) + w, pvmon.w);
        const long long bottom = std::min<long long>(static_cast<long long>(y) + h, pvmon.h);
        for (long long r = top; r < bottom; ++r)
            if (right > left)
                std::memset(&pvscreen[size_t(pvmon.y + r) * size_t(pvw) + size_t(pvmon.x + left)], 0,
                            size_t(right - left));
    }

    // As a screen shows it: a picture whose row 0 is its bottom row
    // (Orientation 1) shows its last row on top.
    void copy_picture(int x, int y, int scale) override {
        if (!image_bits || scale < 1) return;
        const long long k = scale;
        for (long long down = y < 0 ? 0 : y; down < pvmon.h && down < y + k * image_h; ++down) {
            const long long top = (down - y) / k;
            const long long row = Orientation < 0 ? top : image_h - 1 - top;
            const uint8_t *src = image_bits + size_t(row) * size_t(image_w);
            uint8_t *dst = &pvscreen[size_t(pvmon.y + down) * size_t(pvw) + size_t(pvmon.x)];
            for (long long across = x < 0 ? 0 : x; across < pvmon.w && across < x + k * image_w; ++across)
                dst[across] = src[(across - x) / k];
        }
    }
};

// The preview's parameters in the globals for one step, and back again:
// whatever the step changed (a bounce turns the light round) stays the
// preview's.
void swap_entry() {
    const entry_values mine = pvparams;
    pvparams = get_entry();
    set_entry(mine);
}

void release_picture() {
    image_bits = nullptr;
    image_w = image_h = 0;
    picfree();
    pvpicture.clear();
    pvpicture.shrink_to_fit();
}

// The entry from its start, as an entry switch and the size message after
// it begin it in the saver: the scene loaded afresh (camera and light first
// as a fresh process has them), the entry's motion applied, the picture
// laid out on the pane's monitor. A scene that cannot be shown leaves a
// message instead.
void start_playing() {
    release_picture();
    reset_scene();
    ltal = 1.5707964f;
    ltaz = 0;
    prevtime = 0;
    frametime = framerate = 0;
    pvmessage.clear();
    if (pvfile.empty()) {
        pvmessage = "No scene file chosen.";
        return;
    }
    const load_result r = load_scene(pvfile);
    if (r.code != load_ok) {
        // The saver ends on a missing map; the preview only says so.
        pvmessage = r.code == load_cannot_open  ? "Cannot open the scene file\n" + pvfile
                    : r.code == load_missing_map ? "Map Not Found\n" + r.message
                                                 : "Damaged scene file\n" + r.message;
        reset_scene();
        return;
    }
    apply_entry_motion();

    dlgsys()->item_size(pvdlg, pvpane, pvw, pvh);
    if (pvw < 1 || pvh < 1) pvw = pvh = 1;
    int dw = 0, dh = 0;
    sys()->display_size(dw, dh);
    pvmon = monitor_in_pane(pvw, pvh, dw, dh);
    lay_out_picture({0, 0, pvmon.w, pvmon.h}, dw, dh, true);
    // The pane's rows are top first; the picture's are made the same way.
    Orientation = -1;
    pvpicture.assign(size_t(picw) * size_t(pich), 0);
    if (picbuild(pvpicture.data())) {
        image_bits = pvpicture.data();
        image_w = picw;
        image_h = pich;
    }
    pvscreen.assign(size_t(pvw) * size_t(pvh), desk_colour());
    for (int y = 0; y < pvmon.h; ++y)
        std::memset(&pvscreen[size_t(pvmon.y + y) * size_t(pvw) + size_t(pvmon.x)], 0, size_t(pvmon.w));
    ftsw = 1;
    force_blit = 0;
}

}  // namespace

screen_rect monitor_in_pane(int pw, int ph, int dw, int dh) {
    if (pw < 1 || ph < 1) return {0, 0, pw > 0 ? pw : 0, ph > 0 ? ph : 0};
    if (dw < 1 || dh < 1) return {0, 0, pw, ph};
    // The width that fits at the pane's height, compared without division.
    long long mw = pw, mh = static_cast<long long>(pw) * dh / dw;
    if (mh > ph) {
        mh = ph;
        mw = static_cast<long long>(ph) * dw / dh;
    }
    if (mw < 1) mw = 1;
    if (mh < 1) mh = 1;
    return {int((pw - mw) / 2), int((ph - mh) / 2), int(mw), int(mh)};
}

void preview_play(HWND dlg, int pane, const std::string &file) {
    preview_stop();
    pvdlg = dlg;
    pvpane = pane;
    pvfile = file;
    pvparams = get_entry();
    pvrestart = 1;
    preview_tick();
    preview_speed();
}

void preview_change(const std::string &file) {
    if (!pvdlg) return;
    pvfile = file;
    pvparams = get_entry();
    pvrestart = 1;
}

void preview_speed() {
    if (pvdlg) dlgsys()->set_dialog_timer(pvdlg, preview_timer_id, frame_period());
}

void preview_tick() {
    if (!pvdlg) return;
    swap_entry();
    const bool started = pvrestart != 0;
    if (started) {
        pvrestart = 0;
        start_playing();
    }
    bool drawn = false;
    // As a saver's tick: a frame only when there is something to draw.
    if (pvmessage.empty() && file_no_obj > 0) {
        pane_screen screen;
        paint_frame(screen);
        after_frame();
        drawn = true;
    }
    swap_entry();
    if (!pvmessage.empty()) {
        if (started) dlgsys()->set_item_text(pvdlg, pvpane, pvmessage.c_str());
    } else if (started || drawn) {
        dlgsys()->show_picture(pvdlg, pvpane, pvscreen.data(), pvw, pvh);
    }
}

void preview_stop() {
    if (pvdlg) dlgsys()->kill_dialog_timer(pvdlg, preview_timer_id);
    pvdlg = 0;
    pvpane = 0;
    pvrestart = 0;
    release_picture();
    reset_scene();
    pvscreen.clear();
    pvscreen.shrink_to_fit();
    pvmessage.clear();
}

}  // namespace vortella
