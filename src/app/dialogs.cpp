// The configuration dialogs: the playlist ("Dialogpref"), one entry
// ("Cfgent", procedure Diacfg1) and the folders ("DIASET", procedure
// Diaset), with their templates.
#include <string>

#include "app/app.h"

namespace vortella {

using K = control_kind;

// ---------------------------------------------------------------------------
// Templates (dialog units)
// ---------------------------------------------------------------------------

const dialog_template dlg_pref = {
    "Dialogpref", "Vortella " VT_VERSION, 396, 207,
    {
        {pref_id::list, K::list, "", 8, 8, 130, 120},
        {pref_id::preview, K::pane, "", 204, 8, 184, 120},
        {pref_id::add, K::button, "ADD", 146, 8, 50, 14},
        {pref_id::edit, K::button, "EDIT", 146, 26, 50, 14},
        {pref_id::remove, K::button, "DELETE", 146, 44, 50, 14},
        {pref_id::setup, K::button, "Setup", 146, 62, 50, 14},
        {-1, K::text, "Speed", 8, 136, 30, 10},
        {pref_id::speed, K::number, "", 40, 134, 30, 12},
        {-1, K::group, "Sequence", 8, 150, 90, 34},
        {pref_id::random, K::radio, "Random", 14, 160, 70, 10},
        {pref_id::ordered, K::radio, "Ordered", 14, 172, 70, 10},
        {-1, K::group, "Display", 106, 150, 90, 34},
        {pref_id::normal, K::radio, "Normal", 112, 160, 70, 10},
        {pref_id::inverted, K::radio, "Inverted", 112, 172, 70, 10},
        {pref_id::ok, K::button, "OK", 8, 188, 50, 14},
        {pref_id::cancel, K::button, "Cancel", 77, 188, 50, 14},
        {pref_id::help, K::button, "Help", 146, 188, 50, 14},
    },
};

const dialog_template dlg_cfgent = {
    "Cfgent", "Add VTL File", 552, 251,
    {
        {-1, K::text, "Preview", 340, 30, 100, 10},
        {cfgent_id::preview, K::pane, "", 340, 44, 204, 164},
        {-1, K::text, "File", 8, 8, 28, 10},
        {cfgent_id::file, K::edit, "", 40, 6, 230, 12},
        {cfgent_id::browse, K::button, "Browse", 278, 5, 54, 14},
        {-1, K::text, "Duration", 8, 26, 40, 10},
        {cfgent_id::duration, K::number, "", 50, 24, 30, 12},
        {-1, K::text, "Min.", 84, 26, 20, 10},
        {-1, K::text, "X-size", 130, 26, 28, 10},
        {cfgent_id::xsize, K::number, "", 160, 24, 36, 12},
        {-1, K::text, "Y-size", 210, 26, 28, 10},
        {cfgent_id::ysize, K::number, "", 240, 24, 36, 12},
        {-1, K::group, "Screen Animation", 8, 44, 150, 92},
        {cfgent_id::bounce, K::radio, "Bounce", 16, 56, 130, 10},
        {cfgent_id::bounce_rev, K::radio, "Bounce and Rev.", 16, 69, 130, 10},
        {cfgent_id::center, K::radio, "Center", 16, 82, 130, 10},
        {cfgent_id::random, K::radio, "Random", 16, 95, 130, 10},
        {cfgent_id::arrayed, K::radio, "Arrayed", 16, 108, 130, 10, true},
        {cfgent_id::full_screen, K::radio, "Full screen", 16, 121, 130, 10},
        {-1, K::group, "Object Animation", 166, 44, 166, 30},
        {cfgent_id::object_defaults, K::check, "Use Object Defaults", 174, 56, 150, 10},
        {-1, K::group, "Zoom", 166, 80, 166, 56},
        {cfgent_id::zoom_none, K::radio, "None", 174, 92, 60, 10},
        {cfgent_id::zoom_x2, K::radio, "X2", 174, 106, 60, 10},
        {cfgent_id::zoom_x3, K::radio, "X3", 174, 120, 60, 10},
        {cfgent_id::fast, K::check, "Fast", 250, 92, 60, 10},
        {-1, K::group, "Camera", 8, 142, 150, 66},
        {-1, K::text, "Start Angle", 16, 156, 60, 10},
        {cfgent_id::camera_angle, K::number, "", 100, 154, 40, 12},
        {-1, K::text, "Speed", 16, 172, 60, 10},
        {cfgent_id::camera_speed, K::number, "", 100, 170, 40, 12},
        {-1, K::text, "Altitude", 16, 188, 60, 10},
        {cfgent_id::camera_altitude, K::number, "", 100, 186, 40, 12},
        {-1, K::group, "Light", 166, 142, 166, 66},
        {-1, K::text, "Start Angle", 174, 156, 60, 10},
        {cfgent_id::light_angle, K::number, "", 258, 154, 40, 12},
        {-1, K::text, "Speed", 174, 172, 60, 10},
        {cfgent_id::light_speed, K::number, "", 258, 170, 40, 12},
        {-1, K::text, "Altitude", 174, 188, 60, 10},
        {cfgent_id::light_altitude, K::number, "", 258, 186, 40, 12},
        {cfgent_id::ok, K::button, "OK", 8, 228, 54, 14},
        {cfgent_id::cancel, K::button, "Cancel", 70, 228, 54, 14},
        {cfgent_id::help, K::button, "Help", 278, 228, 54, 14},
    },
};

const dialog_template dlg_diaset = {
    "DIASET", "Vortella - Setup", 332, 142,
    {
        {-1, K::text, "Install Directory", 8, 10, 78, 10},
        {diaset_id::install_dir, K::edit, "", 90, 8, 234, 12},
        {-1, K::text, "Maps Directory", 8, 30, 78, 10},
        {diaset_id::maps_dir, K::edit, "", 90, 28, 234, 12},
        {-1, K::text, "Background Map", 8, 50, 78, 10},
        {diaset_id::background_map, K::edit, "", 90, 48, 234, 12},
        {-1, K::group, "Pixel scale", 8, 68, 316, 30},
        {diaset_id::scale_auto, K::radio, "Auto", 16, 81, 50, 10},
        {diaset_id::scale_auto + 1, K::radio, "1", 76, 81, 30, 10},
        {diaset_id::scale_auto + 2, K::radio, "2", 116, 81, 30, 10},
        {diaset_id::scale_auto + 3, K::radio, "3", 156, 81, 30, 10},
        {diaset_id::scale_4, K::radio, "4", 196, 81, 30, 10},
        {diaset_id::ok, K::button, "OK", 8, 120, 54, 14},
        {diaset_id::cancel, K::button, "Cancel", 70, 120, 54, 14},
        {diaset_id::help, K::button, "Help", 270, 120, 54, 14},
    },
};

namespace {

int clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// The number in an item, clamped; an item holding no number reads as 0.
int item_number(HWND dlg, int id, int lo, int hi) {
    bool ok;
    return clamp(dlgsys()->get_item_int(dlg, id, &ok), lo, hi);
}

// Lists every entry with a name again.
void refill_list(HWND dlg) {
    dialog_services *s = dlgsys();
    s->list_reset(dlg, pref_id::list);
    for (int i = 0; i < noent; ++i)
        if (!fna[i].empty()) s->list_add(dlg, pref_id::list, list_line(fna[i]).c_str());
    s->set_redraw(dlg, pref_id::list, true);
}

// Plays the entry EDIT would act on, with its own parameter text; the
// parameters a new entry starts from stay as they are.
void play_selected(HWND dlg) {
    const entry_values kept = get_entry();
    const int i = named_entry(nSelection);
    default_entry();
    if (i >= 0) {
        parse_entry(pma[i]);
        clamp_entry();
    }
    preview_play(dlg, pref_id::preview, i >= 0 ? fna[i] : std::string());
    set_entry(kept);
}

// Setup over the playlist dialog. The preview rests while another dialog
// is open over it (one preview plays at a time), and plays the selected
// entry afresh after it: the folders may change where its maps are found.
void setup(HWND dlg) {
    preview_stop();
    dlgsys()->dialog_box(dlg_diaset, dlg, Diaset);
    sys()->invalidate(dlg);
    play_selected(dlg);
}

// Deleted entries keep their place in the table until the playlist is
// saved; when the table is full they give their places to new entries.
// Named entries keep their order, so list lines still find their entry.
void compact_entries() {
    int n = 0;
    for (int i = 0; i < noent; ++i) {
        if (fna[i].empty()) continue;
        if (n != i) {
            fna[n] = fna[i];
            pma[n] = pma[i];
        }
        ++n;
    }
    for (int i = n; i < noent; ++i) fna[i].clear(), pma[i].clear();
    noent = n;
}

void add_entry(HWND dlg) {
    dialog_services *s = dlgsys();
    if (noent >= max_entries) compact_entries();
    if (noent >= max_entries) {
        sys()->message_box("The playlist holds at most 100 scenes.", "Vortella", MB_OK);
        return;
    }
    nentn.clear();
    preview_stop();
    s->dialog_box(dlg_cfgent, dlg, Diacfg1);
    sys()->invalidate(dlg);
    if (!nentn.empty()) {
        s->list_add(dlg, pref_id::list, list_line(nentn).c_str());
        s->set_redraw(dlg, pref_id::list, true);
        fna[noent] = nentn;
        pma[noent] = format_entry();
        ++noent;
    }
    play_selected(dlg);
}

void edit_entry(HWND dlg) {
    dialog_services *s = dlgsys();
    int i = named_entry(nSelection);
    if (i < 0) return;
    nentn = fna[i];
    parse_entry(pma[i]);
    preview_stop();
    s->dialog_box(dlg_cfgent, dlg, Diacfg1);
    sys()->invalidate(dlg);
    if (!nentn.empty()) {
        fna[i] = nentn;
        pma[i] = format_entry();
    }
    refill_list(dlg);
    play_selected(dlg);
}

void delete_entry(HWND dlg) {
    int i = named_entry(nSelection);
    if (i < 0) return;
    // With no line selected the first entry is the one acted on, so its
    // line goes with it.
    dlgsys()->list_delete(dlg, pref_id::list, nSelection < 0 ? 0 : nSelection);
    fna[i].clear();
    play_selected(dlg);
}

}  // namespace

int Dialogpref(HWND dlg, unsigned msg, WPARAM wParam, LPARAM) {
    dialog_services *s = dlgsys();
    switch (msg) {
    case WM_INITDIALOG:
        read_global_settings();
        default_entry();
        s->set_item_int(dlg, pref_id::speed, aspeed);
        s->check_radio(dlg, pref_id::random, pref_id::ordered,
                       seqm == 0 ? pref_id::random : pref_id::ordered);
        s->check_radio(dlg, pref_id::normal, pref_id::inverted,
                       iminv ? pref_id::normal : pref_id::inverted);
        s->set_redraw(dlg, pref_id::list, false);
        read_entries();
        // Each entry is parsed in turn, so a new entry starts from the
        // parameters of the last one.
        for (int i = 0; i < noent; ++i) {
            parse_entry(pma[i]);
            s->list_add(dlg, pref_id::list, list_line(fna[i]).c_str());
        }
        s->set_redraw(dlg, pref_id::list, true);
        play_selected(dlg);
        return 1;

    case WM_TIMER:
        if (wParam == preview_timer_id) preview_tick();
        return 1;

    case WM_COMMAND:
        switch (int(LOWORD(wParam))) {
        case pref_id::list:
            // Only a new selection plays another entry: the list's focus
            // notifications (the entry dialog taking the focus from it)
            // would end the entry dialog's preview.
            if (HIWORD(wParam) != LBN_SELCHANGE) return 1;
            nSelection = s->list_selection(dlg, pref_id::list);
            cSelection = s->list_text(dlg, pref_id::list, nSelection).substr(0, entry_size - 1);
            play_selected(dlg);
            return 1;
        case pref_id::add:
            add_entry(dlg);
            return 1;
        case pref_id::edit:
            edit_entry(dlg);
            return 1;
        case pref_id::remove:
            delete_entry(dlg);
            return 1;
        case pref_id::setup:
            setup(dlg);
            return 1;
        case pref_id::speed:
            aspeed = item_number(dlg, pref_id::speed, 1, 18);
            preview_speed();
            return 1;
        case pref_id::random:
        case pref_id::ordered:
            seqm = int(LOWORD(wParam)) == pref_id::random ? 0 : 1;
            s->check_radio(dlg, pref_id::random, pref_id::ordered, int(LOWORD(wParam)));
            return 1;
        case pref_id::normal:
        case pref_id::inverted:
            iminv = int(LOWORD(wParam)) == pref_id::normal ? 1 : 0;
            s->check_radio(dlg, pref_id::normal, pref_id::inverted, int(LOWORD(wParam)));
            return 1;
        case pref_id::ok:
            canall = 0;
            Configuring = 1;
            s->end_dialog(dlg, IDOK);
            return 1;
        case pref_id::cancel:
            canall = 1;
            Configuring = 1;
            s->end_dialog(dlg, IDCANCEL);
            return 1;
        case pref_id::help:
            open_help(dlg, "playlist");
            return 1;
        }
        return 0;

    case WM_DESTROY:
        preview_stop();
        Configuring = 1;
        if (!canall) write_playlist();
        return 1;
    }
    return 0;
}

namespace {

// A command of the entry dialog; nonzero when it was one of its controls.
int cfgent_command(HWND dlg, int id) {
    using namespace cfgent_id;
    dialog_services *s = dlgsys();
    // The edits keep what was typed; only the value is held in range.
    switch (id) {
    case duration: ddur = item_number(dlg, id, 1, 15); return 1;
    case xsize: dsizex = item_number(dlg, id, 32, 2048); return 1;
    case ysize: dsizey = item_number(dlg, id, 32, 2048); return 1;
    case light_angle: litsa = item_number(dlg, id, 0, 359); return 1;
    case light_speed: litsp = item_number(dlg, id, -30, 30); return 1;
    case light_altitude: litat = item_number(dlg, id, -90, 90); return 1;
    case camera_angle: camsa = item_number(dlg, id, 0, 359); return 1;
    case camera_speed: camsp = item_number(dlg, id, -30, 30); return 1;
    case camera_altitude: camat = item_number(dlg, id, -90, 90); return 1;
    case bounce:
    case bounce_rev:
    case center:
    case random:
    case arrayed:
    case full_screen:
        amode = id - bounce + 1;
        s->check_radio(dlg, bounce, full_screen, id);
        return 1;
    case zoom_none:
    case zoom_x2:
    case zoom_x3:
        zoomm = id - zoom_none + 1;
        s->check_radio(dlg, zoom_none, zoom_x3, id);
        return 1;
    case object_defaults:
        useod = useod ? 0 : 1;
        s->check_button(dlg, id, useod ? BST_CHECKED : BST_UNCHECKED);
        return 1;
    case fast:
        zoomf = zoomf ? 0 : 1;
        s->check_button(dlg, id, zoomf ? BST_CHECKED : BST_UNCHECKED);
        return 1;
    case file:
        nentn = s->get_item_text(dlg, file, entry_size);
        return 1;
    case browse: {
        std::string chosen;
        if (s->open_file_dialog(dlg, "VTLs", "*.vtl", entry_size, chosen)) {
            nentn = chosen;
            s->set_item_text(dlg, file, nentn.c_str());
        }
        return 1;
    }
    case ok:
        s->end_dialog(dlg, IDOK);
        return 1;
    case cancel:
        nentn.clear();
        s->end_dialog(dlg, IDCANCEL);
        return 1;
    case help:
        open_help(dlg, "entry");
        return 1;
    }
    return 0;
}

}  // namespace

int Diacfg1(HWND dlg, unsigned msg, WPARAM wParam, LPARAM) {
    using namespace cfgent_id;
    dialog_services *s = dlgsys();
    switch (msg) {
    case WM_INITDIALOG:
        clamp_entry();
        s->set_item_text(dlg, file, nentn.c_str());
        s->set_item_int(dlg, duration, ddur);
        s->set_item_int(dlg, xsize, dsizex);
        s->set_item_int(dlg, ysize, dsizey);
        s->set_item_int(dlg, light_angle, litsa);
        s->set_item_int(dlg, light_speed, litsp);
        s->set_item_int(dlg, light_altitude, litat);
        s->set_item_int(dlg, camera_angle, camsa);
        s->set_item_int(dlg, camera_speed, camsp);
        s->set_item_int(dlg, camera_altitude, camat);
        s->check_button(dlg, object_defaults, useod ? BST_CHECKED : BST_UNCHECKED);
        s->check_button(dlg, fast, zoomf ? BST_CHECKED : BST_UNCHECKED);
        s->check_radio(dlg, zoom_none, zoom_x3, zoom_none + zoomm - 1);
        s->check_radio(dlg, bounce, full_screen, bounce + amode - 1);
        s->set_window_text(dlg, "Add VTL File");
        preview_play(dlg, preview, nentn);
        return 1;

    case WM_COMMAND: {
        const int id = int(LOWORD(wParam));
        const int handled = cfgent_command(dlg, id);
        // What the picture shows plays from the start at the next tick; the
        // duration does not show, nor does an edit taking or losing the
        // focus (only a click or a changed text is a change).
        const unsigned code = HIWORD(wParam);
        if (handled && (code == BN_CLICKED || code == EN_CHANGE) && id != duration && id != ok && id != cancel &&
            id != help)
            preview_change(nentn);
        return handled;
    }

    case WM_TIMER:
        if (wParam == preview_timer_id) preview_tick();
        return 1;

    case WM_DESTROY:
        preview_stop();
        return 1;
    }
    return 0;
}

int Diaset(HWND dlg, unsigned msg, WPARAM wParam, LPARAM) {
    using namespace diaset_id;
    dialog_services *s = dlgsys();
    switch (msg) {
    case WM_INITDIALOG:
        s->set_item_text(dlg, install_dir, instdir.c_str());
        s->set_item_text(dlg, maps_dir, mapsdir.c_str());
        s->set_item_text(dlg, background_map, sbackgroundbmp.c_str());
        s->check_radio(dlg, scale_auto, scale_4, scale_auto + pixscale);
        return 1;
    case WM_COMMAND: {
        const int id = int(LOWORD(wParam));
        // The pixel scale is only marked until OK takes it, like the edits.
        if (id >= scale_auto && id <= scale_4) {
            s->check_radio(dlg, scale_auto, scale_4, id);
            return 1;
        }
        switch (id) {
        case ok:
            instdir = s->get_item_text(dlg, install_dir, path_size);
            mapsdir = s->get_item_text(dlg, maps_dir, path_size);
            sbackgroundbmp = s->get_item_text(dlg, background_map, path_size);
            for (int i = scale_auto; i <= scale_4; ++i)
                if (s->is_button_checked(dlg, i) == BST_CHECKED) pixscale = i - scale_auto;
            s->end_dialog(dlg, IDOK);
            return 1;
        case cancel:
            s->end_dialog(dlg, IDCANCEL);
            return 1;
        case help:
            open_help(dlg, "setup");
            return 1;
        }
        return 0;
    }
    }
    return 0;
}

}  // namespace vortella
