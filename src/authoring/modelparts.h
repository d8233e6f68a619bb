// A model made into the parts of a scene: its materials (the file's own,
// or a pleasant default where it has none), its geometries, and the maps
// its textures and vertex colours are baked into.
#pragma once

#include <string>
#include <vector>

#include "authoring/import.h"
#include "authoring/scenejson.h"

namespace vortella {

struct model_parts {
    std::vector<material_desc> materials;   // without numbers
    // Per material: a projection kind still to fit over the geometries
    // that use it (a texture without texture coordinates), or empty.
    std::vector<std::string> fit;
    std::vector<geometry_desc> geometries;  // material: index into `materials`
    std::vector<std::string> notes;         // what was baked, for the summary
};

// Loads a model, stands it upright (the axes chosen by `up`, see model_up)
// and says how in `note`. False with `err` set.
bool load_upright(const std::string &path, const std::string &up, int seconds, model_mesh &m, std::string &note,
                  std::string *err);

// The parts of a model in scene placement. Textures are read from
// `texdir`; maps are appended to out.maps, named `mapstem` + "_" + their
// number + ".bmp". False with `err` set.
bool make_model_parts(const model_mesh &m, const std::string &texdir, const std::string &mapstem,
                      const build_options &o, built_scene &out, model_parts &parts, std::string *err);

// The shading every model material gets: a shaded side half as bright as
// the lit one, a soft highlight.
void model_shading(material_desc &m);

}  // namespace vortella
