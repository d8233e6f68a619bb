// Render list: view direction, culling, entry contents, grouping and order.
#include <cmath>

#include "pipe_store.h"

namespace vortella {
namespace {

using RendlistTest = PipeTest;

float score(int k) { return getvave(ddhvdir[k][0], ddhvdir[k][1], ddhvdir[k][2]); }

TEST_F(RendlistTest, ViewDirectionChoice) {
    for (int k = 0; k < 32; ++k) {
        camx = 7 * ddhvdir[k][0], camy = 7 * ddhvdir[k][1], camz = 7 * ddhvdir[k][2];
        EXPECT_EQ(whichddhv(), k);
    }
    camx = camy = camz = 0;
    EXPECT_EQ(whichddhv(), 0);
    // Across the bisector of directions 3 and 25 until the float scores
    // tie exactly as the best: the lower index wins.
    int ties = 0;
    for (int n = -3000; n < 3000; ++n) {
        float t = 0.5f + n * 1e-7f;
        camx = ddhvdir[3][0] * t + ddhvdir[25][0] * (1 - t);
        camy = ddhvdir[3][1] * t + ddhvdir[25][1] * (1 - t);
        camz = ddhvdir[3][2] * t + ddhvdir[25][2] * (1 - t);
        int k = whichddhv();
        if (score(3) != score(25) || score(k) > score(3)) continue;
        EXPECT_EQ(k, 3);
        ++ties;
    }
    EXPECT_GT(ties, 0);
}

TEST_F(RendlistTest, CullingAndSkippedReferences) {
    addmat(0);
    addgeo(1, -20, 5, -1, -16, 5, 1);      // right edge at column 0: dropped
    addgeo(2, -20, 5, -1, -15.5f, 5, 1);   // right edge at column 5
    addgeo(3, 15.95f, 5, -1, 20, 5, 1);    // left edge at column 319
    addgeo(4, 16, 5, -1, 20, 5, 1);        // left edge at column 320: dropped
    addgeo(5, -1, -12, -1, 1, -10, 1);     // nearest corners on the camera plane
    addgeo(6, -1, -12, -1, 1, 5, 1);       // straddles the camera plane
    addgeo(7, std::nanf(""), 0, 0, 1, 1, 1);
    addgeo(8, -1, -1, -1, 1, 1, 1, 9);     // material 9 is missing
    addgeo(9, -1, -1, -1, 1, 1, 1)->t.geometry.no_ddh[whichddhv()] = 0;
    addins({1, 2, 3, 99, 4, 5, 6, 7, 8, 9, -3});
    addins({2}, 0, OT_INSTANCE2);          // stored only
    rendlist();
    ASSERT_EQ(renlent, 3);
    EXPECT_EQ(rentry(0)->sxmax, 5);
    EXPECT_EQ(rentry(1)->sxmin, 319);
    EXPECT_EQ(rentry(2)->geometry, geo_by_no(6));
    EXPECT_LT(rentry(2)->vzmin, 0);
    EXPECT_EQ(rentry(3)->off_screen, 1);   // last drop, slot left for reuse
    ux = -16, uy = 5, uz = 1;
    transfsc();
    EXPECT_EQ(sx, 0);   // the first box really ended at column 0
}

TEST_F(RendlistTest, TypeAndRowsPerMaterial) {
    addmat(0);
    addmat(1, 1)->t.material.xscale = 2;   // planar
    addmat(2, 2)->t.material.x = 0.5f;     // spherical
    addmat(3, 7);                          // cylindrical
    addmat(4, 0, 0.5f);                    // transparent
    addmat(5, 0, 0, 0.5f);                 // reflective
    for (int m = 0; m < 6; ++m) addgeo(m, -1, -1, -1, 1, 1, 1, m, m == 3 ? 14 : 0, m != 2);
    addins({0, 1, 2, 3, 4, 5}, 12);
    rendlist();
    ASSERT_EQ(renlent, 6);
    const int types[] = {0, 10, 120, 30, 50, 40};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rentry(i)->type, types[i]);
        EXPECT_EQ(rentry(i)->rend_mode, i == 3 ? 14 : 12);
    }
    EXPECT_NEAR(rentry(0)->hc21, -0.7071f, 1e-4);   // half vector of -y and +z
    EXPECT_NEAR(rentry(0)->hc31, 0.7071f, 1e-4);
    EXPECT_NEAR(rentry(1)->rc21, 0.5f, 1e-6);    // u: 1 per 2 units of y
    EXPECT_NEAR(rentry(1)->tc31, 1, 1e-6);       // v: 1 per unit of z
    EXPECT_NEAR(rentry(2)->rc41, -0.5f, 1e-6);   // offset off x
    EXPECT_NEAR(rentry(2)->zc31, 1, 1e-6);
    EXPECT_NEAR(rentry(5)->rc21, -1, 1e-6);      // facing the camera on -y
}

TEST_F(RendlistTest, DrawingOrderByClassThenDepth) {
    addmat(0);
    const int modes[] = {3, 12, 2, 1, 10, 2, 5, 10};
    const float ys[] = {0, 2, 4, 0, 6, 1, 0, 6};
    for (int i = 0; i < 8; ++i) addgeo(i, -8 + 2 * i, ys[i], -1, -7 + 2 * i, ys[i] + 1, 1, 0, modes[i]);
    addgeo(8, -1, -200, -1, 1, -9, 1);   // reaches far behind: key -189
    addins({0, 1, 2, 3, 4, 5, 6, 7, 8});
    rendlist();
    ASSERT_EQ(renlent, 9);
    // Class 2 far to near, then >= 10 (equal keys in entry order), then 3.
    std::vector<mem_render_entry_s *> want = {rentry(2), rentry(5), rentry(4), rentry(7), rentry(1), rentry(0)};
    EXPECT_EQ(chain(), want);
    EXPECT_EQ(rentry(8)->processed, 2);   // built, never drawn
    EXPECT_EQ(rentry(3)->processed, 2);
    int n = file_no_obj;
    file_no_obj = 0;   // empty store: no chain
    rendlist();
    EXPECT_EQ(reapbase, nullptr);
    file_no_obj = n;
}

// Entry 0 covers columns 138..160 and depths 14..16.
void firstbox() {
    addmat(0);
    addgeo(0, -2, 4, -1, 0, 6, 1);
}

TEST_F(RendlistTest, NoGroupWithoutStrictOverlap) {
    firstbox();
    addgeo(1, -2.15f, 5, -0.5f, 0, 5, 0.5f);   // same columns
    addgeo(2, 0, 5, -0.5f, 2, 5, 0.5f);        // 160..180 only touch
    addgeo(3, -1, 9, -0.5f, 1, 9, 0.5f);       // columns overlap, depth 19
    addins({0, 1, 2, 3});
    rendlist();
    ASSERT_EQ(rentry(1)->sxmin, rentry(0)->sxmin);
    ASSERT_EQ(rentry(1)->sxmax, rentry(0)->sxmax);
    EXPECT_EQ(chain().size(), 4u);
    for (auto *e : chain()) EXPECT_EQ(e->next_entry, nullptr);
}

TEST_F(RendlistTest, GroupWidensToPullInLaterEntries) {
    firstbox();
    addgeo(1, 1.5f, 5, -0.5f, 2.5f, 5, 0.5f);    // 175..185: meets only the widened group
    addgeo(2, -1, 5, -0.5f, 2, 5, 0.5f);         // 150..180: meets entry 0
    addgeo(3, -1, 5, -0.5f, 2, 5, 0.5f, 0, 2);   // rend_mode 2 never merges
    addins({0, 1, 2, 3});
    rendlist();
    mem_render_entry_s *h = rentry(0);
    EXPECT_EQ(h->next_entry, rentry(2));
    EXPECT_EQ(rentry(2)->next_entry, rentry(1));
    EXPECT_EQ(h->grp_sxmax, 185);
    EXPECT_EQ(chain(), (std::vector<mem_render_entry_s *>{rentry(3), h}));
    for (int off : {0, 1}) {   // no passes, or grouping switched off
        maxmpass = off ? 3 : 0, rmergesw = off;
        rendlist();
        EXPECT_EQ(chain().size(), 4u);
    }
}

TEST_F(RendlistTest, CountersStorageAndCap) {
    addmat(0, 0, 0.5f);
    addgeo(0, -1, -1, -1, 1, 1, 1, 0, 1);   // rend_mode 1: cheap to group
    addins(std::vector<int>(20000, 0));
    addins(std::vector<int>(20000, 0));
    rendlist();
    EXPECT_EQ(renlent, vas_max);
    EXPECT_EQ(rentry(0)->transctr, 1);
    EXPECT_EQ(rentry(254)->transctr, 255);
    EXPECT_EQ(rentry(255)->transctr, 0);   // the 256th wraps to "unmarked"
    mem_render_entry_s *e = rentry(300);
    vas *pts = e->points;
    rendlist();   // storage reused, counters restarted
    EXPECT_EQ(rentry(300), e);
    EXPECT_EQ(e->points, pts);
    EXPECT_EQ(rentry(0)->transctr, 1);
}

TEST_F(RendlistTest, CameraOnOrAboveTargetGivesFiniteEntries) {
    addmat(0, 0, 0.5f);
    addgeo(0, -1, -1, -1, 1, 1, 1);
    addins({0});
    camy = 0;
    for (float z : {0.0f, 20.0f}) {
        camz = z;
        rendlist();
        ASSERT_EQ(renlent, 1);
        for (float f : {rentry(0)->vzmax, rentry(0)->hc11, rentry(0)->hc31, rentry(0)->rc11, rentry(0)->rc31})
            EXPECT_TRUE(std::isfinite(f));
    }
}

}  // namespace
}  // namespace vortella
