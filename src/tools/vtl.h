// Commands of the vtl tool. Each takes the arguments after its name and
// returns the exit status.
#pragma once

#include "platform/headless/headless.h"

namespace vortella {

// The headless backend, with message boxes on stderr.
struct tool_services : headless_services {
    int message_box(const char *text, const char *caption, unsigned type) override;
};

// vtl info SCENE.vtl [--json] [--maps DIR] [--background BMP]
// Exit status: 0 loaded, 1 cannot open (or a map it names is missing),
// 2 malformed or bad arguments.
int cmd_info(int argc, char **argv);

// vtl sample SCENE.vtl: writes the sample scene and its map.
int cmd_sample(int argc, char **argv);

// vtl render SCENE.vtl -o OUT [--size WxH] [--frames N] ...: renders frames
// as the saver does. Exit status: 0 written, 1 cannot open, 2 malformed or
// bad arguments.
int cmd_render(int argc, char **argv);

// vtl demo -o DIR: writes the demo scenes and their bitmaps.
int cmd_demo(int argc, char **argv);

// vtl gallery -o DIR: a PNG still of every built-in scene and one animated
// GIF, as vtl render makes them. Exit status as vtl render's.
int cmd_gallery(int argc, char **argv);

// vtl build MODEL|SCENE.json -o SCENE.vtl [...]: compiles a model or a scene
// description. Exit status: 0 written, 2 failed (the message on stderr).
int cmd_build(int argc, char **argv);

// vtl record [--ini FILE] [--seconds S] [--screen MONITORS] [--scale K]
// -o OUT.gif: the saver on a virtual screen for S seconds of virtual time
// (default 10, on one 640 x 480 monitor), one GIF frame per frame-timer
// tick; without --ini it plays the demo playlist. MONITORS is "WxH", or
// several joined by "," each placed with "@X,Y" or right of the one before
// ("1920x1080,2560x1440@1920,0"); the picture plays on the first and the
// GIF holds them all. K is the pixel scale, "auto" or 1..4 (default: the
// settings'). Exit status: 0 written, 1 the saver ended early or the file
// cannot be written, 2 bad arguments.
int cmd_record(int argc, char **argv);

}  // namespace vortella
