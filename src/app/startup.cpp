// Start-up, the message loop and the end of the program: settings, the
// display check, the palette, the full-screen window and the role chosen
// by the command line; at the end every picture, table and scene is
// released.
#include <cstdlib>

#include "app/app.h"
#include "frame/frame.h"

namespace vortella {

void reset_app() {
    hwndApp = 0;
    instdir.clear();
    noproc = Configuring = 0;
    paldev = 1;
    picw2 = pich2 = picw3 = pich3 = 0;
    mapsdir.clear();
    sbackgroundbmp.clear();
    pixscale = 0;
    for (int i = 0; i < max_entries; ++i) fna[i].clear(), pma[i].clear();
    noent = curent = aspeed = seqm = 0;
    for (const entry_param &p : entry_params) *p.value = 0;
    maintime = 0;
    nTimerRes = 0;
    FirstTime = LastTime = diffTime = 0;
    bypassd = 0;
    ftan = 1;
    ftmc = 0;
    ftsw = force_blit = force_redraw = 0;
    clickignore = scin = slastx = slasty = 0;
    current_file.clear();
    openpath.clear();
    openfn.clear();
    initvx = initvy = initpx = initpy = 0;
    currvx = currvy = currpx = currpy = prevpx = prevpy = 0;
    playmon = {0, 0, 0, 0};
    pixk = 1;
    fAppActive = 0;
    prevtime = 0;
    frametime = framerate = 0;
    image_bits = nullptr;
    image_w = image_h = 0;
    nentn.clear();
    nSelection = canall = 0;
    cSelection.clear();
    pvdlg = 0;
    pvpane = 0;
    pvfile.clear();
    pvparams = {};
    pvrestart = 0;
    pvw = pvh = 0;
    pvmon = {0, 0, 0, 0};
    pvscreen.clear();
    pvpicture.clear();
    pvmessage.clear();
}

int WinMain(const char *cmdline, int show) {
    if (!AppInit(cmdline, show)) return 0;
    services *s = sys();
    MSG m;
    for (;;) {
        if (s->get_message(m))
            s->dispatch_message(m);
        else
            AppIdle();   // the destroy handler has ended the process by now
    }
}

int AppInit(const char *cmdline, int show) {
    services *s = sys();
    // Everything as a fresh process has it, so that the program can be
    // started more than once in one process (tests, recordings); the
    // renderer's layers first, whose memory the frame renderer releases.
    reset_frame();
    reset_raster();
    reset_pipeline();
    reset_view();
    reset_scene();
    reset_app();

    read_misc_settings();
    set_start_values();
    bgred = bggreen = bgblue = 0;
    calcmaxt();
    clamp_picture_size();
    ltal = 1.5707964f;
    ltaz = 0;
    set_picture_sizes();

    // The renderer draws 8-bit pictures on the halftone palette only.
    int bits = 0;
    bool palette = false;
    if (s->display_caps(bits, palette) && !(palette && bits == 8)) {
        s->message_box("Change display to 256 colors.", "Unsupported Display", MB_OK);
        return 0;
    }

    if (!s->register_class("VORTELLA", AppWndProc)) return 0;

    s->clear_system_palette();
    create_halftone_palette();

    // Creating the window runs its create handler: the playlist is read and
    // the frame timer started.
    hwndApp = s->create_window("VORTELLA", 0, 0, s->screen_width(), s->screen_height());

    file_no_obj = 0;
    Configuring = 0;
    noproc = 0;

    if (!saver_command(cmdline)) {
        while (s->show_cursor(true) < 0) {
        }
        noproc = 1;
        if (dialog_services *d = s->dialogs()) d->dialog_box(dlg_pref, hwndApp, Dialogpref);
        if (hwndApp) s->invalidate(hwndApp);
    }

    if (!hwndApp) return 0;
    s->show_window(hwndApp, show);
    return 1;
}

int AppIdle() { return 1; }

void release_saver(HWND hwnd) {
    services *s = sys();
    s->kill_timer(hwnd, frame_timer_id);
    maintime = 0;
    if (nTimerRes) s->mm_end_period(nTimerRes);
    nTimerRes = 0;
    if (image_w) s->release_picture();
    image_bits = nullptr;
    image_w = image_h = 0;
    picfree();
    DibFree(bgmapraw);
    bgmapraw = nullptr;
    deletefilestruct();
    deleterenlstruct();
}

void AppExit(HWND hwnd) {
    release_saver(hwnd);
    sys()->exit_process(0);
    // Not reached: the backend ends the process (or unwinds to its owner).
    std::exit(0);
}

}  // namespace vortella
