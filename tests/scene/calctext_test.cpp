// Material tables: the worked values, the split and wrap of the texture
// tables, reflection copies, and clamping of values outside the ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "authoring/primitives.h"
#include "scene/scene.h"
#include "support/testutil.h"

namespace vortella {
namespace {

class Tables : public test::store_test {
protected:
    // Loads a scene of one material (number 1) plus `extra` objects and
    // returns the material.
    mem_texture_s &loadmat(const material_desc &m, scene_desc extra = {}) {
        extra.objects.insert(extra.objects.begin(), object_desc{});
        extra.objects[0].type = OT_TEXTURE;
        extra.objects[0].material = m;
        extra.objects[0].material.texture_no = 1;
        EXPECT_EQ(load(extra), 0) << readerr;
        return tex_by_no(1)->t.material;
    }
    std::string map(int w, int h, const std::string &name = "m.bmp") {
        rgbimage img;
        img.w = w;
        img.h = h;
        img.rgb.resize(static_cast<size_t>(w) * h * 3);
        for (size_t i = 0; i < img.rgb.size(); ++i) img.rgb[i] = static_cast<uint8_t>(i * 7);
        std::string err;
        EXPECT_TRUE(write_bmp24(img, dir.file(name), &err));
        return name;
    }
    static int lit(const mem_texture_s &m, int r, int c) { return m.litear->lti[r * 256 + c]; }
};

TEST_F(Tables, ShadingRampWorkedExample) {
    material_desc d;
    d.ambient = 2;
    d.diffuse = 0;
    d.brilliance = 0.5f;   // B = 127
    mem_texture_s &m = loadmat(d);
    for (int r = 0; r < 127; ++r) ASSERT_EQ(lit(m, r, 200), 50) << r;
    EXPECT_EQ(lit(m, 127, 200), 50);
    EXPECT_EQ(lit(m, 128, 200), 51);   // 50.5 + 1.171875
    EXPECT_EQ(lit(m, 254, 200), 199);
    EXPECT_EQ(lit(m, 255, 200), 200);
    // Every column climbs monotonically from its dark to its lit value.
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(lit(m, 0, c), c >> 2);
        EXPECT_EQ(lit(m, 255, c), c);
        for (int r = 1; r < 256; ++r) ASSERT_GE(lit(m, r, c), lit(m, r - 1, c));
    }
}

TEST_F(Tables, HighlightRampWorkedExample) {
    material_desc d;
    d.highlights = 1.0f;   // L = 31
    mem_texture_s &m = loadmat(d);
    const int *h = m.hilitear->hli;
    for (int r = 0; r < 32; ++r) EXPECT_EQ(h[r * 256 + 255], 255);
    EXPECT_EQ(h[0 * 256 + 0], 0);
    EXPECT_EQ(h[1 * 256 + 0], (32768 + 539086) >> 16);
    EXPECT_EQ(h[30 * 256 + 0], 247);
    EXPECT_EQ(h[31 * 256 + 0], 255);
}

TEST_F(Tables, TransmissionOnlyForUntexturedTransparentMaterials) {
    material_desc d;
    EXPECT_EQ(loadmat(d).transrr, nullptr);
    deletefilestruct();

    d.trans = 0.8f;   // T = 204
    d.opacity = 0.2f; // O = 51
    d.trans_th = 0.5f;
    d.red = 200;
    d.green = 100;
    d.blue = 0;
    mem_texture_s &m = loadmat(d);
    ASSERT_NE(m.transrr, nullptr);
    ASSERT_NE(m.transrb, nullptr);
    // Opaque rows keep the material's value; rows from T on mix it evenly
    // with the background; between them a ramp.
    EXPECT_EQ(m.transrr->lti[50 * 256 + 0], 200);
    EXPECT_EQ(m.transrr->lti[51 * 256 + 0], 200);
    EXPECT_EQ(m.transrr->lti[204 * 256 + 0], 100);
    EXPECT_EQ(m.transrr->lti[255 * 256 + 255], 227);
    EXPECT_EQ(m.transrb->lti[255 * 256 + 255], 127);
    EXPECT_EQ(m.transrg->lti[255 * 256 + 100], 100);
    const int mid = m.transrr->lti[127 * 256 + 0];
    EXPECT_GT(mid, 100);
    EXPECT_LT(mid, 200);
    deletefilestruct();

    map(4, 4);
    scene_desc extra;
    extra.add(map_desc{"m.bmp", 1});
    d.map_type = 1;
    d.map_no = 1;
    EXPECT_EQ(loadmat(d, extra).transrr, nullptr);
}

TEST_F(Tables, PlanarColumnsRepeatAndWrap) {
    map(256, 4);
    scene_desc extra;
    extra.add(map_desc{"m.bmp", 1});
    material_desc d;
    d.map_type = 1;
    d.map_no = 1;
    d.x_freq = 2;
    d.y_freq = 3;
    mem_texture_s &m = loadmat(d, extra);
    ASSERT_NE(m.textax, nullptr);
    EXPECT_EQ(m.textax->api[4096], 384);
    EXPECT_EQ(m.textax->api[8192], 0);
    EXPECT_EQ(m.textax->api[16383], 3 * 255);
    uint8_t *bits = DibBits(m.pdibmap);
    const int S = DibRowBytes(m.pdibmap);
    EXPECT_EQ(S, 768);
    EXPECT_EQ(m.textay->ap[0], bits);
    // Three repetitions over four rows: v = 16384 / 3 starts the second.
    EXPECT_EQ(m.textay->ap[5462], bits);
    EXPECT_EQ(m.textay->ap[5461], bits + 3 * S);
    EXPECT_EQ(m.textay->ap[16383], bits + 3 * S);
}

TEST_F(Tables, SphericalColumnsSplitAtTwoThirds) {
    map(90, 2);
    scene_desc extra;
    extra.add(map_desc{"m.bmp", 1});
    material_desc d;
    d.map_type = 2;
    d.map_no = 1;
    mem_texture_s &m = loadmat(d, extra);
    EXPECT_EQ(m.textax->api[0], 0);
    EXPECT_EQ(m.textax->api[10921], 3 * 89);
    EXPECT_EQ(m.textax->api[10922], 0);   // the last third starts again
    EXPECT_EQ(m.textax->api[16383], 3 * ((5461 * 90) / 10922));
    // Map types above 3 act as cylindrical: the same split.
    deletefilestruct();
    d.map_type = 9;
    EXPECT_EQ(loadmat(d, extra).textax->api[10922], 0);
}

TEST_F(Tables, HugeFrequenciesStayInsideTheMap) {
    map(2000, 70);
    scene_desc extra;
    extra.add(map_desc{"m.bmp", 1});
    material_desc d;
    d.map_type = 1;
    d.map_no = 1;
    d.x_freq = 65535;   // W * x_freq far beyond 32 bits' reach of 16384 * W
    d.y_freq = 65535;
    mem_texture_s &m = loadmat(d, extra);
    uint8_t *bits = DibBits(m.pdibmap);
    const int S = DibRowBytes(m.pdibmap);
    for (int u = 0; u < 16384; ++u) {
        ASSERT_GE(m.textax->api[u], 0);
        ASSERT_LT(m.textax->api[u], 3 * 2000);
        ASSERT_GE(m.textay->ap[u], bits);
        ASSERT_LE(m.textay->ap[u], bits + size_t(S) * 69);
    }
}

TEST_F(Tables, ValuesOutsideTheRangesAreClamped) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float bad : {nan, -3.0f, 1.0f, 7.0f, std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(bad);
        material_desc d;
        d.brilliance = bad;
        d.highlights = bad;
        d.trans = bad;
        d.opacity = bad;
        d.trans_th = bad;
        d.ambient = 40;
        d.diffuse = 65535;
        d.red = 255;
        mem_texture_s &m = loadmat(d);
        for (int i = 0; i < 32 * 256; ++i) {
            ASSERT_GE(m.hilitear->hli[i], 0);
            ASSERT_LE(m.hilitear->hli[i], 255);
        }
        // Shifts of 31 leave nothing of any colour value.
        EXPECT_EQ(lit(m, 255, 255), 0);
        deletefilestruct();
    }
    // Equal opacity and transparency bounds: no ramp, no division by zero.
    material_desc d;
    d.trans = 0.5f;
    d.opacity = 0.5f;
    d.trans_th = 1.0f;
    d.red = 10;
    mem_texture_s &m = loadmat(d);
    EXPECT_EQ(m.transrr->lti[126 * 256 + 200], 10);
    EXPECT_EQ(m.transrr->lti[127 * 256 + 200], 200);
}

TEST_F(Tables, ReflectionCopiesOrSharesTheBackground) {
    std::filesystem::create_directories(dir.file("maps"));
    map(10, 3, "maps/BGROUND.BMP");
    material_desc d;
    d.reflection = 1.0f;
    mem_texture_s &full = loadmat(d);
    ASSERT_NE(bgmapraw, nullptr);
    EXPECT_EQ(full.pdibmap, bgmapraw);
    EXPECT_EQ(full.pdibdel, 0);
    EXPECT_EQ(full.textax->api[10921], 3 * 9);
    EXPECT_EQ(full.textax->api[10922], 0);
    deletefilestruct();

    d.reflection = 0.5f;
    d.red = 200;
    d.green = 100;
    d.blue = 50;
    mem_texture_s &half = loadmat(d);
    ASSERT_NE(half.pdibmap, bgmapraw);
    EXPECT_EQ(half.pdibdel, 1);
    EXPECT_EQ(half.pdibmap->biWidth, 10);
    const uint8_t *src = DibBits(bgmapraw), *dst = DibBits(half.pdibmap);
    const float lum = (src[0] + src[1] + src[2]) * (1.0f / 768.0f);
    const float g = 1.0f - (1.0f - lum) * 0.5f;
    EXPECT_EQ(dst[2], static_cast<int>(200 * g));
    EXPECT_EQ(dst[1], static_cast<int>(100 * g));
    EXPECT_EQ(dst[0], static_cast<int>(50 * g));
    EXPECT_GE(half.textay->ap[16383], DibBits(half.pdibmap));
}

TEST_F(Tables, MissingBackgroundTakesTheReflectionAway) {
    material_desc d;
    d.reflection = 0.5f;
    mem_texture_s &m = loadmat(d);
    EXPECT_EQ(m.reflection, 0.0f);
    EXPECT_EQ(m.textax, nullptr);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].caption, "Map Not Found");
    EXPECT_EQ(svc.boxes[0].text, "File " + sbackgroundbmp + " not found");
}

TEST_F(Tables, MapsThatAreNot24BitAreRefused) {
    // An 8-bit map: header, 256 colours, 4 x 2 pixels.
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 4, 0, 0,
                              40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0};
    b.resize(54 + 1024 + 8, 0);
    test::writebytes(dir.file("pal.bmp"), b);
    scene_desc extra;
    extra.add(map_desc{"pal.bmp", 1});
    material_desc d;
    d.map_type = 1;
    d.map_no = 1;
    mem_texture_s &m = loadmat(d, extra);
    EXPECT_EQ(m.map_type, 0);
    EXPECT_EQ(m.textax, nullptr);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].text, "Map pal.bmp is not a 24-bit bitmap");
}

// A textured material whose map is missing or refused becomes a plain one;
// when it is transparent or reflective it gets the tables of that kind, which
// the render list then draws it with.
TEST_F(Tables, MaterialThatLosesItsMapGetsPlainTables) {
    material_desc d;
    d.map_type = 2;
    d.map_no = 9;   // no such map
    d.trans = 0.5f;
    mem_texture_s &glass = loadmat(d);
    EXPECT_EQ(glass.map_type, 0);
    EXPECT_NE(glass.transrr, nullptr);
    EXPECT_NE(glass.transrg, nullptr);
    EXPECT_NE(glass.transrb, nullptr);

    deletefilestruct();
    std::filesystem::create_directories(dir.file("maps"));
    map(8, 4, "maps/BGROUND.BMP");
    d.trans = 0;
    d.reflection = 0.5f;
    mem_texture_s &mirror = loadmat(d);
    EXPECT_EQ(mirror.map_type, 0);
    EXPECT_NE(mirror.textax, nullptr);
    EXPECT_NE(mirror.textay, nullptr);
}

}  // namespace
}  // namespace vortella
