// The screen-saver hack backend: the saver drawn with plain Xlib into a
// window given by a screen-saver daemon (or the root window, or a window of
// its own), never taking input and ending cleanly on SIGTERM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vortella::xhack {

// ---------------------------------------------------------------------------
// Command line
// ---------------------------------------------------------------------------

// Where the hack draws.
enum class target_kind {
    own_window,   // a window of its own
    root,         // the root window of the default screen
    window_id,    // a window made by another program
};

struct options {
    target_kind target = target_kind::own_window;
    unsigned long window_id = 0;   // for target_kind::window_id
    bool fps = false;              // frames per second over the picture
    std::string display;           // X display name; empty: $DISPLAY
    bool help = false;
};

// A window id as daemons write it: "0x" (or "0X") and hexadecimal digits,
// or decimal digits, with blanks around allowed. False for anything else,
// for 0 and for a value beyond 32 bits (X ids have 29).
bool parse_window_id(const char *text, unsigned long &id);

// The hack's arguments (without the program name) and the value of
// XSCREENSAVER_WINDOW (null when unset). Switches take one or two dashes:
//   -window-id ID   that window
//   -root           the window XSCREENSAVER_WINDOW names, else the root
//   -window         a window of its own
//   -fps            frames per second over the picture
//   -display NAME   the X display
//   -help           usage
// The last of -window-id, -root and -window wins. Without any of them the
// hack draws into the window XSCREENSAVER_WINDOW names, else into a window
// of its own. False with `err` set for an unknown switch, a missing value
// or a bad window id.
bool parse_options(const std::vector<std::string> &args, const char *env_window, options &o,
                   std::string &err);

// The usage text.
const char *usage();

// ---------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------

// The colour masks of a true-colour visual.
struct rgb_masks {
    unsigned long red, green, blue;
};

// The pixel value of an 8-bit-per-channel colour in a visual with these
// masks: each channel scaled to its mask's width (rounded) and shifted into
// place. Masks need not be 8 bits wide (15, 16 and 30-bit visuals).
unsigned long pack_rgb(const rgb_masks &m, uint8_t r, uint8_t g, uint8_t b);

// Writes `n` pixels, lut[src[i]] each, to `dst` as an X image row of
// `bits_per_pixel` (8, 16, 24 or 32) in the image's byte order (msb_first:
// most significant byte first). False for any other pixel size; then
// nothing is written.
bool convert_row(const uint8_t *src, int n, const unsigned long *lut, int bits_per_pixel,
                 bool msb_first, uint8_t *dst);

// Writes `n` pixels of `bytes` bytes each to `dst`, every pixel of `px`
// (image pixels, already converted) repeated `k` times, the first one only
// k - skip times (the row starts `skip` pixels into its block).
void widen_row(const uint8_t *px, int bytes, int skip, int n, int k, uint8_t *dst);

// ---------------------------------------------------------------------------
// The backend
// ---------------------------------------------------------------------------

// Makes SIGTERM, SIGINT and SIGHUP only ask the message loop to end (the
// main window then closes as at any other end, and the process ends with
// status 0). Called first thing, so a signal never cuts a settings file
// write short.
void install_stop_handlers();

// Opens the display and the window the options name. Null with `err` set
// when the display cannot be opened or the window does not exist.
services *open(const options &o, std::string *err);

}  // namespace vortella::xhack
