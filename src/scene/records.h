// The records of a scene file, byte for byte. Every field is made of bytes,
// so the structs have no padding and match the file layout exactly; 16-bit
// numbers are little-endian low/high byte pairs, floats are 4-byte
// little-endian IEEE singles.
#pragma once

#include <cstdint>
#include <cstring>

namespace vortella {

typedef uint8_t f32le[4];

struct file_header_s {
    uint8_t version_no_l, version_no_h;
    char header_text[20];
    uint8_t no_obj_l, no_obj_h;
};

struct object_header_s {
    uint8_t type_l, type_h;
};

struct geometry_s {
    char name[32];
    uint8_t geom_no_l, geom_no_h;
    uint8_t no_points_l, no_points_h;
    uint8_t no_triangles_l, no_triangles_h;
    f32le xmin, ymin, zmin, xmax, ymax, zmax;
    uint8_t texture_l, texture_h;
    uint8_t ddh_size;
    uint8_t rend_mode;
};

struct points_sf {   // smooth point as stored
    f32le x, y, z, nx, ny, nz;
};
struct pointf_sf {   // faceted point as stored
    f32le x, y, z;
};
struct triangles_sf {
    uint8_t pt1_l, pt1_h, pt2_l, pt2_h, pt3_l, pt3_h;
};
struct trianglef_sf {
    uint8_t pt1_l, pt1_h, pt2_l, pt2_h, pt3_l, pt3_h;
    f32le nx, ny, nz;
};
struct ddh_table_s {
    uint8_t no_triangles_l, no_triangles_h;
};
struct ddh_table_entry_s {
    uint8_t tri_no_l, tri_no_h;
};

struct geom_instancef_s {
    char name[32];
    uint8_t inst_no_l, inst_no_h;
    f32le xscale, yscale, zscale, izro, xrot, zrot, x, y, z, binsx, binsy, binsz;
    uint8_t texture_l, texture_h;
    uint8_t rend_mode;
    uint8_t no_geom_l, no_geom_h;
    uint8_t no_instance_l, no_instance_h;
};
struct instancef_s {
    uint8_t entry_no_l, entry_no_h;
};

struct map_s {
    char ext_name[65];
    uint8_t map_no_l, map_no_h;
};

struct texture_s {
    char name[32];
    uint8_t texture_no_l, texture_no_h;
    uint8_t red, green, blue;
    uint8_t ambient_l, ambient_h;
    uint8_t diffuse_l, diffuse_h;
    f32le highlight, highlights, brilliance, trans, trans_th, reflection, opacity;
    uint8_t map_type_l, map_type_h;
    uint8_t map_no_l, map_no_h;
    uint8_t x_freq_l, x_freq_h;
    uint8_t y_freq_l, y_freq_h;
    f32le x, y, z, xscale, yscale, zscale, izro, xrot, zrot;
};

struct camera_s {
    char name[32];
    uint8_t cam_no_l, cam_no_h;
    f32le x, y, z, targx, targy, targz, foc_len;
    f32le CamRotRate, CamPanRate, CamZoomRate, CamFHeight;
    uint8_t mode;
};

struct light_s {
    f32le ltal, ltaz;
    uint8_t red, green, blue;
    uint8_t mode;
};

struct scene_s {
    char title[254];
    uint8_t rend_mode;
    uint8_t no_frames_l, no_frames_h;
    uint8_t mode;
    f32le fog_dist;
    uint8_t fog_red, fog_green, fog_blue;
    uint8_t background_type;
    uint8_t red, green, blue;
    char map_name[65];
};

struct comment_s {
    uint8_t obj_no_l, obj_no_h;
    char comment_line[254];
};

static_assert(sizeof(file_header_s) == 24);
static_assert(sizeof(object_header_s) == 2);
static_assert(sizeof(geometry_s) == 66);
static_assert(sizeof(points_sf) == 24 && sizeof(pointf_sf) == 12);
static_assert(sizeof(triangles_sf) == 6 && sizeof(trianglef_sf) == 18);
static_assert(sizeof(geom_instancef_s) == 89);
static_assert(sizeof(map_s) == 67);
static_assert(sizeof(texture_s) == 113);
static_assert(sizeof(camera_s) == 79);
static_assert(sizeof(light_s) == 12);
static_assert(sizeof(scene_s) == 334);
static_assert(sizeof(comment_s) == 256);

// Decoding and encoding of the byte fields.
inline int w16(uint8_t l, uint8_t h) { return l | (h << 8); }
inline void put16(uint8_t &l, uint8_t &h, int v) {
    l = static_cast<uint8_t>(v & 0xff);
    h = static_cast<uint8_t>((v >> 8) & 0xff);
}
inline float rdf(const f32le b) {
    uint32_t u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline void putf(f32le b, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
}

// Copies a fixed-width text field, stopping at its NUL or at the field's
// end, and always terminates the destination (at most dstn - 1 characters).
inline void copytext(char *dst, size_t dstn, const char *src, size_t srcn) {
    size_t i = 0;
    for (; i + 1 < dstn && i < srcn && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
}

}  // namespace vortella
