// Damaged scene files: every structural fault is rejected with return value
// 2 and a message, and leaves the store empty.
#include <gtest/gtest.h>

#include "authoring/primitives.h"
#include "scene/records.h"
#include "scene/scene.h"
#include "support/testutil.h"

namespace vortella {
namespace {

class BadInput : public test::store_test {
protected:
    // Loads `b`, expects rejection naming `what`, and an empty store.
    void rejects(const std::vector<uint8_t> &b, const std::string &what) {
        SCOPED_TRACE(what);
        ASSERT_EQ(loadbytes(b), 2);
        EXPECT_NE(readerr.find(what), std::string::npos) << readerr;
        EXPECT_NE(readerr.find("scene.vtl"), std::string::npos) << readerr;
        EXPECT_EQ(file_no_obj, 0);
        EXPECT_EQ(obj_at(0), nullptr);
        EXPECT_EQ(geo_by_no(1), nullptr);
        EXPECT_EQ(tex_by_no(1), nullptr);
    }
    static void set16(std::vector<uint8_t> &b, size_t at, int v) {
        b[at] = static_cast<uint8_t>(v & 0xff);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
};

// Offsets inside the tiny scene: header 24, type 2, then the geometry record.
constexpr size_t geo = 26;

TEST_F(BadInput, TruncationAtEveryOffsetIsRejected) {
    scene_desc s = test::every_kind_scene(dir);
    std::vector<uint8_t> full = write_scene(s);
    camx = 123;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
        ASSERT_EQ(loadbytes(cut), 2) << "cut at " << n;
        ASSERT_EQ(file_no_obj, 0) << "cut at " << n;
        ASSERT_NE(readerr.find("ends inside"), std::string::npos) << readerr;
    }
    // A rejected file changes no setting, even past its camera record.
    EXPECT_EQ(camx, 123);
    EXPECT_EQ(loadbytes(full), 0);
}

TEST_F(BadInput, MessageNamesObjectAndOffset) {
    std::vector<uint8_t> b = write_scene(test::tiny_scene());
    b.resize(300);
    ASSERT_EQ(loadbytes(b), 2);
    EXPECT_NE(readerr.find("object 1 at byte 300"), std::string::npos) << readerr;
    b.resize(10);
    ASSERT_EQ(loadbytes(b), 2);
    EXPECT_NE(readerr.find("header at byte 10"), std::string::npos) << readerr;
}

TEST_F(BadInput, CountsAndNumbersOf32768AreRejected) {
    const std::vector<uint8_t> good = write_scene(test::tiny_scene());
    struct {
        size_t at;
        const char *what;
    } cases[] = {
        {22, "object count"},
        {geo + 32, "geometry number"},
        {geo + 34, "point count"},
        {geo + 36, "triangle count"},
        {geo + 62, "material number"},
        {geo + 66 + 36 + 18, "depth table length"},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> b = good;
        set16(b, c.at, 32768);
        rejects(b, c.what);
        set16(b, c.at, 65535);
        rejects(b, c.what);
    }
    // The instance's number and its geometry list entry.
    const size_t inst = 420 - 93 + 2;
    std::vector<uint8_t> b = good;
    set16(b, inst + 32, 40000);
    rejects(b, "instance number");
    b = good;
    set16(b, 418, 32768);
    rejects(b, "geometry number");
}

TEST_F(BadInput, ReferencesOutsideTheGeometryAreRejected) {
    const std::vector<uint8_t> good = write_scene(test::tiny_scene());
    std::vector<uint8_t> b = good;
    set16(b, geo + 66 + 36 + 4, 3);   // third point of the triangle: only 0..2
    rejects(b, "names a point");
    b = good;
    set16(b, geo + 66 + 36 + 18 + 2, 1);   // depth table 0 names triangle 1 of 1
    rejects(b, "names triangle 1");
}

TEST_F(BadInput, BlocksLargerThanTheReadBufferAreRejected) {
    // 26,667 smooth points need 640,008 bytes; 26,666 fit. (Faceted blocks
    // always fit: 32,767 triangles of 18 bytes are under the limit.)
    geometry_desc g;
    g.geom_no = 1;
    g.points.resize(26666);
    scene_desc s;
    s.add(g);
    std::vector<uint8_t> b = write_scene(s);
    ASSERT_EQ(loadbytes(b), 0) << readerr;
    deletefilestruct();
    set16(b, geo + 34, 26667);
    b.insert(b.begin() + geo + 66, 24, 0);
    rejects(b, "read buffer");

}

TEST_F(BadInput, AFailureAfterMapsLoadedFreesThem) {
    scene_desc s = test::every_kind_scene(dir);
    std::vector<uint8_t> b = write_scene(s);
    // Damage the first geometry, which comes after the map record.
    b.resize(b.size() - 2000);
    ASSERT_EQ(loadbytes(b), 2);
    EXPECT_EQ(map_by_no(5), nullptr);
    // The fixture checks that no bitmap block is left.
}

}  // namespace
}  // namespace vortella
