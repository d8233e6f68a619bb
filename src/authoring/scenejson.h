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
    // How model textures are projected: "planar" (along the model's thinnest
    // extent), "planar-x", "planar-y", "planar-z", "spherical", "cylindrical".
    std::string mapping = "planar";
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
};

// One model with its materials and texture maps, a framing camera, a light
// and a dark plain background. False with `err` set on failure.
bool build_model_scene(const std::string &model, const build_options &o, built_scene &out, std::string *err);

// A JSON scene description; paths in it are relative to its folder.
bool build_json_scene(const std::string &json_path, const build_options &o, built_scene &out, std::string *err);

// Writes the scene and its maps (beside it). False with `err` set.
bool write_built_scene(const built_scene &b, const std::string &scene_path, std::string *err);

// A camera aimed at the centre of the box from where the whole box fits the
// view at focal length `foc_len`, a little raised, circling slowly.
camera_desc framing_camera(const std::array<float, 6> &box, float foc_len = 1.93f);

// Reads a PNG, JPEG or BMP picture (from a file, or from the bytes of one)
// as a 24-bit picture. False with `err` set.
bool read_picture(const std::string &path, rgbimage &img, std::string *err);
bool read_picture(const std::vector<uint8_t> &bytes, const std::string &name, rgbimage &img, std::string *err);

// Sets the projection of a textured material to cover the box once:
// "planar" (along the box's thinnest extent), "planar-x", "planar-y",
// "planar-z", "spherical" or "cylindrical". False for an unknown kind.
bool fit_mapping(material_desc &m, const std::string &kind, const std::array<float, 6> &box);

}  // namespace vortella
