// The visibility measure of depth tables: random views of every view
// direction class drawn in depth-table order by the renderer's triangle
// pipeline (its view transform, direction choice and back-face test), and
// the same triangles drawn with a depth buffer, one flat colour (triangle
// number) per triangle. The share of pixels whose triangle differs is the
// error of the tables.
#pragma once

#include "authoring/writer.h"

namespace vortella::test {

struct visibility {
    long differing = 0;   // pixels showing another triangle than the depth buffer
    long covered = 0;     // pixels either picture covers
    int views = 0;
    double share() const { return covered ? double(differing) / double(covered) : 0.0; }
};

// `per_class` random views of each of the 32 direction classes, the camera
// aimed near the model's centre from where the whole model is in view, on a
// w x h picture. Deterministic for a given seed.
visibility measure_visibility(const geometry_desc &g, int per_class, unsigned seed, int w = 192, int h = 144);

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
