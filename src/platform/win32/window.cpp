// The Win32 backend's windows, message queue, timers, clocks, cursor,
// message boxes and process, and the picture: an 8-bit DIB section whose
// colour table is the halftone palette, copied to the window with GDI, each
// pixel stretched to a block. The saver's window covers the whole virtual
// screen, every monitor; the picture plays on the primary one.
#include <cstring>
#include <vector>

#include "platform/monitors.h"
#include "platform/win32/win32.h"
#include "platform/palette.h"

#include <mmsystem.h>
#include <shellapi.h>

namespace vortella::win32 {

namespace {

bool is_input(::UINT msg) {
    return msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_MOUSEMOVE ||
           msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
}

}  // namespace

win32_services *win32_services::instance_;

win32_services::win32_services(::HINSTANCE inst) : inst_(inst) { instance_ = this; }

win32_services::~win32_services() {
    release_picture();
    if (palette_) ::DeleteObject(palette_);
    instance_ = nullptr;
}

// --- Handles ---------------------------------------------------------------------------

::HWND win32_services::real_of(HWND h) const {
    auto it = reals_.find(h);
    return it == reals_.end() ? nullptr : it->second;
}

HWND win32_services::handle_of(::HWND real) const {
    auto it = handles_.find(real);
    return it == handles_.end() ? 0 : it->second;
}

void win32_services::bind(HWND h, ::HWND real) {
    reals_[h] = real;
    handles_[real] = h;
}

void win32_services::forget(::HWND real) {
    auto it = handles_.find(real);
    if (it == handles_.end()) return;
    reals_.erase(it->second);
    procs_.erase(it->second);
    handles_.erase(it);
}

// --- Message boxes and the process -------------------------------------------------------

int win32_services::message_box(const char *text, const char *caption, unsigned type) {
    // Above the saver's topmost window, and answerable with a hidden cursor.
    if (!preview_parent_)
        while (::ShowCursor(TRUE) < 0) {
        }
    return ::MessageBoxA(nullptr, text ? text : "", caption ? caption : "",
                         type | MB_SETFOREGROUND | MB_TOPMOST);
}

void win32_services::exit_process(int code) { ::ExitProcess(::UINT(code)); }

std::string win32_services::module_file_name() {
    char buf[MAX_PATH];
    ::DWORD n = ::GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool win32_services::start_program(const char *cmdline) {
    // The preview never starts a full-screen saver of its own.
    if (preview_parent_ || !cmdline || !*cmdline) return false;
    std::vector<char> line(cmdline, cmdline + std::strlen(cmdline) + 1);   // CreateProcess may write to it
    ::STARTUPINFOA si{};
    si.cb = sizeof si;
    ::PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

bool win32_services::builtin_file(const char *name, std::string &data) {
    // Resources of type RCDATA (10), by name.
    ::HRSRC r = name ? ::FindResourceA(inst_, name, MAKEINTRESOURCEA(10)) : nullptr;
    ::HGLOBAL g = r ? ::LoadResource(inst_, r) : nullptr;
    const void *p = g ? ::LockResource(g) : nullptr;
    if (!p) return false;
    data.assign(static_cast<const char *>(p), ::SizeofResource(inst_, r));
    return true;
}

void win32_services::help_index(HWND owner, const char *helpfile) {
    std::string f = helpfile ? helpfile : "";
    ::DWORD attr = f.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesA(f.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        // Whatever viewer the system has for the file; ShellExecute reports
        // success with a value above 32.
        auto rc = reinterpret_cast<intptr_t>(
            ::ShellExecuteA(real_of(owner), "open", f.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (rc > 32) return;
        message_box(("Open the help file " + f + " with a help viewer.").c_str(), "Vortella Help", MB_OK);
        return;
    }
    message_box(("Help is not installed. It would be the file " + f + ".").c_str(), "Vortella Help",
                MB_OK);
}

// --- Screen, cursor and clocks ----------------------------------------------------------

int win32_services::screen_width() {
    ::RECT r;
    if (preview_parent_) return ::GetClientRect(preview_parent_, &r) ? int(r.right - r.left) : 0;
    return ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
}

int win32_services::screen_height() {
    ::RECT r;
    if (preview_parent_) return ::GetClientRect(preview_parent_, &r) ? int(r.bottom - r.top) : 0;
    return ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

namespace {

struct monitor_list {
    std::vector<screen_rect> rects;
    int primary = 0;
};

::BOOL CALLBACK add_monitor(::HMONITOR m, ::HDC, ::LPRECT, ::LPARAM data) {
    auto *list = reinterpret_cast<monitor_list *>(data);
    ::MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoA(m, &mi)) {
        if (mi.dwFlags & MONITORINFOF_PRIMARY) list->primary = int(list->rects.size());
        list->rects.push_back({int(mi.rcMonitor.left), int(mi.rcMonitor.top), int(mi.rcMonitor.right - mi.rcMonitor.left),
                               int(mi.rcMonitor.bottom - mi.rcMonitor.top)});
    }
    return TRUE;
}

}  // namespace

screen_rect win32_services::playing_monitor() {
    if (preview_parent_) return services::playing_monitor();
    // The monitors in the system's coordinates, where the primary one has
    // its corner at (0, 0) and the others may lie left of or above it; the
    // virtual screen is their bounding box.
    monitor_list list;
    ::EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<::LPARAM>(&list));
    const monitor_layout l = lay_out_monitors(list.rects);
    if (size_t(list.primary) >= l.monitors.size()) return services::playing_monitor();
    // The window's corner is the virtual screen's, which the layout's
    // origin must be; should they differ, the monitor is placed from the
    // window's corner.
    screen_rect m = l.monitors[size_t(list.primary)];
    m.x += l.origin_x - ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    m.y += l.origin_y - ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return m;
}

bool win32_services::palette_device() {
    ::HDC dc = ::GetDC(nullptr);
    if (!dc) return false;
    bool pal = (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ::ReleaseDC(nullptr, dc);
    return pal;
}

bool win32_services::display_caps(int &bits, bool &palette) {
    ::HDC dc = ::GetDC(nullptr);
    if (!dc) return false;
    bits = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
    palette = (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ::ReleaseDC(nullptr, dc);
    // A true-colour display shows the picture through its DIB colour table,
    // which converts every index to its colour at the copy: to the program
    // it is the 256-colour palette device it draws for. Displays of fewer
    // colours are reported as they are.
    if (bits > 8) {
        bits = 8;
        palette = true;
    }
    return true;
}

int win32_services::show_cursor(bool show) {
    if (preview_parent_) return preview_cursor_ += show ? 1 : -1;
    return ::ShowCursor(show ? TRUE : FALSE);
}

unsigned win32_services::mm_time() { return ::timeGetTime(); }

bool win32_services::mm_caps(unsigned &min_period, unsigned &max_period) {
    ::TIMECAPS tc;
    if (::timeGetDevCaps(&tc, sizeof tc) != TIMERR_NOERROR) return false;
    min_period = tc.wPeriodMin;
    max_period = tc.wPeriodMax;
    return true;
}

void win32_services::mm_begin_period(unsigned period) { ::timeBeginPeriod(period); }

void win32_services::mm_end_period(unsigned period) { ::timeEndPeriod(period); }

bool win32_services::set_timer(HWND w, unsigned id, unsigned period) {
    ::HWND real = real_of(w);
    return real && ::SetTimer(real, id, period ? period : 1, nullptr) != 0;
}

void win32_services::kill_timer(HWND w, unsigned id) {
    if (::HWND real = real_of(w)) ::KillTimer(real, id);
}

// --- Windows -------------------------------------------------------------------------------

::LRESULT CALLBACK win32_services::window_trampoline(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp) {
    win32_services *s = instance_;
    if (!s) return ::DefWindowProcA(real, msg, wp, lp);
    HWND h = s->handle_of(real);
    // The first messages of a new window arrive inside CreateWindow, before
    // it has told us the window's handle.
    if (!h && s->creating_) {
        h = s->creating_;
        s->bind(h, real);
    }
    auto it = h ? s->procs_.find(h) : s->procs_.end();
    if (!h || it == s->procs_.end()) return ::DefWindowProcA(real, msg, wp, lp);
    // The preview is only watched: the settings page it sits in gets the
    // input, and the preview ends with that page.
    if (s->preview_parent_ && is_input(msg)) return ::DefWindowProcA(real, msg, wp, lp);
    wndproc proc = it->second;
    if (msg == WM_NCDESTROY) {
        s->forget(real);
        return ::DefWindowProcA(real, msg, wp, lp);
    }
    // The application's message numbers and parameters are the system's.
    return proc(h, msg, WPARAM(wp), LPARAM(lp));
}

bool win32_services::register_class(const char *name, wndproc proc) {
    if (!name || !proc || classes_.count(name)) return false;
    ::WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = window_trampoline;
    wc.hInstance = inst_;
    wc.hIcon = ::LoadIconA(inst_, name);
    if (!wc.hIcon) wc.hIcon = ::LoadIconA(nullptr, reinterpret_cast<const char *>(IDI_APPLICATION));
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<const char *>(IDC_ARROW));
    // Black: the saver's screen is black wherever no picture is.
    wc.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc)) return false;
    classes_[name] = proc;
    return true;
}

HWND win32_services::create_window(const char *cls, int x, int y, int w, int h) {
    auto c = classes_.find(cls ? cls : "");
    if (c == classes_.end()) return 0;
    HWND hw = next_handle_++;
    procs_[hw] = c->second;
    creating_ = hw;
    ::HWND real;
    if (preview_parent_) {
        ::RECT r{};
        ::GetClientRect(preview_parent_, &r);
        real = ::CreateWindowExA(0, cls, "", WS_CHILD, 0, 0, r.right - r.left, r.bottom - r.top,
                                 preview_parent_, nullptr, inst_, nullptr);
    } else {
        // One borderless window over the whole virtual screen, above every
        // other: screen coordinates start at its top-left corner, which may
        // lie left of or above the primary monitor.
        real = ::CreateWindowExA(WS_EX_TOPMOST, cls, "", WS_POPUP, ::GetSystemMetrics(SM_XVIRTUALSCREEN) + x,
                                 ::GetSystemMetrics(SM_YVIRTUALSCREEN) + y, w, h, nullptr, nullptr, inst_, nullptr);
    }
    creating_ = 0;
    if (!real || !real_of(hw)) {
        procs_.erase(hw);
        return 0;
    }
    return hw;
}

void win32_services::show_window(HWND w, int show) {
    ::HWND real = real_of(w);
    if (!real) return;
    if (windows_hidden_ && show) {
        ::SendMessageA(real, WM_ACTIVATEAPP, 1, 0);
        if (real_of(w)) ::SendMessageA(real, WM_ACTIVATE, 1, 0);
        return;
    }
    ::ShowWindow(real, show ? (preview_parent_ ? SW_SHOW : show) : SW_HIDE);
    if (show && !preview_parent_) {
        ::SetForegroundWindow(real);
        ::UpdateWindow(real);
    }
}

void win32_services::destroy_window(HWND w) {
    if (::HWND real = real_of(w)) ::DestroyWindow(real);
}

LRESULT win32_services::def_window_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    ::HWND real = real_of(w);
    return real ? ::DefWindowProcA(real, msg, ::WPARAM(wp), ::LPARAM(lp)) : 0;
}

bool win32_services::post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) {
    ::HWND real = real_of(w);
    return real && ::PostMessageA(real, msg, ::WPARAM(wp), ::LPARAM(lp));
}

bool win32_services::get_message(MSG &m) {
    for (;;) {
        ::MSG r;
        ::BOOL got = ::GetMessageA(&r, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            m = {0, WM_QUIT, WPARAM(r.wParam), 0};
            return false;
        }
        HWND h = handle_of(r.hwnd);
        if (!h || !procs_.count(h)) {
            // Not one of the application's windows (a control, the system's):
            // it goes where the system sends it.
            ::TranslateMessage(&r);
            ::DispatchMessageA(&r);
            continue;
        }
        last_ = r;
        m = {h, r.message, WPARAM(r.wParam), LPARAM(r.lParam)};
        return true;
    }
}

LRESULT win32_services::dispatch_message(const MSG &m) {
    ::HWND real = real_of(m.hwnd);
    if (!real) return 0;
    if (real == last_.hwnd && m.message == last_.message && ::WPARAM(m.wParam) == last_.wParam &&
        ::LPARAM(m.lParam) == last_.lParam) {
        ::TranslateMessage(&last_);
        return ::DispatchMessageA(&last_);
    }
    return ::SendMessageA(real, m.message, ::WPARAM(m.wParam), ::LPARAM(m.lParam));
}

void win32_services::invalidate(HWND w) {
    if (::HWND real = real_of(w)) ::InvalidateRect(real, nullptr, FALSE);
}

// --- Palette and picture --------------------------------------------------------------------

::HPALETTE win32_services::palette() {
    if (palette_) return palette_;
    struct {
        ::WORD version, count;
        ::PALETTEENTRY e[256];
    } lp{0x300, 256, {}};
    for (int i = 0; i < 256; ++i)
        lp.e[i] = {peEntry[i].peRed, peEntry[i].peGreen, peEntry[i].peBlue, 0};
    palette_ = ::CreatePalette(reinterpret_cast<::LOGPALETTE *>(&lp));
    return palette_;
}

int win32_services::realize_palette(HWND w) {
    // Only a palette device has a system palette to realise into; on a
    // true-colour display the DIB's colour table does the work.
    ::HWND real = real_of(w);
    if (!real || !palette_device() || !palette()) return 0;
    ::HDC dc = ::GetDC(real);
    ::SelectPalette(dc, palette_, FALSE);
    ::UINT n = ::RealizePalette(dc);
    ::ReleaseDC(real, dc);
    return n == GDI_ERROR ? 0 : int(n);
}

void win32_services::clear_system_palette() {
    if (!palette_device()) return;
    // Realising a palette of 256 black entries that may not share slots
    // takes every free entry of the system palette, so the next palette
    // realised is laid out afresh.
    struct {
        ::WORD version, count;
        ::PALETTEENTRY e[256];
    } lp{0x300, 256, {}};
    for (auto &e : lp.e) e = {0, 0, 0, PC_NOCOLLAPSE};
    ::HPALETTE black = ::CreatePalette(reinterpret_cast<::LOGPALETTE *>(&lp));
    if (!black) return;
    ::HDC dc = ::GetDC(nullptr);
    ::HPALETTE old = ::SelectPalette(dc, black, FALSE);
    ::RealizePalette(dc);
    ::SelectPalette(dc, old, FALSE);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(black);
}

uint8_t *win32_services::create_picture(int w, int h) {
    // Rows of a DIB are padded to 4 bytes; the renderer needs them exactly
    // w bytes apart.
    if (w <= 0 || h <= 0 || w % 4 != 0) return nullptr;
    picture_info bi{};
    bi.h.biSize = sizeof bi.h;
    bi.h.biWidth = w;
    bi.h.biHeight = -h;   // top-down: row 0 first in memory (orientation -1)
    bi.h.biPlanes = 1;
    bi.h.biBitCount = 8;
    bi.h.biCompression = BI_RGB;
    bi.h.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) bi.colors[i] = {peEntry[i].peBlue, peEntry[i].peGreen, peEntry[i].peRed, 0};
    if (!picture_dc_) picture_dc_ = ::CreateCompatibleDC(nullptr);
    if (!picture_dc_) return nullptr;
    void *bits = nullptr;
    ::HBITMAP bmp = ::CreateDIBSection(picture_dc_, reinterpret_cast<::BITMAPINFO *>(&bi),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) {
        if (bmp) ::DeleteObject(bmp);
        return nullptr;
    }
    ::HGDIOBJ old = ::SelectObject(picture_dc_, bmp);
    if (picture_) ::DeleteObject(old);
    else first_bitmap_ = old;
    picture_ = bmp;
    pic_w_ = w;
    pic_h_ = h;
    picture_info_ = bi;
    picture_bits_ = bits;
    return static_cast<uint8_t *>(bits);
}

void win32_services::release_picture() {
    if (picture_dc_ && picture_) {
        ::SelectObject(picture_dc_, first_bitmap_);
        ::DeleteObject(picture_);
    }
    if (picture_dc_) ::DeleteDC(picture_dc_);
    picture_dc_ = nullptr;
    picture_ = nullptr;
    first_bitmap_ = nullptr;
    pic_w_ = pic_h_ = 0;
    picture_bits_ = nullptr;
}

void win32_services::blit_picture(HWND w, int x, int y, int scale) {
    ::HWND real = real_of(w);
    if (!real || !picture_ || !picture_bits_ || scale < 1) return;
    ::HDC dc = ::GetDC(real);
    if (!dc) return;
    if (palette_device() && palette()) {
        ::SelectPalette(dc, palette_, FALSE);
        ::RealizePalette(dc);
    }
    // The renderer's writes to the DIB section reach it before GDI reads.
    ::GdiFlush();
    // Nearest neighbour: every picture pixel a block of whole pixels.
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, x, y, pic_w_ * scale, pic_h_ * scale, 0, 0, pic_w_, pic_h_, picture_bits_,
                    reinterpret_cast<const ::BITMAPINFO *>(&picture_info_), DIB_RGB_COLORS, SRCCOPY);
    ::ReleaseDC(real, dc);
}

void win32_services::fill_black(HWND w, int x, int y, int cx, int cy) {
    ::HWND real = real_of(w);
    if (!real || cx <= 0 || cy <= 0) return;
    ::HDC dc = ::GetDC(real);
    if (!dc) return;
    ::PatBlt(dc, x, y, cx, cy, BLACKNESS);
    ::ReleaseDC(real, dc);
}

}  // namespace vortella::win32
