#include "authoring/demoscenes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "authoring/ddh.h"
#include "authoring/demokit.h"
#include "authoring/primitives.h"
#include "authoring/textures.h"
#include "pipeline/pipeline.h"

namespace vortella {

namespace {

using namespace demokit;

// A small random source of our own: the standard library's distributions
// differ from one library to the next, these numbers do not.
struct dice {
    uint32_t s;
    explicit dice(uint32_t seed) : s(seed * 2654435761u + 1) {}
    float next() {   // 0..1
        s = s * 1664525u + 1013904223u;
        return float(s >> 8) / 16777216.0f;
    }
    float between(float a, float b) { return a + (b - a) * next(); }
};

material_desc gloss(material_desc m, float threshold, float length) {
    m.highlight = threshold;
    m.highlights = length;
    return m;
}

// A material that shines by itself: the shading table holds the colour
// at full strength on the lit and the unlit side alike.
material_desc glow(material_desc m) {
    m.ambient = 0;
    m.diffuse = 0;
    return m;
}

material_desc clear(material_desc m, float trans, float opacity, float through) {
    m.trans = trans;
    m.opacity = opacity;
    m.trans_th = through;
    return m;
}

material_desc mirror(material_desc m, float reflection) {
    m.reflection = reflection;
    return m;
}

material_desc spherical(material_desc m, int map) {
    m.map_type = 2;
    m.map_no = map;
    return m;
}

std::array<float, 6> bounds(const geometry_desc &g) {
    std::array<float, 6> b = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};
    for (const points_s &p : g.points) {
        b[0] = std::min(b[0], p.x), b[1] = std::min(b[1], p.y), b[2] = std::min(b[2], p.z);
        b[3] = std::max(b[3], p.x), b[4] = std::max(b[4], p.y), b[5] = std::max(b[5], p.z);
    }
    return b;
}

// A cylindrical map fitted to `g`: once round its vertical axis per
// `round`, and its height from bottom to top `up` times the map. The height
// coordinate is (z - centre - m.z) / m.zscale + centre, so with zscale the
// height and z chosen as below it runs from 0 at the bottom to 1 at the
// top; a hair of margin keeps float round-off inside the map's rows.
material_desc cylindrical(material_desc m, int map, const geometry_desc &g, int round, int up) {
    const std::array<float, 6> b = bounds(g);
    const float lo = b[2] - 1e-3f, span = (b[5] - b[2]) + 2e-3f, cz = (b[2] + b[5]) / 2;
    m.map_type = 3;
    m.map_no = map;
    m.zscale = span;
    m.z = lo + cz * (span - 1);
    m.x_freq = round;
    m.y_freq = up;
    return m;
}

// A planar map laid on `g` from above, covering its extent in x and y once
// (`reps` times each way when repeated). The projection runs along z;
// the map's columns run along +y and its rows, top row first, along +x.
material_desc planar_top(material_desc m, int map, const geometry_desc &g, int reps) {
    const std::array<float, 6> b = bounds(g);
    const float sx = b[3] - b[0], sy = b[4] - b[1];
    m.map_type = 1;
    m.map_no = map;
    m.izro = pi / 2;
    m.x = -sy / 2;
    m.y = -sx / 2;
    m.xscale = sy * 1.0002f;
    m.yscale = sx * 1.0002f;
    m.x_freq = reps;
    m.y_freq = reps;
    return m;
}

// The plain sort, then the faces that lie flat in the top of the shape
// moved to the end of every table looking from above (and those in its
// bottom to the end of those looking from below). Seen from above, nothing
// of the shape lies in front of its topmost plane, while a sort by centres
// puts a long cap triangle that reaches into the middle before the small
// sides it hides. For prisms such as gears this is as good as the
// repaired order and far cheaper to make.
geometry_desc &prism(scene_desc &s, geometry_desc g, const char *name) {
    g.name = name;
    build_ddh_sorted(g);
    float lo = 1e30f, hi = -1e30f;
    for (const points_s &p : g.points) lo = std::min(lo, p.z), hi = std::max(hi, p.z);
    auto flat = [&g](int t, float z) {
        const trianglef_s &tr = g.triangles[size_t(t)];
        return g.points[size_t(tr.pt1)].z == z && g.points[size_t(tr.pt2)].z == z && g.points[size_t(tr.pt3)].z == z;
    };
    for (int k = 0; k < 32; ++k) {
        std::vector<int> &d = g.ddh[size_t(k)];
        if (ddhvdir[k][2] > 0) std::stable_partition(d.begin(), d.end(), [&](int t) { return !flat(t, hi); });
        if (ddhvdir[k][2] < 0) std::stable_partition(d.begin(), d.end(), [&](int t) { return !flat(t, lo); });
    }
    return s.add(g);
}

instance_desc world(const scene_desc &s) {
    instance_desc in;
    in.name = "world";
    in.inst_no = 1;
    in.rend_mode = 10;
    for (const object_desc &o : s.objects)
        if (o.type == OT_SMOOTH || o.type == OT_FACETED) in.geoms.push_back(o.geometry.geom_no);
    return in;
}

// A lumpy stone of about radius r: a coarse ball of `rings` x `segs`
// pushed in and out by the noise, flattened a little, faceted.
geometry_desc stone(int no, int tex, float cx, float cy, float cz, float r, float flat, int seed, int rings = 5,
                    int segs = 8) {
    geometry_desc g = make_sphere(no, tex, 0, 0, 0, r, rings, segs);
    for (points_s &p : g.points) {
        const float az = std::atan2(p.y, p.x) / (2 * pi) + 0.5f, el = std::acos(std::clamp(p.z / r, -1.0f, 1.0f)) / pi;
        const float k = 0.7f + 0.6f * fbm(az * 4 + float(seed) * 1.7f, el * 2, 2, 4, 1 << 16);
        p.x *= k, p.y *= k, p.z *= k * flat;
    }
    facet(g);
    shift(g, cx, cy, cz);
    return g;
}

// A slab of half sizes hx, hy and thickness th whose top at height ztop is
// a grid of nx x ny cells: a map laid on it keeps its lines straight as
// the view turns, since every small cell is mapped on its own. The box's
// own top is left out; it would lie under the grid and only confuse the
// depth order. Faceted.
geometry_desc slab(int no, int tex, float hx, float hy, float ztop, float th, int nx, int ny) {
    geometry_desc g = make_box(no, tex, 0, 0, ztop - th / 2, hx, hy, th / 2);
    g.triangles.erase(g.triangles.begin() + 2, g.triangles.begin() + 4);   // the face at +z
    append(g, make_heightfield(no, tex, -hx, -hy, hx, hy, nx, ny, [ztop](float, float) { return ztop; }, true));
    return g;
}

}  // namespace

// ---------------------------------------------------------------------------
// Solar: a sun that shines by itself, a banded giant with a ring of ice,
// a blue world with its moon, an icy world, and a belt of rocks copied
// round the sun; the camera circles.
// ---------------------------------------------------------------------------
scene_desc demo_solar() {
    scene_desc s;
    s.header_text = "Solar";
    s.add(glow(spherical(mat(1, "sun", 255, 200, 60), 1)));
    s.add(gloss(spherical(mat(2, "earth", 90, 140, 220), 2), 0.92f, 0.7f));
    s.add(spherical(mat(3, "moon", 180, 180, 170), 3));
    s.add(gloss(spherical(mat(4, "giant", 220, 190, 150), 4), 0.95f, 0.6f));
    s.add(gloss(clear(mat(5, "ring", 225, 205, 170), 0.35f, 0.0f, 0.55f), 0.9f, 0.5f));
    s.add(gloss(mat(6, "ice", 170, 215, 245), 0.8f, 0.6f));
    s.add(mat(7, "rock", 150, 128, 108));
    s.add(map_desc{"SUN.BMP", 1});
    s.add(map_desc{"PLANET.BMP", 2});
    s.add(map_desc{"MOON.BMP", 3});
    s.add(map_desc{"GIANT.BMP", 4});
    auto orbit = [](float radius, float deg, float &x, float &y) {
        x = radius * std::cos(deg * pi / 180);
        y = radius * std::sin(deg * pi / 180);
    };
    float x, y;
    geo(s, make_sphere(1, 1, 0, 0, 0, 2.4f, 12, 22), "sun");
    orbit(5.2f, 215, x, y);
    geo(s, make_sphere(2, 2, x, y, 0, 0.8f, 10, 18), "blue world");
    geometry_desc moon = make_sphere(3, 3, x + 1.3f, y - 0.6f, 0.35f, 0.28f, 6, 10);
    facet(moon);
    geo(s, moon, "moon");
    orbit(11.5f, 35, x, y);
    geo(s, make_sphere(4, 4, x, y, 0, 1.7f, 14, 24), "giant");
    geometry_desc ring = make_torus(5, 5, 0, 0, 0, 2.85f, 0.75f, 40, 6);
    squash(ring, 0, 0, 0, 1, 1, 0.1f);
    turn(ring, 1, 0, 0, 0.42f);
    turn(ring, 0, 0, 1, 0.5f);
    shift(ring, x, y, 0);
    geo(s, ring, "ice ring");
    orbit(15.5f, 128, x, y);
    geo(s, make_sphere(6, 6, x, y, 0.4f, 0.7f, 9, 14), "ice world");
    // The belt: three rocks, each copied round the sun at its own radius.
    geometry_desc belt;
    belt.geom_no = 7;
    belt.texture = 7;
    const float radii[3] = {7.7f, 8.3f, 8.9f};
    for (int k = 0; k < 3; ++k) {
        geometry_desc rock = stone(7, 7, 0, 0, 0.15f * float(k - 1), 0.17f + 0.05f * float(k), 0.75f, k, 4, 6);
        append(belt, ring_of(rock, 19 - 3 * k, radii[k], 0.4f * float(k)));
    }
    geo(s, belt, "belt");
    s.add(world(s));
    camera_desc c = cam(0, -17.5f, 6.5f, 0, 0, -0.5f, 1.3f);
    c.CamRotRate = 0.35f;
    s.add(c);
    s.add(light_desc{1.0f, 2.4f});
    s.add(settings("Solar: a sun, a ringed giant and a belt of rocks", 0, 2, 3, 12));
    return s;
}

// ---------------------------------------------------------------------------
// Chess: an endgame of turned pieces, white in marble mapped round each
// piece, black in a dark mirror, on an inlaid board; the camera circles.
// ---------------------------------------------------------------------------
namespace {

// The profile every piece stands on: a foot, a bead and a waist.
std::vector<profile_point> foot(float w) {
    return {{0, 0}, {0.36f * w, 0}, {0.37f * w, 0.06f}, {0.33f * w, 0.1f}, {0.34f * w, 0.13f}, {0.25f * w, 0.2f}};
}

// A ball on a stem: profile points of a sphere of radius r about height zc,
// from its neck, `from` radians round from its lowest point, to its top.
void ball(std::vector<profile_point> &p, float zc, float r, float from) {
    for (int i = 0; i <= 4; ++i) {
        const float a = from + (pi - from) * float(i) / 4;
        p.push_back({r * std::sin(a), zc - r * std::cos(a)});
    }
}

std::vector<profile_point> piece(char kind) {
    std::vector<profile_point> p = foot(kind == 'p' ? 0.85f : 1.0f);
    switch (kind) {
    case 'p':   // pawn
        p.insert(p.end(), {{0.13f, 0.42f}, {0.21f, 0.47f}, {0.11f, 0.52f}});
        ball(p, 0.66f, 0.16f, 0.5f);
        break;
    case 'r':   // rook: a tower with a hollowed top
        p.insert(p.end(), {{0.2f, 0.75f}, {0.3f, 0.8f}, {0.3f, 1.02f}, {0.2f, 1.02f}, {0.2f, 0.94f}, {0, 0.94f}});
        break;
    case 'b':   // bishop: a mitre and a knob
        p.insert(p.end(), {{0.13f, 0.7f}, {0.23f, 0.76f}, {0.13f, 0.82f}, {0.18f, 0.9f}, {0.2f, 1.0f}, {0.16f, 1.12f},
                           {0.08f, 1.22f}, {0.05f, 1.24f}});
        ball(p, 1.3f, 0.07f, 0.8f);
        break;
    case 'q':   // queen: a flared crown and a ball
        p.insert(p.end(), {{0.15f, 0.9f}, {0.27f, 0.96f}, {0.16f, 1.02f}, {0.3f, 1.28f}, {0.22f, 1.3f}, {0.1f, 1.34f}});
        ball(p, 1.43f, 0.1f, 0.9f);
        break;
    default:    // king: a taller crown, a cap and a finial
        p.insert(p.end(), {{0.16f, 1.0f}, {0.28f, 1.06f}, {0.17f, 1.12f}, {0.27f, 1.36f}, {0.2f, 1.4f}, {0.12f, 1.46f},
                           {0.06f, 1.5f}, {0.06f, 1.62f}, {0, 1.62f}});
        break;
    }
    return p;
}

}  // namespace

scene_desc demo_chess() {
    scene_desc s;
    s.header_text = "Chess";
    s.add(map_desc{"BOARD.BMP", 1});
    s.add(map_desc{"MARBLE.BMP", 2});
    // The board: its sides show the border's wood.
    geometry_desc board = slab(1, 1, 4.5f, 4.5f, 0, 0.4f, 9, 9);
    s.add(planar_top(mat(1, "board", 200, 160, 110), 1, board, 1));
    geo(s, board, "board", 2);
    s.add(gloss(mirror(mat(2, "black", 70, 66, 84), 0.55f), 0.82f, 0.6f));
    struct placed {
        char kind;
        bool white;
        int file, rank;
    };
    const placed pieces[] = {{'k', true, 6, 0}, {'q', true, 3, 2}, {'r', true, 0, 0}, {'p', true, 5, 1},
                             {'p', true, 6, 1}, {'p', true, 2, 3}, {'k', false, 6, 7}, {'r', false, 4, 6},
                             {'b', false, 2, 5}, {'p', false, 5, 6}, {'p', false, 7, 5}, {'p', false, 1, 4}};
    int no = 2, matno = 3;
    for (const placed &pc : pieces) {
        const float x = float(pc.file) - 3.5f, y = float(pc.rank) - 3.5f;
        geometry_desc g = make_lathe(no, 2, x, y, piece(pc.kind), 12);
        if (pc.white) {
            // Marble wraps each piece once round, its veins up its height.
            g.texture = matno;
            s.add(gloss(cylindrical(mat(matno++, "marble", 235, 230, 220), 2, g, 1, 1), 0.85f, 0.5f));
        }
        geo(s, g, pc.white ? "white piece" : "black piece");
        ++no;
        if (pc.kind == 'k') {
            // The king's cross: a cross-shaped outline made thick, stood up.
            const float a = 0.04f, b = 0.12f;
            geometry_desc cross = make_extrusion(no, pc.white ? matno - 1 : 2,
                                                 {{-a, -0.17f}, {a, -0.17f}, {a, -a}, {b, -a}, {b, a}, {a, a},
                                                  {a, 0.17f}, {-a, 0.17f}, {-a, a}, {-b, a}, {-b, -a}, {-a, -a}},
                                                 -a, a);
            turn(cross, 1, 0, 0, pi / 2);
            shift(cross, x, y, 1.79f);
            geo(s, cross, "cross", 0, true);
            ++no;
        }
    }
    s.add(world(s));
    camera_desc c = cam(0, -8.2f, 5.4f, 0, 0.2f, 0.1f, 1.3f);
    c.CamRotRate = 0.5f;
    s.add(c);
    s.add(light_desc{0.85f, 2.3f});
    s.add(settings("Chess: marble and a dark mirror on an inlaid board", 0, 30, 26, 36));
    return s;
}

// ---------------------------------------------------------------------------
// Glass: glassware on a wooden table, with a glazed bowl of fruit and a
// marble egg to be seen through it; the camera circles.
// ---------------------------------------------------------------------------
namespace {

// A vessel's profile: up the outside from the foot at (foot, 0), over the
// rim and down the inside to the floor at height `floor`. `outer` gives
// the radius of the outside at heights from 0 to `height`, `wall` the
// thickness.
std::vector<profile_point> vessel(float height, float wall, float floor, int steps, float (*outer)(float)) {
    std::vector<profile_point> p = {{0, 0}};
    for (int i = 0; i <= steps; ++i) {
        const float z = height * float(i) / float(steps);
        p.push_back({outer(z / height), z});
    }
    for (int i = steps; i >= 0; --i) {
        const float z = floor + (height - floor) * float(i) / float(steps);
        p.push_back({std::max(0.02f, outer(z / height) - wall), z});
    }
    p.push_back({0, floor});
    return p;
}

}  // namespace

scene_desc demo_glass() {
    scene_desc s;
    s.header_text = "Glass";
    s.add(map_desc{"WOOD.BMP", 1});
    s.add(map_desc{"MARBLE.BMP", 2});
    // The table: a top of planks on four legs.
    geometry_desc table = slab(1, 1, 3.2f, 2.1f, 0, 0.18f, 12, 8);
    for (int i = 0; i < 4; ++i)
        append(table, make_box(1, 1, (i & 1) ? 2.8f : -2.8f, (i & 2) ? 1.7f : -1.7f, -1.6f, 0.14f, 0.14f, 1.42f));
    s.add(planar_top(mat(1, "wood", 190, 130, 80), 1, table, 1));
    geo(s, table, "table", 2, true);

    s.add(gloss(clear(mat(2, "glass", 210, 230, 240), 0.9f, 0.05f, 0.7f), 0.8f, 0.8f));
    s.add(gloss(clear(mat(3, "green glass", 60, 150, 90), 0.95f, 0.1f, 0.55f), 0.8f, 0.8f));
    s.add(gloss(mat(4, "glaze", 40, 80, 160), 0.85f, 0.6f));
    s.add(gloss(mat(5, "apple", 200, 30, 30), 0.8f, 0.5f));
    s.add(gloss(mat(6, "pear", 190, 190, 60), 0.85f, 0.4f));
    s.add(gloss(spherical(mat(7, "egg", 230, 225, 215), 2), 0.85f, 0.6f));

    // A wine glass: foot, stem, bowl.
    std::vector<profile_point> wine = {{0, 0},        {0.34f, 0},     {0.33f, 0.03f}, {0.05f, 0.06f}, {0.04f, 0.5f},
                                       {0.1f, 0.56f}, {0.26f, 0.68f}, {0.32f, 0.85f}, {0.3f, 1.05f},  {0.27f, 1.12f},
                                       {0.25f, 1.12f}, {0.28f, 1.05f}, {0.3f, 0.86f}, {0.24f, 0.7f},  {0.08f, 0.6f},
                                       {0, 0.6f}};
    geo(s, make_lathe(2, 2, -0.7f, -0.9f, wine, 16), "wine glass");
    geo(s, make_lathe(3, 2, 0.1f, -1.2f, vessel(0.7f, 0.03f, 0.06f, 2, [](float t) { return 0.22f + 0.04f * t; }), 16),
        "tumbler");
    geo(s,
        make_lathe(4, 3, 1.5f, 0.6f,
                   vessel(1.9f, 0.04f, 0.08f, 8,
                          [](float t) {
                              // A carafe: round belly, narrow neck, a lip.
                              const float belly = 0.5f * std::sin(pi * std::min(1.0f, t / 0.7f));
                              return std::max(0.12f, belly) + (t > 0.93f ? 0.04f : 0.0f);
                          }),
                   16),
        "carafe");
    // The bowl and its fruit.
    geo(s,
        make_lathe(5, 4, -1.3f, 0.7f,
                   vessel(0.55f, 0.05f, 0.08f, 4, [](float t) { return 0.35f + 0.6f * std::sqrt(t); }), 18),
        "bowl");
    geo(s, make_sphere(6, 5, -1.55f, 0.6f, 0.55f, 0.3f, 7, 12), "apple");
    geo(s, make_sphere(7, 5, -1.0f, 0.95f, 0.58f, 0.28f, 7, 12), "apple");
    geometry_desc pear = make_lathe(8, 6, -1.15f, 0.35f,
                                    {{0, 0.35f}, {0.2f, 0.38f}, {0.26f, 0.5f}, {0.22f, 0.66f}, {0.13f, 0.8f},
                                     {0.09f, 0.95f}, {0.02f, 1.0f}, {0, 1.0f}},
                                    14);
    geo(s, pear, "pear");
    geometry_desc egg = make_sphere(9, 7, 0, 0, 0, 0.25f, 8, 12);
    squash(egg, 0, 0, 0, 1, 1, 1.3f);
    shift(egg, 0.35f, 0.2f, 0.33f);
    geo(s, egg, "marble egg");
    s.add(world(s));
    camera_desc c = cam(1.9f, -4.6f, 2.5f, -0.2f, 0, 0.45f, 1.35f);
    c.CamRotRate = -0.45f;
    s.add(c);
    s.add(light_desc{0.9f, 2.0f});
    s.add(settings("Glass: glassware over a wooden table", 0, 44, 40, 48));
    return s;
}

// ---------------------------------------------------------------------------
// Canyon: a walk at eye height round a canyon that winds back to where it
// began; walls of terraced rock from a height field in tiles, a sandy
// floor, boulders; the dusk panorama overhead.
// ---------------------------------------------------------------------------
namespace {

constexpr float canyon_radius = 14;

// The canyon's rock: flat floor along a ring that wanders round the
// walking circle, walls that climb in three terraces to a plateau.
float canyon_height(float x, float y) {
    const float r = std::sqrt(x * x + y * y), a = std::atan2(y, x);
    const float centre = canyon_radius + 1.0f * std::sin(3 * a) + 0.5f * std::sin(7 * a + 1);
    const float d = std::fabs(r - centre) + 2.2f * (fbm(x / 6 + 50, y / 6 + 50, 3, 1 << 16, 1 << 16) - 0.5f);
    const float t = std::clamp((d - 3.6f) / 4.5f, 0.0f, 1.0f) * 3;
    const float step = std::floor(t), f = t - step;
    const float terraced = (step + std::clamp((f - 0.55f) / 0.45f, 0.0f, 1.0f)) / 3;
    return 8.5f * terraced + 0.8f * t / 3 * fbm(x / 3, y / 3, 2, 1 << 16, 1 << 16);
}

}  // namespace

scene_desc demo_canyon() {
    scene_desc s;
    s.header_text = "Canyon";
    s.add(mat(1, "sand", 214, 172, 118));
    s.add(mat(2, "rock", 196, 100, 62));
    s.add(mat(3, "boulder", 150, 110, 90));
    // The floor, drawn first: one flat square under everything.
    geo(s, make_grid(1, 1, 0, 0, 0, 48, 12, true), "floor", 2);
    // The walls in 6 x 6 tiles, each drawn whole after the floor, nearest
    // last; the triangles at floor level are left to the floor.
    int no = 2;
    const float span = 48.0f / 6;
    for (int ty = 0; ty < 6; ++ty)
        for (int tx = 0; tx < 6; ++tx) {
            const float x0 = -24 + span * float(tx), y0 = -24 + span * float(ty);
            geometry_desc t = make_heightfield(no, 2, x0, y0, x0 + span, y0 + span, 10, 10, canyon_height, true);
            std::vector<trianglef_s> keep;
            for (const trianglef_s &tr : t.triangles)
                if (std::max({t.points[tr.pt1].z, t.points[tr.pt2].z, t.points[tr.pt3].z}) > 0.05f) keep.push_back(tr);
            if (keep.empty()) continue;
            t.triangles = keep;
            geo(s, t, "rock", 3);
            ++no;
        }
    // Boulders on the floor, at the walking circle's sides.
    for (int i = 0; i < 7; ++i) {
        const float a = 2 * pi * float(i) / 7 + 0.3f, r = canyon_radius + ((i & 1) ? 2.8f : -2.6f);
        geo(s, stone(no, 3, r * std::cos(a), r * std::sin(a), 0.2f, 0.5f + 0.1f * float(i % 3), 0.7f, i), "boulder", 3);
        ++no;
    }
    s.add(world(s));
    // Walking forward (a negative zoom rate) while turning left by the
    // angle that closes the circle: step / radius radians per frame.
    const float step = 0.06f;
    camera_desc c = cam(canyon_radius, 0, 1.7f, canyon_radius, 5, 1.7f, 1.2f);
    c.CamZoomRate = -step;
    c.CamPanRate = -step / canyon_radius * 180 / pi;
    c.CamFHeight = 1.7f;
    c.mode = 1;
    s.add(c);
    s.add(light_desc{0.55f, 2.6f});
    s.add(settings("Canyon: a walk between walls of rock", 2, 120, 140, 170));
    return s;
}

// ---------------------------------------------------------------------------
// City: a block of towers at dusk, square, eight-sided and round, their
// windows mapped round each tower; low brick halls; streets; the camera
// circles high above.
// ---------------------------------------------------------------------------
scene_desc demo_city() {
    scene_desc s;
    s.header_text = "City";
    s.add(map_desc{"WINDOWS.BMP", 1});
    s.add(map_desc{"BRICKS.BMP", 2});
    // The streets; each tower stands on a pavement of its own.
    s.add(mat(1, "asphalt", 70, 72, 80));
    geo(s, make_grid(1, 1, 0, 0, 0, 34, 10, true), "streets", 2);
    dice d(7);
    int no = 2, matno = 2;
    for (int by = 0; by < 5; ++by)
        for (int bx = 0; bx < 5; ++bx) {
            const float cx = 6.6f * float(bx - 2), cy = 6.6f * float(by - 2);
            // Taller toward the middle, one tower or a hall per block.
            const float central = 1 - 0.18f * float(std::abs(bx - 2) + std::abs(by - 2));
            const int kind = int(d.next() * 6);
            geometry_desc g;
            int map = 1, round = 4;
            float floors = 0;
            if (kind == 5 && central < 0.9f) {
                // A brick hall: a low square block.
                g = make_box(no, matno, cx, cy, 1.4f, 2.1f, 1.6f, 1.2f);
                map = 2, floors = 2;
            } else {
                const float h = (5 + 11 * d.next()) * central + 3;
                const float w = 1.4f + 0.7f * d.next();
                // Every tower on its pavement, 3.4 wide across the corners.
                if (kind < 3) {   // square, turned to face the streets
                    const float k = 1.35f;
                    g = make_lathe(no, matno, cx, cy, {{0, 0}, {3.4f, 0}, {3.4f, 0.2f}, {w * k, 0.2f}, {w * k, h}, {0, h}},
                                   4, true);
                    turnz(g, cx, cy, pi / 4);
                } else if (kind == 3) {   // eight-sided with a crown
                    g = make_lathe(no, matno, cx, cy,
                                   {{0, 0}, {3.2f, 0}, {3.2f, 0.2f}, {w * 1.1f, 0.2f}, {w * 1.1f, h}, {w * 0.8f, h + 0.6f},
                                    {0, h + 0.6f}},
                                   8, true);
                } else {   // round glass
                    g = make_lathe(no, matno, cx, cy, {{0, 0}, {3.0f, 0}, {3.0f, 0.2f}, {w, 0.2f}, {w, h}, {0, h}}, 16);
                    round = 3;
                }
                floors = std::round(h / 0.9f);
            }
            s.add(cylindrical(mat(matno, map == 1 ? "windows" : "bricks", 200, 200, 200), map, g, round,
                              std::max(1, int(floors / (map == 1 ? 8 : 1)))));
            geo(s, g, map == 1 ? "tower" : "hall");
            ++no, ++matno;
        }
    s.add(world(s));
    camera_desc c = cam(24, -28, 18, 0, 0, 3, 1.3f);
    c.CamRotRate = 0.3f;
    s.add(c);
    s.add(light_desc{0.45f, 0.9f});
    s.add(settings("City: towers at dusk", 2, 30, 30, 50));
    return s;
}

// ---------------------------------------------------------------------------
// Knot: a trefoil knot in chrome, threaded through a gilded Moebius band;
// both reflect the panorama behind them; the camera circles.
// ---------------------------------------------------------------------------
namespace {

// A band of width 2w round a circle of radius R that turns `halves` half
// turns (an odd number) about its own centre line on the way round:
// rings of `across` points,
// the last ring the first one read backwards (the band's two edges meet
// each other there). Smooth, one-sided until made two-sided.
geometry_desc moebius(int no, int tex, float R, float w, int halves, int rings, int across) {
    geometry_desc g;
    g.geom_no = no;
    g.texture = tex;
    auto at = [&](double t, double v, float &x, float &y, float &z) {
        const double c = std::cos(halves * t / 2), sn = std::sin(halves * t / 2);
        x = float((R + w * v * sn) * std::cos(t));
        y = float((R + w * v * sn) * std::sin(t));
        z = float(w * v * c);
    };
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j < across; ++j) {
            const double t = 2 * pi * double(i) / rings, v = -1 + 2.0 * j / (across - 1);
            points_s p{};
            at(t, v, p.x, p.y, p.z);
            // The normal from the two directions along the surface.
            float ax, ay, az, bx, by, bz;
            at(t + 1e-3, v, ax, ay, az);
            at(t, v + 1e-3, bx, by, bz);
            const float ux = ax - p.x, uy = ay - p.y, uz = az - p.z, vx = bx - p.x, vy = by - p.y, vz = bz - p.z;
            float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
            const float l = std::sqrt(nx * nx + ny * ny + nz * nz);
            p.nx = nx / l, p.ny = ny / l, p.nz = nz / l;
            g.points.push_back(p);
        }
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j + 1 < across; ++j) {
            const int a = i * across + j, b = a + across;
            g.triangles.push_back({a, b, b + 1, 0, 0, 0});
            g.triangles.push_back({a, b + 1, a + 1, 0, 0, 0});
        }
    return g;
}

}  // namespace

scene_desc demo_knot() {
    scene_desc s;
    s.header_text = "Knot";
    s.add(gloss(mirror(mat(1, "chrome", 255, 255, 255), 1.0f), 0.85f, 0.5f));
    s.add(gloss(mirror(mat(2, "gilt", 255, 196, 80), 0.55f), 0.8f, 0.6f));
    geo(s, make_torus_knot(1, 1, 0, 0, 0, 2, 3, 2.0f, 0.95f, 0.42f, 108, 9), "trefoil");
    geometry_desc band = moebius(2, 2, 3.9f, 0.7f, 3, 72, 3);
    turn(band, 1, 0, 0, 0.35f);
    two_sided(band);
    geo(s, band, "band");
    s.add(world(s));
    camera_desc c = cam(0, -11, 2.6f, 0, 0, 0.2f, 1.3f);
    c.CamRotRate = 0.7f;
    s.add(c);
    s.add(light_desc{0.7f, 2.0f});
    s.add(settings("Knot: a chrome trefoil through a gilded band", 2, 0, 0, 0));
    return s;
}

// ---------------------------------------------------------------------------
// Crystal: a grotto of crystal clusters round the camera, which stands
// still and turns; amethyst and citrine that mirror, clear quartz; each
// cluster's crystals grow into one another from a stone.
// ---------------------------------------------------------------------------
scene_desc demo_crystal() {
    scene_desc s;
    s.header_text = "Crystal";
    s.add(mat(1, "cave floor", 70, 56, 74));
    s.add(gloss(mirror(mat(2, "amethyst", 170, 100, 235), 0.5f), 0.8f, 0.6f));
    s.add(gloss(clear(mat(3, "quartz", 215, 235, 255), 0.9f, 0.15f, 0.6f), 0.8f, 0.7f));
    s.add(gloss(mirror(mat(4, "citrine", 240, 180, 70), 0.45f), 0.8f, 0.6f));
    s.add(mat(5, "stone", 96, 84, 96));
    geo(s,
        make_heightfield(1, 1, -14, -14, 14, 14, 14, 14,
                         [](float x, float y) { return 0.6f * fbm(x / 5 + 20, y / 5 + 20, 3, 1 << 16, 1 << 16) - 0.3f; },
                         true),
        "floor", 2);
    dice d(11);
    int no = 2;
    for (int k = 0; k < 7; ++k) {
        const float a = 2 * pi * float(k) / 7 + 0.2f, r = 4.6f + 1.2f * d.next();
        const float cx = r * std::cos(a), cy = r * std::sin(a);
        geo(s, stone(no++, 5, cx, cy, 0, 1.0f, 0.6f, k), "stone");
        const int n = 5 + int(d.next() * 4);
        for (int i = 0; i < n; ++i) {
            // A six-sided prism with a pointed tip, standing in the stone
            // and leaning out from the cluster's middle.
            const float len = d.between(1.4f, 3.4f), rad = d.between(0.2f, 0.42f);
            geometry_desc c = make_lathe(no, 2 + int(d.next() * 3), 0, 0,
                                         {{0, -0.6f}, {rad, -0.6f}, {rad, len}, {0, len + rad * 1.6f}}, 6, true);
            turnz(c, 0, 0, d.between(0, pi));
            const float lean = d.between(0.15f, 0.8f), dir = d.between(0, 2 * pi);
            turn(c, -std::sin(dir), std::cos(dir), 0, lean);
            shift(c, cx + 0.4f * std::cos(dir), cy + 0.4f * std::sin(dir), 0.2f);
            geo(s, c, "crystal");
            ++no;
        }
    }
    s.add(world(s));
    camera_desc c = cam(0, 0, 1.6f, 6, 0, 1.4f, 1.1f);
    c.CamPanRate = 0.5f;
    s.add(c);
    s.add(light_desc{0.9f, 1.2f});
    s.add(settings("Crystal: a grotto of amethyst, citrine and quartz", 0, 14, 8, 22));
    return s;
}

// ---------------------------------------------------------------------------
// Tunnel: a flight along an eight-sided tunnel that bends round on itself,
// its walls in alternating panels and rings of light; everything reaches
// past every edge of the picture and behind the camera.
// ---------------------------------------------------------------------------
namespace {

constexpr float tunnel_radius = 18, tunnel_half = 2.2f;

// One piece of the tunnel between angles a0 and a1 round its centre line:
// the sides of the eight-sided section from `first` to `last` (side 0 the
// floor, counting up the outer wall), facing inward; `size` scales the
// section about the centre line.
geometry_desc tunnel_piece(int no, int tex, float a0, float a1, int first, int last, float size) {
    geometry_desc g;
    g.geom_no = no;
    g.texture = tex;
    g.faceted = true;
    auto corner = [size](float a, int k) {
        // Corners of the section at angles 22.5 + 45 k degrees, k = 0 at
        // the floor's outer end.
        const float b = -pi / 2 + pi / 8 + pi / 4 * float(k);
        const float rr = size * tunnel_half / std::cos(pi / 8);
        const float off = rr * std::cos(b), up = rr * std::sin(b);
        const float r = tunnel_radius + off;
        return points_s{r * std::cos(a), r * std::sin(a), tunnel_half + up, 0, 0, 0};
    };
    for (int k = first; k <= last; ++k) {
        const int base = static_cast<int>(g.points.size());
        g.points.push_back(corner(a0, k - 1));
        g.points.push_back(corner(a0, k));
        g.points.push_back(corner(a1, k - 1));
        g.points.push_back(corner(a1, k));
        g.triangles.push_back({base, base + 3, base + 2, 0, 0, 0});
        g.triangles.push_back({base, base + 1, base + 3, 0, 0, 0});
    }
    facet(g);
    return g;
}

}  // namespace

scene_desc demo_tunnel() {
    scene_desc s;
    s.header_text = "Tunnel";
    s.add(mat(1, "floor", 120, 124, 136));
    s.add(mat(2, "floor", 150, 150, 160));
    s.add(mat(3, "panel", 70, 110, 170));
    s.add(mat(4, "panel", 100, 140, 200));
    s.add(glow(mat(5, "light", 150, 240, 255)));
    // Thirty pieces round the ring, each its own object, all drawn in
    // depth order without merging: inside a tube no piece's faces hide
    // each other, and a nearer piece is always drawn over a farther one.
    // At the start of every third piece a ring of light stands a little
    // inside the walls; the camera flies forward, so the ring is always
    // nearer than the middle of its piece and is drawn after it.
    const int pieces = 30;
    int no = 1;
    for (int i = 0; i < pieces; ++i) {
        const float a0 = 2 * pi * float(i) / pieces, a1 = 2 * pi * float(i + 1) / pieces;
        geo(s, tunnel_piece(no++, 1 + (i & 1), a0, a1, 0, 0, 1), "floor", 2);
        geo(s, tunnel_piece(no++, 3 + (i & 1), a0, a1, 1, 7, 1), "walls", 2);
        if (i % 3 == 0) geo(s, tunnel_piece(no++, 5, a0 + 0.004f, a0 + 0.016f, 1, 7, 0.97f), "light", 2);
    }
    s.add(world(s));
    // Flying forward along the tunnel's centre line, turning left by the
    // angle that keeps the circle.
    const float step = 0.14f;
    camera_desc c = cam(tunnel_radius, 0, tunnel_half, tunnel_radius, 4, tunnel_half, 1.0f);
    c.CamZoomRate = -step;
    c.CamPanRate = -step / tunnel_radius * 180 / pi;
    s.add(c);
    s.add(light_desc{0.6f, 0.4f});
    s.add(settings("Tunnel: a flight round a bending tunnel", 0, 0, 0, 0));
    return s;
}

// ---------------------------------------------------------------------------
// Gears: cut gears of brass, steel and copper meshing on a wooden board;
// the camera circles.
// ---------------------------------------------------------------------------
namespace {

// The outline of a gear of `teeth` teeth round a pitch circle of radius
// r, turned by `phase` radians: each tooth a trapezoid from the root to
// the tip.
std::vector<std::array<float, 2>> gear_outline(int teeth, float r, float phase) {
    std::vector<std::array<float, 2>> p;
    const float depth = 0.25f, pitch = 2 * pi / float(teeth);
    const float shape[4][2] = {{0, r - depth}, {0.3f, r + depth}, {0.5f, r + depth}, {0.8f, r - depth}};
    for (int t = 0; t < teeth; ++t)
        for (const auto &sp : shape) {
            const float a = phase + pitch * (float(t) + sp[0]);
            p.push_back({sp[1] * std::cos(a), sp[1] * std::sin(a)});
        }
    return p;
}

}  // namespace

scene_desc demo_gears() {
    scene_desc s;
    s.header_text = "Gears";
    s.add(map_desc{"WOOD.BMP", 1});
    geometry_desc board = slab(1, 1, 5.8f, 3.9f, 0, 0.4f, 10, 7);
    s.add(planar_top(mat(1, "board", 190, 130, 80), 1, board, 1));
    geo(s, board, "board", 2);
    s.add(mat(2, "brass", 235, 185, 80));
    s.add(mat(3, "steel", 150, 160, 175));
    s.add(mat(4, "copper", 200, 110, 70));
    // Each wheel meshes with the one it is set beside: pitch radii `module`
    // per tooth, centres one sum of radii apart, and each turned so that where
    // the two meet a tooth of one faces a gap of the other.
    struct wheel {
        int teeth, tex;
        float x, y, phase;
    };
    const float module = 0.125f;
    std::vector<wheel> wheels = {{16, 2, -0.5f, 0.4f, 0.1f}};
    auto beside = [&wheels, module](int of, int teeth, int tex, float dir) {
        const wheel &a = wheels[size_t(of)];
        const float ra = module * float(a.teeth), rb = module * float(teeth);
        const float pa = 2 * pi / float(a.teeth), pb = 2 * pi / float(teeth);
        // Where along its pitch the first wheel is at the meeting point
        // (0.4 a tooth's middle, 0.9 a gap's); the second one, turned to
        // face it, must be at 1.3 less that.
        float ta = (dir - a.phase) / pa;
        ta -= std::floor(ta);
        float tb = 1.3f - ta;
        tb -= std::floor(tb);
        wheels.push_back({teeth, tex, a.x + (ra + rb) * std::cos(dir), a.y + (ra + rb) * std::sin(dir),
                          dir + pi - tb * pb});
    };
    beside(0, 10, 3, pi + 0.35f);
    beside(0, 12, 4, -0.55f);
    beside(2, 8, 3, 0.95f);
    int no = 2;
    for (const wheel &w : wheels) {
        const std::array<float, 2> hub = {0, 0};
        geometry_desc g =
            make_extrusion(no, w.tex, gear_outline(w.teeth, module * float(w.teeth), w.phase), 0.02f, 0.4f, &hub);
        shift(g, w.x, w.y, 0);
        prism(s, g, "gear");
        ++no;
    }
    s.add(world(s));
    camera_desc c = cam(1.6f, -7.4f, 5.6f, 0, -0.2f, 0.2f, 1.3f);
    c.CamRotRate = 0.6f;
    s.add(c);
    s.add(light_desc{0.9f, 2.2f});
    s.add(settings("Gears: brass, steel and copper wheels meshing", 0, 38, 32, 30));
    return s;
}

// ---------------------------------------------------------------------------
// Island: wooded hills with a snowy peak rising from a clear sea over a
// sandy bed, boats about it; the land's colours are a map made from its
// own heights; the camera circles.
// ---------------------------------------------------------------------------
namespace {

constexpr float island_half = 10;

float island_height(float x, float y) {
    const float d = std::sqrt(x * x + y * y) / 8.5f;
    const float hills = fbm(x / 4 + 7, y / 4 + 3, 4, 1 << 16, 1 << 16);
    const float peak = 1.4f * std::exp(-((x - 1.5f) * (x - 1.5f) + (y - 0.5f) * (y - 0.5f)) / 6);
    return 2.0f * (1 - d * d) + 1.8f * (hills - 0.5f) + peak - 0.3f;
}

}  // namespace

rgbimage island_map(int w, int h) {
    // The map is laid on the land from above over its square: the
    // picture's columns run along +y, its rows (top first) along +x.
    return tex_land(w, h, [](float u, float v) {
        return island_height(-island_half + 2 * island_half * v, -island_half + 2 * island_half * u);
    });
}

scene_desc demo_island() {
    scene_desc s;
    s.header_text = "Island";
    s.add(map_desc{"ISLAND.BMP", 1});
    // The sea bed round the island, drawn first: a shallow bowl; and
    // beyond it the open sea, opaque, out to the horizon.
    s.add(mat(1, "sea bed", 200, 180, 130));
    geo(s, make_lathe(1, 1, 0, 0, {{11, -1.6f}, {8.5f, -1.0f}, {5, -0.7f}, {0, -0.5f}}, 32, true), "sea bed", 2);
    s.add(mat(6, "open sea", 40, 96, 140));
    geo(s, make_lathe(6, 6, 0, 0, {{120, 0}, {11, 0}}, 32, true), "open sea", 2);
    // The clear water over the bed, then the land, drawn last: whatever
    // land stands above the water is nearer the camera than the water
    // behind it.
    s.add(clear(mat(2, "sea", 40, 120, 170), 0.8f, 0.1f, 0.55f));
    geo(s, make_lathe(2, 2, 0, 0, {{11, 0}, {0, 0}}, 32, true), "sea", 10);
    geometry_desc land = make_heightfield(3, 3, -island_half, -island_half, island_half, island_half, 40, 40,
                                          island_height, false);
    std::vector<trianglef_s> keep;
    for (const trianglef_s &t : land.triangles)
        if (std::max({land.points[t.pt1].z, land.points[t.pt2].z, land.points[t.pt3].z}) > 0.02f) keep.push_back(t);
    land.triangles = keep;   // the points stay, so the map still spans the whole square
    s.add(planar_top(mat(3, "land", 200, 200, 200), 1, land, 1));
    geo(s, land, "land", 3);
    s.add(mat(4, "hull", 120, 70, 50));
    s.add(gloss(mat(5, "sail", 245, 240, 225), 0.9f, 0.5f));
    int no = 7;
    for (int b = 0; b < 3; ++b) {
        const float a = 2.0f + 2.1f * float(b), r = 10.5f - 0.8f * float(b);
        geometry_desc hull = make_extrusion(no, 4, {{-0.5f, -0.15f}, {0.4f, -0.15f}, {0.6f, 0}, {0.4f, 0.15f}, {-0.5f, 0.15f}},
                                            -0.05f, 0.15f);
        turnz(hull, 0, 0, a + pi / 2);
        shift(hull, r * std::cos(a), r * std::sin(a), 0);
        geo(s, hull, "hull", 3, true);
        ++no;
        geometry_desc sail;
        sail.geom_no = no;
        sail.texture = 5;
        sail.faceted = true;
        sail.points = {{-0.35f, 0, 0.2f, 0, 0, 0}, {0.25f, 0, 0.2f, 0, 0, 0}, {0.0f, 0, 1.1f, 0, 0, 0}};
        sail.triangles = {{0, 1, 2, 0, 0, 0}};
        facet(sail);
        two_sided(sail);
        turnz(sail, 0, 0, a + pi / 2);
        shift(sail, r * std::cos(a), r * std::sin(a), 0);
        geo(s, sail, "sail", 3);
        ++no;
    }
    s.add(world(s));
    camera_desc c = cam(0, -19, 9, 0, 0, 0.5f, 1.3f);
    c.CamRotRate = -0.4f;
    s.add(c);
    s.add(light_desc{0.8f, 2.6f});
    s.add(settings("Island: hills rising from a clear sea", 2, 0, 0, 0));
    return s;
}

// ---------------------------------------------------------------------------
// Fountain: marble tiers on a brick pool, arcs of water copied round it,
// lamps round the square; the camera circles.
// ---------------------------------------------------------------------------
scene_desc demo_fountain() {
    scene_desc s;
    s.header_text = "Fountain";
    s.add(map_desc{"MARBLE.BMP", 1});
    s.add(map_desc{"BRICKS.BMP", 2});
    s.add(mat(1, "paving", 130, 126, 118));
    s.add(mat(2, "pool floor", 50, 100, 120));
    // The square round the pool and the pool's floor: rings that never
    // overlap, both drawn first.
    geo(s, make_lathe(1, 1, 0, 0, {{16, 0}, {4.2f, 0}}, 32, true), "square", 2);
    geo(s, make_lathe(2, 2, 0, 0, {{4.2f, 0.02f}, {0, 0.02f}}, 32, true), "pool floor", 2);
    // The pool's brick wall: up the outside, over, down the inside.
    geometry_desc wall = make_lathe(3, 3, 0, 0, {{4.6f, 0}, {4.6f, 0.6f}, {4.2f, 0.6f}, {4.2f, 0}}, 32);
    s.add(cylindrical(mat(3, "bricks", 200, 200, 200), 2, wall, 12, 1));
    geo(s, wall, "pool wall");
    s.add(clear(mat(4, "water", 120, 190, 230), 0.85f, 0.1f, 0.6f));
    geo(s, make_lathe(4, 4, 0, 0, {{4.2f, 0.4f}, {0, 0.4f}}, 32, true), "pool water");
    // The tiers: a column carrying a wide basin, a smaller basin above and
    // a finial.
    const std::vector<profile_point> lower = {{0, 0.02f},     {1.0f, 0.02f}, {0.9f, 0.3f},  {0.45f, 0.5f},
                                              {0.4f, 1.3f},   {0.6f, 1.4f},  {2.2f, 1.65f}, {2.3f, 1.9f},
                                              {2.1f, 1.92f},  {0.5f, 1.7f},  {0.35f, 1.72f}, {0.3f, 2.6f},
                                              {0.45f, 2.7f},  {1.2f, 2.85f}, {1.25f, 3.0f}, {1.1f, 3.02f},
                                              {0.25f, 2.9f},  {0.18f, 3.4f}, {0.3f, 3.55f}, {0.14f, 3.75f},
                                              {0.05f, 3.9f},  {0, 3.9f}};
    geometry_desc tiers = make_lathe(5, 5, 0, 0, lower, 20);
    s.add(gloss(cylindrical(mat(5, "marble", 230, 225, 215), 1, tiers, 2, 1), 0.9f, 0.5f));
    geo(s, tiers, "tiers");
    // The water: drops along arcs from the lower basin's rim into the
    // pool, one arc copied round; and a ring of drops falling from the
    // upper basin.
    geometry_desc drop = make_sphere(6, 4, 0, 0, 0, 0.07f, 2, 4);
    facet(drop);
    geometry_desc arc;
    for (int i = 0; i < 7; ++i) {
        const float t = float(i + 1) / 8;
        geometry_desc dd = drop;
        shift(dd, 2.3f + 1.5f * t, 0, 1.9f + 1.2f * t - 2.6f * t * t);
        append(arc, dd);
    }
    geometry_desc water = ring_of(arc, 12, 0, 0);
    geometry_desc fall;
    for (int i = 0; i < 3; ++i) {
        geometry_desc dd = drop;
        shift(dd, 1.25f + 0.08f * float(i), 0, 2.8f - 0.36f * float(i));
        append(fall, dd);
    }
    append(water, ring_of(fall, 16, 0, 0.1f));
    water.geom_no = 6;
    water.texture = 4;
    geo(s, water, "water");
    // Lamps round the square: a post and a glowing globe, copied round.
    s.add(gloss(mat(7, "iron", 40, 44, 50), 0.8f, 0.6f));
    s.add(glow(mat(8, "lamp", 255, 225, 150)));
    geo(s, ring_of(make_lathe(7, 7, 0, 0, {{0, 0}, {0.18f, 0}, {0.08f, 0.2f}, {0.06f, 2.2f}, {0, 2.2f}}, 8), 6, 8.5f),
        "posts");
    geo(s, ring_of(make_sphere(8, 8, 0, 0, 2.4f, 0.22f, 6, 10), 6, 8.5f), "globes");
    s.add(world(s));
    camera_desc c = cam(5.5f, -8.5f, 4.6f, 0, 0, 1.4f, 1.3f);
    c.CamRotRate = -0.5f;
    s.add(c);
    s.add(light_desc{0.8f, 2.5f});
    s.add(settings("Fountain: marble tiers and arcs of water", 0, 60, 80, 110));
    return s;
}

// ---------------------------------------------------------------------------
// Armillary: a globe of the stars inside rings of gold that cross one
// another, on a turned wooden stand; the camera circles.
// ---------------------------------------------------------------------------
scene_desc demo_armillary() {
    scene_desc s;
    s.header_text = "Armillary";
    s.add(map_desc{"STARS.BMP", 1});
    s.add(map_desc{"WOOD.BMP", 2});
    const float cz = 2.7f;
    s.add(gloss(spherical(mat(1, "star globe", 30, 40, 110), 1), 0.85f, 0.6f));
    geo(s, make_sphere(1, 1, 0, 0, cz, 0.9f, 12, 22), "globe");
    s.add(gloss(mirror(mat(2, "gold", 240, 190, 90), 0.6f), 0.8f, 0.6f));
    // The rings: equator, ecliptic, two colures and the meridian, each a
    // little larger than the one it crosses so that they pass one another.
    const float tilt = 23.4f * pi / 180;
    geometry_desc equator = make_torus(2, 2, 0, 0, 0, 1.3f, 0.05f, 36, 5);
    geometry_desc ecliptic = make_torus(3, 2, 0, 0, 0, 1.38f, 0.05f, 36, 5);
    turn(ecliptic, 1, 0, 0, tilt);
    geometry_desc colure1 = make_torus(4, 2, 0, 0, 0, 1.22f, 0.05f, 36, 5, pi / 2);
    geometry_desc colure2 = make_torus(5, 2, 0, 0, 0, 1.46f, 0.05f, 36, 5, pi / 2);
    turnz(colure2, 0, 0, pi / 2);
    geometry_desc meridian = make_torus(6, 2, 0, 0, 0, 1.62f, 0.08f, 40, 6, pi / 2);
    turnz(meridian, 0, 0, 0.3f);
    const char *names[] = {"equator", "ecliptic", "colure", "colure", "meridian"};
    geometry_desc *rings[] = {&equator, &ecliptic, &colure1, &colure2, &meridian};
    for (int i = 0; i < 5; ++i) {
        shift(*rings[i], 0, 0, cz);
        geo(s, *rings[i], names[i]);
    }
    // The stand: a turned foot and column ending in a cup below the
    // meridian ring; the wood's grain runs up it.
    const std::vector<profile_point> stand = {{0, 0},          {1.0f, 0},       {1.05f, 0.08f}, {0.95f, 0.18f},
                                              {0.7f, 0.24f},   {0.3f, 0.34f},   {0.2f, 0.5f},   {0.26f, 0.62f},
                                              {0.16f, 0.75f},  {0.12f, 0.95f},  {0.22f, 1.05f}, {0.12f, 1.15f},
                                              {0.09f, 1.3f},   {0.22f, 1.36f},  {0.18f, 1.42f}, {0, 1.42f}};
    geometry_desc foot = make_lathe(7, 3, 0, 0, stand, 16);
    s.add(cylindrical(mat(3, "wood", 200, 150, 100), 2, foot, 2, 1));
    geo(s, foot, "stand");
    s.add(world(s));
    camera_desc c = cam(3.5f, -5.2f, 3.6f, 0, 0, 2.1f, 1.25f);
    c.CamRotRate = 0.6f;
    s.add(c);
    s.add(light_desc{0.75f, 2.2f});
    s.add(settings("Armillary: a globe of the stars in rings of gold", 0, 24, 20, 32));
    return s;
}

}  // namespace vortella
