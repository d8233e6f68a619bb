// Scene descriptions and single models compiled into scenes: every record
// field reachable from the description, textures converted to 24-bit maps
// that cover the object once, and a camera that frames the model.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

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
    // A 4 x 2 PNG (palette) as the cube's diffuse map.
    PALETTEENTRY pal[256] = {};
    pal[1] = {255, 0, 0, 0};
    const uint8_t pix[8] = {1, 0, 1, 0, 0, 1, 0, 1};
    std::string err;
    ASSERT_TRUE(write_png8(dir.file("tex.png"), pic8{pix, 4, 2, 4, pal}, &err)) << err;
    text(dir.file("cube.obj"), "mtllib cube.mtl\nv 0 0 0\nv 4 0 0\nv 4 2 0\nv 0 2 0\nv 0 0 1\nv 4 0 1\nv 4 2 1\n"
                               "v 0 2 1\nusemtl t\nf 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n");
    text(dir.file("cube.mtl"), "newmtl t\nKd 0.5 0.5 0.5\nmap_Kd tex.png\n");
    built_scene b;
    ASSERT_TRUE(build_model_scene(dir.file("cube.obj"), build_options{}, b, &err)) << err;
    ASSERT_EQ(b.maps.size(), 1u);
    EXPECT_EQ(b.maps[0].second.w, 4);
    EXPECT_EQ(b.maps[0].second.rgb[0], 255);   // top-left texel red
    const material_desc *m = first(b.scene, OT_TEXTURE, &object_desc::material);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->map_type, 1);
    // Projected along z, the thinnest extent: a quarter turn about y, so the
    // plane coordinates are (y - cy, -(x - cx)); both run over 0..1 once.
    EXPECT_FLOAT_EQ(m->izro, 3.14159265f / 2);
    for (float x : {0.0f, 4.0f})
        for (float y : {0.0f, 2.0f}) {
            const float u = ((y - 1) - m->x) / m->xscale, v = (-(x - 2) - m->y) / m->yscale;
            EXPECT_GE(u, 0); EXPECT_LE(u, 1); EXPECT_GE(v, 0); EXPECT_LE(v, 1);
            EXPECT_NEAR(std::min(u, 1 - u), 0, 0.01);
        }
    ASSERT_TRUE(write_built_scene(b, dir.file("cube.vtl"), &err)) << err;
    ASSERT_EQ(loadfile(dir.file("cube.vtl").c_str()), 0) << last.message;  // finds and reads the 24-bit map
}

TEST(Framing, TheWholeModelIsInViewFromARaisedCamera) {
    const std::array<float, 6> box = {-3, 1, 0, 5, 2, 9};
    const camera_desc c = framing_camera(box);
    EXPECT_FLOAT_EQ(c.targx, 1); EXPECT_FLOAT_EQ(c.targy, 1.5f); EXPECT_FLOAT_EQ(c.targz, 4.5f);
    EXPECT_GT(c.z, c.targz);
    EXPECT_NE(c.CamRotRate, 0);
    camx = c.x, camy = c.y, camz = c.z, tarx = c.targx, tary = c.targy, tarz = c.targz, focl = c.foc_len;
    iminv = 1, Orientation = 1;
    picround(320, 240);
    calct();
    for (int k = 0; k < 8; ++k) {
        ux = box[k & 1 ? 3 : 0], uy = box[k & 2 ? 4 : 1], uz = box[k & 4 ? 5 : 2];
        transfsc();
        EXPECT_GE(sx, 0); EXPECT_LT(sx, picw); EXPECT_GE(sy, 0); EXPECT_LT(sy, pich);
    }
    // Slowly circling with the camera's eye height, a turn in a few minutes.
    EXPECT_LT(std::fabs(c.CamRotRate), 2);
}

}  // namespace
}  // namespace vortella
