// The desktop backend over SDL: windows and their screens, the message
// queue with input and timer messages, clocks, cursor, message boxes and
// the process. Everything runs on the one thread of the message loop:
// timers are checked by get_message, never by a callback thread, so ticks
// never overlap any other message.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/desktop/desktop.h"
#include "platform/desktop/desktop_local.h"

namespace vortella {

services *make_desktop_services(std::string *err) { return desktop::sdl_services::open(err); }

namespace desktop {

namespace {

LPARAM pack_point(int x, int y) { return LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)); }

// Whether tick `a` is at or before tick `b` on the wrapping 32-bit clock.
bool not_after(uint32_t a, uint32_t b) { return int32_t(a - b) <= 0; }

}  // namespace

// --- Opening and closing ------------------------------------------------------------

sdl_services *sdl_services::open(std::string *err) {
    // The saver ends when it loses the focus; a full-screen window that
    // minimised itself first would only flicker.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v && *v;
    };
    const char *asked = std::getenv("SDL_VIDEODRIVER");
    if (!set("SDL_VIDEODRIVER") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
        if (err) *err = "neither DISPLAY nor WAYLAND_DISPLAY names a display";
        return nullptr;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (err) *err = SDL_GetError();
        return nullptr;
    }
    // When no display opens SDL falls back on a driver that draws nowhere;
    // only someone who asks for such a driver by name gets it.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
        !(asked && std::strcmp(asked, driver) == 0)) {
        if (err) *err = std::string("no display could be opened (only SDL's ") + driver + " driver started)";
        SDL_Quit();
        return nullptr;
    }
    if (SDL_GetNumVideoDisplays() < 1) {
        if (err) *err = "the video system reports no display";
        SDL_Quit();
        return nullptr;
    }
    auto *s = new sdl_services;
    // The current display is the one the pointer is on.
    int mx = 0, my = 0;
    SDL_GetGlobalMouseState(&mx, &my);
    SDL_Point p{mx, my};
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(i, &r) == 0 && SDL_PointInRect(&p, &r)) {
            s->display_ = i;
            break;
        }
    }
    return s;
}

sdl_services::~sdl_services() {
    dialogs_.clear();
    for (auto &w : windows_)
        if (w.second->sdl) SDL_DestroyWindow(w.second->sdl);
    windows_.clear();
    picture_.release();
    SDL_Quit();
}

// --- Message boxes and the process ----------------------------------------------------

int sdl_services::message_box(const char *text, const char *caption, unsigned type) {
    text = text ? text : "";
    caption = caption ? caption : "";
    // Over an open dialog the box is the toolkit's, modal to that dialog
    // and in its look.
    if (!dialogs_.empty() && dialog_message(text, caption, (type & MB_ICONSTOP) != 0)) return IDOK;
    uint32_t flags = (type & MB_ICONSTOP) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_Window *parent = nullptr;
    for (auto &w : windows_)
        if (w.second->mapped) parent = w.second->sdl;
    // The saver hides the cursor; the box must be dismissable by mouse.
    int cursor = SDL_ShowCursor(SDL_QUERY);
    SDL_ShowCursor(SDL_ENABLE);
    int rc = SDL_ShowSimpleMessageBox(flags, caption, text, parent);
    SDL_ShowCursor(cursor);
    if (rc != 0) std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}

void sdl_services::exit_process(int code) {
    // Leaves the display as it was (cursor, screen saver inhibition) before
    // the process goes.
    for (auto &w : windows_)
        if (w.second->sdl) SDL_DestroyWindow(w.second->sdl);
    SDL_Quit();
    std::fflush(nullptr);
    std::exit(code);
}

std::string sdl_services::module_file_name() { return executable_path(); }

bool sdl_services::start_program(const char *cmdline) {
    return spawn(split_command_line(cmdline ? cmdline : ""));
}

void sdl_services::help_index(HWND, const char *helpfile) {
    std::string f = helpfile ? helpfile : "";
    std::error_code ec;
    if (!f.empty() && std::filesystem::is_regular_file(f, ec)) {
        if (spawn({"xdg-open", f})) return;
        message_box(("Open the help file " + f + " with a help viewer.").c_str(), "Vortella Help",
                    MB_OK);
        return;
    }
    message_box(("Help is not installed. It would be the file " + f + ".").c_str(),
                "Vortella Help", MB_OK);
}

// --- Screen, cursor and clocks ------------------------------------------------------

int sdl_services::screen_width() {
    SDL_Rect r;
    return SDL_GetDisplayBounds(display_, &r) == 0 ? r.w : 0;
}

int sdl_services::screen_height() {
    SDL_Rect r;
    return SDL_GetDisplayBounds(display_, &r) == 0 ? r.h : 0;
}

bool sdl_services::display_caps(int &bits, bool &palette) {
    // The picture is palettised and turned into the display's colours when
    // it is copied, so to the program the screen is an 8-bit palette device.
    bits = 8;
    palette = true;
    return true;
}

int sdl_services::show_cursor(bool show) {
    cursor_count_ += show ? 1 : -1;
    SDL_ShowCursor(cursor_count_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursor_count_;
}

bool sdl_services::mm_caps(unsigned &min_period, unsigned &max_period) {
    min_period = 1;
    max_period = 1000000;
    return true;
}

bool sdl_services::set_timer(HWND w, unsigned id, unsigned period) {
    if (period == 0) period = 1;
    uint32_t now = SDL_GetTicks();
    for (timer &t : timers_) {
        if (t.w == w && t.id == id) {
            t.period = period;
            t.due = now + period;
            return true;
        }
    }
    timers_.push_back({w, id, period, now + period});
    return true;
}

void sdl_services::kill_timer(HWND w, unsigned id) {
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->w == w && it->id == id) it = timers_.erase(it);
        else ++it;
    }
}

// --- Windows ----------------------------------------------------------------------------

sdl_services::window *sdl_services::find(HWND w) {
    auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : it->second.get();
}

HWND sdl_services::window_of(uint32_t sdl_id) const {
    for (auto &w : windows_)
        if (w.second->sdl && SDL_GetWindowID(w.second->sdl) == sdl_id) return w.first;
    return 0;
}

const screen_surface *sdl_services::screen_of(HWND w) const {
    auto it = windows_.find(w);
    return it == windows_.end() ? nullptr : &it->second->screen;
}

bool sdl_services::register_class(const char *name, wndproc proc) {
    if (!name || !proc || classes_.count(name)) return false;
    classes_[name] = proc;
    return true;
}

HWND sdl_services::create_window(const char *cls, int x, int y, int w, int h) {
    auto c = classes_.find(cls ? cls : "");
    if (c == classes_.end() || w <= 0 || h <= 0) return 0;
    SDL_Rect d{0, 0, 0, 0};
    SDL_GetDisplayBounds(display_, &d);
    uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
    // A window over the whole display asks the window manager for full
    // screen, which puts it above panels and docks.
    if (x == 0 && y == 0 && w == d.w && h == d.h) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window *sw = SDL_CreateWindow("Vortella", d.x + x, d.y + y, w, h, flags);
    if (!sw) return 0;
    auto win = std::make_unique<window>();
    win->proc = c->second;
    win->sdl = sw;
    if (!win->screen.resize(w, h)) {
        SDL_DestroyWindow(sw);
        return 0;
    }
    HWND hw = next_handle_++;
    wndproc proc = c->second;
    windows_[hw] = std::move(win);
    if (proc(hw, WM_CREATE, 0, 0) == -1) {
        if (window *gone = find(hw)) {
            SDL_DestroyWindow(gone->sdl);
            windows_.erase(hw);
        }
        return 0;
    }
    // A new window learns its size and place right after its creation.
    if (find(hw)) proc(hw, WM_SIZE, 0, pack_point(w, h));
    if (find(hw)) proc(hw, WM_MOVE, 0, pack_point(x, y));
    return find(hw) ? hw : 0;
}

void sdl_services::show_window(HWND w, int show) {
    window *win = find(w);
    if (!win) return;
    bool was = win->shown;
    win->shown = show != 0;
    if (!show) {
        if (win->mapped) SDL_HideWindow(win->sdl);
        win->mapped = false;
        return;
    }
    // The window appears on the display when the program next waits for a
    // message (flush), so a window closed right away is never seen; its
    // procedure learns of the activation now.
    if (!was) {
        wndproc proc = win->proc;
        proc(w, WM_ACTIVATEAPP, 1, 0);
        if (find(w)) proc(w, WM_ACTIVATE, 1, 0);
    }
}

void sdl_services::destroy_window(HWND w) {
    auto it = windows_.find(w);
    if (it == windows_.end()) return;
    wndproc proc = it->second->proc;
    // Gone before its procedure hears of it: the destroy handler may end the
    // process and never come back.
    SDL_DestroyWindow(it->second->sdl);
    windows_.erase(it);
    for (auto t = timers_.begin(); t != timers_.end();) {
        if (t->w == w) t = timers_.erase(t);
        else ++t;
    }
    proc(w, WM_DESTROY, 0, 0);
}

LRESULT sdl_services::def_window_proc(HWND w, unsigned msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) destroy_window(w);
    return 0;
}

void sdl_services::invalidate(HWND w) {
    if (window *win = find(w)) win->screen.dirty = true;
}

// --- The message queue ------------------------------------------------------------------

bool sdl_services::post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    queue_.push_back({w, msg, wp, lp});
    return true;
}

void sdl_services::post_quit_message(int) { quit_posted_ = true; }

void sdl_services::flush() {
    for (auto &entry : windows_) {
        window &win = *entry.second;
        if (win.shown && !win.mapped) {
            SDL_ShowWindow(win.sdl);
            SDL_RaiseWindow(win.sdl);
            win.mapped = true;
            win.screen.dirty = true;
        }
        if (win.mapped && win.screen.dirty) win.screen.present(win.sdl);
    }
}

bool sdl_services::translate(const SDL_Event &e, MSG &m) {
    switch (e.type) {
    case SDL_QUIT:
        // Asked to end from outside (a signal, the session closing): the
        // main window closes as if the user had closed it.
        if (windows_.empty()) return false;
        m = {windows_.begin()->first, WM_CLOSE, 0, 0};
        return true;
    case SDL_KEYDOWN: {
        // The display sent the key to us; with no window manager handing
        // out the focus SDL may not know which window has it, and then the
        // key is for the window that is shown.
        HWND w = window_of(e.key.windowID);
        if (!w)
            for (auto &entry : windows_)
                if (entry.second->mapped) w = entry.first;
        if (!w) return false;
        m = {w, WM_KEYDOWN, WPARAM(uint32_t(e.key.keysym.sym)), 0};
        return true;
    }
    case SDL_MOUSEBUTTONDOWN: {
        HWND w = window_of(e.button.windowID);
        unsigned msg = 0;   // other buttons are not clicks the saver answers
        if (e.button.button == SDL_BUTTON_LEFT) msg = WM_LBUTTONDOWN;
        if (e.button.button == SDL_BUTTON_RIGHT) msg = WM_RBUTTONDOWN;
        if (!w || !msg) return false;
        m = {w, msg, 0, pack_point(e.button.x, e.button.y)};
        return true;
    }
    case SDL_MOUSEMOTION: {
        HWND w = window_of(e.motion.windowID);
        // Only a real movement counts; a window appearing under a resting
        // pointer can report one that goes nowhere.
        if (!w || (e.motion.xrel == 0 && e.motion.yrel == 0)) return false;
        m = {w, WM_MOUSEMOVE, 0, pack_point(e.motion.x, e.motion.y)};
        return true;
    }
    case SDL_WINDOWEVENT: {
        HWND w = window_of(e.window.windowID);
        window *win = find(w);
        if (!win) return false;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            win->screen.dirty = true;
            return false;
        case SDL_WINDOWEVENT_MOVED: {
            SDL_Rect d{0, 0, 0, 0};
            SDL_GetDisplayBounds(display_, &d);
            m = {w, WM_MOVE, 0, pack_point(e.window.data1 - d.x, e.window.data2 - d.y)};
            return true;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            win->screen.resize(e.window.data1, e.window.data2);
            m = {w, WM_SIZE, 0, pack_point(e.window.data1, e.window.data2)};
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            m = {w, WM_ACTIVATE, 1, 0};
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            m = {w, WM_ACTIVATE, 0, 0};
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            m = {w, WM_CLOSE, 0, 0};
            return true;
        }
        return false;
    }
    }
    return false;
}

bool sdl_services::get_message(MSG &m) {
    for (;;) {
        bool result;
        if (take_posted(queue_, quit_posted_, m, result)) return result;
        flush();
        SDL_Event e;
        while (SDL_PollEvent(&e))
            if (translate(e, m)) return true;
        uint32_t now = SDL_GetTicks();
        timer *next = nullptr;
        for (timer &t : timers_)
            if (!next || int32_t(t.due - next->due) < 0) next = &t;
        if (next && not_after(next->due, now)) {
            m = {next->w, WM_TIMER, next->id, 0};
            // Ticks missed while the program was busy merge into this one.
            next->due += next->period;
            if (not_after(next->due, now)) next->due = now + next->period;
            return true;
        }
        flush();   // events above may have asked for a repaint
        bool got = next ? SDL_WaitEventTimeout(&e, int(next->due - now)) != 0
                        : SDL_WaitEvent(&e) != 0;
        if (got && translate(e, m)) return true;
    }
}

LRESULT sdl_services::dispatch_message(const MSG &m) {
    window *win = find(m.hwnd);
    if (!win) return 0;
    return win->proc(m.hwnd, m.message, m.wParam, m.lParam);
}

// --- Palette and picture ------------------------------------------------------------------

int sdl_services::realize_palette(HWND) {
    picture_.set_palette(peEntry);
    if (realized_) return 0;
    realized_ = true;
    return 256;
}

uint8_t *sdl_services::create_picture(int w, int h) {
    picture_.set_palette(peEntry);
    return picture_.make(w, h);
}

void sdl_services::blit_picture(HWND w, int x, int y) {
    if (window *win = find(w)) win->screen.blit(picture_, x, y);
}

void sdl_services::fill_black(HWND w, int x, int y, int cx, int cy) {
    if (window *win = find(w)) win->screen.fill_black(x, y, cx, cy);
}

}  // namespace desktop
}  // namespace vortella
