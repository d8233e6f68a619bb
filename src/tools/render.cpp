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

}  // namespace

int cmd_render(int argc, char **argv) {
    const char *scene = nullptr, *out = nullptr;
    int w = 320, h = 200, frames = 1, fps = 10;
    bool bench = false;
    const char *entry = nullptr;
    std::string maps, background;
    iminv = 1;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "-o" && more) {
            out = argv[++i];
        } else if (a == "--size" && more) {
            if (!parsesize(argv[++i], w, h)) return usage();
        } else if (a == "--frames" && more) {
            if (!parseint(argv[++i], 1, 100000, frames)) return usage();
        } else if (a == "--fps" && more) {
            if (!parseint(argv[++i], 1, 100, fps)) return usage();
        } else if (a == "--entry" && more) {
            entry = argv[++i];
        } else if (a == "--maps" && more) {
            maps = argv[++i];
        } else if (a == "--background" && more) {
            background = argv[++i];
        } else if (a == "--inverted") {
            iminv = 0;
        } else if (a == "--bench") {
            bench = true;
        } else if (a[0] == '-' || scene) {
            std::fprintf(stderr, "vtl render: unexpected argument '%s'\n", argv[i]);
            return usage();
        } else {
            scene = argv[i];
        }
    }
    if (!scene || (!out && !bench)) return usage();
    if (entry) {
        // The thirteen playlist-entry parameters, each within the entry
        // dialog's range.
        int v[13], n = 0;
        char tail = 0;
        n = std::sscanf(entry, "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d%c", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                        &v[6], &v[7], &v[8], &v[9], &v[10], &v[11], &v[12], &tail);
        bool ok = n == 13;
        for (int k = 0; ok && k < 13; ++k) ok = v[k] >= entry_params[k].lo && v[k] <= entry_params[k].hi;
        if (!ok) {
            std::fprintf(stderr, "vtl render: --entry needs thirteen integers within the entry dialog's ranges\n");
            return 2;
        }
        parse_entry(entry);
    }
    const std::string ext = out && std::strlen(out) >= 4 ? std::string(out + std::strlen(out) - 4) : std::string();
    const bool animate = ext == ".gif" || ext == ".GIF";
    if (out && !animate && ext != ".png" && ext != ".PNG" && ext != ".bmp" && ext != ".BMP") {
        std::fprintf(stderr, "vtl render: %s: unknown picture format (use .png, .bmp or .gif)\n", out);
        return 2;
    }

    install_demos();
    const std::string p = scene;
    const size_t cut = p.find_last_of("/\\");
    openpath = cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
    mapsdir = !maps.empty() ? maps : cut == std::string::npos ? std::string(".") : p.substr(0, cut);
    sbackgroundbmp = !background.empty() ? background : mapsdir + pathsep + demo_background;

    int rc;
    try {
        rc = readfile(scene);
    } catch (const process_exit &) {
        std::fprintf(stderr, "vtl: %s: cannot load: a map it names is missing\n", scene);
        return 1;
    }
    if (rc == 1) {
        std::fprintf(stderr, "vtl: %s: cannot open\n", scene);
        return 1;
    }
    if (rc == 2) {
        std::fprintf(stderr, "vtl: %s\n", readerr.c_str());
        return 2;
    }
    for (const std::string &warn : readwarn) std::fprintf(stderr, "vtl: %s: warning: %s\n", scene, warn.c_str());
    // An entry's motion replaces or joins the scene's own, as when the saver
    // switches to that entry.
    if (entry) apply_entry_motion();

    create_halftone_palette();
    // A bitmap background needs its panorama before the picture is built.
    if (sbackground == 2 && !bgmapraw) {
        bgmapraw = DibOpenFile(sbackgroundbmp.c_str());
        if (!bgmapraw) std::fprintf(stderr, "vtl: File %s not found: plain background\n", sbackgroundbmp.c_str());
    }
    // The picture's rows are kept top-down, as the output formats store them.
    Orientation = -1;
    picround(w, h);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    picbuild(bits.data());

    gif_writer gif;
    std::string err;
    if (animate && !gif.open(out, picw, pich, peEntry, &err)) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    double total = 0;
    for (int f = 0; f < frames; ++f) {
        // The saver's frame step: camera motion by its rates, then the frame.
        if (CamRotRate != 0.0f) rotatecam();
        if (CamPanRate != 0.0f) pancam();
        if (CamZoomRate != 0.0f) zoomcamo();
        const auto t0 = std::chrono::steady_clock::now();
        render();
        total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (entry) after_frame();
        if (animate && !gif.frame(bits.data(), picw, 100 / fps, &err)) {
            std::fprintf(stderr, "vtl: %s\n", err.c_str());
            return 1;
        }
    }
    bool ok = true;
    if (animate)
        ok = gif.close(&err);
    else if (out)
        ok = write_pic8(out, pic8{bits.data(), picw, pich, picw, peEntry}, &err);
    if (!ok) {
        std::fprintf(stderr, "vtl: %s\n", err.c_str());
        return 1;
    }
    if (bench)
        std::printf("%s %dx%d: %.3f ms per frame over %d frames\n", scene, picw, pich, total / frames, frames);
    picfree();
    deletefilestruct();
    deleterenlstruct();
    DibFree(bgmapraw);
    bgmapraw = nullptr;
    return 0;
}

}  // namespace vortella
