#include "authoring/demos.h"

#include <cmath>
#include <filesystem>
#include <utility>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/bytes.h"
#include "authoring/demokit.h"
#include "authoring/demoscenes.h"
#include "authoring/primitives.h"
#include "authoring/textures.h"
#include "authoring/writer.h"
#include "scene/dib.h"
#include "scene/scene.h"

namespace vortella {

const demo_scene demo_scenes[] = {
    {"ORBIT.VTL", "Orbit", "1,480,360,2,1,1,0,0,1,20,45,1,45"},
    {"CHROME.VTL", "Chrome", "2,480,360,2,1,2,0,0,1,20,45,1,45"},
    {"TEMPLE.VTL", "Temple", "3,480,360,2,1,1,0,0,1,20,45,1,45"},
    {"TANGLE.VTL", "Tangle", "1,480,360,2,1,3,0,0,1,20,45,1,45"},
    {"SOLAR.VTL", "Solar", "4,640,400,2,1,2,1,0,1,20,45,1,45"},
    {"CHESS.VTL", "Chess", "3,560,420,2,0,1,0,30,-1,20,60,2,50"},
    {"GLASS.VTL", "Glass", "1,400,300,2,1,2,0,0,1,20,45,1,45"},
    {"CANYON.VTL", "Canyon", "6,640,400,2,1,1,0,0,1,20,45,1,45"},
    {"CITY.VTL", "City", "2,720,400,2,0,1,0,200,1,8,30,0,35"},
    {"KNOT.VTL", "Knot", "3,480,480,2,1,2,1,0,1,20,45,1,45"},
    {"CRYSTAL.VTL", "Crystal", "6,640,400,2,1,1,0,0,1,20,45,1,45"},
    {"TUNNEL.VTL", "Tunnel", "6,640,400,2,1,1,0,0,1,20,45,1,45"},
    {"GEARS.VTL", "Gears", "4,480,360,2,0,2,0,90,-2,10,120,3,60"},
    {"ISLAND.VTL", "Island", "1,800,450,2,1,2,0,0,1,20,45,1,45"},
    {"FOUNTAIN.VTL", "Fountain", "3,640,480,2,0,3,0,45,1,15,200,1,40"},
    {"ARMILLARY.VTL", "Armillary", "2,360,360,2,1,2,0,0,1,20,45,1,45"},
};
const int demo_scene_count = sizeof demo_scenes / sizeof demo_scenes[0];
const char *const demo_background = "BGROUND.BMP";

namespace {

using namespace demokit;

// The material of a square floor of side `size` around the origin, number
// `no`, planar-mapped with map 1: the map covers the floor once, repeated
// reps x reps times.
material_desc floormat(int no, const char *name, float size, int reps) {
    material_desc floor = mat(no, name, 200, 200, 200);
    floor.map_type = 1;
    floor.map_no = 1;
    floor.izro = pi / 2;
    floor.x = -size / 2;
    floor.y = -size / 2;
    floor.xscale = size;
    floor.yscale = size;
    floor.x_freq = reps;
    floor.y_freq = reps;
    return floor;
}

// The floor itself, geometry 1 with material 1: n x n cells at height 0,
// drawn first, on its own, never merged with what stands on it.
void floorgrid(scene_desc &s, float size, int n, bool faceted) {
    geo(s, make_grid(1, 1, 0, 0, 0, size, n, faceted), "floor").rend_mode = 2;
}

// A planet with its moon and a ring of ice against the stars: spherical
// maps smooth and faceted, a transparent ring, unlit night sides, the
// panorama background; the camera circles.
scene_desc orbit() {
    scene_desc s;
    s.header_text = "Orbit";
    material_desc planet = mat(1, "planet", 90, 140, 220);
    planet.map_type = 2;
    planet.map_no = 1;
    planet.highlight = 0.93f;
    planet.highlights = 0.8f;
    planet.brilliance = 0.3f;
    s.add(planet);
    material_desc moon = mat(2, "moon", 180, 180, 170);
    moon.map_type = 2;
    moon.map_no = 2;
    s.add(moon);
    material_desc ring = mat(3, "ring", 230, 210, 160);
    ring.trans = 0.3f;
    ring.opacity = 0.0f;
    ring.trans_th = 0.6f;
    ring.highlight = 0.9f;
    ring.highlights = 0.5f;
    s.add(ring);
    s.add(map_desc{"PLANET.BMP", 1});
    s.add(map_desc{"MOON.BMP", 2});
    geo(s, make_sphere(1, 1, 0, 0, 0, 3, 24, 48), "planet");
    geometry_desc m = make_sphere(2, 2, 6.5f, 0, 1.2f, 0.9f, 8, 14);
    facet(m);
    geo(s, m, "moon");
    geometry_desc r = make_torus(3, 3, 0, 0, 0, 4.6f, 0.5f, 48, 8, 0.35f);
    squash(r, 0, 0, 0, 1, 1, 0.25f);
    geo(s, r, "ring");
    instance_desc in;
    in.name = "system";
    in.inst_no = 1;
    in.rend_mode = 10;
    in.geoms = {1, 2, 3};
    s.add(in);
    camera_desc c = cam(0, -17, 4, 0, 0, 0, 1.3f);
    c.CamRotRate = 0.6f;
    s.add(c);
    s.add(light_desc{0.35f, 0.6f});
    s.add(settings("Orbit: a planet, its moon and a ring of ice", 2, 0, 0, 0));
    return s;
}

// Chrome and gold over a tiled floor: reflection maps smooth and faceted, a
// planar map on a faceted floor, a plain glossy ball; the camera circles.
scene_desc chrome() {
    scene_desc s;
    s.header_text = "Chrome";
    s.add(floormat(1, "tiles", 16, 4));
    material_desc mirror = mat(2, "chrome", 255, 255, 255);
    mirror.reflection = 1.0f;
    mirror.highlight = 0.85f;
    mirror.highlights = 0.5f;
    s.add(mirror);
    material_desc gold = mat(3, "gold", 255, 200, 60);
    gold.reflection = 0.6f;
    gold.highlight = 0.8f;
    gold.highlights = 0.7f;
    s.add(gold);
    material_desc red = mat(4, "ruby", 220, 30, 40);
    red.highlight = 0.7f;
    red.highlights = 0.4f;
    s.add(red);
    s.add(map_desc{"TILES.BMP", 1});
    floorgrid(s, 16, 8, true);
    geo(s, make_torus(2, 2, 0, 0, 2.6f, 2.0f, 0.6f, 40, 16, pi / 2), "chrome ring");
    geometry_desc gem = make_sphere(3, 3, 4.2f, 2.5f, 1.2f, 1.2f, 4, 6);
    facet(gem);
    geo(s, gem, "gold gem");
    geo(s, make_sphere(4, 4, -3.8f, -2.8f, 1.0f, 1.0f, 16, 24), "ruby ball");
    instance_desc in;
    in.name = "hall";
    in.inst_no = 1;
    in.rend_mode = 10;
    in.geoms = {1, 2, 3, 4};
    s.add(in);
    camera_desc c = cam(9, -11, 6, 0, 0, 1.5f, 1.2f);
    c.CamRotRate = -0.8f;
    s.add(c);
    s.add(light_desc{0.9f, 2.2f});
    s.add(settings("Chrome: mirrors and gold over a marble floor", 0, 20, 24, 40));
    return s;
}

// A ring of pillars around a glass cube: cylindrical maps smooth and
// faceted, a planar map on a smooth floor, a transparent faceted cube; the
// camera stands inside and turns.
scene_desc temple() {
    scene_desc s;
    s.header_text = "Temple";
    s.add(floormat(1, "marble floor", 24, 6));
    material_desc round = mat(2, "fluted", 230, 200, 150);
    // Pillars stand from 0 to 5 (centre 2.5): the height 5 maps onto one
    // span of the map.
    round.map_type = 3;
    round.map_no = 2;
    round.x_freq = 2;
    round.z = 10;
    round.zscale = 5;
    round.highlight = 0.9f;
    round.highlights = 0.5f;
    s.add(round);
    material_desc hex = mat(3, "marble", 220, 220, 220);
    hex.map_type = 3;
    hex.map_no = 3;
    hex.z = 10;
    hex.zscale = 5;
    hex.y_freq = 2;
    s.add(hex);
    material_desc glass = mat(4, "glass", 120, 200, 255);
    glass.trans = 0.95f;
    glass.opacity = 0.1f;
    glass.trans_th = 0.6f;
    s.add(glass);
    s.add(map_desc{"MARBLE.BMP", 1});
    s.add(map_desc{"FLUTED.BMP", 2});
    s.add(map_desc{"MARBLE.BMP", 3});
    floorgrid(s, 24, 12, false);
    std::vector<int> geoms = {1};
    for (int i = 0; i < 8; ++i) {
        const float a = 2 * pi * i / 8;
        const float x = 7 * std::cos(a), y = 7 * std::sin(a);
        const bool smooth = i % 2 == 0;
        geometry_desc p = make_cylinder(10 + i, smooth ? 2 : 3, x, y, 0, 5, smooth ? 0.55f : 0.6f, smooth ? 20 : 6,
                                        !smooth);
        geo(s, p, smooth ? "round pillar" : "hexagonal pillar");
        geoms.push_back(10 + i);
    }
    geometry_desc cube = make_box(2, 4, 3.6f, 0.6f, 0.9f, 0.9f, 0.9f, 0.9f);
    turnz(cube, 3.6f, 0.6f, pi / 5);
    geo(s, cube, "glass cube");
    geoms.push_back(2);
    instance_desc in;
    in.name = "temple";
    in.inst_no = 1;
    in.rend_mode = 10;
    in.geoms = geoms;
    s.add(in);
    camera_desc c = cam(-1.5f, -0.5f, 2.2f, 6, 1.5f, 1.4f, 1.0f);
    c.CamPanRate = 0.7f;
    s.add(c);
    s.add(light_desc{0.8f, 0.9f});
    s.add(settings("Temple: pillars around a glass cube", 0, 150, 180, 230));
    return s;
}

// Interlocking rings and crossing bars: overlapping objects drawn as one
// merged group, smooth and faceted plain colours with highlights; the
// camera circles and the panorama turns behind.
scene_desc tangle() {
    scene_desc s;
    s.header_text = "Tangle";
    const uint8_t col[3][3] = {{230, 60, 50}, {60, 200, 90}, {70, 110, 240}};
    for (int i = 0; i < 3; ++i) {
        material_desc m = mat(1 + i, "enamel", col[i][0], col[i][1], col[i][2]);
        m.highlight = 0.75f;
        m.highlights = 0.45f;
        s.add(m);
    }
    material_desc steel = mat(4, "steel", 170, 175, 190);
    steel.highlight = 0.9f;
    s.add(steel);
    geo(s, make_torus(1, 1, -1.4f, 0, 0, 2.0f, 0.45f, 36, 14, 0), "red ring");
    geo(s, make_torus(2, 2, 1.4f, 0, 0, 2.0f, 0.45f, 36, 14, pi / 2), "green ring");
    geometry_desc blue = make_torus(3, 3, 0, 0, 0, 2.0f, 0.45f, 36, 14, pi / 2);
    turnz(blue, 0, 0, pi / 2);
    geo(s, blue, "blue ring");
    geo(s, make_box(4, 4, 0, 0, 0, 4.5f, 0.3f, 0.3f), "bar");
    geo(s, make_box(5, 4, 0, 0, 0, 0.3f, 0.3f, 3.2f), "post");
    instance_desc in;
    in.name = "knot";
    in.inst_no = 1;
    in.rend_mode = 10;
    in.geoms = {1, 2, 3, 4, 5};
    s.add(in);
    camera_desc c = cam(6, -9, 4, 0, 0, 0, 1.2f);
    c.CamRotRate = 0.9f;
    s.add(c);
    s.add(light_desc{0.6f, 1.0f});
    s.add(settings("Tangle: three rings and two bars", 2, 0, 0, 0));
    return s;
}

// The built-in bitmaps, each made by code the first time a scene asks for it.
struct mapdef {
    const char *name;
    std::vector<uint8_t> (*make)();
};
const mapdef demo_maps[] = {
    {"PLANET.BMP", [] { return bmp24(tex_planet(512, 256)); }},
    {"MOON.BMP", [] { return bmp24(tex_moon(256, 128)); }},
    {"TILES.BMP", [] { return bmp24(tex_tiles(256, 256)); }},
    {"MARBLE.BMP", [] { return bmp24(tex_marble(256, 256)); }},
    {"FLUTED.BMP", [] { return bmp24(tex_fluted(256, 256)); }},
    {"BGROUND.BMP", [] { return bmp24(tex_panorama(1024, 512)); }},
    {"SUN.BMP", [] { return bmp24(tex_sun(256, 128)); }},
    {"GIANT.BMP", [] { return bmp24(tex_giant(256, 128)); }},
    {"BOARD.BMP", [] { return bmp24(tex_board(256, 256)); }},
    {"WOOD.BMP", [] { return bmp24(tex_wood(256, 256)); }},
    {"WINDOWS.BMP", [] { return bmp24(tex_windows(128, 128)); }},
    {"BRICKS.BMP", [] { return bmp24(tex_bricks(256, 256)); }},
    {"ISLAND.BMP", [] { return bmp24(island_map(256, 256)); }},
    {"STARS.BMP", [] { return bmp24(tex_stars(512, 256)); }},
};
constexpr int demo_map_count = sizeof demo_maps / sizeof demo_maps[0];

// The scenes' makers, in the order of demo_scenes.
scene_desc (*const scene_makers[])() = {orbit,        chrome,      temple,       tangle,
                                        demo_solar,   demo_chess,  demo_glass,   demo_canyon,
                                        demo_city,    demo_knot,   demo_crystal, demo_tunnel,
                                        demo_gears,   demo_island, demo_fountain, demo_armillary};

// One function per file, holding its bytes once made (a function-local
// static is made once even when several threads ask at the same time).
template <int I> const std::vector<uint8_t> &map_bytes() {
    static const std::vector<uint8_t> b = demo_maps[I].make();
    return b;
}
template <int I> const std::vector<uint8_t> &scene_bytes() {
    static const std::vector<uint8_t> b = write_scene(scene_makers[I]());
    return b;
}

template <int... I> std::vector<dib_resource> map_table(std::integer_sequence<int, I...>) {
    return {dib_resource{demo_maps[I].name, nullptr, 0, &map_bytes<I>}...};
}
template <int... I> std::vector<dib_resource> scene_table(std::integer_sequence<int, I...>) {
    return {dib_resource{demo_scenes[I].name, nullptr, 0, &scene_bytes<I>}...};
}

constexpr int scene_maker_count = sizeof scene_makers / sizeof scene_makers[0];
static_assert(scene_maker_count == sizeof demo_scenes / sizeof demo_scenes[0], "a maker for every demo scene");

const std::vector<dib_resource> &scenetab() {
    static const std::vector<dib_resource> t = scene_table(std::make_integer_sequence<int, scene_maker_count>());
    return t;
}
const std::vector<dib_resource> &maptab() {
    static const std::vector<dib_resource> t = map_table(std::make_integer_sequence<int, demo_map_count>());
    return t;
}

}  // namespace

void install_demos() {
    scene_resources = scenetab().data();
    scene_nresources = static_cast<int>(scenetab().size());
    dib_resources = maptab().data();
    dib_nresources = static_cast<int>(maptab().size());
}

bool write_demos(const std::string &dir, std::string *err) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (const auto *table : {&scenetab(), &maptab()})
        for (const dib_resource &r : *table) {
            const std::vector<uint8_t> &bytes = r.make();
            if (!write_bytes(dir + "/" + r.name, bytes, err)) return false;
        }
    return true;
}

}  // namespace vortella
