// The desktop backend's parts: the screen a window shows and the 8-bit
// picture copied onto it, dialogs built from templates on the toolkit,
// process helpers, and the services object that joins them over SDL.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/monitors.h"
#include "platform/palette.h"
#include "platform/platform.h"

class Fl_Double_Window;
class Fl_Widget;

namespace vortella::desktop {

// ---------------------------------------------------------------------------
// Screen and picture
// ---------------------------------------------------------------------------

// The 8-bit picture: one palette index per byte, rows top-down and exactly
// `w` bytes apart, wrapped in an indexed surface whose palette turns the
// indices into colours when it is copied.
class picture8 {
public:
    picture8();
    ~picture8();
    picture8(const picture8 &) = delete;
    picture8 &operator=(const picture8 &) = delete;

    // Takes the 256 colours the indices stand for.
    void set_palette(const PALETTEENTRY *pe);
    // A new picture of w x h, all index 0; the previous one is released.
    // Null when it cannot be made, and then the previous one stays.
    uint8_t *make(int w, int h);
    void release();
    SDL_Surface *surface() const { return surface_; }

private:
    std::vector<uint8_t> pixels_;
    SDL_Surface *surface_ = nullptr;
    SDL_Palette *palette_ = nullptr;
};

// What one SDL window shows: its part of the saver's screen, black but
// for the pictures copied onto it. Drawn with an SDL renderer, in one of two
// ways chosen when it is opened:
//  - gpu: an accelerated renderer keeps the screen in a target texture; a
//    picture is one streaming texture of its own size, stretched on the
//    GPU with nearest filtering; presenting draws the target to the window.
//  - software: SDL's software renderer draws straight into the window's
//    surface (with MIT-SHM on X11, where the display reads it from), or
//    into any surface (tests); presenting sends only the rectangles that
//    changed.
// Coordinates are the view's own, (0, 0) at its top-left corner.
class screen_view {
public:
    screen_view() = default;
    ~screen_view() { close(); }
    screen_view(const screen_view &) = delete;
    screen_view &operator=(const screen_view &) = delete;

    // How a view on a window draws: `automatic` with an accelerated
    // renderer when one draws on a real GPU, else in software.
    enum class mode { automatic, gpu, software };
    // Opens the view on a window, in the mode asked for where it can (the
    // software renderer when no accelerated one can be made). Black.
    bool open_window(SDL_Window *win, mode m);
    // Opens the view on a surface of its own (software). Black.
    bool open_surface(SDL_Surface *target);
    void close();
    bool is_open() const { return ren_ != nullptr; }
    bool gpu() const { return gpu_; }
    int width() const { return w_; }
    int height() const { return h_; }
    // After the window changed size: the view follows it, black.
    bool follow_window_size();

    void fill_black(int x, int y, int w, int h);
    // Copies the whole picture with its top-left corner at (x, y), every
    // pixel a block of scale x scale; the parts off the view are left out.
    void blit(const picture8 &pic, int x, int y, int scale);
    // The colour at a pixel as 0xRRGGBB; 0 off the view.
    uint32_t rgb(int x, int y);
    // Shows what changed since the last call; `all` shows everything (the
    // window was exposed).
    void present(bool all = false);
    bool dirty() const { return all_ || !changed_.empty(); }
    // How many rectangles the last present sent to a software window; 0
    // when it sent the whole window (or had no window).
    int last_update_rects() const { return last_rects_; }

private:
    void mark(const SDL_Rect &r);
    bool make_target();

    SDL_Window *win_ = nullptr;          // null for a surface of its own
    SDL_Renderer *ren_ = nullptr;
    SDL_Texture *target_ = nullptr;      // gpu: what the window shows
    SDL_Texture *picture_ = nullptr;     // the picture in true colour
    uint32_t picture_format_ = 0;
    uint32_t surface_format_ = 0;        // software: what the renderer draws into
    int picture_w_ = 0, picture_h_ = 0;
    bool gpu_ = false;
    int w_ = 0, h_ = 0;
    std::vector<SDL_Rect> changed_;
    bool all_ = false;
    int last_rects_ = 0;
};

// Whether an accelerated SDL renderer draws with a real GPU. OpenGL drivers
// that rasterise on the CPU (Mesa's llvmpipe, softpipe, swrast) count as
// none: there every frame drawn through them costs the processor the whole
// window, and the software renderer, which sends only changed rectangles,
// is cheaper.
bool renderer_is_gpu(SDL_Renderer *ren);
// Whether a GL renderer string names one of those CPU rasterisers.
bool gl_renderer_is_software(const char *renderer);

// The monitors to cover: SDL's displays, unless the X server's Xinerama
// heads tell otherwise (a nested or older server can report one display
// spanning several monitors), in system coordinates.
std::vector<screen_rect> choose_monitors(const std::vector<screen_rect> &displays,
                                         const std::vector<screen_rect> &heads);
// The Xinerama heads of the X display SDL uses; none without X or
// Xinerama.
std::vector<screen_rect> xinerama_heads();

// ---------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------

// Splits a command line into its arguments at runs of blanks; a part in
// double quotes keeps its blanks (so a program path with blanks can be
// quoted), the quotes themselves are dropped.
std::vector<std::string> split_command_line(const std::string &cmdline);
// Starts argv[0] (searched on PATH when it has no folder) with the
// arguments, in its own session so it outlives this process. False when it
// cannot be started.
bool spawn(const std::vector<std::string> &argv);
// The running executable's full path, empty when it cannot be told.
std::string executable_path();
using vortella::parse_item_int;

// ---------------------------------------------------------------------------
// Dialogs
// ---------------------------------------------------------------------------

// Pixels per dialog unit. A dialog unit is a quarter of the average
// character width across and an eighth of the line height down; with the
// toolkit's 14-pixel font that comes to 1.75 and 2 pixels.
constexpr int du_x_num = 7, du_x_den = 4;   // 1.75 px
constexpr int du_y_num = 2, du_y_den = 1;   // 2 px

// One dialog on the toolkit: a window with a control for every item of its
// template. Control actions reach the dialog procedure as WM_COMMAND with
// the item's id and notification; check boxes and radio buttons are only
// marked by the procedure, as with manual buttons. Building it needs no
// display; run() shows it.
class dialog_window {
public:
    dialog_window(HWND handle, const dialog_template &t, dlgproc proc);
    ~dialog_window();
    dialog_window(const dialog_window &) = delete;
    dialog_window &operator=(const dialog_window &) = delete;

    HWND handle() const { return handle_; }
    const std::string &title() const { return title_; }
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // Sends WM_INITDIALOG.
    void init();
    // Shows the dialog (centred on `over`, or on the screen when null) and
    // dispatches the toolkit's events until the procedure ends the dialog.
    void run(const dialog_window *over);
    // Hides the window and sends WM_DESTROY.
    void finish();
    void end(int result);

    // The user's actions, as the toolkit reports them; tests call them too.
    void user_click(int id);
    void user_type(int id, const std::string &text);
    void user_select(int id, int index);
    void user_close();

    bool has(int id) const { return find(id) != nullptr; }
    // The control made for an item, null for none.
    Fl_Widget *widget(int id) const;
    void set_title(const char *text);
    void set_text(int id, const char *text);
    std::string text(int id) const;
    void set_check(int id, int state);
    int check(int id) const;
    void enable(int id, bool on);
    bool enabled(int id) const;
    int list_add(int id, const char *text);
    int list_delete(int id, int index);
    void list_reset(int id);
    int list_count(int id) const;
    int list_selection(int id) const;
    std::string list_text(int id, int index) const;
    // An item's size in pixels; 0 x 0 for none.
    void item_size(int id, int &w, int &h) const;
    // Shows an 8-bit picture on the halftone palette in a picture pane.
    void show_picture(int id, const uint8_t *pixels, int w, int h);
    // The picture a pane shows, as 0xRRGGBB at a pixel of it; 0 where it
    // shows none (tests read it back).
    uint32_t pane_rgb(int id, int x, int y) const;
    // Dialog timers, run by the toolkit's own timeouts (its loop is the
    // one that runs while a dialog is open); a tick reaches the procedure
    // only while the window is shown and not minimised.
    bool set_timer(unsigned id, unsigned period);
    void kill_timer(unsigned id);
    int timer_count() const { return int(timers_.size()); }

private:
    struct control {
        dialog_window *owner;
        int id;
        control_kind kind;
        Fl_Widget *widget;
    };
    struct timer {
        dialog_window *owner;
        unsigned id;
        double period;   // seconds
    };
    control *find(int id);
    const control *find(int id) const;
    void command(int id, unsigned code);
    void kill_timers();
    static void on_widget(Fl_Widget *w, void *data);
    static void on_close(Fl_Widget *w, void *data);
    static void on_timer(void *data);

    HWND handle_;
    dlgproc proc_;
    std::string title_;
    Fl_Double_Window *window_ = nullptr;
    std::deque<control> controls_;   // stable addresses for the callbacks
    std::list<timer> timers_;        // the same
    bool ended_ = false;
    int result_ = 0;
};

// Shows a message box of the toolkit (with a stop sign when `stop`); false
// when the toolkit has no display.
bool dialog_message(const char *text, const char *caption, bool stop);

// ---------------------------------------------------------------------------
// The services
// ---------------------------------------------------------------------------

class sdl_services final : public services, public dialog_services {
public:
    // Starts SDL's video; null with `err` set when there is no display.
    static sdl_services *open(std::string *err);
    ~sdl_services() override;

    int message_box(const char *text, const char *caption, unsigned type) override;
    [[noreturn]] void exit_process(int code) override;
    std::string module_file_name() override;
    bool start_program(const char *cmdline) override;

    int screen_width() override;
    int screen_height() override;
    bool display_caps(int &bits, bool &palette) override;
    int show_cursor(bool show) override;

    unsigned tick_count() override { return SDL_GetTicks(); }
    unsigned mm_time() override { return SDL_GetTicks(); }
    bool mm_caps(unsigned &min_period, unsigned &max_period) override;
    void mm_begin_period(unsigned) override {}
    void mm_end_period(unsigned) override {}
    bool set_timer(HWND w, unsigned id, unsigned period) override;
    void kill_timer(HWND w, unsigned id) override;

    bool register_class(const char *name, wndproc proc) override;
    HWND create_window(const char *cls, int x, int y, int w, int h) override;
    void show_window(HWND w, int show) override;
    void destroy_window(HWND w) override;
    LRESULT def_window_proc(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override;
    void post_quit_message(int code) override;
    bool get_message(MSG &m) override;
    LRESULT dispatch_message(const MSG &m) override;
    void invalidate(HWND w) override;

    int realize_palette(HWND w) override;
    void clear_system_palette() override { realized_ = false; }
    int recommended_orientation() override { return -1; }
    uint8_t *create_picture(int w, int h) override;
    void release_picture() override { picture_.release(); }
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
    void set_redraw(HWND, int, bool) override {}
    bool open_file_dialog(HWND owner, const char *filter_name, const char *pattern, size_t size,
                          std::string &file) override;
    void help_index(HWND owner, const char *helpfile) override;
    void item_size(HWND dlg, int id, int &w, int &h) override;
    void show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) override;
    bool set_dialog_timer(HWND dlg, unsigned id, unsigned period) override;
    void kill_dialog_timer(HWND dlg, unsigned id) override;

    // The monitors to cover, in system coordinates, and the one the
    // picture plays on (open() takes them from the display; tests set
    // their own). Windows made afterwards follow them.
    void use_monitors(const std::vector<screen_rect> &system, int playing);
    screen_rect playing_monitor() override;
    // Present pictures through an accelerated renderer (true) or SDL's
    // software renderer (false); found out at the first window otherwise.
    void use_gpu(bool gpu) { mode_ = gpu ? screen_view::mode::gpu : screen_view::mode::software; }

    // What a window shows at a screen pixel, as 0xRRGGBB (tests read it
    // back); 0 off the window.
    uint32_t rgb_at(HWND w, int x, int y);
    // How many SDL windows show a window: one per monitor it covers; 0 for
    // no such window.
    int panes_of(HWND w) const;
    // The SDL window showing a window's part at a screen pixel.
    SDL_Window *sdl_window_at(HWND w, int x, int y) const;
    // How many rectangles the last present sent to a window's first pane
    // (screen_view::last_update_rects).
    int last_update_rects(HWND w) const;

private:
    sdl_services() = default;

    // One SDL window of an application window, showing the part `area` of
    // the screen (screen coordinates). A window covering several monitors
    // has one pane on each, so each can be full screen on its monitor.
    struct pane {
        SDL_Window *sdl = nullptr;
        screen_rect area{};
        screen_view view;
        bool mapped = false;   // shown on the display
    };
    struct window {
        wndproc proc;
        std::vector<std::unique_ptr<pane>> panes;
        bool shown = false;    // asked to be shown
        // The last picture copy, drawn again when a pane had to start afresh.
        bool has_copy = false;
        int copy_x = 0, copy_y = 0, copy_scale = 1;
        ~window();
    };
    struct timer {
        HWND w;
        unsigned id, period;
        uint32_t due;
    };

    window *find(HWND w);
    HWND window_of(uint32_t sdl_id) const;
    pane *pane_of(uint32_t sdl_id) const;
    // Opens a pane's view, deciding between the renderers the first time.
    bool open_view(pane &p);
    // Black and the last picture copy again, after a pane lost its pixels.
    void repaint(window &win, pane &p);
    // Turns an SDL event into a message; false when it makes none.
    bool translate(const SDL_Event &e, MSG &m);
    // Shows windows asked to be shown and brings every screen up to date.
    void flush();
    dialog_window *dialog(HWND dlg);

    // The monitors in screen coordinates and where the screen lies; the
    // SDL display each monitor is (-1: none, the window is placed by hand).
    monitor_layout layout_;
    std::vector<int> display_of_;
    int playing_ = 0;
    // How views draw; automatic until the first view has found out.
    screen_view::mode mode_ = screen_view::mode::automatic;
    // A pane lost the focus: unless another pane of the same window has it
    // by then, the window is told it is no longer active.
    bool focus_check_ = false;
    uint32_t focus_lost_at_ = 0;
    HWND focus_window_ = 0;
    std::map<std::string, wndproc> classes_;
    std::map<HWND, std::unique_ptr<window>> windows_;
    std::vector<timer> timers_;
    std::deque<MSG> queue_;
    bool quit_posted_ = false;
    HWND next_handle_ = 1;
    int cursor_count_ = 0;
    bool realized_ = false;
    picture8 picture_;
    std::vector<std::unique_ptr<dialog_window>> dialogs_;   // open ones, innermost last
};

}  // namespace vortella::desktop
