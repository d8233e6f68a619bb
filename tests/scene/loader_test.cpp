// Loading scene files into the object store.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "authoring/primitives.h"
#include "scene/gmem.h"
#include "scene/scene.h"
#include "support/testutil.h"

namespace vortella {
namespace {

using test::store_test;

class Loader : public store_test {};

TEST(PagedArray, ElementsLandInTheirSlots) {
    vas top{};
    vslot<object_header_a>(&top, 1024) = reinterpret_cast<mem_object_header_s *>(&top);
    vslot<object_header_a>(&top, 33) = reinterpret_cast<mem_object_header_s *>(&top);
    // 1024: top 1, middle 0, leaf 0. 33: top 0, middle 1, leaf 1.
    ASSERT_NE(top.p[1], nullptr);
    auto *mid1 = static_cast<vas *>(top.p[1]);
    EXPECT_EQ(static_cast<object_header_a *>(mid1->p[0])->p[0], reinterpret_cast<mem_object_header_s *>(&top));
    auto *mid0 = static_cast<vas *>(top.p[0]);
    EXPECT_EQ(mid0->p[0], nullptr);
    EXPECT_EQ(static_cast<object_header_a *>(mid0->p[1])->p[1], reinterpret_cast<mem_object_header_s *>(&top));
    // Fresh blocks are cleared; missing ones read as null; out of range too.
    EXPECT_EQ(vget<object_header_a>(&top, 32), nullptr);
    EXPECT_EQ(vget<object_header_a>(&top, 5000), nullptr);
    EXPECT_EQ(vget<object_header_a>(&top, 32768), nullptr);
    EXPECT_EQ(vget<object_header_a>(&top, -1), nullptr);
    vclear<object_header_a>(&top, false);
    for (void *p : top.p) EXPECT_EQ(p, nullptr);
}

TEST_F(Loader, TinySceneIs420BytesAndLoads) {
    std::vector<uint8_t> b = write_scene(test::tiny_scene());
    ASSERT_EQ(b.size(), 420u);
    ASSERT_EQ(loadbytes(b), 0);
    EXPECT_EQ(file_no_obj, 3);
    mem_object_header_s *g = geo_by_no(1);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g, obj_at(0));
    EXPECT_EQ(g->type, OT_FACETED);
    EXPECT_EQ(g->t.geometry.no_ddh[0], 1);
    EXPECT_EQ(vget<ddh_table_entry_a>(g->t.geometry.ddh[0], 0), 0);
    for (int k = 1; k < 32; ++k) EXPECT_EQ(g->t.geometry.no_ddh[k], 0);
    EXPECT_EQ(tex_by_no(1), obj_at(1));
    EXPECT_EQ(ins_by_no(1), obj_at(2));
    EXPECT_EQ(vget<geom_a>(obj_at(2)->t.instance.geoms, 0)->geom_no, 1);
    ASSERT_NE(obj_at(1)->t.material.litear, nullptr);
    ASSERT_NE(obj_at(1)->t.material.hilitear, nullptr);
}

TEST_F(Loader, EveryFieldSurvivesTheRoundTrip) {
    scene_desc s = test::every_kind_scene(dir);
    s.add(test::tiny_scene().objects[0].geometry).geom_no = 9;
    camera_desc &c = s.objects[7].camera;
    c.targx = 1.5f;
    c.targy = -2.5f;
    c.targz = 0.25f;
    c.foc_len = 1.75f;
    c.CamRotRate = 2;
    c.CamPanRate = 3;
    c.CamZoomRate = 4;
    c.CamFHeight = 5;
    c.mode = 3;
    s.objects[8].light = {0.25f, 1.25f, 1, 2, 3, 4};
    s.objects[9].scene.background_type = 2;
    s.objects[9].scene.red = 11;
    s.objects[9].scene.green = 22;
    s.objects[9].scene.blue = 33;
    material_desc &m = s.objects[1].material;
    m.red = 1;
    m.green = 2;
    m.blue = 3;
    m.ambient = 4;
    m.diffuse = 1;
    m.highlight = 0.7f;
    m.highlights = 0.6f;
    m.brilliance = 0.2f;
    m.x = 1, m.y = 2, m.z = 3, m.izro = 4, m.xrot = 5, m.zrot = 6;
    m.xscale = 7, m.yscale = 8, m.zscale = 9;
    instance_desc &in = s.objects[6].instance;
    in.xscale = 2, in.yscale = 3, in.zscale = 4, in.izro = 5, in.xrot = 6, in.zrot = 7;
    in.x = 8, in.y = 9, in.z = 10, in.binsx = 11, in.binsy = 12, in.binsz = 13;
    in.rend_mode = 2;
    ASSERT_EQ(load(s), 0) << readerr;
    ASSERT_EQ(file_no_obj, static_cast<int>(s.objects.size()));

    for (int i = 0; i < file_no_obj; ++i) {
        const object_desc &d = s.objects[i];
        const mem_object_header_s *o = obj_at(i);
        ASSERT_EQ(o->type, d.type);
        if (d.type == OT_SMOOTH || d.type == OT_FACETED) {
            const geometry_desc &g = d.geometry;
            const mem_geometry_s &mg = o->t.geometry;
            EXPECT_STREQ(mg.name, g.name.c_str());
            EXPECT_EQ(geo_by_no(g.geom_no), o);
            ASSERT_EQ(mg.no_points, static_cast<int>(g.points.size()));
            ASSERT_EQ(mg.no_triangles, static_cast<int>(g.triangles.size()));
            EXPECT_EQ(mg.texture, g.texture);
            for (int p = 0; p < mg.no_points; ++p) {
                if (d.type == OT_SMOOTH) {
                    const points_s *q = vget<point_a>(mg.points, p);
                    EXPECT_EQ(q->x, g.points[p].x);
                    EXPECT_EQ(q->nz, g.points[p].nz);
                } else {
                    const pointf_s *q = vget<point_af>(mg.points, p);
                    EXPECT_EQ(q->y, g.points[p].y);
                    EXPECT_EQ(q->z, g.points[p].z);
                }
            }
            for (int t = 0; t < mg.no_triangles; ++t) {
                if (d.type == OT_SMOOTH) {
                    const triangles_s *q = vget<triangle_a>(mg.triangles, t);
                    EXPECT_EQ(q->pt3, g.triangles[t].pt3);
                } else {
                    const trianglef_s *q = vget<triangle_af>(mg.triangles, t);
                    EXPECT_EQ(q->pt1, g.triangles[t].pt1);
                    EXPECT_EQ(q->ny, g.triangles[t].ny);
                }
            }
            for (int k = 0; k < 32; ++k) {
                ASSERT_EQ(mg.no_ddh[k], static_cast<int>(g.ddh[k].size()));
                for (int j = 0; j < mg.no_ddh[k]; ++j) EXPECT_EQ(vget<ddh_table_entry_a>(mg.ddh[k], j), g.ddh[k][j]);
            }
        }
    }
    const mem_instance_s &mi = ins_by_no(7)->t.instance;
    EXPECT_STREQ(mi.name, "all");
    EXPECT_EQ(mi.no_geom, 2);
    EXPECT_EQ(mi.no_instance, 1);
    EXPECT_EQ(vget<instance_a>(mi.instances, 0)->inst_no, 8);
    EXPECT_EQ(mi.rend_mode, 2);
    EXPECT_EQ(mi.xscale, 2);
    EXPECT_EQ(mi.zrot, 7);
    EXPECT_EQ(mi.binsz, 13);

    const mem_texture_s &mt = tex_by_no(2)->t.material;
    EXPECT_STREQ(mt.name, "textured");
    EXPECT_EQ(mt.color.red, 1);
    EXPECT_EQ(mt.color.blue, 3);
    EXPECT_EQ(mt.ambient, 4);
    EXPECT_EQ(mt.diffuse, 1);
    EXPECT_EQ(mt.highlight, 0.7f);
    EXPECT_EQ(mt.highlights, 0.6f);
    EXPECT_EQ(mt.brilliance, 0.2f);
    EXPECT_EQ(mt.map_type, 1);
    EXPECT_EQ(mt.map_no, 5);
    EXPECT_EQ(mt.x_freq, 3);
    EXPECT_EQ(mt.zscale, 9);
    EXPECT_EQ(mt.zrot, 6);
    EXPECT_EQ(mt.pdibmap, map_by_no(5)->t.map.pdibmap);
    EXPECT_EQ(mt.pdibdel, 0);
    EXPECT_STREQ(map_by_no(5)->t.map.ext_name, "check.bmp");

    EXPECT_EQ(camx, 5);
    EXPECT_EQ(camz, 7);
    EXPECT_EQ(tarx, 1.5f);
    EXPECT_EQ(tary, -2.5f);
    EXPECT_EQ(tarz, 0.25f);
    EXPECT_EQ(focl, 1.75f);
    EXPECT_EQ(CamRotRate, 2);
    EXPECT_EQ(CamPanRate, 3);
    EXPECT_EQ(CamZoomRate, 4);
    EXPECT_EQ(CamFHeight, 5);
    EXPECT_EQ(movem, 3);
    EXPECT_EQ(ltal, 0.25f);
    EXPECT_EQ(ltaz, 1.25f);
    EXPECT_EQ(sbackground, 2);
    EXPECT_EQ(bgred, 11);
    EXPECT_EQ(bggreen, 22);
    EXPECT_EQ(bgblue, 33);
    EXPECT_EQ(obj_at(10)->t.comment.obj_no, 1);
    EXPECT_STREQ(obj_at(10)->t.comment.comment_line, "a comment");
    EXPECT_EQ(obj_at(11)->type, 7);
    EXPECT_TRUE(readwarn.empty());
}

TEST_F(Loader, DepthTablesAreAlways32AndUnknownTypesTakeTwoBytes) {
    scene_desc s = test::tiny_scene();
    s.objects[0].geometry.ddh_size = 5;
    s.objects[0].geometry.ddh[31] = {0};
    object_desc seven;
    seven.type = 7;
    s.objects.insert(s.objects.begin() + 1, seven);
    s.trailer = {1, 2, 3, 4, 5};   // ignored
    ASSERT_EQ(load(s), 0) << readerr;
    EXPECT_EQ(file_no_obj, 4);
    EXPECT_EQ(geo_by_no(1)->t.geometry.no_ddh[31], 1);
    EXPECT_EQ(obj_at(1)->type, 7);
    EXPECT_EQ(tex_by_no(1), obj_at(2));
    EXPECT_EQ(ins_by_no(1), obj_at(3));
}

TEST_F(Loader, LaterNumberWinsAndZeroFrequenciesReadAsOne) {
    scene_desc s = test::tiny_scene();
    s.add(s.objects[0].geometry).name = "second";
    material_desc &m = s.objects[1].material;
    m.x_freq = 0;
    m.y_freq = 0;
    m.xscale = 0;
    m.yscale = 0;
    m.zscale = 0;
    ASSERT_EQ(load(s), 0);
    EXPECT_STREQ(obj_at(0)->t.geometry.name, "tri");
    EXPECT_STREQ(geo_by_no(1)->t.geometry.name, "second");
    const mem_texture_s &mt = tex_by_no(1)->t.material;
    EXPECT_EQ(mt.x_freq, 1);
    EXPECT_EQ(mt.y_freq, 1);
    EXPECT_EQ(mt.xscale, 1.0f);
    EXPECT_EQ(mt.yscale, 1.0f);
    EXPECT_EQ(mt.zscale, 1.0f);
}

TEST_F(Loader, SettingsKeepTheirValuesWhenTheFileHasNone) {
    scene_desc with = test::tiny_scene();
    camera_desc c;
    c.x = 3;
    c.targz = 9;
    with.add(c);
    with.add(light_desc{0.5f, 0.25f});
    ASSERT_EQ(load(with), 0);
    deletefilestruct();
    ASSERT_EQ(load(test::tiny_scene()), 0);
    EXPECT_EQ(camx, 3);
    EXPECT_EQ(tarz, 9);
    EXPECT_EQ(ltal, 0.5f);
    deletefilestruct();

    scene_desc empty;
    ASSERT_EQ(load(empty), 0);
    EXPECT_EQ(file_no_obj, 0);
    EXPECT_EQ(obj_at(0), nullptr);
    EXPECT_EQ(camx, 3);

    // The last of several camera records wins.
    scene_desc two = test::tiny_scene();
    c.x = 4;
    two.add(c);
    c.x = 5;
    two.add(c);
    ASSERT_EQ(load(two), 0);
    EXPECT_EQ(camx, 5);
}

TEST_F(Loader, MissingFileReturnsOneAndChangesNothing) {
    ASSERT_EQ(load(test::tiny_scene()), 0);
    deletefilestruct();
    camx = 42;
    EXPECT_EQ(readfile(dir.file("none.vtl").c_str()), 1);
    EXPECT_EQ(file_no_obj, 0);
    EXPECT_EQ(camx, 42);
    deletefilestruct();   // nothing to free
    EXPECT_EQ(readfile(nullptr), 1);
}

TEST_F(Loader, LongCommentsAreCut) {
    scene_desc s;
    s.add(comment_desc{3, std::string(200, 'c')});
    ASSERT_EQ(load(s), 0);
    EXPECT_EQ(std::string(obj_at(0)->t.comment.comment_line), std::string(80, 'c'));
}

TEST_F(Loader, MapsAreFoundBesideTheSceneAndInTheMapsFolder) {
    std::filesystem::create_directories(dir.file("maps"));
    std::filesystem::create_directories(dir.file("other"));
    const uint8_t a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
    std::string err;
    ASSERT_TRUE(write_bmp24(make_checker(4, 4, 2, a, b), dir.file("beside.bmp"), &err));
    ASSERT_TRUE(write_bmp24(make_checker(8, 4, 2, a, b), dir.file("maps/inmaps.bmp"), &err));
    ASSERT_TRUE(write_bmp24(make_checker(2, 2, 2, a, b), dir.file("other/abs.bmp"), &err));
    scene_desc s;
    s.add(map_desc{"beside.bmp", 1});
    s.add(map_desc{"inmaps.bmp", 2});
    s.add(map_desc{dir.file("other/abs.bmp"), 3});
    ASSERT_EQ(load(s), 0) << readerr;
    EXPECT_EQ(map_by_no(1)->t.map.pdibmap->biWidth, 4);
    EXPECT_EQ(map_by_no(2)->t.map.pdibmap->biWidth, 8);
    EXPECT_EQ(map_by_no(3)->t.map.pdibmap->biWidth, 2);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(Loader, BackslashMapNamesAreFound) {
    std::filesystem::create_directories(dir.file("maps/sub"));
    const uint8_t a[3] = {1, 2, 3};
    std::string err;
    ASSERT_TRUE(write_bmp24(make_checker(4, 4, 1, a, a), dir.file("maps/sub/x.bmp"), &err));
    scene_desc s;
    s.add(map_desc{"sub\\x.bmp", 1});
    ASSERT_EQ(load(s), 0);
    EXPECT_NE(map_by_no(1)->t.map.pdibmap, nullptr);
}

TEST_F(Loader, MissingMapShowsTheMessageAndEndsTheProgram) {
    scene_desc s = test::tiny_scene();
    s.add(map_desc{"nowhere.bmp", 1});
    try {
        load(s);
        FAIL() << "the load went on without its map";
    } catch (const process_exit &e) {
        EXPECT_EQ(e.code, 0);
    }
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].text, "File nowhere.bmp not found");
    EXPECT_EQ(svc.boxes[0].caption, "Map Not Found(2)");
    EXPECT_EQ(file_no_obj, 0);
    EXPECT_EQ(obj_at(0), nullptr);
}

TEST_F(Loader, OverlongComposedMapPathsAreNotTried) {
    // The name fits its field, but beside the deep scene folder the composed
    // path exceeds the 127-character name buffer.
    std::string deep = dir.path;
    while (deep.size() < 120) deep += "/deeper";
    std::filesystem::create_directories(deep);
    const uint8_t a[3] = {1, 2, 3};
    std::string err;
    ASSERT_TRUE(write_bmp24(make_checker(4, 4, 1, a, a), deep + "/m.bmp", &err));
    scene_desc s;
    s.add(map_desc{"m.bmp", 1});
    test::writebytes(deep + "/s.vtl", write_scene(s));
    openpath = deep + "/";
    EXPECT_THROW(readfile((deep + "/s.vtl").c_str()), process_exit);
    EXPECT_EQ(file_no_obj, 0);
}

TEST_F(Loader, DanglingReferencesAreKeptAndReported) {
    scene_desc s = test::tiny_scene();
    s.objects[0].geometry.texture = 99;     // no such material
    s.objects[2].instance.geoms = {1, 42};  // no geometry 42
    material_desc m;
    m.texture_no = 2;
    m.map_type = 1;
    m.map_no = 3;                            // no map 3
    s.add(m);
    ASSERT_EQ(load(s), 0) << readerr;
    ASSERT_EQ(readwarn.size(), 3u);
    EXPECT_NE(readwarn[0].find("material 99"), std::string::npos);
    EXPECT_NE(readwarn[1].find("geometry 42"), std::string::npos);
    EXPECT_NE(readwarn[2].find("map 3"), std::string::npos);
    const mem_texture_s &mt = tex_by_no(2)->t.material;
    EXPECT_EQ(mt.map_type, 0);   // drawn untextured
    EXPECT_EQ(mt.textax, nullptr);
    EXPECT_EQ(mt.pdibmap, nullptr);
}

TEST_F(Loader, ReloadingWithoutFreeingDoesNotLeak) {
    ASSERT_EQ(load(test::every_kind_scene(dir)), 0);
    ASSERT_EQ(load(test::every_kind_scene(dir)), 0);
    EXPECT_EQ(file_no_obj, 12);
}

}  // namespace
}  // namespace vortella

namespace vortella {
namespace {

TEST_F(Loader, BuiltInScenesLoadWhenNoFileHasTheName) {
    static const std::vector<uint8_t> bytes = write_scene(test::tiny_scene());
    static const dib_resource table[] = {{"DEMO9.VTL", bytes.data(), bytes.size()}};
    scene_resources = table;
    scene_nresources = 1;
    EXPECT_EQ(readfile("/no/such/folder/demo9.vtl"), 0);
    EXPECT_EQ(file_no_obj, 3);
    deletefilestruct();
    EXPECT_EQ(readfile("other.vtl"), 1);
    scene_resources = nullptr;
    scene_nresources = 0;
}

}  // namespace
}  // namespace vortella
