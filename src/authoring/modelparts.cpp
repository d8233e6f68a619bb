#include "authoring/modelparts.h"

#include <algorithm>

#include "authoring/bake.h"

namespace vortella {

namespace {

std::string resolve(const std::string &base, const std::string &p) {
    if (p.empty() || p[0] == '/' || base.empty()) return p;
    return base + p;
}

std::array<float, 6> box_of(const geometry_desc &g) {
    std::array<float, 6> b = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};
    for (const points_s &p : g.points) {
        const float v[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) b[a] = std::min(b[a], v[a]), b[a + 3] = std::max(b[a + 3], v[a]);
    }
    return b;
}

// The material of a model material before any map: its colour and
// transparency, or a warm light colour where the file has no material.
material_desc base_material(const model_material &mm) {
    material_desc m;
    m.name = mm.name.substr(0, 31);
    m.red = mm.red, m.green = mm.green, m.blue = mm.blue;
    if (!mm.from_file && mm.texture.empty() && !mm.colours) {
        m.name = "default";
        m.red = 235, m.green = 200, m.blue = 150;
    }
    model_shading(m);
    if (mm.opacity < 1) {
        m.trans = 1 - mm.opacity;
        m.trans_th = 1 - mm.opacity;
    }
    return m;
}

std::string map_name(const std::string &stem, const built_scene &out) {
    return stem + "_" + std::to_string(out.maps.size() + 1) + ".bmp";
}

}  // namespace

void model_shading(material_desc &m) {
    m.ambient = 1, m.diffuse = 0;
    m.brilliance = 0.05f;
    m.highlight = 0.95f, m.highlights = 1;
}

bool load_upright(const std::string &path, const std::string &up, int seconds, model_mesh &m, std::string &note,
                  std::string *err) {
    if (!load_model(path, m, err, seconds)) return false;
    model_axes axes;
    if (!model_up(m, up, axes, err)) return false;
    stand_upright(m, axes);
    note = "up " + axes.up_name() + " (" + axes.source + ")";
    return true;
}

bool make_model_parts(const model_mesh &m, const std::string &texdir, const std::string &mapstem,
                      const build_options &o, built_scene &out, model_parts &parts, std::string *err) {
    parts = model_parts{};
    for (size_t k = 0; k < m.materials.size(); ++k) {
        std::vector<int> tris;
        for (size_t i = 0; i < m.triangles.size(); ++i)
            if (m.material[i] == static_cast<int>(k)) tris.push_back(static_cast<int>(i));
        if (tris.empty()) continue;
        const model_material &mm = m.materials[k];
        const material_desc base = base_material(mm);
        rgbimage tex;
        const bool textured = !mm.texture.empty();
        if (textured && !(mm.embedded.empty() ? read_picture(resolve(texdir, mm.texture), tex, err)
                                              : read_picture(mm.embedded, mm.texture, tex, err)))
            return false;
        const bool uv = textured && mm.uv && !m.uvs.empty(), colours = mm.colours && !m.colours.empty();
        if (!uv && !colours) {
            // Plain, or a texture without coordinates: projected as it is.
            std::vector<geometry_desc> gs = make_geometries(m, std::vector<std::vector<int>>{tris}, o.geo)[0];
            if (gs.empty()) continue;
            const int mi = static_cast<int>(parts.materials.size());
            parts.materials.push_back(base);
            parts.fit.emplace_back();
            if (textured) {
                out.maps.emplace_back(map_name(mapstem, out), std::move(tex));
                parts.materials.back().map_no = static_cast<int>(out.maps.size());
                parts.fit.back() = o.mapping == "auto" ? "planar" : o.mapping;
            }
            for (geometry_desc &g : gs) g.texture = mi, parts.geometries.push_back(std::move(g));
            continue;
        }
        bake_options bo;
        bo.mapping = o.mapping;
        std::vector<baked_part> baked;
        if (!bake(m, tris, uv ? &tex : nullptr, colours, bo, baked, err)) return false;
        std::vector<std::vector<int>> sets;
        for (const baked_part &b : baked) sets.push_back(b.triangles);
        const std::vector<std::vector<geometry_desc>> gsets = make_geometries(m, sets, o.geo);
        std::string how;
        size_t total = 0, n = 0;
        for (const auto &gs : gsets) total += gs.size();
        for (size_t i = 0; i < baked.size(); ++i) {
            if (gsets[i].empty()) continue;
            how += (how.empty() ? "" : ", ") + baked[i].projection.name();
            out.maps.emplace_back(map_name(mapstem, out), std::move(baked[i].map));
            const int map_no = static_cast<int>(out.maps.size());
            // The renderer measures a projection from the middle of each
            // geometry's box: every geometry gets its own material.
            for (const geometry_desc &g : gsets[i]) {
                material_desc md = base;
                if (total > 1) md.name = base.name.substr(0, 25) + " " + std::to_string(++n);
                projection_material(baked[i].projection, box_of(g), md);
                md.map_no = map_no;
                parts.geometries.push_back(g);
                parts.geometries.back().texture = static_cast<int>(parts.materials.size());
                parts.materials.push_back(md);
                parts.fit.emplace_back();
            }
        }
        const std::string what = mm.name.empty() ? "material " + std::to_string(k + 1) : "material '" + mm.name + "'";
        const char *from = uv ? (colours ? "texture and vertex colours" : "texture") : "vertex colours";
        if (!how.empty()) parts.notes.push_back(what + " baked from its " + from + ": " + how);
    }
    return true;
}

}  // namespace vortella
