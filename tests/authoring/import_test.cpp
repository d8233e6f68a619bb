// Models read through the import library and made into geometries: small
// files in every supported format written here, normals from the file or
// computed and split at creases, and meshes cut at each of the format's
// limits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <set>
#include <string>

#include "authoring/import.h"
#include "authoring/scenejson.h"
#include "support/testutil.h"

namespace vortella {
namespace {

void text(const std::string &path, const std::string &s) { std::ofstream(path, std::ios::binary) << s; }

const char *kCube =
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n";
// The six faces as quads, counter-clockwise from outside.
const char *kCubeFaces = "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n";

// An n x n grid of quads in the plane z = 0 as OBJ text.
std::string grid_obj(int n) {
    std::string s;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) s += "v " + std::to_string(x) + " " + std::to_string(y) + " 0\n";
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x + 1;
            s += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + n + 2) + " " +
                 std::to_string(a + n + 1) + "\n";
        }
    return s;
}

// Every triangle's corners, as positions, in a set: what a geometry draws.
std::multiset<std::array<float, 9>> corners(const std::vector<geometry_desc> &gs) {
    std::multiset<std::array<float, 9>> out;
    for (const geometry_desc &g : gs)
        for (const trianglef_s &t : g.triangles) {
            const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
            out.insert({a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z});
        }
    return out;
}

TEST(Import, QuadMeshWithoutNormalsRoundTrips) {
    test::tempdir dir;
    text(dir.file("grid.obj"), grid_obj(2));
    model_mesh m;
    std::string err;
    ASSERT_TRUE(load_model(dir.file("grid.obj"), m, &err)) << err;
    EXPECT_EQ(m.positions.size(), 9u);
    EXPECT_EQ(m.triangles.size(), 8u);
    EXPECT_TRUE(m.normals.empty());
    const std::vector<geometry_desc> gs = make_geometries(m, -1, geometry_options{});
    ASSERT_EQ(gs.size(), 1u);
    EXPECT_FALSE(gs[0].faceted);
    EXPECT_EQ(gs[0].points.size(), 9u);   // flat: one normal per position
    for (const points_s &p : gs[0].points) EXPECT_NEAR(p.nz, 1.0f, 1e-6f);
}

TEST(Import, FileNormalsOrComputedNormalsSplitAtCreases) {
    test::tempdir dir;
    // Normals and texture coordinates per face, as exporters write them.
    std::string obj = kCube;
    obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    obj += "vn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n";
    obj += "f 1/1/1 4/2/1 3/3/1 2/4/1\nf 5/1/2 6/2/2 7/3/2 8/4/2\nf 1/1/3 2/2/3 6/3/3 5/4/3\n"
           "f 3/1/4 4/2/4 8/3/4 7/4/4\nf 1/1/5 5/2/5 8/3/5 4/4/5\nf 2/1/6 3/2/6 7/3/6 6/4/6\n";
    text(dir.file("cube.obj"), obj);
    model_mesh m;
    std::string err;
    ASSERT_TRUE(load_model(dir.file("cube.obj"), m, &err)) << err;
    EXPECT_EQ(m.positions.size(), 8u);
    ASSERT_EQ(m.normals.size(), 36u);
    geometry_options o;
    EXPECT_EQ(make_geometries(m, -1, o)[0].points.size(), 24u);   // the file's face normals
    o.file_normals = false;
    o.crease_deg = 40;
    EXPECT_EQ(make_geometries(m, -1, o)[0].points.size(), 24u);   // 90 degree edges are creases
    o.crease_deg = 100;
    const geometry_desc round = make_geometries(m, -1, o)[0];
    ASSERT_EQ(round.points.size(), 8u);   // one averaged normal per corner
    for (const points_s &p : round.points) {
        EXPECT_NEAR(p.nx * p.x + p.ny * p.y + p.nz * p.z, std::sqrt(3.0f), 1e-5f);
    }
    o.faceted = true;
    const geometry_desc flat = make_geometries(m, -1, o)[0];
    EXPECT_TRUE(flat.faceted);
    EXPECT_EQ(flat.points.size(), 8u);
    for (const trianglef_s &t : flat.triangles) {
        const points_s &a = flat.points[t.pt1], &b = flat.points[t.pt2], &c = flat.points[t.pt3];
        // Outward: the normal points the way of the face centre.
        EXPECT_GT(t.nx * (a.x + b.x + c.x) + t.ny * (a.y + b.y + c.y) + t.nz * (a.z + b.z + c.z), 0);
    }
}

std::string base64(const std::string &in) {
    static const char *t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        const unsigned n = (uint8_t(in[i]) << 16) | (i + 1 < in.size() ? uint8_t(in[i + 1]) << 8 : 0) |
                           (i + 2 < in.size() ? uint8_t(in[i + 2]) : 0);
        out += t[n >> 18], out += t[(n >> 12) & 63];
        out += i + 1 < in.size() ? t[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? t[n & 63] : '=';
    }
    return out;
}

TEST(Import, PlyStlAndGltfGiveTheSameTriangles) {
    test::tempdir dir;
    text(dir.file("t.ply"),
         "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
         "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
         "0 0 0\n1 0 0\n1 1 0\n0 1 0\n3 0 1 2\n3 0 2 3\n");
    text(dir.file("t.stl"),
         "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 1 1 0\nendloop\nendfacet\n"
         "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid t\n");
    // glTF: four positions and six 16-bit indices in one embedded buffer.
    std::string buf;
    const float pos[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    buf.append(reinterpret_cast<const char *>(pos), sizeof pos);
    buf.append(reinterpret_cast<const char *>(idx), sizeof idx);
    text(dir.file("t.gltf"),
         R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"scene":0,"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
"buffers":[{"byteLength":60,"uri":"data:application/octet-stream;base64,)" + base64(buf) + R"("}],
"bufferViews":[{"buffer":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":12}],
"accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
{"bufferView":1,"componentType":5123,"count":6,"type":"SCALAR"}]})");
    // glTF is y-up; its square lies in the same plane either way.
    for (const char *f : {"t.ply", "t.stl", "t.gltf"}) {
        model_mesh m;
        std::string err;
        ASSERT_TRUE(load_model(dir.file(f), m, &err)) << f << ": " << err;
        EXPECT_EQ(m.triangles.size(), 2u) << f;
        EXPECT_EQ(m.positions.size(), 4u) << f;
        const std::array<float, 6> b = model_box(m);
        EXPECT_EQ(b[3] - b[0], 1.0f) << f;
    }
}

// A box of the given extents, centred on the origin, in the given format
// (obj, ply, stl, gltf, or dae with the given up_axis statement).
std::string box_file(const std::string &format, float ex, float ey, float ez, const char *dae_up = "Y_UP") {
    std::vector<std::array<float, 3>> v;
    for (int i = 0; i < 8; ++i) v.push_back({(i & 1 ? ex : -ex) / 2, (i & 2 ? ey : -ey) / 2, (i & 4 ? ez : -ez) / 2});
    // Two triangles per face, counter-clockwise from outside.
    const int f[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                          {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    auto num = [](float x) { return std::to_string(x); };
    std::string s;
    if (format == "obj") {
        for (const auto &p : v) s += "v " + num(p[0]) + " " + num(p[1]) + " " + num(p[2]) + "\n";
        for (const auto &t : f) s += "f " + std::to_string(t[0] + 1) + " " + std::to_string(t[1] + 1) + " " + std::to_string(t[2] + 1) + "\n";
    } else if (format == "ply") {
        s = "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\n"
            "element face 12\nproperty list uchar int vertex_indices\nend_header\n";
        for (const auto &p : v) s += num(p[0]) + " " + num(p[1]) + " " + num(p[2]) + "\n";
        for (const auto &t : f) s += "3 " + std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) + "\n";
    } else if (format == "stl") {
        s = "solid b\n";
        for (const auto &t : f) {
            s += "facet normal 0 0 0\nouter loop\n";
            for (int c : t) s += "vertex " + num(v[c][0]) + " " + num(v[c][1]) + " " + num(v[c][2]) + "\n";
            s += "endloop\nendfacet\n";
        }
        s += "endsolid b\n";
    } else if (format == "gltf") {
        std::string buf(reinterpret_cast<const char *>(v.data()), 96);
        for (const auto &t : f)
            for (int c : t) buf += char(c), buf += char(0);
        s = R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"scene":0,"nodes":[{"mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
"buffers":[{"byteLength":168,"uri":"data:application/octet-stream;base64,)" + base64(buf) + R"("}],
"bufferViews":[{"buffer":0,"byteLength":96},{"buffer":0,"byteOffset":96,"byteLength":72}],
"accessors":[{"bufferView":0,"componentType":5126,"count":8,"type":"VEC3","min":[)" +
            num(-ex / 2) + "," + num(-ey / 2) + "," + num(-ez / 2) + "],\"max\":[" + num(ex / 2) + "," + num(ey / 2) + "," +
            num(ez / 2) + R"(]},{"bufferView":1,"componentType":5123,"count":36,"type":"SCALAR"}]})";
    } else if (format == "dae") {
        std::string pos, idx;
        for (const auto &p : v) pos += num(p[0]) + " " + num(p[1]) + " " + num(p[2]) + " ";
        for (const auto &t : f) idx += std::to_string(t[0]) + " " + std::to_string(t[1]) + " " + std::to_string(t[2]) + " ";
        s = std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><unit name="meter" meter="1"/><up_axis>)") + dae_up + R"(</up_axis></asset>
<library_geometries><geometry id="box"><mesh>
<source id="pos"><float_array id="pos-a" count="24">)" + pos + R"(</float_array>
<technique_common><accessor source="#pos-a" count="8" stride="3"><param name="X" type="float"/>
<param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
<vertices id="vtx"><input semantic="POSITION" source="#pos"/></vertices>
<triangles count="12"><input semantic="VERTEX" source="#vtx" offset="0"/><p>)" + idx + R"(</p></triangles>
</mesh></geometry></library_geometries>
<library_visual_scenes><visual_scene id="s"><node id="n"><instance_geometry url="#box"/></node></visual_scene>
</library_visual_scenes><scene><instance_visual_scene url="#s"/></scene></COLLADA>)";
    }
    return s;
}

// Extents of everything a built scene draws.
std::array<float, 3> drawn_extent(const built_scene &b) {
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (const object_desc &o : b.scene.objects)
        if (o.type == OT_SMOOTH || o.type == OT_FACETED)
            for (const points_s &p : o.geometry.points) {
                const float q[3] = {p.x, p.y, p.z};
                for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], q[a]), hi[a] = std::max(hi[a], q[a]);
            }
    return {hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]};
}

TEST(UpAxis, ModelsStandUpAsTheirFileOrFormatSays) {
    test::tempdir dir;
    built_scene b;
    std::string err;
    // Tall along y: formats made y-up stand up in the scene's z-up world.
    for (const char *f : {"obj", "ply", "gltf"}) {
        text(dir.file(std::string("tall.") + f), box_file(f, 1, 3, 0.5f));
        ASSERT_TRUE(build_model_scene(dir.file(std::string("tall.") + f), build_options{}, b, &err)) << f << ": " << err;
        EXPECT_FLOAT_EQ(drawn_extent(b)[2], 3) << f;
        EXPECT_NE(b.notes[0].find("up +y"), std::string::npos) << b.notes[0];
    }
    // STL is z-up already; a Collada file's up_axis statement holds.
    text(dir.file("tall.stl"), box_file("stl", 1, 0.5f, 3));
    text(dir.file("tall.dae"), box_file("dae", 1, 0.5f, 3, "Z_UP"));
    for (const char *f : {"tall.stl", "tall.dae"}) {
        ASSERT_TRUE(build_model_scene(dir.file(f), build_options{}, b, &err)) << f << ": " << err;
        EXPECT_FLOAT_EQ(drawn_extent(b)[2], 3) << f;
    }
    // The caller's choice overrides: the OBJ's z as up, then upside down.
    build_options o;
    o.up = "z";
    ASSERT_TRUE(build_model_scene(dir.file("tall.obj"), o, b, &err)) << err;
    EXPECT_FLOAT_EQ(drawn_extent(b)[2], 0.5f);
    EXPECT_NE(b.notes[0].find("up +z (as given)"), std::string::npos) << b.notes[0];
    o.up = "-x";
    ASSERT_TRUE(build_model_scene(dir.file("tall.obj"), o, b, &err)) << err;
    EXPECT_FLOAT_EQ(drawn_extent(b)[2], 1);
    o.up = "w";
    EXPECT_FALSE(build_model_scene(dir.file("tall.obj"), o, b, &err));
    EXPECT_NE(err.find("up axis 'w'"), std::string::npos) << err;
}

TEST(UpAxis, AFrontFacesTheCameraElseTheLongestSide) {
    test::tempdir dir;
    built_scene b;
    std::string err;
    // Deep along z: glTF's front (+z) turns toward the camera, so the depth
    // runs along y; an OBJ turns its longest side to the camera instead.
    for (const char *f : {"gltf", "obj"}) {
        text(dir.file(std::string("deep.") + f), box_file(f, 1, 0.5f, 2));
        ASSERT_TRUE(build_model_scene(dir.file(std::string("deep.") + f), build_options{}, b, &err)) << err;
        const std::array<float, 3> e = drawn_extent(b);
        EXPECT_FLOAT_EQ(e[f[0] == 'g' ? 1 : 0], 2) << f;
        EXPECT_FLOAT_EQ(e[2], 0.5f) << f;
    }
    // Turning keeps the model's handedness: normals still point outward.
    model_mesh m;
    ASSERT_TRUE(load_model(dir.file("deep.obj"), m, &err)) << err;
    model_axes a;
    geometry_options faceted;
    faceted.faceted = true;
    for (const char *up : {"x", "-x", "y", "-y", "z", "-z"}) {
        model_mesh t = m;
        ASSERT_TRUE(model_up(t, up, a, &err));
        stand_upright(t, a);
        for (const geometry_desc &g : make_geometries(t, -1, faceted))
            for (const trianglef_s &tr : g.triangles) {
                const points_s &p = g.points[tr.pt1];
                EXPECT_GT(tr.nx * p.x + tr.ny * p.y + tr.nz * p.z, 0) << up;
            }
    }
}

TEST(Import, TextureCoordinatesAndVertexColoursPerCorner) {
    test::tempdir dir;
    text(dir.file("uv.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0.1 0.2\nvt 0.3 0.4\nvt 0.5 0.6\n"
                             "f 1/1 2/2 3/3\nf 2/3 4/2 3/1\n");
    text(dir.file("c.ply"), "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                            "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                            "element face 1\nproperty list uchar int vertex_indices\nend_header\n"
                            "0 0 0 255 0 0\n1 0 0 0 255 0\n0 1 0 0 0 255\n3 0 1 2\n");
    model_mesh m;
    std::string err;
    ASSERT_TRUE(load_model(dir.file("uv.obj"), m, &err)) << err;
    ASSERT_EQ(m.uvs.size(), 6u);
    EXPECT_TRUE(m.colours.empty());
    EXPECT_TRUE(m.materials[0].uv);
    // The second triangle's corners in its own order; shared positions,
    // coordinates of their own.
    EXPECT_EQ(m.positions[size_t(m.triangles[1][0])], m.positions[size_t(m.triangles[0][1])]);
    EXPECT_FLOAT_EQ(m.uvs[3][0], 0.5f);
    EXPECT_FLOAT_EQ(m.uvs[4][1], 0.4f);
    ASSERT_TRUE(load_model(dir.file("c.ply"), m, &err)) << err;
    ASSERT_EQ(m.colours.size(), 3u);
    EXPECT_TRUE(m.materials[0].colours);
    EXPECT_FALSE(m.materials[0].from_file);
    for (int c = 0; c < 3; ++c) {
        const auto &p = m.positions[size_t(m.triangles[0][c])];
        const int want = p[0] > 0 ? 1 : p[1] > 0 ? 2 : 0;   // the channel at 255
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(m.colours[size_t(c)][size_t(ch)], ch == want ? 255 : 0);
    }
}

TEST(Import, RefusesWhatItCannotUse) {
    test::tempdir dir;
    model_mesh m;
    std::string err;
    EXPECT_FALSE(load_model(dir.file("none.obj"), m, &err));
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    text(dir.file("x.xyz9"), "1 2 3\n");
    EXPECT_FALSE(load_model(dir.file("x.xyz9"), m, &err));
    EXPECT_NE(err.find("unsupported"), std::string::npos);
    text(dir.file("empty.obj"), "v 0 0 0\nv 1 0 0\n");
    EXPECT_FALSE(load_model(dir.file("empty.obj"), m, &err));
    text(dir.file("tex.obj"), std::string("mtllib tex.mtl\n") + kCube + "usemtl t\n" + kCubeFaces);
    text(dir.file("tex.mtl"), "newmtl t\nKd 1 1 1\nmap_Kd bad.png\n");
    text(dir.file("bad.png"), "not a picture");
    built_scene b;
    EXPECT_FALSE(build_model_scene(dir.file("tex.obj"), build_options{}, b, &err));
    EXPECT_NE(err.find("bad.png"), std::string::npos) << err;
}

// The import runs in a child process: what it hands back is checked, a file
// the library would loop on is refused before it gets there, and an import
// that never ends is stopped at its time limit.
TEST(Import, ChildProcessGuards) {
    test::tempdir dir;
    model_mesh m;
    std::string err;
    text(dir.file("cube.obj"), std::string("mtllib c.mtl\n") + kCube + "usemtl c\n" + kCubeFaces);
    text(dir.file("c.mtl"), "newmtl c\nKd 1 0.5 0\nd 0.5\nmap_Kd c.png\n");
    ASSERT_TRUE(read_model(dir.file("cube.obj"), m, &err)) << err;
    m.materials[0].embedded = {1, 2, 3};
    const std::vector<uint8_t> b = pack_model(m);
    model_mesh back;
    ASSERT_TRUE(unpack_model(b, back));
    EXPECT_EQ(pack_model(back), b);
    EXPECT_EQ(back.materials.back().texture, "c.png");
    for (size_t cut = 0; cut < b.size(); ++cut)
        EXPECT_FALSE(unpack_model(std::vector<uint8_t>(b.begin(), b.begin() + long(cut)), back)) << cut;
    model_mesh bad = m;
    bad.triangles[0][1] = static_cast<int>(bad.positions.size());
    EXPECT_FALSE(unpack_model(pack_model(bad), back));
    bad = m;
    bad.material.pop_back();
    EXPECT_FALSE(unpack_model(pack_model(bad), back));
    bad = m;
    bad.material[0] = 7;
    EXPECT_FALSE(unpack_model(pack_model(bad), back));
    bad = m;
    bad.uvs.assign(5, {0, 0});
    EXPECT_FALSE(unpack_model(pack_model(bad), back));

    model_mesh child;
    ASSERT_TRUE(load_model(dir.file("cube.obj"), child, &err)) << err;
    m.materials[0].embedded.clear();
    EXPECT_EQ(pack_model(child), pack_model(m));

    for (const char *head : {"ply\nformat ascii 1.0\nfoo bar\n", "ply\r\nformat binary_little_endian 1.0\n"}) {
        text(dir.file("open.ply"), head);
        EXPECT_FALSE(load_model(dir.file("open.ply"), m, &err, 5));
        EXPECT_NE(err.find("end_header"), std::string::npos) << err;
    }

    // A face list with a damaged header makes the library abort.
    const std::string verts = "0 0 0\n1 0 0\n0 1 0\n";
    const std::string abort_ply =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 1\nproperty i ltsuchar int vertex_ind 3\nproperty float x\nproperty float y\n"
        "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n" +
        verts + "3 0 1 ices\nend_header\n" + verts + "3 0 1 2\n";
    text(dir.file("abort.ply"), abort_ply);
    EXPECT_FALSE(load_model(dir.file("abort.ply"), m, &err, 5));
    EXPECT_NE(err.find("failed on this file"), std::string::npos) << err;

    // Opening a pipe nobody writes to blocks for ever, like a hang inside
    // the library.
    ASSERT_EQ(mkfifo(dir.file("stuck.obj").c_str(), 0600), 0);
    EXPECT_FALSE(load_model(dir.file("stuck.obj"), m, &err, 1));
    EXPECT_NE(err.find("did not finish within 1 s"), std::string::npos) << err;
    EXPECT_TRUE(m.triangles.empty());
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child process was left behind";
}

// Cuts `m` with the given options and checks that every part fits, that no
// triangle is lost or doubled, and that the parts hardly overlap.
void check_cut(const model_mesh &m, const geometry_options &o, size_t min_parts) {
    const std::vector<geometry_desc> gs = make_geometries(m, -1, o);
    EXPECT_GE(gs.size(), min_parts);
    double area = 0;
    for (const geometry_desc &g : gs) {
        EXPECT_LE(g.points.size(), size_t(o.faceted ? 32767 : 26666));
        EXPECT_LE(g.triangles.size(), 32767u);
        float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
        for (const points_s &p : g.points)
            lo[0] = std::min(lo[0], p.x), lo[1] = std::min(lo[1], p.y), hi[0] = std::max(hi[0], p.x),
            hi[1] = std::max(hi[1], p.y);
        area += double(hi[0] - lo[0]) * (hi[1] - lo[1]);
    }
    const std::array<float, 6> box = model_box(m);
    EXPECT_LT(area, 1.1 * double(box[3] - box[0]) * (box[4] - box[1]));
    std::multiset<std::array<float, 9>> whole;
    for (const auto &t : m.triangles) {
        const auto &a = m.positions[t[0]], &b = m.positions[t[1]], &c = m.positions[t[2]];
        whole.insert({a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]});
    }
    EXPECT_TRUE(corners(gs) == whole);
    // The writer accepts every part.
    scene_desc s;
    for (size_t i = 0; i < gs.size(); ++i) {
        geometry_desc g = gs[i];
        g.geom_no = int(i) + 1;
        s.add(g);
    }
    EXPECT_NO_THROW(write_scene(s));
}

// n separate triangles on a square patch: three points each.
model_mesh soup(int n) {
    model_mesh m;
    const int side = int(std::ceil(std::sqrt(double(n))));
    for (int i = 0; i < n; ++i) {
        const float x = float(i % side), y = float(i / side);
        const int b = int(m.positions.size());
        m.positions.push_back({x, y, 0});
        m.positions.push_back({x + 0.5f, y, 0});
        m.positions.push_back({x, y + 0.5f, 0});
        m.triangles.push_back({b, b + 1, b + 2});
        m.material.push_back(0);
    }
    m.materials.emplace_back();
    return m;
}

TEST(Import, MeshesBeyondEachLimitAreCutIntoCompactParts) {
    geometry_options smooth, faceted;
    faceted.faceted = true;
    // 27,000 points: beyond a smooth geometry's read buffer, within a
    // faceted one's.
    const model_mesh a = soup(9000);
    check_cut(a, smooth, 2);
    EXPECT_EQ(make_geometries(a, -1, faceted).size(), 1u);
    // 33,000 points: beyond the index limit for faceted geometries too.
    check_cut(soup(11000), faceted, 2);
    // 33,800 triangles over 17,161 points: beyond the triangle limit only.
    test::tempdir dir;
    text(dir.file("big.obj"), grid_obj(130));
    model_mesh g;
    std::string err;
    ASSERT_TRUE(load_model(dir.file("big.obj"), g, &err)) << err;
    check_cut(g, faceted, 2);
}

}  // namespace
}  // namespace vortella
