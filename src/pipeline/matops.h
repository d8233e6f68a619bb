// Building blocks of the matrix composers: loading elementary factors into
// the scratch matrix b, and the view direction shared by the view transform
// and the facing frame. Internal to the pipeline.
//
// A composite F1 . F2 ... Fn is built by loading F1 into b and copying it to
// a (btoa), then alternately loading the next factor into b and calling
// multar_ab (product now in c) or multar_cb (product now in a). Products are
// rounded to float after every factor, so the order of the factors fixes the
// result bit for bit.
#pragma once

namespace vortella {

// Radians of a rate or angle given in degrees, in extended precision.
float degtorad(float deg);

void zerob();                              // b = 0, b44 = 1
void transb(float tx, float ty, float tz); // b = T(tx, ty, tz)
void scaleb(float fx, float fy, float fz); // b = S(fx, fy, fz)
void rotzb(float th);                      // b = Rz(th)
void rotyb(float th);                      // b = Ry(th)
void rotxb(float th);                      // b = Rx(th)
void btoa();                               // a = b

// The line of sight as the view transform needs it: d = camera - target,
// h = its horizontal length, L = its length, and the ratios dx/h, dy/h
// (yaw) and h/L, dz/L (pitch).
struct viewdir_s {
    float dx, dy, dz, h, L;
    float yx, yy, ph, pz;
};

// Fills `d` from the camera and target. The transform cannot divide by h
// = 0 (camera straight above or below the target) or L = 0 (camera on the
// target), so those cases take the limit of a camera standing on the -y side
// of the target: straight above or below, the picture's up is +y; on the
// target, the view looks along +y with L = 0. Returns false when the camera
// or target is not finite; `d` then holds that same on-target fallback.
bool viewdir(viewdir_s &d);

// Factors of the view transform, loaded into b.
void axesb();                     // (x, y, z) -> (x, z, -y)
void yawb(const viewdir_s &d);
void pitchb(const viewdir_s &d);

}  // namespace vortella
