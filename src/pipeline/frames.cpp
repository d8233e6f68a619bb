// Shading and texture frames: the light row, the highlight frame of an
// entry, the facing frame and the three texture frames. Each frame is a
// matrix whose columns the render-list builder copies into the entry, so
// that the frame renderer gets a shade, highlight or texture coordinate from
// one dot product per vertex.
#include <cfloat>
#include <cmath>

#include "pipeline/matops.h"
#include "pipeline/pipeline.h"

namespace vortella {

static void ctolc() {
    lc11 = c11; lc12 = c12; lc13 = c13; lc14 = c14;
    lc21 = c21; lc22 = c22; lc23 = c23; lc24 = c24;
    lc31 = c31; lc32 = c32; lc33 = c33; lc34 = c34;
    lc41 = c41; lc42 = c42; lc43 = c43; lc44 = c44;
}

static void ctohc() {
    hc11 = c11; hc12 = c12; hc13 = c13; hc14 = c14;
    hc21 = c21; hc22 = c22; hc23 = c23; hc24 = c24;
    hc31 = c31; hc32 = c32; hc33 = c33; hc34 = c34;
    hc41 = c41; hc42 = c42; hc43 = c43; hc44 = c44;
}

static void ctorc() {
    rc11 = c11; rc12 = c12; rc13 = c13; rc14 = c14;
    rc21 = c21; rc22 = c22; rc23 = c23; rc24 = c24;
    rc31 = c31; rc32 = c32; rc33 = c33; rc34 = c34;
    rc41 = c41; rc42 = c42; rc43 = c43; rc44 = c44;
}

static void atorc() {
    rc11 = a11; rc12 = a12; rc13 = a13; rc14 = a14;
    rc21 = a21; rc22 = a22; rc23 = a23; rc24 = a24;
    rc31 = a31; rc32 = a32; rc33 = a33; rc34 = a34;
    rc41 = a41; rc42 = a42; rc43 = a43; rc44 = a44;
}

static float fsqrt(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }
static float fatan(float v) { return static_cast<float>(std::atan(static_cast<double>(v))); }

// Scales (x, y, z) to unit length; a vector shorter than ptol becomes
// (1, 0, 0), and so does one whose length is infinite or not a number.
static void unit(float &x, float &y, float &z) {
    float len = fsqrt(x * x + y * y + z * z);
    if (!(len >= ptol && len <= FLT_MAX)) {
        x = 1;
        y = z = 0;
        return;
    }
    x = x / len;
    y = y / len;
    z = z / len;
}
// lc = Rz(ltaz) . Ry(-ltal): maps the light direction to +x, so its first
// column is the light row L.
void calcl() {
    rotzb(ltaz);
    btoa();
    rotyb(-ltal);
    multar_ab();
    ctolc();
    float cal = static_cast<float>(std::cos(static_cast<double>(ltal)));
    mc11 = cal * static_cast<float>(std::cos(static_cast<double>(ltaz)));
    mc12 = cal * static_cast<float>(std::sin(static_cast<double>(ltaz)));
    mc13 = static_cast<float>(std::sin(static_cast<double>(ltal)));
}

static void boxcentre(float &cx, float &cy, float &cz) {
    cx = static_cast<float>((reap->xmin + reap->xmax) * 0.5);
    cy = static_cast<float>((reap->ymin + reap->ymax) * 0.5);
    cz = static_cast<float>((reap->zmin + reap->zmax) * 0.5);
}

// hc maps the half vector H between the viewer and the light (seen from the
// centre of the entry's box) to +x; its first column is H.
void calch() {
    float cx, cy, cz;
    boxcentre(cx, cy, cz);
    cvx = camx - cx;
    cvy = camy - cy;
    cvz = camz - cz;
    unit(cvx, cvy, cvz);
    float lx = mc11, ly = mc12, lz = mc13;
    unit(lx, ly, lz);
    float hx = static_cast<float>((cvx + lx) * 0.5);
    float hy = static_cast<float>((cvy + ly) * 0.5);
    float hz = static_cast<float>((cvz + lz) * 0.5);
    unit(hx, hy, hz);

    float hxy = fsqrt(hx * hx + hy * hy);
    if (!(hxy >= ptol)) {
        // H vertical: it has no azimuth, so a fixed frame whose first column
        // is +z or -z stands in for the rotation.
        hc11 = 0; hc12 = 0; hc13 = 0; hc14 = 0;
        hc21 = 0; hc22 = 0; hc23 = 0; hc24 = 0;
        hc31 = 0; hc32 = 0; hc33 = 0; hc34 = 0;
        hc41 = 0; hc42 = 0; hc43 = 0; hc44 = 1;
        hc22 = 1;
        if (hz >= 0) {
            hc13 = -1;
            hc31 = 1;
        } else {
            hc13 = 1;
            hc31 = -1;
        }
        return;
    }
    float halt = fatan(hz / hxy);
    float halz;
    if (std::fabs(hx) > ptol) {
        halz = fatan(hy / hx);
        if (hx < 0) halz = static_cast<float>(halz + 3.141592654);
    } else {
        // Straight along +y or -y; -y is 3pi/2, not -pi/2.
        halz = hy >= 0 ? 1.5707964f : 4.712389f;
    }
    rotzb(halz);
    btoa();
    rotyb(-halt);
    multar_ab();
    ctohc();
}

// rc = Axes . Yaw . Pitch . Q with the view transform's factors and Q mapping
// (x, y, z) to (z, y, -x): a direction n goes to (n . V, up, -right) with V
// the unit vector from the target to the camera. With no line of sight
// (camera on the target, or not finite) V is taken as -y, like the view
// transform's fallback.
void calcr() {
    viewdir_s d;
    viewdir(d);
    axesb();
    btoa();
    yawb(d);
    multar_ab();
    pitchb(d);
    multar_cb();
    zerob();
    b13 = -1;
    b22 = 1;
    b31 = 1;
    multar_ab();
    ctorc();
}

// T(-c) . R with the material's rotation R = Rz(xrot) . Ry(-izro) . Rx(zrot);
// leaves the product in c.
static void centrerot(float cx, float cy, float cz) {
    const mem_texture_s &m = ohap2->t.material;
    transb(-cx, -cy, -cz);
    btoa();
    rotzb(m.xrot);
    multar_ab();
    rotyb(-m.izro);
    multar_cb();
    rotxb(m.zrot);
    multar_ab();
}

// Planar: T(-c) . R . T(0, -x, -y) . S(1, 1/xscale, 1/yscale). Columns 2 and
// 3 are the plane coordinates, one texture span per unit.
void calctxp() {
    const mem_texture_s &m = ohap2->t.material;
    float cx, cy, cz;
    boxcentre(cx, cy, cz);
    centrerot(cx, cy, cz);
    transb(0, -m.x, -m.y);
    multar_cb();
    scaleb(1, 1.0f / m.xscale, 1.0f / m.yscale);
    multar_ab();
    ctorc();
}

// Spherical: T(-c) . R . T(-x, -y, -z) . T(c). The renderer takes azimuth
// and elevation about the centre, so c is added back here.
void calctxs() {
    const mem_texture_s &m = ohap2->t.material;
    float cx, cy, cz;
    boxcentre(cx, cy, cz);
    centrerot(cx, cy, cz);
    transb(-m.x, -m.y, -m.z);
    multar_cb();
    transb(cx, cy, cz);
    multar_ab();
    ctorc();
}

// Cylindrical: T(-c) . R . T(-x, -y, -z) . S(1, 1, 1/zscale) . T(c).
void calctxc() {
    const mem_texture_s &m = ohap2->t.material;
    float cx, cy, cz;
    boxcentre(cx, cy, cz);
    centrerot(cx, cy, cz);
    transb(-m.x, -m.y, -m.z);
    multar_cb();
    scaleb(1, 1, 1.0f / m.zscale);
    multar_ab();
    transb(cx, cy, cz);
    multar_cb();
    atorc();
}

}  // namespace vortella
