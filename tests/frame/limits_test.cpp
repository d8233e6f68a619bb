// Rendering limits: scenes at the edges of what a file can hold (numbers
// near the float limits, NaN and infinite values, the largest geometry,
// hundreds of overlapping objects in one merged group) are drawn from many
// cameras and at several picture sizes. Every frame must finish; the
// sanitizer builds check that nothing is read or written out of bounds.
// The slowest frame of each scene is printed as a measurement.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
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

// A picture of w x h prepared for drawing, freed at the end of its scope.
struct picture {
    std::vector<uint8_t> bits;
    picture(int w, int h) {
        picround(w, h);
        bits.resize(size_t(picw) * pich);
        EXPECT_TRUE(picbuild(bits.data()));
    }
    ~picture() { picfree(); }
};

class Limits : public test::store_test {
protected:
    void SetUp() override {
        store_test::SetUp();
        create_halftone_palette();
        test::writemap(dir.file("check.bmp"), 16, 8);
        test::writemap(dir.file("maps/BGROUND.BMP"), 64, 32);
    }

    // Map 1, the checkerboard, and materials 1..6: plain, planar, spherical,
    // cylindrical, reflective, transparent; all highlighted.
    static scene_desc materials() {
        scene_desc s;
        s.add(map_desc{"check.bmp", 1});
        for (int k = 0; k < 6; ++k) {
            material_desc m;
            m.texture_no = k + 1, m.highlight = 0.7f, m.highlights = 0.5f;
            if (k >= 1 && k <= 3) m.map_type = k, m.map_no = 1;
            if (k == 4) m.reflection = 0.5f;
            if (k == 5) m.trans = 0.5f, m.trans_th = 0.5f;
            s.add(m);
        }
        return s;
    }

    // Adds a merged-mode instance of every geometry in `s`, a camera at
    // (x, y, z) looking at the origin and the background, and loads it.
    int load_with(scene_desc s, float x, float y, float z, int background) {
        std::vector<int> geoms;
        for (const object_desc &o : s.objects)
            if (o.type == OT_SMOOTH || o.type == OT_FACETED) geoms.push_back(o.geometry.geom_no);
        s.add(test::drawn(geoms, 10));
        camera_desc c;
        c.x = x, c.y = y, c.z = z, c.foc_len = 1;
        s.add(c);
        s.add(scene_settings_desc{}).background_type = background;
        return load(s);
    }

    // Draws the loaded scene from `cams` cameras around the file's target at
    // five altitudes, at 16 x 4 and 320 x 200, and from two of them at
    // 1024 x 768 (the slowest), and reports the slowest frame.
    void sweep(const std::string &what, int cams) {
        const float cx = camx, cy = camy, cz = camz;
        double worst = 0;
        for (const int w : {16, 320, 1024}) {
            picture pic(w, w == 16 ? 4 : w == 320 ? 200 : 768);
            for (int c = 0; c < (w == 1024 ? 1 : cams); ++c)
                for (const int alt : {-80, -30, 0, 45, 85}) {
                    if (w == 1024 && alt != 0 && alt != 45) continue;
                    camx = cx, camy = cy, camz = cz, camsa = c * 360 / cams, camat = alt;
                    initcam();
                    const auto t0 = std::chrono::steady_clock::now();
                    render();
                    worst = std::max(
                        worst, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
                }
        }
        camx = cx, camy = cy, camz = cz;
        std::printf("[ limits   ] %s: slowest frame %.1f ms\n", what.c_str(), worst);
        RecordProperty("slowest_frame_ms", std::to_string(worst));
    }
};

template <typename... A>
std::string str(const A &...a) {
    std::ostringstream o;
    (o << ... << a);
    return o.str();
}

TEST_F(Limits, CoordinatesNearTheFloatLimits) {
    for (const float scale : {1e30f, big})
        for (const float campos : {10.0f, 1e20f, big}) {
            scene_desc s = materials();
            // Boxes reaching to +-scale, boxes far out at +-scale, a sphere.
            for (int k = 0; k < 6; ++k)
                s.add(k == 4  ? make_sphere(k + 1, k + 1, 0, 0, 0, scale / 2, 4, 6)
                      : k % 2 ? make_box(k + 1, k + 1, 0, 0, 0, scale, scale, scale)
                              : make_box(k + 1, k + 1, scale * (k - 3) / 3, -scale, scale / 2, 1, 1, 1));
            ASSERT_EQ(load_with(s, campos, -campos, campos / 2, 2), 0) << last.message;
            sweep(str("scale ", scale, ", camera at ", campos), 4);
        }
}

TEST_F(Limits, NaNAndInfiniteValuesInPointsNormalsAndBoxes) {
    scene_desc s = materials();
    int n = 0;   // the geometries' numbers, each with one of the materials
    for (const float v : {nan, inf, -inf, big, -big, 1e-38f}) {
        // Smooth sphere with bad normals, faceted box with bad face normals,
        // a sphere with one bad point, a box with a bad bounding box.
        for (points_s &p : s.add(make_sphere(n + 1, 1 + (n + 1) % 6, 0, 0, 0, 2, 4, 8)).points) p.nx = v, p.nz = -v;
        for (trianglef_s &t : s.add(make_box(n + 2, 1 + (n + 2) % 6, 1, 1, 1, 1, 1, 1)).triangles) t.ny = v;
        geometry_desc &c = s.add(make_sphere(n + 3, 1 + (n + 3) % 6, -1, 0, 0, 1, 4, 8));
        c.points[3].x = c.points[5].z = v;
        geometry_desc &d = s.add(make_box(n + 4, 1 + (n + 4) % 6, 0, -1, 0, 1, 1, 1));
        d.box = true;
        d.xmin = -v, d.xmax = v, d.ymin = 0, d.ymax = v, d.zmin = v, d.zmax = 1;
        n += 4;
    }
    ASSERT_EQ(load_with(s, 6, -8, 4, 2), 0) << last.message;
    sweep("NaN and infinite values", 8);
    // The same scene from cameras that are themselves not finite or sit on
    // their target.
    for (const float v : {nan, inf, big}) {
        picture pic(64, 48);
        camx = v, camy = -v, camz = 1, tarx = tary = tarz = 0;
        render();
        camx = camy = camz = tarx = tary = tarz = 0;
        render();
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
    ddh_all(g);
    geometry_desc faceted = g;
    facet(faceted);
    for (const int material : {2, 3, 6, 1, 5}) {   // smooth, then faceted
        scene_desc s = materials();
        s.add(material == 1 || material == 5 ? faceted : g).texture = material;
        ASSERT_EQ(load_with(s, 5, -7, 6, material == 5 ? 2 : 0), 0) << last.message;
        ASSERT_EQ(geo_by_no(1)->t.geometry.no_triangles, 32767);
        sweep(str("32,767 triangles, material ", material), 2);
    }
}

TEST_F(Limits, HundredsOfOverlappingObjectsInOneMergedGroup) {
    for (const int count : {100, 300}) {
        scene_desc s = materials();
        for (int k = 0; k < count; ++k) {
            // Boxes and spheres piled around the origin, all overlapping.
            const float a = k * 0.37f, r = 0.02f * (k % 50);
            s.add(k % 3 ? make_box(k + 1, 1 + k % 6, r * std::cos(a), r * std::sin(a), 0.01f * (k % 7), 1, 0.6f, 0.8f)
                        : make_sphere(k + 1, 1 + k % 6, r * std::sin(a), r * std::cos(a), 0, 0.9f, 4, 8));
        }
        ASSERT_EQ(load_with(s, 5, -7, 4, 0), 0) << last.message;
        {
            picture pic(320, 200);   // one group holds them all
            render();
            int entries = 0;
            ASSERT_NE(reapbase, nullptr);
            for (mem_render_entry_s *e = reapbase; e; e = e->next_entry) ++entries;
            EXPECT_EQ(reapbase->next_group, nullptr);
            EXPECT_EQ(entries, count);
        }
        sweep(str(count, " overlapping objects in one group"), 2);
    }
}

}  // namespace
}  // namespace vortella
