// Loading scene files into the object store, and rejecting damaged ones:
// every structural fault gives return value 2 and a message, and leaves the
// store empty.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "authoring/primitives.h"
#include "scene/gmem.h"
#include "scene/records.h"
#include "scene/scene.h"
#include "support/testutil.h"

namespace vortella {
namespace {

class Loader : public test::store_test {
protected:
    // Loads `b`, expects rejection naming `what`, and an empty store.
    void rejects(const std::vector<uint8_t> &b, const std::string &what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(loadbytes(b), 2);
        EXPECT_NE(last.message.find(what), std::string::npos) << last.message;
        EXPECT_NE(last.message.find("scene.vtl"), std::string::npos) << last.message;
        EXPECT_EQ(file_no_obj, 0);
        EXPECT_EQ(obj_at(0), nullptr);
        EXPECT_EQ(geo_by_no(1), nullptr);
        EXPECT_EQ(tex_by_no(1), nullptr);
    }
    static void set16(std::vector<uint8_t> &b, size_t at, int v) {
        b[at] = static_cast<uint8_t>(v & 0xff);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
};

TEST(PagedArray, SlotsOutsideTheStoreReadAsNull) {
    vas top{};
    auto *mark = reinterpret_cast<mem_object_header_s *>(&top);
    vslot<object_header_a>(&top, 1024) = mark;
    EXPECT_EQ(vget<object_header_a>(&top, 1024), mark);
    for (int i : {0, 1023, 1025, 32768, -1}) EXPECT_EQ(vget<object_header_a>(&top, i), nullptr) << i;
    vclear<object_header_a>(&top, false);
    for (void *p : top.p) EXPECT_EQ(p, nullptr);
}

TEST_F(Loader, EveryFieldSurvivesTheRoundTrip) {
    scene_desc s = test::every_kind_scene(dir);
    s.add(test::tiny_scene().objects[0].geometry).geom_no = 9;
    camera_desc &c = s.objects[7].camera;
    c.targx = 1.5f, c.targy = -2.5f, c.targz = 0.25f, c.foc_len = 1.75f;
    c.CamRotRate = 2, c.CamPanRate = 3, c.CamZoomRate = 4, c.CamFHeight = 5, c.mode = 3;
    s.objects[8].light = {0.25f, 1.25f, 1, 2, 3, 4};
    scene_settings_desc &set = s.objects[9].scene;
    set.background_type = 2, set.red = 11, set.green = 22, set.blue = 33;
    material_desc &m = s.objects[1].material;
    m.red = 1, m.green = 2, m.blue = 3, m.ambient = 4, m.diffuse = 1;
    m.highlight = 0.7f, m.highlights = 0.6f, m.brilliance = 0.2f;
    m.x = 1, m.y = 2, m.z = 3, m.izro = 4, m.xrot = 5, m.zrot = 6, m.xscale = 7, m.yscale = 8, m.zscale = 9;
    instance_desc &in = s.objects[6].instance;
    in.xscale = 2, in.yscale = 3, in.zscale = 4, in.izro = 5, in.xrot = 6, in.zrot = 7;
    in.x = 8, in.y = 9, in.z = 10, in.binsx = 11, in.binsy = 12, in.binsz = 13, in.rend_mode = 2;
    s.objects[10].comment.comment_line = std::string(200, 'c');   // cut to 80
    // Loading again without freeing first replaces the store without a leak.
    ASSERT_EQ(load(s), 0) << last.message;
    ASSERT_EQ(load(s), 0) << last.message;
    ASSERT_EQ(file_no_obj, static_cast<int>(s.objects.size()));

    for (int i = 0; i < file_no_obj; ++i) {
        const object_desc &d = s.objects[i];
        ASSERT_EQ(obj_at(i)->type, d.type);
        if (d.type != OT_SMOOTH && d.type != OT_FACETED) continue;
        const bool smooth = d.type == OT_SMOOTH;
        const geometry_desc &g = d.geometry;
        const mem_geometry_s &mg = obj_at(i)->t.geometry;
        EXPECT_STREQ(mg.name, g.name.c_str());
        EXPECT_EQ(geo_by_no(g.geom_no), obj_at(i));
        EXPECT_EQ(mg.texture, g.texture);
        ASSERT_EQ(mg.no_points, static_cast<int>(g.points.size()));
        ASSERT_EQ(mg.no_triangles, static_cast<int>(g.triangles.size()));
        // Smooth points keep their normals; faceted triangles keep theirs.
        for (int p = 0; p < mg.no_points; ++p)
            EXPECT_EQ(std::memcmp(smooth ? static_cast<const void *>(vget<point_a>(mg.points, p))
                                         : static_cast<const void *>(vget<point_af>(mg.points, p)),
                                  &g.points[p], smooth ? sizeof(points_s) : sizeof(pointf_s)), 0) << p;
        for (int t = 0; t < mg.no_triangles; ++t)
            EXPECT_EQ(std::memcmp(smooth ? static_cast<const void *>(vget<triangle_a>(mg.triangles, t))
                                         : static_cast<const void *>(vget<triangle_af>(mg.triangles, t)),
                                  &g.triangles[t], smooth ? sizeof(triangles_s) : sizeof(trianglef_s)), 0) << t;
        for (int k = 0; k < 32; ++k) {
            ASSERT_EQ(mg.no_ddh[k], static_cast<int>(g.ddh[k].size()));
            for (int j = 0; j < mg.no_ddh[k]; ++j) EXPECT_EQ(vget<ddh_table_entry_a>(mg.ddh[k], j), g.ddh[k][j]);
        }
    }
    const mem_instance_s &mi = ins_by_no(7)->t.instance;
    EXPECT_STREQ(mi.name, "all");
    EXPECT_EQ((std::vector<int>{mi.no_geom, mi.no_instance, vget<instance_a>(mi.instances, 0)->inst_no, mi.rend_mode}),
              (std::vector<int>{2, 1, 8, 2}));
    EXPECT_EQ((std::vector<float>{mi.xscale, mi.zrot, mi.binsz}), (std::vector<float>{2, 7, 13}));

    const mem_texture_s &mt = tex_by_no(2)->t.material;
    EXPECT_STREQ(mt.name, "textured");
    EXPECT_EQ((std::vector<int>{mt.color.red, mt.color.blue, mt.ambient, mt.diffuse, mt.map_type, mt.map_no, mt.x_freq,
                                mt.pdibdel}),
              (std::vector<int>{1, 3, 4, 1, 1, 5, 3, 0}));
    EXPECT_EQ((std::vector<float>{mt.highlight, mt.highlights, mt.brilliance, mt.zscale, mt.zrot}),
              (std::vector<float>{0.7f, 0.6f, 0.2f, 9, 6}));
    EXPECT_EQ(mt.pdibmap, map_by_no(5)->t.map.pdibmap);
    EXPECT_STREQ(map_by_no(5)->t.map.ext_name, "check.bmp");

    EXPECT_EQ((std::vector<float>{camx, camz, tarx, tary, tarz, focl, CamRotRate, CamPanRate, CamZoomRate, CamFHeight,
                                  ltal, ltaz}),
              (std::vector<float>{5, 7, 1.5f, -2.5f, 0.25f, 1.75f, 2, 3, 4, 5, 0.25f, 1.25f}));
    EXPECT_EQ((std::vector<int>{movem, sbackground, bgred, bggreen, bgblue, obj_at(10)->t.comment.obj_no}),
              (std::vector<int>{3, 2, 11, 22, 33, 1}));
    EXPECT_EQ(std::string(obj_at(10)->t.comment.comment_line), std::string(80, 'c'));
    EXPECT_EQ(obj_at(11)->type, 7);
    EXPECT_TRUE(last.warnings.empty());
}

// Depth tables are always 32 whatever ddh_size says; unknown types take two
// bytes; bytes after the last object are ignored; a later geometry with the
// same number wins; zero frequencies and scales read as one.
TEST_F(Loader, OddButValidRecordsAreRead) {
    scene_desc s = test::tiny_scene();
    s.objects[0].geometry.ddh_size = 5;
    s.objects[0].geometry.ddh[31] = {0};
    object_desc seven;
    seven.type = 7;
    s.objects.insert(s.objects.begin() + 1, seven);
    s.add(geometry_desc(s.objects[0].geometry)).name = "second";   // a copy: add may move the objects
    s.trailer = {1, 2, 3, 4, 5};
    material_desc &m = s.objects[2].material;
    m.x_freq = m.y_freq = 0;
    m.xscale = m.yscale = m.zscale = 0;
    ASSERT_EQ(load(s), 0) << last.message;
    EXPECT_EQ(file_no_obj, 5);
    EXPECT_EQ(obj_at(0)->t.geometry.no_ddh[31], 1);
    EXPECT_EQ(obj_at(1)->type, 7);
    EXPECT_EQ(tex_by_no(1), obj_at(2));
    EXPECT_EQ(ins_by_no(1), obj_at(3));
    EXPECT_STREQ(obj_at(0)->t.geometry.name, "tri");
    EXPECT_STREQ(geo_by_no(1)->t.geometry.name, "second");
    const mem_texture_s &mt = tex_by_no(1)->t.material;
    EXPECT_EQ((std::vector<float>{float(mt.x_freq), float(mt.y_freq), mt.xscale, mt.yscale, mt.zscale}),
              (std::vector<float>(5, 1.0f)));
}

TEST_F(Loader, SettingsKeepTheirValuesWhenTheFileHasNone) {
    scene_desc with = test::tiny_scene();
    camera_desc c;
    c.x = 3, c.targz = 9;
    with.add(c);
    with.add(light_desc{0.5f, 0.25f});
    ASSERT_EQ(load(with), 0);
    for (const scene_desc &without : {test::tiny_scene(), scene_desc{}}) {
        deletefilestruct();
        ASSERT_EQ(load(without), 0);
        EXPECT_EQ(camx, 3);
        EXPECT_EQ(tarz, 9);
        EXPECT_EQ(ltal, 0.5f);
    }
    EXPECT_EQ(file_no_obj, 0);
    EXPECT_EQ(obj_at(0), nullptr);
    // The last of several camera records wins.
    scene_desc two = test::tiny_scene();
    two.add(c).x = 4;
    two.add(c).x = 5;
    ASSERT_EQ(load(two), 0);
    EXPECT_EQ(camx, 5);
}

// A name no file has loads the built-in scene of that name, or returns 1
// and changes nothing.
TEST_F(Loader, MissingFilesFallBackToBuiltInScenesOrReturnOne) {
    static const std::vector<uint8_t> bytes = write_scene(test::tiny_scene());
    static const dib_resource table[] = {{"DEMO9.VTL", bytes.data(), bytes.size()}};
    scene_resources = table;
    scene_nresources = 1;
    EXPECT_EQ(loadfile("/no/such/folder/demo9.vtl"), 0);
    EXPECT_EQ(file_no_obj, 3);
    deletefilestruct();
    camx = 42;
    EXPECT_EQ(loadfile(dir.file("none.vtl").c_str()), 1);
    scene_resources = nullptr;
    scene_nresources = 0;
    EXPECT_EQ(file_no_obj, 0);
    EXPECT_EQ(camx, 42);
    deletefilestruct();   // nothing to free
    EXPECT_EQ(loadfile(nullptr), 1);
}

TEST_F(Loader, MapsAreFoundBesideTheSceneInTheMapsFolderAndByBackslashNames) {
    test::writemap(dir.file("beside.bmp"), 4, 4);
    test::writemap(dir.file("maps/inmaps.bmp"), 8, 4);
    test::writemap(dir.file("other/abs.bmp"), 2, 2);
    test::writemap(dir.file("maps/sub/x.bmp"), 6, 2);
    scene_desc s;
    s.add(map_desc{"beside.bmp", 1});
    s.add(map_desc{"inmaps.bmp", 2});
    s.add(map_desc{dir.file("other/abs.bmp"), 3});
    s.add(map_desc{"sub\\x.bmp", 4});
    ASSERT_EQ(load(s), 0) << last.message;
    const int widths[] = {4, 8, 2, 6};
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(map_by_no(k)->t.map.pdibmap->biWidth, widths[k - 1]) << k;
    EXPECT_TRUE(last.notes.empty());
}

TEST_F(Loader, MissingMapIsReportedAndLeavesTheStoreEmpty) {
    // m.bmp exists, but beside the deep scene folder the composed path exceeds
    // the 127-character name buffer: it is not tried.
    std::string deep = dir.path;
    while (deep.size() < 120) deep += "/deeper";
    test::writemap(deep + "/m.bmp", 4, 4);
    paths.folder = deep + "/";
    for (const std::string name : {"nowhere.bmp", "m.bmp"}) {
        scene_desc s = test::tiny_scene();
        s.add(map_desc{name, 1});
        test::writebytes(deep + "/s.vtl", write_scene(s));
        ASSERT_EQ(loadfile((deep + "/s.vtl").c_str()), load_missing_map) << name;
        EXPECT_EQ(last.file, name);
        EXPECT_EQ(last.message, "File " + name + " not found");
        EXPECT_TRUE(last.notes.empty());
        EXPECT_EQ(file_no_obj, 0);
        EXPECT_EQ(obj_at(0), nullptr);
    }
}

TEST_F(Loader, DanglingReferencesAreKeptAndReported) {
    scene_desc s = test::tiny_scene();
    s.objects[0].geometry.texture = 99;     // no such material
    s.objects[2].instance.geoms = {1, 42};  // no geometry 42
    material_desc m;
    m.texture_no = 2, m.map_type = 1, m.map_no = 3;   // no map 3
    s.add(m);
    ASSERT_EQ(load(s), 0) << last.message;
    ASSERT_EQ(last.warnings.size(), 3u);
    EXPECT_NE(last.warnings[0].find("material 99"), std::string::npos);
    EXPECT_NE(last.warnings[1].find("geometry 42"), std::string::npos);
    EXPECT_NE(last.warnings[2].find("map 3"), std::string::npos);
    const mem_texture_s &mt = tex_by_no(2)->t.material;
    EXPECT_EQ(mt.map_type, 0);   // drawn untextured
    EXPECT_EQ(mt.textax, nullptr);
    EXPECT_EQ(mt.pdibmap, nullptr);
}

// Offsets inside the tiny scene: header 24, type 2, then the geometry record.
constexpr size_t geo = 26;

// Cuts after the map record fail with the map loaded: it is freed (the
// fixture checks that no bitmap block is left).
TEST_F(Loader, TruncationAtEveryOffsetIsRejected) {
    scene_desc s = test::every_kind_scene(dir);
    std::vector<uint8_t> full = write_scene(s);
    camx = 123;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
        ASSERT_EQ(loadbytes(cut), 2) << "cut at " << n;
        ASSERT_EQ(file_no_obj, 0) << "cut at " << n;
        ASSERT_EQ(map_by_no(5), nullptr) << "cut at " << n;
        ASSERT_NE(last.message.find("ends inside"), std::string::npos) << last.message;
    }
    // A rejected file changes no setting, even past its camera record.
    EXPECT_EQ(camx, 123);
    EXPECT_EQ(loadbytes(full), 0);
}

TEST_F(Loader, NumbersOutOfRangeAreRejected) {
    const std::vector<uint8_t> good = write_scene(test::tiny_scene());
    ASSERT_EQ(good.size(), 420u);
    const size_t inst = 420 - 93 + 2;
    struct {
        size_t at;
        std::vector<int> values;
        const char *what;
    } cases[] = {
        // Counts and numbers of 32768 and more.
        {22, {32768, 65535}, "object count"},
        {geo + 32, {32768, 65535}, "geometry number"},
        {geo + 34, {32768, 65535}, "point count"},
        {geo + 36, {32768, 65535}, "triangle count"},
        {geo + 62, {32768, 65535}, "material number"},
        {geo + 66 + 36 + 18, {32768, 65535}, "depth table length"},
        {inst + 32, {40000}, "instance number"},
        {418, {32768}, "geometry number"},   // the instance's geometry list entry
        // References outside the geometry.
        {geo + 66 + 36 + 4, {3}, "names a point"},           // third point of the triangle: only 0..2
        {geo + 66 + 36 + 18 + 2, {1}, "names triangle 1"},   // depth table 0 names triangle 1 of 1
    };
    for (const auto &c : cases)
        for (int v : c.values) {
            std::vector<uint8_t> b = good;
            set16(b, c.at, v);
            rejects(b, c.what);
        }
}

TEST_F(Loader, BlocksLargerThanTheReadBufferAreRejected) {
    // 26,667 smooth points need 640,008 bytes; 26,666 fit. (Faceted blocks
    // always fit: 32,767 triangles of 18 bytes are under the limit.)
    geometry_desc g;
    g.geom_no = 1;
    g.points.resize(26666);
    scene_desc s;
    s.add(g);
    std::vector<uint8_t> b = write_scene(s);
    ASSERT_EQ(loadbytes(b), 0) << last.message;
    deletefilestruct();
    set16(b, geo + 34, 26667);
    b.insert(b.begin() + geo + 66, 24, 0);
    rejects(b, "read buffer");
}

}  // namespace
}  // namespace vortella
