// vtl record: runs the saver on the headless backend for a span of virtual
// time and writes the whole virtual screen after every frame-timer tick as
// an animated GIF: black screen, bouncing picture and entry switches as a
// user would see them, on one monitor or several.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "authoring/demos.h"
#include "platform/monitors.h"
#include "tools/image/image.h"
#include "tools/vtl.h"

namespace vortella {

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vtl record [--ini FILE] [--seconds S] [--screen WxH[@X,Y][,WxH[@X,Y]...]]\n"
                 "                  [--scale auto|1|2|3|4] -o OUT.gif\n");
    return 2;
}

// Limits of a recording: a monitor's side, the virtual screen's side and
// its pixels (every frame is held in memory twice).
constexpr int monitor_max = 8192, screen_side_max = 16384;
constexpr long long screen_pixels_max = 1LL << 27;

// A decimal number with an optional minus at `p`, advancing it; false when
// none is there or it is out of range.
bool number(const char *&p, int &v) {
    // Digits, or a minus and digits: no blanks or plus signs as strtol
    // would take them.
    if (!std::isdigit(static_cast<unsigned char>(*p)) && *p != '-') return false;
    char *end = nullptr;
    errno = 0;
    const long n = std::strtol(p, &end, 10);
    if (end == p || errno || n < INT_MIN / 2 || n > INT_MAX / 2) return false;
    v = int(n);
    p = end;
    return true;
}

// The monitors of --screen: "WxH" for one, several joined by ",". A monitor
// may say where it lies ("@X,Y", its top-left corner, negative allowed);
// one that does not lies right of the one before it, tops aligned (the
// first at 0,0). The picture plays on the first. Monitors must not overlap.
bool parsescreen(const char *s, std::vector<screen_rect> &out) {
    out.clear();
    const char *p = s;
    for (;;) {
        screen_rect m{0, 0, 0, 0};
        if (!number(p, m.w) || (*p != 'x' && *p != 'X')) return false;
        ++p;
        if (!number(p, m.h)) return false;
        if (m.w < 32 || m.h < 32 || m.w > monitor_max || m.h > monitor_max) return false;
        if (*p == '@') {
            ++p;
            if (!number(p, m.x) || *p++ != ',' || !number(p, m.y)) return false;
        } else if (!out.empty()) {
            m.x = out.back().x + out.back().w;
            m.y = out.back().y;
        }
        for (const screen_rect &o : out)
            if (intersect(m, o).w > 0) return false;
        out.push_back(m);
        if (*p == 0) break;
        if (*p++ != ',') return false;
    }
    const monitor_layout l = lay_out_monitors(out);
    return l.width <= screen_side_max && l.height <= screen_side_max &&
           static_cast<long long>(l.width) * l.height <= screen_pixels_max;
}

// --scale: "auto" (0) or 1 .. max_pixel_scale.
bool parsescale(const char *s, int &k) {
    if (std::strcmp(s, "auto") == 0) {
        k = 0;
        return true;
    }
    if (s[0] < '1' || s[0] > '0' + max_pixel_scale || s[1]) return false;
    k = s[0] - '0';
    return true;
}

// Seconds, more than 0 and at most an hour (whole milliseconds).
bool parseseconds(const char *s, unsigned &ms) {
    char *end = nullptr;
    double v = std::strtod(s, &end);
    if (!*s || *end || !(v > 0) || v > 3600) return false;
    ms = unsigned(v * 1000.0 + 0.5);
    return ms > 0;
}

std::string lower(std::string s) {
    for (char &c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The headless backend with a settings source of its own and a camera on
// the screen.
struct recorder : tool_services {
    // The settings file given, or empty: the settings live in `memory`
    // (the first settings file of a fresh installation is written there).
    std::string ini;
    std::map<std::string, std::string> memory;   // "section\nkey", lower case
    int scale = -1;   // --scale: the pixel scale the saver reads, -1 the settings'

    gif_writer gif;
    std::string out, err;
    bool failed = false;
    std::vector<uint8_t> pending;   // the last screen taken, not yet written
    unsigned pending_at = 0;        // when it was taken, ms
    int frames = 0;                 // frames written

    static std::string memkey(const char *section, const char *key) {
        return lower(section) + "\n" + lower(key);
    }

    std::string get_profile_string(const char *section, const char *key, const char *def, size_t size,
                                   const char *file) override {
        if (!ini.empty()) return ini_get_string(ini, section, key, def, size);
        auto it = memory.find(memkey(section, key));
        std::string v = it == memory.end() ? std::string(def ? def : "") : it->second;
        return size ? v.substr(0, size - 1) : std::string();
    }
    int get_profile_int(const char *section, const char *key, int def, const char *file) override {
        if (scale >= 0 && lower(section) == "misc" && lower(key) == "pixelscale") return scale;
        if (!ini.empty()) return ini_get_int(ini, section, key, def);
        auto it = memory.find(memkey(section, key));
        if (it == memory.end()) return def;
        long long v = std::strtoll(it->second.c_str(), nullptr, 10);
        return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
    }
    // A recording never changes the settings file it was given.
    bool write_profile_string(const char *section, const char *key, const char *value,
                              const char *file) override {
        if (!ini.empty()) return false;
        memory[memkey(section, key)] = value ? value : "";
        return true;
    }
    bool profile_exists(const char *file) override {
        return !ini.empty() || !memory.empty();
    }

    LRESULT dispatch_message(const MSG &m) override {
        LRESULT r = headless_services::dispatch_message(m);
        if (m.message == WM_TIMER) take(now);
        return r;
    }

    // The whole screen now (black where nothing was ever drawn).
    std::vector<uint8_t> shot() const {
        const size_t n = size_t(screen_w) * size_t(screen_h);
        return screen.size() == n ? screen : std::vector<uint8_t>(n, 0);
    }

    // Writes the pending screen, shown until `until` ms.
    void put(unsigned until) {
        if (failed || pending.empty()) return;
        // Delays count from the start in hundredths, so their sum follows
        // the clock however the periods round.
        int delay = int(until / 10) - int(pending_at / 10);
        if (delay < 1) delay = 1;
        if (!gif.frame(pending.data(), screen_w, delay, &err)) failed = true;
        ++frames;
        pending.clear();
    }

    // Takes the screen after a tick. A tick in the same hundredth of a
    // second as the one before replaces it: a GIF cannot show both.
    void take(unsigned at) {
        if (!pending.empty() && at / 10 != pending_at / 10) put(at);
        pending = shot();
        pending_at = at;
    }
};

}  // namespace

int cmd_record(int argc, char **argv) {
    std::string ini, out;
    unsigned ms = 10000;
    std::vector<screen_rect> monitors{{0, 0, 640, 480}};
    int scale = -1;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "-o" && more) {
            out = argv[++i];
        } else if (a == "--ini" && more) {
            ini = argv[++i];
        } else if (a == "--seconds" && more) {
            if (!parseseconds(argv[++i], ms)) return usage();
        } else if (a == "--screen" && more) {
            if (!parsescreen(argv[++i], monitors)) {
                std::fprintf(stderr, "vtl record: bad screen '%s'\n", argv[i]);
                return usage();
            }
        } else if (a == "--scale" && more) {
            if (!parsescale(argv[++i], scale)) {
                std::fprintf(stderr, "vtl record: bad scale '%s'\n", argv[i]);
                return usage();
            }
        } else {
            std::fprintf(stderr, "vtl record: unexpected argument '%s'\n", argv[i]);
            return usage();
        }
    }
    if (out.empty()) return usage();
    std::error_code ec;
    if (!ini.empty() && !std::filesystem::is_regular_file(ini, ec)) {
        std::fprintf(stderr, "vtl record: %s: no such settings file\n", ini.c_str());
        return 1;
    }

    services *previous = sys();
    recorder rec;
    rec.ini = ini;
    rec.out = out;
    rec.scale = scale;
    // The whole virtual screen is recorded; the picture plays on the first
    // monitor, as on the one the pointer is on.
    rec.set_monitors(monitors, 0);
    const int sw = rec.screen_w, sh = rec.screen_h;
    rec.limit = ms;
    // The saver's own folder: beside this tool in an installation.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) rec.module_path = (self.parent_path() / "vortella").string();
    set_sys(&rec);

    // The saver makes the same palette when it starts; the file is opened
    // first so that a path that cannot be written fails at once.
    create_halftone_palette();
    if (!rec.gif.open(out, sw, sh, peEntry, &rec.err)) {
        set_sys(previous);
        std::fprintf(stderr, "vtl record: %s\n", rec.err.c_str());
        return 1;
    }
    install_demos();
    if (ini.empty()) write_first_ini();

    bool ended = false;
    try {
        WinMain("/S", SW_SHOWNORMAL);
        ended = true;   // AppInit refused to start
    } catch (const headless_idle &) {
        release_saver(hwndApp);
    } catch (const process_exit &) {
        ended = true;   // released by AppExit
    }
    const unsigned stopped = ended ? rec.now : ms;

    // The last screen stays until the recording's end.
    if (rec.pending.empty() && rec.frames == 0) {
        rec.pending = rec.shot();
        rec.pending_at = 0;
    }
    rec.put(stopped > rec.pending_at ? stopped : rec.pending_at + frame_period());
    if (!rec.failed && !rec.gif.close(&rec.err)) rec.failed = true;
    const int frames = rec.frames;
    set_sys(previous);

    if (rec.failed) {
        std::fprintf(stderr, "vtl record: %s\n", rec.err.c_str());
        return 1;
    }
    if (ended) {
        std::fprintf(stderr, "vtl record: the saver ended after %.2f s; %s holds %d frames\n",
                     stopped / 1000.0, out.c_str(), frames);
        return 1;
    }
    std::printf("%s: %d frames, %.2f s at %ux%u\n", out.c_str(), frames, ms / 1000.0, unsigned(sw),
                unsigned(sh));
    return 0;
}

}  // namespace vortella
