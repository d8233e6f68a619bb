// View and shading pipeline: the 4 x 4 matrix globals, the view transform and
// view-pyramid planes, camera motion, the per-frame render list and the
// per-entry shading and texture frames.
//
// All state of this subsystem is declared here.
//
// Matrix convention: a matrix m is sixteen floats m11 .. m44, mIJ is row I,
// column J. Points are row vectors multiplied on the left (translation in
// row 4), so a product A.B applies A first.
#pragma once

#include <cstdint>

#include "scene/scene.h"
#include "view/view.h"

namespace vortella {

// Scratch matrices: `a` and `c` hold the running product, `b` the next factor.
inline float a11, a12, a13, a14,
             a21, a22, a23, a24,
             a31, a32, a33, a34,
             a41, a42, a43, a44;
inline float b11, b12, b13, b14,
             b21, b22, b23, b24,
             b31, b32, b33, b34,
             b41, b42, b43, b44;
inline float c11, c12, c13, c14,
             c21, c22, c23, c24,
             c31, c32, c33, c34,
             c41, c42, c43, c44;
// Scene space to view space.
inline float tc11, tc12, tc13, tc14,
             tc21, tc22, tc23, tc24,
             tc31, tc32, tc33, tc34,
             tc41, tc42, tc43, tc44;
// Light frame (column 1 is the light row) and the light direction (mc11,
// mc12, mc13; nothing else of mc is used).
inline float lc11, lc12, lc13, lc14,
             lc21, lc22, lc23, lc24,
             lc31, lc32, lc33, lc34,
             lc41, lc42, lc43, lc44;
inline float mc11, mc12, mc13, mc14,
             mc21, mc22, mc23, mc24,
             mc31, mc32, mc33, mc34,
             mc41, mc42, mc43, mc44;
// Highlight frame of the entry being built: column 1 is the half vector.
inline float hc11, hc12, hc13, hc14,
             hc21, hc22, hc23, hc24,
             hc31, hc32, hc33, hc34,
             hc41, hc42, hc43, hc44;
// Facing frame or texture frame of the entry being built.
inline float rc11, rc12, rc13, rc14,
             rc21, rc22, rc23, rc24,
             rc31, rc32, rc33, rc34,
             rc41, rc42, rc43, rc44;

// View transform.
inline float scr_ratio;       // projection scale, focl * 1.5
inline float camd;            // projection plane distance in pixels, pich / 2
inline float ux, uy, uz;      // transfsc input point
inline float vx, vy, vz;      // transfsc view-space result
inline int sx, sy;            // transfsc pixel result

// A vector shorter than this counts as zero.
inline float ptol = 1e-06f;

// Camera motion. The rates themselves (CamRotRate ...) live with the scene.
inline float cam2tar;         // camera-to-target distance at the entry start
inline float camzrate;        // zoom step, percent of cam2tar, with sign
inline float camzfact;        // outer zoom limit as a multiple of cam2tar
inline int camsa, camat;      // playlist entry's start angle and altitude, degrees

// Render list.
inline mem_render_entry_s *reapbase;   // first group head in drawing order
inline mem_render_entry_s *reapsave;   // last group head linked so far
inline mem_render_entry_s *reap;       // entry being built
inline mem_object_header_s *ohap2;     // material object of `reap`
inline uint8_t tottr;                  // next transparency counter
inline int maxmpass = 3;               // merge passes per sweep
inline int rmergesw = 0;               // 1 turns grouping off
inline int file_rend_mode = 10;        // scene-wide default rend_mode
inline float cvx, cvy, cvz;            // unit camera direction (and scratch)

// Unit view directions of the 32 depth tables: the 12 vertices of an
// icosahedron, then the centres of its 20 faces. Table k of a geometry lists
// its triangles far to near as seen from direction k.
inline constexpr float ddhvdir[32][3] = {
    {0.181898f, 0.408550f, -0.894427f},  {-0.595210f, 0.754541f, -0.276393f},
    {-0.298381f, 0.622384f, 0.723607f},  {0.662178f, 0.194716f, 0.723607f},
    {0.959006f, 0.062559f, -0.276393f},  {-0.662177f, -0.194716f, -0.723607f},
    {-0.959006f, -0.062559f, 0.276393f}, {-0.181898f, -0.408550f, 0.894427f},
    {0.595210f, -0.754541f, 0.276393f},  {0.298381f, -0.622384f, -0.723607f},
    {0.406737f, 0.913545f, 0.000000f},   {-0.406737f, -0.913545f, 0.000000f},
    {-0.323387f, -0.726339f, -0.606509f}, {-0.850342f, -0.491723f, -0.187422f},
    {-0.649063f, -0.581338f, 0.490676f}, {0.002289f, -0.871339f, 0.490676f},
    {0.203568f, -0.960954f, -0.187422f}, {-0.076302f, -0.171377f, -0.982246f},
    {-0.929710f, 0.208585f, -0.303531f}, {-0.603737f, 0.063452f, 0.794654f},
    {0.451133f, -0.406207f, 0.794654f},  {0.777106f, -0.551339f, -0.303531f},
    {-0.002289f, 0.871339f, -0.490676f}, {-0.203568f, 0.960954f, 0.187422f},
    {0.323387f, 0.726339f, 0.606509f},   {0.850342f, 0.491723f, 0.187422f},
    {0.649063f, 0.581338f, -0.490676f},  {-0.451133f, 0.406206f, -0.794654f},
    {-0.777106f, 0.551339f, 0.303531f},  {0.076302f, 0.171377f, 0.982246f},
    {0.929710f, -0.208585f, 0.303531f},  {0.603737f, -0.063452f, -0.794654f},
};

// Matrices and view transform.
void multar_ab();   // c = a . b
void multar_cb();   // a = c . b
// calct builds tc (and scr_ratio, camd) from the camera. With the camera
// straight above or below the target it looks as if from the -y side (the
// picture's up is +y); on the target it looks along +y; with a camera,
// target or focal length that is not finite tc stays as it was.
void calct();
void calcvt();    // after calct: reads camd
void transfsc();  // (ux, uy, uz) -> (vx, vy, vz) and pixel (sx, sy)

// Shading and texture frames.
void calcl();
void calch();
void calcr();
void calctxp();
void calctxs();
void calctxc();

// Render list. Geometries or materials the store lacks, tables it lacks, and
// boxes that are not finite give no entry; at most vas_max entries are made.
void rendlist();
int whichddhv();
float getvave(float x, float y, float z);

// Start values of everything this subsystem holds: matrices and view
// values cleared, no render list, the grouping settings at their defaults.
void reset_pipeline();

// Camera motion.
void rotatecam();
void pancam();
void zoomcamo();
void zoomcam();
void initcam();

}  // namespace vortella
