// The Win32 backend of the platform services: the real window class and
// message loop, window timers, the multimedia timer, private-profile INI
// files, message boxes, dialogs built in memory from the program's dialog
// descriptions, and the 8-bit picture as a DIB section on the halftone
// palette.
//
// The application has its own handle and message names (platform.h); this
// header keeps them apart from the system's: every system type is
// qualified with ::, and windows.h comes after the project's headers so its
// macros cannot rewrite their declarations.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vortella::win32 {

// The dialog as an extended dialog template in memory (for
// DialogBoxIndirectParam): the description every backend builds its dialogs
// from.
std::vector<::WORD> dialog_memory(const dialog_template &t);

// The window class of picture panes, which dialog templates name.
constexpr const char *pane_class = "VortellaPane";

// One step of a scripted dialog run (see set_dialog_script).
struct script_action {
    enum kind_t { click, type, select, wait } kind;
    int id;             // the control; the ms for wait
    std::string text;   // typed text; the line index for select
};

// Parses a dialog script: actions separated by ';', each "click ID",
// "type ID TEXT" (the rest of the action, blanks included), "select ID
// LINE" or "wait MS" (the script pauses so long; the dialogs run on). False
// (and `err` set) for anything else.
bool parse_dialog_script(const std::string &s, std::vector<script_action> &out, std::string *err);

class win32_services final : public services, public dialog_services {
public:
    explicit win32_services(::HINSTANCE inst);
    ~win32_services() override;

    // Runs the saver inside `parent` (the preview of the system's settings
    // page): the window is a child filling the parent's client area, the
    // "screen" is that area, input does not end it, and it ends when the
    // parent is destroyed.
    void set_preview_parent(::HWND parent) { preview_parent_ = parent; }
    // Windows are never shown, only told they are active (the configuration
    // role, whose window only waits for its dialog: no empty full-screen
    // window flashes up).
    void set_windows_hidden(bool hidden) { windows_hidden_ = hidden; }
    // Answers the dialogs from a script instead of the user: every dialog
    // still comes from its description and gets real messages.
    void set_dialog_script(std::vector<script_action> s) { script_.assign(s.begin(), s.end()); }

    int message_box(const char *text, const char *caption, unsigned type) override;
    [[noreturn]] void exit_process(int code) override;
    std::string module_file_name() override;
    bool start_program(const char *cmdline) override;
    bool builtin_file(const char *name, std::string &data) override;

    std::string get_profile_string(const char *section, const char *key, const char *def,
                                   size_t size, const char *file) override;
    int get_profile_int(const char *section, const char *key, int def, const char *file) override;
    bool write_profile_string(const char *section, const char *key, const char *value,
                              const char *file) override;
    bool profile_exists(const char *file) override;
    std::string beside_profile(const char *ini, const char *name) override;

    int screen_width() override;
    int screen_height() override;
    screen_rect playing_monitor() override;
    bool display_caps(int &bits, bool &palette) override;
    int show_cursor(bool show) override;

    unsigned tick_count() override { return ::GetTickCount(); }
    unsigned mm_time() override;
    bool mm_caps(unsigned &min_period, unsigned &max_period) override;
    void mm_begin_period(unsigned period) override;
    void mm_end_period(unsigned period) override;
    bool set_timer(HWND w, unsigned id, unsigned period) override;
    void kill_timer(HWND w, unsigned id) override;

    bool register_class(const char *name, wndproc proc) override;
    HWND create_window(const char *cls, int x, int y, int w, int h) override;
    void show_window(HWND w, int show) override;
    void destroy_window(HWND w) override;
    LRESULT def_window_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    void post_quit_message(int code) override { ::PostQuitMessage(code); }
    bool get_message(MSG &m) override;
    LRESULT dispatch_message(const MSG &m) override;
    void invalidate(HWND w) override;

    int realize_palette(HWND w) override;
    void clear_system_palette() override;
    int recommended_orientation() override { return -1; }
    uint8_t *create_picture(int w, int h) override;
    void release_picture() override;
    void blit_picture(HWND w, int x, int y, int scale) override;
    void fill_black(HWND w, int x, int y, int cx, int cy) override;

    dialog_services *dialogs() override { return this; }
    int dialog_box(const dialog_template &t, HWND owner, dlgproc proc) override;
    void end_dialog(HWND dlg, int result) override;
    void set_window_text(HWND w, const char *text) override;
    void set_item_text(HWND dlg, int id, const char *text) override;
    std::string get_item_text(HWND dlg, int id, size_t size) override;
    void set_item_int(HWND dlg, int id, int value) override;
    int get_item_int(HWND dlg, int id, bool *ok) override;
    void check_button(HWND dlg, int id, int state) override;
    int is_button_checked(HWND dlg, int id) override;
    void check_radio(HWND dlg, int first, int last, int id) override;
    void enable_item(HWND dlg, int id, bool enable) override;
    int list_add(HWND dlg, int id, const char *text) override;
    int list_delete(HWND dlg, int id, int index) override;
    void list_reset(HWND dlg, int id) override;
    int list_count(HWND dlg, int id) override;
    int list_selection(HWND dlg, int id) override;
    std::string list_text(HWND dlg, int id, int index) override;
    void set_redraw(HWND dlg, int id, bool on) override;
    bool open_file_dialog(HWND owner, const char *filter_name, const char *pattern, size_t size,
                          std::string &file) override;
    void help_index(HWND owner, const char *helpfile) override;
    void item_size(HWND dlg, int id, int &w, int &h) override;
    void show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) override;
    bool set_dialog_timer(HWND dlg, unsigned id, unsigned period) override;
    void kill_dialog_timer(HWND dlg, unsigned id) override;

private:
    // An open modal dialog: what WM_INITDIALOG hands the trampoline.
    struct open_dialog {
        win32_services *self;
        HWND handle;
        dlgproc proc;
        ::HWND real = nullptr;
    };

    // The services object the system's callbacks reach (there is one).
    static win32_services *instance_;
    static ::LRESULT CALLBACK window_trampoline(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp);
    static ::INT_PTR CALLBACK dialog_trampoline(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp);
    static ::LRESULT CALLBACK pane_proc(::HWND real, ::UINT msg, ::WPARAM wp, ::LPARAM lp);

    ::HWND real_of(HWND h) const;
    HWND handle_of(::HWND real) const;
    void bind(HWND h, ::HWND real);
    void forget(::HWND real);
    ::HWND item(HWND dlg, int id) const;
    // The INI file a name leads to (see profile.cpp).
    std::string ini_path(const char *file, bool for_writing);
    ::HPALETTE palette();
    bool palette_device();
    void script_step(open_dialog &d);
    bool register_pane_class();
    void paint_pane(::HWND real);

    ::HINSTANCE inst_;
    ::HWND preview_parent_ = nullptr;
    bool windows_hidden_ = false;
    std::map<std::string, wndproc> classes_;
    std::map<HWND, wndproc> procs_;          // windows of a registered class
    std::map<HWND, ::HWND> reals_;           // windows and dialogs
    std::map<::HWND, HWND> handles_;
    HWND creating_ = 0;                      // the window CreateWindow is making
    HWND next_handle_ = 1;
    std::vector<open_dialog *> dialogs_;     // open ones, innermost last
    bool quiet_ = false;                     // item changes made by the program
    int preview_cursor_ = 0;                 // the preview never touches the real cursor
    ::MSG last_{};                           // the message get_message returned
    ::HPALETTE palette_ = nullptr;
    ::HDC picture_dc_ = nullptr;
    ::HBITMAP picture_ = nullptr;
    ::HGDIOBJ first_bitmap_ = nullptr;       // what the picture replaced in picture_dc_
    int pic_w_ = 0, pic_h_ = 0;
    // The picture's header and colour table and its pixels, for the
    // stretching copy.
    struct picture_info {
        ::BITMAPINFOHEADER h;
        ::RGBQUAD colors[256];
    } picture_info_{};
    void *picture_bits_ = nullptr;
    std::deque<script_action> script_;
    // What each picture pane shows: its last picture (rows padded to 4
    // bytes, as a DIB's are), or its window text when it has none.
    struct pane_picture {
        picture_info info{};
        std::vector<uint8_t> bits;
        bool shown = false;
    };
    std::map<::HWND, pane_picture> panes_;
    bool pane_class_ = false;
};

}  // namespace vortella::win32
