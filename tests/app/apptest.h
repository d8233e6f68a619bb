// Fixture of the application tests: a headless backend, the settings file in
// a temporary folder, and the application's globals reset.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/app.h"
#include "support/testutil.h"

namespace vortella::test {

class app_test : public ::testing::Test {
protected:
    headless_services svc;
    tempdir dir;

    void SetUp() override {
        set_sys(&svc);
        profile_folder = dir.path;
        svc.module_path = "/opt/vortella/vortella";
        reset_app();
        iminv = 1;
        instdir = "/opt/vortella";
        mapsdir = "/opt/vortella/MAPS";
        sbackgroundbmp = "/opt/vortella/MAPS/BGROUND.BMP";
        default_entry();
    }
    void TearDown() override {
        profile_folder.clear();
        set_sys(nullptr);
    }

    std::string ini_path() const { return dir.file(ini_name); }
    void write_ini(const std::string &text) const { std::ofstream(ini_path()) << text; }
    // A key of the settings file, or "<none>".
    std::string ini(const char *section, const char *key) const {
        return ini_get_string(ini_path(), section, key, "<none>", 1000);
    }
    // A playlist of `n` entries named A0.VTL, A1.VTL, ... whose parameters
    // differ in their duration (1 + i % 15).
    void write_playlist_ini(int n) const {
        std::string t = "[Global]\nNoOfEntries=" + std::to_string(n) + "\nSpeed=12\nSequence=1\n[Entries]\n";
        for (int i = 0; i < n; ++i) {
            char k[64];
            std::snprintf(k, sizeof k, "EntryFN%03i=A%i.VTL\nEntryPM%03i=", i, i, i);
            t += k;
            t += "2,320,200," + std::to_string(1 + i % 15) + ",0,2,1,10,5,20,30,-4,45\n";
        }
        write_ini(t);
    }
    // Runs the playlist dialog with the script given so far.
    int run_pref() { return svc.dialog_box(dlg_pref, 0, Dialogpref); }
};

}  // namespace vortella::test
