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
