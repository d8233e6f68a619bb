#include "support/testutil.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "authoring/primitives.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/gmem.h"
#include "scene/scene.h"

namespace vortella::test {

tempdir::tempdir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vortella-XXXXXX").string();
    char *p = mkdtemp(tmpl.data());
    if (!p) throw std::runtime_error("cannot make a temporary folder");
    path = p;
}

tempdir::~tempdir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

std::vector<uint8_t> readbytes(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

std::string readtext(const std::string &path) {
    const std::vector<uint8_t> b = readbytes(path);
    return std::string(b.begin(), b.end());
}

void writebytes(const std::string &path, const std::vector<uint8_t> &b) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

void writemap(const std::string &path, int w, int h) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const uint8_t a[3] = {250, 250, 250}, b[3] = {10, 80, 160};
    std::string err;
    if (!write_bmp24(make_checker(w, h, 2, a, b), path, &err)) ADD_FAILURE() << err;
}

instance_desc drawn(std::vector<int> geoms, int rend_mode) {
    instance_desc i;
    i.inst_no = 1;
    i.geoms = std::move(geoms);
    i.rend_mode = rend_mode;
    return i;
}

void store_test::SetUp() {
    reset_frame();
    reset_raster();
    reset_pipeline();
    reset_view();
    reset_scene();
    paths.folder = dir.path + "/";
    paths.mapsdir = dir.path + "/maps";
    paths.background = dir.path + "/maps/BGROUND.BMP";
    blocks0 = GlobalCount();
}

void store_test::TearDown() {
    reset_frame();
    reset_scene();
    EXPECT_EQ(GlobalCount(), blocks0) << "bitmap blocks left behind";
}

int store_test::load(const scene_desc &s, const std::string &name) {
    return loadbytes(write_scene(s), name);
}

int store_test::loadbytes(const std::vector<uint8_t> &b, const std::string &name) {
    writebytes(dir.file(name), b);
    return loadfile(dir.file(name).c_str());
}

int store_test::loadfile(const char *name) {
    last = readfile(name, paths);
    return last.code;
}

scene_desc tiny_scene() {
    scene_desc s;
    geometry_desc g;
    g.name = "tri";
    g.faceted = true;
    g.geom_no = 1;
    g.texture = 1;
    g.points = {{0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}};
    g.triangles = {{0, 1, 2, 0, 0, 1}};
    g.ddh[0] = {0};
    s.add(g);
    material_desc m;
    m.name = "grey";
    m.texture_no = 1;
    s.add(m);
    instance_desc i;
    i.name = "one";
    i.inst_no = 1;
    i.geoms = {1};
    s.add(i);
    return s;
}

scene_desc every_kind_scene(const tempdir &dir) {
    std::filesystem::create_directories(dir.file("maps"));
    const uint8_t a[3] = {250, 250, 250}, b[3] = {10, 80, 160};
    std::string err;
    write_bmp24(make_checker(16, 8, 4, a, b), dir.file("check.bmp"), &err);
    write_bmp24(make_checker(32, 16, 2, b, a), dir.file("maps/BGROUND.BMP"), &err);

    scene_desc s;
    s.header_text = "every kind";
    material_desc plain;
    plain.name = "plain";
    plain.texture_no = 1;
    s.add(plain);
    material_desc tex = plain;
    tex.name = "textured";
    tex.texture_no = 2;
    tex.map_type = 1;
    tex.map_no = 5;
    tex.x_freq = 3;
    s.add(tex);
    material_desc refl = plain;
    refl.name = "mirror";
    refl.texture_no = 3;
    refl.reflection = 0.5f;
    s.add(refl);
    s.add(map_desc{"check.bmp", 5});
    s.add(make_box(1, 1, 0, 0, 0, 1, 2, 3));
    s.add(make_sphere(2, 2, 0, 0, 4, 1, 4, 6));
    instance_desc i;
    i.name = "all";
    i.inst_no = 7;
    i.geoms = {1, 2};
    i.instances = {8};
    s.add(i);
    camera_desc c;
    c.x = 5;
    c.y = -6;
    c.z = 7;
    s.add(c);
    s.add(light_desc{});
    s.add(scene_settings_desc{});
    s.add(comment_desc{1, "a comment"});
    object_desc unknown;
    unknown.type = 7;
    s.objects.push_back(unknown);
    return s;
}

}  // namespace vortella::test
