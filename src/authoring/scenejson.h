// The scene compiler: one model file, or a JSON scene description listing
// models and shapes with their materials, camera, light and settings, made
// into a scene with depth tables and 24-bit BMP maps.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/import.h"
#include "authoring/writer.h"

namespace vortella {

struct build_options {
    geometry_options geo;
    bool plain_tables = false;   // the plain sort instead of the repaired order
    // How model textures are projected: "auto" (textures seen through
    // texture coordinates, and vertex colours, baked into the projections
    // that show the model best; a texture without coordinates planar),
    // "planar" (along the thinnest extent), "planar-x", "planar-y",
    // "planar-z", "spherical", "cylindrical".
    std::string mapping = "auto";
    // The model's up axis ("x", "-y", ...); empty: what the file states or
    // its format's habit.
    std::string up;
    bool floor = false;   // a single model stands on a floor
    // Longest a model file may take to import before it is refused.
    int import_seconds = 300;
    // Called with the share done (0..1) while depth tables are built.
    std::function<void(double)> progress;
};

struct built_scene {
    scene_desc scene;
    std::vector<std::pair<std::string, rgbimage>> maps;   // map files to write beside the scene
    int geometries = 0;
    long points = 0, triangles = 0, table_entries = 0;
    std::vector<std::string> notes;   // how each model was turned and its maps made, for the summary
};

// One model with its materials and texture maps, stood upright at the
// origin, framed at a three-quarter view and lit from the camera's front
// left before a plain background (on a floor when asked). False with `err`
// set on failure.
bool build_model_scene(const std::string &model, const build_options &o, built_scene &out, std::string *err);

// A JSON scene description; paths in it are relative to its folder.
bool build_json_scene(const std::string &json_path, const build_options &o, built_scene &out, std::string *err);

// Writes the scene and its maps (beside it). False with `err` set.
bool write_built_scene(const built_scene &b, const std::string &scene_path, std::string *err);

// How a camera frames a model: from `azimuth` (radians, from +x toward
// +y, as the camera stands from its target), `elevation` above, the model
// filling `fill` of the picture's height. The default looks at the front
// of a model facing -y, turned a little toward its right.
struct framing {
    float foc_len = 1.93f;
    double azimuth = -0.96, elevation = 0.38, fill = 0.6;
};

// A camera aimed at the middle of the points' box from the framing's
// direction and at the distance where they fill the framing's share of the
// picture's height; a little farther if needed, so that they stay in a 4:3
// picture all the way round as it circles slowly.
camera_desc framing_camera(const std::vector<std::array<float, 3>> &points, const framing &f = {});
// The same for the corners of a box.
camera_desc framing_camera(const std::array<float, 6> &box, float foc_len = 1.93f);

// A light from above and in front of the model, on the camera's left.
light_desc framing_light(const camera_desc &c);

// Reads a PNG, JPEG or BMP picture (from a file, or from the bytes of one)
// as a 24-bit picture. False with `err` set.
bool read_picture(const std::string &path, rgbimage &img, std::string *err);
bool read_picture(const std::vector<uint8_t> &bytes, const std::string &name, rgbimage &img, std::string *err);

// Sets the projection of a textured material to cover the box once:
// "planar" (along the box's thinnest extent), "planar-x", "planar-y",
// "planar-z", "spherical" or "cylindrical". False for an unknown kind.
bool fit_mapping(material_desc &m, const std::string &kind, const std::array<float, 6> &box);

}  // namespace vortella
