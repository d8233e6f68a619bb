// vtl build: compiles a model file or a JSON scene description into a scene
// file with its texture maps.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "authoring/scenejson.h"
#include "tools/vtl.h"

namespace vortella {

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: vtl build MODEL|SCENE.json -o SCENE.vtl [--faceted] [--crease DEG] [--computed-normals]\n"
                 "                 [--mapping auto|planar|planar-x|planar-y|planar-z|spherical|cylindrical]\n"
                 "                 [--up x|y|z|-x|-y|-z] [--floor] [--plain-tables] [--import-timeout SECONDS]\n"
                 "                 [--quiet]\n");
    return 2;
}

bool endswith(const std::string &s, const char *e) {
    const std::string x = e;
    if (s.size() < x.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - x.size() + i])) != x[i]) return false;
    return true;
}

}  // namespace

int cmd_build(int argc, char **argv) {
    std::string in, out;
    bool quiet = false;
    build_options o;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "-o" && more) {
            out = argv[++i];
        } else if (a == "--faceted") {
            o.geo.faceted = true;
        } else if (a == "--crease" && more) {
            char *end = nullptr;
            o.geo.crease_deg = std::strtod(argv[++i], &end);
            if (*end || !(o.geo.crease_deg >= 0 && o.geo.crease_deg <= 180)) return usage();
            o.geo.file_normals = false;
        } else if (a == "--computed-normals") {
            o.geo.file_normals = false;
        } else if (a == "--mapping" && more) {
            o.mapping = argv[++i];
            material_desc probe;
            if (o.mapping != "auto" && !fit_mapping(probe, o.mapping, {0, 0, 0, 1, 1, 1})) {
                std::fprintf(stderr, "vtl build: unknown mapping '%s'\n", o.mapping.c_str());
                return usage();
            }
        } else if (a == "--up" && more) {
            o.up = argv[++i];
            model_axes axes;
            std::string err;
            if (!model_up(model_mesh{}, o.up, axes, &err)) {
                std::fprintf(stderr, "vtl build: %s\n", err.c_str());
                return usage();
            }
        } else if (a == "--floor") {
            o.floor = true;
        } else if (a == "--import-timeout" && more) {
            char *end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (*end || v < 1 || v > 86400) return usage();
            o.import_seconds = static_cast<int>(v);
        } else if (a == "--plain-tables") {
            o.plain_tables = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a[0] == '-' || !in.empty()) {
            std::fprintf(stderr, "vtl build: unexpected argument '%s'\n", argv[i]);
            return usage();
        } else {
            in = a;
        }
    }
    if (in.empty() || out.empty()) return usage();

    // A progress bar on a terminal, once the work has taken a second.
    const auto t0 = std::chrono::steady_clock::now();
    const bool tty = !quiet && isatty(2);
    bool shown = false;
    o.progress = [&](double done) {
        if (!tty) return;
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (secs < 1 && !shown) return;
        shown = true;
        const int width = 40, fill = static_cast<int>(done * width);
        std::fprintf(stderr, "\rdepth tables [%.*s%*s] %3d%%", fill, "########################################",
                     width - fill, "", static_cast<int>(done * 100));
        std::fflush(stderr);
    };

    built_scene b;
    std::string err;
    const bool ok = endswith(in, ".json") ? build_json_scene(in, o, b, &err) : build_model_scene(in, o, b, &err);
    if (shown) std::fprintf(stderr, "\n");
    if (!ok || !write_built_scene(b, out, &err)) {
        std::fprintf(stderr, "vtl build: %s\n", err.c_str());
        return 2;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!quiet) {
        std::printf("%s: %d geometr%s, %ld points, %ld triangles, depth tables %ld entries (%.1f per triangle), "
                    "%zu map%s, %.2f s\n",
                    out.c_str(), b.geometries, b.geometries == 1 ? "y" : "ies", b.points, b.triangles,
                    b.table_entries, b.triangles ? double(b.table_entries) / double(b.triangles) : 0.0, b.maps.size(),
                    b.maps.size() == 1 ? "" : "s", secs);
        for (const std::string &n : b.notes) std::printf("  %s\n", n.c_str());
    }
    return 0;
}

}  // namespace vortella
