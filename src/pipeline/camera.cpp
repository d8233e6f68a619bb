// Camera motion: one step per call of circling, turning, walking or zooming,
// and the start position of a playlist entry.
#include <cmath>

#include "pipeline/matops.h"
#include "pipeline/pipeline.h"

namespace vortella {

static float fsqrt(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }

// Turns the horizontal offset (qx, qy) by Rz(th): clockwise seen from above
// for a positive angle.
static void turnz(float th, float &qx, float &qy) {
    float co = static_cast<float>(std::cos(static_cast<double>(th)));
    float si = static_cast<float>(std::sin(static_cast<double>(th)));
    float nx = qx * co + qy * si;
    float ny = -qx * si + qy * co;
    qx = nx;
    qy = ny;
}

void rotatecam() {
    float qx = camx - tarx, qy = camy - tary;
    turnz(degtorad(CamRotRate), qx, qy);
    camx = tarx + qx;
    camy = tary + qy;
}

void pancam() {
    float qx = tarx - camx, qy = tary - camy;
    turnz(degtorad(CamPanRate), qx, qy);
    tarx = camx + qx;
    tary = camy + qy;
}

void zoomcamo() {
    float dx = camx - tarx, dy = camy - tary, dz = camz - tarz;
    float len = fsqrt(dx * dx + dy * dy + dz * dz);
    if (!(len > 0)) return;
    float mx = dx / len * CamZoomRate, my = dy / len * CamZoomRate, mz = dz / len * CamZoomRate;
    camx += mx;
    camy += my;
    camz += mz;
    tarx += mx;
    tary += my;
    tarz += mz;
    if (movem != 0) {
        camz = CamFHeight;
        tarz = CamFHeight;
    }
}

void zoomcam() {
    float dx = camx - tarx, dy = camy - tary, dz = camz - tarz;
    float dist = fsqrt(dx * dx + dy * dy + dz * dz);
    // The bounce test comes before the step, so the camera swings between
    // about 0.93 and camzfact times the start distance.
    if (dist > camzfact * cam2tar || dist < 0.93 * cam2tar) camzrate = -camzrate;
    if (!(dist > 0)) return;
    float step = static_cast<float>(cam2tar * camzrate * 0.01);
    camx += dx / dist * step;
    camy += dy / dist * step;
    if (movem != 0)
        camz = CamFHeight;
    else
        camz += dz / dist * step;
}

// Azimuth of a horizontal offset, in [-pi/2, 3pi/2).
static float azimuth(float dx, float dy) {
    if (std::fabs(dx) > 0) {
        float az = static_cast<float>(std::atan(static_cast<double>(dy / dx)));
        if (dx < 0) az = static_cast<float>(az + 3.141592654);
        return az;
    }
    return dy >= 0 ? 1.570796f : static_cast<float>(1.570796 + 3.141592654);
}

void initcam() {
    float qx = camx - tarx, qy = camy - tary;
    turnz(degtorad(static_cast<float>(camsa)), qx, qy);
    camx = tarx + qx;
    camy = tary + qy;

    // Vertical turn about the target: Rz(phi) puts the horizontal direction
    // to the camera on +x, Ry(psi) raises it in that vertical plane, Rz(-phi)
    // turns it back.
    float phi = azimuth(camx - tarx, camy - tary);
    float psi = degtorad(static_cast<float>(camat));
    rotzb(phi);
    btoa();
    rotyb(psi);
    multar_ab();
    rotzb(-phi);
    multar_cb();
    float qz = camz - tarz;
    float nx = qx * a11 + qy * a21 + qz * a31;
    float ny = qx * a12 + qy * a22 + qz * a32;
    float nz = qx * a13 + qy * a23 + qz * a33;
    // Refused when it would reach the vertical (which the view transform
    // cannot handle) or tilt past the limit.
    float hd = fsqrt(nx * nx + ny * ny);
    if (!(hd > 0)) return;
    float tilt = static_cast<float>(std::atan(std::fabs(static_cast<double>(nz / hd))));
    if (!(tilt < CamMaxTilt)) return;
    camx = tarx + nx;
    camy = tary + ny;
    camz = tarz + nz;
}

}  // namespace vortella
