// Scene files: the input is loaded as a scene file (the loader ignores bytes
// after the last object), and when it loads, drawn from a camera and at a
// picture size chosen by its last six bytes:
//   [0] start azimuth, [1] start altitude, [2] width, [3] height,
//   [4] bit 0 keeps the file's own camera, bit 1 inverted display,
//       bit 2 bottom-up rows, bits 3-4 extra frames with camera motion,
//   [5] zoom step of the bouncing zoom.
// Maps and the background are small built-in bitmaps under the names the
// demo scenes use. A scene that loads is also reported as vtl info reports
// it, as text and as JSON, which must parse back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/primitives.h"
#include "fuzzutil.h"
#include "tools/report.h"

using namespace vortella;

namespace {

constexpr const char *scene_name = "FUZZ-INPUT.VTL";

// The demo scenes' map names, each a small checkerboard of its own shape.
void install_maps() {
    static const char *const names[] = {"PLANET.BMP", "MOON.BMP",   "TILES.BMP",
                                        "MARBLE.BMP", "FLUTED.BMP", "BGROUND.BMP"};
    static std::vector<std::vector<uint8_t>> files;
    static std::vector<dib_resource> table;
    const uint8_t a[3] = {240, 200, 40}, b[3] = {20, 60, 150};
    for (int i = 0; i < 6; ++i) files.push_back(bmp24(make_checker(8 << (i % 3), 8 + 4 * i, 2 + i, a, b)));
    for (int i = 0; i < 6; ++i) table.push_back({names[i], files[size_t(i)].data(), files[size_t(i)].size()});
    dib_resources = table.data();
    dib_nresources = 6;
}

// The report of the loaded store, as vtl info gives it.
void report(const uint8_t *data, size_t size, const std::vector<std::string> &warnings) {
    file_header_s h{};
    if (size >= sizeof h) std::memcpy(&h, data, sizeof h);
    try {
        const nlohmann::ordered_json j = scene_report(scene_name, h, warnings);
        (void)scene_text(j);
        VT_FUZZ_CHECK(nlohmann::json::accept(scene_json(j)));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("the report of a loaded scene threw");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    install_maps();
    create_halftone_palette();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    headless_services svc;
    set_sys(&svc);

    uint8_t t[6] = {0, 45, 4, 4, 0, 0};
    if (size >= 6)
        for (int i = 0; i < 6; ++i) t[i] = data[size - 6 + i];

    const dib_resource self{scene_name, data, size};
    scene_resources = &self;
    scene_nresources = 1;
    // Only the built-in bitmaps: no folder to search.
    fuzz::reset_state();
    const int blocks0 = GlobalCount();

    // A map the file names may be missing (the saver would end there).
    const load_result r = readfile(scene_name, scene_paths{"", "/nonexistent/vortella-fuzz", "BGROUND.BMP"});
    const int rc = r.code;
    if (rc == 0) report(data, size, r.warnings);
    if (rc != 0) VT_FUZZ_CHECK(file_no_obj == 0);
    if (rc == 0) {
        camsa = t[0] * 360 / 256;
        camat = t[1] % 181 - 90;
        iminv = t[4] & 2 ? 0 : 1;
        Orientation = t[4] & 4 ? 1 : -1;
        calcmaxt();
        if (!(t[4] & 1)) initcam();
        // The bouncing zoom between about 0.93 and 2 times the start
        // distance.
        const float dx = camx - tarx, dy = camy - tary, dz = camz - tarz;
        cam2tar = float(std::sqrt(double(dx * dx + dy * dy + dz * dz)));
        camzrate = float(int(t[5] % 7) - 3);
        camzfact = 2;
        fuzz::draw_frames(16 + (t[2] % 16) * 16, 4 + (t[3] % 32) * 4, 1 + ((t[4] >> 3) & 3));
    }
    fuzz::release_all(blocks0);
    scene_resources = nullptr;
    scene_nresources = 0;
    set_sys(nullptr);
    return 0;
}
