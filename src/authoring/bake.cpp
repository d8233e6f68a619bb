#include "authoring/bake.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>

#include "scene/ftoi.h"

namespace vortella {

namespace {

constexpr double pi = 3.14159265358979;
using vec = std::array<double, 3>;

vec sub(const vec &a, const vec &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const vec &a, const vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
vec cross(const vec &a, const vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double len(const vec &a) { return std::sqrt(dot(a, a)); }
vec at(const model_mesh &m, int p) {
    const auto &q = m.positions[static_cast<size_t>(p)];
    return {q[0], q[1], q[2]};
}
double area(const model_mesh &m, int t) {
    const auto &tr = m.triangles[static_cast<size_t>(t)];
    const vec a = at(m, tr[0]);
    return len(cross(sub(at(m, tr[1]), a), sub(at(m, tr[2]), a))) / 2;
}
double area(const model_mesh &m, const std::vector<int> &tris) {
    double s = 0;
    for (int t : tris) s += area(m, t);
    return s;
}

// The two plane coordinates of a planar projection along `axis` (the turns
// the material's angles give, see map_projection).
std::array<double, 2> plane(int axis, const vec &p) {
    if (axis == 0) return {p[1], p[2]};
    if (axis == 1) return {-p[0], p[2]};
    return {p[1], -p[0]};
}

// The renderer's angle of (x, y), in [0, 2 pi).
double ang(double x, double y) {
    if (x != 0) {
        double a = std::atan(y / x);
        if (x < 0) a += pi;
        if (a < 0) a += 2 * pi;
        return a;
    }
    return y > 0 ? pi / 2 : 3 * pi / 2;
}

}  // namespace

std::string map_projection::name() const {
    if (type == 2) return "spherical";
    if (type == 3) return "cylindrical";
    return std::string("planar") + (side < 0 ? "-" : "+") + "xyz"[axis];
}

std::array<double, 2> map_coords(const map_projection &p, const std::array<float, 3> &point) {
    const vec q = {point[0], point[1], point[2]};
    if (p.type == 1) {
        const std::array<double, 2> c = plane(p.axis, q);
        return {(c[0] - p.lo[0]) / p.span[0], (c[1] - p.lo[1]) / p.span[1]};
    }
    const vec d = sub(q, p.centre);
    const double s = ang(d[0], d[1]) / (2 * pi);
    if (p.type == 3) return {s, (q[2] - p.lo[1]) / p.span[1]};
    const double h = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    if (h > 1e-6) return {s, (std::atan(d[2] / h) + pi / 2) / pi};
    return {0.5, d[2] > 0 ? 1.0471627 / pi : 0.0};
}

void projection_material(const map_projection &p, const std::array<float, 6> &box, material_desc &m) {
    // The renderer's centre: the middle of the box, in floats.
    const float fc[3] = {(box[0] + box[3]) * 0.5f, (box[1] + box[4]) * 0.5f, (box[2] + box[5]) * 0.5f};
    const vec c = {fc[0], fc[1], fc[2]};
    m.map_type = p.type;
    m.izro = m.xrot = m.zrot = 0;
    m.x = m.y = m.z = 0;
    m.xscale = m.yscale = m.zscale = 1;
    m.x_freq = m.y_freq = 1;
    if (p.type == 1) {
        // u = (plane(p - c) - x) / xscale, with the plane coordinates turned
        // as plane() says: a quarter about z along y, about y along z.
        if (p.axis == 1) m.xrot = static_cast<float>(pi / 2);
        if (p.axis == 2) m.izro = static_cast<float>(pi / 2);
        const std::array<double, 2> pc = plane(p.axis, c);
        m.x = static_cast<float>(p.lo[0] - pc[0]), m.xscale = static_cast<float>(p.span[0]);
        m.y = static_cast<float>(p.lo[1] - pc[1]), m.yscale = static_cast<float>(p.span[1]);
        return;
    }
    // Angles are taken around c + (x, y, z).
    m.x = static_cast<float>(p.centre[0] - c[0]);
    m.y = static_cast<float>(p.centre[1] - c[1]);
    m.z = static_cast<float>(p.centre[2] - c[2]);
    if (p.type == 3) {
        // Height (pz - cz - z) / zscale + cz = (pz - lo) / span.
        m.zscale = static_cast<float>(p.span[1]);
        m.z = static_cast<float>(p.lo[1] - c[2] + c[2] * p.span[1]);
    }
}

std::array<double, 3> sample_texture(const rgbimage &t, double u, double v) {
    if (t.w <= 0 || t.h <= 0) return {255, 255, 255};
    const double x = u * t.w - 0.5, y = (1 - v) * t.h - 0.5;
    const double fx = std::floor(x), fy = std::floor(y);
    const double ax = x - fx, ay = y - fy;
    auto wrap = [](double k, int n) {
        const double r = std::fmod(k, double(n));
        return static_cast<size_t>(ftoi(r < 0 ? r + n : r)) % static_cast<size_t>(n);
    };
    const size_t x0 = wrap(fx, t.w), x1 = (x0 + 1) % size_t(t.w), y0 = wrap(fy, t.h), y1 = (y0 + 1) % size_t(t.h);
    std::array<double, 3> out{};
    for (int k = 0; k < 3; ++k) {
        auto px = [&](size_t xx, size_t yy) { return double(t.rgb[(yy * size_t(t.w) + xx) * 3 + size_t(k)]); };
        out[k] = (px(x0, y0) * (1 - ax) + px(x1, y0) * ax) * (1 - ay) + (px(x0, y1) * (1 - ax) + px(x1, y1) * ax) * ay;
    }
    return out;
}

namespace {

// A triangle under a projection, in texels of a w x h map: corner
// positions (s across, t up from the bottom row) with the renderer's seam
// rule applied, and the distance of each corner along the projection's ray.
struct footprint {
    double s[3], t[3], d[3];
};

// Distance along the ray from the projection's origin: planar from its
// side, spherical from the centre, cylindrical from the axis.
double depth(const map_projection &p, const vec &q) {
    if (p.type == 1) return -p.side * q[static_cast<size_t>(p.axis)];
    const vec d = sub(q, p.centre);
    return p.type == 2 ? len(d) : std::sqrt(d[0] * d[0] + d[1] * d[1]);
}

footprint project(const map_projection &p, const model_mesh &m, int tri, int w, int h) {
    footprint f;
    const auto &t = m.triangles[static_cast<size_t>(tri)];
    for (int c = 0; c < 3; ++c) {
        const std::array<double, 2> st = map_coords(p, m.positions[static_cast<size_t>(t[c])]);
        f.s[c] = st[0], f.t[c] = st[1], f.d[c] = depth(p, at(m, t[c]));
    }
    if (p.type != 1) {
        // Across the seam a whole turn is added to the smaller azimuth, pair
        // by pair, as the renderer does.
        const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (const auto &pr : pairs) {
            double &a = f.s[pr[0]], &b = f.s[pr[1]];
            if (a > b + 0.5) b += 1;
            else if (b > a + 0.5) a += 1;
        }
    }
    for (int c = 0; c < 3; ++c) f.s[c] *= w, f.t[c] *= h;
    return f;
}

// Calls f(x, y, l0, l1, l2) for every texel whose centre lies in the
// footprint (edges included), x wrapped around for the angle projections,
// y counted from the bottom row; l are the corners' weights there.
template <class F>
void scan(const footprint &ft, int w, int h, bool wrap, F f) {
    const double area = (ft.s[1] - ft.s[0]) * (ft.t[2] - ft.t[0]) - (ft.s[2] - ft.s[0]) * (ft.t[1] - ft.t[0]);
    if (!(std::fabs(area) > 1e-12)) return;
    const double smin = std::min({ft.s[0], ft.s[1], ft.s[2]}), smax = std::max({ft.s[0], ft.s[1], ft.s[2]});
    const double tmin = std::min({ft.t[0], ft.t[1], ft.t[2]}), tmax = std::max({ft.t[0], ft.t[1], ft.t[2]});
    const int y0 = std::max(0, ftoi(std::floor(tmin - 0.5))), y1 = std::min(h - 1, ftoi(std::ceil(tmax - 0.5)));
    int x0 = ftoi(std::floor(smin - 0.5)), x1 = ftoi(std::ceil(smax - 0.5));
    if (!wrap) x0 = std::max(0, x0), x1 = std::min(w - 1, x1);
    else x0 = std::max(x0, -w), x1 = std::min(x1, 3 * w);
    const double eps = -1e-9;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double l0 = ((ft.s[1] - px) * (ft.t[2] - py) - (ft.s[2] - px) * (ft.t[1] - py)) / area;
            const double l1 = ((ft.s[2] - px) * (ft.t[0] - py) - (ft.s[0] - px) * (ft.t[2] - py)) / area;
            const double l2 = 1 - l0 - l1;
            if (l0 < eps || l1 < eps || l2 < eps) continue;
            f(wrap ? ((x % w) + w) % w : x, y, l0, l1, l2);
        }
}

// The nearest triangle at every texel, with its weights there.
struct zmap {
    int w = 0, h = 0;
    bool wrap = false;
    std::vector<double> d;
    std::vector<int> tri;
    std::vector<float> l0, l1;

    zmap(int w_, int h_, bool wrap_)
        : w(w_), h(h_), wrap(wrap_), d(size_t(w_) * size_t(h_), std::numeric_limits<double>::infinity()),
          tri(size_t(w_) * size_t(h_), -1), l0(d.size()), l1(d.size()) {}
    size_t index(int x, int y) const { return size_t(y) * size_t(w) + size_t(x); }
    void draw(const footprint &f, int t) {
        scan(f, w, h, wrap, [&](int x, int y, double a, double b, double c) {
            const double z = a * f.d[0] + b * f.d[1] + c * f.d[2];
            const size_t i = index(x, y);
            if (z < d[i]) d[i] = z, tri[i] = t, l0[i] = float(a), l1[i] = float(b);
        });
    }
};

struct box3 {
    vec lo = {1e300, 1e300, 1e300}, hi = {-1e300, -1e300, -1e300};
    void add(const vec &p) {
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    }
    double diag() const { return len(sub(hi, lo)); }
};

box3 box_of(const model_mesh &m, const std::vector<int> &tris) {
    box3 b;
    for (int t : tris)
        for (int c = 0; c < 3; ++c) b.add(at(m, m.triangles[size_t(t)][c]));
    return b;
}

// Fits a projection's extents (planar plane coordinates, cylindrical
// height) to the triangles, a hair wider so that rounding at the edges
// stays inside the map.
void fit(map_projection &p, const model_mesh &m, const std::vector<int> &tris) {
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (int t : tris)
        for (int c = 0; c < 3; ++c) {
            const vec q = at(m, m.triangles[size_t(t)][c]);
            const std::array<double, 2> pc = p.type == 1 ? plane(p.axis, q) : std::array<double, 2>{0, q[2]};
            for (int k = 0; k < 2; ++k) lo[k] = std::min(lo[k], pc[k]), hi[k] = std::max(hi[k], pc[k]);
        }
    for (int k = p.type == 1 ? 0 : 1; k < 2; ++k) {
        const double e = hi[k] - lo[k];
        p.span[k] = e > 0 ? e * 1.004 : 1;
        p.lo[k] = (lo[k] + hi[k]) / 2 - p.span[k] / 2;
    }
}

// The size of a part's map for texels `texel` scene units wide: across
// the plane coordinates, or round the mean distance from the centre or
// axis; no side beyond `most`.
std::array<int, 2> map_size(const map_projection &p, const model_mesh &m, const std::vector<int> &tris, double texel,
                            int most) {
    double ext[2] = {p.span[0], p.span[1]};
    if (p.type != 1) {
        double r = 0;
        int n = 0;
        for (int t : tris)
            for (int c = 0; c < 3; ++c) {
                const vec d = sub(at(m, m.triangles[size_t(t)][c]), p.centre);
                r += p.type == 2 ? len(d) : std::sqrt(d[0] * d[0] + d[1] * d[1]);
                ++n;
            }
        r = n ? r / n : 1;
        ext[0] = 2 * pi * r;
        ext[1] = p.type == 2 ? pi * r : p.span[1];
    }
    double w = ext[0] / texel, h = ext[1] / texel;
    const double over = std::max(w, h) / most;
    if (over > 1) w /= over, h /= over;
    return {std::clamp(ftoi(std::ceil(w)), 16, most), std::clamp(ftoi(std::ceil(h)), 16, most)};
}

// The projections tried for a set of triangles: around the middle of their
// box, and along each axis from either side. The centre is a hair off the
// middle, so that no corner of a symmetric model sits on the axis, where
// the renderer gives the angles no meaning.
std::vector<map_projection> candidates(const model_mesh &m, const std::vector<int> &tris) {
    const box3 b = box_of(m, tris);
    const double off = 1e-4 * std::max(b.diag(), 1e-3);
    const vec c = {(b.lo[0] + b.hi[0]) / 2 + off, (b.lo[1] + b.hi[1]) / 2 + off * 0.7, (b.lo[2] + b.hi[2]) / 2};
    std::vector<map_projection> out;
    for (int type : {2, 3}) {
        map_projection p;
        p.type = type, p.centre = c;
        out.push_back(p);
    }
    for (int axis : {2, 1, 0})
        for (int side : {1, -1}) {
            map_projection p;
            p.type = 1, p.axis = axis, p.side = side;
            out.push_back(p);
        }
    for (map_projection &p : out) fit(p, m, tris);
    return out;
}

// How well a projection shows each triangle of a set: 0 where it does not
// (hidden behind nearer surface, seen edge on, or so spread over the angles
// that the renderer's straight interpolation misplaces it), else the
// triangle's area times how squarely the ray meets it.
std::vector<double> shown(const map_projection &p, const model_mesh &m, const std::vector<int> &tris, bool strict) {
    const int w = 256, h = p.type == 1 ? 256 : 128;
    const box3 b = box_of(m, tris);
    const double tol = 0.01 * b.diag();
    std::vector<footprint> fs(tris.size());
    zmap z(w, h, p.type != 1);
    for (size_t i = 0; i < tris.size(); ++i) {
        fs[i] = project(p, m, tris[i], w, h);
        z.draw(fs[i], int(i));
    }
    std::vector<double> out(tris.size(), 0);
    for (size_t i = 0; i < tris.size(); ++i) {
        const auto &t = m.triangles[size_t(tris[i])];
        const vec a = at(m, t[0]), bb = at(m, t[1]), c = at(m, t[2]);
        const vec n = cross(sub(bb, a), sub(c, a));
        const double ar = len(n) / 2;
        if (!(ar > 0)) continue;
        const vec mid = {(a[0] + bb[0] + c[0]) / 3, (a[1] + bb[1] + c[1]) / 3, (a[2] + bb[2] + c[2]) / 3};
        vec ray = {0, 0, 0};
        if (p.type == 1) ray[size_t(p.axis)] = 1;
        else ray = sub(mid, p.centre);
        if (p.type == 3) ray[2] = 0;
        const double rl = len(ray);
        const double facing = rl > 0 ? std::fabs(dot(n, ray)) / (2 * ar * rl) : 0;
        if (!strict) {
            out[i] = ar * facing;
            continue;
        }
        if (facing < 0.25) continue;
        const footprint &f = fs[i];
        // Nearest along the rays at three of four points inside.
        int near = 0;
        const double wts[4][3] = {{1 / 3.0, 1 / 3.0, 1 / 3.0}, {2 / 3.0, 1 / 6.0, 1 / 6.0},
                                  {1 / 6.0, 2 / 3.0, 1 / 6.0}, {1 / 6.0, 1 / 6.0, 2 / 3.0}};
        for (const auto &wt : wts) {
            const double s = wt[0] * f.s[0] + wt[1] * f.s[1] + wt[2] * f.s[2];
            const double tt = wt[0] * f.t[0] + wt[1] * f.t[1] + wt[2] * f.t[2];
            const double d = wt[0] * f.d[0] + wt[1] * f.d[1] + wt[2] * f.d[2];
            int x = ftoi(std::floor(s)), y = std::clamp(ftoi(std::floor(tt)), 0, h - 1);
            x = p.type == 1 ? std::clamp(x, 0, w - 1) : ((x % w) + w) % w;
            const size_t k = z.index(x, y);
            if (z.tri[k] < 0 || d <= z.d[k] + tol) ++near;
        }
        if (near < 3) continue;
        if (p.type != 1) {
            // The renderer interpolates the corners' angles in a straight
            // line; where the true angles of points inside differ much,
            // the triangle would show texels of its neighbours.
            const double across = std::max({f.s[0], f.s[1], f.s[2]}) - std::min({f.s[0], f.s[1], f.s[2]});
            const double ext = std::max(across, std::max({f.t[0], f.t[1], f.t[2]}) - std::min({f.t[0], f.t[1], f.t[2]}));
            if (across > 0.3 * w) continue;
            double worst = 0;
            for (const auto &wt : wts) {
                const vec q = {wt[0] * a[0] + wt[1] * bb[0] + wt[2] * c[0], wt[0] * a[1] + wt[1] * bb[1] + wt[2] * c[1],
                               wt[0] * a[2] + wt[1] * bb[2] + wt[2] * c[2]};
                const std::array<double, 2> st =
                    map_coords(p, {static_cast<float>(q[0]), static_cast<float>(q[1]), static_cast<float>(q[2])});
                double ds = std::fabs(st[0] * w - (wt[0] * f.s[0] + wt[1] * f.s[1] + wt[2] * f.s[2]));
                ds = std::min({ds, std::fabs(ds - w), std::fabs(ds - 2 * w)});
                const double dt = std::fabs(st[1] * h - (wt[0] * f.t[0] + wt[1] * f.t[1] + wt[2] * f.t[2]));
                worst = std::max({worst, ds, dt});
            }
            if (worst > std::max(1.0, 0.15 * ext)) continue;
        }
        out[i] = ar * facing;
    }
    return out;
}

// The projection named by `kind`, or null for "auto"; false for an
// unknown name.
bool named(const std::string &kind, const model_mesh &m, const std::vector<int> &tris,
           std::vector<map_projection> &out) {
    std::vector<map_projection> all = candidates(m, tris);
    out.clear();
    if (kind == "auto") return true;
    int axis = -1, type = 1;
    if (kind == "spherical") type = 2;
    else if (kind == "cylindrical") type = 3;
    else if (kind == "planar-x") axis = 0;
    else if (kind == "planar-y") axis = 1;
    else if (kind == "planar-z") axis = 2;
    else if (kind == "planar") {
        const box3 b = box_of(m, tris);
        const double e[3] = {b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]};
        axis = e[2] <= e[0] && e[2] <= e[1] ? 2 : e[1] <= e[0] ? 1 : 0;
    } else {
        return false;
    }
    for (const map_projection &p : all)
        if (p.type == type && (type != 1 || p.axis == axis)) out.push_back(p);
    return true;
}

// Fills the texels no triangle covers with the colour of the nearest
// covered one, so that the renderer's rounding at edges finds no gaps.
void fill_gaps(rgbimage &img, std::vector<bool> &set, bool wrap) {
    const int w = img.w, h = img.h;
    std::deque<int> q;
    for (int i = 0; i < w * h; ++i)
        if (set[size_t(i)]) q.push_back(i);
    if (q.empty()) return;
    while (!q.empty()) {
        const int i = q.front();
        q.pop_front();
        const int x = i % w, y = i / w;
        const int nb[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto &n : nb) {
            int nx = n[0];
            const int ny = n[1];
            if (ny < 0 || ny >= h) continue;
            if (nx < 0 || nx >= w) {
                if (!wrap) continue;
                nx = (nx + w) % w;
            }
            const int j = ny * w + nx;
            if (set[size_t(j)]) continue;
            set[size_t(j)] = true;
            std::copy_n(&img.rgb[size_t(i) * 3], 3, &img.rgb[size_t(j) * 3]);
            q.push_back(j);
        }
    }
}

// Paints the map of one part.
rgbimage paint(const map_projection &p, const model_mesh &m, const std::vector<int> &tris, const rgbimage *texture,
               bool colours, const std::array<int, 2> &size) {
    const int w = size[0], h = size[1];
    zmap z(w, h, p.type != 1);
    for (size_t i = 0; i < tris.size(); ++i) z.draw(project(p, m, tris[i], w, h), int(i));
    rgbimage img;
    img.w = w, img.h = h;
    img.rgb.assign(size_t(w) * size_t(h) * 3, 200);
    std::vector<bool> set(size_t(w) * size_t(h), false);
    const bool uv = !m.uvs.empty() && texture;
    colours = colours && !m.colours.empty();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t k = z.index(x, y);
            if (z.tri[k] < 0) continue;
            const size_t t = size_t(tris[size_t(z.tri[k])]);
            const double l[3] = {z.l0[k], z.l1[k], 1.0 - z.l0[k] - z.l1[k]};
            std::array<double, 3> c = {255, 255, 255};
            if (uv) {
                double u = 0, v = 0;
                for (int i = 0; i < 3; ++i) u += l[i] * m.uvs[t * 3 + size_t(i)][0], v += l[i] * m.uvs[t * 3 + size_t(i)][1];
                c = sample_texture(*texture, u, v);
            }
            if (colours)
                for (int ch = 0; ch < 3; ++ch) {
                    double vc = 0;
                    for (int i = 0; i < 3; ++i) vc += l[i] * m.colours[t * 3 + size_t(i)][size_t(ch)];
                    c[size_t(ch)] *= vc / 255;
                }
            // Row y counts from the bottom; the picture's rows from the top.
            uint8_t *px = &img.rgb[(size_t(h - 1 - y) * size_t(w) + size_t(x)) * 3];
            for (int ch = 0; ch < 3; ++ch) px[ch] = static_cast<uint8_t>(std::clamp(ftoi(c[size_t(ch)] + 0.5), 0, 255));
            set[size_t(h - 1 - y) * size_t(w) + size_t(x)] = true;
        }
    fill_gaps(img, set, p.type != 1);
    return img;
}

double total(const std::vector<double> &v) {
    double s = 0;
    for (double x : v) s += x;
    return s;
}

}  // namespace

namespace {

// The size of a texel on the surface: as fine as the texture lies on it
// (its texels over the area the texture coordinates cover), a half finer
// so that the map's own texels blur little; or a 512 x 512 map's worth
// over the whole surface for vertex colours.
double texel_size(const model_mesh &m, const std::vector<int> &tris, const rgbimage *texture) {
    const double a = area(m, tris);
    double texels = 512.0 * 512.0;
    if (texture && !m.uvs.empty()) {
        double uv = 0;
        for (int t : tris) {
            const auto *c = &m.uvs[size_t(t) * 3];
            uv += std::fabs((c[1][0] - c[0][0]) * (c[2][1] - c[0][1]) - (c[2][0] - c[0][0]) * (c[1][1] - c[0][1])) / 2;
        }
        if (uv > 0) texels = uv * texture->w * texture->h;
    }
    return a > 0 ? std::sqrt(a / texels) / 1.5 : 1;
}

// Which projection each triangle goes to (an index into `tries`, or -1
// when none shows it): the one that shows it most squarely, the one that
// shows most of all given a quarter's advantage so that parts stay few.
// Projections left with less than a fiftieth of the area, or beyond
// `room` parts, give their triangles to the next best of the others.
std::vector<int> share_out(const std::vector<std::vector<double>> &q, const std::vector<double> &areas, int room) {
    const size_t n = areas.size(), k = q.size();
    std::vector<bool> open(k, true);
    std::vector<int> to(n, -1);
    double whole = 0;
    for (double a : areas) whole += a;
    for (;;) {
        std::vector<double> score(k, 0);
        for (size_t c = 0; c < k; ++c)
            for (size_t i = 0; i < n; ++i) score[c] += q[c][i];
        size_t lead = 0;
        for (size_t c = 0; c < k; ++c)
            if (open[c] && (!open[lead] || score[c] > score[lead])) lead = c;
        std::vector<double> got(k, 0);
        for (size_t i = 0; i < n; ++i) {
            to[i] = -1;
            double best = 0;
            for (size_t c = 0; c < k; ++c) {
                const double v = open[c] ? q[c][i] * (c == lead ? 1.25 : 1.0) : 0;
                if (v > best) best = v, to[i] = int(c);
            }
            if (to[i] >= 0) got[size_t(to[i])] += areas[i];
        }
        // Close the smallest projection that is too small, or one too many.
        int used = 0;
        size_t smallest = k;
        for (size_t c = 0; c < k; ++c)
            if (got[c] > 0) {
                ++used;
                if (smallest == k || got[c] < got[smallest]) smallest = c;
            }
        if (smallest == k || (used <= room && got[smallest] >= 0.02 * whole) || used == 1) return to;
        open[smallest] = false;
    }
}

}  // namespace

bool bake(const model_mesh &m, const std::vector<int> &tris, const rgbimage *texture, bool colours,
          const bake_options &o, std::vector<baked_part> &out, std::string *err) {
    out.clear();
    std::vector<map_projection> fixed;
    if (!named(o.mapping, m, tris, fixed)) {
        if (err) *err = "unknown mapping '" + o.mapping + "'";
        return false;
    }
    if (tris.empty()) return true;
    const double texel = texel_size(m, tris, texture);
    auto emit = [&](map_projection p, std::vector<int> part) {
        baked_part b;
        fit(p, m, part);
        b.projection = p;
        b.map = paint(p, m, part, texture, colours, map_size(p, m, part, texel, o.max_side));
        b.triangles = std::move(part);
        out.push_back(std::move(b));
    };
    std::vector<int> left = tris;
    while (!left.empty()) {
        std::vector<map_projection> tries = fixed.empty() ? candidates(m, left) : fixed;
        // The last part takes whatever is left with the projection that
        // faces it best, seen or not.
        const bool last = !fixed.empty() || int(out.size()) + 1 >= o.max_parts;
        std::vector<std::vector<double>> q;
        for (const map_projection &p : tries) q.push_back(shown(p, m, left, !last));
        std::vector<double> areas;
        for (int t : left) areas.push_back(area(m, t));
        if (last) {
            size_t best = 0;
            for (size_t c = 1; c < q.size(); ++c)
                if (total(q[c]) > total(q[best])) best = c;
            emit(tries[best], left);
            break;
        }
        const std::vector<int> to = share_out(q, areas, o.max_parts - int(out.size()) - 1);
        std::vector<std::vector<int>> parts(tries.size());
        std::vector<int> next;
        for (size_t i = 0; i < left.size(); ++i) (to[i] < 0 ? next : parts[size_t(to[i])]).push_back(left[i]);
        if (next.size() == left.size()) {
            // No projection shows any of them well: the last part.
            emit(tries[0], left);
            break;
        }
        for (size_t c = 0; c < tries.size(); ++c)
            if (!parts[c].empty()) emit(tries[c], std::move(parts[c]));
        left.swap(next);
    }
    return true;
}

}  // namespace vortella
