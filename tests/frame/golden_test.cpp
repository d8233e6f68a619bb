// Frames stay what they were: every demo scene and a set of generated scenes
// covering every render type, highlights, transparency, reflection, merged
// groups, both backgrounds, clipping at every edge of the view and every
// camera motion are drawn over many frames, at two picture sizes and both
// row orders, and the bytes of all frames are hashed. A change to the
// renderer that is meant to leave pictures alone (a reorganisation, a
// speed-up) must keep every hash; a change that means to alter pictures
// updates the table below and says why.
//
// VT_GOLDEN_PRINT=1 prints the table of the hashes the code draws now.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/ddh.h"
#include "authoring/demos.h"
#include "authoring/primitives.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr float pi = 3.14159265f;

material_desc material(int no, uint8_t r, uint8_t g, uint8_t b) {
    material_desc m;
    m.name = "m" + std::to_string(no);
    m.texture_no = no;
    m.red = r;
    m.green = g;
    m.blue = b;
    m.ambient = 1;
    m.diffuse = 1;
    m.brilliance = 0.4f;
    return m;
}

geometry_desc &shape(scene_desc &s, geometry_desc g) {
    g.name = "g" + std::to_string(g.geom_no);
    build_ddh_sorted(g);
    return s.add(g);
}

camera_desc camera(float x, float y, float z, float tx, float ty, float tz, float focl) {
    camera_desc c;
    c.x = x, c.y = y, c.z = z;
    c.targx = tx, c.targy = ty, c.targz = tz;
    c.foc_len = focl;
    return c;
}

scene_settings_desc background(int type, uint8_t r, uint8_t g, uint8_t b) {
    scene_settings_desc st;
    st.background_type = type;
    st.red = r, st.green = g, st.blue = b;
    return st;
}

// Every material kind on a faceted and a smooth shape, in a ring the
// camera circles; a transparent ball and a highlighted mirror in the middle.
scene_desc kinds() {
    scene_desc s;
    std::vector<material_desc> m;
    m.push_back(material(1, 200, 60, 50));                    // plain
    m.push_back(material(2, 60, 200, 90));                    // plain, highlighted
    m.back().highlight = 0.6f, m.back().highlights = 0.7f;
    m.push_back(material(3, 220, 220, 220));                  // planar map
    m.back().map_type = 1, m.back().map_no = 1, m.back().x_freq = 2, m.back().y_freq = 3;
    m.back().izro = 0.4f, m.back().xscale = 3, m.back().yscale = 2;
    m.push_back(material(4, 220, 220, 220));                  // planar map, highlighted
    m.back().map_type = 1, m.back().map_no = 2, m.back().highlight = 0.7f, m.back().highlights = 0.6f;
    m.push_back(material(5, 220, 220, 220));                  // spherical map
    m.back().map_type = 2, m.back().map_no = 1, m.back().x_freq = 2;
    m.push_back(material(6, 220, 220, 220));                  // spherical map, highlighted, unlit part
    m.back().map_type = 2, m.back().map_no = 2, m.back().highlight = 0.8f, m.back().highlights = 0.5f;
    m.back().ambient = 0, m.back().diffuse = 3;
    m.push_back(material(7, 220, 220, 220));                  // cylindrical map
    m.back().map_type = 3, m.back().map_no = 2, m.back().y_freq = 2, m.back().xrot = 0.3f;
    m.push_back(material(8, 200, 180, 120));                  // tinted reflection
    m.back().reflection = 0.5f;
    m.push_back(material(9, 255, 255, 255));                  // full reflection, highlighted
    m.back().reflection = 1.0f, m.back().highlight = 0.75f, m.back().highlights = 0.6f;
    m.push_back(material(10, 120, 160, 255));                 // transparent
    m.back().trans = 0.5f, m.back().trans_th = 0.3f, m.back().opacity = 0.2f;
    m.push_back(material(11, 255, 120, 40));                  // transparent, highlighted
    m.back().trans = 0.7f, m.back().trans_th = 0.6f, m.back().highlight = 0.8f, m.back().highlights = 0.7f;
    for (const material_desc &d : m) s.add(d);
    s.add(map_desc{"CHECK.BMP", 1});
    s.add(map_desc{"STRIPES.BMP", 2});
    instance_desc in;
    in.name = "ring";
    in.inst_no = 1;
    int no = 1;
    const int n = static_cast<int>(m.size());
    for (int k = 0; k < n; ++k) {
        const float a = 2 * pi * static_cast<float>(k) / static_cast<float>(n);
        const float cx = 7 * std::cos(a), cy = 7 * std::sin(a);
        geometry_desc f = make_sphere(no, k + 1, cx, cy, 0.9f, 0.9f, 5, 7);
        facet(f);
        shape(s, f);
        in.geoms.push_back(no++);
        shape(s, make_sphere(no, k + 1, cx * 1.3f, cy * 1.3f, 2.6f, 0.8f, 10, 16));
        in.geoms.push_back(no++);
        shape(s, make_box(no, k + 1, cx * 0.75f, cy * 0.75f, 0.3f, 0.4f, 0.5f, 0.3f));
        in.geoms.push_back(no++);
    }
    shape(s, make_sphere(no, 10, 0, 0, 1.5f, 2.2f, 12, 20));
    in.geoms.push_back(no++);
    shape(s, make_cylinder(no, 9, 0, 0, -0.5f, 4.5f, 0.7f, 12, false));
    in.geoms.push_back(no++);
    shape(s, make_grid(no, 3, 0, 0, -0.5f, 20, 6, true)).rend_mode = 2;
    in.geoms.push_back(no++);
    s.add(in);
    camera_desc c = camera(0, -16, 6, 0, 0, 1, 1.2f);
    c.CamRotRate = 4.5f;
    s.add(c);
    s.add(light_desc{0.6f, 0.9f});
    s.add(background(0, 30, 40, 70));
    return s;
}

// Interlocking shapes the merge selection interleaves triangle by triangle,
// before the panorama background, with the camera circling, panning and
// zooming.
scene_desc merge() {
    scene_desc s;
    s.add(material(1, 230, 200, 60)).highlight = 0.7f;
    s.add(material(2, 200, 200, 210)).reflection = 0.8f;
    material_desc glass = material(3, 150, 230, 200);
    glass.trans = 0.4f, glass.trans_th = 0.5f;
    s.add(glass);
    material_desc tex = material(4, 220, 220, 220);
    tex.map_type = 2, tex.map_no = 1;
    s.add(tex);
    s.add(map_desc{"CHECK.BMP", 1});
    shape(s, make_torus(1, 1, 0, 0, 0, 2.2f, 0.5f, 28, 10));
    shape(s, make_torus(2, 2, 2.2f, 0, 0, 2.2f, 0.5f, 28, 10, pi / 2));
    geometry_desc t = make_torus(3, 4, -2.2f, 0, 0, 2.2f, 0.45f, 20, 8, pi / 2);
    facet(t);
    shape(s, t);
    shape(s, make_box(4, 3, 0, 0, 0, 1.2f, 1.2f, 1.2f));
    shape(s, make_box(5, 1, 0.6f, 0.4f, 0.2f, 0.3f, 2.5f, 0.3f));
    shape(s, make_sphere(6, 4, 0, 2.4f, 0.4f, 1.0f, 8, 12));
    instance_desc in;
    in.name = "knot";
    in.inst_no = 1;
    in.geoms = {1, 2, 3, 4, 5, 6};
    s.add(in);
    camera_desc c = camera(5, -9, 3, 0, 0, 0, 1.5f);
    c.CamRotRate = -3.0f;
    c.CamPanRate = 0.4f;
    c.CamZoomRate = 0.15f;
    s.add(c);
    s.add(light_desc{1.1f, 2.4f});
    s.add(background(2, 0, 0, 0));
    return s;
}

// A walk at eye height among pillars and walls close enough to be cut by
// every side of the view, with triangles reaching behind the camera.
scene_desc walk() {
    scene_desc s;
    material_desc floor = material(1, 220, 220, 220);
    floor.map_type = 1, floor.map_no = 1, floor.x = -10, floor.y = -10, floor.xscale = 20, floor.yscale = 20;
    floor.x_freq = 5, floor.y_freq = 5;
    s.add(floor);
    material_desc pillar = material(2, 220, 200, 180);
    pillar.map_type = 3, pillar.map_no = 2, pillar.highlight = 0.8f, pillar.highlights = 0.5f;
    s.add(pillar);
    s.add(material(3, 180, 90, 60));
    material_desc glass = material(4, 200, 230, 255);
    glass.trans = 0.6f, glass.trans_th = 0.2f;
    s.add(glass);
    s.add(map_desc{"CHECK.BMP", 1});
    s.add(map_desc{"STRIPES.BMP", 2});
    shape(s, make_grid(1, 1, 0, 0, 0, 20, 10, false)).rend_mode = 2;
    instance_desc in;
    in.name = "hall";
    in.inst_no = 1;
    in.geoms = {1};
    int no = 2;
    for (int k = 0; k < 8; ++k) {
        const float a = 2 * pi * static_cast<float>(k) / 8;
        shape(s, make_cylinder(no, 2, 3.2f * std::cos(a), 3.2f * std::sin(a), 0, 4, 0.45f, 10, k % 2 == 1));
        in.geoms.push_back(no++);
    }
    shape(s, make_box(no, 3, 0, 6, 2, 6, 0.3f, 2));
    in.geoms.push_back(no++);
    shape(s, make_box(no, 3, -6, 0, 2, 0.3f, 6, 2));
    in.geoms.push_back(no++);
    shape(s, make_box(no, 4, 1.2f, -1.5f, 1.4f, 0.8f, 0.8f, 1.4f));
    in.geoms.push_back(no++);
    s.add(in);
    camera_desc c = camera(1.5f, -2.5f, 1.7f, 0.5f, 2, 1.7f, 0.9f);
    c.CamPanRate = 2.5f;
    c.CamZoomRate = 0.08f;
    c.CamFHeight = 1.6f;
    c.mode = 1;
    s.add(c);
    s.add(light_desc{0.7f, 0.3f});
    s.add(background(0, 10, 10, 20));
    return s;
}

// FNV-1a, 64 bits.
struct hasher {
    uint64_t h = 1469598103934665603ull;
    void add(const uint8_t *p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    }
};

struct view_case {
    int w, h, orientation, inverted;
};
constexpr view_case views[] = {{320, 200, 1, 1}, {176, 100, -1, 0}};
constexpr int frames = 48;

struct expected {
    const char *scene;
    uint64_t hash[2];   // one per view case
};
// The hashes the renderer draws; see the top of this file.
constexpr expected table[] = {
    {"ORBIT.VTL", {0x2b2c682acafb6771ull, 0xae354ddea3378b5cull}},
    {"CHROME.VTL", {0x7e587af027992c0dull, 0x9a924d5d4af08a02ull}},
    {"TEMPLE.VTL", {0x88c4170ea43bb3a4ull, 0x40b28c939c53c22eull}},
    {"TANGLE.VTL", {0x5505d6899ef0d43cull, 0xf8e38fa50caf3f24ull}},
    {"kinds", {0x4c1b1a069e7aa120ull, 0xa60df4987c2aa80dull}},
    {"merge", {0x5ca3b4ac7d8f7af8ull, 0x15c1fcbede3069a2ull}},
    {"walk", {0x260cdd4f9315bc75ull, 0x633ae1e83d1527ccull}},
};

class Golden : public test::store_test {
protected:
    // Draws `frames` frames of the loaded scene the way the saver steps
    // them and hashes every picture.
    uint64_t play(const view_case &v) {
        Orientation = v.orientation;
        iminv = v.inverted;
        if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
        picround(v.w, v.h);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        EXPECT_TRUE(picbuild(bits.data()));
        hasher hs;
        for (int f = 0; f < frames; ++f) {
            if (CamRotRate != 0.0f) rotatecam();
            if (CamPanRate != 0.0f) pancam();
            if (CamZoomRate != 0.0f) zoomcamo();
            render();
            hs.add(bits.data(), bits.size());
        }
        picfree();
        return hs.h;
    }
};

TEST_F(Golden, EveryFrameOfEveryTestSceneKeepsItsBytes) {
    install_demos();
    // Transparent fillers read stored pixels' colours back from the palette.
    create_halftone_palette();
    const uint8_t light[3] = {240, 230, 200}, dark[3] = {40, 70, 150};
    std::string err;
    ASSERT_TRUE(write_bmp24(make_checker(64, 32, 8, light, dark), dir.file("CHECK.BMP"), &err)) << err;
    rgbimage stripes = make_checker(48, 64, 4, dark, light);
    for (int y = 0; y < stripes.h; ++y)
        for (int x = 0; x < stripes.w; ++x) stripes.rgb[size_t(y * stripes.w + x) * 3 + 1] = uint8_t(x * 5);
    ASSERT_TRUE(write_bmp24(stripes, dir.file("STRIPES.BMP"), &err)) << err;

    const bool print = std::getenv("VT_GOLDEN_PRINT") != nullptr;
    for (const expected &e : table) {
        SCOPED_TRACE(e.scene);
        const std::string name = e.scene;
        const bool demo = name.find('.') != std::string::npos;
        uint64_t got[2];
        for (int v = 0; v < 2; ++v) {
            // Every run starts from a fresh load, as an entry switch does.
            paths.mapsdir = dir.path;
            paths.background = demo_background;
            if (demo) {
                ASSERT_EQ(loadfile(e.scene), 0) << last.message;
            } else {
                const scene_desc s = name == "kinds" ? kinds() : name == "merge" ? merge() : walk();
                ASSERT_EQ(load(s, name + ".vtl"), 0) << last.message;
            }
            ASSERT_TRUE(last.warnings.empty()) << last.warnings[0];
            ASSERT_TRUE(last.notes.empty()) << last.notes[0].text;
            got[v] = play(views[v]);
            deletefilestruct();
            deleterenlstruct();
            DibFree(bgmapraw);
            bgmapraw = nullptr;
        }
        if (print)
            std::printf("    {\"%s\", {0x%016llxull, 0x%016llxull}},\n", e.scene,
                        static_cast<unsigned long long>(got[0]), static_cast<unsigned long long>(got[1]));
        EXPECT_EQ(got[0], e.hash[0]);
        EXPECT_EQ(got[1], e.hash[1]);
    }
}

}  // namespace
}  // namespace vortella
