// BMP files: the input is read as a bitmap twice (from a file and from
// bytes in memory, which must agree), opened by name, then used by a scene
// whose materials map it in every way (planar, spherical, cylindrical,
// reflection and its darkened copy) and whose background it is; the scene
// is drawn once at a picture size chosen by the input's length.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "authoring/primitives.h"
#include "authoring/writer.h"
#include "fuzzutil.h"

using namespace vortella;

namespace {

constexpr const char *map_name = "FUZZ-INPUT.BMP";
constexpr const char *scene_name = "FUZZ-MAPPED.VTL";

material_desc mapped(int no, int type) {
    material_desc m;
    m.name = "mapped";
    m.texture_no = no;
    m.map_type = type;
    m.map_no = 1;
    m.highlight = 0.8f;
    m.highlights = 0.5f;
    return m;
}

// Every use a bitmap can have in a scene, drawn from a camera that sees all.
std::vector<uint8_t> mapping_scene() {
    scene_desc s;
    s.add(map_desc{map_name, 1});
    s.add(mapped(1, 1));
    s.add(mapped(2, 2));
    s.add(mapped(3, 3)).x_freq = 3;
    material_desc mirror = mapped(4, 0);
    mirror.reflection = 0.5f;
    s.add(mirror);
    material_desc chrome = mapped(5, 0);
    chrome.reflection = 1.0f;
    s.add(chrome);
    s.add(make_grid(1, 1, 0, 0, -1, 6, 3, false));
    s.add(make_sphere(2, 2, -2, 0, 0, 1, 4, 6));
    s.add(make_cylinder(3, 3, 2, 0, -1, 1, 0.8f, 6, false));
    s.add(make_sphere(4, 4, 0, 2, 0, 0.8f, 4, 6));
    s.add(make_box(5, 5, 0, -2, 0, 0.6f, 0.6f, 0.6f));
    instance_desc in;
    in.name = "all";
    in.inst_no = 1;
    in.geoms = {1, 2, 3, 4, 5};
    s.add(in);
    camera_desc c;
    c.x = 7, c.y = -9, c.z = 5;
    c.foc_len = 1;
    s.add(c);
    s.add(light_desc{});
    scene_settings_desc set;
    set.background_type = 2;
    s.add(set);
    return write_scene(s);
}

// The header and colour table of a bitmap block, for comparing two reads.
std::vector<uint8_t> headbytes(BITMAPINFOHEADER *p) {
    const uint8_t *b = reinterpret_cast<const uint8_t *>(p);
    return std::vector<uint8_t>(b, static_cast<const uint8_t *>(DibBits(p)));
}

std::vector<uint8_t> scene;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    scene = mapping_scene();
    create_halftone_palette();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    headless_services svc;
    set_sys(&svc);
    const int blocks0 = GlobalCount();

    // 1. The header reader on a stream and on memory.
    {
        dibsrc mem;
        mem.mem = data;
        mem.size = size;
        BITMAPINFOHEADER *a = DibReadBitmapInfo(&mem);
        // A real file (seeks past its end succeed, as on disk), rewritten
        // for every input.
        static std::FILE *f = std::tmpfile();
        BITMAPINFOHEADER *b = nullptr;
        if (f && ftruncate(fileno(f), 0) == 0) {
            std::rewind(f);
            if (std::fwrite(data, 1, size, f) == size && std::fflush(f) == 0) {
                std::rewind(f);
                dibsrc file;
                file.f = f;
                b = DibReadBitmapInfo(&file);
                VT_FUZZ_CHECK((a == nullptr) == (b == nullptr));
                if (a && b) VT_FUZZ_CHECK(headbytes(a) == headbytes(b));
            }
        }
        DibFree(a);
        DibFree(b);
    }

    const dib_resource map{map_name, data, size};
    dib_resources = &map;
    dib_nresources = 1;

    // 2. The whole bitmap by name: a texture's rows lie inside its block.
    if (BITMAPINFOHEADER *p = DibOpenFile(map_name)) {
        if (DibIsTexture(p)) {
            const int64_t h = p->biHeight < 0 ? -int64_t(p->biHeight) : p->biHeight;
            const size_t need = size_t(DibBits(p) - reinterpret_cast<uint8_t *>(p)) + size_t(DibRowBytes(p) * h);
            VT_FUZZ_CHECK(need <= GlobalSize(GlobalHandle(p)));
        }
        DibFree(p);
    }

    // 3. Material tables and background over it, and one frame.
    const dib_resource self{scene_name, scene.data(), scene.size()};
    scene_resources = &self;
    scene_nresources = 1;
    fuzz::reset_state();
    // A map that is not a bitmap counts as missing.
    const int rc = readfile(scene_name, scene_paths{"", "/nonexistent/vortella-fuzz", map_name}).code;
    if (rc == 0) fuzz::draw_frames(16 + int(size % 8) * 16, 4 + int(size / 8 % 24) * 4, 1);
    fuzz::release_all(blocks0);
    scene_resources = nullptr;
    scene_nresources = 0;
    dib_resources = nullptr;
    dib_nresources = 0;
    set_sys(nullptr);
    return 0;
}
