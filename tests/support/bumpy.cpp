#include "support/bumpy.h"

#include <array>
#include <cmath>

#include "authoring/ddh.h"
#include "authoring/scenejson.h"

namespace vortella::test {

namespace {

constexpr double pi = 3.14159265358979;

struct grid {
    int n, m;   // rings, segments
    std::vector<std::array<double, 3>> p, nrm;
    const std::array<double, 3> &at(int i, int j) const { return p[size_t((i % n) * m + (j % m))]; }
};

std::array<double, 3> sub(const std::array<double, 3> &a, const std::array<double, 3> &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
std::array<double, 3> cross(const std::array<double, 3> &a, const std::array<double, 3> &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Whether quad (i, j) is part of the surface.
bool present(const bumpy_desc &d, int j) { return !d.open || j % 4 != 3; }

}  // namespace

std::vector<geometry_desc> make_bumpy(const bumpy_desc &d, int geom_no, int texture) {
    grid g{d.rings, d.segs, {}, {}};
    const double tilt = 1.0;   // about the x axis, radians
    for (int i = 0; i < g.n; ++i)
        for (int j = 0; j < g.m; ++j) {
            const double u = 2 * pi * i / g.n, v = 2 * pi * j / g.m;
            const double rr = d.r * (1 + d.bump * std::sin(7 * u) * std::sin(5 * v) + 0.5 * d.bump * std::cos(13 * u + 3 * v));
            const double x = (d.R + rr * std::cos(v)) * std::cos(u), y = (d.R + rr * std::cos(v)) * std::sin(u);
            const double z = rr * std::sin(v);
            g.p.push_back({d.x + x, d.y + y * std::cos(tilt) - z * std::sin(tilt),
                           d.z + y * std::sin(tilt) + z * std::cos(tilt)});
        }
    // Point normals: the sum of the (area-weighted) normals of the quads
    // around the point, each quad counted whole.
    g.nrm.assign(g.p.size(), {0, 0, 0});
    for (int i = 0; i < g.n; ++i)
        for (int j = 0; j < g.m; ++j) {
            const auto f = cross(sub(g.at(i + 1, j), g.at(i, j)), sub(g.at(i, j + 1), g.at(i, j)));
            for (int di = 0; di < 2; ++di)
                for (int dj = 0; dj < 2; ++dj) {
                    auto &s = g.nrm[size_t(((i + di) % g.n) * g.m + (j + dj) % g.m)];
                    for (int k = 0; k < 3; ++k) s[k] += f[k];
                }
        }
    std::vector<geometry_desc> out;
    for (int part = 0; part < d.parts; ++part) {
        const int i0 = g.n * part / d.parts, i1 = g.n * (part + 1) / d.parts;
        geometry_desc geo;
        geo.name = "bumpy";
        geo.faceted = d.faceted;
        geo.geom_no = geom_no + part;
        geo.texture = texture;
        // Rings i0 .. i1 (the last one shared with the next part).
        for (int i = i0; i <= i1; ++i)
            for (int j = 0; j < g.m; ++j) {
                const auto &p = g.at(i, j);
                const auto &n = g.nrm[size_t((i % g.n) * g.m + j)];
                const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                geo.points.push_back({float(p[0]), float(p[1]), float(p[2]), float(n[0] / l), float(n[1] / l),
                                      float(n[2] / l)});
            }
        auto at = [&](int i, int j) { return (i - i0) * g.m + j % g.m; };
        for (int i = i0; i < i1; ++i)
            for (int j = 0; j < g.m; ++j) {
                if (!present(d, j)) continue;
                // Counter-clockwise seen from outside: (u, v) -> (u + 1, v)
                // -> (u, v + 1) has the outward normal.
                trianglef_s a{at(i, j), at(i + 1, j), at(i + 1, j + 1), 0, 0, 0};
                trianglef_s b{at(i, j), at(i + 1, j + 1), at(i, j + 1), 0, 0, 0};
                for (trianglef_s *t : {&a, &b}) {
                    const points_s &p1 = geo.points[size_t(t->pt1)], &p2 = geo.points[size_t(t->pt2)],
                                   &p3 = geo.points[size_t(t->pt3)];
                    const auto f = cross(sub({p2.x, p2.y, p2.z}, {p1.x, p1.y, p1.z}),
                                         sub({p3.x, p3.y, p3.z}, {p1.x, p1.y, p1.z}));
                    const double l = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
                    if (l > 0) t->nx = float(f[0] / l), t->ny = float(f[1] / l), t->nz = float(f[2] / l);
                    geo.triangles.push_back(*t);
                }
            }
        build_ddh_sorted(geo);
        out.push_back(std::move(geo));
    }
    return out;
}

scene_desc bumpy_scene(const bumpy_desc &d) {
    scene_desc s;
    s.header_text = "bumpy";
    material_desc m;
    m.name = "grey";
    m.texture_no = 1;
    m.ambient = 1, m.diffuse = 0, m.brilliance = 0.25f;
    s.add(m);
    instance_desc in;
    in.name = "bumpy";
    in.inst_no = 1;
    in.rend_mode = 10;
    std::array<float, 6> box = {1e9f, 1e9f, 1e9f, -1e9f, -1e9f, -1e9f};
    for (geometry_desc &g : make_bumpy(d, 1, 1)) {
        for (const points_s &p : g.points) {
            box[0] = std::fmin(box[0], p.x), box[1] = std::fmin(box[1], p.y), box[2] = std::fmin(box[2], p.z);
            box[3] = std::fmax(box[3], p.x), box[4] = std::fmax(box[4], p.y), box[5] = std::fmax(box[5], p.z);
        }
        in.geoms.push_back(g.geom_no);
        s.add(g);
    }
    s.add(in);
    s.add(framing_camera(box));
    s.add(light_desc{0.8f, 0.6f});
    scene_settings_desc set;
    set.title = "bumpy";
    set.red = 16, set.green = 20, set.blue = 32;
    s.add(set);
    return s;
}

}  // namespace vortella::test
