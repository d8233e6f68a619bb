// Models from common 3D formats (Wavefront OBJ with MTL, PLY, STL, glTF 2.0
// and whatever else the import library reads) turned into geometries that
// fit the scene format: smooth with vertex normals split at creases, or
// faceted, and cut into several spatially compact geometries when a mesh is
// beyond the format's limits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "authoring/writer.h"

namespace vortella {

struct model_material {
    std::string name;
    uint8_t red = 200, green = 200, blue = 200;   // diffuse colour
    float opacity = 1;                            // 1 opaque
    std::string texture;            // diffuse texture file, as the model names it
    std::vector<uint8_t> embedded;  // or the bytes of a texture stored in the model
    bool from_file = true;          // false: the file has no material, the import library made this one up
    bool uv = false;                // some of its triangles carry texture coordinates
    bool colours = false;           // some of its triangles carry vertex colours
};

// A model as triangles over welded positions: corners at the same place
// share one position whatever their normals or texture coordinates.
struct model_mesh {
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<int, 3>> triangles;
    std::vector<int> material;                  // per triangle
    std::vector<std::array<float, 3>> normals;  // per corner (3 per triangle); empty when the file has none
    // Per corner, empty when no mesh of the file has them: texture
    // coordinates (v up from the picture's bottom row) and colours. Corners
    // of meshes without get (0, 0) and white.
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::array<uint8_t, 3>> colours;
    std::vector<model_material> materials;
    std::string format;   // the file's extension, lower case, without the dot
    // What the file states about its axes, as signed axes (0 x, 1 y, 2 z
    // times a sign in up_sign, front_sign); axis -1 when it says nothing.
    int up_axis = -1, up_sign = 1, front_axis = -1, front_sign = 1;
};

// Which way a model stands: the axis pointing up and, when known, the one
// its front faces, each an axis number (0 x, 1 y, 2 z; front -1 unknown)
// with a sign; and where that came from, for the summary.
struct model_axes {
    int up = 2, up_sign = 1, front = -1, front_sign = 1;
    std::string source;
    std::string up_name() const;   // "+y", "-z", ...
};

// The axes of a model: `choice` ("x", "+y", "-z", ...; empty for none)
// when given, else what the file states, else the habit of its format (STL,
// 3MF and AMF files are z-up; glTF is y-up by definition and faces +z; the
// import library turns Collada, 3DS and the like y-up; OBJ, PLY and most
// others are y-up by custom). False with `err` set for a choice that is not
// an axis.
bool model_up(const model_mesh &m, const std::string &choice, model_axes &out, std::string *err);

// Turns the model so that its up axis becomes +z and its front faces -y,
// toward a framing camera; a model without a known front shows its longest
// horizontal side there instead.
void stand_upright(model_mesh &m, const model_axes &a);

// Reads a model file, every mesh of it in scene placement (node transforms
// applied). False with `err` set when the file cannot be read, its format is
// not supported, or it holds no triangles. Runs the import library in this
// process: a damaged file can make it loop for ever (see load_model).
bool read_model(const std::string &path, model_mesh &m, std::string *err);

// read_model in a child process that must finish within `seconds`: a file
// that makes the import library hang or crash is refused with a message
// instead of stopping the caller.
bool load_model(const std::string &path, model_mesh &m, std::string *err, int seconds = 300);

// The model as bytes and back, as the child process hands it over; unpack
// refuses (false) any damaged or truncated text.
std::vector<uint8_t> pack_model(const model_mesh &m);
bool unpack_model(const std::vector<uint8_t> &b, model_mesh &m);

struct geometry_options {
    bool faceted = false;       // type 1 with face normals instead of type 0
    double crease_deg = 40;     // smooth: faces meeting at more than this keep their own normals
    bool file_normals = true;   // smooth: use the file's normals when it has them
    // The format's limits; lower values are for tests.
    int max_points_smooth = 26666, max_points_faceted = 32767, max_triangles = 32767;
};

// The triangles of `m` with material `material` (-1: all) as geometries
// within the limits; the geometries get no number, material or depth tables.
// A part beyond a limit is cut in two across its longest extent at the
// median triangle centre, again until every part fits.
std::vector<geometry_desc> make_geometries(const model_mesh &m, int material, const geometry_options &o);

// The same for several sets of triangles (numbers into m.triangles), one
// list of geometries per set; computed normals are averaged over all the
// sets together, so that sets meet without a crease.
std::vector<std::vector<geometry_desc>> make_geometries(const model_mesh &m, const std::vector<std::vector<int>> &sets,
                                                        const geometry_options &o);

// Bounding box of the positions: {xmin, ymin, zmin, xmax, ymax, zmax}.
std::array<float, 6> model_box(const model_mesh &m);

// Moves and scales the model: p' = p * scale + offset.
void place_model(model_mesh &m, float scale, const std::array<float, 3> &offset);

}  // namespace vortella
