// Scene descriptions and single models compiled into scenes: every record
// field reachable from the description, textures converted to 24-bit maps
// that cover the object once, objects placed and turned as described, and
// a camera and light that frame the model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include "authoring/scenejson.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "support/testutil.h"
#include "tools/image/image.h"

namespace vortella {
namespace {

void text(const std::string &path, const std::string &s) { std::ofstream(path, std::ios::binary) << s; }

template <class T>
const T *first(const scene_desc &s, int type, T object_desc::*member) {
    for (const object_desc &o : s.objects)
        if (o.type == type) return &(o.*member);
    return nullptr;
}

class SceneJson : public test::store_test {};

TEST_F(SceneJson, EveryRecordFieldIsReachable) {
    text(dir.file("s.json"), R"({
      "materials": [{"name": "gold", "color": [250, 200, 40], "ambient": 3, "diffuse": 1, "highlight": 0.8,
                     "highlights": 0.6, "brilliance": 0.2, "trans": 0.25, "trans_th": 0.5, "reflection": 0.7,
                     "opacity": 0.3, "x_freq": 2, "y_freq": 3, "x": 1, "y": 2, "z": 3, "xscale": 4, "yscale": 5,
                     "zscale": 6, "izro": 0.1, "xrot": 0.2, "zrot": 0.3}],
      "rend_mode": 10,
      "objects": [{"primitive": "sphere", "material": "gold", "radius": 2, "rend_mode": 3},
                  {"primitive": "box", "material": "gold", "center": [5, 0, 0], "half": [1, 1, 1]}],
      "camera": {"name": "cam", "cam_no": 4, "position": [0, -20, 5], "target": [1, 0, 0], "foc_len": 1.5,
                 "CamRotRate": 0.7, "CamPanRate": 0.1, "CamZoomRate": 0.2, "CamFHeight": 1.8, "mode": 1},
      "light": {"ltal": 0.9, "ltaz": 1.1, "color": [1, 2, 3], "mode": 2},
      "scene": {"title": "all fields", "rend_mode": 4, "no_frames": 99, "mode": 5, "fog_dist": 7.5,
                "fog_color": [9, 8, 7], "background_type": 2, "color": [10, 20, 30], "map_name": "SKY.BMP"},
      "comments": ["made by a test"]
    })");
    built_scene b;
    std::string err;
    ASSERT_TRUE(build_json_scene(dir.file("s.json"), build_options{}, b, &err)) << err;
    const material_desc *m = first(b.scene, OT_TEXTURE, &object_desc::material);
    ASSERT_TRUE(m);
    EXPECT_EQ((std::vector<float>{float(m->red), float(m->ambient), float(m->diffuse), m->highlight, m->opacity,
                                  float(m->y_freq), m->zscale, m->zrot}),
              (std::vector<float>{250, 3, 1, 0.8f, 0.3f, 3, 6, 0.3f}));
    const scene_settings_desc *set = first(b.scene, OT_SCENE, &object_desc::scene);
    ASSERT_TRUE(set);
    EXPECT_EQ((std::vector<int>{set->no_frames, set->fog_green, set->background_type}), (std::vector<int>{99, 8, 2}));
    EXPECT_EQ(set->map_name, "SKY.BMP");
    const light_desc *l = first(b.scene, OT_LIGHT, &object_desc::light);
    EXPECT_EQ((std::vector<float>{l->ltaz, float(l->mode), float(l->blue)}), (std::vector<float>{1.1f, 2, 3}));
    const camera_desc *c = first(b.scene, OT_CAMERA, &object_desc::camera);
    EXPECT_EQ(c->name, "cam");
    EXPECT_EQ((std::vector<float>{float(c->cam_no), c->y, c->targx, c->foc_len, c->CamRotRate, c->CamFHeight,
                                  float(c->mode)}),
              (std::vector<float>{4, -20, 1, 1.5f, 0.7f, 1.8f, 1}));
    const geometry_desc *g = first(b.scene, OT_SMOOTH, &object_desc::geometry);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->rend_mode, 3);
    EXPECT_EQ(b.geometries, 2);
    // What is described is written in a form the player reads.
    ASSERT_TRUE(write_built_scene(b, dir.file("s.vtl"), &err)) << err;
    ASSERT_EQ(loadfile(dir.file("s.vtl").c_str()), 0) << last.message;
    EXPECT_EQ(bggreen, 20);
}

TEST_F(SceneJson, MistakesAreNamed) {
    std::string err;
    built_scene b;
    auto fails = [&](const std::string &json, const char *says) {
        text(dir.file("bad.json"), json);
        EXPECT_FALSE(build_json_scene(dir.file("bad.json"), build_options{}, b, &err)) << json;
        EXPECT_NE(err.find(says), std::string::npos) << err;
    };
    fails(R"({"objects": [{"primitive": "box", "material": "m"}], "materials": [{"name": "m", "colour": [1, 2, 3]}]})",
          "unknown field 'colour'");
    fails(R"({"objects": [{"primitive": "box", "material": "nope"}]})", "no material 'nope'");
    fails(R"({"objects": [{"model": "missing.obj"}]})", "missing.obj");
    fails(R"({"objects": []})", "no objects");
    fails(R"({"objects": [{"primitive": "box", "material": "m"}], "materials": [{"name": "m", "map": "x.png"}]})",
          "x.png");
    fails("{ not json", "bad.json");
}

TEST_F(SceneJson, ModelTexturesBecomeMapsCoveringTheModelOnce) {
    // A 4 x 2 PNG (palette) as the cube's diffuse map; the cube has no
    // texture coordinates, so the map is projected as it is.
    PALETTEENTRY pal[256] = {};
    pal[1] = {255, 0, 0, 0};
    const uint8_t pix[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    std::string err;
    ASSERT_TRUE(write_png8(dir.file("tex.png"), pic8{pix, 4, 2, 4, pal}, &err)) << err;
    text(dir.file("cube.obj"), "mtllib cube.mtl\nv 0 0 0\nv 4 0 0\nv 4 2 0\nv 0 2 0\nv 0 0 1\nv 4 0 1\nv 4 2 1\n"
                               "v 0 2 1\nusemtl t\nf 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n");
    text(dir.file("cube.mtl"), "newmtl t\nKd 0.5 0.5 0.5\nmap_Kd tex.png\n");
    built_scene b;
    build_options o;
    o.up = "z";   // as the file stands, centred: x -2..2, y -1..1, z 0..1
    ASSERT_TRUE(build_model_scene(dir.file("cube.obj"), o, b, &err)) << err;
    ASSERT_EQ(b.maps.size(), 1u);
    EXPECT_EQ(b.maps[0].second.w, 4);
    EXPECT_EQ(b.maps[0].second.rgb[0], 255);   // top-left texel red
    const material_desc *m = first(b.scene, OT_TEXTURE, &object_desc::material);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->map_type, 1);
    // Projected along z, the thinnest extent: a quarter turn about y, so the
    // plane coordinates are (y - cy, -(x - cx)); both run over 0..1 once.
    EXPECT_FLOAT_EQ(m->izro, 3.14159265f / 2);
    for (float x : {-2.0f, 2.0f})
        for (float y : {-1.0f, 1.0f}) {
            const float u = (y - m->x) / m->xscale, v = (-x - m->y) / m->yscale;
            EXPECT_GE(u, 0); EXPECT_LE(u, 1); EXPECT_GE(v, 0); EXPECT_LE(v, 1);
            EXPECT_NEAR(std::min(u, 1 - u), 0, 0.01);
        }
    ASSERT_TRUE(write_built_scene(b, dir.file("cube.vtl"), &err)) << err;
    ASSERT_EQ(loadfile(dir.file("cube.vtl").c_str()), 0) << last.message;  // finds and reads the 24-bit map
}

TEST_F(SceneJson, PrimitivesArePlacedByPositionModelsTurnedByUp) {
    text(dir.file("tall.obj"), "v 0 0 0\nv 1 0 0\nv 1 3 0\nv 0 3 0\nv 0 0 1\nv 1 0 1\nv 1 3 1\nv 0 3 1\n"
                               "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n");
    text(dir.file("s.json"), R"({"materials": [{"name": "m"}],
      "objects": [{"primitive": "box", "material": "m", "position": [10, 0, 0], "half": [1, 1, 1]},
                  {"primitive": "sphere", "material": "m", "center": [-10, 0, 0]},
                  {"model": "tall.obj", "position": [0, 20, 0]}, {"model": "tall.obj", "up": "z", "position": [0, 30, 0]}]})");
    built_scene b;
    std::string err;
    ASSERT_TRUE(build_json_scene(dir.file("s.json"), build_options{}, b, &err)) << err;
    std::vector<std::array<float, 6>> boxes;
    for (const object_desc &o : b.scene.objects)
        if (o.type == OT_SMOOTH || o.type == OT_FACETED) {
            std::array<float, 6> x = {1e9f, 1e9f, 1e9f, -1e9f, -1e9f, -1e9f};
            for (const points_s &p : o.geometry.points)
                x = {std::min(x[0], p.x), std::min(x[1], p.y), std::min(x[2], p.z),
                     std::max(x[3], p.x), std::max(x[4], p.y), std::max(x[5], p.z)};
            boxes.push_back(x);
        }
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_FLOAT_EQ(boxes[0][0], 9);
    EXPECT_FLOAT_EQ(boxes[1][3], -9);
    EXPECT_FLOAT_EQ(boxes[2][5] - boxes[2][2], 3);   // y-up, stood up
    EXPECT_FLOAT_EQ(boxes[3][5] - boxes[3][2], 1);   // taken as z-up, its long side toward -y
    EXPECT_FLOAT_EQ(boxes[3][3] - boxes[3][0], 3);
    EXPECT_NE(b.notes[0].find("tall.obj: up +y"), std::string::npos) << b.notes[0];
    auto fails = [&](const std::string &objects, const char *says) {
        text(dir.file("bad.json"), R"({"materials": [{"name": "m"}], "objects": [)" + objects + "]}");
        EXPECT_FALSE(build_json_scene(dir.file("bad.json"), build_options{}, b, &err)) << objects;
        EXPECT_NE(err.find(says), std::string::npos) << err;
    };
    fails(R"({"primitive": "box", "material": "m", "position": [1, 0, 0], "center": [1, 0, 0]})", "give one");
    fails(R"({"model": "tall.obj", "up": "sideways"})", "objects[0]: up axis 'sideways'");
}

TEST_F(SceneJson, AModelWithoutMaterialsLooksWarmOneWithKeepsItsColours) {
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    text(dir.file("bare.obj"), tri + "f 1 2 3\n");
    text(dir.file("bare.ply"), "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                               "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                               "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    text(dir.file("own.obj"), "mtllib own.mtl\n" + tri + "usemtl blue\nf 1 2 3\n");
    text(dir.file("own.mtl"), "newmtl blue\nKd 0.2 0.4 0.6\n");
    for (const char *f : {"bare.obj", "bare.ply", "own.obj"}) {
        built_scene b;
        std::string err;
        ASSERT_TRUE(build_model_scene(dir.file(f), build_options{}, b, &err)) << err;
        const material_desc *m = first(b.scene, OT_TEXTURE, &object_desc::material);
        const std::vector<int> want = f[0] == 'b' ? std::vector<int>{235, 200, 150} : std::vector<int>{51, 102, 153};
        EXPECT_EQ((std::vector<int>{m->red, m->green, m->blue}), want) << f;
        // Lit side full, shaded side half, a highlight; a plain background
        // the palette shows without dither.
        EXPECT_EQ((std::vector<int>{m->ambient, m->diffuse}), (std::vector<int>{1, 0})) << f;
        EXPECT_LT(m->highlight, 1) << f;
        const scene_settings_desc *set = first(b.scene, OT_SCENE, &object_desc::scene);
        for (int c : {set->red, set->green, set->blue}) EXPECT_EQ(c % 51, 0);
    }
}

TEST(Pictures, PngTgaAndBmpTexturesAreReadExactly) {
    test::tempdir dir;
    // Left half red, right half blue. (The library's JPEG writer is not
    // clean under the undefined-behaviour checks; JPEG reading is its own.)
    std::vector<uint8_t> px;
    for (int i = 0; i < 64; ++i) px.insert(px.end(), {uint8_t(i % 8 < 4 ? 220 : 20), 30, uint8_t(i % 8 < 4 ? 20 : 220)});
    std::string err;
    ASSERT_TRUE(write_bmp24(rgbimage{8, 8, px}, dir.file("t.bmp"), &err)) << err;
    ASSERT_TRUE(stbi_write_png(dir.file("t.png").c_str(), 8, 8, 3, px.data(), 24));
    ASSERT_TRUE(stbi_write_tga(dir.file("t.tga").c_str(), 8, 8, 3, px.data()));
    for (const char *f : {"t.bmp", "t.png", "t.tga"}) {
        rgbimage img;
        ASSERT_TRUE(read_picture(dir.file(f), img, &err)) << err;
        EXPECT_EQ(img.rgb, px) << f;
    }
    test::writebytes(dir.file("t.gif"), {'G', 'I', 'F', '8', '9', 'a'});
    rgbimage img;
    EXPECT_FALSE(read_picture(dir.file("t.gif"), img, &err));
    EXPECT_NE(err.find("t.gif: cannot convert texture"), std::string::npos) << err;
}

TEST(Framing, AThreeQuarterViewFromAboveFillingMostOfTheHeightAllRound) {
    const std::array<float, 6> box = {-3, 1, 0, 5, 2, 9};
    const camera_desc c = framing_camera(box);
    EXPECT_FLOAT_EQ(c.targx, 1); EXPECT_FLOAT_EQ(c.targy, 1.5f); EXPECT_FLOAT_EQ(c.targz, 4.5f);
    const double dx = c.x - c.targx, dy = c.y - c.targy, up = std::atan2(c.z - c.targz, std::hypot(dx, dy));
    EXPECT_GE(up, 20 * 3.14159 / 180); EXPECT_LE(up, 25 * 3.14159 / 180);
    // In front (-y) and turned toward the model's right (+x).
    EXPECT_LT(dy, 0); EXPECT_GT(dx, 0.3 * std::fabs(dy)); EXPECT_LT(dx, std::fabs(dy));
    // The light comes from above, between the camera and its left.
    const light_desc l = framing_light(c);
    const double cam = std::atan2(dy, dx);
    double off = cam - l.ltaz;
    EXPECT_GT(off, 0.3); EXPECT_LT(off, 1.3);
    EXPECT_GT(l.ltal, 0.5); EXPECT_LT(l.ltal, 1.2);
    // Slowly circling at the camera's height; the box about three fifths of
    // the height of the first picture and wholly in view all the way round.
    EXPECT_GT(c.CamRotRate, 0); EXPECT_LT(c.CamRotRate, 2);
    EXPECT_FLOAT_EQ(c.CamFHeight, c.z);
    camx = c.x, camy = c.y, camz = c.z, tarx = c.targx, tary = c.targy, tarz = c.targz, focl = c.foc_len;
    iminv = 1, Orientation = 1;
    picround(320, 240);
    CamRotRate = 15;
    for (int step = 0; step < 24; ++step) {
        calct();
        int lo = pich, hi = -1;
        for (int k = 0; k < 8; ++k) {
            ux = box[k & 1 ? 3 : 0], uy = box[k & 2 ? 4 : 1], uz = box[k & 4 ? 5 : 2];
            transfsc();
            EXPECT_GE(sx, 0); EXPECT_LT(sx, picw); EXPECT_GE(sy, 0); EXPECT_LT(sy, pich);
            lo = std::min(lo, sy), hi = std::max(hi, sy);
        }
        if (step == 0) {
            EXPECT_NEAR(double(hi - lo) / pich, 0.6, 0.02);
        }
        rotatecam();
    }
    CamRotRate = 0;
}

}  // namespace
}  // namespace vortella
