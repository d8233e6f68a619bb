// Every frame the renderer draws is the frame the per-triangle path draws
// (reference.cpp): the demo scenes and generated meshes (closed and open,
// smooth and faceted, every material kind, merged groups, a camera close
// enough that triangles cross every side of the view and reach behind it)
// are drawn over many frames of a moving camera by both, at three picture
// sizes and both row orders, and every picture is compared byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/ddh.h"
#include "authoring/demos.h"
#include "authoring/primitives.h"
#include "frame/frame.h"
#include "frame/reference.h"
#include "pipeline/pipeline.h"
#include "support/bumpy.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr float pi = 3.14159265f;

material_desc material(int no, uint8_t r, uint8_t g, uint8_t b) {
    material_desc m;
    m.name = "m" + std::to_string(no);
    m.texture_no = no;
    m.red = r, m.green = g, m.blue = b;
    m.ambient = 1, m.diffuse = 1, m.brilliance = 0.4f;
    return m;
}

// Every material kind, highlighted and not, unlit parts included.
std::vector<material_desc> kinds() {
    std::vector<material_desc> m;
    m.push_back(material(1, 200, 60, 50));
    m.push_back(material(2, 60, 200, 90));
    m.back().highlight = 0.6f, m.back().highlights = 0.7f;
    m.push_back(material(3, 220, 220, 220));
    m.back().map_type = 1, m.back().map_no = 1, m.back().x_freq = 2, m.back().y_freq = 3;
    m.back().izro = 0.4f, m.back().xscale = 3, m.back().yscale = 2;
    m.push_back(material(4, 220, 220, 220));
    m.back().map_type = 1, m.back().map_no = 2, m.back().highlight = 0.7f, m.back().highlights = 0.6f;
    m.push_back(material(5, 220, 220, 220));
    m.back().map_type = 2, m.back().map_no = 1, m.back().x_freq = 2;
    m.push_back(material(6, 220, 220, 220));
    m.back().map_type = 2, m.back().map_no = 2, m.back().highlight = 0.8f, m.back().highlights = 0.5f;
    m.back().ambient = 0, m.back().diffuse = 3;
    m.push_back(material(7, 220, 220, 220));
    m.back().map_type = 3, m.back().map_no = 2, m.back().y_freq = 2, m.back().xrot = 0.3f;
    m.push_back(material(8, 200, 180, 120));
    m.back().reflection = 0.5f;
    m.push_back(material(9, 255, 255, 255));
    m.back().reflection = 1.0f, m.back().highlight = 0.75f, m.back().highlights = 0.6f;
    m.push_back(material(10, 120, 160, 255));
    m.back().trans = 0.5f, m.back().trans_th = 0.3f, m.back().opacity = 0.2f;
    m.push_back(material(11, 255, 120, 40));
    m.back().trans = 0.7f, m.back().trans_th = 0.6f, m.back().highlight = 0.8f, m.back().highlights = 0.7f;
    return m;
}

// A ring of small bumpy tori, one per material kind, each cut into two
// geometries that overlap and so form merged groups; smooth or faceted,
// closed or open; a planar-mapped floor under them. The camera stands in
// the middle of the ring, close to the tori, and turns all the way round
// while it circles a little and walks.
// `poisoned`: rings of odd sizes (point counts that are not multiples of
// four) whose normals, and every other torus's points, include NaN,
// infinities, values near the float limits and denormals.
scene_desc ring(bool faceted, bool open, bool poisoned = false) {
    scene_desc s;
    const std::vector<material_desc> m = kinds();
    for (const material_desc &d : m) s.add(d);
    s.add(map_desc{"CHECK.BMP", 1});
    s.add(map_desc{"STRIPES.BMP", 2});
    instance_desc in;
    in.name = "ring";
    in.inst_no = 1;
    const int n = static_cast<int>(m.size());
    for (int k = 0; k < n; ++k) {
        test::bumpy_desc d;
        d.rings = 14, d.segs = 8, d.parts = 2;
        if (poisoned) d.rings = 13 + k % 3, d.segs = 7;
        d.R = 0.9f, d.r = 0.35f, d.bump = 0.2f;
        d.faceted = faceted, d.open = open;
        const float a = 2 * pi * static_cast<float>(k) / static_cast<float>(n);
        d.x = 2.6f * std::cos(a), d.y = 2.6f * std::sin(a), d.z = 0.3f * static_cast<float>(k % 3);
        for (geometry_desc &g : test::make_bumpy(d, 1 + 2 * k, k + 1)) {
            if (poisoned) {
                const float bad[] = {std::nanf(""), -std::nanf(""), INFINITY, -INFINITY, 3e38f, -3e38f, 1e-40f};
                for (size_t i = size_t(k) % 5, j = 0; i < g.points.size(); i += 11, ++j) {
                    points_s &p = g.points[i];
                    const float v = bad[j % 7];
                    // Some tori keep finite boxes, and so their merged groups.
                    if (k % 2) (j % 3 == 0 ? p.x : j % 3 == 1 ? p.z : p.y) = v;
                    (j % 2 ? p.nx : p.nz) = v;
                }
                // A point at the origin, on the view plane of a camera there.
                g.points[1].x = g.points[1].y = g.points[1].z = 0.0f;
            }
            in.geoms.push_back(g.geom_no);
            s.add(g);
        }
    }
    geometry_desc floor = make_grid(100, 3, 0, 0, -1.2f, 12, 6, true);
    build_ddh_sorted(floor);
    floor.rend_mode = 2;
    s.add(floor);
    in.geoms.push_back(100);
    s.add(in);
    camera_desc c;
    c.x = 0.2f, c.y = -0.3f, c.z = 0.7f, c.targx = 3, c.targy = 0.4f, c.targz = 0.2f, c.foc_len = 1.1f;
    c.CamRotRate = 1.5f, c.CamPanRate = 15.0f, c.CamZoomRate = 0.02f;
    s.add(c);
    s.add(light_desc{0.6f, 0.9f});
    scene_settings_desc st;
    st.red = 30, st.green = 40, st.blue = 70;
    s.add(st);
    return s;
}

struct view_case {
    int w, h, orientation, inverted;
};
constexpr view_case views[] = {{320, 200, 1, 1}, {176, 100, -1, 0}, {640, 480, -1, 1}};
constexpr int frames = 24;

class Identity : public test::store_test {
protected:
    // What the compared frames held: render types, merged groups, and
    // drawing on each side of the picture (left, right, top, bottom).
    std::set<int> types;
    bool merged = false;
    bool edge[4] = {false, false, false, false};

    // Draws `frames` frames of the loaded scene with both paths, the camera
    // moving as in the saver, and compares them; the number of frames in
    // which something besides the background was drawn.
    int compare(const view_case &v) {
        Orientation = v.orientation;
        iminv = v.inverted;
        if (sbackground == 2 && !bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
        picround(v.w, v.h);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        EXPECT_TRUE(picbuild(bits.data()));
        int drawn = 0;
        for (int f = 0; f < frames; ++f) {
            if (CamRotRate != 0.0f) rotatecam();
            if (CamPanRate != 0.0f) pancam();
            if (CamZoomRate != 0.0f) zoomcamo();
            render();
            for (mem_render_entry_s *g = reapbase; g; g = g->next_group) {
                merged |= g->next_entry != nullptr;
                for (mem_render_entry_s *e = g; e; e = e->next_entry) types.insert(e->type);
            }
            const std::vector<uint8_t> now = bits;
            test::refrender();
            if (now != bits) {
                size_t i = 0;
                while (now[i] == bits[i]) ++i;
                ADD_FAILURE() << "frame " << f << " at " << v.w << "x" << v.h << " differs first at pixel ("
                              << i % size_t(picw) << ", " << i / size_t(picw) << ")";
                break;
            }
            // The background alone is drawn the same way by both.
            const std::vector<uint8_t> fresh = bits;
            deleterenlstruct();
            reapbase = nullptr;
            dobackground();
            drawn += bits != fresh;
            auto at = [&](int x, int y) { return size_t(y) * size_t(picw) + size_t(x); };
            for (int y = 0; y < pich; ++y) {
                edge[0] |= bits[at(0, y)] != fresh[at(0, y)];
                edge[1] |= bits[at(picw - 1, y)] != fresh[at(picw - 1, y)];
            }
            for (int x = 0; x < picw; ++x) {
                edge[2] |= bits[at(x, 0)] != fresh[at(x, 0)];
                edge[3] |= bits[at(x, pich - 1)] != fresh[at(x, pich - 1)];
            }
        }
        picfree();
        return drawn;
    }

    void writemaps() {
        const uint8_t light[3] = {240, 230, 200}, dark[3] = {40, 70, 150};
        std::string err;
        ASSERT_TRUE(write_bmp24(make_checker(64, 32, 8, light, dark), dir.file("CHECK.BMP"), &err)) << err;
        rgbimage stripes = make_checker(48, 64, 4, dark, light);
        for (int y = 0; y < stripes.h; ++y)
            for (int x = 0; x < stripes.w; ++x) stripes.rgb[size_t(y * stripes.w + x) * 3 + 1] = uint8_t(x * 5);
        ASSERT_TRUE(write_bmp24(stripes, dir.file("STRIPES.BMP"), &err)) << err;
    }
};

TEST_F(Identity, DemoScenesFrameForFrame) {
    install_demos();
    create_halftone_palette();
    paths.background = demo_background;
    for (int d = 0; d < demo_scene_count; ++d) {
        SCOPED_TRACE(demo_scenes[d].name);
        for (const view_case &v : views) {
            ASSERT_EQ(loadfile(demo_scenes[d].name), 0) << last.message;
            EXPECT_EQ(compare(v), frames);
            deletefilestruct();
            deleterenlstruct();
            DibFree(bgmapraw);
            bgmapraw = nullptr;
        }
    }
}

TEST_F(Identity, GeneratedMeshesOfEveryKindFrameForFrame) {
    create_halftone_palette();
    writemaps();
    paths.mapsdir = dir.path;
    // Reflections show the background bitmap.
    paths.background = dir.file("STRIPES.BMP");
    struct mesh_case {
        const char *name;
        bool faceted, open;
    };
    for (const mesh_case &c : {mesh_case{"smooth closed", false, false}, mesh_case{"smooth open", false, true},
                               mesh_case{"faceted closed", true, false}, mesh_case{"faceted open", true, true}}) {
        SCOPED_TRACE(c.name);
        for (const view_case &v : views) {
            ASSERT_EQ(load(ring(c.faceted, c.open)), 0) << last.message;
            ASSERT_TRUE(last.warnings.empty()) << last.warnings[0];
            EXPECT_GT(compare(v), frames / 2);
            deletefilestruct();
            deleterenlstruct();
        }
    }
    EXPECT_EQ(types, (std::set<int>{0, 10, 20, 30, 40, 50, 100, 110, 120, 130, 140, 150}));
    EXPECT_TRUE(merged);
    EXPECT_TRUE(edge[0] && edge[1] && edge[2] && edge[3]) << edge[0] << edge[1] << edge[2] << edge[3];
}

TEST_F(Identity, PointsWithValuesOutsideTheUsualFrameForFrame) {
    create_halftone_palette();
    writemaps();
    paths.mapsdir = dir.path;
    paths.background = dir.file("STRIPES.BMP");
    for (const bool faceted : {false, true}) {
        SCOPED_TRACE(faceted ? "faceted" : "smooth");
        for (const view_case &v : views) {
            ASSERT_EQ(load(ring(faceted, false, true)), 0) << last.message;
            EXPECT_GT(compare(v), frames / 2);
            deletefilestruct();
            deleterenlstruct();
        }
    }
    EXPECT_TRUE(merged);
}

// Whether two prepared points hold the same bits.
bool same(const clipv_s &a, const clipv_s &b) {
    return std::memcmp(&a.x, &b.x, 3 * sizeof a.x) == 0 && a.px == b.px && a.py == b.py && a.front == b.front &&
           a.in == b.in && a.out == b.out;
}

// The point pass four points at a time and one at a time, and the
// clipper's preparation of many points at once and of one, give the same
// bits for every point, the odd values included.
TEST_F(Identity, PointPassInFoursAndSingly) {
    writemaps();
    paths.mapsdir = dir.path;
    for (const bool faceted : {false, true}) {
        SCOPED_TRACE(faceted ? "faceted" : "smooth");
        ASSERT_EQ(load(ring(faceted, false, true)), 0) << last.message;
        picround(320, 200);
        std::vector<uint8_t> bits(size_t(picw) * pich);
        ASSERT_TRUE(picbuild(bits.data()));
        int points = 0, onplane = 0, lit = 0;
        for (int frame = 0; frame < 12; ++frame) {
            if (frame == 0) camx = camy = camz = 0.0f;
            rendlist();
            for (mem_render_entry_s *g = reapbase; g; g = g->next_group)
                for (mem_render_entry_s *e = g; e; e = e->next_entry) {
                    std::vector<fpoint_s> f[2];
                    std::vector<ptex_s> t[2];
                    for (int k = 0; k < 2; ++k) {
                        ptlanes = k ? 1 : 4;
                        loadmat(e);
                        grp.clear();
                        fpts.clear();
                        tpts.clear();
                        ASSERT_TRUE(lightpoints(e, true));
                        f[k] = fpts, t[k] = tpts;
                    }
                    ASSERT_EQ(f[0].size(), f[1].size());
                    ASSERT_EQ(t[0].size(), t[1].size());
                    for (size_t i = 0; i < t[0].size(); ++i)
                        ASSERT_TRUE(t[0][i].stx == t[1][i].stx && t[0][i].sty == t[1][i].sty) << "point " << i;
                    for (size_t i = 0; i < f[0].size(); ++i) {
                        const fpoint_s &a = f[0][i], &b = f[1][i];
                        ASSERT_TRUE(same(a.c, b.c)) << "point " << i;
                        ASSERT_EQ(std::memcmp(&a.ux, &b.ux, 3 * sizeof a.ux), 0) << "point " << i;
                        ASSERT_TRUE(a.sx == b.sx && a.sy == b.sy && a.sn == b.sn && a.hl == b.hl) << "point " << i;
                        // The clipper's values of the point prepared alone.
                        clipv_s one = a.c;
                        clipprep(&one, 1);
                        ASSERT_TRUE(same(one, a.c)) << "point " << i;
                        ++points;
                        onplane += a.c.z == 0.0f;
                        lit += a.hl > 0;
                    }
                }
            rotatecam();
            pancam();
        }
        picfree();
        deletefilestruct();
        deleterenlstruct();
        // The cases the lanes differ in were there.
        EXPECT_GT(points, 4000);
        EXPECT_GT(onplane, 0);
        if (!faceted) {
            EXPECT_GT(lit, 0);
        }
    }
}

// The benchmark's large mesh, cut into four merged geometries, seen whole
// as it circles.
TEST_F(Identity, LargeBumpyMeshFrameForFrame) {
    create_halftone_palette();
    test::bumpy_desc d;
    d.rings = 120, d.segs = 60, d.parts = 4;
    ASSERT_EQ(load(test::bumpy_scene(d)), 0) << last.message;
    CamRotRate = 7.5f;
    EXPECT_EQ(compare(views[2]), frames);
}

}  // namespace
}  // namespace vortella
