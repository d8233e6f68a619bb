// The playlist in the settings file: [Global] values, one file name and one
// entry-parameter text per entry in [Entries], and the text format of the
// thirteen entry parameters.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"

namespace vortella {

const entry_param entry_params[13] = {
    {&amode, 1, 6, 1},      {&dsizex, 32, 2048, 100}, {&dsizey, 32, 2048, 100},
    {&ddur, 1, 15, 5},      {&useod, 0, 1, 0},        {&zoomm, 1, 3, 1},
    {&zoomf, 0, 1, 0},      {&camsa, 0, 359, 0},      {&camsp, -30, 30, 0},
    {&camat, -90, 90, 0},   {&litsa, 0, 359, 0},      {&litsp, -30, 30, 0},
    {&litat, -90, 90, 0},
};

entry_values get_entry() {
    entry_values v;
    for (size_t i = 0; i < v.size(); ++i) v[i] = *entry_params[i].value;
    return v;
}

void set_entry(const entry_values &v) {
    for (size_t i = 0; i < v.size(); ++i) *entry_params[i].value = v[i];
}

void default_entry() {
    for (const entry_param &p : entry_params) *p.value = p.def;
}

void parse_entry(const std::string &pm) {
    // Reads like "%i" fields separated by commas: each number may be
    // decimal, octal (leading 0) or hexadecimal (leading 0x) after optional
    // blanks; the comma must follow at once. The first field that does not
    // read ends the parse and leaves the rest as they were. Numbers beyond
    // the int range are held at its ends.
    const char *s = pm.c_str();
    for (int i = 0; i < 13; ++i) {
        if (i > 0) {
            if (*s != ',') return;
            ++s;
        }
        char *end = nullptr;
        long long v = std::strtoll(s, &end, 0);
        if (end == s) return;
        if (v > INT_MAX) v = INT_MAX;
        if (v < INT_MIN) v = INT_MIN;
        *entry_params[i].value = static_cast<int>(v);
        s = end;
    }
}

std::string format_entry() {
    std::string t;
    for (int i = 0; i < 13; ++i) {
        if (i > 0) t += ',';
        t += std::to_string(*entry_params[i].value);
    }
    return t;
}

void clamp_entry() {
    for (const entry_param &p : entry_params) {
        if (*p.value < p.lo) *p.value = p.lo;
        if (*p.value > p.hi) *p.value = p.hi;
    }
}

void read_global_settings() {
    services *s = sys();
    noent = s->get_profile_int("Global", "NoOfEntries", 0, ini_name);
    aspeed = s->get_profile_int("Global", "Speed", 10, ini_name);
    seqm = s->get_profile_int("Global", "Sequence", 0, ini_name);
    if (noent < 1) noent = 1;
    // The table has room for max_entries; any further entries are not read.
    if (noent > max_entries) noent = max_entries;
}

void read_entries() {
    services *s = sys();
    char key[24];
    for (int i = 0; i < noent; ++i) {
        std::snprintf(key, sizeof key, "EntryFN%03i", i);
        fna[i] = s->get_profile_string("Entries", key, "", entry_size, ini_name);
        std::snprintf(key, sizeof key, "EntryPM%03i", i);
        pma[i] = s->get_profile_string("Entries", key, "", entry_size, ini_name);
    }
}

void write_playlist() {
    services *s = sys();
    char key[24];
    int n = 0;
    for (int i = 0; i < noent; ++i) {
        if (fna[i].empty()) continue;
        std::snprintf(key, sizeof key, "EntryFN%03i", n);
        s->write_profile_string("Entries", key, fna[i].c_str(), ini_name);
        std::snprintf(key, sizeof key, "EntryPM%03i", n);
        s->write_profile_string("Entries", key, pma[i].c_str(), ini_name);
        ++n;
    }
    s->write_profile_string("Global", "NoOfEntries", std::to_string(n).c_str(), ini_name);
    s->write_profile_string("Global", "Speed", std::to_string(aspeed).c_str(), ini_name);
    s->write_profile_string("Global", "Sequence", std::to_string(seqm).c_str(), ini_name);
    s->write_profile_string("Misc", "Normal", std::to_string(iminv).c_str(), ini_name);
    s->write_profile_string("Misc", "BackgroundMap", sbackgroundbmp.c_str(), ini_name);
    s->write_profile_string("Misc", "MapsDirectory", mapsdir.c_str(), ini_name);
    s->write_profile_string("Misc", "InstallDirectory", instdir.c_str(), ini_name);
    s->write_profile_string("Misc", "PixelScale", std::to_string(pixscale).c_str(), ini_name);
}

std::string list_line(const std::string &file) {
    // Windows takes either slash between folders.
#ifdef _WIN32
    const size_t cut = file.find_last_of("\\/");
#else
    const size_t cut = file.rfind(pathsep);
#endif
    if (cut == std::string::npos) return file;
    // A file at the root keeps its root as its folder.
    const std::string folder = file.substr(0, cut == 0 || (cut == 2 && file[1] == ':') ? cut + 1 : cut);
    return file.substr(cut + 1) + "  (" + folder + ")";
}

int named_entry(int n) {
    if (n < 0) n = 0;
    for (int i = 0; i < noent; ++i) {
        if (fna[i].empty()) continue;
        if (n-- == 0) return i;
    }
    return -1;
}

}  // namespace vortella
