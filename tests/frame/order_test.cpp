// Overlap tests and the merge selection of overlapping objects.
#include <gtest/gtest.h>

#include <climits>

#include "frame/frame.h"

namespace vortella {
namespace {

TEST(PointInSeg, SideOfALineAndPointsOnIt) {
    // Line y = x from (0,0) to (10,10); reference point above it.
    EXPECT_EQ(pointinseg(0, 0, 10, 10, 0, 10, 2, 5), 1);
    EXPECT_EQ(pointinseg(0, 0, 10, 10, 0, 10, 5, 2), 0);
    // On the line: outside when the reference is above, inside when below.
    EXPECT_EQ(pointinseg(0, 0, 10, 10, 0, 10, 5, 5), 0);
    EXPECT_EQ(pointinseg(0, 0, 10, 10, 10, 0, 5, 5), 1);
    // Vertical line x = 3: on it counts inside only when the reference is
    // not to its right.
    EXPECT_EQ(pointinseg(3, 0, 3, 9, 5, 4, 4, 1), 1);
    EXPECT_EQ(pointinseg(3, 0, 3, 9, 5, 4, 3, 1), 0);
    EXPECT_EQ(pointinseg(3, 0, 3, 9, 1, 4, 3, 1), 1);
}

TEST(PointInTri, InsideOutsideAndEdges) {
    EXPECT_EQ(pointintri(0, 0, 10, 0, 0, 10, 2, 2), 1);
    EXPECT_EQ(pointintri(0, 0, 10, 0, 0, 10, 8, 8), 0);
    EXPECT_EQ(pointintri(0, 0, 10, 0, 0, 10, -1, 2), 0);
    // The bottom edge y = 0 with the third vertex above it: a point on it is
    // outside; the left edge x = 0 with the third vertex to its right: out.
    EXPECT_EQ(pointintri(0, 0, 10, 0, 0, 10, 5, 0), 0);
    EXPECT_EQ(pointintri(0, 0, 10, 0, 0, 10, 0, 5), 0);
    // Mirrored triangle (third vertex below): its top edge point is inside.
    EXPECT_EQ(pointintri(0, 10, 10, 10, 0, 0, 2, 10), 1);
    EXPECT_EQ(anypointintri(0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 20, 30), 0);
    EXPECT_EQ(anypointintri(0, 0, 10, 0, 0, 10, 2, 2, 30, 20, 20, 30), 1);
    // A contained in B is found through A's vertices.
    EXPECT_EQ(anypointintri(2, 2, 3, 2, 2, 3, -50, -50, 100, -50, -50, 100), 1);
}

TEST(InterSeg, CrossingsAndWhichIsNearer) {
    // X crossing at (5,5): A's depth 10 there, B's 2 → B nearer.
    EXPECT_EQ(interseg(0, 0, 10, 10, 10, 10, 0, 10, 2, 10, 0, 2), 1);
    EXPECT_EQ(interseg(0, 0, 1, 10, 10, 1, 0, 10, 2, 10, 0, 2), 2);
    // Equal depth counts as farther.
    EXPECT_EQ(interseg(0, 0, 2, 10, 10, 2, 0, 10, 2, 10, 0, 2), 2);
    // Shared end point: no crossing.
    EXPECT_EQ(interseg(0, 0, 1, 10, 10, 1, 0, 0, 5, 10, 0, 5), 0);
    // Parallel, even on one line.
    EXPECT_EQ(interseg(0, 0, 1, 10, 10, 1, 2, 2, 5, 8, 8, 5), 0);
    EXPECT_EQ(interseg(0, 0, 1, 10, 10, 1, 0, 1, 5, 10, 11, 5), 0);
    // Lines cross outside the segments.
    EXPECT_EQ(interseg(0, 0, 1, 1, 1, 1, 10, 0, 5, 9, 1, 5), 0);
    // B vertical through A: depth of B interpolated in y.
    EXPECT_EQ(interseg(0, 0, 10, 10, 0, 10, 5, -5, 0, 5, 5, 2), 1);
    EXPECT_EQ(interseg(0, 0, 10, 10, 0, 10, 5, -5, 20, 5, 5, 40), 2);
    // A vertical; B vertical as well gives nothing.
    EXPECT_EQ(interseg(5, -5, 0, 5, 5, 20, 0, 0, 10, 10, 10, 0), 1);
    EXPECT_EQ(interseg(5, -5, 0, 5, 5, 20, 6, -5, 0, 6, 5, 20), 0);
    // Degenerate vertical segment (a point) gives nothing.
    EXPECT_EQ(interseg(0, 0, 10, 10, 0, 10, 5, 0, 1, 5, 0, 2), 0);
}

TEST(InterTri, FirstCrossingDecides) {
    // Two triangles crossing like a star; B nearer everywhere.
    EXPECT_EQ(intertri(0, 0, 10, 20, 0, 10, 10, 20, 10, 0, 10, 1, 20, 10, 1, 10, -10, 1), 1);
    EXPECT_EQ(intertri(0, 0, 1, 20, 0, 1, 10, 20, 1, 0, 10, 9, 20, 10, 9, 10, -10, 9), 2);
    // Disjoint: 0.
    EXPECT_EQ(intertri(0, 0, 1, 5, 1, 1, 1, 5, 1, 50, 50, 1, 60, 52, 1, 52, 60, 1), 0);
    // A vertical edge is tested against the other segment's line only within
    // that segment's own span: a horizontal edge's line at the vertical's x
    // counts as a crossing even beyond the horizontal edge's ends.
    EXPECT_EQ(intertri(0, 0, 1, 5, 0, 1, 0, 5, 1, 5, 0, 1, 10, 0, 1, 5, 5, 1), 2);
}

// An entry with a current triangle in the plane z = height (normal up),
// spread over the given screen box at the given depths.
mem_render_entry_s cand(float vzmin, float vzmax, int x0, int x1, float height = 0) {
    mem_render_entry_s e{};
    e.vzmin = vzmin, e.vzmax = vzmax, e.sxmin = x0, e.sxmax = x1, e.symin = 0, e.symax = 100;
    e.uz1 = e.uz2 = e.uz3 = e.xpx = height, e.ux2 = e.uy3 = 1, e.wnz = 1;
    e.sx1 = x0, e.sy1 = 0, e.vz1 = vzmin, e.sx2 = x1, e.sy2 = 0, e.vz2 = vzmax, e.sx3 = x0, e.sy3 = 100, e.vz3 = vzmin;
    return e;
}

// Chains b before e and returns which of them mergepick takes: 0 or 1.
int pick(mem_render_entry_s b, mem_render_entry_s e) {
    b.next_entry = &e;
    const mem_render_entry_s *p = mergepick(&b);
    return p == &b ? 0 : p == &e ? 1 : -1;
}

// Exhausted entries (vzmax -666) are passed over; of the rest, one within a
// factor of 10 and wholly farther is taken without overlap tests, and with
// identical ranges the centre rule decides, keeping the first on a tie.
TEST(MergePick, FartherExhaustedAndIdenticalRanges) {
    mem_render_entry_s v[] = {cand(1, 2, 0, 10), cand(5, 6, 200, 210), cand(-700, -666, 0, 10)};
    v[0].next_entry = &v[1], v[1].next_entry = &v[2];
    EXPECT_EQ(mergepick(&v[0]), &v[1]);
    v[1].vzmax = -666.0f;
    EXPECT_EQ(mergepick(&v[0]), &v[0]);
    v[0].vzmax = -666.0f;
    EXPECT_EQ(mergepick(&v[0]), nullptr);
    EXPECT_EQ(pick(cand(1, 3, 0, 50), cand(1, 3, 0, 50)), 0);
    EXPECT_EQ(pick(cand(1, 3, 0, 50), cand(1.5f, 3.5f, 100, 150)), 1);
}

// Overlapping candidates are settled by the sides of each other's planes,
// on the enlarged path (path A) or with overlapping depth ranges (path B).
TEST(MergePick, PlaneSidesSettleOverlappingTriangles) {
    // B flat in depth (sd = 0), E with extent: 10 x 0 < dz, so path A. The
    // enlarged intervals overlap; E's extent is the larger, so B's vertices
    // against E's plane decide: B lies above E's plane (in front) → take E.
    mem_render_entry_s a = cand(1, 3, 10, 60, 0.0f);
    a.symin = 10, a.symax = 90;
    EXPECT_EQ(pick(cand(2, 2, 0, 50, 1.0f), a), 1);
    // B below E's plane: keep B.
    EXPECT_EQ(pick(cand(2, 2, 0, 50, -1.0f), a), 0);
    // Path B, overlapping depth ranges and boxes, no edge crossing, E's
    // triangle inside B's on screen (identical intervals would not count as
    // overlapping, so the boxes differ): B above E's plane → E painted first.
    mem_render_entry_s e = cand(1.5f, 2.5f, 10, 40, 0.0f);
    e.symin = 10, e.symax = 40;
    // No edge parallel to an axis, so no crossing is found with B's edges.
    e.sx1 = 10, e.sy1 = 10, e.sx2 = 30, e.sy2 = 12, e.sx3 = 12, e.sy3 = 30;
    EXPECT_EQ(pick(cand(1, 3, 0, 100, 1.0f), e), 1);
    // B below E's plane (no vertex in front): B stays first.
    EXPECT_EQ(pick(cand(1, 3, 0, 100, -1.0f), e), 0);
}

// Vertices near or behind the view plane project to positions at the int
// limits; differences between them must not overflow or change the answer.
TEST(MergePick, ScreenPositionsAtTheIntLimits) {
    // A line from (INT_MIN, -1000) to (INT_MAX, 1000) passes near (0, 0).
    EXPECT_EQ(pointinseg(INT_MIN, -1000, INT_MAX, 1000, 0, 100, 0, 5), 1);
    EXPECT_EQ(pointinseg(INT_MIN, -1000, INT_MAX, 1000, 0, 100, 0, -5), 0);
    // Screen boxes over nearly the whole int range on the enlarged path:
    // E's enlarged intervals lie inside B's, so B's side of E's plane
    // decides (B in front).
    mem_render_entry_s b = cand(2, 2, INT_MIN, INT_MAX, 1.0f);
    mem_render_entry_s e = cand(1, 3, INT_MIN + 10, INT_MAX - 10, 0.0f);
    b.symin = INT_MIN, b.symax = INT_MAX;
    e.symin = INT_MIN + 10, e.symax = INT_MAX - 10;
    EXPECT_EQ(pick(b, e), 1);
}

}  // namespace
}  // namespace vortella
