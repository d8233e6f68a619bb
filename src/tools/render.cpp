// vtl render: renders frames of a scene the way the saver's frame step does
// and writes them as a picture or an animation.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "authoring/demos.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/scene.h"
#include "tools/image/image.h"
#include "tools/load.h"
#include "tools/vtl.h"

namespace vortella {

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vtl render SCENE.vtl -o OUT.{png,bmp,gif} [--size WxH] [--frames N] [--fps N]\n"
                 "                  [--entry P1,...,P13] [--maps DIR] [--background BMP] [--inverted] [--bench]\n");
    return 2;
}

bool parsesize(const char *s, int &w, int &h) {
    char x = 0;
    return std::sscanf(s, "%d%c%d", &w, &x, &h) == 3 && (x == 'x' || x == 'X') && w > 0 && h > 0;
}

bool parseint(const char *s, int lo, int hi, int &v) {
    char *end = nullptr;
    long n = std::strtol(s, &end, 10);
    if (!*s || *end || n < lo || n > hi) return false;
    v = static_cast<int>(n);
    return true;
}

// The top row of the bottom-up picture: its last row in memory. The
// writers take it with a negative stride.
const uint8_t *toprow(const std::vector<uint8_t> &bits) { return bits.data() + size_t(pich - 1) * size_t(picw); }

// What the command line asks for.
struct render_options {
    const char *scene = nullptr, *out = nullptr;
    int w = 320, h = 200, frames = 1, fps = 10;
    bool bench = false, animate = false;
    const char *entry = nullptr;
    std::string maps, background;
};

// Reads the arguments into `o` (and the playlist-entry parameters into the
// application's globals). 0, or the exit status of a bad command line.
int parse_args(int argc, char **argv, render_options &o) {
    iminv = 1;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "-o" && more) {
            o.out = argv[++i];
        } else if (a == "--size" && more) {
            if (!parsesize(argv[++i], o.w, o.h)) return usage();
        } else if (a == "--frames" && more) {
            if (!parseint(argv[++i], 1, 100000, o.frames)) return usage();
        } else if (a == "--fps" && more) {
            if (!parseint(argv[++i], 1, 100, o.fps)) return usage();
        } else if (a == "--entry" && more) {
            o.entry = argv[++i];
        } else if (a == "--maps" && more) {
            o.maps = argv[++i];
        } else if (a == "--background" && more) {
            o.background = argv[++i];
        } else if (a == "--inverted") {
            iminv = 0;
        } else if (a == "--bench") {
            o.bench = true;
        } else if (a[0] == '-' || o.scene) {
            std::fprintf(stderr, "vtl render: unexpected argument '%s'\n", argv[i]);
            return usage();
        } else {
            o.scene = argv[i];
        }
    }
    if (!o.scene || (!o.out && !o.bench)) return usage();
    if (o.entry) {
        // The thirteen playlist-entry parameters, each within the entry
        // dialog's range.
        int v[13], n = 0;
        char tail = 0;
        n = std::sscanf(o.entry, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d%c", &v[0], &v[1], &v[2], &v[3], &v[4],
                        &v[5], &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &tail);
        bool ok = n == 13;
        for (int k = 0; ok && k < 13; ++k) ok = v[k] >= entry_params[k].lo && v[k] <= entry_params[k].hi;
        if (!ok) {
            std::fprintf(stderr, "vtl render: --entry needs thirteen integers within the entry dialog's ranges\n");
            return 2;
        }
        parse_entry(o.entry);
    }
    const size_t len = o.out ? std::strlen(o.out) : 0;
    const std::string ext = len >= 4 ? std::string(o.out + len - 4) : std::string();
    o.animate = ext == ".gif" || ext == ".GIF";
    if (o.out && !o.animate && ext != ".png" && ext != ".PNG" && ext != ".bmp" && ext != ".BMP") {
        std::fprintf(stderr, "vtl render: %s: unknown picture format (use .png, .bmp or .gif)\n", o.out);
        return 2;
    }
    return 0;
}

// The saver's frame steps into `bits`: camera motion by its rates, the
// frame, the entry's zoom and light steps; every frame goes to `gif` when
// it is open. 0, or 1 when the animation cannot be written. `ms` gets the
// time spent drawing.
int draw_frames(const render_options &o, std::vector<uint8_t> &bits, gif_writer *gif, double &ms) {
    std::string err;
    ms = 0;
    for (int f = 0; f < o.frames; ++f) {
        if (CamRotRate != 0.0f) rotatecam();
        if (CamPanRate != 0.0f) pancam();
        if (CamZoomRate != 0.0f) zoomcamo();
        const auto t0 = std::chrono::steady_clock::now();
        render();
        ms += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (o.entry) after_frame();
        if (gif && !gif->frame(toprow(bits), -picw, 100 / o.fps, &err)) {
            std::fprintf(stderr, "vtl: %s\n", err.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int cmd_render(int argc, char **argv) {
    render_options o;
    if (const int rc = parse_args(argc, argv, o)) return rc;

    install_demos();
    load_result loaded;
    if (const int rc = load_scene(o.scene, o.maps, o.background, loaded)) return rc;
    // An entry's motion replaces or joins the scene's own, as when the saver
    // switches to that entry.
    if (o.entry) apply_entry_motion();

    create_halftone_palette();
    // A bitmap background needs its panorama before the picture is built.
    if (sbackground == 2 && !bgmapraw) {
        bgmapraw = DibOpenFile(bgmapname.c_str());
        if (!bgmapraw) std::fprintf(stderr, "vtl: File %s not found: plain background\n", bgmapname.c_str());
    }
    // No platform recommends a row order here: the picture is bottom-up, as
    // the renderer draws it by default; the writers get its top row first.
    Orientation = 1;
    picround(o.w, o.h);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    picbuild(bits.data());

    gif_writer gif;
    std::string err;
    if (o.animate && !gif.open(o.out, picw, pich, peEntry, &err)) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    double ms = 0;
    if (const int rc = draw_frames(o, bits, o.animate ? &gif : nullptr, ms)) return rc;
    bool ok = true;
    if (o.animate)
        ok = gif.close(&err);
    else if (o.out)
        ok = write_pic8(o.out, pic8{toprow(bits), picw, pich, -picw, peEntry}, &err);
    if (!ok) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    if (o.bench)
        std::printf("%s %dx%d: %.3f ms per frame over %d frames\n", o.scene, picw, pich, ms / o.frames, o.frames);
    picfree();
    unload_scene();
    return 0;
}

}  // namespace vortella
