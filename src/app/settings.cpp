// Start-up settings: the role from the command line, the [Misc] settings
// with their executable-relative defaults, the first settings file of a
// fresh installation, and the picture's start size.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "authoring/demos.h"

namespace vortella {

bool saver_command(const char *cmdline) {
    if (!cmdline) return false;
    return !std::strcmp(cmdline, "/s") || !std::strcmp(cmdline, "-s") ||
           !std::strcmp(cmdline, "/S") || !std::strcmp(cmdline, "-S");
}

bool preview_command(const char *cmdline, uintptr_t *parent) {
    if (parent) *parent = 0;
    if (!cmdline || (cmdline[0] != '/' && cmdline[0] != '-') || (cmdline[1] != 'p' && cmdline[1] != 'P'))
        return false;
    const char *p = cmdline + 2;
    if (*p && *p != ' ' && *p != ':' && *p != '\t') return false;   // "/pq" is no preview
    while (*p == ' ' || *p == '\t' || *p == ':') ++p;
    uintptr_t h = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const uintptr_t next = h * 10 + uintptr_t(*p - '0');
        // A number too large for a handle names no window.
        if (next / 10 != h) return true;
        h = next;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (parent && *p == 0) *parent = h;
    return true;
}

std::string executable_dir() {
    std::string exe = sys()->module_file_name();
    size_t cut = exe.rfind(pathsep);
    return cut == std::string::npos ? std::string() : exe.substr(0, cut);
}

bool write_first_ini() {
    services *s = sys();
    if (s->profile_exists(ini_name)) return false;
    std::string dir = executable_dir();
    char key[24];
    for (int i = 0; i < demo_scene_count; ++i) {
        std::snprintf(key, sizeof key, "EntryFN%03i", i);
        s->write_profile_string("Entries", key, (dir + pathsep + demo_scenes[i].name).c_str(),
                                ini_name);
        std::snprintf(key, sizeof key, "EntryPM%03i", i);
        s->write_profile_string("Entries", key, demo_scenes[i].params, ini_name);
    }
    s->write_profile_string("Global", "NoOfEntries", std::to_string(demo_scene_count).c_str(),
                            ini_name);
    s->write_profile_string("Global", "Speed", "10", ini_name);
    // Random order: every run starts somewhere else in the gallery.
    s->write_profile_string("Global", "Sequence", "0", ini_name);
    return true;
}

void read_misc_settings() {
    services *s = sys();
    iminv = s->get_profile_int("Misc", "Normal", 1, ini_name);
    // The defaults come from the executable's folder, never from the
    // "InstallDirectory" value.
    std::string dir = executable_dir();
    instdir = s->get_profile_string("Misc", "InstallDirectory", dir.c_str(), path_size, ini_name);
    std::string def = dir + pathsep + "MAPS";
    mapsdir = s->get_profile_string("Misc", "MapsDirectory", def.c_str(), path_size, ini_name);
    def += pathsep;
    def += "BGROUND.BMP";
    sbackgroundbmp = s->get_profile_string("Misc", "BackgroundMap", def.c_str(), path_size, ini_name);
    // A file from before the setting has no key: Auto. A hand-edited value
    // out of range plays as the nearest one the dialog offers.
    pixscale = s->get_profile_int("Misc", "PixelScale", 0, ini_name);
    if (pixscale < 0) pixscale = 0;
    if (pixscale > max_pixel_scale) pixscale = max_pixel_scale;
}

void set_start_values() {
    picw = 320;
    pich = 200;
    sbackground = 0;
    movem = 0;
    focl = 1.93f;
    CamFHeight = 1.7f;
    maxmpass = 3;
    rmergesw = 0;
}

void clamp_picture_size() {
    if (picw < 320) picw = 320;
    if (picw > pic_max) picw = pic_max;
    if (pich < 200) pich = 200;
    if (pich > pic_max) pich = pic_max;
}

void set_picture_sizes() {
    picw2 = picw / 3;
    picw3 = picw2 * 2;
    picw1 = picw / 2;
    pich2 = pich / 3;
    pich3 = pich2 * 2;
    pich1 = pich / 2;
    picw_1 = picw - 1;
    pich_1 = pich - 1;
}

}  // namespace vortella
