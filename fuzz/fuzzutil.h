// Shared by the fuzz targets: resetting the process-wide state a load or a
// frame leaves behind, so that every input starts from the same state and
// a finding reproduces from its input alone; releasing everything an input
// made; and failing loudly when a check on the outcome does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/platform/platform.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/gmem.h"
#include "scene/scene.h"

namespace vortella::fuzz {

// Aborts with a message: libFuzzer reports the input as a crash.
[[noreturn]] inline void fail(const char *what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
#define VT_FUZZ_CHECK(c) ((c) ? (void)0 : ::vortella::fuzz::fail(#c))

// Camera, light, background and view globals as a fresh process has them.
inline void reset_view() {
    camx = camy = camz = 1;
    tarx = tary = tarz = 0;
    focl = 1.93f;
    CamRotRate = CamPanRate = CamZoomRate = 0;
    CamFHeight = 1.7f;
    movem = 0;
    ltal = ltaz = 0;
    sbackground = 0;
    bgred = bggreen = bgblue = 0;
    iminv = 1;
    Orientation = 1;
    // The view transform keeps its last value for a camera that is not
    // finite: start from the same one every time.
    float *tc[16] = {&tc11, &tc12, &tc13, &tc14, &tc21, &tc22, &tc23, &tc24,
                     &tc31, &tc32, &tc33, &tc34, &tc41, &tc42, &tc43, &tc44};
    for (float *v : tc) *v = 0;
}

// Frees the picture, the store, the render list and the background bitmap,
// and checks that no bitmap block is left.
inline void release_all(int blocks0) {
    picfree();
    deletefilestruct();
    deleterenlstruct();
    DibFree(bgmapraw);
    bgmapraw = nullptr;
    VT_FUZZ_CHECK(GlobalCount() == blocks0);
}

// Draws `frames` frames of the loaded scene into a fresh w x h picture,
// moving the camera by the scene's rates between frames as the saver does.
inline void draw_frames(int w, int h, int frames) {
    if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(sbackgroundbmp.c_str());
    picround(w, h);
    std::vector<uint8_t> bits(size_t(picw) * size_t(pich));
    if (!picbuild(bits.data())) return;
    for (int f = 0; f < frames; ++f) {
        if (f > 0) {
            if (CamRotRate != 0.0f) rotatecam();
            if (CamPanRate != 0.0f) pancam();
            if (CamZoomRate != 0.0f) zoomcamo();
            zoomcam();
        }
        render();
    }
    picfree();
}

}  // namespace vortella::fuzz
