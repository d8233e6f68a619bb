// The off-screen picture's bookkeeping: row table, transparency marks and
// background tile for a picture of picw x pich pixels.
#include <cstring>
#include <new>

#include "frame/frame.h"
#include "raster/raster.h"

namespace vortella {

void picround(int w, int h) {
    if (w > pic_max) w = pic_max;
    if (h > pic_max) h = pic_max;
    picw = w / 16 * 16;
    pich = h / 4 * 4;
    if (picw < 16) picw = 16;
    if (pich < 4) pich = 4;
    picw1 = picw / 2;
    pich1 = pich / 2;
    picw_1 = picw - 1;
    pich_1 = pich - 1;
}

bool picbuild(uint8_t *bits) {
    if (!bits) return false;
    uint8_t *marks = new (std::nothrow) uint8_t[size_t(picw) * size_t(pich)]();
    if (!marks) return false;
    delete[] transa;
    transa = marks;
    for (int y = 0; y < pich; ++y) yaddar[y] = bits + size_t(y) * size_t(picw);
    for (int y = pich; y < pic_max; ++y) yaddar[y] = nullptr;
    if (sbackground == 2)
        createbg();
    else
        calcmaxt();
    return true;
}

void picfree() {
    delete[] transa;
    transa = nullptr;
    for (uint8_t *&r : yaddar) r = nullptr;
    freebg();
}

}  // namespace vortella
