// The Windows dialog resources against the dialog templates the dialog
// procedures are written for: every item's id, kind, label, rectangle and
// state, and the control styles the procedures rely on.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
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

// Splits at commas outside double quotes; quotes are kept.
std::vector<std::string> fields(const std::string &s) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : s) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) out.emplace_back();
        else out.back() += c;
    }
    for (std::string &f : out) {
        size_t b = f.find_first_not_of(" \t"), e = f.find_last_not_of(" \t\r");
        f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
    }
    return out;
}

std::string unquote(const std::string &s) {
    return s.size() >= 2 && s.front() == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
}

// The dialogs of the resource script: "NAME DIALOGEX 0, 0, W, H", its
// CAPTION and its CONTROL lines (the only statements the script uses).
std::map<std::string, rc_dialog> read_rc(const std::string &path) {
    std::map<std::string, rc_dialog> out;
    std::ifstream in(path);
    std::string line;
    rc_dialog *cur = nullptr;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string first, second;
        ls >> first >> second;
        if (second == "DIALOGEX") {
            cur = &out[first];
            std::string rest;
            std::getline(ls, rest);
            auto f = fields(rest);
            if (f.size() == 4) cur->w = std::stoi(f[2]), cur->h = std::stoi(f[3]);
        } else if (cur && first == "CAPTION") {
            cur->caption = unquote(line.substr(line.find('"')));
        } else if (cur && first == "CONTROL") {
            auto f = fields(line.substr(line.find("CONTROL") + 7));
            if (f.size() != 8) {
                ADD_FAILURE() << "malformed control: " << line;
                continue;
            }
            cur->controls.push_back({unquote(f[0]), unquote(f[2]), f[3], std::stoi(f[1]), std::stoi(f[4]),
                                     std::stoi(f[5]), std::stoi(f[6]), std::stoi(f[7])});
        }
    }
    return out;
}

bool has_style(const std::string &styles, const std::string &s) {
    for (const std::string &f : fields(styles)) {
        std::istringstream parts(f);
        std::string p;
        while (parts >> p)
            if (p == s) return true;
    }
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

TEST(Resources, EveryDialogMatchesItsTemplate) {
    const auto rc = read_rc(VT_RC_FILE);
    ASSERT_EQ(rc.size(), 3u) << VT_RC_FILE;
    for (const dialog_template *t : {&dlg_pref, &dlg_cfgent, &dlg_diaset}) {
        SCOPED_TRACE(t->name);
        auto it = rc.find(t->name);
        ASSERT_NE(it, rc.end());
        const rc_dialog &d = it->second;
        EXPECT_EQ(d.caption, t->title);
        EXPECT_EQ(d.w, t->w);
        EXPECT_EQ(d.h, t->h);
        ASSERT_EQ(d.controls.size(), t->items.size());
        for (size_t i = 0; i < d.controls.size(); ++i) {
            const rc_control &c = d.controls[i];
            const dialog_item &ti = t->items[i];
            SCOPED_TRACE(c.label + " #" + std::to_string(c.id));
            control_kind want = ti.kind == control_kind::number ? control_kind::edit : ti.kind;
            EXPECT_EQ(c.id, ti.id);
            EXPECT_EQ(int(kind_of(c)), int(want));
            EXPECT_EQ(c.label, ti.label);
            EXPECT_EQ((std::vector<int>{c.x, c.y, c.w, c.h}), (std::vector<int>{ti.x, ti.y, ti.w, ti.h}));
            EXPECT_EQ(has_style(c.style, "WS_DISABLED"), ti.disabled);
        }
    }
}

// Styles whose absence or presence the procedures depend on: they set the
// marks of check boxes and radio buttons themselves (an automatic style
// would flip them twice), count list lines in playlist order (a sorted
// list would point EDIT and DELETE at the wrong entry), hear of selection
// changes, read negative numbers (a digits-only edit refuses the minus of
// a speed), and the Enter key must reach the dialog's own OK button.
TEST(Resources, ControlStylesSuitTheProcedures) {
    const auto rc = read_rc(VT_RC_FILE);
    for (const auto &[name, d] : rc) {
        SCOPED_TRACE(name);
        int defaults = 0;
        for (const rc_control &c : d.controls) {
            SCOPED_TRACE(c.label);
            for (const char *s : {"BS_AUTOCHECKBOX", "BS_AUTORADIOBUTTON", "BS_AUTO3STATE", "LBS_SORT",
                                  "LBS_STANDARD", "ES_NUMBER"}) {
                EXPECT_FALSE(has_style(c.style, s)) << s;
            }
            if (c.cls == "ListBox") {
                EXPECT_TRUE(has_style(c.style, "LBS_NOTIFY"));
            }
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
