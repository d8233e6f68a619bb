// Scene-file writer: turns an in-memory scene description into the bytes of
// a .vtl file. Tests make every scene they read with it; the tools build on
// it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene.h"

namespace vortella {

struct geometry_desc {
    std::string name;
    bool faceted = false;   // type 1 (faceted) or type 0 (smooth)
    int geom_no = 0;
    int texture = 0;        // material number
    int rend_mode = 0;
    int ddh_size = 32;      // written as is; the reader ignores it
    // Points: the normal is written for smooth geometries only.
    std::vector<points_s> points;
    // Triangles: the normal is written for faceted geometries only.
    std::vector<trianglef_s> triangles;
    // The 32 depth tables (triangle numbers, farthest first).
    std::array<std::vector<int>, 32> ddh;
    // Bounding box; computed from the points unless `box` is set.
    bool box = false;
    float xmin = 0, ymin = 0, zmin = 0, xmax = 0, ymax = 0, zmax = 0;
};

struct instance_desc {
    std::string name;
    bool drawn = true;   // type 10 (drawn) or type 20 (stored only)
    int inst_no = 0;
    float xscale = 1, yscale = 1, zscale = 1, izro = 0, xrot = 0, zrot = 0;
    float x = 0, y = 0, z = 0, binsx = 0, binsy = 0, binsz = 0;
    int texture = 0;
    int rend_mode = 0;
    std::vector<int> geoms;       // geometry numbers
    std::vector<int> instances;   // instance numbers
};

struct map_desc {
    std::string ext_name;
    int map_no = 0;
};

struct material_desc {
    std::string name;
    int texture_no = 0;
    uint8_t red = 200, green = 200, blue = 200;
    int ambient = 2, diffuse = 0;
    float highlight = 1, highlights = 1, brilliance = 0.3f;   // threshold 1: no highlight
    float trans = 0, trans_th = 0, reflection = 0, opacity = 0;
    int map_type = 0, map_no = 0, x_freq = 1, y_freq = 1;
    float x = 0, y = 0, z = 0, xscale = 1, yscale = 1, zscale = 1, izro = 0, xrot = 0, zrot = 0;
};

struct camera_desc {
    std::string name;
    int cam_no = 0;
    float x = 0, y = -10, z = 0, targx = 0, targy = 0, targz = 0, foc_len = 1;
    float CamRotRate = 0, CamPanRate = 0, CamZoomRate = 0, CamFHeight = 0;
    int mode = 0;
};

struct light_desc {
    float ltal = 0.7f, ltaz = 0.5f;
    uint8_t red = 255, green = 255, blue = 255;
    int mode = 0;
};

struct scene_settings_desc {
    std::string title;
    int rend_mode = 0;
    int no_frames = 0;
    int mode = 0;
    float fog_dist = 0;
    uint8_t fog_red = 0, fog_green = 0, fog_blue = 0;
    int background_type = 0;
    uint8_t red = 0, green = 0, blue = 0;
    std::string map_name;
};

struct comment_desc {
    int obj_no = 0;
    std::string comment_line;
};

// One object of the file: `type` says which member is written. A type the
// format does not know is written as its two type bytes alone.
struct object_desc {
    int type = OT_COMMENT;
    geometry_desc geometry;
    instance_desc instance;
    map_desc map;
    material_desc material;
    camera_desc camera;
    light_desc light;
    scene_settings_desc scene;
    comment_desc comment;
};

struct scene_desc {
    int version_no = 1;
    std::string header_text = "Vortella scene";
    std::vector<object_desc> objects;
    // Bytes appended after the last object (the reader ignores them).
    std::vector<uint8_t> trailer;

    // Appenders; each returns the object it added, for further editing.
    geometry_desc &add(const geometry_desc &g);
    instance_desc &add(const instance_desc &i);
    map_desc &add(const map_desc &m);
    material_desc &add(const material_desc &m);
    camera_desc &add(const camera_desc &c);
    light_desc &add(const light_desc &l);
    scene_settings_desc &add(const scene_settings_desc &s);
    comment_desc &add(const comment_desc &c);
};

// The file's bytes. Fails (std::invalid_argument) for what the format cannot
// hold: numbers or counts outside 0..32767, a text too long for its field,
// a point block larger than the reader's buffer.
std::vector<uint8_t> write_scene(const scene_desc &s);

// Writes the file; false with `err` set when the scene cannot be written.
bool write_scene_file(const scene_desc &s, const std::string &path, std::string *err);

}  // namespace vortella
