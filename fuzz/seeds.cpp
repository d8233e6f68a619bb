// fuzz_seeds DIR: writes the seed corpora of the fuzz targets, made by the
// project's own code, into DIR/scene, DIR/bmp, DIR/profile and DIR/entry.
//
// scene:   small scenes of every object kind, material kind, background
//          and camera mode, merged groups, and the demo scenes, each with a
//          few camera trailers;
// bmp:     bitmaps of every bit depth, bit-field masks, run-length kinds,
//          top-down rows, every header size, with and without the file
//          header, from 1 x 1 up to 512 x 256;
// profile: settings files as the saver writes them, and damaged ones;
// entry:   entry-parameter texts.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "authoring/bmp.h"
#include "authoring/demos.h"
#include "authoring/primitives.h"
#include "authoring/textures.h"
#include "authoring/writer.h"

using namespace vortella;

namespace {

std::string outdir;
int written = 0;

void put(const std::string &kind, const std::string &name, const std::vector<uint8_t> &b) {
    const std::string dir = outdir + "/" + kind;
    std::filesystem::create_directories(dir);
    std::FILE *f = std::fopen((dir + "/" + name).c_str(), "wb");
    if (!f || std::fwrite(b.data(), 1, b.size(), f) != b.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s\n", dir.c_str(), name.c_str());
        std::exit(1);
    }
    ++written;
}

void put(const std::string &kind, const std::string &name, const std::string &s) {
    put(kind, name, std::vector<uint8_t>(s.begin(), s.end()));
}

// ---------------------------------------------------------------------------
// Scenes
// ---------------------------------------------------------------------------

material_desc mat(int no, int map_type = 0, int map_no = 0) {
    material_desc m;
    m.name = "m" + std::to_string(no);
    m.texture_no = no;
    m.map_type = map_type;
    m.map_no = map_no;
    m.highlight = 0.8f;
    m.highlights = 0.5f;
    return m;
}

instance_desc inst(int no, std::vector<int> geoms, int rend_mode = 0) {
    instance_desc i;
    i.name = "i" + std::to_string(no);
    i.inst_no = no;
    i.geoms = std::move(geoms);
    i.rend_mode = rend_mode;
    return i;
}

void finish(scene_desc &s, int background, float rot, int mode) {
    camera_desc c;
    c.x = 6, c.y = -8, c.z = 4;
    c.foc_len = 1.2f;
    c.CamRotRate = rot;
    c.CamPanRate = rot / 2;
    c.CamZoomRate = rot / 4;
    c.CamFHeight = 1.5f;
    c.mode = mode;
    s.add(c);
    s.add(light_desc{});
    scene_settings_desc set;
    set.background_type = background;
    set.red = 20, set.green = 40, set.blue = 90;
    s.add(set);
}

void putscene(const std::string &name, scene_desc s) {
    // Trailers: [azimuth, altitude, width, height, flags, zoom].
    static const uint8_t trailers[3][6] = {{0, 120, 4, 4, 0, 0}, {90, 60, 9, 20, 0x1a, 5}, {200, 170, 1, 2, 0x0e, 2}};
    for (int k = 0; k < 3; ++k) {
        s.trailer.assign(trailers[k], trailers[k] + 6);
        put("scene", name + "-" + std::to_string(k) + ".vtl", write_scene(s));
    }
}

void scenes() {
    {   // one faceted triangle
        scene_desc s;
        geometry_desc g;
        g.name = "tri";
        g.faceted = true;
        g.geom_no = 1;
        g.texture = 1;
        g.points = {{0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}};
        g.triangles = {{0, 1, 2, 0, 0, 1}};
        ddh_all(g);
        s.add(g);
        s.add(mat(1));
        s.add(inst(1, {1}));
        putscene("tiny", s);
        finish(s, 0, 0, 0);
        putscene("tiny-camera", s);
    }
    {   // every map type, smooth and faceted, on the built-in maps
        scene_desc s;
        s.add(map_desc{"PLANET.BMP", 1});
        s.add(map_desc{"TILES.BMP", 2});
        s.add(mat(1, 1, 2)).x_freq = 3;
        s.add(mat(2, 2, 1));
        s.add(mat(3, 3, 2));
        s.add(make_grid(1, 1, 0, 0, -1, 6, 2, false));
        s.add(make_grid(2, 1, 0, 0, -2, 6, 2, true));
        s.add(make_sphere(3, 2, -2, 0, 0, 1, 3, 5));
        geometry_desc f = make_sphere(4, 2, 2, 0, 0, 1, 3, 5);
        facet(f);
        s.add(f);
        s.add(make_cylinder(5, 3, 0, 2, -1, 1, 0.7f, 5, false));
        s.add(make_cylinder(6, 3, 0, -2, -1, 1, 0.7f, 5, true));
        s.add(inst(1, {1, 2, 3, 4, 5, 6}));
        finish(s, 1, 2, 0);
        putscene("maps", s);
    }
    {   // transparency, reflection (copied and shared), the panorama
        scene_desc s;
        material_desc glass = mat(1);
        glass.trans = 0.4f, glass.trans_th = 0.6f, glass.opacity = 0.1f;
        s.add(glass);
        material_desc mirror = mat(2);
        mirror.reflection = 0.5f;
        s.add(mirror);
        material_desc chrome = mat(3);
        chrome.reflection = 1;
        s.add(chrome);
        s.add(make_torus(1, 1, 0, 0, 0, 2, 0.5f, 8, 4, 0.4f));
        s.add(make_box(2, 2, 2, 0, 0, 0.6f, 0.6f, 0.6f));
        geometry_desc f = make_box(3, 1, -2, 0, 0, 0.6f, 0.6f, 0.6f);
        s.add(f);
        s.add(make_sphere(4, 3, 0, 0, 2, 0.8f, 3, 5));
        s.add(inst(1, {1, 2, 3, 4}, 10));
        finish(s, 2, 1, 0);
        putscene("glass", s);
    }
    {   // overlapping objects in one merged group, and the other classes
        scene_desc s;
        s.add(mat(1));
        s.add(mat(2, 0)).diffuse = 3;
        std::vector<int> g;
        for (int i = 0; i < 8; ++i) {
            s.add(make_box(i + 1, 1 + i % 2, i * 0.3f, i * 0.2f, 0, 1, 0.5f, 0.7f));
            g.push_back(i + 1);
        }
        s.add(inst(1, g, 10));
        s.add(inst(2, {1, 2}, 2));
        s.add(inst(3, {3, 4}, 3));
        instance_desc stored = inst(4, {5});
        stored.drawn = false;
        stored.instances = {1, 2};
        s.add(stored);
        finish(s, 0, 3, 1);
        putscene("merged", s);
    }
    {   // comments, unknown objects, dangling references
        scene_desc s;
        s.add(comment_desc{1, "a comment line"});
        object_desc unknown;
        unknown.type = 7;
        s.objects.push_back(unknown);
        s.add(mat(1, 1, 9));
        s.add(make_box(1, 5, 0, 0, 0, 1, 1, 1));
        s.add(make_box(2, 1, 0, 0, 0, 1, 1, 1));
        s.add(inst(1, {1, 2, 3}));
        finish(s, 0, 0, 0);
        putscene("dangling", s);
    }
    // The demo scenes as the program carries them.
    install_demos();
    for (int i = 0; i < scene_nresources; ++i) {
        std::vector<uint8_t> b(scene_resources[i].data, scene_resources[i].data + scene_resources[i].size);
        const uint8_t t[6] = {uint8_t(40 * i), 110, 3, 10, 0x08, 4};
        b.insert(b.end(), t, t + 6);
        put("scene", std::string("demo-") + scene_resources[i].name, b);
    }
}

// ---------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------

void le(std::vector<uint8_t> &b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct bmpform {
    int bits = 24;
    int w = 4, h = 4;
    bool topdown = false;
    uint32_t compression = 0;   // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
    int header = 40;            // 12, 40, 108 or 124
    bool filehdr = true;
    uint32_t clrused = 0;
};

// A bitmap of form f whose pixels follow a pattern of its position.
std::vector<uint8_t> makebmp(const bmpform &f) {
    const bool core = f.header == 12;
    const int ncol = f.bits <= 8 ? (f.clrused ? int(f.clrused) : 1 << f.bits) : 0;
    const int masks = f.compression == 3 ? 3 : 0;
    std::vector<uint8_t> px;
    const int row = ((f.w * f.bits + 31) / 32) * 4;
    auto value = [&](int x, int y) { return uint32_t(x * 7 + y * 13 + x * y); };
    if (f.compression == 1 || f.compression == 2) {
        // Run-length rows: encoded runs of two pixels, end of line, end.
        for (int y = 0; y < f.h; ++y) {
            for (int x = 0; x < f.w; x += 2) {
                px.push_back(uint8_t(f.w - x < 2 ? f.w - x : 2));
                px.push_back(uint8_t(value(x, y) % (ncol ? ncol : 256)));
            }
            px.push_back(0), px.push_back(0);
        }
        px.push_back(0), px.push_back(1);
    } else {
        px.assign(size_t(row) * f.h, 0);
        for (int y = 0; y < f.h; ++y)
            for (int x = 0; x < f.w; ++x) {
                const uint32_t v = value(x, y);
                uint8_t *r = &px[size_t(y) * row];
                switch (f.bits) {
                case 1: r[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
                case 4: r[x / 2] |= uint8_t((v % 16) << (x % 2 ? 0 : 4)); break;
                case 8: r[x] = uint8_t(v % (ncol ? ncol : 256)); break;
                case 16: r[2 * x] = uint8_t(v), r[2 * x + 1] = uint8_t(v >> 3 & 0x7f); break;
                case 24: r[3 * x] = uint8_t(v), r[3 * x + 1] = uint8_t(v * 3), r[3 * x + 2] = uint8_t(v * 5); break;
                case 32:
                    for (int k = 0; k < 4; ++k) r[4 * x + k] = uint8_t(v * (k + 1));
                    break;
                }
            }
    }
    const uint32_t ctab = uint32_t(ncol) * (core ? 3 : 4) + uint32_t(masks) * 4;
    const uint32_t off = (f.filehdr ? 14 : 0) + uint32_t(f.header) + ctab;
    std::vector<uint8_t> b;
    if (f.filehdr) {
        b.push_back('B'), b.push_back('M');
        le(b, off + uint32_t(px.size()), 4);
        le(b, 0, 4);
        le(b, off, 4);
    }
    le(b, uint32_t(f.header), 4);
    if (core) {
        le(b, uint32_t(f.w), 2);
        le(b, uint32_t(f.h), 2);
        le(b, 1, 2);
        le(b, uint32_t(f.bits), 2);
    } else {
        le(b, uint32_t(f.w), 4);
        le(b, uint32_t(f.topdown ? -f.h : f.h), 4);
        le(b, 1, 2);
        le(b, uint32_t(f.bits), 2);
        le(b, f.compression, 4);
        le(b, uint32_t(px.size()), 4);
        le(b, 2835, 4);
        le(b, 2835, 4);
        le(b, f.clrused, 4);
        le(b, 0, 4);
        // Newer headers: masks, colour space and the rest, zero here.
        for (int k = 40; k < f.header; ++k) b.push_back(0);
    }
    for (int i = 0; i < ncol; ++i) {
        b.push_back(uint8_t(i * 37)), b.push_back(uint8_t(i * 59)), b.push_back(uint8_t(i * 11));
        if (!core) b.push_back(0);
    }
    if (masks) {
        const uint32_t m16[3] = {0xf800, 0x07e0, 0x001f}, m32[3] = {0xff0000, 0xff00, 0xff};
        for (int k = 0; k < 3; ++k) le(b, f.bits == 16 ? m16[k] : m32[k], 4);
    }
    b.insert(b.end(), px.begin(), px.end());
    return b;
}

void bitmaps() {
    int n = 0;
    auto add = [&](const bmpform &f, const char *what) {
        char name[96];
        std::snprintf(name, sizeof name, "%02d-%s-%dbit-%dx%d.bmp", n++, what, f.bits, f.w, f.h);
        put("bmp", name, makebmp(f));
    };
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        bmpform f;
        f.bits = bits;
        f.w = 13, f.h = 7;
        add(f, "plain");
        f.topdown = true;
        add(f, "topdown");
    }
    for (int bits : {16, 32}) {
        bmpform f;
        f.bits = bits, f.compression = 3, f.w = 9, f.h = 5;
        add(f, "bitfields");
    }
    {
        bmpform f;
        f.bits = 8, f.compression = 1, f.w = 10, f.h = 4;
        add(f, "rle8");
        f.bits = 4, f.compression = 2;
        add(f, "rle4");
        f.bits = 8, f.compression = 0, f.clrused = 16;
        add(f, "clrused");
    }
    for (int header : {12, 108, 124}) {
        bmpform f;
        f.header = header, f.w = 6, f.h = 6;
        add(f, header == 12 ? "core" : "v4v5");
        f.bits = 8;
        add(f, header == 12 ? "core" : "v4v5");
    }
    {
        bmpform f;
        f.filehdr = false, f.w = 5, f.h = 3;
        add(f, "nofilehdr");
    }
    for (int w : {1, 2, 3, 17, 64, 130}) {
        bmpform f;
        f.w = w, f.h = w == 130 ? 33 : w;
        add(f, "size");
        f.topdown = true;
        add(f, "size-topdown");
    }
    // Pictures as the scenes' maps are made.
    const uint8_t a[3] = {250, 250, 250}, c[3] = {10, 80, 160};
    put("bmp", "checker-1x1.bmp", bmp24(make_checker(1, 1, 1, a, c)));
    put("bmp", "checker-32x16.bmp", bmp24(make_checker(32, 16, 4, a, c)));
    put("bmp", "marble-64x64.bmp", bmp24(tex_marble(64, 64)));
    put("bmp", "panorama-512x256.bmp", bmp24(tex_panorama(512, 256)));
}

// ---------------------------------------------------------------------------
// Settings files and entry texts
// ---------------------------------------------------------------------------

void settings() {
    std::string ini = "[Global]\nNoOfEntries=4\nSpeed=10\nSequence=1\n\n[Entries]\n";
    for (int i = 0; i < demo_scene_count; ++i) {
        char line[200];
        std::snprintf(line, sizeof line, "EntryFN%03d=/usr/local/bin/%s\nEntryPM%03d=%s\n", i, demo_scenes[i].name,
                      i, demo_scenes[i].params);
        ini += line;
    }
    ini += "\n[Misc]\nNormal=1\nBackgroundMap=/usr/local/bin/BGROUND.BMP\nMapsDirectory=/usr/local/bin\n"
           "InstallDirectory=/usr/local/bin\n";
    put("profile", "playlist.ini", ini);
    std::string crlf;
    for (char ch : ini) {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
    }
    put("profile", "playlist-crlf.ini", crlf);
    put("profile", "odd.ini",
        "; comment\n[global]\nnoofentries = 200\n  Speed=\t-5  \n[Entries\nEntryFN000=\"quoted name.vtl\"\n"
        "EntryPM000=0x10,010,-1,99999999999,,7\n[Entries]\nEntryPM000=second\n[]\n=value\nNoKey\n[Misc]\n"
        "Normal=abc\nInstallDirectory=" + std::string(300, 'x') + "\n");
    put("profile", "empty.ini", "");
    put("profile", "nosections.ini", "Speed=3\nNoOfEntries=2\n");
}

void entries() {
    int n = 0;
    auto add = [&](const std::string &s) { put("entry", "entry-" + std::to_string(n++) + ".txt", s); };
    for (int i = 0; i < demo_scene_count; ++i) add(demo_scenes[i].params);
    add("1,100,100,5,0,1,0,0,0,0,0,0,0");
    add("6,2048,2048,15,1,3,1,359,30,90,359,30,90");
    add("0x6,0100,-0x10, 7,+1,3,1,-359,-30,-90,0,0,0");
    add("99999999999999,-99999999999999,2147483648,-2147483649,0,0,0,0,0,0,0,0,0");
    add("1,2,3");
    add("1 ,2,3");
    add("");
    add(",,,,,,,,,,,,");
}

// model: the first byte picks the format (0 OBJ, 1 PLY, 2 STL, 3 glTF), the
// rest is the file.
void models() {
    int n = 0;
    auto add = [&](int format, const std::string &text) {
        put("model", "model-" + std::to_string(n++), std::string(1, char(format)) + text);
    };
    add(0, "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvn 0 0 1\nvt 0 0\n"
           "f 1/1/1 2/1/1 3/1/1\nf 1 3 4\nf 1 2 4\nf 2 3 4\n");
    add(0, "v 0 0 0\nv 2 0 0\nv 2 2 0\nv 0 2 0\nf 1 2 3 4\nusemtl red\nf -4 -3 -2\n");
    add(1, "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    add(2, "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\n"
           "endfacet\nendsolid t\n");
    // glTF with its buffer inline: one triangle, three float positions and
    // three unsigned short indices.
    add(3, "{\"asset\":{\"version\":\"2.0\"},\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
           "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":1},\"indices\":0}]}],"
           "\"buffers\":[{\"uri\":\"data:application/octet-stream;base64,AAABAAIAAAAAAAAAAAAAAAAAAAAAAIA/"
           "AAAAAAAAAAAAAAAAAACAPwAAAAA=\",\"byteLength\":44}],"
           "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":6},"
           "{\"buffer\":0,\"byteOffset\":8,\"byteLength\":36}],"
           "\"accessors\":[{\"bufferView\":0,\"componentType\":5123,\"count\":3,\"type\":\"SCALAR\"},"
           "{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\","
           "\"max\":[1,1,0],\"min\":[0,0,0]}]}");
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    outdir = argv[1];
    scenes();
    bitmaps();
    settings();
    entries();
    models();
    std::printf("fuzz_seeds: %d files in %s\n", written, outdir.c_str());
    return 0;
}
