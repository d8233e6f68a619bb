// Model files for the scene compiler: the first byte picks the format (OBJ,
// PLY, STL or glTF), the rest is the file, imported as the compiler does it
// (in a child process with a time limit). A model that loads must give
// triangles over its own points, geometries within the scene format's
// limits, depth tables over their own triangles, and a scene file that the
// writer accepts and the loader reads back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "authoring/ddh.h"
#include "authoring/import.h"
#include "authoring/writer.h"
#include "fuzzutil.h"

using namespace vortella;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static const char *const ext[4] = {".obj", ".ply", ".stl", ".gltf"};
    const std::string path = "/tmp/vortella-fuzz-model-" + std::to_string(getpid()) + ext[data[0] % 4];
    if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    } else {
        return 0;
    }
    model_mesh m;
    std::string err;
    // The import runs as the compiler runs it, in a child process with a time
    // limit: the import library (not instrumented) is known to abort and to
    // hang on some damaged files, and the compiler must refuse those cleanly.
    const bool loaded = load_model(path, m, &err, 5);
    std::remove(path.c_str());
    // The library's own crashes end the child with a signal; an exit status
    // means a sanitizer stopped the child in our code.
    if (!loaded) VT_FUZZ_CHECK(err.find("exit status") == std::string::npos);
    if (!loaded) return 0;
    for (const auto &t : m.triangles)
        for (int p : t) VT_FUZZ_CHECK(p >= 0 && size_t(p) < m.positions.size());

    geometry_options o;
    o.faceted = data[0] & 4;
    // Low limits, so that small inputs exercise the cutting too.
    o.max_points_smooth = o.max_points_faceted = o.max_triangles = 64;
    std::vector<geometry_desc> geos = make_geometries(m, -1, o);
    scene_desc s;
    material_desc mat;
    mat.texture_no = 1;
    s.add(mat);
    instance_desc in;
    in.inst_no = 1;
    int no = 0;
    for (geometry_desc &g : geos) {
        VT_FUZZ_CHECK(g.points.size() <= 64 && g.triangles.size() <= 64);
        g.geom_no = ++no;
        g.texture = 1;
        if (data[0] & 8)
            build_ddh(g, 1);
        else
            build_ddh_sorted(g);
        for (const auto &d : g.ddh)
            for (int t : d) VT_FUZZ_CHECK(t >= 0 && size_t(t) < g.triangles.size());
        s.add(g);
        in.geoms.push_back(g.geom_no);
        if (no >= 200) break;
    }
    s.add(in);
    std::vector<uint8_t> bytes;
    try {
        bytes = write_scene(s);
    } catch (const std::invalid_argument &e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::fail("the compiled geometries do not fit a scene file");
    }
    const std::string scene = "/tmp/vortella-fuzz-model-" + std::to_string(getpid()) + ".vtl";
    if (std::FILE *f = std::fopen(scene.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        VT_FUZZ_CHECK(readfile(scene.c_str(), scene_paths{}).code == 0);
        deletefilestruct();
        std::remove(scene.c_str());
    }
    return 0;
}
