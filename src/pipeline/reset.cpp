// Start values of the pipeline's state.
#include "pipeline/pipeline.h"

namespace vortella {

void reset_pipeline() {
    float *const mats[][16] = {
        {&a11, &a12, &a13, &a14,
         &a21, &a22, &a23, &a24,
         &a31, &a32, &a33, &a34,
         &a41, &a42, &a43, &a44},
        {&b11, &b12, &b13, &b14,
         &b21, &b22, &b23, &b24,
         &b31, &b32, &b33, &b34,
         &b41, &b42, &b43, &b44},
        {&c11, &c12, &c13, &c14,
         &c21, &c22, &c23, &c24,
         &c31, &c32, &c33, &c34,
         &c41, &c42, &c43, &c44},
        {&tc11, &tc12, &tc13, &tc14,
         &tc21, &tc22, &tc23, &tc24,
         &tc31, &tc32, &tc33, &tc34,
         &tc41, &tc42, &tc43, &tc44},
        {&lc11, &lc12, &lc13, &lc14,
         &lc21, &lc22, &lc23, &lc24,
         &lc31, &lc32, &lc33, &lc34,
         &lc41, &lc42, &lc43, &lc44},
        {&mc11, &mc12, &mc13, &mc14,
         &mc21, &mc22, &mc23, &mc24,
         &mc31, &mc32, &mc33, &mc34,
         &mc41, &mc42, &mc43, &mc44},
        {&hc11, &hc12, &hc13, &hc14,
         &hc21, &hc22, &hc23, &hc24,
         &hc31, &hc32, &hc33, &hc34,
         &hc41, &hc42, &hc43, &hc44},
        {&rc11, &rc12, &rc13, &rc14,
         &rc21, &rc22, &rc23, &rc24,
         &rc31, &rc32, &rc33, &rc34,
         &rc41, &rc42, &rc43, &rc44},
    };
    for (auto &m : mats)
        for (float *e : m) *e = 0;
    scr_ratio = camd = 0;
    ux = uy = uz = vx = vy = vz = 0;
    sx = sy = 0;
    ptol = 1e-06f;
    cam2tar = camzrate = camzfact = 0;
    camsa = camat = 0;
    reapbase = reapsave = reap = nullptr;
    ohap2 = nullptr;
    tottr = 0;
    maxmpass = 3;
    rmergesw = 0;
    file_rend_mode = 10;
    cvx = cvy = cvz = 0;
}

}  // namespace vortella
