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

// How long a window on several monitors may be without the focus, in ms,
// before it counts as deactivated: the focus passing between its panes
// comes as a loss and a gain, which need not arrive together.
constexpr uint32_t focus_grace = 150;

// Whether tick `a` is at or before tick `b` on the wrapping 32-bit clock.
bool not_after(uint32_t a, uint32_t b) { return int32_t(a - b) <= 0; }

}  // namespace

// --- Opening and closing ------------------------------------------------------------

sdl_services *sdl_services::open(std::string *err) {
    // The saver ends when it loses the focus; a full-screen window that
    // minimised itself first would only flicker.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // A window's own surface is the display's memory (MIT-SHM on X11), not
    // a texture drawn through OpenGL: the software renderer draws into it
    // and sends only what changed, which a GL driver without a GPU would
    // turn into drawing the whole window every frame.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
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
    std::vector<screen_rect> displays;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect r;
        if (SDL_GetDisplayBounds(i, &r) == 0) displays.push_back({r.x, r.y, r.w, r.h});
    }
    const std::vector<screen_rect> monitors = choose_monitors(displays, xinerama_heads());
    // The picture plays on the monitor the pointer is on.
    int mx = 0, my = 0;
    SDL_GetGlobalMouseState(&mx, &my);
    s->use_monitors(monitors, std::max(monitor_at(monitors, mx, my), 0));
    // A hidden hook for tests and for displays whose GPU driver misbehaves:
    // VORTELLA_PRESENT=gpu or software instead of finding out.
    if (const char *m = std::getenv("VORTELLA_PRESENT")) {
        if (std::strcmp(m, "gpu") == 0) s->use_gpu(true);
        if (std::strcmp(m, "software") == 0) s->use_gpu(false);
    }
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
        s->use_gpu(false);
    return s;
}

void sdl_services::use_monitors(const std::vector<screen_rect> &system, int playing) {
    layout_ = lay_out_monitors(system);
    playing_ = playing >= 0 && size_t(playing) < layout_.monitors.size() ? playing : 0;
    // A monitor that is one of SDL's displays gets a window that is full
    // screen there; the others are placed by hand.
    display_of_.clear();
    for (const screen_rect &m : layout_.monitors) {
        int found = -1;
        for (int i = 0; i < SDL_GetNumVideoDisplays() && found < 0; ++i) {
            SDL_Rect r;
            if (SDL_GetDisplayBounds(i, &r) == 0 && r.x == m.x + layout_.origin_x &&
                r.y == m.y + layout_.origin_y && r.w == m.w && r.h == m.h)
                found = i;
        }
        display_of_.push_back(found);
    }
}

screen_rect sdl_services::playing_monitor() {
    if (size_t(playing_) < layout_.monitors.size()) return layout_.monitors[size_t(playing_)];
    return services::playing_monitor();
}

sdl_services::window::~window() {
    for (auto &p : panes) {
        p->view.close();
        if (p->sdl) SDL_DestroyWindow(p->sdl);
    }
}

sdl_services::~sdl_services() {
    dialogs_.clear();
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
        for (auto &p : w.second->panes)
            if (p->mapped) parent = p->sdl;
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
    windows_.clear();
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

int sdl_services::screen_width() { return layout_.width; }

int sdl_services::screen_height() { return layout_.height; }

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
        for (auto &p : w.second->panes)
            if (p->sdl && SDL_GetWindowID(p->sdl) == sdl_id) return w.first;
    return 0;
}

sdl_services::pane *sdl_services::pane_of(uint32_t sdl_id) const {
    for (auto &w : windows_)
        for (auto &p : w.second->panes)
            if (p->sdl && SDL_GetWindowID(p->sdl) == sdl_id) return p.get();
    return nullptr;
}

uint32_t sdl_services::rgb_at(HWND w, int x, int y) {
    window *win = find(w);
    if (!win) return 0;
    for (auto &p : win->panes)
        if (monitor_at({p->area}, x, y) == 0) return p->view.rgb(x - p->area.x, y - p->area.y);
    return 0;
}

int sdl_services::panes_of(HWND w) const {
    auto it = windows_.find(w);
    return it == windows_.end() ? 0 : int(it->second->panes.size());
}

SDL_Window *sdl_services::sdl_window_at(HWND w, int x, int y) const {
    auto it = windows_.find(w);
    if (it == windows_.end()) return nullptr;
    for (auto &p : it->second->panes)
        if (monitor_at({p->area}, x, y) == 0) return p->sdl;
    return nullptr;
}

int sdl_services::last_update_rects(HWND w) const {
    auto it = windows_.find(w);
    return it == windows_.end() || it->second->panes.empty() ? 0 : it->second->panes[0]->view.last_update_rects();
}

bool sdl_services::open_view(pane &p) {
    if (!p.view.open_window(p.sdl, mode_)) return false;
    // The first view found out whether there is a GPU; the others need not.
    if (mode_ == screen_view::mode::automatic) use_gpu(p.view.gpu());
    return true;
}

void sdl_services::repaint(window &win, pane &p) {
    p.view.fill_black(0, 0, p.view.width(), p.view.height());
    if (win.has_copy) p.view.blit(picture_, win.copy_x - p.area.x, win.copy_y - p.area.y, win.copy_scale);
}

bool sdl_services::register_class(const char *name, wndproc proc) {
    if (!name || !proc || classes_.count(name)) return false;
    classes_[name] = proc;
    return true;
}

HWND sdl_services::create_window(const char *cls, int x, int y, int w, int h) {
    auto c = classes_.find(cls ? cls : "");
    if (c == classes_.end() || w <= 0 || h <= 0) return 0;
    auto win = std::make_unique<window>();
    win->proc = c->second;
    // A window over the whole screen is a window on each monitor, each
    // full screen on its own where SDL knows the monitor as a display
    // (which puts it above panels and docks), else placed over it. Any
    // other window is one window.
    const bool whole = x == 0 && y == 0 && w == layout_.width && h == layout_.height;
    std::vector<screen_rect> areas{{x, y, w, h}};
    if (whole && !layout_.monitors.empty()) areas = layout_.monitors;
    for (size_t i = 0; i < areas.size(); ++i) {
        const screen_rect &a = areas[i];
        uint32_t flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
        if (whole && i < display_of_.size() && display_of_[i] >= 0) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        // With several, every window stays above the desktop's, also on the
        // monitors that do not have the focus.
        if (whole && areas.size() > 1) flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR;
        auto p = std::make_unique<pane>();
        p->area = a;
        p->sdl = SDL_CreateWindow("Vortella", layout_.origin_x + a.x, layout_.origin_y + a.y, a.w, a.h, flags);
        if (!p->sdl || !open_view(*p)) {
            if (p->sdl) SDL_DestroyWindow(p->sdl);
            return 0;   // the panes made so far go with `win`
        }
        win->panes.push_back(std::move(p));
    }
    HWND hw = next_handle_++;
    wndproc proc = c->second;
    windows_[hw] = std::move(win);
    if (proc(hw, WM_CREATE, 0, 0) == -1) {
        windows_.erase(hw);
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
        for (auto &p : win->panes) {
            if (p->mapped) SDL_HideWindow(p->sdl);
            p->mapped = false;
        }
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
    if (focus_window_ == w) focus_check_ = false;
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

void sdl_services::invalidate(HWND) {
    // Every pane shows what changed at the next wait; nothing is drawn
    // from the window's procedure.
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
        // The pane of the playing monitor comes up last, so it ends with
        // the focus where the window manager gives it to the window raised
        // last.
        const screen_rect play = playing_monitor();
        for (int pass = 0; pass < 2 && win.shown; ++pass) {
            for (auto &p : win.panes) {
                const bool playing = monitor_at({p->area}, play.x, play.y) == 0;
                if (p->mapped || playing != (pass == 1)) continue;
                SDL_ShowWindow(p->sdl);
                SDL_RaiseWindow(p->sdl);
                p->mapped = true;
                p->view.present(true);
            }
        }
        for (auto &p : win.panes)
            if (p->mapped && p->view.dirty()) p->view.present();
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
                for (auto &p : entry.second->panes)
                    if (p->mapped) w = entry.first;
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
        pane *p = pane_of(e.window.windowID);
        if (!win || !p) return false;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            if (p->mapped) p->view.present(true);
            return false;
        case SDL_WINDOWEVENT_MOVED:
            m = {w, WM_MOVE, 0, pack_point(e.window.data1 - layout_.origin_x - p->area.x,
                                           e.window.data2 - layout_.origin_y - p->area.y)};
            return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The pane's pixels are gone with its old size.
            if (!p->view.follow_window_size()) p->view.close();
            repaint(*win, *p);
            // A window on several monitors keeps its screen; a single one
            // has a new screen size, and the picture is made for it afresh.
            if (win->panes.size() > 1) return false;
            m = {w, WM_SIZE, 0, pack_point(e.window.data1, e.window.data2)};
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (win->panes.size() > 1 && focus_window_ == w) focus_check_ = false;
            m = {w, WM_ACTIVATE, 1, 0};
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // The focus going from one pane to another of the same window
            // (the panes coming up one after the other) is no deactivation;
            // whether it went elsewhere is seen a moment later.
            if (win->panes.size() > 1) {
                focus_check_ = true;
                focus_window_ = w;
                focus_lost_at_ = SDL_GetTicks();
                return false;
            }
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
        if (focus_check_ && not_after(focus_lost_at_ + focus_grace, now)) {
            focus_check_ = false;
            SDL_Window *focus = SDL_GetKeyboardFocus();
            if ((!focus || window_of(SDL_GetWindowID(focus)) != focus_window_) && find(focus_window_)) {
                m = {focus_window_, WM_ACTIVATE, 0, 0};
                return true;
            }
        }
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
        uint32_t until = next ? next->due : now;
        if (focus_check_ && (!next || int32_t(focus_lost_at_ + focus_grace - until) < 0))
            until = focus_lost_at_ + focus_grace;
        bool got = next || focus_check_ ? SDL_WaitEventTimeout(&e, int(until - now)) != 0
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

void sdl_services::blit_picture(HWND w, int x, int y, int scale) {
    window *win = find(w);
    if (!win || scale < 1 || !picture_.surface()) return;
    win->has_copy = true;
    win->copy_x = x, win->copy_y = y, win->copy_scale = scale;
    const screen_rect to{x, y, picture_.surface()->w * scale, picture_.surface()->h * scale};
    // Only the panes the picture reaches convert it.
    for (auto &p : win->panes)
        if (intersect(to, p->area).w > 0) p->view.blit(picture_, x - p->area.x, y - p->area.y, scale);
}

void sdl_services::fill_black(HWND w, int x, int y, int cx, int cy) {
    window *win = find(w);
    if (!win) return;
    const screen_rect r{x, y, cx, cy};
    for (auto &p : win->panes) {
        const screen_rect part = intersect(r, p->area);
        if (part.w > 0) p->view.fill_black(part.x - p->area.x, part.y - p->area.y, part.w, part.h);
    }
}

}  // namespace desktop
}  // namespace vortella
