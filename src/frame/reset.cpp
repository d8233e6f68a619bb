// Start values of the frame renderer's state.
#include "frame/frame.h"

namespace vortella {

void reset_frame() {
    picfree();
    ux1 = uy1 = uz1 = ux2 = uy2 = uz2 = ux3 = uy3 = uz3 = 0;
    nx1 = ny1 = nz1 = nx2 = ny2 = nz2 = nx3 = ny3 = nz3 = 0;
    vx1 = vy1 = vz1 = vx2 = vy2 = vz2 = vx3 = vy3 = vz3 = 0;
    sx1 = sy1 = sx2 = sy2 = sx3 = sy3 = 0;
    sn1 = sn2 = sn3 = 0;
    hl1 = hl2 = hl3 = 0;
    stx1 = sty1 = stx2 = sty2 = stx3 = sty3 = 0;
    wnx = wny = wnz = xpx = 0;
    hlth = 0;
    tmapfacx = tmapfacy = 0;
    ptlanes = 4;
    std::vector<fpoint_s>().swap(fpts);
    std::vector<ptex_s>().swap(tpts);
    std::vector<uint8_t>().swap(tvis);
    std::vector<int>().swap(tlist);
    std::vector<mem_grpent_s>().swap(grp);
}

}  // namespace vortella
