#include "authoring/ddh.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <map>
#include <numeric>
#include <queue>
#include <thread>

#include "pipeline/pipeline.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

// How far a line of sight from a camera of a direction class may turn away
// from the class's direction: about 21 degrees to the edge of the class plus
// about 18 degrees across a model that fills the view (the camera at least
// three model radii away), 39 degrees in all.
constexpr double kTilt = 0.81;     // tan 39 degrees
constexpr double kCos = 0.777;     // cos 39 degrees
// A triangle whose unit normal points more than this far from the class
// direction (n . d below -kBack, sin 39 degrees) faces away from every such
// line of sight; its pairs are not ordered.
constexpr double kBack = 0.63;
// How many of the farthest waiting triangles a cycle break looks at. Few:
// the break should stay close to the sort.
constexpr int kCycleLook = 4;
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

// Whether painting a before b is right for every camera that draws both.
// The renderer draws a triangle only when the camera is on its front side,
// so with both drawn: if a lies wholly behind b's plane, no line of sight
// meets a before b; if b lies wholly in front of a's plane, no line of sight
// meets b behind a. Neither test needs the camera's position.
bool before(const tri &a, const tri &b, double eps) {
    const side ab = sideof(b, a, eps);
    if (ab == BEHIND || ab == ON) return true;
    const side ba = sideof(a, b, eps);
    return ba == FRONT || ba == ON;
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

// Whether two triangles share a corner. Two triangles that meet at a corner
// or along an edge and are both drawn (both facing the camera) do not cover
// each other near that corner unless the surface folds over there, and
// ordering such neighbours only ties the tables into knots.
int touch(const tri &a, const tri &b) {
    int n = 0;
    for (int p : a.at) n += (p == b.at[0]) + (p == b.at[1]) + (p == b.at[2]);
    return n;
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

struct box {
    double x0, y0, x1, y1;
};

// What one direction's table is built from: each triangle's depth range
// along d and its place in the plain sort, and, for the triangles a camera
// of the class may draw, their pictures on the plane across d.
struct direction {
    const prepared &pp;
    double d[3];
    std::vector<double> zlo, zhi, key;   // depth along d grows toward the camera
    std::vector<int> sorted;             // farthest first
    std::vector<int> cand;               // triangles that may be drawn
    std::vector<box> bx;                 // their screen boxes, widened by the tilt
    std::vector<flat2> pr;               // their pictures along d
    box all{1e300, 1e300, -1e300, -1e300};
    double sizes = 0;                    // sum of the widened boxes' larger sides
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
}

// Screen axes u and v across the unit direction d.
void screen_axes(const double d[3], double u[3], double v[3]) {
    const double a[3] = {std::fabs(d[0]) < 0.6 ? 1.0 : 0.0, std::fabs(d[0]) < 0.6 ? 0.0 : 1.0, 0.0};
    u[0] = a[1] * d[2] - a[2] * d[1], u[1] = a[2] * d[0] - a[0] * d[2], u[2] = a[0] * d[1] - a[1] * d[0];
    const double l = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    u[0] /= l, u[1] /= l, u[2] /= l;
    v[0] = d[1] * u[2] - d[2] * u[1], v[1] = d[2] * u[0] - d[0] * u[2], v[2] = d[0] * u[1] - d[1] * u[0];
}

// The candidates with their pictures and widened boxes. A camera of the
// class sees the model along lines turned up to 39 degrees away from d; that
// shears each triangle's picture by at most kTilt times its own depth extent
// against another triangle whose depth range it shares, so boxes widened by
// that much catch every pair that can overlap on the screen.
void place_on_screen(direction &w) {
    const int n = static_cast<int>(w.pp.t.size());
    const double *d = w.d;
    double u[3], v[3];
    screen_axes(d, u, v);
    w.bx.resize(n);
    w.pr.resize(n);
    for (int i = 0; i < n; ++i) {
        const tri &t = w.pp.t[i];
        if (t.flat || !t.drawn || t.n[0] * d[0] + t.n[1] * d[1] + t.n[2] * d[2] < -kBack) continue;
        box b{1e300, 1e300, -1e300, -1e300};
        double px[3], py[3];
        for (int k = 0; k < 3; ++k) {
            const double *p = t.p[k];
            const double x = p[0] * u[0] + p[1] * u[1] + p[2] * u[2], y = p[0] * v[0] + p[1] * v[1] + p[2] * v[2];
            px[k] = x, py[k] = y;
            b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x), b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
        }
        w.pr[i] = make_flat2(px, py);
        const double grow = kTilt * (w.zhi[i] - w.zlo[i]) + w.pp.eps;
        b.x0 -= grow, b.y0 -= grow, b.x1 += grow, b.y1 += grow;
        w.bx[i] = b;
        w.all.x0 = std::min(w.all.x0, b.x0), w.all.y0 = std::min(w.all.y0, b.y0);
        w.all.x1 = std::max(w.all.x1, b.x1), w.all.y1 = std::max(w.all.y1, b.y1);
        w.sizes += std::max(b.x1 - b.x0, b.y1 - b.y0);
        w.cand.push_back(i);
    }
}

// The pair order a and b must keep, as an edge from the earlier to the
// later, if some camera of the class sees both of them, overlapping.
void judge_pair(const direction &w, int a, int b, std::vector<std::pair<int, int>> &edges) {
    const box &p = w.bx[a], &q = w.bx[b];
    if (p.x1 < q.x0 || q.x1 < p.x0 || p.y1 < q.y0 || q.y1 < p.y0) return;
    const double eps = w.pp.eps;
    // Depth ranges apart: wherever the two meet on one line of sight, that
    // line runs within 90 degrees of d, so the one farther along d is the
    // farther there too. Such an edge agrees with the sort, so it only keeps
    // later repairs from moving one past the other.
    if (w.zhi[a] < w.zlo[b] - eps) {
        edges.emplace_back(a, b);
        return;
    }
    if (w.zhi[b] < w.zlo[a] - eps) {
        edges.emplace_back(b, a);
        return;
    }
    const tri &ta = w.pp.t[a], &tb = w.pp.t[b];
    if (!covisible(ta, tb, w.d, kCos)) return;
    const int shared = touch(ta, tb);
    if (shared >= 2) return;
    if (apart(w.pr[a], w.pr[b], shared ? -eps : kTilt * (w.zhi[a] - w.zlo[a] + w.zhi[b] - w.zlo[b]) + eps)) return;
    const bool ab = before(ta, tb, eps), ba = before(tb, ta, eps);
    if (ab && !ba) edges.emplace_back(a, b);
    else if (ba && !ab) edges.emplace_back(b, a);
    // Both orders right: they never hide each other. Neither: they pierce
    // or overlap cyclically; the sort decides.
}

// Calls f(a, b) once for every pair of candidates whose widened boxes may
// meet: through a uniform grid over the boxes, cells about the size of an
// average box, at most about 8m cells for m candidates. Boxes that would
// cover more than kBigCells cells are paired with every candidate instead.
template <class F>
void near_pairs(const direction &w, F f) {
    const int n = static_cast<int>(w.pp.t.size());
    const int m = static_cast<int>(w.cand.size());
    if (m < 2) return;
    const box &all = w.all;
    const double ex = std::max(all.x1 - all.x0, 1e-300), ey = std::max(all.y1 - all.y0, 1e-300);
    const double avg = std::max(w.sizes / m, 1e-300);
    const long gmax = std::max(1L, static_cast<long>(ftoi(std::sqrt(8.0 * m))));
    const long gx = std::clamp(static_cast<long>(ftoi(ex / avg)), 1L, gmax);
    const long gy = std::clamp(static_cast<long>(ftoi(ey / avg)), 1L, gmax);
    auto cellx = [&](double x) { return std::clamp(static_cast<long>(ftoi((x - all.x0) / ex * gx)), 0L, gx - 1); };
    auto celly = [&](double y) { return std::clamp(static_cast<long>(ftoi((y - all.y0) / ey * gy)), 0L, gy - 1); };
    std::vector<long> cx0(n), cy0(n), cx1(n), cy1(n);
    std::vector<int> big;
    std::vector<size_t> start(gx * gy + 1, 0);
    for (int i : w.cand) {
        const box &b = w.bx[i];
        cx0[i] = cellx(b.x0), cx1[i] = cellx(b.x1), cy0[i] = celly(b.y0), cy1[i] = celly(b.y1);
        if ((cx1[i] - cx0[i] + 1) * (cy1[i] - cy0[i] + 1) > kBigCells) {
            big.push_back(i);
            continue;
        }
        for (long y = cy0[i]; y <= cy1[i]; ++y)
            for (long x = cx0[i]; x <= cx1[i]; ++x) ++start[y * gx + x + 1];
    }
    for (size_t c = 1; c < start.size(); ++c) start[c] += start[c - 1];
    std::vector<int> cells(start.back());
    std::vector<size_t> fill(start.begin(), start.end() - 1);
    std::vector<char> isbig(n, 0);
    for (int i : big) isbig[i] = 1;
    for (int i : w.cand) {
        if (isbig[i]) continue;
        for (long y = cy0[i]; y <= cy1[i]; ++y)
            for (long x = cx0[i]; x <= cx1[i]; ++x) cells[fill[y * gx + x]++] = i;
    }
    for (long y = 0; y < gy; ++y)
        for (long x = 0; x < gx; ++x) {
            const size_t s = start[y * gx + x], e = start[y * gx + x + 1];
            for (size_t p = s; p < e; ++p)
                for (size_t q = p + 1; q < e; ++q) {
                    const int a = cells[p], b = cells[q];
                    // Each pair once: in the first cell both boxes share.
                    if (std::max(cx0[a], cx0[b]) != x || std::max(cy0[a], cy0[b]) != y) continue;
                    f(a, b);
                }
        }
    for (size_t p = 0; p < big.size(); ++p) {
        for (int b : w.cand)
            if (!isbig[b]) f(big[p], b);
        for (size_t q = p + 1; q < big.size(); ++q) f(big[p], big[q]);
    }
}

// The farthest-first order that keeps every pair order: a topological sort
// that always takes the farthest triangle whose predecessors are all
// painted. Where the pair orders form a cycle (triangles piercing each
// other), the farthest triangle still waiting is painted anyway.
std::vector<int> keep_pair_orders(const std::vector<int> &sorted, const std::vector<std::pair<int, int>> &edges) {
    const int n = static_cast<int>(sorted.size());
    std::vector<int> head(n + 1, 0), next(edges.size()), indeg(n, 0);
    for (const auto &e : edges) ++head[e.first + 1], ++indeg[e.second];
    for (int i = 0; i < n; ++i) head[i + 1] += head[i];
    {
        std::vector<int> pos(head.begin(), head.end() - 1);
        for (const auto &e : edges) next[pos[e.first]++] = e.second;
    }
    std::vector<int> rank(n);
    for (int r = 0; r < n; ++r) rank[sorted[r]] = r;
    std::priority_queue<int, std::vector<int>, std::greater<int>> ready;   // by rank
    for (int i = 0; i < n; ++i)
        if (indeg[i] == 0) ready.push(rank[i]);
    std::vector<char> done(n, 0);
    std::vector<int> out;
    out.reserve(n);
    size_t scan = 0;
    while (out.size() < static_cast<size_t>(n)) {
        int t;
        if (!ready.empty()) {
            t = sorted[ready.top()];
            ready.pop();
            if (done[t]) continue;
        } else {
            // Stuck on a cycle: of the farthest waiting triangles, paint the
            // one that breaks the fewest pair orders.
            while (done[sorted[scan]]) ++scan;
            t = sorted[scan];
            int looked = 0;
            for (size_t r = scan; r < sorted.size() && looked < kCycleLook; ++r) {
                const int c = sorted[r];
                if (done[c]) continue;
                ++looked;
                if (indeg[c] < indeg[t]) t = c;
            }
        }
        done[t] = 1;
        out.push_back(t);
        for (int k = head[t]; k < head[t + 1]; ++k) {
            const int s = next[k];
            if (--indeg[s] == 0 && !done[s]) ready.push(rank[s]);
        }
    }
    return out;
}

std::vector<int> order_one(const prepared &pp, const double d[3]) {
    direction w(pp, d);
    sort_by_depth(w);
    place_on_screen(w);
    std::vector<std::pair<int, int>> edges;
    near_pairs(w, [&](int a, int b) { judge_pair(w, a, b, edges); });
    std::vector<int> out = keep_pair_orders(w.sorted, edges);
    out.erase(std::remove_if(out.begin(), out.end(), [&](int i) { return !pp.t[i].drawn; }), out.end());
    return out;
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
