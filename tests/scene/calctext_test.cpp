// Material tables: the worked values, the split and wrap of the texture
// tables, reflection copies, and clamping of values outside the ranges.
#include <gtest/gtest.h>

#include <limits>

#include "authoring/primitives.h"
#include "scene/scene.h"
#include "support/testutil.h"

namespace vortella {
namespace {

class Tables : public test::store_test {
protected:
    // Loads a scene of one material (number 1) and returns it; with a map
    // size, map 1 is a w x h picture and the material uses it as `map_type`.
    mem_texture_s &loadmat(material_desc m, int map_type = 0, int w = 0, int h = 0) {
        scene_desc s;
        m.texture_no = 1;
        if (w) m.map_type = map_type, m.map_no = 1;
        s.add(m);
        if (w) {
            test::writemap(dir.file("m.bmp"), w, h);
            s.add(map_desc{"m.bmp", 1});
        }
        EXPECT_EQ(load(s), 0) << last.message;
        return tex_by_no(1)->t.material;
    }
    static int lit(const mem_texture_s &m, int r, int c) { return m.litear->lti[r * 256 + c]; }
};

// Shading: every column climbs monotonically from a quarter of its value to
// the value itself; highlights climb to white in every row.
TEST_F(Tables, ShadingAndHighlightRamps) {
    material_desc d;
    d.ambient = 2, d.diffuse = 0, d.brilliance = 0.5f, d.highlights = 1.0f;   // B = 127, L = 31
    mem_texture_s &m = loadmat(d);
    for (int r = 0; r < 128; ++r) ASSERT_EQ(lit(m, r, 200), 50) << r;
    EXPECT_EQ(lit(m, 128, 200), 51);   // 50.5 + 1.171875
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(lit(m, 0, c), c >> 2);
        EXPECT_EQ(lit(m, 255, c), c);
        for (int r = 1; r < 256; ++r) ASSERT_GE(lit(m, r, c), lit(m, r - 1, c));
    }
    const int *h = m.hilitear->hli;
    for (int r = 0; r < 32; ++r) EXPECT_EQ(h[r * 256 + 255], 255);
    EXPECT_EQ(h[0], 0);
    EXPECT_EQ(h[30 * 256], 247);
    EXPECT_EQ(h[31 * 256], 255);
}

TEST_F(Tables, TransmissionOnlyForUntexturedTransparentMaterials) {
    material_desc d;
    EXPECT_EQ(loadmat(d).transrr, nullptr);
    deletefilestruct();

    d.trans = 0.8f, d.opacity = 0.2f, d.trans_th = 0.5f;   // T = 204, O = 51
    d.red = 200, d.green = 100, d.blue = 0;
    mem_texture_s &m = loadmat(d);
    ASSERT_NE(m.transrb, nullptr);
    // Opaque rows keep the material's value; rows from T on mix it evenly
    // with the background; between them a ramp.
    EXPECT_EQ(m.transrr->lti[50 * 256], 200);
    EXPECT_EQ(m.transrr->lti[51 * 256], 200);
    EXPECT_EQ(m.transrr->lti[204 * 256], 100);
    EXPECT_EQ(m.transrr->lti[255 * 256 + 255], 227);
    EXPECT_EQ(m.transrb->lti[255 * 256 + 255], 127);
    EXPECT_EQ(m.transrg->lti[255 * 256 + 100], 100);
    EXPECT_GT(m.transrr->lti[127 * 256], 100);
    EXPECT_LT(m.transrr->lti[127 * 256], 200);
    deletefilestruct();
    EXPECT_EQ(loadmat(d, 1, 4, 4).transrr, nullptr);
}

TEST_F(Tables, PlanarColumnsRepeatAndWrap) {
    material_desc d;
    d.x_freq = 2, d.y_freq = 3;
    mem_texture_s &m = loadmat(d, 1, 256, 4);
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

TEST_F(Tables, SphericalAndCylindricalColumnsSplitAtTwoThirds) {
    // Map types above 3 act as cylindrical: the same split.
    for (int type : {2, 9}) {
        SCOPED_TRACE(type);
        mem_texture_s &m = loadmat(material_desc{}, type, 90, 2);
        EXPECT_EQ(m.textax->api[0], 0);
        EXPECT_EQ(m.textax->api[10921], 3 * 89);
        EXPECT_EQ(m.textax->api[10922], 0);   // the last third starts again
        EXPECT_EQ(m.textax->api[16383], 3 * ((5461 * 90) / 10922));
        deletefilestruct();
    }
}

TEST_F(Tables, HugeFrequenciesStayInsideTheMap) {
    material_desc d;
    d.x_freq = d.y_freq = 65535;   // W * x_freq far beyond 32 bits' reach of 16384 * W
    mem_texture_s &m = loadmat(d, 1, 2000, 70);
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
        d.brilliance = d.highlights = d.trans = d.opacity = d.trans_th = bad;
        d.ambient = 40, d.diffuse = 65535, d.red = 255;
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
    d.trans = d.opacity = 0.5f, d.trans_th = 1.0f, d.red = 10;
    mem_texture_s &m = loadmat(d);
    EXPECT_EQ(m.transrr->lti[126 * 256 + 200], 10);
    EXPECT_EQ(m.transrr->lti[127 * 256 + 200], 200);
}

TEST_F(Tables, ReflectionSharesOrCopiesTheBackground) {
    // Without a background the reflection is taken away.
    material_desc d;
    d.reflection = 0.5f;
    mem_texture_s &none = loadmat(d);
    EXPECT_EQ(none.reflection, 0.0f);
    EXPECT_EQ(none.textax, nullptr);
    ASSERT_EQ(last.notes.size(), 1u);
    EXPECT_EQ(last.notes[0].caption, "Map Not Found");
    EXPECT_EQ(last.notes[0].text, "File " + paths.background + " not found");
    deletefilestruct();

    test::writemap(paths.background, 10, 3);
    d.reflection = 1.0f;
    mem_texture_s &full = loadmat(d);
    ASSERT_NE(bgmapraw, nullptr);
    EXPECT_EQ(full.pdibmap, bgmapraw);
    EXPECT_EQ(full.pdibdel, 0);
    EXPECT_EQ(full.textax->api[10921], 3 * 9);
    EXPECT_EQ(full.textax->api[10922], 0);
    deletefilestruct();

    d.reflection = 0.5f, d.red = 200, d.green = 100, d.blue = 50;
    mem_texture_s &half = loadmat(d);
    ASSERT_NE(half.pdibmap, bgmapraw);
    EXPECT_EQ(half.pdibdel, 1);
    EXPECT_EQ(half.pdibmap->biWidth, 10);
    // The copy: the material's colour dimmed by at most half where the
    // background is dark, its channels kept in proportion.
    const uint8_t *dst = DibBits(half.pdibmap);
    EXPECT_TRUE(dst[2] >= 100 && dst[2] <= 200) << int(dst[2]);
    EXPECT_NEAR(dst[1], dst[2] / 2, 1);
    EXPECT_NEAR(dst[0], dst[2] / 4, 1);
    EXPECT_GE(half.textay->ap[16383], DibBits(half.pdibmap));
}

// A textured material whose map is refused or missing becomes a plain one;
// when it is transparent or reflective it gets the tables of that kind, which
// the render list then draws it with.
TEST_F(Tables, MaterialThatLosesItsMapGetsPlainTables) {
    // An 8-bit map (header, 256 colours, 4 x 2 pixels) is refused.
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 4, 0, 0,
                              40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0};
    b.resize(54 + 1024 + 8, 0);
    test::writebytes(dir.file("pal.bmp"), b);
    scene_desc s;
    material_desc d;
    d.texture_no = 1, d.map_type = 2, d.map_no = 1, d.trans = 0.5f;
    s.add(d);
    s.add(map_desc{"pal.bmp", 1});
    ASSERT_EQ(load(s), 0) << last.message;
    const mem_texture_s &glass = tex_by_no(1)->t.material;
    ASSERT_EQ(last.notes.size(), 1u);
    EXPECT_EQ(last.notes[0].text, "Map pal.bmp is not a 24-bit bitmap");
    EXPECT_EQ(glass.map_type, 0);
    EXPECT_NE(glass.transrr, nullptr);
    EXPECT_NE(glass.transrg, nullptr);
    EXPECT_NE(glass.transrb, nullptr);
    deletefilestruct();

    test::writemap(paths.background, 8, 4);
    d.map_no = 9, d.trans = 0, d.reflection = 0.5f;   // no map 9
    mem_texture_s &mirror = loadmat(d);
    EXPECT_EQ(mirror.map_type, 0);
    EXPECT_NE(mirror.textax, nullptr);
    EXPECT_NE(mirror.textay, nullptr);
}

}  // namespace
}  // namespace vortella
