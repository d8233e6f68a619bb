// Textures seen through texture coordinates, baked into projected maps:
// which projections are chosen, how closely the maps hold the texture at
// the vertices, and that the material values make the renderer's texture
// frames give the coordinates the maps were painted for.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "authoring/bake.h"
#include "pipeline/pipeline.h"
#include "authoring/uvmodels.h"

namespace vortella {
namespace {

constexpr double pi = 3.14159265358979;

// A smooth colour that wraps both ways and does not change across u at
// v = 0 and 1, so that no vertex's colour depends on which of its seam
// coordinates it takes; and a texture of it.
std::array<double, 3> smooth_colour(double u, double v) {
    const double band = std::pow(std::sin(pi * v), 2);
    return {128 + 90 * std::sin(2 * pi * u) * band, 128 + 90 * std::cos(2 * pi * v), 128 + 90 * std::cos(4 * pi * u) * band};
}

rgbimage smooth_texture() {
    rgbimage t;
    t.w = 256, t.h = 128;
    for (int y = 0; y < t.h; ++y)
        for (int x = 0; x < t.w; ++x)
            for (double c : smooth_colour((x + 0.5) / t.w, 1 - (y + 0.5) / t.h)) t.rgb.push_back(uint8_t(c + 0.5));
    return t;
}

std::vector<int> all_triangles(const model_mesh &m) {
    std::vector<int> t(m.triangles.size());
    for (size_t i = 0; i < t.size(); ++i) t[i] = int(i);
    return t;
}

// The mean difference, as a share of the colour range, between the baked
// maps and the texture's colour (times the vertex colours) at every corner
// of every triangle, taken a tenth of the way in so that a vertex on a seam
// between differently mapped faces is measured in its own face.
double vertex_error(const model_mesh &m, const std::vector<baked_part> &parts, bool textured) {
    double sum = 0;
    long n = 0;
    for (const baked_part &p : parts)
        for (int t : p.triangles) {
            const auto &tr = m.triangles[size_t(t)];
            for (int c = 0; c < 3; ++c) {
                std::array<float, 3> q{};
                double u = 0, v = 0, col[3] = {0, 0, 0};
                for (int k = 0; k < 3; ++k) {
                    const double w = k == c ? 0.9 + 0.1 / 3 : 0.1 / 3;
                    for (int a = 0; a < 3; ++a) q[a] += float(w * m.positions[size_t(tr[k])][a]);
                    if (!m.uvs.empty()) u += w * m.uvs[size_t(t) * 3 + k][0], v += w * m.uvs[size_t(t) * 3 + k][1];
                    for (int ch = 0; ch < 3; ++ch)
                        col[ch] += w * (m.colours.empty() ? 255 : m.colours[size_t(t) * 3 + k][ch]);
                }
                const std::array<double, 2> st = map_coords(p.projection, q);
                const int w = p.map.w, h = p.map.h;
                const int x = ((int(std::floor(st[0] * w)) % w) + w) % w;
                const int y = std::clamp(int(std::floor(st[1] * h)), 0, h - 1);
                const uint8_t *got = &p.map.rgb[(size_t(h - 1 - y) * w + x) * 3];
                const std::array<double, 3> want =
                    textured ? smooth_colour(u, v) : std::array<double, 3>{255, 255, 255};
                for (int ch = 0; ch < 3; ++ch) sum += std::fabs(got[ch] - want[ch] * col[ch] / 255) / 255;
                n += 3;
            }
        }
    return n ? sum / n : 1;
}

std::string kinds(const std::vector<baked_part> &parts) {
    std::string s;
    for (const baked_part &p : parts) s += (s.empty() ? "" : " ") + p.projection.name();
    return s;
}

TEST(Bake, ChoosesTheProjectionsThatShowMostOfTheSurface) {
    const rgbimage tex = smooth_texture();
    std::vector<baked_part> parts;
    std::string err;
    bake_options o;
    // A flat square facing -y: one planar map along y.
    const model_mesh quad = test::uv_quad();
    ASSERT_TRUE(bake(quad, all_triangles(quad), &tex, false, o, parts, &err)) << err;
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].projection.type, 1);
    EXPECT_EQ(parts[0].projection.axis, 1);
    // A sphere: spherical, the poles (where the renderer's angles mean
    // nothing) planar from above and below.
    const model_mesh sphere = test::uv_sphere(16, 32);
    ASSERT_TRUE(bake(sphere, all_triangles(sphere), &tex, false, o, parts, &err)) << err;
    EXPECT_EQ(kinds(parts), "spherical planar+z planar-z");
    EXPECT_GT(parts[0].triangles.size(), sphere.triangles.size() * 8 / 10);
    // A tall closed tube: cylindrical round the side, planar on the ends.
    const model_mesh tube = test::uv_tube(24, 6);
    ASSERT_TRUE(bake(tube, all_triangles(tube), &tex, false, o, parts, &err)) << err;
    EXPECT_EQ(kinds(parts), "cylindrical planar+z planar-z");
    // A torus: no one projection sees its outer and inner walls.
    const model_mesh torus = test::uv_torus(48, 16);
    ASSERT_TRUE(bake(torus, all_triangles(torus), &tex, false, o, parts, &err)) << err;
    EXPECT_GE(parts.size(), 3u);
    // A named projection takes everything.
    o.mapping = "spherical";
    ASSERT_TRUE(bake(tube, all_triangles(tube), &tex, false, o, parts, &err)) << err;
    EXPECT_EQ(kinds(parts), "spherical");
    o.mapping = "conical";
    EXPECT_FALSE(bake(tube, all_triangles(tube), &tex, false, o, parts, &err));
    EXPECT_EQ(err, "unknown mapping 'conical'");
}

TEST(Bake, MapsHoldTheTextureAtTheVertices) {
    const rgbimage tex = smooth_texture();
    std::vector<baked_part> parts;
    std::string err;
    model_mesh coloured = test::uv_sphere(12, 24);
    for (size_t i = 0; i < coloured.triangles.size() * 3; ++i) {
        const auto &p = coloured.positions[size_t(coloured.triangles[i / 3][i % 3])];
        coloured.colours.push_back({uint8_t(128 + 127 * p[0]), uint8_t(128 + 127 * p[1]), uint8_t(128 + 127 * p[2])});
    }
    const struct {
        const char *name;
        model_mesh m;
        bool texture, colours;
    } cases[] = {{"quad", test::uv_quad(), true, false},         {"sphere", test::uv_sphere(16, 32), true, false},
                 {"cube", test::uv_cube(), true, false},         {"torus", test::uv_torus(48, 16), true, false},
                 {"tube", test::uv_tube(24, 6), true, false},    {"coloured sphere", coloured, false, true},
                 {"both", coloured, true, true}};
    for (const auto &c : cases) {
        ASSERT_TRUE(bake(c.m, all_triangles(c.m), c.texture ? &tex : nullptr, c.colours, bake_options{}, parts, &err));
        const double e = vertex_error(c.m, parts, c.texture);
        std::printf("[ bake error ] %-16s %5.2f %% over %zu map(s): %s\n", c.name, 100 * e, parts.size(),
                    kinds(parts).c_str());
        EXPECT_LT(e, 0.03) << c.name;
    }
}

TEST(Bake, TexelsNoSurfaceReachesTakeTheNearestColour) {
    // One triangle covers half its map; the other half, and the map's
    // edges the renderer's rounding may reach, hold its colours too.
    model_mesh m = test::uv_quad();
    m.triangles.pop_back(), m.material.pop_back();
    m.uvs.resize(3);
    rgbimage red;
    red.w = red.h = 4;
    for (int i = 0; i < 16; ++i) red.rgb.insert(red.rgb.end(), {200, 30, 20});
    std::vector<baked_part> parts;
    std::string err;
    ASSERT_TRUE(bake(m, {0}, &red, false, bake_options{}, parts, &err)) << err;
    ASSERT_EQ(parts.size(), 1u);
    for (size_t i = 0; i < parts[0].map.rgb.size(); i += 3)
        ASSERT_EQ((std::vector<int>{parts[0].map.rgb[i], parts[0].map.rgb[i + 1], parts[0].map.rgb[i + 2]}),
                  (std::vector<int>{200, 30, 20}))
            << "texel " << i / 3;
}

// The material values set for a geometry's box, run through the renderer's
// texture frames and its rules for the coordinates, give the coordinates
// the map was painted for.
TEST(Bake, MaterialValuesMakeTheRenderersCoordinates) {
    std::vector<map_projection> ps;
    for (int axis = 0; axis < 3; ++axis) {
        map_projection p;
        p.axis = axis, p.lo = {-1.5, -0.7}, p.span = {3.2, 2.1};
        ps.push_back(p);
    }
    map_projection s;
    s.type = 2, s.centre = {0.3, -0.2, 1.1};
    ps.push_back(s);
    s.type = 3, s.lo = {0, -0.4}, s.span = {1, 2.5};
    ps.push_back(s);
    const std::array<float, 6> box = {-1, -0.5, 0, 2, 1.5, 2.5};   // centre (0.5, 0.5, 1.25)
    const float c[3] = {0.5f, 0.5f, 1.25f};
    for (const map_projection &p : ps) {
        material_desc md;
        projection_material(p, box, md);
        mem_object_header_s mat{};
        mem_texture_s &t = mat.t.material;
        t.x = md.x, t.y = md.y, t.z = md.z, t.xscale = md.xscale, t.yscale = md.yscale, t.zscale = md.zscale;
        t.izro = md.izro, t.xrot = md.xrot, t.zrot = md.zrot;
        mem_render_entry_s e{};
        e.xmin = box[0], e.ymin = box[1], e.zmin = box[2], e.xmax = box[3], e.ymax = box[4], e.zmax = box[5];
        reap = &e, ohap2 = &mat;
        if (p.type == 1) calctxp();
        else if (p.type == 2) calctxs();
        else calctxc();
        for (const std::array<float, 3> q : {std::array<float, 3>{0.2f, 1.1f, 0.4f}, {-0.8f, 0.1f, 2.2f}, {1.7f, -0.3f, 0.9f}}) {
            const float col[3][4] = {{rc11, rc21, rc31, rc41}, {rc12, rc22, rc32, rc42}, {rc13, rc23, rc33, rc43}};
            float mv[3];
            for (int k = 0; k < 3; ++k) mv[k] = q[0] * col[k][0] + q[1] * col[k][1] + q[2] * col[k][2] + col[k][3];
            double got[2];
            if (p.type == 1) {
                got[0] = mv[1], got[1] = mv[2];   // columns 2 and 3
            } else {
                const double a = std::atan2(mv[1] - c[1], mv[0] - c[0]);
                got[0] = (a < 0 ? a + 2 * pi : a) / (2 * pi);
                got[1] = p.type == 3 ? mv[2]
                                     : (std::atan((mv[2] - c[2]) / std::hypot(mv[0] - c[0], mv[1] - c[1])) + pi / 2) / pi;
            }
            const std::array<double, 2> want = map_coords(p, q);
            EXPECT_NEAR(got[0], want[0], 1e-5) << p.name();
            EXPECT_NEAR(got[1], want[1], 1e-5) << p.name();
        }
    }
}

}  // namespace
}  // namespace vortella
