#include "authoring/meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "authoring/primitives.h"
#include "authoring/visibility.h"

namespace vortella::test {

namespace {

constexpr double pi = 3.14159265358979;
using vec = std::array<double, 3>;

vec sub(const vec &a, const vec &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
vec cross(const vec &a, const vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const vec &a, const vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
vec unit(const vec &a) {
    const double l = std::sqrt(dot(a, a));
    return {a[0] / l, a[1] / l, a[2] / l};
}

int add_point(geometry_desc &g, const vec &p) {
    g.points.push_back({float(p[0]), float(p[1]), float(p[2]), 0, 0, 1});
    return int(g.points.size()) - 1;
}

// Six times the signed volume the triangles enclose: positive when a closed
// surface's triangles turn counter-clockwise seen from outside.
double volume6(const geometry_desc &g) {
    double v = 0;
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        v += dot({a.x, a.y, a.z}, cross({b.x, b.y, b.z}, {c.x, c.y, c.z}));
    }
    return v;
}

void flip(geometry_desc &g) {
    for (trianglef_s &t : g.triangles) std::swap(t.pt2, t.pt3);
}

// A closed part facing outward, with smooth normals (the area-weighted
// face normals at each point) or face normals.
geometry_desc finish(geometry_desc g, bool closed, bool faceted) {
    if (closed && volume6(g) < 0) flip(g);
    for (points_s &p : g.points) p.nx = p.ny = p.nz = 0;
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        const vec n = cross(sub({b.x, b.y, b.z}, {a.x, a.y, a.z}), sub({c.x, c.y, c.z}, {a.x, a.y, a.z}));
        for (int i : {t.pt1, t.pt2, t.pt3}) {
            g.points[i].nx += float(n[0]), g.points[i].ny += float(n[1]), g.points[i].nz += float(n[2]);
        }
    }
    for (points_s &p : g.points) {
        const double l = std::sqrt(double(p.nx) * p.nx + double(p.ny) * p.ny + double(p.nz) * p.nz);
        if (l > 0) p.nx = float(p.nx / l), p.ny = float(p.ny / l), p.nz = float(p.nz / l);
    }
    if (faceted) facet(g);
    ddh_all(g);
    return g;
}

// A surface over an nu x nv grid of parameters: f(u, v) with u, v in [0, 1].
// With `wrapu` the last column joins the first (u = 1 is u = 0); with
// `poles` the rows v = 0 and v = 1 are single points; with `wrapv` the last
// row joins the first.
geometry_desc surface(int nu, int nv, bool wrapu, bool poles, bool wrapv, const std::function<vec(double, double)> &f) {
    geometry_desc g;
    const int cols = wrapu ? nu : nu + 1;
    std::vector<int> at(size_t(cols) * (nv + 1));
    for (int j = 0; j <= nv; ++j) {
        if (wrapv && j == nv) {
            for (int i = 0; i < cols; ++i) at[size_t(j) * cols + i] = at[i];
            continue;
        }
        const bool pole = poles && (j == 0 || j == nv);
        const int first = pole ? add_point(g, f(0, double(j) / nv)) : -1;
        for (int i = 0; i < cols; ++i)
            at[size_t(j) * cols + i] = pole ? first : add_point(g, f(double(i) / nu, double(j) / nv));
    }
    for (int j = 0; j < nv; ++j)
        for (int i = 0; i < nu; ++i) {
            const int i1 = (i + 1) % cols;
            const int a = at[size_t(j) * cols + i], b = at[size_t(j) * cols + i1];
            const int c = at[size_t(j + 1) * cols + i1], d = at[size_t(j + 1) * cols + i];
            if (a != b) g.triangles.push_back({a, b, c, 0, 0, 0});
            if (c != d) g.triangles.push_back({a, c, d, 0, 0, 0});
        }
    return g;
}

// A tube of radius r(t) along the curve c(t), t in [0, 1]: closed into a
// ring when the curve is, otherwise with both ends capped by a point.
geometry_desc tube(int along, int around, bool ring, const std::function<vec(double)> &c,
                   const std::function<double(double)> &r) {
    // Frames carried along the curve without twisting.
    std::vector<vec> at(along + 1), nrm(along + 1);
    for (int i = 0; i <= along; ++i) at[i] = c(double(i) / along);
    auto tangent = [&](int i) {
        const int a = ring ? (i + along - 1) % along : std::max(i - 1, 0);
        const int b = ring ? (i + 1) % along : std::min(i + 1, along);
        return unit(sub(at[b], at[a]));
    };
    vec t0 = tangent(0);
    nrm[0] = unit(cross(t0, std::fabs(t0[2]) < 0.9 ? vec{0, 0, 1} : vec{1, 0, 0}));
    for (int i = 1; i <= along; ++i) {
        const vec t = tangent(i);
        const vec n = sub(nrm[i - 1], {t[0] * dot(t, nrm[i - 1]), t[1] * dot(t, nrm[i - 1]), t[2] * dot(t, nrm[i - 1])});
        nrm[i] = unit(n);
    }
    // A ring's frame comes back turned: spread the turn along it so the
    // last band joins the first without a twist.
    double twist = 0;
    if (ring) {
        const vec t = tangent(0), e = nrm[along];
        twist = std::atan2(dot(cross(nrm[0], e), t), dot(nrm[0], e));
    }
    auto point = [&](double u, double v) {
        const int i = std::min(along, int(std::lround(v * along)));
        const vec t = tangent(i), n = nrm[i], b = cross(t, n);
        const double a = 2 * pi * u - twist * i / along, rr = r(v);
        return vec{at[i][0] + rr * (std::cos(a) * n[0] + std::sin(a) * b[0]),
                   at[i][1] + rr * (std::cos(a) * n[1] + std::sin(a) * b[1]),
                   at[i][2] + rr * (std::cos(a) * n[2] + std::sin(a) * b[2])};
    };
    if (ring) return surface(around, along, true, false, true, point);
    // Capped: the ends are rows of radius 0.
    return surface(around, along + 2, true, true, false, [&](double u, double v) {
        const int j = int(std::lround(v * (along + 2)));
        if (j == 0) return at[0];
        if (j == along + 2) return at[along];
        return point(u, double(j - 1) / along);
    });
}

// A closed prism: the simple polygon (x, y) counter-clockwise, cut into
// triangles by ear clipping, from z0 to z1 in `steps` bands; then each
// point is placed by `to`.
geometry_desc prism(const std::vector<std::array<double, 2>> &poly, double z0, double z1, int steps,
                    const std::function<vec(const vec &)> &to) {
    geometry_desc g;
    const int m = int(poly.size());
    for (int s = 0; s <= steps; ++s)
        for (const auto &p : poly) add_point(g, to({p[0], p[1], z0 + (z1 - z0) * s / steps}));
    for (int s = 0; s < steps; ++s)
        for (int i = 0; i < m; ++i) {
            const int a = s * m + i, b = s * m + (i + 1) % m;
            g.triangles.push_back({a, b, b + m, 0, 0, 0});
            g.triangles.push_back({a, b + m, a + m, 0, 0, 0});
        }
    // Ear clipping: cut off a convex corner holding no other corner.
    std::vector<int> left(m);
    for (int i = 0; i < m; ++i) left[i] = i;
    auto turn = [&](int a, int b, int c) {
        return (poly[b][0] - poly[a][0]) * (poly[c][1] - poly[a][1]) - (poly[b][1] - poly[a][1]) * (poly[c][0] - poly[a][0]);
    };
    const int top = steps * m;
    while (left.size() > 2) {
        const int k = int(left.size());
        bool cut = false;
        for (int i = 0; i < k && !cut; ++i) {
            const int a = left[(i + k - 1) % k], b = left[i], c = left[(i + 1) % k];
            if (turn(a, b, c) <= 0) continue;
            bool empty = true;
            for (int q : left)
                if (q != a && q != b && q != c && turn(a, b, q) >= 0 && turn(b, c, q) >= 0 && turn(c, a, q) >= 0) empty = false;
            if (!empty) continue;
            g.triangles.push_back({a, c, b, 0, 0, 0});
            g.triangles.push_back({top + a, top + b, top + c, 0, 0, 0});
            left.erase(left.begin() + i);
            cut = true;
        }
        if (!cut) break;
    }
    return g;
}

// A flat ring around the z axis between radii r0 and r1, from z0 to z1,
// in `segs` steps: closed.
geometry_desc prism_ring(double r0, double r1, double z0, double z1, int segs) {
    geometry_desc g;
    // Corners per step: inner bottom, outer bottom, outer top, inner top.
    for (int i = 0; i < segs; ++i) {
        const double a = 2 * pi * i / segs, c = std::cos(a), sn = std::sin(a);
        add_point(g, {r0 * c, r0 * sn, z0}), add_point(g, {r1 * c, r1 * sn, z0});
        add_point(g, {r1 * c, r1 * sn, z1}), add_point(g, {r0 * c, r0 * sn, z1});
    }
    for (int i = 0; i < segs; ++i) {
        const int p = 4 * i, q = 4 * ((i + 1) % segs);
        for (int k = 0; k < 4; ++k) {
            const int a = p + k, b = p + (k + 1) % 4, c = q + (k + 1) % 4, d = q + k;
            g.triangles.push_back({a, d, c, 0, 0, 0});
            g.triangles.push_back({a, c, b, 0, 0, 0});
        }
    }
    return finish(g, true, false);
}

}  // namespace

geometry_desc bumpy_blob(int fine) {
    return finish(surface(24 * fine, 12 * fine, true, true, false, [](double u, double v) {
                      const double th = pi * v, ph = 2 * pi * u;
                      const double f = 1 + 0.4 * std::sin(5 * ph) * std::sin(5 * th);
                      return vec{f * std::sin(th) * std::cos(ph), f * std::sin(th) * std::sin(ph), f * std::cos(th)};
                  }),
                  true, false);
}

geometry_desc knot(int fine) {
    return finish(tube(
                      64 * fine, 8 * fine, true,
                      [](double t) {
                          const double a = 2 * pi * t;
                          return vec{std::sin(a) + 2 * std::sin(2 * a), std::cos(a) - 2 * std::cos(2 * a), -std::sin(3 * a)};
                      },
                      [](double) { return 0.45; }),
                  true, false);
}

geometry_desc pot(int fine) {
    // The body: a surface of revolution, radius sin(th) (1 + 0.15 cos(th))
    // at height 0.8 cos(th).
    auto radius_at = [](double z) {
        const double c = std::clamp(z / 0.8, -1.0, 1.0), sn = std::sqrt(1 - c * c);
        return sn * (1 + 0.15 * c);
    };
    geometry_desc g = finish(surface(24 * fine, 12 * fine, true, true, false, [](double u, double v) {
                                 const double th = pi * v, ph = 2 * pi * u;
                                 const double r = std::sin(th) * (1 + 0.15 * std::cos(th));
                                 return vec{r * std::cos(ph), r * std::sin(ph), 0.8 * std::cos(th)};
                             }),
                             true, false);
    // The spout: an open tube along a curve in the x-z plane that leaves the
    // body low on its side, each line along it starting just inside the
    // body, as a modeller trims a spout to the body it joins.
    auto centre = [](double s) { return vec{0.45 + 1.25 * s, 0, -0.3 + 0.2 * s + 0.8 * s * s}; };
    auto spout = [&](double u, double s) {
        const vec a = centre(std::max(0.0, s - 1e-4)), b = centre(s + 1e-4);
        const vec t = unit(sub(b, a)), nrm = cross(t, vec{0, 1, 0});
        const double r = 0.25 - 0.14 * s, c = std::cos(2 * pi * u), sn = std::sin(2 * pi * u);
        const vec o = centre(s);
        return vec{o[0] + r * (c * nrm[0]), o[1] + r * sn, o[2] + r * (c * nrm[2])};
    };
    auto inside = [&](const vec &p) { return std::hypot(p[0], p[1]) < radius_at(p[2]) && std::fabs(p[2]) < 0.8; };
    geometry_desc sp = surface(10 * fine, 12 * fine, true, false, false, [&](double u, double v) {
        double lo = 0, hi = 0.6;   // inside at lo, outside at hi
        for (int i = 0; i < 40; ++i) {
            const double mid = (lo + hi) / 2;
            (inside(spout(u, mid)) ? lo : hi) = mid;
        }
        const double s0 = std::max(0.0, lo - 0.002);
        return spout(u, s0 + (1 - s0) * v);
    });
    // Outward: away from the spout's axis.
    for (trianglef_s &t : sp.triangles) {
        const points_s &a = sp.points[t.pt1], &b = sp.points[t.pt2], &c = sp.points[t.pt3];
        const vec n = cross(sub({b.x, b.y, b.z}, {a.x, a.y, a.z}), sub({c.x, c.y, c.z}, {a.x, a.y, a.z}));
        const vec m = {(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
        double best = 1e9, at = 0;
        for (int i = 0; i <= 100; ++i) {
            const double dd = dot(sub(m, centre(i / 100.0)), sub(m, centre(i / 100.0)));
            if (dd < best) best = dd, at = i / 100.0;
        }
        if (dot(n, sub(m, centre(at))) < 0) std::swap(t.pt2, t.pt3);
    }
    merge(g, finish(sp, false, false));
    // The handle's ends are sunk into the body; the knob sits a little
    // into the lid.
    merge(g, finish(tube(
                        16 * fine, 6 * fine, false,
                        [](double t) {
                            const double a = pi * (0.1 + 0.8 * t);
                            return vec{-0.75 - 0.55 * std::sin(a), 0, 0.45 * std::cos(a)};
                        },
                        [](double) { return 0.08; }),
                    true, false));
    merge(g, finish(surface(8 * fine, 4 * fine, true, true, false, [](double u, double v) {
                        const double th = pi * v, ph = 2 * pi * u;
                        return vec{0.16 * std::sin(th) * std::cos(ph), 0.16 * std::sin(th) * std::sin(ph),
                                   0.9 + 0.12 * std::cos(th)};
                    }),
                    true, false));
    return g;
}

geometry_desc bracket(int fine) {
    const std::vector<std::array<double, 2>> e = {{0, 0},     {3, 0},     {3, 2},     {2.5, 2},   {2.5, 0.5}, {1.75, 0.5},
                                                  {1.75, 2},  {1.25, 2},  {1.25, 0.5}, {0.5, 0.5}, {0.5, 2},  {0, 2}};
    const std::vector<std::array<double, 2>> steps = {{-1.4, 0},  {1.4, 0},    {1.4, 0.35}, {0.9, 0.35},
                                                      {0.9, 0.8}, {-0.9, 0.8}, {-0.9, 0.35}, {-1.4, 0.35}};
    // The E stands in the x-z plane, extruded along y; the steps lie in
    // front of its foot, extruded along x.
    geometry_desc g = finish(prism(e, -0.6, 0.6, fine, [](const vec &p) { return vec{p[0] - 1.5, p[2], p[1] - 1}; }),
                             true, true);
    merge(g, finish(prism(steps, 0.2, 2.8, fine, [](const vec &p) { return vec{p[2] - 1.5, p[0] - 2.1, p[1] - 1}; }),
                    true, true));
    facet(g);
    return g;
}

geometry_desc hub(int fine) {
    geometry_desc g = make_cylinder(1, 1, 0, 0, -0.4f, 0.4f, 0.6f, 16 * fine, false);
    const int blades = 6 * fine;
    for (int i = 0; i < blades; ++i) {
        geometry_desc b = make_box(1, 1, 0.92f, 0, 0, 0.3f, 0.02f, 0.3f);
        turnz(b, 0, 0, float(2 * pi * i / blades));
        merge(g, b);
    }
    // The flange: a ring from radius 0.3 to 1.3, 0.03 thick.
    merge(g, prism_ring(0.3, 1.3, -0.47, -0.44, 24 * fine));
    return finish(g, false, false);
}

geometry_desc hub_on_block(int fine) {
    geometry_desc g = hub(fine);
    merge(g, make_box(1, 1, 0, 0, -0.8f, 1.0f, 1.0f, 0.3f));
    return finish(g, false, false);
}

geometry_desc hills(int fine) {
    const int n = 20 * fine;
    geometry_desc g = surface(n, n, false, false, false, [](double u, double v) {
        const double x = 4 * u - 2, y = 4 * v - 2;
        const double bump = std::exp(-3 * ((x - 0.7) * (x - 0.7) + (y + 0.5) * (y + 0.5)));
        return vec{x, y, 0.5 * std::sin(2.2 * x) * std::cos(1.7 * y) + 0.8 * bump};
    });
    return finish(g, false, false);
}

geometry_desc hood(int fine) {
    // The upper half of a rounded box, with two window holes.
    geometry_desc g = surface(24 * fine, 8 * fine, true, false, false, [](double u, double v) {
        if (v == 1) return vec{0, 0, 0.8};
        const double ph = 2 * pi * u, th = 0.5 * pi * v;
        auto se = [](double c) { return (c < 0 ? -1 : 1) * std::pow(std::fabs(c), 0.5); };
        return vec{2.0 * se(std::cos(ph)) * se(std::cos(th)), 1.0 * se(std::sin(ph)) * se(std::cos(th)),
                   0.8 * se(std::sin(th))};
    });
    std::vector<trianglef_s> keep;
    for (const trianglef_s &t : g.triangles) {
        const points_s &a = g.points[t.pt1], &b = g.points[t.pt2], &c = g.points[t.pt3];
        const double cx = (a.x + b.x + c.x) / 3, cz = (a.z + b.z + c.z) / 3;
        if (cz > 0.35 && cz < 0.65 && std::fabs(std::fabs(cx) - 0.9) < 0.45) continue;
        keep.push_back(t);
    }
    g.triangles = keep;
    geometry_desc r = finish(g, false, false);
    // Outward: away from the axis of the box.
    for (trianglef_s &t : r.triangles) {
        const points_s &a = r.points[t.pt1], &b = r.points[t.pt2], &c = r.points[t.pt3];
        const vec n = cross(sub({b.x, b.y, b.z}, {a.x, a.y, a.z}), sub({c.x, c.y, c.z}, {a.x, a.y, a.z}));
        if (dot(n, {a.x + b.x + c.x, 2 * (a.y + b.y + c.y), a.z + b.z + c.z}) < 0) std::swap(t.pt2, t.pt3);
    }
    return finish(r, false, false);
}

geometry_desc still_life(int fine) {
    geometry_desc g = make_box(1, 1, 0, 0, -0.05f, 3, 2, 0.05f);
    merge(g, make_grid(1, 1, 0.5f, 1.3f, 0.002f, 1.0f, 2 * fine, false));   // a mat on the floor
    geometry_desc b = make_box(1, 1, -1.2f, 0.3f, 0.5f, 0.5f, 0.4f, 0.5f);
    turnz(b, -1.2f, 0.3f, 0.5f);
    merge(g, b);
    merge(g, make_sphere(1, 1, -1.2f, 0.3f, 1.45f, 0.45f, 8 * fine, 12 * fine));   // resting on the box
    merge(g, make_cylinder(1, 1, 0.3f, -0.5f, 0, 1.6f, 0.25f, 12 * fine, false));
    geometry_desc lying = make_box(1, 1, 0.6f, 0.4f, 0.15f, 1.1f, 0.15f, 0.15f);   // just behind the cylinder
    turnz(lying, 0.6f, 0.4f, -0.3f);
    merge(g, lying);
    merge(g, make_sphere(1, 1, 1.9f, 0.9f, 0.6f, 0.6f, 8 * fine, 12 * fine));
    merge(g, make_box(1, 1, 2.2f, -1.2f, 0.2f, 0.6f, 0.5f, 0.2f));
    merge(g, make_torus(1, 1, -1.6f, -1.2f, 0.18f, 0.45f, 0.18f, 12 * fine, 6 * fine, 0));
    return finish(g, false, false);
}

std::vector<named_mesh> all_meshes(int fine) {
    return {{"blob", bumpy_blob(fine)},  {"knot", knot(fine)},   {"pot", pot(fine)},   {"bracket", bracket(fine)},
            {"hub", hub(fine)},          {"hills", hills(fine)}, {"hood", hood(fine)}, {"still_life", still_life(fine)},
            {"links", bar_links()},      {"table", table_on_slab()}};
}

std::vector<named_mesh> hard_meshes(int fine) { return {{"hub_on_block", hub_on_block(fine)}}; }

}  // namespace vortella::test
