// The hack's services over plain Xlib. The saver's "screen" is one X
// window: the daemon's, the root, or a window of our own. What the window
// shows is kept client-side in an image of the window's visual, so an
// exposed part can be drawn again: the 8-bit picture is turned into the
// visual through the halftone palette, each pixel scaled to a block, right
// into that image, and the changed rectangle is put. The image is shared
// memory (MIT-SHM) when the server offers it, so a put costs the server a
// copy and no transfer. No input is ever selected or grabbed: the daemon
// ends the hack, with SIGTERM.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xinerama.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <map>

#include "platform/xhack/xhack.h"
#include "platform/palette.h"

namespace vortella::xhack {

namespace {

// --- Stop signals ----------------------------------------------------------------

volatile sig_atomic_t stop_asked = 0;
// A byte written here wakes the loop from poll when a signal arrives
// between its check of stop_asked and its wait.
int wake_pipe[2] = {-1, -1};

void on_stop_signal(int) {
    stop_asked = 1;
    if (wake_pipe[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] ssize_t n = write(wake_pipe[1], &c, 1);
    }
}

// --- X errors ----------------------------------------------------------------------

// A foreign window can be destroyed under us at any time (a preview closed);
// the requests still on their way to it then fail. That ends the hack
// cleanly instead of through Xlib's default handler, which exits at once.
Window watched_window = 0;
bool target_lost = false;
// A shared-memory request the server refused (a remote display, or one that
// cannot reach our segment): the image falls back to plain transfers.
int shm_opcode = -1;
bool shm_refused = false;

int on_x_error(Display *, XErrorEvent *e) {
    if (e->error_code == BadWindow || e->error_code == BadDrawable) {
        if (e->resourceid == watched_window) target_lost = true;
    }
    if (shm_opcode >= 0 && e->request_code == shm_opcode) shm_refused = true;
    return 0;
}

int on_x_io_error(Display *) {
    // The display is gone; nothing is left to draw on or release there.
    std::fprintf(stderr, "vortella-hack: lost the connection to the display\n");
    std::_Exit(0);
}

unsigned now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return unsigned(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

// Whether tick `a` is at or before tick `b` on the wrapping 32-bit clock.
bool not_after(unsigned a, unsigned b) { return int32_t(a - b) <= 0; }

LPARAM pack_point(int x, int y) { return LPARAM((y & 0xFFFF) << 16 | (x & 0xFFFF)); }

class x_services final : public services {
public:
    x_services(Display *dpy, Window win, bool own, bool fps) : dpy_(dpy), win_(win), own_(own), fps_(fps) {}
    ~x_services() override { close_all(); }

    bool setup(std::string *err);

    int message_box(const char *text, const char *caption, unsigned) override {
        std::fprintf(stderr, "vortella-hack: %s: %s\n", caption ? caption : "", text ? text : "");
        return IDOK;
    }
    [[noreturn]] void exit_process(int code) override {
        close_all();
        std::exit(code);
    }
    std::string module_file_name() override {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::string() : p.string();
    }
    // The daemon owns this process: the hack starts nothing.
    bool start_program(const char *) override { return false; }

    int screen_width() override { return win_w_; }
    int screen_height() override { return win_h_; }
    void display_size(int &w, int &h) override;
    // The picture is palettised and converted at the copy, so to the
    // program every window is an 8-bit palette device.
    bool display_caps(int &bits, bool &palette) override {
        bits = 8;
        palette = true;
        return true;
    }
    // The daemon looks after the pointer; only the count is kept.
    int show_cursor(bool show) override { return cursor_count_ += show ? 1 : -1; }

    unsigned tick_count() override { return now_ms(); }
    unsigned mm_time() override { return now_ms(); }
    bool mm_caps(unsigned &min_period, unsigned &max_period) override {
        min_period = 1;
        max_period = 1000000;
        return true;
    }
    void mm_begin_period(unsigned) override {}
    void mm_end_period(unsigned) override {}
    bool set_timer(HWND w, unsigned id, unsigned period) override;
    void kill_timer(HWND w, unsigned id) override;

    bool register_class(const char *name, wndproc proc) override {
        if (!name || !proc || classes_.count(name)) return false;
        classes_[name] = proc;
        return true;
    }
    HWND create_window(const char *cls, int x, int y, int w, int h) override;
    void show_window(HWND w, int show) override;
    void destroy_window(HWND w) override;
    LRESULT def_window_proc(HWND w, unsigned msg, WPARAM, LPARAM) override {
        if (msg == WM_CLOSE) destroy_window(w);
        return 0;
    }
    bool post_message(HWND w, unsigned msg, WPARAM wp, LPARAM lp) override {
        queue_.push_back({w, msg, wp, lp});
        return true;
    }
    void post_quit_message(int) override { quit_posted_ = true; }
    bool get_message(MSG &m) override;
    LRESULT dispatch_message(const MSG &m) override {
        if (m.hwnd != hwnd_ || !proc_) return 0;
        return proc_(m.hwnd, m.message, m.wParam, m.lParam);
    }
    void invalidate(HWND) override {}

    int realize_palette(HWND) override;
    void clear_system_palette() override { lut_ready_ = false; }
    int recommended_orientation() override { return -1; }
    uint8_t *create_picture(int w, int h) override;
    void release_picture() override {
        picture_.clear();
        picture_.shrink_to_fit();
        pic_w_ = pic_h_ = 0;
    }
    void blit_picture(HWND w, int x, int y, int scale) override;
    void fill_black(HWND w, int x, int y, int cx, int cy) override;

private:
    struct timer {
        unsigned id, period, due;
    };

    void close_all();
    // What the window shows, w x h in its format, all black: in shared
    // memory when the server takes it, else in our own.
    bool make_backing(int w, int h);
    XImage *make_shared_image(int w, int h, XShmSegmentInfo &info);
    // Black into the kept image, columns x0..x1 - 1 of rows y0..y1 - 1
    // (inside it).
    void paint_black(int x0, int y0, int x1, int y1);
    void free_backing();
    // Waits until the server has read the shared image before it changes.
    void settle();
    // The pixel value of every palette entry for the window's visual.
    void build_lut();
    void free_colours();
    // Puts a rectangle of the kept screen into the window.
    void put(int x, int y, int w, int h);
    void draw_fps();
    // Turns an X event into a message; false when it makes none.
    bool translate(const XEvent &e, MSG &m);

    Display *dpy_;
    Window win_;
    bool own_;
    bool fps_;
    Atom wm_delete_ = None;
    Visual *visual_ = nullptr;
    int depth_ = 0;
    Colormap cmap_ = None;
    GC gc_ = nullptr;
    int win_w_ = 0, win_h_ = 0;
    XImage *backing_ = nullptr;
    bool shm_available_ = false;   // the server has MIT-SHM with images
    XShmSegmentInfo shm_{};        // the backing's segment, shmaddr null when none
    bool shm_pending_ = false;     // a put from it the server may not have read yet
    std::vector<uint8_t> converted_;   // the shown part of one picture row, converted

    PALETTEENTRY lut_colours_[256]{};
    unsigned long lut_[256]{};
    bool lut_ready_ = false;
    std::vector<unsigned long> allocated_;   // colour cells we own in cmap_
    unsigned long black_ = 0, white_ = 0;

    std::vector<uint8_t> picture_;
    int pic_w_ = 0, pic_h_ = 0;

    std::map<std::string, wndproc> classes_;
    HWND hwnd_ = 0;
    wndproc proc_ = nullptr;
    std::vector<timer> timers_;
    std::deque<MSG> queue_;
    bool quit_posted_ = false;
    bool closing_ = false;
    int cursor_count_ = 0;

    unsigned fps_since_ = 0;
    int fps_frames_ = 0;
    char fps_text_[32] = "";
};

// --- Set-up and release --------------------------------------------------------------

bool x_services::setup(std::string *err) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy_, win_, &a)) {
        if (err) *err = "no such window";
        return false;
    }
    visual_ = a.visual;
    depth_ = a.depth;
    cmap_ = a.colormap;
    win_w_ = a.width;
    win_h_ = a.height;
    watched_window = win_;
    if (own_) {
        wm_delete_ = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(dpy_, win_, &wm_delete_, 1);
    }
    // Size changes, destruction and exposure only: input events belong to
    // the daemon (and a second client cannot select button presses anyway).
    XSelectInput(dpy_, win_, ExposureMask | StructureNotifyMask);
    int major = 0, first_event = 0, first_error = 0;
    if (XQueryExtension(dpy_, "MIT-SHM", &major, &first_event, &first_error) && XShmQueryExtension(dpy_)) {
        shm_opcode = major;
        shm_available_ = true;
    }
    gc_ = XCreateGC(dpy_, win_, 0, nullptr);
    if (!gc_ || !make_backing(win_w_, win_h_)) {
        if (err) *err = "cannot make the window's image";
        return false;
    }
    return true;
}

void x_services::close_all() {
    if (!dpy_) return;
    free_backing();
    free_colours();
    if (gc_) XFreeGC(dpy_, gc_);
    gc_ = nullptr;
    if (own_ && win_) XDestroyWindow(dpy_, win_);
    win_ = 0;
    XCloseDisplay(dpy_);
    dpy_ = nullptr;
}

XImage *x_services::make_shared_image(int w, int h, XShmSegmentInfo &info) {
    info = {};
    XImage *img = XShmCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, nullptr, &info, unsigned(w),
                                  unsigned(h));
    if (!img) return nullptr;
    info.shmid = shmget(IPC_PRIVATE, size_t(img->bytes_per_line) * size_t(h), IPC_CREAT | 0600);
    void *at = info.shmid >= 0 ? shmat(info.shmid, nullptr, 0) : reinterpret_cast<void *>(-1);
    if (at == reinterpret_cast<void *>(-1)) {
        if (info.shmid >= 0) shmctl(info.shmid, IPC_RMID, nullptr);
        XDestroyImage(img);
        info = {};
        return nullptr;
    }
    info.shmaddr = img->data = static_cast<char *>(at);
    info.readOnly = False;
    shm_refused = false;
    const bool attached = XShmAttach(dpy_, &info) != 0;
    // The server's answer to the attach comes back with the sync.
    XSync(dpy_, False);
    // Marked for removal now: the segment goes when both sides have
    // detached, however the process ends.
    shmctl(info.shmid, IPC_RMID, nullptr);
    if (!attached || shm_refused) {
        shmdt(at);
        img->data = nullptr;   // not ours to free
        XDestroyImage(img);
        info = {};
        shm_available_ = false;
        return nullptr;
    }
    return img;
}

void x_services::free_backing() {
    if (!backing_) return;
    settle();
    if (shm_.shmaddr) {
        XShmDetach(dpy_, &shm_);
        XSync(dpy_, False);
        shmdt(shm_.shmaddr);
        backing_->data = nullptr;   // the segment, gone with the detach
        shm_ = {};
    }
    XDestroyImage(backing_);   // frees pixels of our own too
    backing_ = nullptr;
}

void x_services::settle() {
    if (!shm_pending_) return;
    XSync(dpy_, False);
    shm_pending_ = false;
}

bool x_services::make_backing(int w, int h) {
    w = std::max(w, 1);
    h = std::max(h, 1);
    XShmSegmentInfo info{};
    XImage *img = shm_available_ ? make_shared_image(w, h, info) : nullptr;
    if (!img) {
        img = XCreateImage(dpy_, visual_, unsigned(depth_), ZPixmap, 0, nullptr, unsigned(w), unsigned(h), 32, 0);
        if (!img) return false;
        // XDestroyImage releases the pixels with free().
        img->data = static_cast<char *>(std::calloc(size_t(img->bytes_per_line), size_t(h)));
        if (!img->data) {
            XDestroyImage(img);
            return false;
        }
    }
    free_backing();
    backing_ = img;
    shm_ = info;
    // A shared image names its segment through a pointer to the segment's
    // description, which must live as long as the image: ours, not the
    // copy it was made with.
    if (shm_.shmaddr) backing_->obdata = reinterpret_cast<char *>(&shm_);
    if (!lut_ready_) build_lut();
    // Zero bytes are not black on every visual.
    if (black_ != 0) paint_black(0, 0, w, h);
    return true;
}

// --- Colours -----------------------------------------------------------------------------

void x_services::free_colours() {
    if (!allocated_.empty() && dpy_)
        XFreeColors(dpy_, cmap_, allocated_.data(), int(allocated_.size()), 0);
    allocated_.clear();
}

void x_services::build_lut() {
    std::memcpy(lut_colours_, peEntry, sizeof lut_colours_);
    free_colours();
    const int cls = visual_->c_class;
    if (cls == TrueColor || cls == DirectColor) {
        const rgb_masks m{visual_->red_mask, visual_->green_mask, visual_->blue_mask};
        for (int i = 0; i < 256; ++i)
            lut_[i] = pack_rgb(m, peEntry[i].peRed, peEntry[i].peGreen, peEntry[i].peBlue);
        black_ = pack_rgb(m, 0, 0, 0);
        white_ = pack_rgb(m, 255, 255, 255);
        lut_ready_ = true;
        return;
    }
    // Palette and grey visuals: a shared cell for every colour, or, when the
    // colour map is full, the nearest colour it already holds.
    std::vector<XColor> cells;
    auto nearest = [&](const XColor &want) {
        if (cells.empty()) {
            const int n = std::min(visual_->map_entries, 4096);
            cells.resize(size_t(std::max(n, 0)));
            for (int i = 0; i < n; ++i) cells[size_t(i)].pixel = static_cast<unsigned long>(i);
            if (n > 0) XQueryColors(dpy_, cmap_, cells.data(), n);
        }
        unsigned long best = 0;
        double best_d = -1;
        for (const XColor &c : cells) {
            const double dr = double(c.red) - want.red, dg = double(c.green) - want.green,
                         db = double(c.blue) - want.blue;
            const double d = dr * dr + dg * dg + db * db;
            if (best_d < 0 || d < best_d) best_d = d, best = c.pixel;
        }
        return best;
    };
    auto alloc = [&](uint8_t r, uint8_t g, uint8_t b) {
        XColor c{};
        c.red = uint16_t(r * 257);
        c.green = uint16_t(g * 257);
        c.blue = uint16_t(b * 257);
        c.flags = DoRed | DoGreen | DoBlue;
        if (XAllocColor(dpy_, cmap_, &c)) {
            allocated_.push_back(c.pixel);
            return c.pixel;
        }
        return nearest(c);
    };
    for (int i = 0; i < 256; ++i) lut_[i] = alloc(peEntry[i].peRed, peEntry[i].peGreen, peEntry[i].peBlue);
    black_ = alloc(0, 0, 0);
    white_ = alloc(255, 255, 255);
    lut_ready_ = true;
}

int x_services::realize_palette(HWND) {
    if (lut_ready_ && std::memcmp(lut_colours_, peEntry, sizeof lut_colours_) == 0) return 0;
    build_lut();
    return 256;
}

// --- Screen --------------------------------------------------------------------------------

void x_services::display_size(int &w, int &h) {
    w = DisplayWidth(dpy_, DefaultScreen(dpy_));
    h = DisplayHeight(dpy_, DefaultScreen(dpy_));
    // With several monitors the playlist's sizes are meant for one: the
    // monitor the window's centre is on.
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(dpy_, win_, DefaultRootWindow(dpy_), win_w_ / 2, win_h_ / 2, &x, &y,
                               &child))
        return;
    int n = 0;
    if (!XineramaIsActive(dpy_)) return;
    XineramaScreenInfo *s = XineramaQueryScreens(dpy_, &n);
    if (!s) return;
    for (int i = 0; i < n; ++i) {
        if (x >= s[i].x_org && y >= s[i].y_org && x < s[i].x_org + s[i].width &&
            y < s[i].y_org + s[i].height) {
            w = s[i].width;
            h = s[i].height;
            break;
        }
    }
    XFree(s);
}

uint8_t *x_services::create_picture(int w, int h) {
    if (w <= 0 || h <= 0) return nullptr;
    std::vector<uint8_t> px;
    try {
        px.assign(size_t(w) * size_t(h), 0);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    picture_ = std::move(px);
    pic_w_ = w;
    pic_h_ = h;
    if (!lut_ready_) build_lut();
    return picture_.data();
}

void x_services::put(int x, int y, int w, int h) {
    if (!backing_ || w <= 0 || h <= 0 || target_lost) return;
    if (shm_.shmaddr) {
        XShmPutImage(dpy_, win_, gc_, backing_, x, y, x, y, unsigned(w), unsigned(h), False);
        shm_pending_ = true;
    } else {
        XPutImage(dpy_, win_, gc_, backing_, x, y, x, y, unsigned(w), unsigned(h));
    }
}

void x_services::blit_picture(HWND, int x, int y, int scale) {
    if (!backing_ || picture_.empty() || scale < 1) return;
    if (!lut_ready_) build_lut();
    settle();
    // The part of the picture's blocks on the window; 64-bit sums, so a
    // place far off cannot wrap round onto it.
    const long long k = scale;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<long long>(x + k * pic_w_, backing_->width));
    const int y1 = int(std::min<long long>(y + k * pic_h_, backing_->height));
    if (x0 < x1 && y0 < y1) {
        const int n = x1 - x0, bpp = backing_->bits_per_pixel;
        const bool msb = backing_->byte_order == MSBFirst;
        // Rows of whole bytes can be copied: the rows after a block's first
        // are copies of it.
        const bool whole_bytes = bpp % 8 == 0;
        const size_t bytes = size_t(bpp / 8);
        // The picture columns the window shows, and how far into the first
        // one's block it starts.
        const long long first = (x0 - x) / k, cols = (x1 - 1 - x) / k - first + 1;
        const int skip = int((x0 - x) % k);
        if (k > 1 && whole_bytes) converted_.resize(size_t(cols) * bytes);
        long long last = -1;
        const uint8_t *done = nullptr;
        for (int row = y0; row < y1; ++row) {
            auto *dst = reinterpret_cast<uint8_t *>(backing_->data) + size_t(row) * size_t(backing_->bytes_per_line) +
                        size_t(x0) * size_t(bpp / 8);
            const long long r = (row - static_cast<long long>(y)) / k;
            if (r == last && whole_bytes) {
                std::memcpy(dst, done, size_t(n) * size_t(bpp / 8));
                continue;
            }
            const uint8_t *src = picture_.data() + size_t(r) * size_t(pic_w_) + size_t(first);
            // Each picture pixel is converted once and then repeated k
            // times (nearest neighbour: screen column c shows picture
            // column (c - x) / k).
            bool written = false;
            if (k == 1) {
                written = convert_row(src, n, lut_, bpp, msb, dst);
            } else if (whole_bytes && convert_row(src, int(cols), lut_, bpp, msb, converted_.data())) {
                widen_row(converted_.data(), int(bytes), skip, n, int(k), dst);
                written = true;
            }
            if (!written)
                for (int c = 0; c < n; ++c) XPutPixel(backing_, x0 + c, row, lut_[src[(skip + c) / k]]);
            last = r;
            done = dst;
        }
        put(x0, y0, n, y1 - y0);
    }
    if (fps_) {
        // Frames counted from the first one's time: a second holds as many
        // frame intervals as frames after the first.
        const unsigned now = now_ms();
        if (fps_since_ == 0) fps_since_ = now;
        else ++fps_frames_;
        if (now - fps_since_ >= 1000) {
            std::snprintf(fps_text_, sizeof fps_text_, "%.1f fps",
                          fps_frames_ * 1000.0 / double(now - fps_since_));
            fps_frames_ = 0;
            fps_since_ = now;
        }
        draw_fps();
    }
}

void x_services::paint_black(int x0, int y0, int x1, int y1) {
    if (x0 >= x1 || y0 >= y1) return;
    const int bpp = backing_->bits_per_pixel;
    for (int col = x0; col < x1; ++col) XPutPixel(backing_, col, y0, black_);
    const uint8_t *first = reinterpret_cast<uint8_t *>(backing_->data) + size_t(y0) * size_t(backing_->bytes_per_line) +
                           size_t(x0) * size_t(bpp / 8);
    for (int row = y0 + 1; row < y1; ++row) {
        if (bpp % 8 != 0) {
            for (int col = x0; col < x1; ++col) XPutPixel(backing_, col, row, black_);
            continue;
        }
        std::memcpy(reinterpret_cast<uint8_t *>(backing_->data) + size_t(row) * size_t(backing_->bytes_per_line) +
                        size_t(x0) * size_t(bpp / 8),
                    first, size_t(x1 - x0) * size_t(bpp / 8));
    }
}

void x_services::draw_fps() {
    if (!fps_text_[0] || target_lost) return;
    XSetForeground(dpy_, gc_, white_);
    XSetBackground(dpy_, gc_, black_);
    XDrawImageString(dpy_, win_, gc_, 6, win_h_ - 6, fps_text_, int(std::strlen(fps_text_)));
}

void x_services::fill_black(HWND, int x, int y, int cx, int cy) {
    if (!backing_) return;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<long long>(static_cast<long long>(x) + cx, backing_->width));
    const int y1 = int(std::min<long long>(static_cast<long long>(y) + cy, backing_->height));
    if (x0 >= x1 || y0 >= y1) return;
    settle();
    paint_black(x0, y0, x1, y1);
    put(x0, y0, x1 - x0, y1 - y0);
}

// --- Timers and windows ----------------------------------------------------------------------

bool x_services::set_timer(HWND w, unsigned id, unsigned period) {
    if (w != hwnd_) return false;
    if (period == 0) period = 1;
    const unsigned now = now_ms();
    for (timer &t : timers_) {
        if (t.id == id) {
            t.period = period;
            t.due = now + period;
            return true;
        }
    }
    timers_.push_back({id, period, now + period});
    return true;
}

void x_services::kill_timer(HWND w, unsigned id) {
    if (w != hwnd_) return;
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const timer &t) { return t.id == id; }),
                  timers_.end());
}

HWND x_services::create_window(const char *cls, int, int, int, int) {
    auto c = classes_.find(cls ? cls : "");
    // One window: the one the hack draws in, whatever size was asked for.
    if (c == classes_.end() || hwnd_) return 0;
    hwnd_ = 1;
    proc_ = c->second;
    if (proc_(hwnd_, WM_CREATE, 0, 0) == -1) {
        hwnd_ = 0;
        return 0;
    }
    if (hwnd_) proc_(hwnd_, WM_SIZE, 0, pack_point(win_w_, win_h_));
    if (hwnd_) proc_(hwnd_, WM_MOVE, 0, 0);
    return hwnd_;
}

void x_services::show_window(HWND w, int show) {
    if (w != hwnd_ || !show) return;
    if (own_) XMapRaised(dpy_, win_);
    // The window is active for as long as the hack runs: nothing here ever
    // deactivates it, so only the daemon ends the saver.
    proc_(w, WM_ACTIVATEAPP, 1, 0);
    if (hwnd_) proc_(w, WM_ACTIVATE, 1, 0);
}

void x_services::destroy_window(HWND w) {
    if (w != hwnd_ || !hwnd_) return;
    wndproc proc = proc_;
    hwnd_ = 0;
    timers_.clear();
    queue_.clear();
    proc(w, WM_DESTROY, 0, 0);
}

// --- The message loop -----------------------------------------------------------------------------

bool x_services::translate(const XEvent &e, MSG &m) {
    if (e.xany.window != win_) return false;
    switch (e.type) {
    case Expose:
        put(e.xexpose.x, e.xexpose.y, e.xexpose.width, e.xexpose.height);
        if (fps_ && e.xexpose.count == 0) draw_fps();
        return false;
    case ConfigureNotify:
        if (e.xconfigure.width == win_w_ && e.xconfigure.height == win_h_) return false;
        win_w_ = e.xconfigure.width;
        win_h_ = e.xconfigure.height;
        make_backing(win_w_, win_h_);
        m = {hwnd_, WM_SIZE, 0, pack_point(win_w_, win_h_)};
        return hwnd_ != 0;
    case DestroyNotify:
        target_lost = true;
        return false;
    case ClientMessage:
        if (own_ && Atom(e.xclient.data.l[0]) == wm_delete_) {
            m = {hwnd_, WM_CLOSE, 0, 0};
            return hwnd_ != 0;
        }
        return false;
    }
    return false;
}

bool x_services::get_message(MSG &m) {
    for (;;) {
        bool result;
        if (take_posted(queue_, quit_posted_, m, result)) return result;
        // Asked to end, or the window is gone: the main window closes as it
        // would at any other end, releasing everything.
        if ((stop_asked || target_lost) && !closing_) {
            closing_ = true;
            if (!hwnd_) exit_process(0);
            m = {hwnd_, WM_CLOSE, 0, 0};
            return true;
        }
        while (XPending(dpy_)) {
            XEvent e;
            XNextEvent(dpy_, &e);
            if (translate(e, m)) return true;
        }
        if (target_lost && !closing_) continue;
        const unsigned now = now_ms();
        timer *next = nullptr;
        for (timer &t : timers_)
            if (!next || int32_t(t.due - next->due) < 0) next = &t;
        if (next && not_after(next->due, now)) {
            m = {hwnd_, WM_TIMER, next->id, 0};
            // Ticks missed while a frame or a scene load took long merge
            // into this one.
            next->due += next->period;
            if (not_after(next->due, now)) next->due = now + next->period;
            return true;
        }
        XFlush(dpy_);
        pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
        const int timeout = next ? int(next->due - now) : -1;
        if (stop_asked && !closing_) continue;
        if (poll(fds, wake_pipe[0] >= 0 ? 2 : 1, timeout) > 0 && (fds[1].revents & POLLIN)) {
            char buf[16];
            while (read(wake_pipe[0], buf, sizeof buf) > 0) {
            }
        }
    }
}

}  // namespace

void install_stop_handlers() {
    if (wake_pipe[0] < 0 && pipe(wake_pipe) == 0) {
        for (int fd : wake_pipe) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    // Calls the signal interrupts start again; the loop's wait is woken by
    // the pipe.
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

services *open(const options &o, std::string *err) {
    XSetErrorHandler(on_x_error);
    XSetIOErrorHandler(on_x_io_error);
    Display *dpy = XOpenDisplay(o.display.empty() ? nullptr : o.display.c_str());
    if (!dpy) {
        if (err) *err = "cannot open the display " + (o.display.empty() ? std::string(XDisplayName(nullptr)) : o.display);
        return nullptr;
    }
    const int scr = DefaultScreen(dpy);
    Window win = 0;
    bool own = false;
    switch (o.target) {
    case target_kind::root:
        win = RootWindow(dpy, scr);
        break;
    case target_kind::window_id:
        win = Window(o.window_id);
        break;
    case target_kind::own_window: {
        const int w = std::max(DisplayWidth(dpy, scr) / 2, 320), h = std::max(DisplayHeight(dpy, scr) / 2, 200);
        win = XCreateSimpleWindow(dpy, RootWindow(dpy, scr), 0, 0, unsigned(w), unsigned(h), 0,
                                  BlackPixel(dpy, scr), BlackPixel(dpy, scr));
        XStoreName(dpy, win, "Vortella");
        XClassHint hint{const_cast<char *>("vortella-hack"), const_cast<char *>("Vortella")};
        XSetClassHint(dpy, win, &hint);
        own = true;
        break;
    }
    }
    auto *s = new x_services(dpy, win, own, o.fps);
    if (!s->setup(err)) {
        if (err && o.target == target_kind::window_id) {
            char id[32];
            std::snprintf(id, sizeof id, "0x%lx", o.window_id);
            *err = std::string("no window ") + id + ": " + *err;
        }
        delete s;
        return nullptr;
    }
    return s;
}

}  // namespace vortella::xhack
