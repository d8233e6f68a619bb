#include "authoring/ddh.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <thread>

#include "pipeline/pipeline.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

// One direction's table, for the unit direction d from the model toward the
// camera, in five steps:
// 1. The plain sort: farthest centre first.
// 2. The check's views: a few cameras of the class drawn with a depth
//    buffer, counting for each pair the pixels where one hides the other.
// 3. The pair judgement: every pair that some camera of the class may see
//    overlapping is judged by plane-side tests and by an exact test of the
//    directions from one triangle to the other. A pair with one right order
//    for every such camera that the sort has the other way round is a
//    repair; a pair whose right order changes within the class (the two
//    pierce each other, or each hides the other from some camera) keeps
//    the sort's order.
// 4. The repairs are made, most pixels at stake first, each only where it
//    closes no cycle and turns round no pair that may overlap unjudged.
// 5. The check: the table is kept only if no view of the check shows more
//    pixels wrong than the sort does; otherwise the sort is the table.

// How far a line of sight of a direction class may turn away from the
// class's direction: up to 23 degrees to the edge of the class plus up to
// 20 degrees across a model that fills the view (the camera at least three
// model radii from the model's centre, aimed near it), 45 degrees with some
// room.
constexpr double kTilt = 1.0;      // tan 45 degrees
constexpr double kCos = 0.7071;    // cos 45 degrees
constexpr double kSin = 0.7071;    // sin 45 degrees
// A triangle whose unit normal points more than this far from the class
// direction (n . d below -kBack, sin 45 degrees) faces away from every such
// line of sight; its pairs are not ordered.
constexpr double kBack = 0.7071;
// How far apart in depth, in mean depth extents of a triangle, two
// triangles are judged as a pair; pairs farther apart are only checked when
// a repair would turn them round.
constexpr double kReach = 1.0;
// A triangle whose screen box would cover more grid cells than this is
// tested against the others one by one instead of being entered cell by cell.
constexpr long kBigCells = 256;

struct tri {
    double p[3][3];
    double n[3];   // unit face normal by the right-hand rule, 0 when degenerate
    double c;      // plane constant n . p1
    int at[3];     // corners by place: equal numbers for equal positions
    bool flat;     // no area: never ordered against others
    bool drawn;    // the renderer can draw it from somewhere
};

// Triangles in double precision with their planes; `eps` is the distance
// below which a point counts as on a plane.
struct prepared {
    std::vector<tri> t;
    double eps = 0;
    double centre[3] = {0, 0, 0}, radius = 0;   // of the bounding box
};

bool samepoint(const points_s &a, const points_s &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

prepared prepare(const geometry_desc &g) {
    prepared pp;
    const int n = static_cast<int>(g.triangles.size());
    pp.t.resize(n);
    std::map<std::array<float, 3>, int> places;
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (int i = 0; i < n; ++i) {
        const trianglef_s &s = g.triangles[i];
        const int idx[3] = {s.pt1, s.pt2, s.pt3};
        tri &t = pp.t[i];
        for (int v = 0; v < 3; ++v) {
            const points_s &p = g.points[idx[v]];
            t.p[v][0] = p.x, t.p[v][1] = p.y, t.p[v][2] = p.z;
            t.at[v] = places.emplace(std::array<float, 3>{p.x, p.y, p.z}, static_cast<int>(places.size())).first->second;
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], t.p[v][a]), hi[a] = std::max(hi[a], t.p[v][a]);
        }
        const double v0 = t.p[1][0] - t.p[0][0], v1 = t.p[1][1] - t.p[0][1], v2 = t.p[1][2] - t.p[0][2];
        const double w0 = t.p[2][0] - t.p[0][0], w1 = t.p[2][1] - t.p[0][1], w2 = t.p[2][2] - t.p[0][2];
        double nx = v1 * w2 - w1 * v2, ny = w0 * v2 - w2 * v0, nz = v0 * w1 - v1 * w0;
        const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        t.flat = !(len > 0);
        if (t.flat) nx = ny = nz = 0;
        else nx /= len, ny /= len, nz /= len;
        t.n[0] = nx, t.n[1] = ny, t.n[2] = nz;
        t.c = nx * t.p[0][0] + ny * t.p[0][1] + nz * t.p[0][2];
        // With two corners at the same place one edge vector is exactly zero,
        // so the renderer's cross product is zero and it skips the triangle
        // from every camera: such a triangle can be left out of every table.
        const points_s &a = g.points[s.pt1], &b = g.points[s.pt2], &c = g.points[s.pt3];
        t.drawn = !samepoint(a, b) && !samepoint(a, c);
    }
    double diag = 0;
    if (n > 0)
        for (int a = 0; a < 3; ++a) diag += (hi[a] - lo[a]) * (hi[a] - lo[a]);
    pp.eps = std::max(1e-6 * std::sqrt(diag), 1e-12);
    if (n > 0)
        for (int a = 0; a < 3; ++a) pp.centre[a] = (lo[a] + hi[a]) / 2;
    pp.radius = std::sqrt(diag) / 2;
    return pp;
}

enum side { ON, BEHIND, FRONT, MIXED };

// Where triangle b lies relative to the plane of triangle a.
side sideof(const tri &a, const tri &b, double eps) {
    bool front = false, back = false;
    for (const double *v : b.p) {
        const double s = a.n[0] * v[0] + a.n[1] * v[1] + a.n[2] * v[2] - a.c;
        if (s > eps) front = true;
        else if (s < -eps) back = true;
    }
    if (front && back) return MIXED;
    return front ? FRONT : back ? BEHIND : ON;
}

// Whether painting a before b, and b before a, is right for every camera
// that draws both. The renderer draws a triangle only when the camera is on
// its front side, so with both drawn: if a lies wholly behind b's plane, no
// line of sight meets a before b; if b lies wholly in front of a's plane, no
// line of sight meets b behind a. Neither test needs the camera's position.
void plane_orders(const tri &a, const tri &b, double eps, bool &ab, bool &ba) {
    const side a_of_b = sideof(b, a, eps);
    ab = ba = true;
    if (a_of_b == ON) return;
    const side b_of_a = sideof(a, b, eps);
    ab = a_of_b == BEHIND || b_of_a == FRONT || b_of_a == ON;
    ba = b_of_a == BEHIND || b_of_a == ON || a_of_b == FRONT;
}

// A triangle on the screen plane with the unit normals of its edges and
// its own extent along each.
struct flat2 {
    double x[3], y[3];
    double nx[3], ny[3], lo[3], hi[3];
};

flat2 make_flat2(const double x[3], const double y[3]) {
    flat2 f;
    for (int v = 0; v < 3; ++v) f.x[v] = x[v], f.y[v] = y[v];
    for (int e = 0; e < 3; ++e) {
        const int g = (e + 1) % 3;
        double nx = y[g] - y[e], ny = x[e] - x[g];
        const double len = std::sqrt(nx * nx + ny * ny);
        if (len > 0) nx /= len, ny /= len;
        else nx = ny = 0;   // a degenerate edge separates nothing
        f.nx[e] = nx, f.ny[e] = ny;
        f.lo[e] = 1e300, f.hi[e] = -1e300;
        for (int v = 0; v < 3; ++v) {
            const double p = x[v] * nx + y[v] * ny;
            f.lo[e] = std::min(f.lo[e], p), f.hi[e] = std::max(f.hi[e], p);
        }
    }
    return f;
}

// Whether two triangles on the screen plane lie more than `margin` apart
// along one of their edges' normals (separating axes).
bool apart(const flat2 &a, const flat2 &b, double margin) {
    for (int pass = 0; pass < 2; ++pass) {
        const flat2 &s = pass ? b : a, &o = pass ? a : b;
        for (int e = 0; e < 3; ++e) {
            if (s.nx[e] == 0 && s.ny[e] == 0) continue;
            double o0 = 1e300, o1 = -1e300;
            for (int v = 0; v < 3; ++v) {
                const double p = o.x[v] * s.nx[e] + o.y[v] * s.ny[e];
                o0 = std::min(o0, p), o1 = std::max(o1, p);
            }
            if (o0 > s.hi[e] + margin || s.lo[e] > o1 + margin) return true;
        }
    }
    return false;
}

// Whether two triangles meet along an edge that they run along in opposite
// directions, as neighbours on a surface with its front on one side do (or
// lie on the same three corners). Seen from where both face the camera
// such neighbours lie on opposite sides of their edge and never cover each
// other; parts that merely touch, or cross, along an edge may.
bool neighbours(const tri &a, const tri &b) {
    int in_b[3], shared = 0;
    for (int i = 0; i < 3; ++i) {
        in_b[i] = -1;
        for (int j = 0; j < 3; ++j)
            if (a.at[i] == b.at[j]) in_b[i] = j;
        shared += in_b[i] >= 0;
    }
    if (shared == 3) return true;
    if (shared != 2) return false;
    // The shared edge from a's corner i to its next corner: b must run it
    // the other way, from i's partner back to the first.
    for (int i = 0; i < 3; ++i) {
        const int k = (i + 1) % 3;
        if (in_b[i] >= 0 && in_b[k] >= 0) return (in_b[k] + 1) % 3 == in_b[i];
    }
    return false;
}

// Whether some line of sight within the tilt cone around d (cosine `cosmax`)
// sees the front of both triangles: the cone must meet the lune where both
// planes face the viewer.
bool covisible(const tri &a, const tri &b, const double d[3], double cosmax) {
    const double ad = a.n[0] * d[0] + a.n[1] * d[1] + a.n[2] * d[2];
    const double bd = b.n[0] * d[0] + b.n[1] * d[1] + b.n[2] * d[2];
    if (ad > 0 && bd > 0) return true;
    const double sinmax = std::sqrt(std::max(0.0, 1 - cosmax * cosmax));
    // Nearest point of one boundary circle, if it lies on the other's front.
    for (int pass = 0; pass < 2; ++pass) {
        const tri &p = pass ? b : a, &q = pass ? a : b;
        const double pd = pass ? bd : ad, qd = pass ? ad : bd;
        if (pd > 0 || -pd >= sinmax) continue;
        // d - (p.n . d) p.n, its dot with q.n
        const double qn = q.n[0] * p.n[0] + q.n[1] * p.n[1] + q.n[2] * p.n[2];
        if (qd - pd * qn > 0) return true;
    }
    // The lune's corners.
    double c[3] = {a.n[1] * b.n[2] - a.n[2] * b.n[1], a.n[2] * b.n[0] - a.n[0] * b.n[2], a.n[0] * b.n[1] - a.n[1] * b.n[0]};
    const double l = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    // Parallel planes: facing the same way both are seen wherever one is;
    // facing opposite ways never both.
    if (!(l > 0)) return a.n[0] * b.n[0] + a.n[1] * b.n[1] + a.n[2] * b.n[2] > 0 && ad > -sinmax;
    return std::fabs(c[0] * d[0] + c[1] * d[1] + c[2] * d[2]) / l > cosmax;
}

// Whether lines of sight within the tilt cone around the unit direction d
// (sine `sinmax`) can meet both triangles: one from a point of a to a point
// of b turned less than the tilt from d (b nearer the camera on it) sets
// *fwd, one turned less than the tilt from -d (a nearer) sets *bwd; either
// may be left out. The directions from a to b fill the cone spanned by the
// nine differences of corners; its nearest direction to d lies on a ray or
// a face spanned by one or two of them, unless d lies inside it.
void reaches(const tri &a, const tri &b, const double d[3], double sinmax, bool *fwd, bool *bwd) {
    double g[9][3], r[9] = {};
    int m = 0;
    for (const double *q : b.p)
        for (const double *p : a.p) {
            const double x = q[0] - p[0], y = q[1] - p[1], z = q[2] - p[2];
            const double l = std::sqrt(x * x + y * y + z * z);
            if (!(l > 0)) continue;   // a shared corner spans no direction
            g[m][0] = x / l, g[m][1] = y / l, g[m][2] = z / l;
            r[m] = g[m][0] * d[0] + g[m][1] * d[1] + g[m][2] * d[2];
            ++m;
        }
    const double far2 = sinmax * sinmax;
    for (int pass = 0; pass < 2; ++pass) {
        if (!(pass ? bwd : fwd)) continue;
        const double sgn = pass ? -1.0 : 1.0;   // toward -d on the second pass
        double best = 1, near[3] = {0, 0, 0};   // squared distance to the nearest point so far
        for (int k = 0; k < m; ++k) {
            const double t = sgn * r[k];
            if (t > 0 && 1 - t * t < best) best = 1 - t * t, near[0] = t * g[k][0], near[1] = t * g[k][1], near[2] = t * g[k][2];
        }
        for (int k = 0; k < m && best > far2; ++k)
            for (int l = k + 1; l < m; ++l) {
                const double c = g[k][0] * g[l][0] + g[k][1] * g[l][1] + g[k][2] * g[l][2];
                const double det = 1 - c * c;
                if (!(det > 1e-12)) continue;
                const double rk = sgn * r[k], rl = sgn * r[l];
                const double s = (rk - c * rl) / det, t = (rl - c * rk) / det;
                if (!(s > 0 && t > 0)) continue;
                const double dist = 1 - (s * rk + t * rl);
                if (dist < best) {
                    best = dist;
                    for (int i = 0; i < 3; ++i) near[i] = s * g[k][i] + t * g[l][i];
                }
            }
        bool hit = best <= far2;
        if (!hit) {
            // d (or -d) inside the cone: no plane through the nearest point
            // keeps every direction on its far side.
            const double n[3] = {sgn * d[0] - near[0], sgn * d[1] - near[1], sgn * d[2] - near[2]};
            for (int k = 0; k < m && !hit; ++k) hit = g[k][0] * n[0] + g[k][1] * n[1] + g[k][2] * n[2] > 1e-9;
        }
        *(pass ? bwd : fwd) = hit;
    }
}

struct box {
    double x0, y0, x1, y1;
};

// Screen axes u and v across the unit direction d.
void screen_axes(const double d[3], double u[3], double v[3]) {
    const double a[3] = {std::fabs(d[0]) < 0.6 ? 1.0 : 0.0, std::fabs(d[0]) < 0.6 ? 0.0 : 1.0, 0.0};
    u[0] = a[1] * d[2] - a[2] * d[1], u[1] = a[2] * d[0] - a[0] * d[2], u[2] = a[0] * d[1] - a[1] * d[0];
    const double l = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    u[0] /= l, u[1] /= l, u[2] /= l;
    v[0] = d[1] * u[2] - d[2] * u[1], v[1] = d[2] * u[0] - d[0] * u[2], v[2] = d[0] * u[1] - d[1] * u[0];
}

// The check of a table: a few views of the class, near enough for the
// model to fill the picture, drawn in the table's order and in the sort's
// against a depth buffer, on a small picture.
constexpr int kCheckW = 128, kCheckH = 96;
// Half the picture's height seen from the camera: about the renderer's.
constexpr double kHalfView = 0.345;   // tan 19 degrees
// Views: the class's direction and six turned 15 degrees from it, all
// within the class.
constexpr int kCheckViews = 7;
constexpr double kCheckTurn = 0.27;   // tan 15 degrees
// A pixel is wrong where the triangle painted there lies farther than the
// nearest by more than this share of the depth.
constexpr double kLevel = 1e-4;

// A triangle on the check picture: pixel places and 1 / depth per corner.
struct shot {
    double x[3], y[3], iz[3];
};

// Calls plot(pixel, 1 / depth) for the pixels whose centres lie inside s.
template <class F>
void fill_shot(const shot &s, F plot) {
    const double area = (s.x[1] - s.x[0]) * (s.y[2] - s.y[0]) - (s.x[2] - s.x[0]) * (s.y[1] - s.y[0]);
    if (area == 0) return;
    const int x0 = std::max(0, ftoi(std::floor(std::min({s.x[0], s.x[1], s.x[2]}))));
    const int x1 = std::min(kCheckW - 1, ftoi(std::ceil(std::max({s.x[0], s.x[1], s.x[2]}))));
    const int y0 = std::max(0, ftoi(std::floor(std::min({s.y[0], s.y[1], s.y[2]}))));
    const int y1 = std::min(kCheckH - 1, ftoi(std::ceil(std::max({s.y[0], s.y[1], s.y[2]}))));
    // The weight of corner k at (px, py) is a[k] px + b[k] py + c[k].
    double a[3], b[3], c[3];
    for (int k = 0; k < 3; ++k) {
        const int i = (k + 1) % 3, j = (k + 2) % 3;
        a[k] = (s.y[i] - s.y[j]) / area, b[k] = (s.x[j] - s.x[i]) / area;
        c[k] = -(a[k] * s.x[i] + b[k] * s.y[i]);
    }
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5;
        const double r0 = b[0] * py + c[0], r1 = b[1] * py + c[1], r2 = b[2] * py + c[2];
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5;
            const double e0 = a[0] * px + r0, e1 = a[1] * px + r1, e2 = a[2] * px + r2;
            if (e0 < 0 || e1 < 0 || e2 < 0) continue;
            plot(y * kCheckW + x, e0 * s.iz[0] + e1 * s.iz[1] + e2 * s.iz[2]);
        }
    }
}

// The views of the check, drawn with a depth buffer, and the pixels at
// stake for each pair: where one triangle is the nearest and the other,
// farther, covers the pixel too.
struct samples {
    struct view {
        std::vector<char> seen;   // drawn: facing the camera, in front of it
        std::vector<shot> s;
        std::vector<int> deep;    // the nearest triangle at each pixel, -1 none
        std::vector<double> zbuf;
    };
    std::vector<view> views;
    std::vector<std::pair<uint64_t, int>> stake;   // (first << 32 | then, pixels), sorted

    // Pixels where `then` is the nearest and `first` lies behind it.
    int pixels(int first, int then) const {
        const uint64_t key = uint64_t(uint32_t(first)) << 32 | uint32_t(then);
        auto it = std::lower_bound(stake.begin(), stake.end(), std::make_pair(key, 0));
        return it != stake.end() && it->first == key ? it->second : 0;
    }
};

samples take_samples(const prepared &pp, const double d[3]) {
    samples sm;
    const int n = static_cast<int>(pp.t.size());
    if (n == 0 || !(pp.radius > 0)) return sm;
    double u[3], v[3];
    screen_axes(d, u, v);
    const double dist = pp.radius * std::sqrt(1 + 1 / (kHalfView * kHalfView));   // the model just fits
    const double focal = kCheckH / 2 / kHalfView;
    std::vector<uint64_t> behind;
    sm.views.resize(kCheckViews);
    for (int k = 0; k < kCheckViews; ++k) {
        samples::view &vw = sm.views[k];
        vw.seen.resize(n), vw.s.resize(n);
        // The camera's direction: d, then d turned a sixth of a turn further
        // round it a view.
        double c[3];
        const double a = 3.14159265358979 * (k - 1) / 3, t = k == 0 ? 0.0 : kCheckTurn;
        for (int i = 0; i < 3; ++i) c[i] = d[i] + t * (std::cos(a) * u[i] + std::sin(a) * v[i]);
        const double cl = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        double cam[3], f[3], r[3], up[3];
        for (int i = 0; i < 3; ++i) f[i] = -c[i] / cl, cam[i] = pp.centre[i] - dist * f[i];
        screen_axes(f, r, up);
        for (int i = 0; i < n; ++i) {
            const tri &tr = pp.t[i];
            char seen = !tr.flat && tr.drawn && tr.n[0] * cam[0] + tr.n[1] * cam[1] + tr.n[2] * cam[2] > tr.c;
            for (int j = 0; j < 3 && seen; ++j) {
                const double q[3] = {tr.p[j][0] - cam[0], tr.p[j][1] - cam[1], tr.p[j][2] - cam[2]};
                const double z = q[0] * f[0] + q[1] * f[1] + q[2] * f[2];
                seen = z > 1e-9 * dist;
                vw.s[i].x[j] = kCheckW / 2.0 + focal * (q[0] * r[0] + q[1] * r[1] + q[2] * r[2]) / z;
                vw.s[i].y[j] = kCheckH / 2.0 - focal * (q[0] * up[0] + q[1] * up[1] + q[2] * up[2]) / z;
                vw.s[i].iz[j] = 1 / z;
            }
            vw.seen[i] = seen;
        }
        vw.deep.assign(kCheckW * kCheckH, -1);
        vw.zbuf.assign(kCheckW * kCheckH, 0.0);
        for (int i = 0; i < n; ++i)
            if (vw.seen[i])
                fill_shot(vw.s[i], [&](int px, double iz) {
                    if (iz > vw.zbuf[px]) vw.zbuf[px] = iz, vw.deep[px] = i;
                });
        for (int i = 0; i < n; ++i)
            if (vw.seen[i])
                fill_shot(vw.s[i], [&](int px, double iz) {
                    if (vw.deep[px] != i && iz < vw.zbuf[px] * (1 - kLevel))
                        behind.push_back(uint64_t(uint32_t(i)) << 32 | uint32_t(vw.deep[px]));
                });
    }
    std::sort(behind.begin(), behind.end());
    for (size_t i = 0; i < behind.size();) {
        size_t j = i;
        while (j < behind.size() && behind[j] == behind[i]) ++j;
        sm.stake.emplace_back(behind[i], static_cast<int>(j - i));
        i = j;
    }
    return sm;
}

// Whether `table` shows no view of the check more pixels wrong than
// `plain`.
bool no_worse(const samples &sm, const std::vector<int> &table, const std::vector<int> &plain) {
    std::vector<int> painted(kCheckW * kCheckH);
    std::vector<double> pz(kCheckW * kCheckH);
    for (const samples::view &vw : sm.views) {
        long wrong[2] = {0, 0};
        for (int pass = 0; pass < 2; ++pass) {
            std::fill(painted.begin(), painted.end(), -1);
            for (int i : pass ? plain : table)
                if (vw.seen[i]) fill_shot(vw.s[i], [&](int px, double iz) { painted[px] = i, pz[px] = iz; });
            for (int px = 0; px < kCheckW * kCheckH; ++px)
                if (painted[px] != vw.deep[px] && (painted[px] < 0 || pz[px] < vw.zbuf[px] * (1 - kLevel)))
                    ++wrong[pass];
        }
        if (wrong[0] > wrong[1]) return false;
    }
    return true;
}

// What one direction's table is built from: each triangle's depth range
// along d and its place in the plain sort, and, for the triangles a camera
// of the class may draw, their pictures on the plane across d.
struct direction {
    const prepared &pp;
    double d[3];
    std::vector<double> zlo, zhi, key;   // depth along d grows toward the camera
    std::vector<int> sorted;             // farthest first
    std::vector<int> rank;               // place of each triangle in `sorted`
    std::vector<int> cand;               // triangles that may be drawn
    std::vector<box> bx;                 // their screen boxes, widened by the tilt
    std::vector<box> tight;              // and as they are along d
    std::vector<flat2> pr;               // their pictures along d
    box all{1e300, 1e300, -1e300, -1e300};
    double sizes = 0;                    // sum of the widened boxes' larger sides
    double reach = 0;                    // depth gap a repair may cross
    const samples *sampled = nullptr;    // views of the class with the pixels at stake
    direction(const prepared &p, const double dir[3]) : pp(p), d{dir[0], dir[1], dir[2]} {}
};

// Depth ranges along d and the sort by centre depth, ties by the nearest
// corner, then by number.
void sort_by_depth(direction &w) {
    const int n = static_cast<int>(w.pp.t.size());
    w.zlo.resize(n), w.zhi.resize(n), w.key.resize(n);
    for (int i = 0; i < n; ++i) {
        const tri &t = w.pp.t[i];
        double z[3];
        for (int v = 0; v < 3; ++v) z[v] = t.p[v][0] * w.d[0] + t.p[v][1] * w.d[1] + t.p[v][2] * w.d[2];
        w.zlo[i] = std::min({z[0], z[1], z[2]});
        w.zhi[i] = std::max({z[0], z[1], z[2]});
        w.key[i] = z[0] + z[1] + z[2];
    }
    w.sorted.resize(n);
    std::iota(w.sorted.begin(), w.sorted.end(), 0);
    std::sort(w.sorted.begin(), w.sorted.end(), [&](int p, int q) {
        if (w.key[p] != w.key[q]) return w.key[p] < w.key[q];
        if (w.zhi[p] != w.zhi[q]) return w.zhi[p] < w.zhi[q];
        return p < q;
    });
    w.rank.resize(n);
    for (int r = 0; r < n; ++r) w.rank[w.sorted[r]] = r;
}

// The candidates with their pictures and widened boxes. A camera of the
// class sees the model along lines turned up to 45 degrees away from d; two
// points on one such line lie at most kTilt times their depth difference
// apart on the plane across d, so boxes widened by kTilt times the depth a
// triangle spans catch every pair that can overlap on the screen.
void place_on_screen(direction &w) {
    const int n = static_cast<int>(w.pp.t.size());
    const double *d = w.d;
    double u[3], v[3];
    screen_axes(d, u, v);
    w.bx.resize(n);
    w.tight.resize(n);
    w.pr.resize(n);
    double extents = 0;
    for (int i = 0; i < n; ++i) {
        const tri &t = w.pp.t[i];
        if (t.flat || !t.drawn || t.n[0] * d[0] + t.n[1] * d[1] + t.n[2] * d[2] < -kBack) continue;
        w.cand.push_back(i);
        extents += w.zhi[i] - w.zlo[i];
    }
    w.reach = w.cand.empty() ? 0.0 : kReach * extents / double(w.cand.size());
    for (int i : w.cand) {
        const tri &t = w.pp.t[i];
        box b{1e300, 1e300, -1e300, -1e300};
        double px[3], py[3];
        for (int k = 0; k < 3; ++k) {
            const double *p = t.p[k];
            const double x = p[0] * u[0] + p[1] * u[1] + p[2] * u[2], y = p[0] * v[0] + p[1] * v[1] + p[2] * v[2];
            px[k] = x, py[k] = y;
            b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x), b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
        }
        w.pr[i] = make_flat2(px, py);
        w.tight[i] = b;
        // Two triangles that a repair may move past each other lie at most
        // their extents and the reach apart in depth.
        const double grow = kTilt * (w.zhi[i] - w.zlo[i] + w.reach / 2) + w.pp.eps;
        b.x0 -= grow, b.y0 -= grow, b.x1 += grow, b.y1 += grow;
        w.bx[i] = b;
        w.all.x0 = std::min(w.all.x0, b.x0), w.all.y0 = std::min(w.all.y0, b.y0);
        w.all.x1 = std::max(w.all.x1, b.x1), w.all.y1 = std::max(w.all.y1, b.y1);
        w.sizes += std::max(b.x1 - b.x0, b.y1 - b.y0);
    }
}

// Area of the intersection of two triangles on the screen plane: the
// pixels at stake when their order is wrong, for the class's own direction.
double overlap_area(const flat2 &a, const flat2 &b) {
    double px[9], py[9], qx[9], qy[9];
    int n = 3;
    for (int v = 0; v < 3; ++v) px[v] = a.x[v], py[v] = a.y[v];
    const double turn = (b.x[1] - b.x[0]) * (b.y[2] - b.y[0]) - (b.y[1] - b.y[0]) * (b.x[2] - b.x[0]);
    if (turn == 0) return 0;
    // Clip a's polygon by each edge of b, keeping b's inside.
    for (int e = 0; e < 3 && n > 0; ++e) {
        const int f = (e + 1) % 3;
        const double ex = b.x[f] - b.x[e], ey = b.y[f] - b.y[e];
        auto inside = [&](double x, double y) { return (ex * (y - b.y[e]) - ey * (x - b.x[e])) * turn; };
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const double si = inside(px[i], py[i]), sj = inside(px[j], py[j]);
            if (si >= 0) qx[m] = px[i], qy[m] = py[i], ++m;
            if ((si >= 0) != (sj >= 0)) {
                const double t = si / (si - sj);
                qx[m] = px[i] + t * (px[j] - px[i]), qy[m] = py[i] + t * (py[j] - py[i]), ++m;
            }
        }
        n = m;
        for (int i = 0; i < n; ++i) px[i] = qx[i], py[i] = qy[i];
    }
    double area = 0;
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        area += px[i] * py[j] - px[j] * py[i];
    }
    return std::fabs(area) / 2;
}

double area_of(const flat2 &a) {
    return std::fabs((a.x[1] - a.x[0]) * (a.y[2] - a.y[0]) - (a.y[1] - a.y[0]) * (a.x[2] - a.x[0])) / 2;
}

// The pair orders of one direction. Every pair that some camera of the
// class may see both of, overlapping, is judged once. Where the tests name
// the right order and the sort has it the other way round, the pair is a
// repair (`fix`, with the pixels at stake). Where the sort has the right
// order, the pair keeps it (`keep`), unless the check's views never show
// the two overlapping: then it is a `fix` in the sort's order with less
// than a pixel at stake, which a repair with pixels at stake may overrule.
// Pairs the tests cannot decide keep the sort's order.
struct pair_orders {
    struct fix {
        int from, to;   // paint `from` before `to`
        double stake;
    };
    std::vector<std::pair<int, int>> keep;   // earlier, later in the sort
    std::vector<fix> fixes;
};

void judge_pair(const direction &w, int a, int b, pair_orders &o) {
    const box &p = w.bx[a], &q = w.bx[b];
    if (p.x1 < q.x0 || q.x1 < p.x0 || p.y1 < q.y0 || q.y1 < p.y0) return;
    if (w.rank[b] < w.rank[a]) std::swap(a, b);   // a is the earlier in the sort
    // More than the reach apart in depth: the painting order keeps them as
    // the sort has them, farther first, which is right wherever they meet.
    if (w.zlo[b] - w.zhi[a] > w.reach) return;
    const double eps = w.pp.eps;
    const tri &ta = w.pp.t[a], &tb = w.pp.t[b];
    // Seen along a line of sight turned from d, a point moves across the
    // screen by up to kTilt times its depth, so two points move apart by at
    // most kTilt times their depth difference.
    const double deep = std::max(w.zhi[a], w.zhi[b]) - std::min(w.zlo[a], w.zlo[b]);
    const double margin = kTilt * deep + eps;
    const box &ra = w.tight[a], &rb = w.tight[b];
    if (ra.x1 + margin < rb.x0 || rb.x1 + margin < ra.x0 || ra.y1 + margin < rb.y0 || rb.y1 + margin < ra.y0) return;
    if (neighbours(ta, tb) || !covisible(ta, tb, w.d, kCos)) return;
    // The planes first: they settle most pairs. Both orders right: they
    // never hide each other.
    bool pab, pba;
    plane_orders(ta, tb, eps, pab, pba);
    if (pab && pba) return;
    if (apart(w.pr[a], w.pr[b], margin)) return;
    // Then the exact test, for whichever of the two some line of sight of
    // the class might see in front of the other against the planes' word:
    // one wholly farther along d never is.
    bool afront = false, bfront = false;
    const bool apart_in_depth = w.zhi[a] < w.zlo[b] - eps;
    reaches(ta, tb, w.d, kSin, pba ? nullptr : &bfront, pab || apart_in_depth ? nullptr : &afront);
    // Painting a first is right where a is never seen in front of b, or
    // where the planes say so for every camera that draws both.
    const bool ab = !afront || pab, ba = !bfront || pba;
    if (ab && ba) return;
    // Pixels at stake: those counted in the check's views, and then, less
    // than half a pixel, the overlap seen along d and a little of the
    // smaller triangle for pairs that meet only off the class's centre.
    const double r2 = w.pp.radius * w.pp.radius;
    auto stake = [&](int first, int then) {
        const double seen = overlap_area(w.pr[a], w.pr[b]) + 0.01 * std::min(area_of(w.pr[a]), area_of(w.pr[b]));
        return w.sampled->pixels(first, then) + 0.5 * std::min(1.0, seen / r2);
    };
    if (ba) {
        o.fixes.push_back({b, a, stake(b, a)});
        return;
    }
    if (ab && w.sampled->pixels(a, b) == 0) {
        // The sort's order, right but never seen to matter: between the
        // repairs with pixels at stake and those without.
        o.fixes.push_back({a, b, 0.5 + 0.5 * std::min(1.0, std::min(area_of(w.pr[a]), area_of(w.pr[b])) / r2)});
        return;
    }
    o.keep.emplace_back(a, b);
}

// Calls f(a, b) once for every pair of candidates whose widened boxes may
// meet and whose depth ranges lie within the reach of each other: through a
// uniform grid over the boxes and the depth ranges (each stretched by the
// reach toward the camera), cells about the size of an average box and
// range, at most about 8m cells for m candidates. Boxes that would cover
// more than kBigCells cells are paired with every candidate instead.
template <class F>
void near_pairs(const direction &w, F f) {
    const int n = static_cast<int>(w.pp.t.size());
    const int m = static_cast<int>(w.cand.size());
    if (m < 2) return;
    const box &all = w.all;
    double z0 = 1e300, z1 = -1e300, depths = 0;
    for (int i : w.cand) {
        z0 = std::min(z0, w.zlo[i]), z1 = std::max(z1, w.zhi[i] + w.reach);
        depths += w.zhi[i] - w.zlo[i] + w.reach;
    }
    const double ex = std::max(all.x1 - all.x0, 1e-300), ey = std::max(all.y1 - all.y0, 1e-300);
    const double ez = std::max(z1 - z0, 1e-300);
    const double avg = std::max(w.sizes / m, 1e-300), avgz = std::max(depths / m, 1e-300);
    // Cells per side as wanted, then all scaled down alike to the limit.
    double want[3] = {std::max(1.0, ex / avg), std::max(1.0, ey / avg), std::max(1.0, ez / avgz)};
    const double over = want[0] * want[1] * want[2] / (8.0 * m);
    if (over > 1)
        for (double &c : want) c = std::max(1.0, c / std::cbrt(over));
    const long gx = std::clamp(static_cast<long>(ftoi(want[0])), 1L, static_cast<long>(8 * m));
    const long gy = std::clamp(static_cast<long>(ftoi(want[1])), 1L, static_cast<long>(8 * m));
    const long gz = std::clamp(static_cast<long>(ftoi(want[2])), 1L, static_cast<long>(8 * m));
    auto cell = [](double v, double lo, double extent, long g) {
        return std::clamp(static_cast<long>(ftoi((v - lo) / extent * double(g))), 0L, g - 1);
    };
    struct span {
        long x0, y0, z0, x1, y1, z1;
    };
    std::vector<span> c(n);
    std::vector<int> big;
    std::vector<char> isbig(n, 0);
    std::vector<size_t> start(size_t(gx) * gy * gz + 1, 0);
    auto each_cell = [&](const span &s, auto g) {
        for (long z = s.z0; z <= s.z1; ++z)
            for (long y = s.y0; y <= s.y1; ++y)
                for (long x = s.x0; x <= s.x1; ++x) g((size_t(z) * gy + y) * gx + x);
    };
    for (int i : w.cand) {
        const box &b = w.bx[i];
        span &s = c[i];
        s = {cell(b.x0, all.x0, ex, gx), cell(b.y0, all.y0, ey, gy), cell(w.zlo[i], z0, ez, gz),
             cell(b.x1, all.x0, ex, gx), cell(b.y1, all.y0, ey, gy), cell(w.zhi[i] + w.reach, z0, ez, gz)};
        if ((s.x1 - s.x0 + 1) * (s.y1 - s.y0 + 1) * (s.z1 - s.z0 + 1) > kBigCells) {
            big.push_back(i), isbig[i] = 1;
            continue;
        }
        each_cell(s, [&](size_t k) { ++start[k + 1]; });
    }
    for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
    // Each entry with the first cell of its box, to report each pair once:
    // in the first cell both boxes share.
    struct entry {
        int id;
        int x0, y0, z0;
    };
    std::vector<entry> cells(start.back());
    std::vector<size_t> fill(start.begin(), start.end() - 1);
    for (int i : w.cand)
        if (!isbig[i]) {
            const entry e{i, static_cast<int>(c[i].x0), static_cast<int>(c[i].y0), static_cast<int>(c[i].z0)};
            each_cell(c[i], [&](size_t k) { cells[fill[k]++] = e; });
        }
    for (long z = 0; z < gz; ++z)
        for (long y = 0; y < gy; ++y)
            for (long x = 0; x < gx; ++x) {
                const size_t k = (size_t(z) * gy + y) * gx + x;
                for (size_t p = start[k]; p < start[k + 1]; ++p) {
                    const entry ep = cells[p];
                    const box &bp = w.bx[ep.id];
                    for (size_t q = p + 1; q < start[k + 1]; ++q) {
                        const entry &eq = cells[q];
                        if (std::max(ep.x0, eq.x0) != x || std::max(ep.y0, eq.y0) != y || std::max(ep.z0, eq.z0) != z)
                            continue;
                        const box &bq = w.bx[eq.id];
                        if (bp.x1 < bq.x0 || bq.x1 < bp.x0 || bp.y1 < bq.y0 || bq.y1 < bp.y0) continue;
                        f(ep.id, eq.id);
                    }
                }
            }
    for (size_t p = 0; p < big.size(); ++p) {
        for (int b : w.cand)
            if (!isbig[b]) f(big[p], b);
        for (size_t q = p + 1; q < big.size(); ++q) f(big[p], big[q]);
    }
}

// How many triangles the search for a cycle through one repair may visit;
// a repair whose search goes beyond is left out, as the sort has the pair.
constexpr int kSearch = 4096;

// Successor lists by triangle, each successor with the number of its edge.
struct adjacency {
    std::vector<int> head, to, id;
    template <class Edges, class Ends>
    adjacency(int n, const Edges &edges, Ends ends) : head(n + 1, 0), to(edges.size()), id(edges.size()) {
        for (const auto &e : edges) ++head[ends(e).first + 1];
        for (int i = 0; i < n; ++i) head[i + 1] += head[i];
        std::vector<int> pos(head.begin(), head.end() - 1);
        for (size_t k = 0; k < edges.size(); ++k) {
            const std::pair<int, int> e = ends(edges[k]);
            id[pos[e.first]] = static_cast<int>(k), to[pos[e.first]++] = e.second;
        }
    }
};

// Whether painting `first` before `then` may show a farther triangle over a
// nearer one for a pair the judgement did not look at: one more than the
// reach nearer than the other, painted first, where the two may overlap.
bool unjudged_fault(const direction &w, int first, int then) {
    if (w.zlo[first] - w.zhi[then] <= w.reach) return false;   // judged, or painted far to near
    const double margin = kTilt * (w.zhi[first] - w.zlo[then]) + w.pp.eps;
    const box &p = w.tight[first], &q = w.tight[then];
    if (p.x1 + margin < q.x0 || q.x1 + margin < p.x0 || p.y1 + margin < q.y0 || q.y1 + margin < p.y0) return false;
    return !apart(w.pr[first], w.pr[then], margin);
}

// How many pairs a repair may check for faults before it is left out.
constexpr long kChecks = 1L << 16;

// The painting order: the sort, with as many repairs made as possible,
// taken by pixels at stake, largest first, so that where repairs and kept
// orders form a cycle it is broken where the fewest pixels are at stake.
// A repair that runs against the order made so far moves one of two groups
// of triangles between its ends (as in Pearce and Kelly's dynamic
// topological sort): those that the one to paint later leads to, to just
// after the one to paint first, or else those that lead to the one to
// paint first, to just before the other. A repair is left out, and its
// pair stays as the sort has it, when it would close a cycle with the kept
// orders and the repairs made so far, or when either move would turn round
// a pair the judgement did not look at that may overlap. A kept pair is
// never turned round, so the sort's right orders stay right.
std::vector<int> repair(const direction &w, pair_orders &o) {
    const int n = static_cast<int>(w.sorted.size());
    std::sort(o.fixes.begin(), o.fixes.end(), [](const pair_orders::fix &p, const pair_orders::fix &q) {
        if (p.stake != q.stake) return p.stake > q.stake;
        return p.from != q.from ? p.from < q.from : p.to < q.to;
    });
    using edge = std::pair<int, int>;
    using fix = pair_orders::fix;
    const adjacency kf(n, o.keep, [](const edge &e) { return e; });
    const adjacency kb(n, o.keep, [](const edge &e) { return edge(e.second, e.first); });
    const adjacency ff(n, o.fixes, [](const fix &e) { return edge(e.from, e.to); });
    const adjacency fb(n, o.fixes, [](const fix &e) { return edge(e.to, e.from); });
    std::vector<char> made(o.fixes.size(), 0);   // repairs made so far
    std::vector<int> ord(w.rank), at(w.sorted);   // place of each triangle, triangle at each place
    std::vector<int> seen(n, -1), group, stack, span, suspects;   // group: marked in `seen`
    for (int f = 0; f < static_cast<int>(o.fixes.size()); ++f) {
        const int x = o.fixes[f].from, y = o.fixes[f].to;   // x must come before y
        if (ord[x] < ord[y]) {
            made[f] = 1;
            continue;
        }
        const int lo = ord[y], hi = ord[x];
        // The moves, each checked: `later` goes after x, or `earlier`
        // before y; the others between keep their order.
        bool done_move = false;
        for (int pass = 0; pass < 2 && !done_move; ++pass) {
            const bool forward = pass == 0;
            // The group: forward from y, or backward from x, within the
            // places between them. Meeting the other end closes a cycle.
            bool ok = true;
            const int stamp = 2 * f + pass;
            group.clear(), stack.assign(1, forward ? y : x), seen[forward ? y : x] = stamp;
            while (!stack.empty() && ok) {
                const int v = stack.back();
                stack.pop_back();
                group.push_back(v);
                if (static_cast<int>(group.size()) > kSearch) ok = false;
                auto go = [&](int u) {
                    if (u == (forward ? x : y)) ok = false;
                    else if (seen[u] != stamp && ord[u] > lo && ord[u] < hi) seen[u] = stamp, stack.push_back(u);
                };
                const adjacency &k = forward ? kf : kb, &r = forward ? ff : fb;
                for (int e = k.head[v]; e < k.head[v + 1]; ++e) go(k.to[e]);
                for (int e = r.head[v]; e < r.head[v + 1]; ++e)
                    if (made[r.id[e]]) go(r.to[e]);
            }
            if (!ok) {
                if (forward) break;   // a cycle, or too far to look
                continue;
            }
            // The new order of places lo..hi, and the pairs it turns round.
            span.clear();
            long checks = 0;
            bool risky = false;
            if (forward) {
                // The group moves after everything else up to x.
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] != stamp) span.push_back(at[p]);
                // Only a passed triangle more than the reach nearer than a
                // moved one can be at fault.
                double farthest = 1e300;
                for (int v : group) farthest = std::min(farthest, w.zhi[v]);
                suspects.clear();
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] != stamp && w.zlo[at[p]] - farthest > w.reach) suspects.push_back(at[p]);
                for (size_t i = 0; i < group.size() && !risky && !suspects.empty(); ++i)
                    for (size_t j = 0; j < suspects.size() && !risky; ++j)
                        if (ord[suspects[j]] > ord[group[i]])
                            risky = ++checks > kChecks || unjudged_fault(w, suspects[j], group[i]);
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] == stamp) span.push_back(at[p]);
            } else {
                // The group moves before everything else from y.
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] == stamp) span.push_back(at[p]);
                // Only a passed triangle more than the reach farther than a
                // moved one can be at fault.
                double nearest = -1e300;
                for (int v : group) nearest = std::max(nearest, w.zlo[v]);
                suspects.clear();
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] != stamp && nearest - w.zhi[at[p]] > w.reach) suspects.push_back(at[p]);
                for (size_t i = 0; i < group.size() && !risky && !suspects.empty(); ++i)
                    for (size_t j = 0; j < suspects.size() && !risky; ++j)
                        if (ord[suspects[j]] < ord[group[i]])
                            risky = ++checks > kChecks || unjudged_fault(w, group[i], suspects[j]);
                for (int p = lo; p <= hi; ++p)
                    if (seen[at[p]] != stamp) span.push_back(at[p]);
            }
            if (risky) continue;
            for (int p = lo; p <= hi; ++p) at[p] = span[p - lo], ord[at[p]] = p;
            done_move = true;
        }
        made[f] = done_move;
    }
    return at;
}

std::vector<int> order_one(const prepared &pp, const double d[3]) {
    direction w(pp, d);
    const samples sm = take_samples(pp, d);
    w.sampled = &sm;
    sort_by_depth(w);
    place_on_screen(w);
    pair_orders o;
    near_pairs(w, [&](int a, int b) { judge_pair(w, a, b, o); });
    std::vector<int> out = repair(w, o), plain = w.sorted;
    auto undrawn = [&](int i) { return !pp.t[i].drawn; };
    out.erase(std::remove_if(out.begin(), out.end(), undrawn), out.end());
    plain.erase(std::remove_if(plain.begin(), plain.end(), undrawn), plain.end());
    // A table that the check finds worse than the sort in any view is not
    // kept: the sort is.
    return no_worse(sm, out, plain) ? out : plain;
}

}  // namespace

std::vector<int> depth_order(const geometry_desc &g, double dx, double dy, double dz) {
    const double d[3] = {dx, dy, dz};
    return order_one(prepare(g), d);
}

void build_ddh(geometry_desc &g, int threads) {
    const prepared pp = prepare(g);
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min(threads, 32);
    std::atomic<int> nextdir{0};
    auto work = [&] {
        for (int k; (k = nextdir++) < 32;) {
            const double d[3] = {ddhvdir[k][0], ddhvdir[k][1], ddhvdir[k][2]};
            g.ddh[k] = order_one(pp, d);
        }
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i) pool.emplace_back(work);
    work();
    for (std::thread &t : pool) t.join();
}

void build_ddh_sorted(geometry_desc &g) {
    const int n = static_cast<int>(g.triangles.size());
    std::vector<double> centre(n), nearest(n);
    std::vector<int> order(n);
    for (int k = 0; k < 32; ++k) {
        const double dx = ddhvdir[k][0], dy = ddhvdir[k][1], dz = ddhvdir[k][2];
        for (int i = 0; i < n; ++i) {
            const trianglef_s &t = g.triangles[i];
            double d[3];
            const int pts[3] = {t.pt1, t.pt2, t.pt3};
            for (int v = 0; v < 3; ++v) {
                const points_s &p = g.points[pts[v]];
                d[v] = p.x * dx + p.y * dy + p.z * dz;
            }
            // Larger along the direction is nearer the camera.
            centre[i] = d[0] + d[1] + d[2];
            nearest[i] = std::max({d[0], d[1], d[2]});
        }
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int p, int q) {
            if (centre[p] != centre[q]) return centre[p] < centre[q];
            return nearest[p] < nearest[q];
        });
        g.ddh[k] = order;
    }
}

}  // namespace vortella
