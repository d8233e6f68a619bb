// The screen-saver application: start-up settings, the playlist and its
// entry parameters, the window procedure that sequences the scenes and
// presents the frames, and the configuration dialogs.
//
// All state of this subsystem is declared here. Globals it shares with the
// renderer live with their subsystem: picw, pich and iminv (view), camsa
// and camat (pipeline).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/platform.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/scene.h"
#include "view/view.h"

namespace vortella {

// ---------------------------------------------------------------------------
// Settings and start-up
// ---------------------------------------------------------------------------

// The settings file, a bare name the profile service resolves.
constexpr const char *ini_name = "VORTELLA.INI";
// Longest folder or file path kept from the settings, with its terminator.
constexpr size_t path_size = 256;

inline HWND hwndApp;
inline std::string instdir;    // installation folder: help file, executable
inline int noproc;             // 1 in the configuration role: load no scenes
inline int Configuring;        // set when the playlist dialog closes
inline int paldev = 1;         // the display is a 256-colour palette device
inline int picw2, pich2;       // one third of the picture
inline int picw3, pich3;       // two thirds of the picture
inline std::string mapsdir;    // folder the loader searches for texture maps
inline std::string sbackgroundbmp;   // the background bitmap's file name
inline int pixscale;           // pixel scale setting: 0 Auto, else 1..max_pixel_scale

// Whether the whole command line asks for the saver role ("/s", "-s", "/S"
// or "-S"); anything else is the configuration role.
bool saver_command(const char *cmdline);
// Whether the command line asks for the small preview inside a window the
// system gives: "/p" or "-p" in either case, then the window's handle as a
// decimal number after blanks or a colon. `parent` gets the handle, 0 when
// the line names none.
bool preview_command(const char *cmdline, uintptr_t *parent);
// The executable's folder: its path up to the last separator, or empty.
std::string executable_dir();
// Writes a first settings file whose playlist names the built-in demo
// scenes (as files beside the executable, which the loader finds built in
// when no such file exists), when there is no settings file yet. True when
// it wrote one.
bool write_first_ini();
// Largest pixel scale the settings offer.
constexpr int max_pixel_scale = 4;

// [Misc] settings: iminv, instdir, mapsdir, sbackgroundbmp and pixscale,
// with defaults built from the executable's folder (pixel scale Auto).
void read_misc_settings();
// Start values of the picture and camera settings before any scene.
void set_start_values();
// Clamps picw to 320..2048 and pich to 200..2048.
void clamp_picture_size();
// picw1, picw2, picw3, picw_1 and the same for pich, from picw and pich.
void set_picture_sizes();

// ---------------------------------------------------------------------------
// Playlist
// ---------------------------------------------------------------------------

constexpr int max_entries = 100;
// Longest scene file name or parameter text read from the settings file,
// with its terminator.
constexpr size_t entry_size = 128;

inline std::string fna[max_entries];   // scene file name of each entry
inline std::string pma[max_entries];   // entry-parameter text of each entry
inline int noent;                      // entries in the table
inline int curent;                     // entry to play next
inline int aspeed;                     // frames per second, 1..18 by the dialog
inline int seqm;                       // 0 random order, 1 playlist order

// The current entry's parameters (camsa and camat live in the pipeline).
inline int amode;    // screen animation 1..6
inline int dsizex;   // picture width
inline int dsizey;   // picture height
inline int ddur;     // minutes on screen
inline int useod;    // 1: the scene's own camera and light motion
inline int zoomm;    // zoom 1 none, 2 x2, 3 x3
inline int zoomf;    // 1: fast zoom
inline int camsp;    // camera speed, degrees per frame
inline int litsa;    // light start angle, degrees
inline int litsp;    // light speed, degrees per frame
inline int litat;    // light altitude, degrees

// One entry parameter: the global, the entry dialog's range and the value a
// new playlist starts from. In text order.
struct entry_param {
    int *value;
    int lo, hi, def;
};
extern const entry_param entry_params[13];

// The thirteen parameters as values, in text order, to keep and put back.
using entry_values = std::array<int, 13>;
entry_values get_entry();
void set_entry(const entry_values &v);

// Sets the entry parameters to the values a new playlist starts from.
void default_entry();
// Reads an entry-parameter text ("%i,%i,...", thirteen integers) into the
// parameters; values the text does not hold keep what they had.
void parse_entry(const std::string &pm);
// The entry-parameter text of the current parameters.
std::string format_entry();
// Clamps every parameter into the entry dialog's range.
void clamp_entry();

// [Global] NoOfEntries, Speed and Sequence into noent (1..100), aspeed and
// seqm.
void read_global_settings();
// Entries 0 .. noent - 1 into fna and pma.
void read_entries();
// Writes the playlist: named entries renumbered from 0, the [Global] values
// and the [Misc] settings.
void write_playlist();
// Index of the n-th entry (from 0) with a non-empty name; n below 0 counts
// as 0. -1 when there are not that many.
int named_entry(int n);
// How the playlist dialog lists a scene file: its name first, then its
// folder in parentheses (none for a bare name), so that entries are told
// apart in a narrow list. What is stored stays the full name.
std::string list_line(const std::string &file);

// ---------------------------------------------------------------------------
// The saver: start-up, window messages, scene sequencing, presentation
// ---------------------------------------------------------------------------

// Id of the frame timer.
constexpr unsigned frame_timer_id = 1;
// The saver ends and starts itself again after this many ms of running.
constexpr unsigned restart_after = 10800000;
// Screen rectangle blackened before the first frame of an entry (at least
// this much; a larger screen is blackened whole).
constexpr int black_extent = 2048;

// When set, the saver does not end and start itself again after
// restart_after: it switches to the next entry in place, which frees and
// reloads everything an entry holds (for a process owned by another
// program, such as a screen-saver daemon).
inline bool restart_in_place;
inline unsigned maintime;                    // the frame timer's id once started
inline unsigned nTimerRes;                   // multimedia timer resolution, ms; 0 none
inline unsigned FirstTime, LastTime;         // tick count at start, at the last switch
inline unsigned diffTime;                    // tick count since the last switch
inline int bypassd;                          // 1 while an entry is switched: draw nothing
inline int ftan = 1;                         // 1 until the first entry is loaded
inline int ftmc;                             // mouse moves seen so far (up to 2)
inline int ftsw;                             // 1: blacken the screen before the next frame
inline int force_blit;                       // 1: copy the picture at the next frame
inline int force_redraw;                     // 1: the view must be rendered
inline int clickignore, scin, slastx, slasty;   // input state reset on every switch
inline std::string current_file;             // scene file being loaded
inline std::string openpath;                 // its folder, with the trailing separator
inline std::string openfn;                   // its file-name part
inline int initvx, initvy, initpx, initpy;   // start velocity and position of the picture
inline int currvx, currvy;                   // picture velocity on the screen
inline int currpx, currpy, prevpx, prevpy;   // current and previous position, on playmon
inline screen_rect playmon;                  // the monitor the picture plays on
inline int pixk = 1;                         // a picture pixel is pixk x pixk screen pixels
inline WPARAM fAppActive;                    // last activation state
inline unsigned prevtime;                    // mm time of the last rendered frame, 0 none
inline float frametime, framerate;           // ms between the last two frames, per second

// The off-screen picture: its pixels (null until one is made, or when the
// last one could not be set up) and the size it was made with.
inline uint8_t *image_bits;
inline int image_w, image_h;

// Show state the window is shown with.
constexpr int SW_SHOWNORMAL = 1;

// The program: AppInit, then the message loop. Returns only when AppInit
// fails (with 0); otherwise the process ends inside AppExit.
int WinMain(const char *cmdline, int show);
// Settings, display check, palette and the main window; the role from the
// whole command line. 1 on success, 0 to end the program.
int AppInit(const char *cmdline, int show);
// Called when the message loop has received the quit message. Always 1.
int AppIdle();
// Releases everything and ends the process with status 0.
[[noreturn]] void AppExit(HWND hwnd);
// What AppExit releases, without ending the process (for a caller that
// stops the message loop from outside, such as a recording).
void release_saver(HWND hwnd);
// The main window's procedure.
LRESULT AppWndProc(HWND hwnd, unsigned msg, WPARAM wParam, LPARAM lParam);
// One frame: camera step, render, copy to the screen, move the picture.
int AppPaint(HWND hwnd);

// Where the frame step shows its pictures: a screen of width() x height()
// pixels, black but for the pictures copied onto it. The saver's is its
// window on the platform's screen; a preview's is the picture of a monitor
// in a dialog's pane.
struct frame_screen {
    virtual ~frame_screen() = default;
    virtual int width() = 0;
    virtual int height() = 0;
    virtual void fill_black(int x, int y, int w, int h) = 0;
    // Copies the whole current picture with its top-left corner at (x, y),
    // every pixel a block of scale x scale.
    virtual void copy_picture(int x, int y, int scale) = 0;
};
// The frame step AppPaint takes on the saver's window, on any screen: the
// whole screen blackened once per entry, the camera step, the frame
// rendered and copied to (playmon.x + currpx, playmon.y + currpy), the
// picture moved for the bouncing modes.
int paint_frame(frame_screen &screen);
// The picture for the current entry on `monitor` (screen coordinates; a
// monitor of a display of dw x dh): playmon, the pixel scale, picw and pich
// (from dsizex and dsizey when `sized`, else as they are), the start
// place and velocity, and the background bitmap a scene with a bitmap
// background needs. What a size message does before it makes the picture.
void lay_out_picture(const screen_rect &monitor, int dw, int dh, bool sized);
// Loads a scene file as an entry switch does: current_file, openpath and
// openfn from its name, and its maps looked for beside it and in mapsdir.
load_result load_scene(const std::string &file);

// Applies the current entry's motion to the loaded scene, as an entry
// switch does: the zoom's speed and range from the camera's distance, and
// unless the entry keeps the scene's own motion (useod), the camera's
// rotation, start angle and altitude and the light's angle and altitude.
void apply_entry_motion();
// What follows every drawn frame: the zoom step when the entry zooms, and
// the light's step unless the entry keeps the scene's own motion.
void after_frame();
// Scales a picture size of the playlist (w x h, pixels of the whole
// display dw x dh) for a screen of sw x sh: unchanged when the screen is as
// large as the display in both directions, else both sides times the smaller
// of the two ratios screen / display, so the picture keeps its shape and
// its share of the screen.
void scale_to_screen(int &w, int &h, int sw, int sh, int dw, int dh);
// The pixel scale Auto picks for a monitor of `rows` rows: the entry sizes
// are meant for about 1080 rows, so max(1, rows / 1080 rounded).
int auto_pixel_scale(int rows);
// Full screen on a monitor of mw x mh at pixel scale k: k raised until the
// picture fits the picture limit, and the picture's size at that scale in
// whole 16 x 4 blocks (at most 15 columns and 3 rows of picture pixels, and
// what k does not divide, are left over).
void full_screen_picture(int mw, int mh, int &k, int &w, int &h);
// Frame timer period in ms for aspeed frames per second.
unsigned frame_period();
// Command line that starts the saver again: the program's own executable
// and "/S".
std::string restart_command();

// ---------------------------------------------------------------------------
// Configuration dialogs
// ---------------------------------------------------------------------------

inline std::string nentn;        // file name being edited; empty: cancelled
inline int nSelection;           // selected playlist line
inline std::string cSelection;   // its text
inline int canall;               // 1: the playlist dialog was cancelled

// Playlist dialog "Dialogpref".
namespace pref_id {
constexpr int list = 201, add = 202, edit = 203, remove = 204, setup = 16, speed = 423,
              random = 14, ordered = 15, normal = 17, inverted = 18, ok = 200, cancel = 2,
              help = 431, preview = 205;
}
// Entry dialog "Cfgent".
namespace cfgent_id {
constexpr int file = 45, browse = 13, duration = 421, xsize = 429, ysize = 430, bounce = 415,
              bounce_rev = 416, center = 417, random = 418, arrayed = 419, full_screen = 420,
              object_defaults = 428, light_angle = 425, light_speed = 426, light_altitude = 427,
              camera_angle = 422, camera_speed = 423, camera_altitude = 424, zoom_none = 14,
              zoom_x2 = 15, zoom_x3 = 16, fast = 17, ok = 1, cancel = 2, help = 431, preview = 432;
}
// Setup dialog "DIASET".
namespace diaset_id {
constexpr int install_dir = 45, maps_dir = 19, background_map = 20, ok = 1, cancel = 2, help = 431;
// Pixel scale: Auto, then 1 .. max_pixel_scale, in this order.
constexpr int scale_auto = 21, scale_4 = 25;
static_assert(scale_4 - scale_auto == max_pixel_scale);
}

extern const dialog_template dlg_pref, dlg_cfgent, dlg_diaset;

int Dialogpref(HWND dlg, unsigned msg, WPARAM wParam, LPARAM lParam);
int Diacfg1(HWND dlg, unsigned msg, WPARAM wParam, LPARAM lParam);
int Diaset(HWND dlg, unsigned msg, WPARAM wParam, LPARAM lParam);

// Help: VORTELLA.HLP in the installation folder where a user still has
// one, else the help page at the section `section` ("playlist", "entry"
// or "setup").
void open_help(HWND owner, const char *section);
// The help page: the one the program carries inside it (Windows), written
// beside the settings file when that copy is missing or differs; else the
// page installed in the data folder (<bin>/../share/vortella) or lying
// beside the executable (a build). Empty when there is none.
std::string help_page();
// Name of the help page the program carries and of the copy it writes.
constexpr const char *help_resource = "VORTELLA_HELP";
constexpr const char *help_copy_name = "VORTELLA.HTML";
// The page a help section is opened through: a file beside the settings
// that sends the browser on to page#section (a file name with a fragment
// cannot be handed to the system's opener: it loses the fragment).
constexpr const char *help_section_name = "VORTELLA-HELP.HTML";
// That file's text, for a page and the file `from` it is written to.
std::string help_section_page(const std::string &page, const std::string &from, const char *section);

// ---------------------------------------------------------------------------
// Preview
// ---------------------------------------------------------------------------

// The playlist and entry dialogs play an entry in a picture pane, as the
// saver plays it: the pane stands for the playing monitor at the pane's
// scale, and the entry's picture is laid out, rendered and moved on it by
// the saver's own code, at the frame rate of "Speed". In the configuration
// role nothing else draws, so the preview owns the renderer's state (the
// scene, camera and light, the picture) and the saver's picture globals
// above. The entry parameters it plays are a copy of its own, swapped in
// for each of its steps: the dialogs' values are never touched, and it
// never writes the settings file.

// The preview's timer, a dialog timer of the dialog it plays in.
constexpr unsigned preview_timer_id = 1;
inline HWND pvdlg;                       // dialog whose pane plays, 0 none
inline int pvpane;                       // the pane's item id
inline std::string pvfile;               // the scene file played
inline entry_values pvparams;            // its entry parameters
inline int pvrestart;                    // 1: play from the start at the next tick
inline int pvw, pvh;                     // the pane in pixels
inline screen_rect pvmon;                // the monitor within the pane
inline std::vector<uint8_t> pvscreen;    // what the pane shows, pvw x pvh, top row first
inline std::vector<uint8_t> pvpicture;   // the off-screen picture's pixels
inline std::string pvmessage;            // why no picture plays, shown in its place

// Plays `file` in pane `pane` of `dlg` with the entry parameters as they
// are now, from its start and at once; the dialog's timer brings the
// frames. An empty name, or a file that cannot be loaded, shows why in the
// pane instead.
void preview_play(HWND dlg, int pane, const std::string &file);
// The file or the entry parameters changed: taken as they are now, and
// played from the start at the next tick.
void preview_change(const std::string &file);
// "Speed" changed: the frames come at its rate from now on.
void preview_speed();
// A tick of the preview's timer: one frame, as a saver's tick draws it.
void preview_tick();
// Stops playing: the timer killed, the scene and the picture released.
void preview_stop();
// The largest rectangle of a display's shape (dw x dh) inside a pane of
// pw x ph, centred: where the pane shows the monitor.
screen_rect monitor_in_pane(int pw, int ph, int dw, int dh);

// ---------------------------------------------------------------------------
// Start values
// ---------------------------------------------------------------------------

// Every global of this subsystem as a fresh process has it, except
// restart_in_place, which the program sets before it starts.
void reset_app();

}  // namespace vortella
