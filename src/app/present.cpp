// Frame presentation: one camera step, one frame rendered into the
// off-screen picture, the picture copied to the black screen at its place,
// and that place moved for the bouncing modes.
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

// Moves the picture by its velocity; an edge reflects the velocity along
// its axis and nudges the other one. Only left and right edges turn the
// camera's and the light's rotation round in mode 2.
void move_picture() {
    services *s = sys();
    const int room_x = s->screen_width() - picw, room_y = s->screen_height() - pich;
    prevpx = currpx;
    prevpy = currpy;
    currpx += currvx;
    currpy += currvy;
    if (currpx > room_x || currpx < 0) {
        currpx = prevpx;
        currvx = -currvx;
        currvy += nudge();
        currpx += currvx;
        if (amode == 2) {
            CamRotRate = -CamRotRate;
            litsp = -litsp;
        }
    }
    if (currpy > room_y || currpy < 0) {
        currpy = prevpy;
        currvy = -currvy;
        currvx += nudge();
        currpy += currvy;
    }
    // With less room than the speed a reflected step can still leave the
    // screen; the picture then stops at the edge (its velocity is kept).
    if (currpx > room_x) currpx = room_x;
    if (currpx < 0) currpx = 0;
    if (currpy > room_y) currpy = room_y;
    if (currpy < 0) currpy = 0;
}

}  // namespace

int AppPaint(HWND hwnd) {
    services *s = sys();
    if (ftsw == 1) {
        ftsw = 0;
        // The whole screen, however large; pictures of an earlier entry may
        // have been anywhere on it.
        const int sw = s->screen_width(), sh = s->screen_height();
        s->fill_black(hwnd, 0, 0, sw > black_extent ? sw : black_extent,
                      sh > black_extent ? sh : black_extent);
    }

    if (CamRotRate != 0) rotatecam();
    if (CamPanRate != 0) pancam();
    if (CamZoomRate != 0) zoomcamo();

    force_redraw = 1;
    if (file_no_obj > 0 && image_bits) {
        const unsigned now = s->mm_time();
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
        if (amode == 1 || amode == 2) s->fill_black(hwnd, prevpx, prevpy, picw, pich);
        s->blit_picture(hwnd, currpx, currpy);
    }

    if (amode == 1 || amode == 2) move_picture();
    return 1;
}

}  // namespace vortella
