// Start values of the rasteriser's state.
#include "raster/raster.h"

namespace vortella {

void reset_raster() {
    freebg();
    bgx = bgy = bgxrep = 0;
    fovx = fovy = 0;
    x1 = y1 = x2 = y2 = x3 = y3 = 0;
    n1 = n2 = n3 = 0;
    h1 = h2 = h3 = 0;
    tx1 = ty1 = tx2 = ty2 = tx3 = ty3 = 0;
    ptl = nullptr;
    pth = nullptr;
    ptr = ptg = ptb = nullptr;
    pta = nullptr;
    pti = nullptr;
    pred = pgreen = pblue = 0;
    attf = 0;
    trctr = 0;
    for (halftone_fold_s &f : folds) f.made = false;
    foldnext = 0;
    for (halftone_shade_s &h : shades) h.made = false;
    shadenext = 0;
    for (shade_memo_s &m : shmemo) m = {};
    shmemonext = 0;
    shmemolast = 0;
    for (halftone_filter_s &f : filters) f.made = false;
    filternext = 0;
    for (filter_memo_s &m : fmemo) m = {};
    fmemonext = 0;
    fmemolast = 0;
    ++fillgen;
}

}  // namespace vortella
