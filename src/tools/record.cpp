// vtl record: runs the saver on the headless backend for a span of virtual
// time and writes the whole virtual screen after every frame-timer tick as
// an animated GIF: black screen, bouncing picture and entry switches as a
// user would see them.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "authoring/demos.h"
#include "tools/image/image.h"
#include "tools/vtl.h"

namespace vortella {

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vtl record [--ini FILE] [--seconds S] [--screen WxH] -o OUT.gif\n");
    return 2;
}

bool parsesize(const char *s, int &w, int &h) {
    char x = 0, extra = 0;
    return std::sscanf(s, "%d%c%d%c", &w, &x, &h, &extra) == 3 && (x == 'x' || x == 'X') &&
           w >= 32 && h >= 32 && w <= 4096 && h <= 4096;
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
    int sw = 640, sh = 480;
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
            if (!parsesize(argv[++i], sw, sh)) return usage();
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
    rec.screen_w = sw;
    rec.screen_h = sh;
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
