// Whole frames of the demo scenes at the usual picture sizes.
#include <benchmark/benchmark.h>

#include <vector>

#include "authoring/demos.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/scene.h"

namespace {

using namespace vortella;

void BM_frame(benchmark::State &state, const char *scene) {
    static const int sizes[][2] = {{320, 200}, {640, 480}, {1024, 768}, {1920, 1080}};
    const int *sz = sizes[state.range(0)];
    install_demos();
    if (readfile(scene, scene_paths{"", ".", demo_background}).code != load_ok) {
        state.SkipWithError("cannot load the demo scene");
        return;
    }
    if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
    create_halftone_palette();
    Orientation = -1;
    picround(sz[0], sz[1]);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    picbuild(bits.data());
    for (auto _ : state) {
        // The camera moves every frame, as in the saver.
        if (CamRotRate != 0.0f) rotatecam();
        if (CamPanRate != 0.0f) pancam();
        render();
        benchmark::DoNotOptimize(bits.data());
    }
    state.SetLabel(std::to_string(picw) + "x" + std::to_string(pich));
    picfree();
    deletefilestruct();
    deleterenlstruct();
}

BENCHMARK_CAPTURE(BM_frame, orbit, "ORBIT.VTL")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, chrome, "CHROME.VTL")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, temple, "TEMPLE.VTL")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_frame, tangle, "TANGLE.VTL")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace
