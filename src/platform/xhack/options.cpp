// The hack's command line and the pixel conversion to an X visual: plain
// logic the Xlib services build on.
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/xhack/xhack.h"

namespace vortella::xhack {

bool parse_window_id(const char *text, unsigned long &id) {
    if (!text) return false;
    const char *p = text;
    while (*p == ' ' || *p == '\t') ++p;
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    // strtoul alone would take a sign, blanks after "0x" and an empty
    // number; the digits are checked first.
    const char *digits = p;
    while (base == 16 ? std::isxdigit(static_cast<unsigned char>(*p)) != 0
                      : std::isdigit(static_cast<unsigned char>(*p)) != 0)
        ++p;
    if (p == digits) return false;
    const char *end = p;
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    if (*p) return false;
    errno = 0;
    char *stop = nullptr;
    unsigned long v = std::strtoul(digits, &stop, base);
    if (errno == ERANGE || stop != end || v == 0 || v > 0xFFFFFFFFul) return false;
    id = v;
    return true;
}

namespace {

// The switch without its leading dashes ("-root" and "--root" are one).
std::string switch_name(const std::string &a) {
    if (a.size() > 2 && a[0] == '-' && a[1] == '-') return a.substr(2);
    if (a.size() > 1 && a[0] == '-') return a.substr(1);
    return {};
}

}  // namespace

bool parse_options(const std::vector<std::string> &args, const char *env_window, options &o,
                   std::string &err) {
    o = options{};
    bool chosen = false, root = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string name = switch_name(args[i]);
        auto value = [&](const char *what) -> const std::string * {
            if (i + 1 >= args.size()) {
                err = args[i] + " needs " + what;
                return nullptr;
            }
            return &args[++i];
        };
        if (name == "window-id") {
            const std::string *v = value("a window id");
            if (!v) return false;
            if (!parse_window_id(v->c_str(), o.window_id)) {
                err = "bad window id \"" + *v + "\" (hexadecimal 0x... or decimal)";
                return false;
            }
            o.target = target_kind::window_id;
            chosen = true;
            root = false;
        } else if (name == "root") {
            chosen = root = true;
        } else if (name == "window") {
            o.target = target_kind::own_window;
            chosen = true;
            root = false;
        } else if (name == "fps") {
            o.fps = true;
        } else if (name == "no-fps") {
            o.fps = false;
        } else if (name == "display") {
            const std::string *v = value("a display name");
            if (!v) return false;
            o.display = *v;
        } else if (name == "help" || name == "h") {
            o.help = true;
        } else {
            err = "unknown argument \"" + args[i] + "\"";
            return false;
        }
    }
    // The daemon names the window it wants drawn in; with -root (or no
    // choice at all) that is the one, and only without it the real root.
    if (root || !chosen) {
        if (env_window && *env_window) {
            if (!parse_window_id(env_window, o.window_id)) {
                err = std::string("bad window id \"") + env_window + "\" in XSCREENSAVER_WINDOW";
                return false;
            }
            o.target = target_kind::window_id;
        } else {
            o.target = root ? target_kind::root : target_kind::own_window;
        }
    }
    return true;
}

const char *usage() {
    return "usage: vortella-hack [-root | -window | -window-id ID] [-fps] [-display NAME]\n"
           "  Plays the Vortella playlist (VORTELLA.INI) in the window the screen-saver\n"
           "  daemon names in XSCREENSAVER_WINDOW, in window ID, in the root window\n"
           "  (-root) or in a window of its own (-window). Ends on SIGTERM.\n";
}

// --- Pixels -------------------------------------------------------------------------

namespace {

// One channel into a mask: the 8-bit value scaled to the mask's width.
unsigned long channel(unsigned long mask, uint8_t v) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1ul)) ++shift;
    const unsigned long max = mask >> shift;   // all ones, the channel's width
    const unsigned long scaled = (v * max + 127u) / 255u;
    return (scaled << shift) & mask;
}

// widen_row for pixels of B bytes: a copy of known size is one store.
template <int B>
void widen(const uint8_t *px, int skip, int n, int k, uint8_t *dst) {
    int left = k - skip;   // copies of the current pixel still to write
    for (int i = 0; i < n; ++i, dst += B) {
        std::memcpy(dst, px, B);
        if (--left == 0) {
            px += B;
            left = k;
        }
    }
}

}  // namespace

unsigned long pack_rgb(const rgb_masks &m, uint8_t r, uint8_t g, uint8_t b) {
    return channel(m.red, r) | channel(m.green, g) | channel(m.blue, b);
}

bool convert_row(const uint8_t *src, int n, const unsigned long *lut, int bits_per_pixel,
                 bool msb_first, uint8_t *dst) {
    const int bytes = bits_per_pixel / 8;
    if (bits_per_pixel % 8 != 0 || bytes < 1 || bytes > 4) return false;
    if (bytes == 1) {
        for (int i = 0; i < n; ++i) dst[i] = uint8_t(lut[src[i]]);
        return true;
    }
    for (int i = 0; i < n; ++i) {
        const unsigned long v = lut[src[i]];
        uint8_t *d = dst + size_t(i) * size_t(bytes);
        for (int k = 0; k < bytes; ++k) {
            const int byte = msb_first ? bytes - 1 - k : k;
            d[k] = uint8_t(v >> (8 * byte));
        }
    }
    return true;
}

void widen_row(const uint8_t *px, int bytes, int skip, int n, int k, uint8_t *dst) {
    if (k < 1 || skip < 0 || skip >= k) return;
    switch (bytes) {
    case 1: widen<1>(px, skip, n, k, dst); break;
    case 2: widen<2>(px, skip, n, k, dst); break;
    case 3: widen<3>(px, skip, n, k, dst); break;
    case 4: widen<4>(px, skip, n, k, dst); break;
    }
}

}  // namespace vortella::xhack
