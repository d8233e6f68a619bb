// Dialogs from the program's dialog descriptions, run modally by the system.
// Control notifications reach the dialog procedure as WM_COMMAND with the
// item's id and notification code, as the system sends them; changes the
// program makes itself send none. Picture panes are child windows of a
// class of their own that paint the last picture given them. A dialog
// script, when one is set, stands in for the user: it acts on the real
// controls with real messages.
#include <cstdlib>
#include <cstring>

#include "platform/palette.h"
#include "platform/win32/win32.h"

#include <commdlg.h>

namespace vortella::win32 {

namespace {

// The timer that paces a dialog script, one action per tick.
constexpr ::UINT_PTR script_timer = 0x5654;
constexpr ::UINT script_period = 150;

bool read_int(const std::string &s, size_t &pos, int &v) {
    while (pos < s.size() && s[pos] == ' ') ++pos;
    size_t start = pos;
    if (pos < s.size() && s[pos] == '-') ++pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == start || (pos == start + 1 && s[start] == '-')) return false;
    v = std::atoi(s.substr(start, pos - start).c_str());
    return true;
}

// A dialog template in memory, as the resource compiler would make it from
// the same description: an extended template with the shell font, every
// item a child control of the system's own classes.
class template_builder {
public:
    std::vector<::WORD> w;

    void word(unsigned v) { w.push_back(::WORD(v)); }
    void dword(unsigned long v) {
        word(v & 0xFFFF);
        word((v >> 16) & 0xFFFF);
    }
    void text(const char *s) {
        const char *t = s ? s : "";
        int n = ::MultiByteToWideChar(CP_ACP, 0, t, -1, nullptr, 0);
        std::vector<wchar_t> buf(size_t(n > 0 ? n : 1), L'\0');
        if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, t, -1, buf.data(), n);
        for (wchar_t c : buf) word(unsigned(c));   // with the terminating zero
    }
    void align4() {
        if (w.size() % 2) word(0);
    }
};

// The system class and the styles of a dialog item; the dialog procedures
// set check marks themselves, so no button is automatic, and lists notify
// their selection and keep the order they are given. Class 0: a picture
// pane, of pane_class.
void item_class(const dialog_item &it, unsigned &cls, unsigned long &style) {
    style = WS_CHILD | WS_VISIBLE | (it.disabled ? WS_DISABLED : 0);
    switch (it.kind) {
    case control_kind::pane: cls = 0; break;
    case control_kind::text: cls = 0x0082; style |= SS_LEFT; break;
    case control_kind::group: cls = 0x0080; style |= BS_GROUPBOX; break;
    case control_kind::edit:
    case control_kind::number: cls = 0x0081; style |= ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP; break;
    case control_kind::button:
        // The OK button answers the Enter key, as a default button does.
        cls = 0x0080;
        style |= (std::strcmp(it.label ? it.label : "", "OK") == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
        break;
    case control_kind::check: cls = 0x0080; style |= BS_CHECKBOX | WS_TABSTOP; break;
    case control_kind::radio: cls = 0x0080; style |= BS_RADIOBUTTON | WS_TABSTOP; break;
    case control_kind::list: cls = 0x0083; style |= LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP; break;
    }
}

}  // namespace

std::vector<::WORD> dialog_memory(const dialog_template &t) {
    template_builder b;
    b.word(1);        // version
    b.word(0xFFFF);   // an extended template
    b.dword(0);       // help id
    b.dword(0);       // extended style
    b.dword(DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    b.word(unsigned(t.items.size()));
    b.word(0);
    b.word(0);
    b.word(unsigned(t.w));
    b.word(unsigned(t.h));
    b.word(0);   // no menu
    b.word(0);   // the dialog class
    b.text(t.title);
    b.word(8);     // point size
    b.word(400);   // weight
    b.word(0);     // not italic, default character set
    b.text("MS Shell Dlg");
    for (const dialog_item &it : t.items) {
        b.align4();
        unsigned cls = 0;
        unsigned long style = 0;
        item_class(it, cls, style);
        b.dword(0);   // help id
        b.dword(it.kind == control_kind::pane ? WS_EX_CLIENTEDGE : 0);
        b.dword(style);
        b.word(unsigned(it.x));
        b.word(unsigned(it.y));
        b.word(unsigned(it.w));
        b.word(unsigned(it.h));
        b.dword(static_cast<unsigned long>(it.id));
        if (cls) {
            b.word(0xFFFF);
            b.word(cls);
        } else {
            b.text(pane_class);
        }
        b.text(it.label);
        b.word(0);   // no creation data
    }
    return b.w;
}

bool parse_dialog_script(const std::string &s, std::vector<script_action> &out, std::string *err) {
    out.clear();
    size_t begin = 0;
    while (begin <= s.size()) {
        size_t end = s.find(';', begin);
        if (end == std::string::npos) end = s.size();
        std::string a = s.substr(begin, end - begin);
        begin = end + 1;
        size_t p = a.find_first_not_of(' ');
        if (p == std::string::npos) continue;   // empty action
        size_t word_end = a.find(' ', p);
        std::string word = a.substr(p, word_end == std::string::npos ? std::string::npos : word_end - p);
        size_t pos = word_end == std::string::npos ? a.size() : word_end;
        script_action act{script_action::click, 0, {}};
        if (word == "click") act.kind = script_action::click;
        else if (word == "type") act.kind = script_action::type;
        else if (word == "select") act.kind = script_action::select;
        else if (word == "wait") act.kind = script_action::wait;
        else {
            if (err) *err = "unknown action '" + word + "'";
            return false;
        }
        if (!read_int(a, pos, act.id) || (act.kind == script_action::wait && act.id < 0)) {
            if (err) *err = "'" + a + (act.kind == script_action::wait ? "' names no time" : "' names no control");
            return false;
        }
        if (act.kind == script_action::type) {
            act.text = pos < a.size() ? a.substr(pos + 1) : std::string();
        } else if (act.kind == script_action::select) {
            int line;
            if (!read_int(a, pos, line)) {
                if (err) *err = "'" + a + "' names no line";
                return false;
            }
            act.text = std::to_string(line);
        }
        if (act.kind != script_action::type && a.find_first_not_of(' ', pos) != std::string::npos) {
            if (err) *err = "'" + a + "' has more than it needs";
            return false;
        }
        out.push_back(act);
    }
    return true;
}

// --- Running -------------------------------------------------------------------------------

::INT_PTR CALLBACK win32_services::dialog_trampoline(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto *d = reinterpret_cast<open_dialog *>(lp);
        d->real = real;
        d->self->bind(d->handle, real);
        d->self->dialogs_.push_back(d);
        d->proc(d->handle, WM_INITDIALOG, 0, 0);
        if (!d->self->script_.empty()) ::SetTimer(real, script_timer, script_period, nullptr);
        return TRUE;   // the system puts the focus on the first control
    }
    win32_services *s = instance_;
    open_dialog *d = nullptr;
    if (s)
        for (open_dialog *o : s->dialogs_)
            if (o->real == real) d = o;
    if (!d) return FALSE;
    switch (msg) {
    case WM_COMMAND:
        // Notifications caused by the program's own changes to its items.
        if (s->quiet_) return TRUE;
        d->proc(d->handle, WM_COMMAND, MAKEWPARAM(LOWORD(wp), HIWORD(wp)), 0);
        return TRUE;
    case WM_TIMER:
        if (wp == script_timer) {
            // Only the innermost dialog takes actions: the one a user could reach.
            if (d == s->dialogs_.back()) s->script_step(*d);
            return TRUE;
        }
        // The procedure's own timers, heard only while the dialog is shown.
        if (::IsWindowVisible(real) && !::IsIconic(real)) d->proc(d->handle, WM_TIMER, wp, 0);
        return TRUE;
    case WM_DESTROY:
        ::KillTimer(real, script_timer);
        d->proc(d->handle, WM_DESTROY, 0, 0);
        s->forget(real);
        return FALSE;
    }
    // Everything else (WM_CLOSE and Escape included, which the system turns
    // into the Cancel command) is the system's.
    return FALSE;
}

int win32_services::dialog_box(const dialog_template &t, HWND owner, dlgproc proc) {
    register_pane_class();
    open_dialog d{this, next_handle_++, proc};
    // An owner that is not shown would keep the dialog off the taskbar and
    // behind other windows.
    ::HWND o = real_of(owner);
    if (o && !::IsWindowVisible(o)) o = nullptr;
    // Words are 2-byte aligned in a vector of WORD; the template's start
    // must be 4-byte aligned, which the allocator's alignment gives.
    const std::vector<::WORD> mem = dialog_memory(t);
    ::INT_PTR r = ::DialogBoxIndirectParamA(inst_, reinterpret_cast<const ::DLGTEMPLATE *>(mem.data()), o,
                                            dialog_trampoline, reinterpret_cast<::LPARAM>(&d));
    for (auto it = dialogs_.begin(); it != dialogs_.end(); ++it)
        if (*it == &d) {
            dialogs_.erase(it);
            break;
        }
    if (d.real) forget(d.real);
    if (r == -1) {
        message_box(("The dialog " + std::string(t.name ? t.name : "") + " cannot be shown.").c_str(), "Vortella",
                    MB_ICONSTOP);
        return IDCANCEL;
    }
    return int(r);
}

void win32_services::script_step(open_dialog &d) {
    if (script_.empty()) {
        // A script that ends with the dialog open leaves it as a user
        // closing its window would.
        ::KillTimer(d.real, script_timer);
        ::SendMessageA(d.real, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    script_action a = script_.front();
    script_.pop_front();
    if (a.kind == script_action::wait) {
        // The next action comes after the wait, the one after that at the
        // usual pace again.
        ::SetTimer(d.real, script_timer, ::UINT(a.id > 0 ? a.id : 1), nullptr);
        return;
    }
    ::SetTimer(d.real, script_timer, script_period, nullptr);
    ::HWND c = ::GetDlgItem(d.real, a.id);
    // A user reaches only controls the dialog has and that are enabled.
    if (!c || !::IsWindowEnabled(c)) return;
    switch (a.kind) {
    case script_action::click:
        ::SendMessageA(d.real, WM_COMMAND, MAKEWPARAM(a.id, BN_CLICKED), reinterpret_cast<::LPARAM>(c));
        break;
    case script_action::type:
        // The edit control itself notifies its dialog of the change.
        ::SendMessageA(c, WM_SETTEXT, 0, reinterpret_cast<::LPARAM>(a.text.c_str()));
        break;
    case script_action::select:
        ::SendMessageA(c, LB_SETCURSEL, ::WPARAM(std::atoi(a.text.c_str())), 0);
        ::SendMessageA(d.real, WM_COMMAND, MAKEWPARAM(a.id, LBN_SELCHANGE), reinterpret_cast<::LPARAM>(c));
        break;
    case script_action::wait:
        break;
    }
}

void win32_services::end_dialog(HWND dlg, int result) {
    if (::HWND real = real_of(dlg)) ::EndDialog(real, result);
}

void win32_services::set_window_text(HWND w, const char *text) {
    if (::HWND real = real_of(w)) ::SetWindowTextA(real, text ? text : "");
}

// --- Items --------------------------------------------------------------------------------

::HWND win32_services::item(HWND dlg, int id) const {
    ::HWND real = real_of(dlg);
    return real ? ::GetDlgItem(real, id) : nullptr;
}

void win32_services::set_item_text(HWND dlg, int id, const char *text) {
    ::HWND c = item(dlg, id);
    if (!c) return;
    quiet_ = true;
    ::SetWindowTextA(c, text ? text : "");
    quiet_ = false;
}

std::string win32_services::get_item_text(HWND dlg, int id, size_t size) {
    ::HWND c = item(dlg, id);
    if (!c || size == 0) return {};
    std::vector<char> buf(size);
    int n = ::GetWindowTextA(c, buf.data(), int(size));
    return std::string(buf.data(), n > 0 ? size_t(n) : 0);
}

void win32_services::set_item_int(HWND dlg, int id, int value) {
    set_item_text(dlg, id, std::to_string(value).c_str());
}

int win32_services::get_item_int(HWND dlg, int id, bool *ok) {
    if (!item(dlg, id)) {
        if (ok) *ok = false;
        return 0;
    }
    return parse_item_int(get_item_text(dlg, id, 64), ok);
}

void win32_services::check_button(HWND dlg, int id, int state) {
    if (::HWND real = real_of(dlg)) ::CheckDlgButton(real, id, state ? BST_CHECKED : BST_UNCHECKED);
}

int win32_services::is_button_checked(HWND dlg, int id) {
    ::HWND real = real_of(dlg);
    return real && ::IsDlgButtonChecked(real, id) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
}

void win32_services::check_radio(HWND dlg, int first, int last, int id) {
    if (::HWND real = real_of(dlg)) ::CheckRadioButton(real, first, last, id);
}

void win32_services::enable_item(HWND dlg, int id, bool enable) {
    if (::HWND c = item(dlg, id)) ::EnableWindow(c, enable ? TRUE : FALSE);
}

int win32_services::list_add(HWND dlg, int id, const char *text) {
    ::HWND c = item(dlg, id);
    if (!c) return -1;
    ::LRESULT r = ::SendMessageA(c, LB_ADDSTRING, 0, reinterpret_cast<::LPARAM>(text ? text : ""));
    return r < 0 ? -1 : int(r);
}

int win32_services::list_delete(HWND dlg, int id, int index) {
    ::HWND c = item(dlg, id);
    if (!c || index < 0) return -1;
    ::LRESULT r = ::SendMessageA(c, LB_DELETESTRING, ::WPARAM(index), 0);
    return r < 0 ? -1 : int(r);
}

void win32_services::list_reset(HWND dlg, int id) {
    if (::HWND c = item(dlg, id)) ::SendMessageA(c, LB_RESETCONTENT, 0, 0);
}

int win32_services::list_count(HWND dlg, int id) {
    ::HWND c = item(dlg, id);
    ::LRESULT r = c ? ::SendMessageA(c, LB_GETCOUNT, 0, 0) : 0;
    return r < 0 ? 0 : int(r);
}

int win32_services::list_selection(HWND dlg, int id) {
    ::HWND c = item(dlg, id);
    ::LRESULT r = c ? ::SendMessageA(c, LB_GETCURSEL, 0, 0) : LB_ERR;
    return r < 0 ? -1 : int(r);
}

std::string win32_services::list_text(HWND dlg, int id, int index) {
    ::HWND c = item(dlg, id);
    if (!c || index < 0) return {};
    ::LRESULT n = ::SendMessageA(c, LB_GETTEXTLEN, ::WPARAM(index), 0);
    if (n < 0) return {};
    std::vector<char> buf(size_t(n) + 1);
    n = ::SendMessageA(c, LB_GETTEXT, ::WPARAM(index), reinterpret_cast<::LPARAM>(buf.data()));
    return n < 0 ? std::string() : std::string(buf.data(), size_t(n));
}

void win32_services::set_redraw(HWND dlg, int id, bool on) {
    ::HWND c = item(dlg, id);
    if (!c) return;
    ::SendMessageA(c, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) ::InvalidateRect(c, nullptr, TRUE);
}

// --- Picture panes and dialog timers ------------------------------------------------------

bool win32_services::register_pane_class() {
    if (pane_class_) return true;
    ::WNDCLASSA wc{};
    wc.lpfnWndProc = pane_proc;
    wc.hInstance = inst_;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<const char *>(IDC_ARROW));
    wc.hbrBackground = static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = pane_class;
    pane_class_ = ::RegisterClassA(&wc) != 0;
    return pane_class_;
}

::LRESULT CALLBACK win32_services::pane_proc(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp) {
    win32_services *s = instance_;
    switch (msg) {
    case WM_PAINT:
        if (s) {
            s->paint_pane(real);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        return 1;   // painting covers the whole pane
    case WM_SETTEXT: {
        // A text takes the picture's place.
        ::LRESULT r = ::DefWindowProcA(real, msg, wp, lp);
        if (s) s->panes_[real].shown = false;
        ::InvalidateRect(real, nullptr, FALSE);
        return r;
    }
    case WM_NCDESTROY:
        if (s) s->panes_.erase(real);
        break;
    }
    return ::DefWindowProcA(real, msg, wp, lp);
}

void win32_services::paint_pane(::HWND real) {
    ::PAINTSTRUCT ps;
    ::HDC dc = ::BeginPaint(real, &ps);
    if (!dc) return;
    ::RECT r;
    ::GetClientRect(real, &r);
    if (palette_device() && palette()) {
        ::SelectPalette(dc, palette_, FALSE);
        ::RealizePalette(dc);
    }
    auto p = panes_.find(real);
    if (p != panes_.end() && p->second.shown) {
        const pane_picture &pic = p->second;
        const int w = int(pic.info.h.biWidth), h = int(-pic.info.h.biHeight);
        ::SetDIBitsToDevice(dc, 0, 0, ::DWORD(w), ::DWORD(h), 0, 0, 0, ::UINT(h), pic.bits.data(),
                            reinterpret_cast<const ::BITMAPINFO *>(&pic.info), DIB_RGB_COLORS);
        // Black where the picture does not reach.
        ::RECT right{w, 0, r.right, r.bottom}, below{0, h, w < r.right ? w : r.right, r.bottom};
        if (right.left < right.right) ::FillRect(dc, &right, static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        if (below.top < below.bottom) ::FillRect(dc, &below, static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    } else {
        ::FillRect(dc, &r, static_cast<::HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        char text[1024];
        const int n = ::GetWindowTextA(real, text, sizeof text);
        if (n > 0) {
            ::HGDIOBJ old = ::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT));
            ::SetTextColor(dc, RGB(255, 255, 255));
            ::SetBkMode(dc, TRANSPARENT);
            ::RECT t{r.left + 8, r.top + 8, r.right - 8, r.bottom - 8};
            ::DrawTextA(dc, text, n, &t, DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
            ::SelectObject(dc, old);
        }
    }
    ::EndPaint(real, &ps);
}

void win32_services::item_size(HWND dlg, int id, int &w, int &h) {
    w = h = 0;
    ::HWND c = item(dlg, id);
    ::RECT r;
    if (!c || !::GetClientRect(c, &r)) return;
    w = int(r.right - r.left);
    h = int(r.bottom - r.top);
}

void win32_services::show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) {
    ::HWND c = item(dlg, id);
    if (!c || !pixels || w <= 0 || h <= 0) return;
    char cls[32] = "";
    ::GetClassNameA(c, cls, sizeof cls);
    if (std::strcmp(cls, pane_class) != 0) return;
    pane_picture &p = panes_[c];
    const size_t stride = (size_t(w) + 3) / 4 * 4;
    // Of a picture of the same size only the rectangle that changed is
    // painted again.
    if (p.shown && p.info.h.biWidth == w && -p.info.h.biHeight == h) {
        ::RECT changed{w, h, -1, -1};
        for (int y = 0; y < h; ++y) {
            uint8_t *row = &p.bits[size_t(y) * stride];
            const uint8_t *src = pixels + size_t(y) * size_t(w);
            if (std::memcmp(row, src, size_t(w)) == 0) continue;
            int l = 0, r = w - 1;
            while (row[l] == src[l]) ++l;
            while (row[r] == src[r]) --r;
            if (l < changed.left) changed.left = l;
            if (r + 1 > changed.right) changed.right = r + 1;
            if (y < changed.top) changed.top = y;
            changed.bottom = y + 1;
            std::memcpy(row, src, size_t(w));
        }
        if (changed.bottom > changed.top) ::InvalidateRect(c, &changed, FALSE);
        return;
    }
    p.info = {};
    p.info.h.biSize = sizeof p.info.h;
    p.info.h.biWidth = w;
    p.info.h.biHeight = -h;   // top-down
    p.info.h.biPlanes = 1;
    p.info.h.biBitCount = 8;
    p.info.h.biCompression = BI_RGB;
    p.info.h.biClrUsed = 256;
    for (int i = 0; i < 256; ++i) p.info.colors[i] = {peEntry[i].peBlue, peEntry[i].peGreen, peEntry[i].peRed, 0};
    p.bits.assign(stride * size_t(h), 0);
    for (int y = 0; y < h; ++y) std::memcpy(&p.bits[size_t(y) * stride], pixels + size_t(y) * size_t(w), size_t(w));
    p.shown = true;
    ::InvalidateRect(c, nullptr, FALSE);
}

bool win32_services::set_dialog_timer(HWND dlg, unsigned id, unsigned period) {
    ::HWND real = real_of(dlg);
    if (!real || id == script_timer) return false;
    return ::SetTimer(real, id, period ? period : 1, nullptr) != 0;
}

void win32_services::kill_dialog_timer(HWND dlg, unsigned id) {
    if (::HWND real = real_of(dlg)) ::KillTimer(real, id);
}

bool win32_services::open_file_dialog(HWND owner, const char *filter_name, const char *pattern, size_t size,
                                      std::string &file) {
    if (size == 0) return false;
    // The filter is pairs of texts, each ended by a zero, and one more zero.
    std::string filter = std::string(filter_name ? filter_name : "") + '\0' + (pattern ? pattern : "*.*") + '\0';
    // Room for any path the dialog can give, so a name too long for the
    // caller is reported rather than refused without a word.
    std::vector<char> buf(size > 32768 ? size : 32768, '\0');
    ::OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = real_of(owner);
    if (!dialogs_.empty()) ofn.hwndOwner = dialogs_.back()->real;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buf.data();
    ofn.nMaxFile = ::DWORD(buf.size());
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameA(&ofn)) return false;
    std::string chosen = buf.data();
    if (chosen.empty()) return false;
    if (chosen.size() > size - 1) {
        message_box(("The file name is longer than " + std::to_string(size - 1) + " characters:\n" + chosen).c_str(),
                    "Vortella", MB_OK);
        return false;
    }
    file = chosen;
    return true;
}

}  // namespace vortella::win32
