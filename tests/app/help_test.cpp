// Help: the old help file where there is one, else the help page at the
// section of the dialog that asks, wherever the program finds the page.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "apptest.h"

namespace vortella::test {
namespace {

namespace P = pref_id;
namespace C = cfgent_id;
namespace D = diaset_id;
using strings = std::vector<std::string>;

// Keeps what each opened help file held when it was opened (the file a
// section is opened through is written afresh each time).
struct help_spy : headless_services {
    strings opened;
    void help_index(HWND owner, const char *file) override {
        headless_services::help_index(owner, file);
        opened.push_back(readtext(file));
    }
};

class help : public app_test {
protected:
    help_spy spy;

    void SetUp() override {
        app_test::SetUp();
        set_sys(&spy);
        spy.module_path = dir.file("bin/vortella");
        instdir = dir.file("bin");
        std::filesystem::create_directories(dir.file("bin"));
    }
    void put(const std::string &name, const std::string &text) const {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }
    // Help in the playlist dialog, in the entry dialog and in Setup.
    void press_every_help() {
        spy.do_click(P::help);
        spy.do_click(P::add);
        spy.do_click(C::help);
        spy.do_click(C::cancel);
        spy.do_click(P::setup);
        spy.do_click(D::help);
        spy.do_click(D::cancel);
        spy.do_click(P::cancel);
        spy.dialog_box(dlg_pref, 0, Dialogpref);
    }
    std::string sends_to(const std::string &url) const {
        return "<meta http-equiv=\"refresh\" content=\"0; url=" + url + "\">";
    }
};

TEST_F(help, AnOldHelpFileIsOpenedWhereAUserStillHasOne) {
    put("bin/VORTELLA.HLP", "old");
    put("share/vortella/vortella.html", "<html></html>");
    press_every_help();
    EXPECT_EQ(spy.help, strings(3, dir.file("bin/VORTELLA.HLP")));
}

// Installed: the page in the data folder, each dialog's Help at its own
// section, through a file beside the settings that sends the browser on.
TEST_F(help, EachDialogOpensTheInstalledPageAtItsSection) {
    put("share/vortella/vortella.html", "<html></html>");
    press_every_help();
    ASSERT_EQ(spy.help, strings(3, dir.file(help_section_name)));
    const std::string page = "file://" + dir.file("share/vortella/vortella.html");
    ASSERT_EQ(spy.opened.size(), 3u);
    const char *sections[] = {"playlist", "entry", "setup"};
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(spy.opened[size_t(i)].find(sends_to(page + "#" + sections[i])), std::string::npos) << spy.opened[size_t(i)];
}

// A build: the page beside the program. No page anywhere: the viewer is
// asked for the installed one, and says it is missing.
TEST_F(help, APageBesideTheProgramOrNone) {
    put("bin/vortella.html", "<html></html>");
    spy.do_click(P::help);
    spy.dialog_box(dlg_pref, 0, Dialogpref);
    ASSERT_EQ(spy.opened.size(), 1u);
    EXPECT_NE(spy.opened[0].find(sends_to("file://" + dir.file("bin/vortella.html") + "#playlist")), std::string::npos);
    std::filesystem::remove(dir.file("bin/vortella.html"));
    spy.do_click(P::help);
    spy.dialog_box(dlg_pref, 0, Dialogpref);
    EXPECT_EQ(spy.help.back(), dir.file("share/vortella/vortella.html"));
}

// Windows: the page the program carries is written beside the settings
// when it is missing or differs, and the sections are reached from there.
TEST_F(help, ThePageTheProgramCarriesIsWrittenBesideTheSettings) {
    put("bin/vortella.html", "<html>not this one</html>");
    put(help_copy_name, "<html>an older page</html>");
    spy.builtin_files[help_resource] = "<html>the page</html>";
    spy.do_click(P::add);
    spy.do_click(C::help);
    spy.do_click(C::cancel);
    spy.do_click(P::cancel);
    spy.dialog_box(dlg_pref, 0, Dialogpref);
    EXPECT_EQ(readtext(dir.file(help_copy_name)), "<html>the page</html>");
    ASSERT_EQ(spy.opened.size(), 1u);
    EXPECT_NE(spy.opened[0].find(sends_to(std::string(help_copy_name) + "#entry")), std::string::npos);
}

TEST(help_section_page, NamesThePageAsAUrl) {
    const std::string p = help_section_page("/opt/my scenes/#1/vortella.html", "/home/me/.config/x.html", "setup");
    EXPECT_NE(p.find("url=file:///opt/my%20scenes/%231/vortella.html#setup\""), std::string::npos) << p;
    // Beside it: by its name alone.
    const std::string b = help_section_page("/home/me/.config/MY PAGE.HTML", "/home/me/.config/x.html", "entry");
    EXPECT_NE(b.find("url=MY%20PAGE.HTML#entry\""), std::string::npos) << b;
}

// The page has a section for each dialog's Help, and names every control
// of the dialogs, so that a control added without its help shows here.
TEST(help_page_text, DocumentsEveryDialogAndEveryControl) {
    const std::string page = readtext(VT_HELP_PAGE);
    ASSERT_FALSE(page.empty());
    for (const char *id : {"id=\"playlist\"", "id=\"entry\"", "id=\"setup\""})
        EXPECT_NE(page.find(id), std::string::npos) << id;
    for (const dialog_template *t : {&dlg_pref, &dlg_cfgent, &dlg_diaset})
        for (const dialog_item &i : t->items) {
            if (!i.label || !*i.label) continue;
            EXPECT_NE(page.find(i.label), std::string::npos) << t->name << ": " << i.label;
        }
}

}  // namespace
}  // namespace vortella::test
