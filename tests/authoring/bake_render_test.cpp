// Models dressed through texture coordinates, built into scenes and drawn
// by the frame renderer: the picture shows the texture where the
// coordinates put it.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "authoring/primitives.h"
#include "authoring/scenejson.h"
#include "authoring/uvmodels.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "support/testutil.h"

namespace vortella {
namespace {

constexpr double pi = 3.14159265358979;
const uint8_t kRed[3] = {230, 50, 40}, kBlue[3] = {40, 70, 230};

class BakedRender : public test::store_test {
protected:
    std::vector<uint8_t> bits;
    void TearDown() override {
        picfree();
        store_test::TearDown();
    }
    // Builds the model, looks from `cam` toward `target` (or keeps the
    // framing camera when `cam` is null) and draws one 320 x 240 frame.
    void show(const std::string &model, const std::array<float, 3> *cam, const std::array<float, 3> &target = {}) {
        built_scene b;
        std::string err;
        ASSERT_TRUE(build_model_scene(model, build_options{}, b, &err)) << err;
        for (object_desc &o : b.scene.objects)
            if (o.type == OT_CAMERA && cam) {
                o.camera.x = (*cam)[0], o.camera.y = (*cam)[1], o.camera.z = (*cam)[2];
                o.camera.targx = target[0], o.camera.targy = target[1], o.camera.targz = target[2];
            }
        ASSERT_TRUE(write_built_scene(b, dir.file("m.vtl"), &err)) << err;
        ASSERT_EQ(loadfile(dir.file("m.vtl").c_str()), 0) << last.message;
        iminv = 1, Orientation = -1, sbackground = 0;
        create_halftone_palette();
        picround(320, 240);
        bits.assign(size_t(picw) * pich, 0);
        ASSERT_TRUE(picbuild(bits.data()));
        render();
    }
    // The mean colour of the pixels round the point's place in the picture.
    std::array<double, 3> colour_at(double x, double y, double z, int r = 2) {
        ux = float(x), uy = float(y), uz = float(z);
        transfsc();
        std::array<double, 3> c = {0, 0, 0};
        int n = 0;
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const int px = sx + dx, py = sy + dy;
                if (px < 0 || py < 0 || px >= picw || py >= pich) continue;
                const PALETTEENTRY &e = peEntry[bits[size_t(py) * picw + px]];
                c[0] += e.peRed, c[1] += e.peGreen, c[2] += e.peBlue;
                ++n;
            }
        for (double &v : c) v /= std::max(n, 1);
        return c;
    }
    // Writes `m` with one textured material per listed texture.
    void write_model(const model_mesh &m, const std::vector<rgbimage> &textures) {
        std::string err, mtl;
        for (size_t k = 0; k < textures.size(); ++k) {
            ASSERT_TRUE(write_bmp24(textures[k], dir.file("t" + std::to_string(k) + ".bmp"), &err)) << err;
            mtl += "newmtl m" + std::to_string(k) + "\nKd 1 1 1\nmap_Kd t" + std::to_string(k) + ".bmp\n";
        }
        std::ofstream(dir.file("m.mtl")) << mtl;
        test::write_obj(dir.file("m.obj"), m, "m.mtl");
    }
};

// The checkerboard's colour at (u, v): red where the cell column plus the
// cell row counted from the picture's top is even.
bool red_at(double u, double v) { return ((int(u * 8) + 7 - int(v * 8)) & 1) == 0; }

TEST_F(BakedRender, QuadAndSphereShowTheCheckerboardHeadOn) {
    const rgbimage checker = make_checker(256, 256, 8, kRed, kBlue);
    // The square (x -1..1, z 0..2 once on the floor) seen straight on.
    write_model(test::uv_quad(), {checker});
    const std::array<float, 3> cam = {0, -7, 1};
    show(dir.file("m.obj"), &cam, {0, 0, 1});
    int cells = 0;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            const double u = (i + 0.5) / 8, v = (j + 0.5) / 8;
            const std::array<double, 3> c = colour_at(-1 + 2 * u, 0, 2 * v);
            EXPECT_EQ(c[0] > c[2], red_at(u, v)) << "cell " << i << ", " << j;
            ++cells;
        }
    EXPECT_EQ(cells, 64);
    picfree();
    deletefilestruct();
    // The sphere (centre 0, 0, 1): every cell whose centre faces the camera.
    write_model(test::uv_sphere(16, 32), {checker});
    show(dir.file("m.obj"), &cam, {0, 0, 1});
    cells = 0;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            const double u = (i + 0.5) / 8, v = (j + 0.5) / 8, th = pi * (1 - v), ph = 2 * pi * u;
            const double p[3] = {std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)};
            if (-p[1] < 0.5) continue;
            const std::array<double, 3> c = colour_at(p[0], p[1], 1 + p[2]);
            EXPECT_EQ(c[0] > c[2], red_at(u, v)) << "cell " << i << ", " << j;
            ++cells;
        }
    EXPECT_GE(cells, 10);
}

TEST_F(BakedRender, CubeShowsEachFacesOwnTexture) {
    // Six materials, one plain colour each; the faces' texture coordinates
    // cover their whole texture.
    const uint8_t colours[6][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    model_mesh m = test::uv_cube();
    std::vector<rgbimage> textures;
    for (int f = 0; f < 6; ++f) {
        m.material[size_t(2 * f)] = m.material[size_t(2 * f + 1)] = f;
        textures.push_back(make_checker(8, 8, 1, colours[f], colours[f]));
    }
    m.materials.resize(6, m.materials[0]);
    write_model(m, textures);
    show(dir.file("m.obj"), nullptr);   // the three-quarter view from above
    const float eye[3] = {camx, camy, camz - 1};
    int seen = 0;
    for (int f = 0; f < 6; ++f) {
        // The face's outward normal: the mean of its corners.
        double n[3] = {0, 0, 0};
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 3; ++a) n[a] += m.positions[size_t(m.triangles[size_t(2 * f)][c])][a];
        for (double &v : n) v = std::round(v / 3);
        if (n[0] * eye[0] + n[1] * eye[1] + n[2] * eye[2] < 0.3) continue;
        const std::array<double, 3> c = colour_at(n[0], n[1], 1 + n[2], 3);
        const double top = std::max({c[0], c[1], c[2]});
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(c[size_t(ch)] > top / 2, colours[f][ch] > 0) << "face " << f;
        ++seen;
    }
    EXPECT_EQ(seen, 3);
}

}  // namespace
}  // namespace vortella
