// Frame presentation: one camera step, one frame rendered into the
// off-screen picture, the picture copied to the black screen at its place,
// and that place moved for the bouncing modes.
#include <climits>
#include <cstdlib>

#include "app/app.h"
#include "frame/frame.h"

namespace vortella {

namespace {

// -2 .. +2, the speed change of the other axis at a bounce.
int nudge() {
    const int up = std::rand() % 3;
    const int down = std::rand() % 3;
    return up - down;
}

// Moves the picture by its velocity; an edge of the playing monitor
// reflects the velocity along its axis and nudges the other one. Only left
// and right edges turn the camera's and the light's rotation round in
// mode 2. The velocity counts picture pixels, so a scaled picture moves
// pixk screen pixels for each and its motion looks the same.
void move_picture() {
    const int room_x = playmon.w - pixk * picw, room_y = playmon.h - pixk * pich;
    prevpx = currpx;
    prevpy = currpy;
    currpx += pixk * currvx;
    currpy += pixk * currvy;
    if (currpx > room_x || currpx < 0) {
        currpx = prevpx;
        currvx = -currvx;
        currvy += nudge();
        currpx += pixk * currvx;
        if (amode == 2) {
            CamRotRate = -CamRotRate;
            litsp = -litsp;
        }
    }
    if (currpy > room_y || currpy < 0) {
        currpy = prevpy;
        currvy = -currvy;
        currvx += nudge();
        currpy += pixk * currvy;
    }
    // With less room than the speed a reflected step can still leave the
    // screen; the picture then stops at the edge (its velocity is kept).
    if (currpx > room_x) currpx = room_x;
    if (currpx < 0) currpx = 0;
    if (currpy > room_y) currpy = room_y;
    if (currpy < 0) currpy = 0;
}

}  // namespace

int auto_pixel_scale(int rows) {
    const long long k = (static_cast<long long>(rows) + 540) / 1080;
    return k < 1 ? 1 : k > INT_MAX ? INT_MAX : static_cast<int>(k);
}

void full_screen_picture(int mw, int mh, int &k, int &w, int &h) {
    if (k < 1) k = 1;
    if (mw < 1) mw = 1;
    if (mh < 1) mh = 1;
    // The scale goes up until a side fits; rounding down to blocks then
    // never meets the limit, which would leave more than blocks black.
    while (mw / k > pic_max || mh / k > pic_max) ++k;
    w = mw / k / 16 * 16;
    h = mh / k / 4 * 4;
    if (w < 16) w = 16;
    if (h < 4) h = 4;
}

namespace {

// The saver's screen: its window on the platform's.
struct window_screen final : frame_screen {
    explicit window_screen(HWND w) : hwnd(w) {}
    HWND hwnd;
    int width() override { return sys()->screen_width(); }
    int height() override { return sys()->screen_height(); }
    void fill_black(int x, int y, int w, int h) override { sys()->fill_black(hwnd, x, y, w, h); }
    void copy_picture(int x, int y, int scale) override { sys()->blit_picture(hwnd, x, y, scale); }
};

}  // namespace

int AppPaint(HWND hwnd) {
    window_screen screen(hwnd);
    return paint_frame(screen);
}

int paint_frame(frame_screen &screen) {
    if (ftsw == 1) {
        ftsw = 0;
        // The whole screen, every monitor, however large; pictures of an
        // earlier entry may have been anywhere on it.
        const int sw = screen.width(), sh = screen.height();
        screen.fill_black(0, 0, sw > black_extent ? sw : black_extent, sh > black_extent ? sh : black_extent);
    }

    if (CamRotRate != 0) rotatecam();
    if (CamPanRate != 0) pancam();
    if (CamZoomRate != 0) zoomcamo();

    force_redraw = 1;
    if (file_no_obj > 0 && image_bits) {
        const unsigned now = sys()->mm_time();
        if (prevtime != 0) {
            frametime = float(now - prevtime);
            // Two frames in the same millisecond have no measurable rate.
            if (frametime > 0) framerate = 1000.0f / frametime;
        }
        prevtime = now;
        render();
        force_redraw = 0;
        force_blit = 1;
    }

    if (force_blit == 1) {
        force_blit = 0;
        if (amode == 1 || amode == 2)
            screen.fill_black(playmon.x + prevpx, playmon.y + prevpy, pixk * picw, pixk * pich);
        screen.copy_picture(playmon.x + currpx, playmon.y + currpy, pixk);
    }

    if (amode == 1 || amode == 2) move_picture();
    return 1;
}

}  // namespace vortella
