// Rendering limits: scenes at the edges of what a file can hold (numbers
// near the float limits, NaN and infinite values, the largest geometry,
// hundreds of overlapping objects in one merged group) are drawn from many
// cameras and at several picture sizes. Every frame must finish; the
// sanitizer builds check that nothing is read or written out of bounds.
// The slowest frame of each scene is printed as a measurement.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <vector>

#include "authoring/primitives.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float big = 3.0e38f;

class Limits : public test::store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        create_halftone_palette();
        std::filesystem::create_directories(dir.file("maps"));
        const uint8_t a[3] = {250, 250, 250}, b[3] = {10, 80, 160};
        std::string err;
        write_bmp24(make_checker(16, 8, 4, a, b), dir.file("check.bmp"), &err);
        write_bmp24(make_checker(64, 32, 8, b, a), dir.file("maps/BGROUND.BMP"), &err);
    }

    // Materials 1..6: plain, planar, spherical, cylindrical, reflective,
    // transparent; all highlighted. Map 1 is the checkerboard.
    static void materials(scene_desc &s) {
        s.add(map_desc{"check.bmp", 1});
        for (int k = 0; k < 6; ++k) {
            material_desc m;
            m.name = "m";
            m.texture_no = k + 1;
            m.highlight = 0.7f;
            m.highlights = 0.5f;
            if (k >= 1 && k <= 3) m.map_type = k, m.map_no = 1;
            if (k == 4) m.reflection = 0.5f;
            if (k == 5) m.trans = 0.5f, m.trans_th = 0.5f;
            s.add(m);
        }
    }

    static void setting(scene_desc &s, int background) {
        scene_settings_desc set;
        set.background_type = background;
        s.add(set);
    }

    // Draws the loaded scene from `cams` cameras around the file's target at
    // five altitudes, at 16 x 4 and 320 x 200, and from two of them at
    // 1024 x 768; returns the slowest frame in ms.
    double sweep(int cams = 8) {
        const float cx = camx, cy = camy, cz = camz;
        double worst = 0;
        for (const int size : {0, 1, 2}) {
            const int w = size == 0 ? 16 : size == 1 ? 320 : 1024, h = size == 0 ? 4 : size == 1 ? 200 : 768;
            picround(w, h);
            std::vector<uint8_t> bits(size_t(picw) * pich);
            EXPECT_TRUE(picbuild(bits.data()));
            // The largest picture from two cameras only: it is the slowest.
            for (int c = 0; c < (size == 2 ? 1 : cams); ++c)
                for (const int alt : {-80, -30, 0, 45, 85}) {
                    if (size == 2 && alt != 0 && alt != 45) continue;
                    camx = cx, camy = cy, camz = cz;
                    camsa = c * 360 / cams;
                    camat = alt;
                    initcam();
                    const auto t0 = std::chrono::steady_clock::now();
                    render();
                    const double ms =
                        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
                    if (ms > worst) worst = ms;
                }
            picfree();
        }
        camx = cx, camy = cy, camz = cz;
        return worst;
    }

    void report(const char *what, double ms) {
        std::printf("[ limits   ] %s: slowest frame %.1f ms\n", what, ms);
        RecordProperty("slowest_frame_ms", std::to_string(ms));
    }
};

camera_desc camera(float x, float y, float z, float tx = 0, float ty = 0, float tz = 0) {
    camera_desc c;
    c.x = x, c.y = y, c.z = z;
    c.targx = tx, c.targy = ty, c.targz = tz;
    c.foc_len = 1;
    return c;
}

instance_desc drawn(std::vector<int> geoms, int rend_mode = 10) {
    instance_desc i;
    i.name = "all";
    i.inst_no = 1;
    i.geoms = std::move(geoms);
    i.rend_mode = rend_mode;
    return i;
}

TEST_F(Limits, CoordinatesNearTheFloatLimits) {
    for (const float scale : {1e30f, big}) {
        for (const float campos : {10.0f, 1e20f, big}) {
            scene_desc s;
            materials(s);
            std::vector<int> geoms;
            for (int k = 0; k < 6; ++k) {
                // Boxes reaching to +-scale, and boxes far out at +-scale.
                geometry_desc g = k % 2 ? make_box(k + 1, k + 1, 0, 0, 0, scale, scale, scale)
                                        : make_box(k + 1, k + 1, scale * (k - 3) / 3, -scale, scale / 2, 1, 1, 1);
                if (k == 4) {
                    g = make_sphere(k + 1, k + 1, 0, 0, 0, scale / 2, 4, 6);
                    g.faceted = false;
                }
                s.add(g);
                geoms.push_back(k + 1);
            }
            s.add(drawn(geoms));
            s.add(camera(campos, -campos, campos / 2));
            setting(s, 2);
            ASSERT_EQ(load(s), 0) << readerr;
            const double ms = sweep(4);
            char what[80];
            std::snprintf(what, sizeof what, "scale %g, camera at %g", double(scale), double(campos));
            report(what, ms);
            deletefilestruct();
        }
    }
}

TEST_F(Limits, NaNAndInfiniteValuesInPointsNormalsAndBoxes) {
    const float odd[] = {nan, inf, -inf, big, -big, 1e-38f};
    scene_desc s;
    materials(s);
    std::vector<int> geoms;
    int no = 0;
    for (const float v : odd) {
        // Smooth sphere with bad normals, faceted box with bad face normals,
        // a sphere with one bad point, a box with a bad bounding box.
        ++no;
        geometry_desc a = make_sphere(no, 1 + no % 6, 0, 0, 0, 2, 4, 8);
        for (points_s &p : a.points) p.nx = v, p.nz = -v;
        s.add(a);
        geoms.push_back(no);
        ++no;
        geometry_desc b = make_box(no, 1 + no % 6, 1, 1, 1, 1, 1, 1);
        for (trianglef_s &t : b.triangles) t.ny = v;
        s.add(b);
        geoms.push_back(no);
        ++no;
        geometry_desc c = make_sphere(no, 1 + no % 6, -1, 0, 0, 1, 4, 8);
        c.points[3].x = v;
        c.points[5].z = v;
        s.add(c);
        geoms.push_back(no);
        ++no;
        geometry_desc d = make_box(no, 1 + no % 6, 0, -1, 0, 1, 1, 1);
        d.box = true;
        d.xmin = -v, d.xmax = v, d.ymin = 0, d.ymax = v, d.zmin = v, d.zmax = 1;
        s.add(d);
        geoms.push_back(no);
    }
    s.add(drawn(geoms));
    s.add(camera(6, -8, 4));
    setting(s, 2);
    ASSERT_EQ(load(s), 0) << readerr;
    report("NaN and infinite values", sweep());

    // The same scene from cameras that are themselves not finite or sit on
    // their target.
    for (const float v : {nan, inf, big}) {
        camx = v, camy = -v, camz = 1, tarx = tary = tarz = 0;
        picround(64, 48);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        ASSERT_TRUE(picbuild(bits.data()));
        render();
        camx = camy = camz = tarx = tary = tarz = 0;
        render();
        picfree();
    }
}

TEST_F(Limits, LargestGeometry) {
    // 128 x 128 cells make 32,768 triangles: one is dropped. The grid is
    // crumpled so that its triangles face every way.
    geometry_desc g = make_grid(1, 2, 0, 0, 0, 8, 128, false);
    for (points_s &p : g.points) {
        p.z = 0.6f * std::sin(p.x * 3.0f) * std::cos(p.y * 2.0f);
        p.nx = -1.8f * std::cos(p.x * 3.0f) * std::cos(p.y * 2.0f);
        p.ny = 1.2f * std::sin(p.x * 3.0f) * std::sin(p.y * 2.0f);
        p.nz = 1;
    }
    g.triangles.pop_back();
    ASSERT_EQ(g.triangles.size(), 32767u);
    ddh_all(g);
    for (const bool faceted : {false, true}) {
        geometry_desc v = g;
        if (faceted) facet(v);
        for (const int material : faceted ? std::vector<int>{1, 5} : std::vector<int>{2, 3, 6}) {
            v.texture = material;
            scene_desc s;
            materials(s);
            s.add(v);
            s.add(drawn({1}));
            s.add(camera(5, -7, 6));
            setting(s, material == 5 ? 2 : 0);
            ASSERT_EQ(load(s), 0) << readerr;
            ASSERT_EQ(geo_by_no(1)->t.geometry.no_triangles, 32767);
            char what[80];
            std::snprintf(what, sizeof what, "32,767 triangles, %s, material %d", faceted ? "faceted" : "smooth",
                          material);
            report(what, sweep(2));
            deletefilestruct();
        }
    }
}

TEST_F(Limits, HundredsOfOverlappingObjectsInOneMergedGroup) {
    for (const int count : {100, 300}) {
        scene_desc s;
        materials(s);
        std::vector<int> geoms;
        for (int k = 0; k < count; ++k) {
            // Boxes and spheres piled around the origin, all overlapping.
            const float a = k * 0.37f, r = 0.02f * (k % 50);
            geometry_desc g = k % 3 ? make_box(k + 1, 1 + k % 6, r * std::cos(a), r * std::sin(a), 0.01f * (k % 7),
                                               1, 0.6f, 0.8f)
                                    : make_sphere(k + 1, 1 + k % 6, r * std::sin(a), r * std::cos(a), 0, 0.9f, 4, 8);
            s.add(g);
            geoms.push_back(k + 1);
        }
        s.add(drawn(geoms));
        s.add(camera(5, -7, 4));
        setting(s, 0);
        ASSERT_EQ(load(s), 0) << readerr;
        // One group holds them all.
        picround(320, 200);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        ASSERT_TRUE(picbuild(bits.data()));
        render();
        int groups = 0, entries = 0;
        for (mem_render_entry_s *grp = reapbase; grp; grp = grp->next_group, ++groups)
            for (mem_render_entry_s *e = grp; e; e = e->next_entry) ++entries;
        EXPECT_EQ(groups, 1);
        EXPECT_EQ(entries, count);
        picfree();
        char what[80];
        std::snprintf(what, sizeof what, "%d overlapping objects in one group", count);
        report(what, sweep(2));
        deletefilestruct();
    }
}

}  // namespace
}  // namespace vortella
