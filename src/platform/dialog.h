// Dialog services: modal dialogs built from templates, their controls and
// timers, pictures shown in a dialog, the file-open dialog and the help
// viewer. Backends with a user interface of
// their own (desktop, Win32, and the headless one for tests) implement them
// beside the platform services; services::dialogs() hands them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vortella {

// Dialog procedure: nonzero when it handled the message.
using dlgproc = int (*)(HWND, unsigned msg, WPARAM, LPARAM);

// What a dialog item is; the backend builds a matching control.
enum class control_kind {
    text,       // static label
    group,      // group box framing other items
    edit,       // one line of text
    number,     // one line holding a signed integer
    button,
    check,      // check box (the procedure sets the mark)
    radio,      // radio button (the procedure sets the mark)
    list,       // list box, one selection, notifies on selection change
    pane,       // picture pane: shows an 8-bit picture, or a text in its place
};

// One item of a dialog; position and size in dialog units.
struct dialog_item {
    int id;   // -1 for labels and group boxes nobody addresses
    control_kind kind;
    const char *label;
    int x, y, w, h;
    bool disabled = false;
};

// A dialog resource: its name, title, size in dialog units and items.
struct dialog_template {
    const char *name;
    const char *title;
    int w, h;
    std::vector<dialog_item> items;
};

struct dialog_services {
    virtual ~dialog_services() = default;

    // Runs a modal dialog: the procedure receives WM_INITDIALOG, then a
    // WM_COMMAND for every control action (low word the id, high word the
    // notification), and WM_DESTROY after it called end_dialog. Returns the
    // result given to end_dialog.
    virtual int dialog_box(const dialog_template &t, HWND owner, dlgproc proc) = 0;
    virtual void end_dialog(HWND dlg, int result) = 0;
    virtual void set_window_text(HWND w, const char *text) = 0;
    // Item text and numbers. Programmatic changes send no notification.
    virtual void set_item_text(HWND dlg, int id, const char *text) = 0;
    // At most size - 1 characters.
    virtual std::string get_item_text(HWND dlg, int id, size_t size) = 0;
    virtual void set_item_int(HWND dlg, int id, int value) = 0;
    // The item's text read as a signed integer; ok false (and 0) when it
    // holds none.
    virtual int get_item_int(HWND dlg, int id, bool *ok) = 0;
    virtual void check_button(HWND dlg, int id, int state) = 0;
    virtual int is_button_checked(HWND dlg, int id) = 0;
    // Checks `id` and clears every other radio button first..last.
    virtual void check_radio(HWND dlg, int first, int last, int id) = 0;
    virtual void enable_item(HWND dlg, int id, bool enable) = 0;
    // List boxes. list_add returns the new line's index; list_delete the
    // number of lines left, or -1 when there is no such line.
    virtual int list_add(HWND dlg, int id, const char *text) = 0;
    virtual int list_delete(HWND dlg, int id, int index) = 0;
    virtual void list_reset(HWND dlg, int id) = 0;
    virtual int list_count(HWND dlg, int id) = 0;
    // The selected line, or -1.
    virtual int list_selection(HWND dlg, int id) = 0;
    virtual std::string list_text(HWND dlg, int id, int index) = 0;
    // Turns redrawing of an item off while it is filled, and on again.
    virtual void set_redraw(HWND dlg, int id, bool on) = 0;
    // The file-open dialog: one filter (its name and pattern), the chosen
    // file and its folder must exist. The chosen full name (at most
    // size - 1 characters) or false when cancelled.
    virtual bool open_file_dialog(HWND owner, const char *filter_name, const char *pattern,
                                  size_t size, std::string &file) = 0;
    // Opens a help file at its index.
    virtual void help_index(HWND owner, const char *helpfile) = 0;

    // An item's size in pixels (the dialog units it was given, as this
    // backend turns them into pixels); 0 x 0 for no such item.
    virtual void item_size(HWND dlg, int id, int &w, int &h) = 0;
    // Shows a picture in a picture pane in place of what it showed: w x h
    // palette indices of the halftone palette (peEntry), rows w bytes apart,
    // the top row first, drawn from the pane's top-left corner pixel for
    // pixel. set_item_text on a pane shows its text instead of a picture.
    virtual void show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) = 0;
    // Dialog timers: the procedure receives WM_TIMER with wParam `id`
    // roughly every `period` ms while the dialog is shown, none while it is
    // hidden or minimised; ticks never pile up or overlap other messages.
    // Setting an existing id restarts it; every timer of a dialog ends with
    // the dialog (no tick reaches its procedure after WM_DESTROY).
    virtual bool set_dialog_timer(HWND dlg, unsigned id, unsigned period) = 0;
    virtual void kill_dialog_timer(HWND dlg, unsigned id) = 0;
};

// A dialog item's text read as a signed decimal number, as every backend
// reads it: optional leading blanks, an optional minus, then only digits.
// ok false (and 0) otherwise.
int parse_item_int(const std::string &s, bool *ok);

// The dialog services of the backend in use; null when it has none.
inline dialog_services *dlgsys() { return sys()->dialogs(); }

}  // namespace vortella
