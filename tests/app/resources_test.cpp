// The Windows dialog resources against the dialog templates the dialog
// procedures are written for: every item's id, kind, label, rectangle and
// state, and the control styles the procedures rely on.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"

namespace vortella {
namespace {

struct rc_control {
    std::string label, cls, style;
    int id, x, y, w, h;
};

struct rc_dialog {
    std::string caption;
    int w = 0, h = 0;
    std::vector<rc_control> controls;
};

// The dialogs of the resource script: "NAME DIALOGEX 0, 0, W, H", its
// CAPTION and its CONTROL lines (the only statements the script uses).
std::map<std::string, rc_dialog> read_rc(const std::string &path) {
    static const std::regex dialog(R"~(^(\w+) DIALOGEX 0, 0, (\d+), (\d+)\s*$)~"),
        caption(R"~(^CAPTION "(.*)"\s*$)~"),
        control(R"~(^\s*CONTROL "([^"]*)", (-?\d+), "(\w+)", ([^,]+), (\d+), (\d+), (\d+), (\d+)\s*$)~");
    std::map<std::string, rc_dialog> out;
    std::ifstream in(path);
    rc_dialog *cur = nullptr;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, dialog)) {
            cur = &out[m[1]];
            cur->w = std::stoi(m[2]), cur->h = std::stoi(m[3]);
        } else if (cur && std::regex_match(line, m, caption)) {
            cur->caption = m[1];
        } else if (cur && std::regex_match(line, m, control)) {
            cur->controls.push_back({m[1], m[3], m[4], std::stoi(m[2]), std::stoi(m[5]), std::stoi(m[6]),
                                     std::stoi(m[7]), std::stoi(m[8])});
        } else if (line.find("CONTROL") != std::string::npos) {
            ADD_FAILURE() << "malformed control: " << line;
        }
    }
    return out;
}

bool has_style(const std::string &styles, const std::string &s) {
    std::istringstream words(std::regex_replace(styles, std::regex("[^A-Z0-9_]"), " "));
    for (std::string w; words >> w;)
        if (w == s) return true;
    return false;
}

// The template kind a control stands for; edits serve both text and
// number items (the procedures read numbers from the text).
control_kind kind_of(const rc_control &c) {
    if (c.cls == "Static") return control_kind::text;
    if (c.cls == "Edit") return control_kind::edit;
    if (c.cls == "ListBox") return control_kind::list;
    if (has_style(c.style, "BS_GROUPBOX")) return control_kind::group;
    if (has_style(c.style, "BS_CHECKBOX")) return control_kind::check;
    if (has_style(c.style, "BS_RADIOBUTTON")) return control_kind::radio;
    return control_kind::button;
}

// Besides the items, the styles whose absence or presence the procedures
// depend on: they set the marks of check boxes and radio buttons themselves
// (an automatic style would flip them twice), count list lines in playlist
// order (a sorted list would point EDIT and DELETE at the wrong entry),
// hear of selection changes, read negative numbers (a digits-only edit
// refuses the minus of a speed), and the Enter key must reach the dialog's
// own OK button.
TEST(Resources, EveryDialogMatchesItsTemplateWithTheStylesTheProceduresNeed) {
    const auto rc = read_rc(VT_RC_FILE);
    ASSERT_EQ(rc.size(), 3u) << VT_RC_FILE;
    for (const dialog_template *t : {&dlg_pref, &dlg_cfgent, &dlg_diaset}) {
        SCOPED_TRACE(t->name);
        auto it = rc.find(t->name);
        ASSERT_NE(it, rc.end());
        const rc_dialog &d = it->second;
        EXPECT_EQ(d.caption, t->title);
        EXPECT_EQ((std::vector<int>{d.w, d.h}), (std::vector<int>{t->w, t->h}));
        ASSERT_EQ(d.controls.size(), t->items.size());
        int defaults = 0;
        for (size_t i = 0; i < d.controls.size(); ++i) {
            const rc_control &c = d.controls[i];
            const dialog_item &ti = t->items[i];
            SCOPED_TRACE(c.label + " #" + std::to_string(c.id));
            EXPECT_EQ(c.id, ti.id);
            EXPECT_EQ(int(kind_of(c)), int(ti.kind == control_kind::number ? control_kind::edit : ti.kind));
            EXPECT_EQ(c.label, ti.label);
            EXPECT_EQ((std::vector<int>{c.x, c.y, c.w, c.h}), (std::vector<int>{ti.x, ti.y, ti.w, ti.h}));
            EXPECT_EQ(has_style(c.style, "WS_DISABLED"), ti.disabled);
            for (const char *s : {"BS_AUTOCHECKBOX", "BS_AUTORADIOBUTTON", "BS_AUTO3STATE", "LBS_SORT",
                                  "LBS_STANDARD", "ES_NUMBER"}) {
                EXPECT_FALSE(has_style(c.style, s)) << s;
            }
            EXPECT_EQ(has_style(c.style, "LBS_NOTIFY"), c.cls == "ListBox");
            if (has_style(c.style, "BS_DEFPUSHBUTTON")) {
                ++defaults;
                EXPECT_EQ(c.label, "OK");
            }
        }
        EXPECT_EQ(defaults, 1);
    }
}

}  // namespace
}  // namespace vortella
