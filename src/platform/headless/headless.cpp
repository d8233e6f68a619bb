// The headless backend: windows, timers and dialogs without a display. Time
// is a virtual clock that only moves when the message loop has nothing to
// deliver, input and dialog actions come from scripts, and the screen is a
// byte per pixel in memory.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

#include "platform/headless/headless.h"
#include "platform/monitors.h"

namespace vortella {

// --- Message boxes and the process -------------------------------------------

int headless_services::message_box(const char *text, const char *caption, unsigned type) {
    boxes.push_back({text ? text : "", caption ? caption : "", type});
    return IDOK;
}

void headless_services::exit_process(int code) { throw process_exit{code}; }

bool headless_services::start_program(const char *cmdline) {
    started.push_back(cmdline ? cmdline : "");
    return true;
}

bool headless_services::builtin_file(const char *name, std::string &data) {
    auto f = builtin_files.find(name ? name : "");
    if (f == builtin_files.end()) return false;
    data = f->second;
    return true;
}

// --- Screen and clocks ---------------------------------------------------------

void headless_services::set_monitors(const std::vector<screen_rect> &system, int play) {
    const monitor_layout l = lay_out_monitors(system);
    monitor_list = l.monitors;
    playing = play;
    screen_w = l.width;
    screen_h = l.height;
}

screen_rect headless_services::playing_monitor() {
    if (playing >= 0 && size_t(playing) < monitor_list.size()) return monitor_list[size_t(playing)];
    return services::playing_monitor();
}

bool headless_services::display_caps(int &bits, bool &palette) {
    if (!has_display) return false;
    bits = display_bits;
    palette = display_palette;
    return true;
}

bool headless_services::mm_caps(unsigned &min_period, unsigned &max_period) {
    if (!has_mm_timer) return false;
    min_period = mm_min;
    max_period = mm_max;
    return true;
}

bool headless_services::set_timer(HWND w, unsigned id, unsigned period) {
    if (period == 0) period = 1;
    for (timer &t : timers) {
        if (t.w == w && t.id == id) {
            t.period = period;
            t.due = now + period;
            return true;
        }
    }
    timers.push_back({w, id, period, now + period});
    return true;
}

void headless_services::kill_timer(HWND w, unsigned id) {
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const timer &t) { return t.w == w && t.id == id; }),
                 timers.end());
}

// --- Windows and the message queue ----------------------------------------------

bool headless_services::register_class(const char *name, wndproc proc) {
    if (!name || !proc || classes.count(name)) return false;
    classes[name] = proc;
    return true;
}

HWND headless_services::create_window(const char *cls, int x, int y, int w, int h) {
    auto c = classes.find(cls ? cls : "");
    if (c == classes.end()) return 0;
    HWND hw = next_handle++;
    windows[hw] = {c->second, x, y, w, h, 0, 0};
    if (c->second(hw, WM_CREATE, 0, 0) == -1) {
        windows.erase(hw);
        return 0;
    }
    // A new window learns its size and place right after its creation.
    if (windows.count(hw)) c->second(hw, WM_SIZE, 0, LPARAM((h & 0xFFFF) << 16 | (w & 0xFFFF)));
    if (windows.count(hw)) c->second(hw, WM_MOVE, 0, LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)));
    return windows.count(hw) ? hw : 0;
}

void headless_services::show_window(HWND w, int show) {
    auto it = windows.find(w);
    if (it == windows.end()) return;
    bool was = it->second.show != 0;
    it->second.show = show;
    if (show && !was) {
        wndproc proc = it->second.proc;
        proc(w, WM_ACTIVATEAPP, 1, 0);
        if (windows.count(w)) proc(w, WM_ACTIVATE, 1, 0);
    }
}

void headless_services::destroy_window(HWND w) {
    auto it = windows.find(w);
    if (it == windows.end()) return;
    wndproc proc = it->second.proc;
    // Forgotten before its procedure hears of it: the destroy handler may end
    // the process and never come back.
    windows.erase(it);
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const timer &t) { return t.w == w; }),
                 timers.end());
    proc(w, WM_DESTROY, 0, 0);
}

LRESULT headless_services::def_window_proc(HWND w, unsigned msg, WPARAM, LPARAM) {
    if (msg == WM_CLOSE) destroy_window(w);
    return 0;
}

bool headless_services::post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    queue.push_back({w, msg, wp, lp});
    return true;
}

void headless_services::post_quit_message(int code) {
    (void)code;
    quit_posted = true;
}

void headless_services::input_at(unsigned at, unsigned msg, WPARAM wp, LPARAM lp) {
    input in{at, {0, msg, wp, lp}};
    auto pos = std::upper_bound(inputs.begin(), inputs.end(), at,
                                [](unsigned t, const input &i) { return t < i.at; });
    inputs.insert(pos, in);
}

void headless_services::key_at(unsigned at) { input_at(at, WM_KEYDOWN, ' ', 0); }

void headless_services::mouse_move_at(unsigned at, int x, int y) {
    input_at(at, WM_MOUSEMOVE, 0, LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)));
}

void headless_services::click_at(unsigned at) { input_at(at, WM_LBUTTONDOWN, 0, 0); }

bool headless_services::get_message(MSG &m) {
    for (;;) {
        bool result;
        if (take_posted(queue, quit_posted, m, result)) return result;
        if (!inputs.empty() && inputs.front().at <= now) {
            m = inputs.front().m;
            inputs.pop_front();
            if (m.hwnd == 0 && !windows.empty()) m.hwnd = windows.begin()->first;
            return true;
        }
        timer *next = nullptr;
        for (timer &t : timers)
            if (!next || t.due < next->due) next = &t;
        if (next && next->due <= now) {
            m = {next->w, WM_TIMER, next->id, 0};
            // Ticks missed while the program was busy merge into this one.
            next->due += next->period;
            if (next->due <= now) next->due = now + next->period;
            return true;
        }
        // Nothing due: the clock jumps to whatever comes first.
        unsigned when = UINT_MAX;
        bool any = false;
        if (!inputs.empty()) when = inputs.front().at, any = true;
        if (next && next->due < when) when = next->due, any = true;
        if (!any || when > limit) throw headless_idle{};
        now = when;
    }
}

LRESULT headless_services::dispatch_message(const MSG &m) {
    auto it = windows.find(m.hwnd);
    if (it == windows.end()) return 0;
    return it->second.proc(m.hwnd, m.message, m.wParam, m.lParam);
}

void headless_services::invalidate(HWND w) {
    auto it = windows.find(w);
    if (it != windows.end()) ++it->second.invalid;
}

// --- Palette and picture ----------------------------------------------------------

int headless_services::realize_palette(HWND) {
    if (realized) return 0;
    realized = true;
    return 256;
}

void headless_services::clear_system_palette() {
    ++palette_clears;
    realized = false;
}

uint8_t *headless_services::create_picture(int w, int h) {
    if (picture_fails || w <= 0 || h <= 0) return nullptr;
    picture.assign(size_t(w) * size_t(h), 0);
    pic_w = w;
    pic_h = h;
    // Made when the answer was -1, the picture holds its top row first;
    // otherwise its rows are bottom-up, as the program then sets its row
    // order to +1.
    pic_topdown = orientation < 0;
    return picture.data();
}

void headless_services::release_picture() {
    picture.clear();
    picture.shrink_to_fit();
    pic_w = pic_h = 0;
}

void headless_services::ensure_screen() {
    size_t n = size_t(std::max(screen_w, 0)) * size_t(std::max(screen_h, 0));
    if (screen.size() != n) screen.assign(n, 0);
}

uint8_t headless_services::pixel(int x, int y) {
    ensure_screen();
    if (x < 0 || y < 0 || x >= screen_w || y >= screen_h) return 0;
    return screen[size_t(y) * size_t(screen_w) + size_t(x)];
}

void headless_services::blit_picture(HWND, int x, int y, int scale) {
    ensure_screen();
    ++blits;
    if (picture.empty() || scale < 1) return;
    // Row by row of the screen: each picture pixel becomes scale x scale
    // screen pixels, nearest neighbour. Only the part on the screen is
    // written; 64-bit sums keep a far-off place from wrapping round. A
    // bottom-up picture shows its last row in memory on top.
    const long long k = scale;
    for (int sy = std::max(y, 0); sy < screen_h && sy < static_cast<long long>(y) + k * pic_h; ++sy) {
        const size_t top = size_t((sy - static_cast<long long>(y)) / k);
        const size_t r = pic_topdown ? top : size_t(pic_h) - 1 - top;
        uint8_t *dst = &screen[size_t(sy) * size_t(screen_w)];
        const uint8_t *src = &picture[r * size_t(pic_w)];
        for (int sx = std::max(x, 0); sx < screen_w && sx < static_cast<long long>(x) + k * pic_w; ++sx)
            dst[sx] = src[size_t((sx - static_cast<long long>(x)) / k)];
    }
}

void headless_services::fill_black(HWND, int x, int y, int cx, int cy) {
    ensure_screen();
    int x0 = std::max(x, 0), x1 = std::min(x + cx, screen_w);
    int y0 = std::max(y, 0), y1 = std::min(y + cy, screen_h);
    for (int r = y0; r < y1; ++r)
        if (x1 > x0) std::memset(&screen[size_t(r) * size_t(screen_w) + size_t(x0)], 0, size_t(x1 - x0));
}

// --- Dialogs -------------------------------------------------------------------------

headless_services::control *headless_services::item(HWND dlg, int id) {
    auto d = open_dialogs.find(dlg);
    if (d == open_dialogs.end()) return nullptr;
    auto c = d->second.items.find(id);
    return c == d->second.items.end() ? nullptr : &c->second;
}

// Takes scripted actions until the dialog ends; a dialog left open when the
// script runs out is cancelled, as a user closing its window would.
void headless_services::deliver_script(HWND dlg) {
    dialog &d = open_dialogs.at(dlg);
    while (!d.ended) {
        if (script.empty()) {
            d.proc(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            if (!d.ended) end_dialog(dlg, IDCANCEL);
            return;
        }
        action a = script.front();
        script.pop_front();
        if (a.kind == action::wait) {
            pass_dialog_time(unsigned(a.index));
            continue;
        }
        control *c = item(dlg, a.id);
        // A user can only reach controls the dialog has and that are enabled;
        // Escape reaches Cancel always.
        if ((!c || !c->enabled) && !(a.kind == action::click && a.id == IDCANCEL)) continue;
        switch (a.kind) {
        case action::click:
            d.proc(dlg, WM_COMMAND, MAKEWPARAM(unsigned(a.id), BN_CLICKED), 0);
            break;
        case action::type:
            c->text = a.text;
            d.proc(dlg, WM_COMMAND, MAKEWPARAM(unsigned(a.id), EN_CHANGE), 0);
            break;
        case action::select:
            c->sel = (a.index >= 0 && a.index < int(c->lines.size())) ? a.index : -1;
            d.proc(dlg, WM_COMMAND, MAKEWPARAM(unsigned(a.id), LBN_SELCHANGE), 0);
            break;
        case action::notify:
            d.proc(dlg, WM_COMMAND, MAKEWPARAM(unsigned(a.id), unsigned(a.index)), 0);
            break;
        case action::wait:
            break;
        }
    }
}

void headless_services::pass_dialog_time(unsigned ms) {
    const unsigned end = now + ms;
    for (;;) {
        // The timer due first, of any open dialog (an outer one's timers
        // tick under a modal one's, as on the real systems).
        dialog_timer *next = nullptr;
        for (dialog_timer &t : dialog_timers)
            if (!next || t.due < next->due) next = &t;
        if (!next || next->due > end) break;
        now = next->due;
        const HWND dlg = next->dlg;
        const unsigned id = next->id;
        next->due += next->period;
        if (next->due <= now) next->due = now + next->period;
        auto d = open_dialogs.find(dlg);
        if (d != open_dialogs.end() && !d->second.ended) d->second.proc(dlg, WM_TIMER, id, 0);
    }
    now = end;
}

int headless_services::dialog_box(const dialog_template &t, HWND, dlgproc proc) {
    HWND h = next_handle++;
    dialog &d = open_dialogs[h];
    d.t = &t;
    d.proc = proc;
    d.title = t.title ? t.title : "";
    for (const dialog_item &i : t.items) {
        if (i.id < 0) continue;
        control c;
        c.kind = i.kind;
        if (i.kind != control_kind::edit && i.kind != control_kind::number &&
            i.kind != control_kind::list)
            c.text = i.label ? i.label : "";
        c.enabled = !i.disabled;
        c.w = i.w * du_x_num / du_x_den;
        c.h = i.h * du_y_num / du_y_den;
        d.items[i.id] = c;
    }
    dialogs_run.push_back(t.name ? t.name : "");
    proc(h, WM_INITDIALOG, 0, 0);
    deliver_script(h);
    proc(h, WM_DESTROY, 0, 0);
    // Its timers end with it.
    dialog_timers.erase(std::remove_if(dialog_timers.begin(), dialog_timers.end(),
                                       [&](const dialog_timer &dt) { return dt.dlg == h; }),
                        dialog_timers.end());
    int result = d.result;
    closed_dialogs[t.name ? t.name : ""] = d;
    open_dialogs.erase(h);
    return result;
}

void headless_services::end_dialog(HWND dlg, int result) {
    auto d = open_dialogs.find(dlg);
    if (d == open_dialogs.end()) return;
    d->second.ended = true;
    d->second.result = result;
}

void headless_services::set_window_text(HWND w, const char *text) {
    auto d = open_dialogs.find(w);
    if (d != open_dialogs.end()) d->second.title = text ? text : "";
}

void headless_services::set_item_text(HWND dlg, int id, const char *text) {
    control *c = item(dlg, id);
    if (!c) return;
    c->text = text ? text : "";
    if (c->kind == control_kind::pane) c->shows.push_back({now, 0, 0, {}, c->text});
}

std::string headless_services::get_item_text(HWND dlg, int id, size_t size) {
    control *c = item(dlg, id);
    if (!c || size == 0) return {};
    return c->text.substr(0, size - 1);
}

void headless_services::set_item_int(HWND dlg, int id, int value) {
    if (control *c = item(dlg, id)) c->text = std::to_string(value);
}

int parse_item_int(const std::string &s, bool *ok) {
    if (ok) *ok = false;
    // Leading blanks, an optional minus, then decimal digits to the end.
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = i < s.size() && s[i] == '-';
    if (neg) ++i;
    if (i == s.size()) return 0;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
        v = v * 10 + (s[i] - '0');
        // Stop before the value can overflow; anything past INT_MIN is no number.
        if (v > 2147483648LL) return 0;
    }
    if (neg) v = -v;
    if (v > INT_MAX) return 0;
    if (ok) *ok = true;
    return static_cast<int>(v);
}

int headless_services::get_item_int(HWND dlg, int id, bool *ok) {
    if (ok) *ok = false;
    control *c = item(dlg, id);
    return c ? parse_item_int(c->text, ok) : 0;
}

void headless_services::check_button(HWND dlg, int id, int state) {
    if (control *c = item(dlg, id)) c->check = state;
}

int headless_services::is_button_checked(HWND dlg, int id) {
    control *c = item(dlg, id);
    return c ? c->check : 0;
}

void headless_services::check_radio(HWND dlg, int first, int last, int id) {
    for (int i = first; i <= last; ++i)
        if (control *c = item(dlg, i)) c->check = i == id ? BST_CHECKED : BST_UNCHECKED;
}

void headless_services::enable_item(HWND dlg, int id, bool enable) {
    if (control *c = item(dlg, id)) c->enabled = enable;
}

int headless_services::list_add(HWND dlg, int id, const char *text) {
    control *c = item(dlg, id);
    if (!c) return -1;
    c->lines.push_back(text ? text : "");
    return int(c->lines.size()) - 1;
}

int headless_services::list_delete(HWND dlg, int id, int index) {
    control *c = item(dlg, id);
    if (!c || index < 0 || index >= int(c->lines.size())) return -1;
    c->lines.erase(c->lines.begin() + index);
    if (c->sel == index) c->sel = -1;
    else if (c->sel > index) --c->sel;
    return int(c->lines.size());
}

void headless_services::list_reset(HWND dlg, int id) {
    if (control *c = item(dlg, id)) {
        c->lines.clear();
        c->sel = -1;
    }
}

int headless_services::list_count(HWND dlg, int id) {
    control *c = item(dlg, id);
    return c ? int(c->lines.size()) : 0;
}

int headless_services::list_selection(HWND dlg, int id) {
    control *c = item(dlg, id);
    return c ? c->sel : -1;
}

std::string headless_services::list_text(HWND dlg, int id, int index) {
    control *c = item(dlg, id);
    if (!c || index < 0 || index >= int(c->lines.size())) return {};
    return c->lines[size_t(index)];
}

void headless_services::set_redraw(HWND dlg, int id, bool on) {
    if (control *c = item(dlg, id)) c->redraw = on;
}

bool headless_services::open_file_dialog(HWND, const char *, const char *, size_t size,
                                         std::string &file) {
    if (open_files.empty()) return false;
    std::string f = open_files.front();
    open_files.pop_front();
    if (f.empty() || size == 0 || f.size() > size - 1) return false;
    file = f;
    return true;
}

void headless_services::help_index(HWND, const char *helpfile) { help.push_back(helpfile ? helpfile : ""); }

void headless_services::item_size(HWND dlg, int id, int &w, int &h) {
    control *c = item(dlg, id);
    w = c ? c->w : 0;
    h = c ? c->h : 0;
}

void headless_services::show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) {
    control *c = item(dlg, id);
    if (!c || c->kind != control_kind::pane || !pixels || w <= 0 || h <= 0) return;
    c->text.clear();
    c->shows.push_back({now, w, h, std::vector<uint8_t>(pixels, pixels + size_t(w) * size_t(h)), {}});
}

bool headless_services::set_dialog_timer(HWND dlg, unsigned id, unsigned period) {
    if (!open_dialogs.count(dlg)) return false;
    if (period == 0) period = 1;
    for (dialog_timer &t : dialog_timers)
        if (t.dlg == dlg && t.id == id) {
            t.period = period;
            t.due = now + period;
            return true;
        }
    dialog_timers.push_back({dlg, id, period, now + period});
    return true;
}

void headless_services::kill_dialog_timer(HWND dlg, unsigned id) {
    dialog_timers.erase(std::remove_if(dialog_timers.begin(), dialog_timers.end(),
                                       [&](const dialog_timer &t) { return t.dlg == dlg && t.id == id; }),
                        dialog_timers.end());
}

// --- The backend in use ---------------------------------------------------------------

namespace {
headless_services default_services;
services *current = &default_services;
}  // namespace

services *sys() { return current; }

void set_sys(services *s) { current = s ? s : &default_services; }

}  // namespace vortella
