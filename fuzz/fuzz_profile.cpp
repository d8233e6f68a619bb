// The settings file: the input is the whole INI file. Every value the saver
// reads is read, through the profile module directly and through the
// platform services as start-up does; every entry's parameter text is
// parsed and clamped. Then one value is written, and reading back must give
// it while every other value reads as before.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "fuzzutil.h"

using namespace vortella;

namespace {

struct key {
    const char *section, *name;
};

// What the saver reads, and a few names that only differ in case.
const key keys[] = {
    {"Global", "NoOfEntries"}, {"Global", "Speed"},          {"Global", "Sequence"},
    {"Misc", "Normal"},        {"Misc", "InstallDirectory"}, {"Misc", "MapsDirectory"},
    {"Misc", "BackgroundMap"}, {"Entries", "EntryFN000"},    {"Entries", "EntryPM000"},
    {"Entries", "EntryFN001"}, {"Entries", "EntryPM001"},    {"ENTRIES", "entrypm002"},
    {"Misc", "PixelScale"},
};

const std::string &folder() {
    static const std::string d = [] {
        char tmpl[] = "/tmp/vortella-fuzz-XXXXXX";
        const char *p = mkdtemp(tmpl);
        if (!p) fuzz::fail("cannot make a temporary folder");
        return std::string(p);
    }();
    return d;
}

bool writefile(const std::string &path, const uint8_t *data, size_t size) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// A value a writer would store: printable, no quotes, no blanks at the ends.
std::string value_from(const uint8_t *data, size_t size) {
    std::string v;
    for (size_t i = 0; i < size && v.size() < 40; ++i) {
        const char c = char(data[size - 1 - i]);
        if (c > ' ' && c < 127 && c != '"') v += c;
    }
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    headless_services svc;
    set_sys(&svc);
    profile_folder = folder();
    const std::string path = profile_path(ini_name);
    if (!writefile(path, data, size)) fuzz::fail("cannot write the settings file");

    std::string before[sizeof keys / sizeof keys[0]];
    for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
        before[i] = ini_get_string(path, keys[i].section, keys[i].name, "<none>", entry_size);
        VT_FUZZ_CHECK(before[i].size() < entry_size);
        ini_get_int(path, keys[i].section, keys[i].name, -7);
    }

    // Start-up's reads and each entry's parameters.
    read_global_settings();
    VT_FUZZ_CHECK(noent >= 1 && noent <= max_entries);
    read_entries();
    read_misc_settings();
    VT_FUZZ_CHECK(pixscale >= 0 && pixscale <= max_pixel_scale);
    for (int i = 0; i < noent; ++i) {
        default_entry();
        parse_entry(pma[i]);
        clamp_entry();
        for (const entry_param &p : entry_params) VT_FUZZ_CHECK(*p.value >= p.lo && *p.value <= p.hi);
    }

    // One write: read back as written, everything else unchanged.
    const std::string v = value_from(data, size);
    if (ini_write_string(path, "Entries", "EntryPM000", v.c_str())) {
        VT_FUZZ_CHECK(ini_get_string(path, "Entries", "EntryPM000", "<none>", entry_size) ==
                      v.substr(0, entry_size - 1));
        for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i) {
            if (keys[i].name == std::string("EntryPM000")) continue;
            VT_FUZZ_CHECK(ini_get_string(path, keys[i].section, keys[i].name, "<none>", entry_size) == before[i]);
        }
    }
    std::remove(path.c_str());
    profile_folder.clear();
    set_sys(nullptr);
    return 0;
}
