// Platform services: what the program needs from the system it runs on,
// behind one interface with several backends. The headless backend records
// everything and is the default, so the core and the tools run anywhere.
//
// The application is written as window and dialog procedures over messages,
// the way a message-driven window system delivers them; a backend owns the
// windows, the message queue, the timers, the screen and the dialogs and
// calls those procedures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace vortella {

// ---------------------------------------------------------------------------
// Handles, messages and procedures
// ---------------------------------------------------------------------------

using HWND = int;   // window or dialog; 0 is none
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// Window procedure: answers a message sent or dispatched to its window.
using wndproc = LRESULT (*)(HWND, unsigned msg, WPARAM, LPARAM);
// Dialog procedure: nonzero when it handled the message.
using dlgproc = int (*)(HWND, unsigned msg, WPARAM, LPARAM);

enum : unsigned {
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_ACTIVATEAPP = 0x001C,
    WM_KEYDOWN = 0x0100,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112,
    WM_TIMER = 0x0113,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_RBUTTONDOWN = 0x0204,
    WM_QUERYNEWPALETTE = 0x030F,
    WM_PALETTECHANGED = 0x0311,
};

// System command that asks to start the screen saver.
constexpr WPARAM SC_SCREENSAVE = 0xF140;

// Control notifications (high word of a command's wParam).
enum : unsigned {
    BN_CLICKED = 0,
    LBN_SELCHANGE = 1,
    EN_CHANGE = 0x0300,
};

inline unsigned LOWORD(WPARAM w) { return unsigned(w & 0xFFFF); }
inline unsigned HIWORD(WPARAM w) { return unsigned((w >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(unsigned lo, unsigned hi) { return WPARAM((hi & 0xFFFF) << 16 | (lo & 0xFFFF)); }

// A queued message.
struct MSG {
    HWND hwnd;
    unsigned message;
    WPARAM wParam;
    LPARAM lParam;
};

// Message box buttons and results; dialog results of the common buttons.
constexpr unsigned MB_OK = 0x0000;
constexpr unsigned MB_ICONSTOP = 0x0010;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Check box states.
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;

// ---------------------------------------------------------------------------
// Dialog templates
// ---------------------------------------------------------------------------

// What a dialog item is; the backend builds a matching control.
enum class control_kind {
    text,       // static label
    group,      // group box framing other items
    edit,       // one line of text
    number,     // one line holding a signed integer
    button,
    check,      // check box (the procedure sets the mark)
    radio,      // radio button (the procedure sets the mark)
    list,       // list box, one selection, notifies on selection change
};

// One item of a dialog; position and size in dialog units.
struct dialog_item {
    int id;   // -1 for labels and group boxes nobody addresses
    control_kind kind;
    const char *label;
    int x, y, w, h;
    bool disabled = false;
};

// A dialog resource: its name, title, size in dialog units and items.
struct dialog_template {
    const char *name;
    const char *title;
    int w, h;
    std::vector<dialog_item> items;
};

// ---------------------------------------------------------------------------
// Services
// ---------------------------------------------------------------------------

// What every backend's get_message answers first: the messages posted to
// its windows, in order, then the quit message once it was posted. True
// when one was taken into `m`; `result` is then get_message's answer
// (false for the quit message).
inline bool take_posted(std::deque<MSG> &queue, bool &quit_posted, MSG &m, bool &result) {
    if (!queue.empty()) {
        m = queue.front();
        queue.pop_front();
        result = m.message != WM_QUIT;
        return true;
    }
    if (quit_posted) {
        quit_posted = false;
        m = {0, WM_QUIT, 0, 0};
        result = false;
        return true;
    }
    return false;
}

// Thrown by backends whose process exit must not end the caller (tests,
// tools); carries the exit code the program asked for.
struct process_exit {
    int code;
};

struct services {
    virtual ~services() = default;

    // --- Message boxes and the process ---------------------------------

    // Shows a message box (no owner window) and returns the button pressed.
    virtual int message_box(const char *text, const char *caption, unsigned type) = 0;
    // Ends the process with `code`. Never returns.
    [[noreturn]] virtual void exit_process(int code) = 0;
    // Full path of the running executable.
    virtual std::string module_file_name() = 0;
    // Starts a program with a command line (program path first); it runs
    // independently. False when it could not be started.
    virtual bool start_program(const char *cmdline) = 0;

    // --- Private-profile INI files -------------------------------------
    // A bare file name is resolved by profile_path. Sections and keys match
    // without regard to case. The defaults use the shared INI module, so a
    // backend only overrides them to reach a different store.

    // The key's value, or `def` when the key (or file, or section) is
    // missing; at most size - 1 characters.
    virtual std::string get_profile_string(const char *section, const char *key, const char *def,
                                           size_t size, const char *file);
    // The key's value read as a decimal integer, or `def` when missing.
    virtual int get_profile_int(const char *section, const char *key, int def, const char *file);
    // Sets the key, keeping every other line; creates the file, its folder
    // and the section when missing. False when the file cannot be written.
    virtual bool write_profile_string(const char *section, const char *key, const char *value,
                                      const char *file);
    // Whether the file exists.
    virtual bool profile_exists(const char *file);

    // --- Screen, cursor and display --------------------------------------

    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // The size of the display the screen stands for. A backend whose screen
    // is a window smaller than the display (a preview) answers the display
    // (the monitor the window is on); by default the screen itself.
    virtual void display_size(int &w, int &h) {
        w = screen_width();
        h = screen_height();
    }
    // The colour depth of the screen device (bits per pixel times planes)
    // and whether it is a palette device; false when there is no device.
    virtual bool display_caps(int &bits, bool &palette) = 0;
    // Raises (show) or lowers the cursor's show count and returns the new
    // count; the cursor is hidden while it is negative.
    virtual int show_cursor(bool show) = 0;

    // --- Clocks and timers -------------------------------------------------

    // Milliseconds since the system started (wraps like a 32-bit count).
    virtual unsigned tick_count() = 0;
    // Millisecond clock of the multimedia timer.
    virtual unsigned mm_time() = 0;
    // The multimedia timer's period range; false when it cannot serve.
    virtual bool mm_caps(unsigned &min_period, unsigned &max_period) = 0;
    // Requests the multimedia timer's resolution.
    virtual void mm_begin_period(unsigned period) = 0;
    virtual void mm_end_period(unsigned period) = 0;
    // A WM_TIMER message with wParam `id` roughly every `period` ms; setting
    // an existing id restarts it. Ticks never pile up in the queue.
    virtual bool set_timer(HWND w, unsigned id, unsigned period) = 0;
    virtual void kill_timer(HWND w, unsigned id) = 0;

    // --- Windows and the message queue -------------------------------------

    // Registers a window class; false when it cannot be registered.
    virtual bool register_class(const char *name, wndproc proc) = 0;
    // Creates a window of a registered class; its procedure receives
    // WM_CREATE, then WM_SIZE and WM_MOVE, before this returns. 0 when it
    // cannot be created (or WM_CREATE answered -1).
    virtual HWND create_window(const char *cls, int x, int y, int w, int h) = 0;
    // Shows (show nonzero) or hides the window; showing activates it
    // (WM_ACTIVATEAPP, then WM_ACTIVATE, both with wParam 1).
    virtual void show_window(HWND w, int show) = 0;
    // Sends WM_DESTROY and forgets the window.
    virtual void destroy_window(HWND w) = 0;
    // What a window does with a message its procedure passes on: WM_CLOSE
    // destroys the window, everything else answers 0.
    virtual LRESULT def_window_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) = 0;
    // Queues a message for the window; it arrives later through get_message.
    virtual bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) = 0;
    // Queues WM_QUIT.
    virtual void post_quit_message(int code) = 0;
    // Waits for the next message; false when it is WM_QUIT.
    virtual bool get_message(MSG &m) = 0;
    // Hands a message to its window's procedure.
    virtual LRESULT dispatch_message(const MSG &m) = 0;
    // Marks the whole window for repainting.
    virtual void invalidate(HWND w) = 0;

    // --- Palette and picture ---------------------------------------------

    // Selects and realises the halftone palette (peEntry) for the window;
    // the number of entries that changed in the system palette.
    virtual int realize_palette(HWND w) = 0;
    // Resets the system palette so the next realised palette is taken afresh.
    virtual void clear_system_palette() = 0;
    // The row order the device prefers for the picture: -1 row 0 on top,
    // +1 row 0 at the bottom, 0 no preference.
    virtual int recommended_orientation() = 0;
    // Makes a new 8-bit picture of w x h the current one and releases the
    // previous one. The pixels are w * h bytes, row 0 first, rows w bytes
    // apart. Null when it cannot be made; then the previous picture stays.
    virtual uint8_t *create_picture(int w, int h) = 0;
    virtual void release_picture() = 0;
    // Copies the whole current picture 1:1 to the screen at (x, y).
    virtual void blit_picture(HWND w, int x, int y) = 0;
    // Fills a rectangle of the screen with black.
    virtual void fill_black(HWND w, int x, int y, int cx, int cy) = 0;

    // --- Dialogs -------------------------------------------------------------

    // Runs a modal dialog: the procedure receives WM_INITDIALOG, then a
    // WM_COMMAND for every control action (low word the id, high word the
    // notification), and WM_DESTROY after it called end_dialog. Returns the
    // result given to end_dialog.
    virtual int dialog_box(const dialog_template &t, HWND owner, dlgproc proc) = 0;
    virtual void end_dialog(HWND dlg, int result) = 0;
    virtual void set_window_text(HWND w, const char *text) = 0;
    // Item text and numbers. Programmatic changes send no notification.
    virtual void set_item_text(HWND dlg, int id, const char *text) = 0;
    // At most size - 1 characters.
    virtual std::string get_item_text(HWND dlg, int id, size_t size) = 0;
    virtual void set_item_int(HWND dlg, int id, int value) = 0;
    // The item's text read as a signed integer; ok false (and 0) when it
    // holds none.
    virtual int get_item_int(HWND dlg, int id, bool *ok) = 0;
    virtual void check_button(HWND dlg, int id, int state) = 0;
    virtual int is_button_checked(HWND dlg, int id) = 0;
    // Checks `id` and clears every other radio button first..last.
    virtual void check_radio(HWND dlg, int first, int last, int id) = 0;
    virtual void enable_item(HWND dlg, int id, bool enable) = 0;
    // List boxes. list_add returns the new line's index; list_delete the
    // number of lines left, or -1 when there is no such line.
    virtual int list_add(HWND dlg, int id, const char *text) = 0;
    virtual int list_delete(HWND dlg, int id, int index) = 0;
    virtual void list_reset(HWND dlg, int id) = 0;
    virtual int list_count(HWND dlg, int id) = 0;
    // The selected line, or -1.
    virtual int list_selection(HWND dlg, int id) = 0;
    virtual std::string list_text(HWND dlg, int id, int index) = 0;
    // Turns redrawing of an item off while it is filled, and on again.
    virtual void set_redraw(HWND dlg, int id, bool on) = 0;
    // The file-open dialog: one filter (its name and pattern), the chosen
    // file and its folder must exist. The chosen full name (at most
    // size - 1 characters) or false when cancelled.
    virtual bool open_file_dialog(HWND owner, const char *filter_name, const char *pattern,
                                  size_t size, std::string &file) = 0;
    // Opens a help file at its index.
    virtual void help_index(HWND owner, const char *helpfile) = 0;
};

// ---------------------------------------------------------------------------
// INI files
// ---------------------------------------------------------------------------

// When not empty, bare INI file names resolve to this folder instead of the
// user's configuration folder.
inline std::string profile_folder;

// Where an INI file name leads: a name with a folder part is used as it is;
// a bare name lies in profile_folder, else $XDG_CONFIG_HOME/vortella, else
// $HOME/.config/vortella.
std::string profile_path(const char *file);

// A dialog item's text read as a signed decimal number, as every backend
// reads it: optional leading blanks, an optional minus, then only digits.
// ok false (and 0) otherwise.
int parse_item_int(const std::string &s, bool *ok);

// The INI module every backend uses: plain reads and writes of the file.
std::string ini_get_string(const std::string &path, const char *section, const char *key,
                           const char *def, size_t size);
int ini_get_int(const std::string &path, const char *section, const char *key, int def);
bool ini_write_string(const std::string &path, const char *section, const char *key,
                      const char *value);

// ---------------------------------------------------------------------------
// The headless backend
// ---------------------------------------------------------------------------

// Stopped the message loop: nothing more can happen before the headless
// clock's limit (no message queued, no timer, no scripted input left).
struct headless_idle {};

// A virtual screen of 8-bit pixels on the halftone palette, a virtual clock,
// scripted input and dialog actions, and a record of message boxes, started
// programs and help requests.
struct headless_services : services {
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
    bool has_display = true;        // display_caps answers
    int display_bits = 8;
    bool display_palette = true;
    bool has_mm_timer = true;
    unsigned mm_min = 1, mm_max = 1000000;
    int orientation = -1;           // recommended_orientation answers
    bool picture_fails = false;     // create_picture answers null

    // --- State ---------------------------------------------------------------
    int cursor_count = 0;
    unsigned now = 0;               // the virtual clock, ms
    unsigned limit = ~0u;           // get_message throws headless_idle here
    unsigned mm_period = 0;         // resolution requested, 0 none
    std::vector<uint8_t> screen;    // screen_w * screen_h, made on first use
    std::vector<uint8_t> picture;   // the current picture
    int pic_w = 0, pic_h = 0;

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
    // up; a dialog still open when the script runs out gets Cancel.
    struct action {
        enum kind_t { click, type, select } kind;
        int id;
        std::string text;   // type: the new text
        int index = 0;      // select: the line, -1 none
    };
    std::deque<action> script;
    void do_click(int id) { script.push_back({action::click, id, {}, 0}); }
    void do_type(int id, const std::string &text) { script.push_back({action::type, id, text, 0}); }
    void do_select(int id, int index) { script.push_back({action::select, id, {}, index}); }
    // Answers of the file-open dialog, in order; an empty name or none left
    // is a cancel.
    std::deque<std::string> open_files;

    struct control {
        control_kind kind;
        std::string text;
        int check = 0;
        bool enabled = true;
        bool redraw = true;
        std::vector<std::string> lines;
        int sel = -1;
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

    // Advances the virtual clock.
    void advance(unsigned ms) { now += ms; }
    // A screen pixel (made black on first use).
    uint8_t pixel(int x, int y);

    int message_box(const char *text, const char *caption, unsigned type) override;
    // Throws process_exit.
    [[noreturn]] void exit_process(int code) override;
    std::string module_file_name() override { return module_path; }
    bool start_program(const char *cmdline) override;

    int screen_width() override { return screen_w; }
    int screen_height() override { return screen_h; }
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
    void blit_picture(HWND w, int x, int y) override;
    void fill_black(HWND w, int x, int y, int cx, int cy) override;

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

private:
    control *item(HWND dlg, int id);
    void ensure_screen();
    void deliver_script(HWND dlg);
    bool realized = false;
};

// The backend in use. Starts as a process-wide headless backend.
services *sys();
void set_sys(services *s);

// Fills peEntry with the 256-entry halftone palette: every colour of the
// 6 x 6 x 6 cube at the entry aWinGHalftoneTranslation names for it.
void create_halftone_palette();

}  // namespace vortella
