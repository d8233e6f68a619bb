// Dialogs on FLTK: a window per dialog template with a real control for
// every item, run modally in a loop of its own, and the file chooser.
// Control actions become WM_COMMAND messages to the dialog procedure, with
// the item's id in the low word and the notification in the high word.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Round_Button.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/desktop/desktop_local.h"

// Last: the X11 headers define short macro names.
#include <FL/x.H>

namespace vortella::desktop {

namespace {

int px_x(int du) { return du * du_x_num / du_x_den; }
int px_y(int du) { return du * du_y_num / du_y_den; }

// A frame around related controls with its caption set into the top line.
class group_frame : public Fl_Box {
public:
    group_frame(int x, int y, int w, int h, const char *label) : Fl_Box(x, y, w, h) {
        copy_label(label);
        box(FL_NO_BOX);
    }

    void draw() override {
        fl_font(labelfont(), labelsize());
        int half = fl_height() / 2;
        fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
        const char *l = label();
        if (!l || !*l) return;
        int tw = int(fl_width(l));
        fl_color(parent() ? parent()->color() : color());
        fl_rectf(x() + 6, y(), tw + 6, fl_height());
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(l, x() + 9, y() + fl_height() - fl_descent());
    }
};

// A picture pane: the last picture shown, turned into true colours through
// the halftone palette and drawn from the top-left corner, black where it
// reaches not; or a text, white on black, in its place. Of a picture of the
// same size only what changed is turned into colours and drawn again, as
// a screen sends only the rectangles that changed.
class picture_pane : public Fl_Widget {
public:
    picture_pane(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}

    void show_picture(const uint8_t *pixels, int w, int h) {
        const size_t n = size_t(w) * size_t(h);
        int left = 0, top = 0, right = w - 1, bottom = h - 1;
        const bool again = w == pic_w_ && h == pic_h_ && text_.empty();
        if (again) {
            // The changed rows, and the changed columns within them.
            left = w, top = h, right = bottom = -1;
            for (int y = 0; y < h; ++y) {
                const uint8_t *a = &index_[size_t(y) * size_t(w)], *b = pixels + size_t(y) * size_t(w);
                if (std::memcmp(a, b, size_t(w)) == 0) continue;
                int l = 0, r = w - 1;
                while (a[l] == b[l]) ++l;
                while (a[r] == b[r]) --r;
                left = std::min(left, l), right = std::max(right, r);
                top = std::min(top, y), bottom = y;
            }
            if (bottom < 0) return;
        } else {
            index_.resize(n);
            rgb_.resize(n * 3);
        }
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const PALETTEENTRY &e = peEntry[pixels[i]];
                index_[i] = pixels[i];
                rgb_[3 * i] = e.peRed;
                rgb_[3 * i + 1] = e.peGreen;
                rgb_[3 * i + 2] = e.peBlue;
            }
        pic_w_ = w;
        pic_h_ = h;
        text_.clear();
        if (again) damage(FL_DAMAGE_ALL, x() + left, y() + top, right - left + 1, bottom - top + 1);
        else redraw();
    }
    void set_text(const char *t) {
        text_ = t ? t : "";
        rgb_.clear();
        index_.clear();
        pic_w_ = pic_h_ = 0;
        redraw();
    }
    const std::string &text() const { return text_; }
    uint32_t rgb(int px, int py) const {
        if (px < 0 || py < 0 || px >= pic_w_ || py >= pic_h_) return 0;
        const uint8_t *p = &rgb_[(size_t(py) * size_t(pic_w_) + size_t(px)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }

    void draw() override {
        fl_push_clip(x(), y(), w(), h());
        fl_rectf(x(), y(), w(), h(), FL_BLACK);
        if (pic_w_ > 0) fl_draw_image(rgb_.data(), x(), y(), pic_w_, pic_h_, 3, 0);
        if (!text_.empty()) {
            fl_color(FL_WHITE);
            fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
            fl_draw(text_.c_str(), x() + 8, y() + 8, w() - 16, h() - 16, FL_ALIGN_CENTER | FL_ALIGN_WRAP);
        }
        fl_pop_clip();
    }

private:
    std::vector<uint8_t> index_;   // the picture as given
    std::vector<uint8_t> rgb_;     // the same in true colour
    int pic_w_ = 0, pic_h_ = 0;
    std::string text_;
};

bool is_input(control_kind k) { return k == control_kind::edit || k == control_kind::number; }
bool is_mark(control_kind k) { return k == control_kind::check || k == control_kind::radio; }

// Opens the toolkit's connection to the X display once; false without one
// (the toolkit itself would end the process).
bool toolkit_ready() {
    static int state = 0;   // 0 not tried, 1 ready, -1 no display
    if (state == 0) {
        Display *d = XOpenDisplay(nullptr);
        if (!d) {
            state = -1;
        } else {
            fl_open_display(d);
            Fl::scheme("gtk+");
            state = 1;
        }
    }
    return state == 1;
}

}  // namespace

// --- Building ---------------------------------------------------------------------------

dialog_window::dialog_window(HWND handle, const dialog_template &t, dlgproc proc)
    : handle_(handle), proc_(proc), title_(t.title ? t.title : "") {
    // Widgets made from here on are children of this window.
    window_ = new Fl_Double_Window(px_x(t.w), px_y(t.h));
    window_->copy_label(title_.c_str());
    window_->callback(on_close, this);
    for (const dialog_item &i : t.items) {
        int x = px_x(i.x), y = px_y(i.y), w = px_x(i.w), h = px_y(i.h);
        const char *label = i.label ? i.label : "";
        Fl_Widget *wd = nullptr;
        switch (i.kind) {
        case control_kind::text: {
            auto *b = new Fl_Box(x, y, w, h);
            b->copy_label(label);
            b->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
            wd = b;
            break;
        }
        case control_kind::group:
            wd = new group_frame(x, y, w, h, label);
            break;
        case control_kind::edit:
        case control_kind::number: {
            Fl_Input *in = i.kind == control_kind::number ? new Fl_Int_Input(x, y, w, h)
                                                          : new Fl_Input(x, y, w, h);
            in->when(FL_WHEN_CHANGED);
            wd = in;
            break;
        }
        case control_kind::button: {
            // The OK button answers the Enter key, as a default button does.
            Fl_Button *b = std::strcmp(label, "OK") == 0 ? new Fl_Return_Button(x, y, w, h)
                                                        : new Fl_Button(x, y, w, h);
            b->copy_label(label);
            wd = b;
            break;
        }
        case control_kind::check:
        case control_kind::radio: {
            // Toggle buttons, not the toolkit's radio type: that would clear
            // every other radio button of the window, across groups. The
            // procedure sets the marks itself.
            Fl_Button *b = i.kind == control_kind::check
                               ? static_cast<Fl_Button *>(new Fl_Check_Button(x, y, w, h))
                               : static_cast<Fl_Button *>(new Fl_Round_Button(x, y, w, h));
            b->type(FL_TOGGLE_BUTTON);
            b->copy_label(label);
            wd = b;
            break;
        }
        case control_kind::list: {
            auto *br = new Fl_Hold_Browser(x, y, w, h);
            br->format_char(0);   // file names are shown as they are, '@' included
            br->when(FL_WHEN_CHANGED);
            wd = br;
            break;
        }
        case control_kind::pane:
            wd = new picture_pane(x, y, w, h);
            break;
        }
        if (i.disabled) wd->deactivate();
        if (i.id < 0) continue;
        controls_.push_back({this, i.id, i.kind, wd});
        wd->callback(on_widget, &controls_.back());
    }
    window_->end();
}

dialog_window::~dialog_window() {
    kill_timers();
    if (window_) {
        window_->hide();
        delete window_;   // deletes its children
    }
}

dialog_window::control *dialog_window::find(int id) {
    for (control &c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

const dialog_window::control *dialog_window::find(int id) const {
    for (const control &c : controls_)
        if (c.id == id) return &c;
    return nullptr;
}

Fl_Widget *dialog_window::widget(int id) const {
    const control *c = find(id);
    return c ? c->widget : nullptr;
}

// --- Running ---------------------------------------------------------------------------

void dialog_window::init() { proc_(handle_, WM_INITDIALOG, 0, 0); }

void dialog_window::run(const dialog_window *over) {
    int cx, cy;
    if (over && over->window_->shown()) {
        cx = over->window_->x() + over->window_->w() / 2;
        cy = over->window_->y() + over->window_->h() / 2;
    } else {
        int sx, sy, sw, sh;
        Fl::screen_work_area(sx, sy, sw, sh);
        cx = sx + sw / 2;
        cy = sy + sh / 2;
    }
    window_->position(cx - window_->w() / 2, cy - window_->h() / 2);
    window_->set_modal();
    window_->show();
    while (!ended_) {
        if (Fl::wait() < 0) {
            // The toolkit lost the display: leave as Cancel would.
            user_close();
            if (!ended_) end(IDCANCEL);
        }
    }
}

void dialog_window::finish() {
    // Its timers end with it: no tick after the dialog is done.
    kill_timers();
    if (window_->shown()) {
        window_->hide();
        Fl::flush();
    }
    proc_(handle_, WM_DESTROY, 0, 0);
    kill_timers();
}

void dialog_window::end(int result) {
    ended_ = true;
    result_ = result;
}

void dialog_window::command(int id, unsigned code) {
    if (ended_) return;
    proc_(handle_, WM_COMMAND, MAKEWPARAM(unsigned(id), code), 0);
}

void dialog_window::on_widget(Fl_Widget *w, void *data) {
    auto *c = static_cast<control *>(data);
    switch (c->kind) {
    case control_kind::check:
    case control_kind::radio: {
        // The toolkit has already flipped the mark; the click only reports,
        // and the procedure decides the mark.
        auto *b = static_cast<Fl_Button *>(w);
        b->value(!b->value());
        c->owner->command(c->id, BN_CLICKED);
        break;
    }
    case control_kind::edit:
    case control_kind::number:
        c->owner->command(c->id, EN_CHANGE);
        break;
    case control_kind::list:
        c->owner->command(c->id, LBN_SELCHANGE);
        break;
    default:
        c->owner->command(c->id, BN_CLICKED);
        break;
    }
}

bool dialog_window::set_timer(unsigned id, unsigned period) {
    const double seconds = (period ? period : 1) / 1000.0;
    for (timer &t : timers_)
        if (t.id == id) {
            Fl::remove_timeout(on_timer, &t);
            t.period = seconds;
            Fl::add_timeout(seconds, on_timer, &t);
            return true;
        }
    timers_.push_back({this, id, seconds});
    Fl::add_timeout(seconds, on_timer, &timers_.back());
    return true;
}

void dialog_window::kill_timer(unsigned id) {
    for (auto t = timers_.begin(); t != timers_.end(); ++t)
        if (t->id == id) {
            Fl::remove_timeout(on_timer, &*t);
            timers_.erase(t);
            return;
        }
}

void dialog_window::kill_timers() {
    for (timer &t : timers_) Fl::remove_timeout(on_timer, &t);
    timers_.clear();
}

void dialog_window::on_timer(void *data) {
    auto *t = static_cast<timer *>(data);
    dialog_window *d = t->owner;
    const unsigned id = t->id;
    // Rescheduled from when it was due, so the rate holds; a tick that
    // comes late is not made up for. The procedure may kill the timer.
    Fl::repeat_timeout(t->period, on_timer, t);
    // A hidden or minimised dialog (the toolkit clears a window's visible
    // mark when it is unmapped) hears nothing.
    if (d->ended_ || !d->window_->shown() || !d->window_->visible()) return;
    d->proc_(d->handle_, WM_TIMER, id, 0);
}

// The window's close box and the Escape key are the Cancel button.
void dialog_window::on_close(Fl_Widget *, void *data) { static_cast<dialog_window *>(data)->user_close(); }

void dialog_window::user_close() { command(IDCANCEL, BN_CLICKED); }

void dialog_window::user_click(int id) {
    const control *c = find(id);
    if (c && c->widget->active()) command(id, BN_CLICKED);
}

void dialog_window::user_type(int id, const std::string &text) {
    const control *c = find(id);
    if (!c || !is_input(c->kind) || !c->widget->active()) return;
    static_cast<Fl_Input *>(c->widget)->value(text.c_str());
    command(id, EN_CHANGE);
}

void dialog_window::user_select(int id, int index) {
    const control *c = find(id);
    if (!c || c->kind != control_kind::list || !c->widget->active()) return;
    auto *br = static_cast<Fl_Browser *>(c->widget);
    if (index >= 0 && index < br->size()) br->select(index + 1);
    else br->deselect();
    command(id, LBN_SELCHANGE);
}

// --- Items -------------------------------------------------------------------------------

void dialog_window::set_title(const char *text) {
    title_ = text ? text : "";
    window_->copy_label(title_.c_str());
}

void dialog_window::set_text(int id, const char *text) {
    control *c = find(id);
    if (!c) return;
    text = text ? text : "";
    if (c->kind == control_kind::pane) {
        static_cast<picture_pane *>(c->widget)->set_text(text);
        return;
    }
    // Setting a value in code runs no callback, so no notification.
    if (is_input(c->kind)) static_cast<Fl_Input *>(c->widget)->value(text);
    else if (c->kind != control_kind::list) c->widget->copy_label(text);
}

std::string dialog_window::text(int id) const {
    const control *c = find(id);
    if (!c) return {};
    if (is_input(c->kind)) {
        const char *v = static_cast<Fl_Input *>(c->widget)->value();
        return v ? v : "";
    }
    if (c->kind == control_kind::list) return {};
    if (c->kind == control_kind::pane) return static_cast<const picture_pane *>(c->widget)->text();
    return c->widget->label() ? c->widget->label() : "";
}

void dialog_window::item_size(int id, int &w, int &h) const {
    const control *c = find(id);
    w = c ? c->widget->w() : 0;
    h = c ? c->widget->h() : 0;
}

void dialog_window::show_picture(int id, const uint8_t *pixels, int w, int h) {
    const control *c = find(id);
    if (!c || c->kind != control_kind::pane || !pixels || w <= 0 || h <= 0) return;
    static_cast<picture_pane *>(c->widget)->show_picture(pixels, w, h);
}

uint32_t dialog_window::pane_rgb(int id, int x, int y) const {
    const control *c = find(id);
    if (!c || c->kind != control_kind::pane) return 0;
    return static_cast<const picture_pane *>(c->widget)->rgb(x, y);
}

void dialog_window::set_check(int id, int state) {
    const control *c = find(id);
    if (c && is_mark(c->kind)) static_cast<Fl_Button *>(c->widget)->value(state != 0);
}

int dialog_window::check(int id) const {
    const control *c = find(id);
    if (!c || !is_mark(c->kind)) return 0;
    return static_cast<Fl_Button *>(c->widget)->value() ? BST_CHECKED : BST_UNCHECKED;
}

void dialog_window::enable(int id, bool on) {
    const control *c = find(id);
    if (!c) return;
    if (on) c->widget->activate();
    else c->widget->deactivate();
}

bool dialog_window::enabled(int id) const {
    const control *c = find(id);
    return c && c->widget->active();
}

namespace {
Fl_Browser *browser(const Fl_Widget *w) { return static_cast<Fl_Browser *>(const_cast<Fl_Widget *>(w)); }
}  // namespace

int dialog_window::list_add(int id, const char *text) {
    const control *c = find(id);
    if (!c || c->kind != control_kind::list) return -1;
    Fl_Browser *br = browser(c->widget);
    br->add(text ? text : "");
    return br->size() - 1;
}

int dialog_window::list_delete(int id, int index) {
    const control *c = find(id);
    if (!c || c->kind != control_kind::list) return -1;
    Fl_Browser *br = browser(c->widget);
    if (index < 0 || index >= br->size()) return -1;
    br->remove(index + 1);
    return br->size();
}

void dialog_window::list_reset(int id) {
    const control *c = find(id);
    if (c && c->kind == control_kind::list) browser(c->widget)->clear();
}

int dialog_window::list_count(int id) const {
    const control *c = find(id);
    return c && c->kind == control_kind::list ? browser(c->widget)->size() : 0;
}

int dialog_window::list_selection(int id) const {
    const control *c = find(id);
    // The browser counts lines from 1 and answers 0 for no selection.
    return c && c->kind == control_kind::list ? browser(c->widget)->value() - 1 : -1;
}

std::string dialog_window::list_text(int id, int index) const {
    const control *c = find(id);
    if (!c || c->kind != control_kind::list) return {};
    Fl_Browser *br = browser(c->widget);
    if (index < 0 || index >= br->size()) return {};
    const char *t = br->text(index + 1);
    return t ? t : "";
}

bool dialog_message(const char *text, const char *caption, bool stop) {
    if (!toolkit_ready()) return false;
    fl_message_title(caption);
    if (stop) fl_alert("%s", text);
    else fl_message("%s", text);
    return true;
}

// --- The services' dialogs ---------------------------------------------------------

dialog_window *sdl_services::dialog(HWND dlg) {
    for (auto &d : dialogs_)
        if (d->handle() == dlg) return d.get();
    return nullptr;
}

int sdl_services::dialog_box(const dialog_template &t, HWND, dlgproc proc) {
    HWND h = next_handle_++;
    const dialog_window *over = dialogs_.empty() ? nullptr : dialogs_.back().get();
    dialogs_.push_back(std::make_unique<dialog_window>(h, t, proc));
    dialog_window &d = *dialogs_.back();
    d.init();
    if (!d.ended()) {
        if (toolkit_ready()) {
            d.run(over);
        } else {
            message_box("The settings dialogs need an X11 display; DISPLAY names none that can be opened.",
                        "Vortella", MB_ICONSTOP);
            d.user_close();
            if (!d.ended()) d.end(IDCANCEL);
        }
    }
    d.finish();
    int result = d.result();
    dialogs_.pop_back();
    return result;
}

void sdl_services::end_dialog(HWND dlg, int result) {
    if (dialog_window *d = dialog(dlg)) d->end(result);
}

void sdl_services::set_window_text(HWND w, const char *text) {
    if (dialog_window *d = dialog(w)) d->set_title(text);
    else if (window *win = find(w))
        for (auto &p : win->panes) SDL_SetWindowTitle(p->sdl, text ? text : "");
}

void sdl_services::set_item_text(HWND dlg, int id, const char *text) {
    if (dialog_window *d = dialog(dlg)) d->set_text(id, text);
}

std::string sdl_services::get_item_text(HWND dlg, int id, size_t size) {
    dialog_window *d = dialog(dlg);
    if (!d || size == 0) return {};
    return d->text(id).substr(0, size - 1);
}

void sdl_services::set_item_int(HWND dlg, int id, int value) {
    set_item_text(dlg, id, std::to_string(value).c_str());
}

int sdl_services::get_item_int(HWND dlg, int id, bool *ok) {
    dialog_window *d = dialog(dlg);
    if (!d) {
        if (ok) *ok = false;
        return 0;
    }
    return parse_item_int(d->text(id), ok);
}

void sdl_services::check_button(HWND dlg, int id, int state) {
    if (dialog_window *d = dialog(dlg)) d->set_check(id, state);
}

int sdl_services::is_button_checked(HWND dlg, int id) {
    dialog_window *d = dialog(dlg);
    return d ? d->check(id) : 0;
}

void sdl_services::check_radio(HWND dlg, int first, int last, int id) {
    if (dialog_window *d = dialog(dlg))
        for (int i = first; i <= last; ++i) d->set_check(i, i == id ? BST_CHECKED : BST_UNCHECKED);
}

void sdl_services::enable_item(HWND dlg, int id, bool enable) {
    if (dialog_window *d = dialog(dlg)) d->enable(id, enable);
}

int sdl_services::list_add(HWND dlg, int id, const char *text) {
    dialog_window *d = dialog(dlg);
    return d ? d->list_add(id, text) : -1;
}

int sdl_services::list_delete(HWND dlg, int id, int index) {
    dialog_window *d = dialog(dlg);
    return d ? d->list_delete(id, index) : -1;
}

void sdl_services::list_reset(HWND dlg, int id) {
    if (dialog_window *d = dialog(dlg)) d->list_reset(id);
}

int sdl_services::list_count(HWND dlg, int id) {
    dialog_window *d = dialog(dlg);
    return d ? d->list_count(id) : 0;
}

int sdl_services::list_selection(HWND dlg, int id) {
    dialog_window *d = dialog(dlg);
    return d ? d->list_selection(id) : -1;
}

std::string sdl_services::list_text(HWND dlg, int id, int index) {
    dialog_window *d = dialog(dlg);
    return d ? d->list_text(id, index) : std::string();
}

void sdl_services::item_size(HWND dlg, int id, int &w, int &h) {
    w = h = 0;
    if (dialog_window *d = dialog(dlg)) d->item_size(id, w, h);
}

void sdl_services::show_picture(HWND dlg, int id, const uint8_t *pixels, int w, int h) {
    if (dialog_window *d = dialog(dlg)) d->show_picture(id, pixels, w, h);
}

bool sdl_services::set_dialog_timer(HWND dlg, unsigned id, unsigned period) {
    dialog_window *d = dialog(dlg);
    return d && d->set_timer(id, period);
}

void sdl_services::kill_dialog_timer(HWND dlg, unsigned id) {
    if (dialog_window *d = dialog(dlg)) d->kill_timer(id);
}

bool sdl_services::open_file_dialog(HWND, const char *filter_name, const char *pattern, size_t size,
                                    std::string &file) {
    if (!toolkit_ready()) return false;
    // The desktop's own chooser (GTK) when its libraries are there, else
    // the toolkit's.
    Fl_Native_File_Chooser fc;
    fc.title("Open");
    fc.type(Fl_Native_File_Chooser::BROWSE_FILE);
    std::string filter = std::string(filter_name ? filter_name : "") + "\t" + (pattern ? pattern : "*");
    fc.filter(filter.c_str());
    // It opens where the last file was chosen, at first in the current folder.
    static std::string folder;
    std::error_code ec;
    if (folder.empty()) folder = std::filesystem::current_path(ec).string();
    fc.directory(folder.c_str());
    if (fc.show() != 0 || !fc.filename()) return false;
    std::string f = fc.filename();
    if (f.empty() || !std::filesystem::is_regular_file(f, ec)) return false;
    folder = std::filesystem::path(f).parent_path().string();
    if (size == 0 || f.size() > size - 1) {
        message_box(("The file name is longer than " + std::to_string(size ? size - 1 : 0) +
                     " characters:\n" + f).c_str(),
                    "Vortella", MB_OK);
        return false;
    }
    file = f;
    return true;
}

}  // namespace vortella::desktop
