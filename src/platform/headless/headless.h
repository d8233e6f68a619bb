// The headless backend: windows, timers and dialogs without a display, for
// the tests and the offline tools. Time is a virtual clock, input and dialog
// actions come from scripts, the screen is a byte per pixel in memory, and
// everything the program asks of the system is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/platform.h"

namespace vortella {

// Stopped the message loop: nothing more can happen before the headless
// clock's limit (no message queued, no timer, no scripted input left).
struct headless_idle {};

// A virtual screen of 8-bit pixels on the halftone palette, a virtual clock,
// scripted input and dialog actions, and a record of message boxes, started
// programs and help requests.
struct headless_services : services, dialog_services {
    // --- Record --------------------------------------------------------------
    struct box {
        std::string text, caption;
        unsigned type;
    };
    std::vector<box> boxes;
    std::vector<std::string> started;      // command lines of started programs
    std::vector<std::string> help;         // help files opened
    std::vector<std::string> dialogs_run;  // template names, in opening order
    int palette_clears = 0;
    int blits = 0;

    // --- Settings tests change -------------------------------------------------
    std::string module_path = "/usr/local/bin/vortella";
    int screen_w = 640, screen_h = 480;
    // The monitors the screen spans, in screen coordinates, and the one the
    // picture plays on; none: the screen is one monitor. set_monitors fills
    // them from system coordinates.
    std::vector<screen_rect> monitor_list;
    int playing = 0;
    bool has_display = true;        // display_caps answers
    int display_bits = 8;
    bool display_palette = true;
    bool has_mm_timer = true;
    unsigned mm_min = 1, mm_max = 1000000;
    int orientation = 0;            // recommended_orientation answers: no preference
    bool picture_fails = false;     // create_picture answers null
    // Files the program carries inside it (builtin_file), by name.
    std::map<std::string, std::string> builtin_files;

    // --- State ---------------------------------------------------------------
    int cursor_count = 0;
    unsigned now = 0;               // the virtual clock, ms
    unsigned limit = ~0u;           // get_message throws headless_idle here
    unsigned mm_period = 0;         // resolution requested, 0 none
    std::vector<uint8_t> screen;    // screen_w * screen_h, made on first use
    std::vector<uint8_t> picture;   // the current picture
    int pic_w = 0, pic_h = 0;
    bool pic_topdown = false;       // the picture holds its top row first

    struct timer {
        HWND w;
        unsigned id, period, due;
    };
    std::vector<timer> timers;
    std::deque<MSG> queue;
    bool quit_posted = false;
    std::map<std::string, wndproc> classes;
    struct window {
        wndproc proc;
        int x, y, w, h;
        int show;
        int invalid;                // invalidations since the last check
    };
    std::map<HWND, window> windows;
    HWND next_handle = 1;

    // Input that arrives when the virtual clock reaches `at`: a message
    // posted to the first window (hwnd 0 in the record).
    struct input {
        unsigned at;
        MSG m;
    };
    std::deque<input> inputs;
    void key_at(unsigned at);
    void mouse_move_at(unsigned at, int x, int y);
    void click_at(unsigned at);
    // Any message, for the rest (activation, system commands).
    void input_at(unsigned at, unsigned msg, WPARAM wp, LPARAM lp);

    // --- Scripted dialogs ------------------------------------------------------
    // Actions are taken in order, each by the dialog on top when it comes
    // up; a dialog still open when the script runs out gets Cancel. Dialog
    // time passes only in waits: the virtual clock moves on, and the timers
    // of the open dialogs tick as they fall due.
    struct action {
        enum kind_t { click, type, select, wait, notify } kind;
        int id;
        std::string text;   // type: the new text
        int index = 0;      // select: the line, -1 none; wait: the ms; notify: the code
    };
    std::deque<action> script;
    void do_click(int id) { script.push_back({action::click, id, {}, 0}); }
    void do_type(int id, const std::string &text) { script.push_back({action::type, id, text, 0}); }
    void do_select(int id, int index) { script.push_back({action::select, id, {}, index}); }
    void do_wait(unsigned ms) { script.push_back({action::wait, 0, {}, int(ms)}); }
    // A notification a control sends of itself (focus taken or lost, say),
    // with the system's code, that changes nothing in it.
    void do_notify(int id, unsigned code) { script.push_back({action::notify, id, {}, int(code)}); }
    // Answers of the file-open dialog, in order; an empty name or none left
    // is a cancel.
    std::deque<std::string> open_files;

    // What a picture pane showed: a picture, or a text in its place.
    struct pane_show {
        unsigned at;                  // the virtual clock
        int w = 0, h = 0;
        std::vector<uint8_t> pixels;  // top row first; none for a text
        std::string text;
    };
    struct control {
        control_kind kind;
        std::string text;
        int check = 0;
        bool enabled = true;
        bool redraw = true;
        std::vector<std::string> lines;
        int sel = -1;
        int w = 0, h = 0;             // pixels
        std::vector<pane_show> shows; // a pane's pictures and texts, in order
    };
    struct dialog {
        const dialog_template *t;
        dlgproc proc;
        std::string title;
        std::map<int, control> items;
        bool ended = false;
        int result = 0;
    };
    std::map<HWND, dialog> open_dialogs;
    // Dialog a test can look at after it closed: the last one of each name.
    std::map<std::string, dialog> closed_dialogs;
    struct dialog_timer {
        HWND dlg;
        unsigned id, period, due;
    };
    std::vector<dialog_timer> dialog_timers;
    // Pixels per dialog unit across and down, as fractions: the system font
    // of a common desktop (6 x 13 pixel base units).
    static constexpr int du_x_num = 3, du_x_den = 2, du_y_num = 13, du_y_den = 8;

    // Several monitors, given in system coordinates (any sign): the screen
    // becomes their bounding box and the picture plays on monitor `play`.
    void set_monitors(const std::vector<screen_rect> &system, int play);
    // Advances the virtual clock.
    void advance(unsigned ms) { now += ms; }
    // A screen pixel (made black on first use).
    uint8_t pixel(int x, int y);

    int message_box(const char *text, const char *caption, unsigned type) override;
    // Throws process_exit.
    [[noreturn]] void exit_process(int code) override;
    std::string module_file_name() override { return module_path; }
    bool start_program(const char *cmdline) override;
    bool builtin_file(const char *name, std::string &data) override;

    int screen_width() override { return screen_w; }
    int screen_height() override { return screen_h; }
    screen_rect playing_monitor() override;
    bool display_caps(int &bits, bool &palette) override;
    int show_cursor(bool show) override { return cursor_count += show ? 1 : -1; }

    unsigned tick_count() override { return now; }
    unsigned mm_time() override { return now; }
    bool mm_caps(unsigned &min_period, unsigned &max_period) override;
    void mm_begin_period(unsigned period) override { mm_period = period; }
    void mm_end_period(unsigned) override { mm_period = 0; }
    bool set_timer(HWND w, unsigned id, unsigned period) override;
    void kill_timer(HWND w, unsigned id) override;

    bool register_class(const char *name, wndproc proc) override;
    HWND create_window(const char *cls, int x, int y, int w, int h) override;
    void show_window(HWND w, int show) override;
    void destroy_window(HWND w) override;
    LRESULT def_window_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    void post_quit_message(int code) override;
    // Delivers, in this order: queued messages, scripted input that is due,
    // a due timer; otherwise moves the clock to the next of those. Throws
    // headless_idle when nothing is left before `limit`.
    bool get_message(MSG &m) override;
    LRESULT dispatch_message(const MSG &m) override;
    void invalidate(HWND w) override;

    int realize_palette(HWND w) override;
    void clear_system_palette() override;
    int recommended_orientation() override { return orientation; }
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
    control *item(HWND dlg, int id);
    void ensure_screen();
    void deliver_script(HWND dlg);
    // Moves the clock on by `ms`, ticking the dialog timers that fall due.
    void pass_dialog_time(unsigned ms);
    bool realized = false;
};

}  // namespace vortella
