// The visibility measure of depth tables: views of every view direction
// class drawn in depth-table order by the renderer's triangle pipeline (its
// view transform, direction choice and back-face test), and the same
// triangles drawn with a depth buffer, one flat colour (triangle number) per
// triangle. The share of pixels whose triangle differs is the error of the
// tables.
#pragma once

#include <array>
#include <vector>

#include "authoring/writer.h"

namespace vortella::test {

using tables = std::array<std::vector<int>, 32>;

// One view: its direction class and the pixels that went wrong.
struct view_error {
    int cls = 0;
    long differing = 0;   // pixels showing a farther triangle than the depth buffer
    long covered = 0;     // pixels either picture covers
    double share() const { return covered ? double(differing) / double(covered) : 0.0; }
};

struct visibility {
    std::vector<view_error> views;
    long differing = 0, covered = 0;   // summed over the views
    long least = 0;   // covered pixels a view needs to count in mean and worst
    double share() const { return covered ? double(differing) / double(covered) : 0.0; }
    // Over the views that show the model on at least a hundredth of the
    // picture (an open surface seen from behind, or a thin one edge on,
    // covers a few pixels, where one pixel is a large share):
    double mean() const;    // mean of the views' shares
    double worst() const;   // the largest view share
};

// Where the views stand. Each class gets `per_class` cameras whose
// directions (camera minus target) spread uniformly over the part of the
// sphere the renderer gives that class, edges included: half of them near
// (the model's bounding sphere just fits the picture's height), half far
// (1.5 to 2 times as far). The target is the model's centre moved by up
// to a tenth of its radius along each axis. Deterministic for a given seed.
struct view_plan {
    int per_class = 4;
    unsigned seed = 1;
    int w = 256, h = 192;
};

// A pixel counts as wrong when the triangle painted there lies farther than
// the depth buffer's by more than this share of the depth (triangles that
// meet or pierce each other are level along their common line), and the
// depth buffer shows that triangle at none of the eight pixels around it (a
// boundary one pixel off counts as level).
constexpr double kLevel = 1e-4;

// The error of g's own tables.
visibility measure_visibility(const geometry_desc &g, const view_plan &plan = {});
// The errors of several sets of tables for g's triangles, on the same views.
std::vector<visibility> measure_tables(const geometry_desc &g, const std::vector<const tables *> &sets,
                                       const view_plan &plan = {});

// Models whose right order a sort by centres gets wrong, measured by the
// tests and the benchmark alike.
// Appends the points and triangles of `b` to `a`.
void merge(geometry_desc &a, const geometry_desc &b);
// Three square links of a chain along x, four bars each, each through the
// hole of the next, none touching another: long bars fool a sort by centres.
geometry_desc bar_links();
// A table, a top on four legs, over a floor slab.
geometry_desc table_on_slab();

}  // namespace vortella::test
