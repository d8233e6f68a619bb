#include "authoring/primitives.h"

#include <cmath>

namespace vortella {

namespace {

// Face normal of triangle (a, b, c), unit length, by the right-hand rule.
void facenormal(trianglef_s &t, const std::vector<points_s> &p) {
    const points_s &a = p[t.pt1], &b = p[t.pt2], &c = p[t.pt3];
    float vx = b.x - a.x, vy = b.y - a.y, vz = b.z - a.z;
    float wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
    float nx = vy * wz - vz * wy, ny = vz * wx - vx * wz, nz = vx * wy - vy * wx;
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len > 0) {
        nx /= len;
        ny /= len;
        nz /= len;
    }
    t.nx = nx;
    t.ny = ny;
    t.nz = nz;
}

}  // namespace

geometry_desc make_box(int geom_no, int texture, float cx, float cy, float cz, float hx, float hy, float hz) {
    geometry_desc g;
    g.name = "box";
    g.faceted = true;
    g.geom_no = geom_no;
    g.texture = texture;
    for (int i = 0; i < 8; ++i)
        g.points.push_back({cx + ((i & 1) ? hx : -hx), cy + ((i & 2) ? hy : -hy), cz + ((i & 4) ? hz : -hz), 0, 0, 0});
    // Each face as two triangles, counter-clockwise seen from outside.
    static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto &f : faces) {
        trianglef_s t1{f[0], f[1], f[2], 0, 0, 0}, t2{f[0], f[2], f[3], 0, 0, 0};
        facenormal(t1, g.points);
        facenormal(t2, g.points);
        g.triangles.push_back(t1);
        g.triangles.push_back(t2);
    }
    ddh_all(g);
    return g;
}

geometry_desc make_sphere(int geom_no, int texture, float cx, float cy, float cz, float r, int rings, int segs) {
    if (rings < 2) rings = 2;
    if (segs < 3) segs = 3;
    const double pi = 3.14159265358979;
    geometry_desc g;
    g.name = "sphere";
    g.geom_no = geom_no;
    g.texture = texture;
    // Poles are single points; each inner ring has `segs` points.
    g.points.push_back({cx, cy, cz + r, 0, 0, 1});
    for (int i = 1; i < rings; ++i) {
        double th = pi * i / rings;
        for (int j = 0; j < segs; ++j) {
            double ph = 2 * pi * j / segs;
            float nx = static_cast<float>(std::sin(th) * std::cos(ph));
            float ny = static_cast<float>(std::sin(th) * std::sin(ph));
            float nz = static_cast<float>(std::cos(th));
            g.points.push_back({cx + r * nx, cy + r * ny, cz + r * nz, nx, ny, nz});
        }
    }
    g.points.push_back({cx, cy, cz - r, 0, 0, -1});
    const int south = static_cast<int>(g.points.size()) - 1;
    auto at = [segs](int ring, int j) { return 1 + (ring - 1) * segs + (j % segs); };
    for (int j = 0; j < segs; ++j) g.triangles.push_back({0, at(1, j), at(1, j + 1), 0, 0, 0});
    for (int i = 1; i + 1 < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            g.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), 0, 0, 0});
            g.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1), 0, 0, 0});
        }
    for (int j = 0; j < segs; ++j) g.triangles.push_back({south, at(rings - 1, j + 1), at(rings - 1, j), 0, 0, 0});
    ddh_all(g);
    return g;
}

void ddh_all(geometry_desc &g) {
    for (auto &d : g.ddh) {
        d.clear();
        for (int i = 0; i < static_cast<int>(g.triangles.size()); ++i) d.push_back(i);
    }
}

rgbimage make_checker(int w, int h, int cells, const uint8_t a[3], const uint8_t b[3]) {
    rgbimage img;
    img.w = w;
    img.h = h;
    img.rgb.resize(static_cast<size_t>(w) * h * 3);
    if (cells < 1) cells = 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *c = ((x * cells / w + y * cells / h) & 1) ? b : a;
            uint8_t *p = &img.rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
        }
    return img;
}

scene_desc sample_scene(const std::string &mapname) {
    scene_desc s;
    s.header_text = "Vortella sample";
    material_desc stone;
    stone.name = "stone";
    stone.texture_no = 1;
    stone.red = 90;
    stone.green = 120;
    stone.blue = 200;
    stone.ambient = 2;
    stone.diffuse = 0;
    stone.brilliance = 0.3f;
    stone.highlights = 1.0f;
    s.add(stone);
    material_desc ball = stone;
    ball.name = "checker";
    ball.texture_no = 2;
    ball.red = 230;
    ball.green = 200;
    ball.blue = 60;
    ball.highlight = 0.9f;
    ball.highlights = 0.5f;
    ball.map_type = 2;
    ball.map_no = 1;
    ball.x_freq = 2;
    s.add(ball);
    s.add(map_desc{mapname, 1});
    s.add(make_box(1, 1, 0, 0, -1.5f, 3, 3, 0.5f)).name = "plinth";
    s.add(make_sphere(2, 2, 0, 0, 1, 2, 12, 24)).name = "ball";
    instance_desc inst;
    inst.name = "world";
    inst.inst_no = 1;
    inst.rend_mode = 10;
    inst.geoms = {1, 2};
    s.add(inst);
    camera_desc cam;
    cam.name = "camera";
    cam.x = 8;
    cam.y = -10;
    cam.z = 5;
    cam.foc_len = 1.2f;
    cam.CamRotRate = 1.0f;
    s.add(cam);
    s.add(light_desc{});
    scene_settings_desc set;
    set.title = "Sample: a checkered ball on a plinth";
    set.red = 20;
    set.green = 30;
    set.blue = 60;
    s.add(set);
    s.add(comment_desc{4, "The ball is mapped spherically, twice around."});
    return s;
}

bool write_sample(const std::string &path, std::string *err) {
    const std::string mapname = "checker.bmp";
    std::string dir;
    size_t cut = path.find_last_of("/\\");
    if (cut != std::string::npos) dir = path.substr(0, cut + 1);
    const uint8_t a[3] = {240, 240, 230}, b[3] = {200, 40, 40};
    if (!write_bmp24(make_checker(128, 64, 8, a, b), dir + mapname, err)) return false;
    return write_scene_file(sample_scene(mapname), path, err);
}

}  // namespace vortella

namespace vortella {

namespace {

constexpr double tau = 6.283185307179586;

void bbox_unset(geometry_desc &g) { g.box = false; }

void normalize(float &x, float &y, float &z) {
    float l = std::sqrt(x * x + y * y + z * z);
    if (l > 0) {
        x /= l;
        y /= l;
        z /= l;
    }
}

}  // namespace

geometry_desc make_torus(int geom_no, int texture, float cx, float cy, float cz, float R, float r, int rings,
                         int segs, float tilt) {
    geometry_desc g;
    g.name = "torus";
    g.geom_no = geom_no;
    g.texture = texture;
    const float ct = std::cos(tilt), st = std::sin(tilt);
    for (int i = 0; i < rings; ++i) {
        const double u = tau * i / rings;
        for (int j = 0; j < segs; ++j) {
            const double v = tau * j / segs;
            float nx = static_cast<float>(std::cos(v) * std::cos(u)), ny = static_cast<float>(std::cos(v) * std::sin(u));
            float nz = static_cast<float>(std::sin(v));
            float x = static_cast<float>(R * std::cos(u)) + r * nx, y = static_cast<float>(R * std::sin(u)) + r * ny;
            float z = r * nz;
            // Tilt about x: y' = y cos - z sin, z' = y sin + z cos.
            g.points.push_back({cx + x, cy + y * ct - z * st, cz + y * st + z * ct, nx, ny * ct - nz * st,
                                ny * st + nz * ct});
        }
    }
    auto at = [rings, segs](int i, int j) { return (i % rings) * segs + (j % segs); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            g.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), 0, 0, 0});
            g.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1), 0, 0, 0});
        }
    ddh_all(g);
    return g;
}

geometry_desc make_cylinder(int geom_no, int texture, float cx, float cy, float z0, float z1, float r, int segs,
                            bool faceted) {
    geometry_desc g;
    g.name = "cylinder";
    g.geom_no = geom_no;
    g.texture = texture;
    // Side points (bottom, top) with outward normals; cap points apart, so
    // the caps' normals point along the axis.
    for (int j = 0; j < segs; ++j) {
        const double a = tau * j / segs;
        const float nx = static_cast<float>(std::cos(a)), ny = static_cast<float>(std::sin(a));
        g.points.push_back({cx + r * nx, cy + r * ny, z0, nx, ny, 0});
        g.points.push_back({cx + r * nx, cy + r * ny, z1, nx, ny, 0});
    }
    const int cap = static_cast<int>(g.points.size());
    for (int j = 0; j < segs; ++j) {
        // Copies: the pushes below may move the points.
        const points_s b = g.points[2 * j], t = g.points[2 * j + 1];
        g.points.push_back({b.x, b.y, z0, 0, 0, -1});
        g.points.push_back({t.x, t.y, z1, 0, 0, 1});
    }
    g.points.push_back({cx, cy, z0, 0, 0, -1});
    g.points.push_back({cx, cy, z1, 0, 0, 1});
    const int cb = static_cast<int>(g.points.size()) - 2, ctop = cb + 1;
    for (int j = 0; j < segs; ++j) {
        const int k = (j + 1) % segs;
        g.triangles.push_back({2 * j, 2 * k, 2 * k + 1, 0, 0, 0});
        g.triangles.push_back({2 * j, 2 * k + 1, 2 * j + 1, 0, 0, 0});
        g.triangles.push_back({cb, cap + 2 * k, cap + 2 * j, 0, 0, 0});
        g.triangles.push_back({ctop, cap + 2 * j + 1, cap + 2 * k + 1, 0, 0, 0});
    }
    if (faceted) facet(g);
    ddh_all(g);
    return g;
}

geometry_desc make_grid(int geom_no, int texture, float cx, float cy, float z, float size, int n, bool faceted) {
    geometry_desc g;
    g.name = "grid";
    g.geom_no = geom_no;
    g.texture = texture;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            g.points.push_back({cx - size / 2 + size * j / n, cy - size / 2 + size * i / n, z, 0, 0, 1});
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int p = i * (n + 1) + j;
            g.triangles.push_back({p, p + 1, p + n + 2, 0, 0, 1});
            g.triangles.push_back({p, p + n + 2, p + n + 1, 0, 0, 1});
        }
    g.faceted = faceted;
    ddh_all(g);
    return g;
}

void facet(geometry_desc &g) {
    g.faceted = true;
    for (trianglef_s &t : g.triangles) facenormal(t, g.points);
}

void squash(geometry_desc &g, float cx, float cy, float cz, float sx, float sy, float sz) {
    for (points_s &p : g.points) {
        p.x = cx + (p.x - cx) * sx;
        p.y = cy + (p.y - cy) * sy;
        p.z = cz + (p.z - cz) * sz;
        // Normals transform by the inverse scale.
        p.nx /= sx;
        p.ny /= sy;
        p.nz /= sz;
        normalize(p.nx, p.ny, p.nz);
    }
    if (g.faceted) facet(g);
    bbox_unset(g);
}

void turnz(geometry_desc &g, float cx, float cy, float a) {
    const float c = std::cos(a), s = std::sin(a);
    for (points_s &p : g.points) {
        const float x = p.x - cx, y = p.y - cy;
        p.x = cx + x * c - y * s;
        p.y = cy + x * s + y * c;
        const float nx = p.nx;
        p.nx = nx * c - p.ny * s;
        p.ny = nx * s + p.ny * c;
    }
    for (trianglef_s &t : g.triangles) {
        const float nx = t.nx;
        t.nx = nx * c - t.ny * s;
        t.ny = nx * s + t.ny * c;
    }
}

}  // namespace vortella

namespace vortella {

namespace {

using vec3 = std::array<double, 3>;

vec3 sub(const vec3 &a, const vec3 &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double dot(const vec3 &a, const vec3 &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
vec3 cross(const vec3 &a, const vec3 &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
vec3 unit(const vec3 &a) {
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? vec3{a[0] / l, a[1] / l, a[2] / l} : a;
}
vec3 axpy(double s, const vec3 &a, const vec3 &b) { return {s * a[0] + b[0], s * a[1] + b[1], s * a[2] + b[2]}; }

points_s point(const vec3 &p, const vec3 &n) {
    return {float(p[0]), float(p[1]), float(p[2]), float(n[0]), float(n[1]), float(n[2])};
}

// Triangles with two corners on one point (at a lathe's poles) have no
// face and are never drawn: they are not made.
void tri(geometry_desc &g, int a, int b, int c) {
    if (a != b && b != c && a != c) g.triangles.push_back({a, b, c, 0, 0, 0});
}

// Twice the signed area of the triangle (a, b, c) in the plane, positive
// when counter-clockwise.
double area2(const std::array<float, 2> &a, const std::array<float, 2> &b, const std::array<float, 2> &c) {
    return (double(b[0]) - a[0]) * (double(c[1]) - a[1]) - (double(b[1]) - a[1]) * (double(c[0]) - a[0]);
}

// Ear clipping of a simple counter-clockwise polygon: triangles as index
// triples, counter-clockwise.
std::vector<std::array<int, 3>> triangulate(const std::vector<std::array<float, 2>> &poly) {
    std::vector<std::array<int, 3>> out;
    std::vector<int> left(poly.size());
    for (size_t i = 0; i < poly.size(); ++i) left[i] = static_cast<int>(i);
    while (left.size() > 3) {
        const size_t n = left.size();
        bool cut = false;
        for (size_t i = 0; i < n && !cut; ++i) {
            const int a = left[(i + n - 1) % n], b = left[i], c = left[(i + 1) % n];
            if (area2(poly[a], poly[b], poly[c]) <= 0) continue;   // a reflex corner is no ear
            bool empty = true;
            for (int k : left) {
                if (k == a || k == b || k == c) continue;
                // Points on the ear's edges count as inside: cutting there
                // would leave a sliver crossing the outline.
                if (area2(poly[a], poly[b], poly[k]) >= 0 && area2(poly[b], poly[c], poly[k]) >= 0 &&
                    area2(poly[c], poly[a], poly[k]) >= 0) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            out.push_back({a, b, c});
            left.erase(left.begin() + static_cast<long>(i));
            cut = true;
        }
        // Not simple or not counter-clockwise: fan out what is left rather
        // than loop for ever.
        if (!cut) break;
    }
    for (size_t i = 1; i + 1 < left.size(); ++i) out.push_back({left[0], left[i], left[i + 1]});
    return out;
}

}  // namespace

geometry_desc make_lathe(int geom_no, int texture, float cx, float cy, const std::vector<profile_point> &profile,
                         int segs, bool faceted, float crease) {
    geometry_desc g;
    g.name = "lathe";
    g.geom_no = geom_no;
    g.texture = texture;
    const int n = static_cast<int>(profile.size());
    if (n < 2 || segs < 3) return g;
    // The (r, z) normal of segment i (from point i to i + 1): the profile's
    // direction turned a quarter to the right.
    std::vector<std::array<double, 2>> segn(n - 1);
    for (int i = 0; i + 1 < n; ++i) {
        const double dr = double(profile[i + 1].r) - profile[i].r, dz = double(profile[i + 1].z) - profile[i].z;
        const double l = std::hypot(dr, dz);
        segn[i] = l > 0 ? std::array<double, 2>{dz / l, -dr / l} : std::array<double, 2>{0, 0};
    }
    // Each profile point gets a ring (or a pole point) for the segment
    // below it and one for the segment above; they are the same ring
    // unless the profile bends sharply there.
    const double cosc = std::cos(crease);
    std::vector<int> below(n, -1), above(n, -1);
    auto ring = [&](int i, std::array<double, 2> nrz) {
        const int first = static_cast<int>(g.points.size());
        const double r = profile[i].r, z = profile[i].z;
        if (r <= 1e-6) {
            g.points.push_back(point({cx, cy, z}, {0, 0, nrz[1] >= 0 ? 1.0 : -1.0}));
            return first;
        }
        for (int j = 0; j < segs; ++j) {
            const double a = tau * j / segs, ca = std::cos(a), sa = std::sin(a);
            g.points.push_back(point({cx + r * ca, cy + r * sa, z}, {nrz[0] * ca, nrz[0] * sa, nrz[1]}));
        }
        return first;
    };
    for (int i = 0; i < n; ++i) {
        const bool hasb = i > 0, hasa = i + 1 < n;
        if (hasb && hasa) {
            const auto &p = segn[i - 1], &q = segn[i];
            if (p[0] * q[0] + p[1] * q[1] >= cosc) {
                double m0 = p[0] + q[0], m1 = p[1] + q[1];
                const double l = std::hypot(m0, m1);
                if (l > 0) m0 /= l, m1 /= l;
                below[i] = above[i] = ring(i, {m0, m1});
                continue;
            }
        }
        if (hasb) below[i] = ring(i, segn[i - 1]);
        if (hasa) above[i] = ring(i, segn[i]);
    }
    auto at = [&](int first, int i, int j) { return profile[i].r <= 1e-6 ? first : first + (j % segs); };
    for (int i = 0; i + 1 < n; ++i)
        for (int j = 0; j < segs; ++j) {
            const int a = at(above[i], i, j), b = at(above[i], i, j + 1);
            const int c = at(below[i + 1], i + 1, j + 1), d = at(below[i + 1], i + 1, j);
            tri(g, a, b, c);
            tri(g, a, c, d);
        }
    if (faceted) facet(g);
    ddh_all(g);
    return g;
}

geometry_desc make_extrusion(int geom_no, int texture, const std::vector<std::array<float, 2>> &outline, float z0,
                             float z1, const std::array<float, 2> *hub) {
    geometry_desc g;
    g.name = "extrusion";
    g.faceted = true;
    g.geom_no = geom_no;
    g.texture = texture;
    const int n = static_cast<int>(outline.size());
    if (n < 3) return g;
    // Each side its own four corners, the caps their own points: every
    // triangle of a faceted geometry carries its own normal anyway, so the
    // sharing only matters for the bounding box and the point count.
    for (const auto &p : outline) g.points.push_back({p[0], p[1], z0, 0, 0, 0});
    for (const auto &p : outline) g.points.push_back({p[0], p[1], z1, 0, 0, 0});
    for (int i = 0; i < n; ++i) {
        const int k = (i + 1) % n;
        tri(g, i, k, n + k);
        tri(g, i, n + k, n + i);
    }
    std::vector<std::array<int, 3>> caps;
    if (hub) {
        g.points.push_back({(*hub)[0], (*hub)[1], z0, 0, 0, 0});
        g.points.push_back({(*hub)[0], (*hub)[1], z1, 0, 0, 0});
        // The hub's index in the cap's numbering (n + hub is the top one).
        for (int i = 0; i < n; ++i) caps.push_back({n, i, (i + 1) % n});
    } else {
        caps = triangulate(outline);
    }
    // Cap corners numbered as in the outline; the hub, when there is one,
    // is number n: its bottom point is 2n and its top 2n + 1.
    auto bottom = [n](int i) { return i == n ? 2 * n : i; };
    auto top = [n](int i) { return i == n ? 2 * n + 1 : n + i; };
    for (const auto &t : caps) {
        tri(g, top(t[0]), top(t[1]), top(t[2]));            // top, counter-clockwise from above
        tri(g, bottom(t[0]), bottom(t[2]), bottom(t[1]));   // bottom, the other way round
    }
    facet(g);
    ddh_all(g);
    return g;
}

geometry_desc make_heightfield(int geom_no, int texture, float x0, float y0, float x1, float y1, int nx, int ny,
                               const std::function<float(float, float)> &h, bool faceted) {
    geometry_desc g;
    g.name = "height field";
    g.geom_no = geom_no;
    g.texture = texture;
    if (nx < 1 || ny < 1) return g;
    const double dx = (double(x1) - x0) / nx, dy = (double(y1) - y0) / ny;
    for (int i = 0; i <= ny; ++i)
        for (int j = 0; j <= nx; ++j) {
            const float x = float(x0 + dx * j), y = float(y0 + dy * i);
            // Central differences, reaching one cell beyond the edges.
            const double hx = (double(h(float(x + dx), y)) - h(float(x - dx), y)) / (2 * dx);
            const double hy = (double(h(x, float(y + dy))) - h(x, float(y - dy))) / (2 * dy);
            g.points.push_back(point({x, y, h(x, y)}, unit({-hx, -hy, 1})));
        }
    for (int i = 0; i < ny; ++i)
        for (int j = 0; j < nx; ++j) {
            const int p00 = i * (nx + 1) + j, p10 = p00 + 1, p01 = p00 + nx + 1, p11 = p01 + 1;
            const float d1 = std::fabs(g.points[p00].z - g.points[p11].z);
            const float d2 = std::fabs(g.points[p10].z - g.points[p01].z);
            if (d1 <= d2) {
                tri(g, p00, p10, p11);
                tri(g, p00, p11, p01);
            } else {
                tri(g, p00, p10, p01);
                tri(g, p10, p11, p01);
            }
        }
    if (faceted) facet(g);
    ddh_all(g);
    return g;
}

geometry_desc make_tube(int geom_no, int texture, const std::function<std::array<float, 3>(double)> &c, float r,
                        int rings, int segs) {
    geometry_desc g;
    g.name = "tube";
    g.geom_no = geom_no;
    g.texture = texture;
    if (rings < 3 || segs < 3) return g;
    std::vector<vec3> p(rings), t(rings), nrm(rings);
    for (int i = 0; i < rings; ++i) {
        const std::array<float, 3> q = c(double(i) / rings);
        p[i] = {q[0], q[1], q[2]};
    }
    for (int i = 0; i < rings; ++i) t[i] = unit(sub(p[(i + 1) % rings], p[(i + rings - 1) % rings]));
    // A first normal across the tangent, then each carried to the next
    // tangent by removing its part along it.
    const vec3 axis = std::fabs(t[0][2]) < 0.9 ? vec3{0, 0, 1} : vec3{1, 0, 0};
    nrm[0] = unit(axpy(-dot(axis, t[0]), t[0], axis));
    for (int i = 1; i < rings; ++i) nrm[i] = unit(axpy(-dot(nrm[i - 1], t[i]), t[i], nrm[i - 1]));
    // After the lap the carried normal comes back turned about the first
    // tangent; each ring takes its share of the turn back.
    const vec3 back = unit(axpy(-dot(nrm[rings - 1], t[0]), t[0], nrm[rings - 1]));
    const double lap = std::atan2(dot(cross(back, nrm[0]), t[0]), dot(back, nrm[0]));
    for (int i = 0; i < rings; ++i) {
        const double f = lap * i / rings;
        const vec3 b = cross(t[i], nrm[i]);
        const vec3 nn = axpy(std::cos(f), nrm[i], {b[0] * std::sin(f), b[1] * std::sin(f), b[2] * std::sin(f)});
        const vec3 bb = cross(t[i], nn);
        for (int j = 0; j < segs; ++j) {
            const double v = tau * j / segs;
            const vec3 d = axpy(std::cos(v), nn, {bb[0] * std::sin(v), bb[1] * std::sin(v), bb[2] * std::sin(v)});
            g.points.push_back(point(axpy(r, d, p[i]), d));
        }
    }
    auto at = [rings, segs](int i, int j) { return (i % rings) * segs + (j % segs); };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            tri(g, at(i, j), at(i + 1, j + 1), at(i + 1, j));
            tri(g, at(i, j), at(i, j + 1), at(i + 1, j + 1));
        }
    ddh_all(g);
    return g;
}

geometry_desc make_torus_knot(int geom_no, int texture, float cx, float cy, float cz, int p, int q, float R, float a,
                              float r, int rings, int segs) {
    geometry_desc g = make_tube(
        geom_no, texture,
        [=](double t) {
            const double u = tau * t, w = R + a * std::cos(q * u);
            return std::array<float, 3>{float(cx + w * std::cos(p * u)), float(cy + w * std::sin(p * u)),
                                        float(cz + a * std::sin(q * u))};
        },
        r, rings, segs);
    g.name = "torus knot";
    return g;
}

void append(geometry_desc &a, const geometry_desc &b) {
    if (a.points.empty()) a.faceted = b.faceted;
    const int base = static_cast<int>(a.points.size());
    a.points.insert(a.points.end(), b.points.begin(), b.points.end());
    for (trianglef_s t : b.triangles) {
        t.pt1 += base, t.pt2 += base, t.pt3 += base;
        a.triangles.push_back(t);
    }
    bbox_unset(a);
}

void shift(geometry_desc &g, float dx, float dy, float dz) {
    for (points_s &p : g.points) p.x += dx, p.y += dy, p.z += dz;
    bbox_unset(g);
}

void turn(geometry_desc &g, float ax, float ay, float az, float a) {
    // Rodrigues' rotation as a matrix, applied to points and normals alike.
    const double c = std::cos(a), s = std::sin(a), k = 1 - c;
    const double m[3][3] = {{c + ax * ax * k, ax * ay * k - az * s, ax * az * k + ay * s},
                            {ay * ax * k + az * s, c + ay * ay * k, ay * az * k - ax * s},
                            {az * ax * k - ay * s, az * ay * k + ax * s, c + az * az * k}};
    auto rot = [&m](float &x, float &y, float &z) {
        const double v[3] = {x, y, z};
        x = float(m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2]);
        y = float(m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2]);
        z = float(m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]);
    };
    for (points_s &p : g.points) {
        rot(p.x, p.y, p.z);
        rot(p.nx, p.ny, p.nz);
    }
    for (trianglef_s &t : g.triangles) rot(t.nx, t.ny, t.nz);
    bbox_unset(g);
}

geometry_desc ring_of(const geometry_desc &shape, int n, float radius, float phase) {
    geometry_desc g;
    g.name = shape.name;
    g.geom_no = shape.geom_no;
    g.texture = shape.texture;
    g.faceted = shape.faceted;
    for (int k = 0; k < n; ++k) {
        geometry_desc c = shape;
        shift(c, radius, 0, 0);
        turnz(c, 0, 0, float(phase + tau * k / n));
        append(g, c);
    }
    ddh_all(g);
    return g;
}

geometry_desc grid_of(const geometry_desc &shape, int nx, int ny, float dx, float dy) {
    geometry_desc g;
    g.name = shape.name;
    g.geom_no = shape.geom_no;
    g.texture = shape.texture;
    g.faceted = shape.faceted;
    for (int i = 0; i < ny; ++i)
        for (int j = 0; j < nx; ++j) {
            geometry_desc c = shape;
            shift(c, dx * (j - (nx - 1) * 0.5f), dy * (i - (ny - 1) * 0.5f), 0);
            append(g, c);
        }
    ddh_all(g);
    return g;
}

void two_sided(geometry_desc &g) {
    const int np = static_cast<int>(g.points.size()), nt = static_cast<int>(g.triangles.size());
    for (int i = 0; i < np; ++i) {
        points_s p = g.points[i];
        p.nx = -p.nx, p.ny = -p.ny, p.nz = -p.nz;
        g.points.push_back(p);
    }
    for (int i = 0; i < nt; ++i) {
        const trianglef_s t = g.triangles[i];
        g.triangles.push_back({t.pt1 + np, t.pt3 + np, t.pt2 + np, -t.nx, -t.ny, -t.nz});
    }
    ddh_all(g);
}

}  // namespace vortella
