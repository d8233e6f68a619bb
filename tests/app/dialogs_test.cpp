// The configuration dialogs, driven by scripted actions on the headless
// backend.
#include "apptest.h"

namespace vortella::test {
namespace {

namespace P = pref_id;
namespace C = cfgent_id;
using strings = std::vector<std::string>;

struct dialogs : app_test {
    // Clicks OK in the playlist dialog and runs the script.
    int ok() {
        svc.do_click(P::ok);
        return run_pref();
    }
    // The values of keys of one section, "<none>" for those missing.
    strings keys(const char *section, std::initializer_list<const char *> names) const {
        strings v;
        for (const char *k : names) v.push_back(ini(section, k));
        return v;
    }
};

strings list_of(headless_services &svc) {
    return svc.closed_dialogs.at("Dialogpref").items.at(P::list).lines;
}

TEST_F(dialogs, AddThenCancelLeavesThePlaylistUnchanged) {
    write_playlist_ini(2);
    svc.do_click(P::add);
    svc.do_type(C::file, "NEW.VTL");
    svc.do_click(C::cancel);
    EXPECT_EQ(ok(), IDOK);
    EXPECT_EQ(svc.dialogs_run, (strings{"Dialogpref", "Cfgent"}));
    EXPECT_EQ(list_of(svc), (strings{"A0.VTL", "A1.VTL"}));
    EXPECT_EQ(ini("Global", "NoOfEntries"), "2");
    EXPECT_EQ(ini("Entries", "EntryFN002"), "<none>");
    EXPECT_EQ(Configuring, 1);
}

TEST_F(dialogs, NewEntryStartsFromTheLastEntryInTheFile) {
    write_playlist_ini(3);   // the last has duration 3
    svc.do_click(P::add);
    svc.do_type(C::file, "NEW.VTL");
    svc.do_type(C::xsize, "640");
    svc.do_click(C::ok);
    ok();
    const auto &cfg = svc.closed_dialogs.at("Cfgent");
    EXPECT_EQ(cfg.title, "Add VTL File");
    EXPECT_EQ(cfg.items.at(C::duration).text, "3");
    for (int id : {C::bounce_rev, C::zoom_x2, C::fast}) EXPECT_EQ(cfg.items.at(id).check, BST_CHECKED) << id;
    EXPECT_EQ(ini("Global", "NoOfEntries"), "4");
    EXPECT_EQ(keys("Entries", {"EntryFN003", "EntryPM003"}),
              strings({"NEW.VTL", "2,640,200,3,0,2,1,10,5,20,30,-4,45"}));
}

TEST_F(dialogs, DeletingEntry2Of4RenumbersTheRest) {
    write_playlist_ini(4);
    svc.do_select(P::list, 1);
    svc.do_click(P::remove);
    ok();
    EXPECT_EQ(list_of(svc), (strings{"A0.VTL", "A2.VTL", "A3.VTL"}));
    EXPECT_EQ(ini("Global", "NoOfEntries"), "3");
    // The old last key stays behind, beyond the count.
    EXPECT_EQ(keys("Entries", {"EntryFN000", "EntryFN001", "EntryFN002", "EntryFN003", "EntryPM001"}),
              strings({"A0.VTL", "A2.VTL", "A3.VTL", "A3.VTL", "2,320,200,3,0,2,1,10,5,20,30,-4,45"}));
    EXPECT_EQ(ini("Misc", "InstallDirectory"), "/opt/vortella");
}

TEST_F(dialogs, SpeedIsClampedTo1Through18) {
    write_playlist_ini(1);
    svc.do_type(P::speed, "0");
    ok();
    EXPECT_EQ(ini("Global", "Speed"), "1");
    svc.do_type(P::speed, "40");
    svc.do_click(P::ordered);
    svc.do_click(P::random);
    svc.do_click(P::inverted);
    ok();
    EXPECT_EQ(keys("Global", {"Speed", "Sequence"}), strings({"18", "0"}));
    EXPECT_EQ(ini("Misc", "Normal"), "0");
    EXPECT_EQ(svc.closed_dialogs.at("Dialogpref").items.at(P::speed).text, "40");
}

TEST_F(dialogs, EditAndDeleteWithoutSelectionActOnTheFirstNamedEntry) {
    write_playlist_ini(3);
    svc.do_click(P::edit);   // nSelection still 0
    svc.do_type(C::file, "FIRST.VTL");
    svc.do_click(C::ok);
    svc.do_select(P::list, -1);
    svc.do_click(P::remove);
    ok();
    EXPECT_EQ(nSelection, -1);
    EXPECT_EQ(list_of(svc), (strings{"A1.VTL", "A2.VTL"}));
    EXPECT_EQ(ini("Global", "NoOfEntries"), "2");
    EXPECT_EQ(ini("Entries", "EntryFN000"), "A1.VTL");
}

TEST_F(dialogs, EditAndDeletePastTheNamedEntriesDoNothing) {
    // An empty name still gets a list line, but no entry stands behind it.
    write_ini("[Global]\nNoOfEntries=2\n[Entries]\nEntryFN000=A.VTL\nEntryPM000=1,100,100,5,0,1,0,0,0,0,0,0,0\n");
    svc.do_select(P::list, 1);
    svc.do_click(P::edit);
    svc.do_click(P::remove);
    ok();
    EXPECT_EQ(svc.dialogs_run.size(), 1u);   // no entry dialog
    EXPECT_EQ(list_of(svc), (strings{"A.VTL", ""}));
    EXPECT_EQ(ini("Global", "NoOfEntries"), "1");
    EXPECT_EQ(ini("Entries", "EntryFN000"), "A.VTL");
}

TEST_F(dialogs, AFullTableRefusesAdditionsUntilAnEntryIsDeleted) {
    write_playlist_ini(100);
    svc.do_click(P::add);
    svc.do_select(P::list, 0);
    svc.do_click(P::remove);
    svc.do_click(P::add);
    svc.do_type(C::file, "NEW.VTL");
    svc.do_click(C::ok);
    ok();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.dialogs_run.size(), 2u);   // the first ADD opened nothing
    EXPECT_EQ(ini("Global", "NoOfEntries"), "100");
    EXPECT_EQ(keys("Entries", {"EntryFN000", "EntryFN099"}), strings({"A1.VTL", "NEW.VTL"}));
}

TEST_F(dialogs, CancelWritesNothing) {
    svc.do_click(P::add);
    svc.do_type(C::file, "NEW.VTL");
    svc.do_click(C::ok);
    svc.do_click(P::cancel);
    EXPECT_EQ(run_pref(), IDCANCEL);
    EXPECT_EQ(canall, 1);
    EXPECT_EQ(Configuring, 1);
    EXPECT_FALSE(svc.profile_exists(ini_name));
}

TEST_F(dialogs, EntryDialogClampsWhatItShowsAndWhatIsTyped) {
    write_ini("[Global]\nNoOfEntries=1\n[Entries]\nEntryFN000=A.VTL\n"
              "EntryPM000=9,0,100000,-3,0,7,0,400,-40,95,-1,31,-95\n");
    svc.do_select(P::list, 0);
    svc.do_click(P::edit);
    svc.do_type(C::camera_speed, "-99");
    svc.do_type(C::light_angle, "abc");
    svc.do_click(C::arrayed);   // disabled: no effect
    svc.do_click(C::center);
    svc.do_click(C::zoom_x3);
    svc.do_click(C::object_defaults);
    svc.do_click(C::ok);
    ok();
    const auto &cfg = svc.closed_dialogs.at("Cfgent");
    EXPECT_EQ(cfg.items.at(C::xsize).text, "32");
    EXPECT_EQ(cfg.items.at(C::camera_speed).text, "-99");   // the edit keeps it
    EXPECT_EQ(cfg.items.at(C::center).check, BST_CHECKED);
    EXPECT_EQ(cfg.items.at(C::full_screen).check, BST_UNCHECKED);
    EXPECT_EQ(ini("Entries", "EntryPM000"), "3,32,2048,1,1,3,0,359,-30,90,0,30,-90");
}

TEST_F(dialogs, BrowseTakesTheChosenFile) {
    write_playlist_ini(1);
    svc.open_files = {"", "/scenes/X.VTL"};
    svc.do_click(P::add);
    svc.do_click(C::browse);   // cancelled
    svc.do_click(C::browse);
    svc.do_click(C::ok);
    ok();
    EXPECT_EQ(svc.closed_dialogs.at("Cfgent").items.at(C::file).text, "/scenes/X.VTL");
    EXPECT_EQ(ini("Entries", "EntryFN001"), "/scenes/X.VTL");
}

TEST_F(dialogs, SetupEditsTheFoldersOnlyWithOk) {
    svc.do_click(P::setup);
    svc.do_type(diaset_id::maps_dir, "/m");
    svc.do_click(diaset_id::ok);
    svc.do_click(P::setup);
    svc.do_type(diaset_id::install_dir, "/ignored");
    svc.do_click(diaset_id::cancel);
    ok();
    EXPECT_EQ(mapsdir, "/m");
    EXPECT_EQ(instdir, "/opt/vortella");
    EXPECT_EQ(ini("Misc", "MapsDirectory"), "/m");
}

// The list shows a scene's name first and its folder after it; what is
// stored is the full name.
TEST_F(dialogs, TheListShowsNamesBeforeTheirFolders) {
    write_ini("[Global]\nNoOfEntries=3\n[Entries]\nEntryFN000=/home/me/scenes/ORBIT.VTL\n"
              "EntryFN001=LOOSE.VTL\nEntryFN002=/TOP.VTL\n");
    svc.open_files = {"/other/place/NEW.VTL"};
    svc.do_select(P::list, 1);
    svc.do_click(P::edit);
    svc.do_click(C::browse);
    svc.do_click(C::ok);
    ok();
    EXPECT_EQ(list_of(svc), (strings{"ORBIT.VTL  (/home/me/scenes)", "NEW.VTL  (/other/place)", "TOP.VTL  (/)"}));
    EXPECT_EQ(keys("Entries", {"EntryFN000", "EntryFN001", "EntryFN002"}),
              strings({"/home/me/scenes/ORBIT.VTL", "/other/place/NEW.VTL", "/TOP.VTL"}));
}

// The pixel scale: Auto for a file without the key; a choice counts only
// when Setup closes with OK, and the playlist's OK saves it.
TEST_F(dialogs, SetupChoosesThePixelScaleAndOkKeepsIt) {
    namespace D = diaset_id;
    write_ini("[Misc]\nNormal=1\n");
    read_misc_settings();
    EXPECT_EQ(pixscale, 0);
    svc.do_click(P::setup);
    svc.do_click(D::scale_auto + 2);
    svc.do_click(D::cancel);
    svc.do_click(P::setup);
    svc.do_click(D::scale_auto + 3);
    svc.do_click(D::scale_auto + 1);
    svc.do_click(D::ok);
    svc.do_click(P::setup);   // shows the choice kept, and leaves it
    svc.do_click(D::ok);
    ok();
    const auto &set = svc.closed_dialogs.at("DIASET");
    for (int i = D::scale_auto; i <= D::scale_4; ++i)
        EXPECT_EQ(set.items.at(i).check, i == D::scale_auto + 1 ? BST_CHECKED : BST_UNCHECKED) << i;
    EXPECT_EQ(pixscale, 1);
    EXPECT_EQ(ini("Misc", "PixelScale"), "1");
    write_ini("[Misc]\nPixelScale=-3\n");
    read_misc_settings();
    EXPECT_EQ(pixscale, 0);
}

}  // namespace
}  // namespace vortella::test
