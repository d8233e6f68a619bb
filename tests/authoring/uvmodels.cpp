#include "authoring/uvmodels.h"

#include <cmath>
#include <fstream>

namespace vortella::test {

namespace {

constexpr double pi = 3.14159265358979;

// Adds a triangle over positions a, b, c with their texture coordinates.
void tri(model_mesh &m, int a, int b, int c, std::array<float, 2> ta, std::array<float, 2> tb,
         std::array<float, 2> tc) {
    m.triangles.push_back({a, b, c});
    m.material.push_back(0);
    m.uvs.insert(m.uvs.end(), {ta, tb, tc});
}

int point(model_mesh &m, double x, double y, double z) {
    m.positions.push_back({float(x), float(y), float(z)});
    return int(m.positions.size()) - 1;
}

model_mesh start() {
    model_mesh m;
    m.materials.emplace_back();
    m.materials[0].uv = true;
    return m;
}

}  // namespace

model_mesh uv_quad() {
    model_mesh m = start();
    for (int k = 0; k < 4; ++k) point(m, k == 1 || k == 2 ? 1 : -1, 0, k >= 2 ? 1 : -1);
    tri(m, 0, 1, 2, {0, 0}, {1, 0}, {1, 1});
    tri(m, 0, 2, 3, {0, 0}, {1, 1}, {0, 1});
    return m;
}

model_mesh uv_sphere(int rings, int segs) {
    model_mesh m = start();
    const int top = point(m, 0, 0, 1);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            const double th = pi * i / rings, ph = 2 * pi * j / segs;
            point(m, std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th));
        }
    const int bottom = point(m, 0, 0, -1);
    auto at = [&](int i, int j) { return i == 0 ? top : i == rings ? bottom : 1 + (i - 1) * segs + j % segs; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            const float u0 = float(j) / segs, u1 = float(j + 1) / segs;
            const float v0 = 1 - float(i) / rings, v1 = 1 - float(i + 1) / rings;
            if (i > 0) tri(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), {u0, v0}, {u1, v1}, {u1, v0});
            if (i + 1 < rings) tri(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), {u0, v0}, {u0, v1}, {u1, v1});
        }
    return m;
}

model_mesh uv_tube(int segs, float height) {
    model_mesh m = start();
    for (int j = 0; j < segs; ++j)
        for (int k = 0; k < 2; ++k) point(m, std::cos(2 * pi * j / segs), std::sin(2 * pi * j / segs), k * height);
    const int lo = point(m, 0, 0, 0), hi = point(m, 0, 0, height);
    for (int j = 0; j < segs; ++j) {
        const int a = 2 * j, b = 2 * ((j + 1) % segs);
        const float u0 = float(j) / segs, u1 = float(j + 1) / segs;
        tri(m, a, b, b + 1, {u0, 0.25f}, {u1, 0.25f}, {u1, 0.75f});
        tri(m, a, b + 1, a + 1, {u0, 0.25f}, {u1, 0.75f}, {u0, 0.75f});
        // The ends: discs in the texture's lowest and highest quarter.
        auto disc = [&](int p, float v) {
            const auto &q = m.positions[size_t(p)];
            return std::array<float, 2>{0.5f + 0.2f * q[0], v + 0.1f * q[1]};
        };
        tri(m, hi, a + 1, b + 1, {0.5f, 0.875f}, disc(a + 1, 0.875f), disc(b + 1, 0.875f));
        tri(m, lo, b, a, {0.5f, 0.125f}, disc(b, 0.125f), disc(a, 0.125f));
    }
    return m;
}

model_mesh uv_torus(int rings, int segs) {
    model_mesh m = start();
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            const double a = 2 * pi * i / rings, b = 2 * pi * j / segs, r = 2 + 0.6 * std::cos(b);
            point(m, r * std::cos(a), r * std::sin(a), 0.6 * std::sin(b));
        }
    auto at = [&](int i, int j) { return (i % rings) * segs + j % segs; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segs; ++j) {
            const float u0 = float(i) / rings, u1 = float(i + 1) / rings, v0 = float(j) / segs, v1 = float(j + 1) / segs;
            tri(m, at(i, j), at(i + 1, j), at(i + 1, j + 1), {u0, v0}, {u1, v0}, {u1, v1});
            tri(m, at(i, j), at(i + 1, j + 1), at(i, j + 1), {u0, v0}, {u1, v1}, {u0, v1});
        }
    return m;
}

model_mesh uv_cube() {
    model_mesh m = start();
    for (int k = 0; k < 8; ++k) point(m, k & 1 ? 1 : -1, k & 2 ? 1 : -1, k & 4 ? 1 : -1);
    // Each face counter-clockwise from outside, and its cell of the grid.
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int f = 0; f < 6; ++f) {
        const float u = (f % 3) / 3.0f, v = (f / 3) / 2.0f, du = 1 / 3.0f - 0.02f, dv = 0.5f - 0.02f;
        const std::array<float, 2> c[4] = {{u + 0.01f, v + 0.01f}, {u + du, v + 0.01f}, {u + du, v + dv}, {u + 0.01f, v + dv}};
        const int *q = faces[f];
        tri(m, q[0], q[1], q[2], c[0], c[1], c[2]);
        tri(m, q[0], q[2], q[3], c[0], c[2], c[3]);
    }
    return m;
}

void write_obj(const std::string &path, const model_mesh &m, const std::string &mtl) {
    std::ofstream f(path);
    f << "mtllib " << mtl << "\n";
    // y-up: the scene's (x, y, z) is the file's (x, -z, y).
    for (const auto &p : m.positions) f << "v " << p[0] << " " << p[2] << " " << -p[1] << "\n";
    for (const auto &t : m.uvs) f << "vt " << t[0] << " " << t[1] << "\n";
    int current = -1;
    for (size_t i = 0; i < m.triangles.size(); ++i) {
        if (m.material[i] != current) f << "usemtl m" << (current = m.material[i]) << "\n";
        f << "f";
        for (int c = 0; c < 3; ++c) f << " " << m.triangles[i][c] + 1 << "/" << i * 3 + c + 1;
        f << "\n";
    }
}

}  // namespace vortella::test
