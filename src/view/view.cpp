#include "view/view.h"

#include <cstring>

namespace vortella {

void reset_view() {
    picw = pich = picw1 = pich1 = picw_1 = pich_1 = 0;
    std::memset(yaddar, 0, sizeof yaddar);
    transa = nullptr;
    iminv = 1;
    Orientation = 1;
    float *const planes[4][16] = {
        {&vr11, &vr12, &vr13, &vr14,
         &vr21, &vr22, &vr23, &vr24,
         &vr31, &vr32, &vr33, &vr34,
         &vr41, &vr42, &vr43, &vr44},
        {&vl11, &vl12, &vl13, &vl14,
         &vl21, &vl22, &vl23, &vl24,
         &vl31, &vl32, &vl33, &vl34,
         &vl41, &vl42, &vl43, &vl44},
        {&vt11, &vt12, &vt13, &vt14,
         &vt21, &vt22, &vt23, &vt24,
         &vt31, &vt32, &vt33, &vt34,
         &vt41, &vt42, &vt43, &vt44},
        {&vb11, &vb12, &vb13, &vb14,
         &vb21, &vb22, &vb23, &vb24,
         &vb31, &vb32, &vb33, &vb34,
         &vb41, &vb42, &vb43, &vb44},
    };
    for (auto &plane : planes)
        for (float *e : plane) *e = 0;
    CamMaxTilt = 1.0908f;
}

}  // namespace vortella
