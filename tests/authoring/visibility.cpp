#include "authoring/visibility.h"

#include "authoring/primitives.h"

#include <cmath>
#include <algorithm>
#include <random>
#include <vector>

#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "raster/raster.h"
#include "scene/ftoi.h"

namespace vortella::test {

namespace {

struct screen_tri {
    double sx[3], sy[3], iz[3];   // pixel position and 1 / depth per corner
};

// Calls plot(x, y, 1/depth) for every pixel whose centre lies inside the
// triangle. Edges are owned by one side only, so neighbours sharing an edge
// never both claim its pixels.
template <class F>
void fill(const screen_tri &t, int w, int h, F plot) {
    const double area = (t.sx[1] - t.sx[0]) * (t.sy[2] - t.sy[0]) - (t.sx[2] - t.sx[0]) * (t.sy[1] - t.sy[0]);
    if (area == 0) return;
    const int o[3] = {0, area > 0 ? 1 : 2, area > 0 ? 2 : 1};   // counter-clockwise corners
    const double a = std::fabs(area);
    const double xmin = std::min({t.sx[0], t.sx[1], t.sx[2]}), xmax = std::max({t.sx[0], t.sx[1], t.sx[2]});
    const double ymin = std::min({t.sy[0], t.sy[1], t.sy[2]}), ymax = std::max({t.sy[0], t.sy[1], t.sy[2]});
    const int x0 = std::max(0, ftoi(std::floor(xmin))), x1 = std::min(w - 1, ftoi(std::ceil(xmax)));
    const int y0 = std::max(0, ftoi(std::floor(ymin))), y1 = std::min(h - 1, ftoi(std::ceil(ymax)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            double e[3];
            bool in = true;
            for (int k = 0; k < 3 && in; ++k) {
                const int i = o[k], j = o[(k + 1) % 3];
                const double dx = t.sx[j] - t.sx[i], dy = t.sy[j] - t.sy[i];
                e[k] = dx * (py - t.sy[i]) - dy * (px - t.sx[i]);
                in = e[k] > 0 || (e[k] == 0 && (dy < 0 || (dy == 0 && dx > 0)));
            }
            if (!in) continue;
            // e[k] is the weight of the corner opposite edge k.
            const double iz = (e[0] * t.iz[o[2]] + e[1] * t.iz[o[0]] + e[2] * t.iz[o[1]]) / a;
            plot(x, y, iz);
        }
}

// The renderer's per-triangle steps up to projection: face plane and
// back-face test in scene space, view transform with tc. False when the
// renderer would skip the triangle.
bool prepare(const geometry_desc &g, int i, screen_tri &s) {
    const trianglef_s &t = g.triangles[i];
    const points_s &p1 = g.points[t.pt1], &p2 = g.points[t.pt2], &p3 = g.points[t.pt3];
    const float vx = p2.x - p1.x, vy = p2.y - p1.y, vz = p2.z - p1.z;
    const float wx = p3.x - p1.x, wy = p3.y - p1.y, wz = p3.z - p1.z;
    float nx = vy * wz - wy * vz, ny = wx * vz - wz * vx, nz = vx * wy - vy * wx;
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len == 0) return false;
    nx /= len, ny /= len, nz /= len;
    const float xp = nx * p1.x + ny * p1.y + nz * p1.z;
    if (!(nx * camx + ny * camy + nz * camz > xp)) return false;
    const points_s *p[3] = {&p1, &p2, &p3};
    for (int k = 0; k < 3; ++k) {
        const float x = p[k]->x, y = p[k]->y, z = p[k]->z;
        const float ex = x * tc11 + y * tc21 + z * tc31 + tc41;
        const float ey = x * tc12 + y * tc22 + z * tc32 + tc42;
        const float ez = x * tc13 + y * tc23 + z * tc33 + tc43;
        if (!(ez > 1e-6f)) return false;   // the views keep the model in front of the camera
        s.sx[k] = double(pich1) * ex / ez + picw1;
        s.sy[k] = double(pich1) * ey / ez + pich1;
        s.iz[k] = 1.0 / ez;
    }
    return true;
}

// A unit direction uniformly within `cap` radians of the unit vector a.
void around(const double a[3], double cap, std::mt19937 &rng, double out[3]) {
    std::uniform_real_distribution<double> unit(0, 1);
    const double ct = 1 - unit(rng) * (1 - std::cos(cap)), st = std::sqrt(std::max(0.0, 1 - ct * ct));
    const double ph = 2 * 3.14159265358979 * unit(rng);
    // Two unit vectors across a.
    double u[3] = {std::fabs(a[0]) < 0.6 ? 0.0 : -a[1], std::fabs(a[0]) < 0.6 ? -a[2] : a[0],
                   std::fabs(a[0]) < 0.6 ? a[1] : 0.0};
    const double ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (double &c : u) c /= ul;
    const double v[3] = {a[1] * u[2] - a[2] * u[1], a[2] * u[0] - a[0] * u[2], a[0] * u[1] - a[1] * u[0]};
    for (int i = 0; i < 3; ++i) out[i] = a[i] * ct + (u[i] * std::cos(ph) + v[i] * std::sin(ph)) * st;
}

struct pixels {
    std::vector<int> tri;
    std::vector<double> iz;
};

// Paints `order` into p: the last triangle drawn over a pixel owns it.
void paint(const std::vector<int> &order, const std::vector<screen_tri> &s, const std::vector<char> &ok, pixels &p) {
    std::fill(p.tri.begin(), p.tri.end(), -1);
    for (int t : order)
        if (t >= 0 && t < int(ok.size()) && ok[t])
            fill(s[t], picw, pich, [&](int x, int y, double iz) {
                const size_t i = size_t(y) * picw + x;
                p.tri[i] = t, p.iz[i] = iz;
            });
}

// Whether triangle t is the nearest at (x, y) or at a pixel next to it.
bool near_winner(const std::vector<int> &deep, int x, int y, int t) {
    for (int j = std::max(0, y - 1); j <= std::min(pich - 1, y + 1); ++j)
        for (int i = std::max(0, x - 1); i <= std::min(picw - 1, x + 1); ++i)
            if (deep[size_t(j) * picw + i] == t) return true;
    return false;
}

}  // namespace

double visibility::mean() const {
    double sum = 0;
    int counted = 0;
    for (const view_error &v : views)
        if (v.covered >= least) sum += v.share(), ++counted;
    return counted ? sum / counted : 0.0;
}

double visibility::worst() const {
    double w = 0;
    for (const view_error &v : views)
        if (v.covered >= least) w = std::max(w, v.share());
    return w;
}

std::vector<visibility> measure_tables(const geometry_desc &g, const std::vector<const tables *> &sets,
                                       const view_plan &plan) {
    std::vector<visibility> r(sets.size());
    for (visibility &v : r) v.least = long(plan.w) * plan.h / 100;
    if (g.points.empty() || g.triangles.empty()) return r;
    float lo[3] = {g.points[0].x, g.points[0].y, g.points[0].z}, hi[3] = {lo[0], lo[1], lo[2]};
    for (const points_s &p : g.points) {
        const float v[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], v[a]), hi[a] = std::max(hi[a], v[a]);
    }
    const double c[3] = {(lo[0] + hi[0]) * 0.5, (lo[1] + hi[1]) * 0.5, (lo[2] + hi[2]) * 0.5};
    const double rad = 0.5 * std::sqrt(double(hi[0] - lo[0]) * (hi[0] - lo[0]) + double(hi[1] - lo[1]) * (hi[1] - lo[1]) +
                                       double(hi[2] - lo[2]) * (hi[2] - lo[2]));
    const float saved[7] = {camx, camy, camz, tarx, tary, tarz, focl};
    picround(plan.w, plan.h);
    focl = 1.93f;
    iminv = 1;
    Orientation = 1;
    // The distance at which the bounding sphere just fits the picture's height.
    const double fit = rad / std::sin(std::atan(1.0 / (focl * 1.5)));
    std::mt19937 rng(plan.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    const int n = int(g.triangles.size());
    std::vector<screen_tri> s(n);
    std::vector<char> ok(n);
    pixels deep{std::vector<int>(size_t(picw) * pich), std::vector<double>(size_t(picw) * pich)}, painted = deep;
    for (int k = 0; k < 32; ++k)
        for (int v = 0; v < plan.per_class;) {
            // Every class lies within 26 degrees of its direction.
            const double a[3] = {ddhvdir[k][0], ddhvdir[k][1], ddhvdir[k][2]};
            double d[3];
            around(a, 0.45, rng, d);
            const bool near = v % 2 == 0;
            const double dist = fit * (near ? 1.0 + 0.1 * unit(rng) : 1.5 + 0.5 * unit(rng));
            double off[3];
            for (double &o : off) o = unit(rng) - 0.5;
            tarx = float(c[0] + rad * 0.2 * off[0]);
            tary = float(c[1] + rad * 0.2 * off[1]);
            tarz = float(c[2] + rad * 0.2 * off[2]);
            camx = float(tarx + dist * d[0]);
            camy = float(tary + dist * d[1]);
            camz = float(tarz + dist * d[2]);
            if (whichddhv() != k) continue;
            ++v;
            calct();
            for (int t = 0; t < n; ++t) ok[t] = prepare(g, t, s[t]);
            std::fill(deep.tri.begin(), deep.tri.end(), -1);
            std::fill(deep.iz.begin(), deep.iz.end(), 0.0);
            for (int t = 0; t < n; ++t)
                if (ok[t])
                    fill(s[t], picw, pich, [&](int x, int y, double iz) {
                        const size_t p = size_t(y) * picw + x;
                        if (iz > deep.iz[p]) deep.iz[p] = iz, deep.tri[p] = t;
                    });
            for (size_t set = 0; set < sets.size(); ++set) {
                paint((*sets[set])[k], s, ok, painted);
                view_error e;
                e.cls = k;
                for (int y = 0; y < pich; ++y)
                    for (int x = 0; x < picw; ++x) {
                        const size_t p = size_t(y) * picw + x;
                        if (painted.tri[p] < 0 && deep.tri[p] < 0) continue;
                        ++e.covered;
                        // Larger 1/depth is nearer; a pixel left unpainted
                        // shows nothing where something is.
                        const int t = painted.tri[p];
                        if (t == deep.tri[p] || (t >= 0 && painted.iz[p] >= deep.iz[p] * (1 - kLevel))) continue;
                        if (t < 0 || !near_winner(deep.tri, x, y, t)) ++e.differing;
                    }
                r[set].views.push_back(e);
                r[set].differing += e.differing, r[set].covered += e.covered;
            }
        }
    camx = saved[0], camy = saved[1], camz = saved[2], tarx = saved[3], tary = saved[4], tarz = saved[5];
    focl = saved[6];
    return r;
}

visibility measure_visibility(const geometry_desc &g, const view_plan &plan) {
    return measure_tables(g, {&g.ddh}, plan)[0];
}

void merge(geometry_desc &a, const geometry_desc &b) {
    const int base = static_cast<int>(a.points.size());
    a.points.insert(a.points.end(), b.points.begin(), b.points.end());
    for (trianglef_s t : b.triangles) {
        t.pt1 += base, t.pt2 += base, t.pt3 += base;
        a.triangles.push_back(t);
    }
}

geometry_desc bar_links() {
    geometry_desc g;
    for (int l = 0; l < 3; ++l) {
        const float cx = l * 2.6f;
        const bool upright = l & 1;
        const float s = upright ? 0 : 1.5f, u = upright ? 1.5f : 0;
        merge(g, make_box(1, 1, cx, -s, -u, 1.8f, 0.2f, 0.2f));
        merge(g, make_box(1, 1, cx, s, u, 1.8f, 0.2f, 0.2f));
        merge(g, make_box(1, 1, cx - 1.6f, 0, 0, 0.2f, upright ? 0.2f : 1.3f, upright ? 1.3f : 0.2f));
        merge(g, make_box(1, 1, cx + 1.6f, 0, 0, 0.2f, upright ? 0.2f : 1.3f, upright ? 1.3f : 0.2f));
    }
    return g;
}

geometry_desc table_on_slab() {
    geometry_desc g = make_box(1, 1, 0, 0, 1, 2, 1, 0.1f);
    for (int i = 0; i < 4; ++i)
        merge(g, make_box(1, 1, (i & 1) ? 1.8f : -1.8f, (i & 2) ? 0.8f : -0.8f, 0.45f, 0.1f, 0.1f, 0.45f));
    merge(g, make_box(1, 1, 0, 0, -0.05f, 3, 2, 0.05f));
    return g;
}

}  // namespace vortella::test
