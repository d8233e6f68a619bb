// Matrix products, the scene-to-view transform, the view-pyramid rotations
// and the projection of one point.
#include <cmath>

#include "pipeline/matops.h"
#include "pipeline/pipeline.h"
#include "scene/ftoi.h"

namespace vortella {

void multar_ab() {
    c11 = a11 * b11 + a12 * b21 + a13 * b31 + a14 * b41;
    c12 = a11 * b12 + a12 * b22 + a13 * b32 + a14 * b42;
    c13 = a11 * b13 + a12 * b23 + a13 * b33 + a14 * b43;
    c14 = a11 * b14 + a12 * b24 + a13 * b34 + a14 * b44;
    c21 = a21 * b11 + a22 * b21 + a23 * b31 + a24 * b41;
    c22 = a21 * b12 + a22 * b22 + a23 * b32 + a24 * b42;
    c23 = a21 * b13 + a22 * b23 + a23 * b33 + a24 * b43;
    c24 = a21 * b14 + a22 * b24 + a23 * b34 + a24 * b44;
    c31 = a31 * b11 + a32 * b21 + a33 * b31 + a34 * b41;
    c32 = a31 * b12 + a32 * b22 + a33 * b32 + a34 * b42;
    c33 = a31 * b13 + a32 * b23 + a33 * b33 + a34 * b43;
    c34 = a31 * b14 + a32 * b24 + a33 * b34 + a34 * b44;
    c41 = a41 * b11 + a42 * b21 + a43 * b31 + a44 * b41;
    c42 = a41 * b12 + a42 * b22 + a43 * b32 + a44 * b42;
    c43 = a41 * b13 + a42 * b23 + a43 * b33 + a44 * b43;
    c44 = a41 * b14 + a42 * b24 + a43 * b34 + a44 * b44;
}

void multar_cb() {
    a11 = c11 * b11 + c12 * b21 + c13 * b31 + c14 * b41;
    a12 = c11 * b12 + c12 * b22 + c13 * b32 + c14 * b42;
    a13 = c11 * b13 + c12 * b23 + c13 * b33 + c14 * b43;
    a14 = c11 * b14 + c12 * b24 + c13 * b34 + c14 * b44;
    a21 = c21 * b11 + c22 * b21 + c23 * b31 + c24 * b41;
    a22 = c21 * b12 + c22 * b22 + c23 * b32 + c24 * b42;
    a23 = c21 * b13 + c22 * b23 + c23 * b33 + c24 * b43;
    a24 = c21 * b14 + c22 * b24 + c23 * b34 + c24 * b44;
    a31 = c31 * b11 + c32 * b21 + c33 * b31 + c34 * b41;
    a32 = c31 * b12 + c32 * b22 + c33 * b32 + c34 * b42;
    a33 = c31 * b13 + c32 * b23 + c33 * b33 + c34 * b43;
    a34 = c31 * b14 + c32 * b24 + c33 * b34 + c34 * b44;
    a41 = c41 * b11 + c42 * b21 + c43 * b31 + c44 * b41;
    a42 = c41 * b12 + c42 * b22 + c43 * b32 + c44 * b42;
    a43 = c41 * b13 + c42 * b23 + c43 * b33 + c44 * b43;
    a44 = c41 * b14 + c42 * b24 + c43 * b34 + c44 * b44;
}

float degtorad(float deg) {
    return static_cast<float>(static_cast<long double>(deg) * 3.141592654L * (1.0L / 180));
}

void zerob() {
    b11 = 0; b12 = 0; b13 = 0; b14 = 0;
    b21 = 0; b22 = 0; b23 = 0; b24 = 0;
    b31 = 0; b32 = 0; b33 = 0; b34 = 0;
    b41 = 0; b42 = 0; b43 = 0; b44 = 0;
    b44 = 1;
}

void transb(float tx, float ty, float tz) {
    zerob();
    b11 = b22 = b33 = 1;
    b41 = tx;
    b42 = ty;
    b43 = tz;
}

void scaleb(float fx, float fy, float fz) {
    zerob();
    b11 = fx;
    b22 = fy;
    b33 = fz;
}

// Sine and cosine are taken in double and stored as float, like every
// angle function of the renderer.
void rotzb(float th) {
    float co = static_cast<float>(std::cos(static_cast<double>(th)));
    float si = static_cast<float>(std::sin(static_cast<double>(th)));
    zerob();
    b11 = co;
    b12 = -si;
    b21 = si;
    b22 = co;
    b33 = 1;
}

void rotyb(float th) {
    float co = static_cast<float>(std::cos(static_cast<double>(th)));
    float si = static_cast<float>(std::sin(static_cast<double>(th)));
    zerob();
    b11 = co;
    b13 = si;
    b31 = -si;
    b33 = co;
    b22 = 1;
}

void rotxb(float th) {
    float co = static_cast<float>(std::cos(static_cast<double>(th)));
    float si = static_cast<float>(std::sin(static_cast<double>(th)));
    zerob();
    b11 = 1;
    b22 = co;
    b23 = -si;
    b32 = si;
    b33 = co;
}

void btoa() {
    a11 = b11; a12 = b12; a13 = b13; a14 = b14;
    a21 = b21; a22 = b22; a23 = b23; a24 = b24;
    a31 = b31; a32 = b32; a33 = b33; a34 = b34;
    a41 = b41; a42 = b42; a43 = b43; a44 = b44;
}

bool viewdir(viewdir_s &d) {
    d.dx = camx - tarx;
    d.dy = camy - tary;
    d.dz = camz - tarz;
    d.h = static_cast<float>(std::sqrt(static_cast<double>(d.dx * d.dx + d.dy * d.dy)));
    d.L = static_cast<float>(std::sqrt(static_cast<double>(d.dx * d.dx + d.dy * d.dy + d.dz * d.dz)));
    // A non-finite offset (or one whose square overflows) gives no direction.
    bool ok = std::isfinite(d.h) && std::isfinite(d.L);
    if (!ok || d.L == 0) {
        d.h = d.L = 0;
        d.yx = 0;
        d.yy = -1;
        d.ph = 1;
        d.pz = 0;
        return ok;
    }
    if (d.h == 0) {
        // Straight above or below: dx and dy may be tiny but non-zero with
        // their squares lost to underflow, so h decides, not dx and dy.
        d.yx = 0;
        d.yy = -1;
    } else {
        d.yx = d.dx / d.h;
        d.yy = d.dy / d.h;
    }
    d.ph = d.h / d.L;
    d.pz = d.dz / d.L;
    return true;
}

void axesb() {
    zerob();
    b11 = 1;
    b23 = -1;
    b32 = 1;
}

void yawb(const viewdir_s &d) {
    zerob();
    b11 = -d.yy;
    b13 = d.yx;
    b22 = 1;
    b31 = -d.yx;
    b33 = -d.yy;
}

void pitchb(const viewdir_s &d) {
    zerob();
    b11 = 1;
    b22 = d.ph;
    b23 = d.pz;
    b32 = -d.pz;
    b33 = d.ph;
}

// tc = T(-target) . Axes . Yaw . Pitch . S(1, 1, -1) . S(1, f, 1) . T(0, 0, L)
//      . S(scr_ratio, scr_ratio, 1)
// Row vector p . tc gives vx = scr_ratio * (right component), vy = scr_ratio
// * f * (up component) and vz = L - (p - target) . d / L, the distance in
// front of the camera's plane.
void calct() {
    camd = static_cast<float>(pich / 2);
    float sr = static_cast<float>(focl * 1.5);
    viewdir_s d;
    // With a non-finite camera, target or focal length the previous frame's
    // transform stays in force.
    if (!viewdir(d) || !std::isfinite(tarx) || !std::isfinite(tary) || !std::isfinite(tarz) ||
        !std::isfinite(sr))
        return;
    scr_ratio = sr;
    // Vertical flip: "Normal" shows scene-up at the top of the screen for
    // either row order of the picture (bottom-up rows, +1, or top-down,
    // -1); "Inverted" turns it over.
    float f = ((iminv != 0) == (Orientation > 0)) ? 1.0f : -1.0f;

    transb(-tarx, -tary, -tarz);
    btoa();
    axesb();
    multar_ab();
    yawb(d);
    multar_cb();
    pitchb(d);
    multar_ab();
    scaleb(1, 1, -1);
    multar_cb();
    scaleb(1, f, 1);
    multar_ab();
    transb(0, 0, d.L);
    multar_cb();
    scaleb(scr_ratio, scr_ratio, 1);
    multar_ab();
    tc11 = c11; tc12 = c12; tc13 = c13; tc14 = c14;
    tc21 = c21; tc22 = c22; tc23 = c23; tc24 = c24;
    tc31 = c31; tc32 = c32; tc33 = c33; tc34 = c34;
    tc41 = c41; tc42 = c42; tc43 = c43; tc44 = c44;
}

// Each side plane of the view pyramid contains the camera and one picture
// edge at distance camd; vr, vl, vt, vb rotate about the y or x axis so that
// the plane becomes z' = 0 with the inside of the pyramid at z' >= 0.
void calcvt() {
    float len = static_cast<float>(std::sqrt(static_cast<double>(camd * camd + static_cast<float>(picw * picw / 4))));
    float cr = static_cast<float>(picw * 0.5 / len);
    float sr = camd / len;
    vr11 = cr;  vr12 = 0; vr13 = -sr; vr14 = 0;
    vr21 = 0;   vr22 = 1; vr23 = 0;   vr24 = 0;
    vr31 = sr;  vr32 = 0; vr33 = cr;  vr34 = 0;
    vr41 = 0;   vr42 = 0; vr43 = 0;   vr44 = 1;
    vl11 = cr;  vl12 = 0; vl13 = sr;  vl14 = 0;
    vl21 = 0;   vl22 = 1; vl23 = 0;   vl24 = 0;
    vl31 = -sr; vl32 = 0; vl33 = cr;  vl34 = 0;
    vl41 = 0;   vl42 = 0; vl43 = 0;   vl44 = 1;

    float len2 = static_cast<float>(std::sqrt(static_cast<double>(camd * camd + static_cast<float>(pich * pich / 4))));
    float ct = static_cast<float>(pich * 0.5 / len2);
    float st = camd / len2;
    vt11 = 1; vt12 = 0;   vt13 = 0;   vt14 = 0;
    vt21 = 0; vt22 = ct;  vt23 = st;  vt24 = 0;
    vt31 = 0; vt32 = -st; vt33 = ct;  vt34 = 0;
    vt41 = 0; vt42 = 0;   vt43 = 0;   vt44 = 1;
    vb11 = 1; vb12 = 0;   vb13 = 0;   vb14 = 0;
    vb21 = 0; vb22 = ct;  vb23 = -st; vb24 = 0;
    vb31 = 0; vb32 = st;  vb33 = ct;  vb34 = 0;
    vb41 = 0; vb42 = 0;   vb43 = 0;   vb44 = 1;
}

void transfsc() {
    vx = ux * tc11 + uy * tc21 + uz * tc31 + tc41;
    vy = ux * tc12 + uy * tc22 + uz * tc32 + tc42;
    vz = ux * tc13 + uy * tc23 + uz * tc33 + tc43;
    // vz may be 0 or tiny (a corner on the camera plane): the quotient is
    // then infinite or NaN, which the checked conversion clamps or zeroes.
    sx = ftoi(static_cast<double>(pich / 2) * vx / vz + picw / 2);
    sy = ftoi(static_cast<double>(pich / 2) * vy / vz + pich / 2);
}

}  // namespace vortella
