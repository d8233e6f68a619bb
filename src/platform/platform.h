// Platform services: what the program needs from the system it runs on,
// behind one interface with several backends (headless, desktop, the
// screen-saver hack, Win32). This is the bottom layer: it includes nothing
// of the rest of the program. The headless backend (platform/headless)
// records everything and is the default, so the core and the tools run
// anywhere.
//
// The application is written as window and dialog procedures over messages,
// the way a message-driven window system delivers them; a backend owns the
// windows, the message queue, the timers and the screen, and calls those
// procedures. Dialogs are a second interface (platform/dialog.h) that only
// the backends with a user interface of their own implement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

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

// A rectangle of screen pixels: its top-left corner and its size.
struct screen_rect {
    int x, y, w, h;
};

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

struct dialog_services;

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
    // A file the program carries inside its executable, by name: its bytes
    // in `data`, or false when it carries none of that name (only the Win32
    // program carries any, as resources).
    virtual bool builtin_file(const char *name, std::string &data) { return false; }

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
    // The full name of a file kept beside the settings file `ini` (a name
    // resolved as above), such as the help page a program writes out of
    // itself; the folder is made when missing.
    virtual std::string beside_profile(const char *ini, const char *name);

    // --- Screen, cursor and display --------------------------------------

    // The screen: every monitor the saver covers, as one rectangle with its
    // top-left corner at (0, 0) (the bounding box of the monitors).
    virtual int screen_width() = 0;
    virtual int screen_height() = 0;
    // The monitor the picture plays on, in screen coordinates: the one the
    // pointer is on, or the primary one. By default the whole screen, which
    // is then one monitor.
    virtual screen_rect playing_monitor() { return {0, 0, screen_width(), screen_height()}; }
    // The size of the display the playing monitor stands for. A backend
    // whose screen is a window smaller than the display (a preview) answers
    // the display (the monitor the window is on); by default the playing
    // monitor itself.
    virtual void display_size(int &w, int &h) {
        const screen_rect m = playing_monitor();
        w = m.w;
        h = m.h;
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
    // Copies the whole current picture to the screen with its top-left
    // corner at (x, y), every pixel shown as a block of scale x scale screen
    // pixels (scale 1: pixel for pixel).
    virtual void blit_picture(HWND w, int x, int y, int scale) = 0;
    // Fills a rectangle of the screen with black.
    virtual void fill_black(HWND w, int x, int y, int cx, int cy) = 0;

    // --- Dialogs -------------------------------------------------------------

    // The backend's dialog services, or null when it has none (the
    // screen-saver hack, whose settings the daemon's own program edits).
    virtual dialog_services *dialogs() { return nullptr; }
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

// The INI module every backend uses: plain reads and writes of the file.
std::string ini_get_string(const std::string &path, const char *section, const char *key,
                           const char *def, size_t size);
int ini_get_int(const std::string &path, const char *section, const char *key, int def);
bool ini_write_string(const std::string &path, const char *section, const char *key,
                      const char *value);

// The backend in use. Starts as a process-wide headless backend.
services *sys();
void set_sys(services *s);

}  // namespace vortella
