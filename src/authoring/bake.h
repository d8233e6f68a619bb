// Texture maps baked for the projections the scene format has. A model
// dressed through texture coordinates (a diffuse texture, vertex colours)
// cannot keep them: a material only projects its map over the geometry,
// planar, spherical or cylindrical. So the texture is painted into the map
// of such a projection: every texel takes the colour of the surface point
// the projection shows there. Where one projection cannot show every part
// of a model, the triangles are shared out among several, one map each.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/import.h"
#include "authoring/writer.h"

namespace vortella {

// A projection in scene terms, independent of the geometry that uses it.
struct map_projection {
    int type = 1;   // map_type: 1 planar, 2 spherical, 3 cylindrical
    // Planar: projected along axis `axis` (0 x, 1 y, 2 z), seen from its
    // `side` (+1, -1; which surface is nearest along a ray). The plane
    // coordinates are (y, z) along x, (-x, z) along y and (y, -x) along z,
    // the turns the material's angles make; map coordinate k runs from
    // lo[k] over span[k].
    int axis = 2, side = 1;
    // Spherical and cylindrical: the centre, and for cylindrical the height
    // lo[1] .. lo[1] + span[1]; the cylinder's axis is upright.
    std::array<double, 3> centre = {0, 0, 0};
    std::array<double, 2> lo = {0, 0}, span = {1, 1};

    std::string name() const;   // "planar+z", "spherical", ...
};

// The map coordinates the renderer gives a point under the projection, as
// shares of the map: s across (0..1 for one turn or one span), t up from the
// bottom row. A point on a spherical projection's axis gets the renderer's
// fixed values (s 1/2; t 1/3 above the centre, 0 below).
std::array<double, 2> map_coords(const map_projection &p, const std::array<float, 3> &point);

// The material's map_type and projection fields that make the renderer
// apply `p` to a geometry whose bounding box is `box` (the renderer measures
// from the box's centre, so each geometry needs its own values).
void projection_material(const map_projection &p, const std::array<float, 6> &box, material_desc &m);

// Triangles of a model, the projection that shows them and its map.
struct baked_part {
    map_projection projection;
    std::vector<int> triangles;   // numbers into the model's triangles
    rgbimage map;
};

struct bake_options {
    // "auto" chooses the projection that shows most of the surface and
    // shares the rest out; a projection name ("planar" along the thinnest
    // extent, "planar-x", "planar-y", "planar-z", "spherical",
    // "cylindrical") bakes all triangles into that one.
    std::string mapping = "auto";
    int max_parts = 8;
    int max_side = 1024;   // texels along a map's longer side at most
};

// Bakes triangles `tris` of `m`: the texture (may be null) sampled
// bilinearly at the texture coordinates, times the vertex colours when
// `colours`. False with `err` set for an unknown mapping.
bool bake(const model_mesh &m, const std::vector<int> &tris, const rgbimage *texture, bool colours,
          const bake_options &o, std::vector<baked_part> &out, std::string *err);

// The texture's colour at (u, v), bilinear, repeating outside 0..1; v runs
// up from the bottom row.
std::array<double, 3> sample_texture(const rgbimage &t, double u, double v);

}  // namespace vortella
