// Shared by the fuzz targets: resetting the process-wide state a load or a
// frame leaves behind, so that every input starts from the same state and
// a finding reproduces from its input alone; releasing everything an input
// made; and failing loudly when a check on the outcome does not hold.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "platform/headless/headless.h"
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

// The renderer's state as a fresh process has it.
inline void reset_state() {
    reset_frame();
    reset_raster();
    reset_pipeline();
    reset_view();
    reset_scene();
}

// Frees the picture, the store, the render list and the background bitmap,
// and checks that no bitmap block is left.
inline void release_all(int blocks0) {
    reset_frame();
    reset_scene();
    VT_FUZZ_CHECK(GlobalCount() == blocks0);
}

// Draws `frames` frames of the loaded scene into a fresh w x h picture,
// moving the camera by the scene's rates between frames as the saver does.
inline void draw_frames(int w, int h, int frames) {
    if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
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
