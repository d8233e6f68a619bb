// vtl info: loads a scene file as the saver does and reports the object
// store, as text or as one JSON object whose keys are the field names of the
// in-memory records and globals.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "scene/records.h"
#include "scene/scene.h"
#include "tools/load.h"
#include "tools/vtl.h"

namespace vortella {

using nlohmann::ordered_json;

namespace {

const char *kindname(int type) {
    switch (type) {
    case OT_SMOOTH: return "geometry (smooth)";
    case OT_FACETED: return "geometry (faceted)";
    case OT_INSTANCE: return "instance";
    case OT_INSTANCE2: return "instance (not drawn)";
    case OT_MAP: return "map";
    case OT_TEXTURE: return "material";
    case OT_CAMERA: return "camera";
    case OT_LIGHT: return "light";
    case OT_SCENE: return "scene";
    case OT_COMMENT: return "comment";
    default: return "unknown";
    }
}

ordered_json geometry(const mem_geometry_s &g) {
    ordered_json j;
    j["name"] = g.name;
    j["geom_no"] = g.geom_no;
    j["no_points"] = g.no_points;
    j["no_triangles"] = g.no_triangles;
    j["xmin"] = g.xmin;
    j["ymin"] = g.ymin;
    j["zmin"] = g.zmin;
    j["xmax"] = g.xmax;
    j["ymax"] = g.ymax;
    j["zmax"] = g.zmax;
    j["texture"] = g.texture;
    j["rend_mode"] = g.rend_mode;
    j["no_ddh"] = std::vector<int>(g.no_ddh, g.no_ddh + 32);
    return j;
}

ordered_json instance(const mem_instance_s &n) {
    ordered_json j;
    j["name"] = n.name;
    j["inst_no"] = n.inst_no;
    j["xscale"] = n.xscale;
    j["yscale"] = n.yscale;
    j["zscale"] = n.zscale;
    j["izro"] = n.izro;
    j["xrot"] = n.xrot;
    j["zrot"] = n.zrot;
    j["x"] = n.x;
    j["y"] = n.y;
    j["z"] = n.z;
    j["binsx"] = n.binsx;
    j["binsy"] = n.binsy;
    j["binsz"] = n.binsz;
    j["no_geom"] = n.no_geom;
    j["no_instance"] = n.no_instance;
    j["rend_mode"] = n.rend_mode;
    std::vector<int> gl, il;
    for (int i = 0; i < n.no_geom; ++i) gl.push_back(vget<geom_a>(n.geoms, i)->geom_no);
    for (int i = 0; i < n.no_instance; ++i) il.push_back(vget<instance_a>(n.instances, i)->inst_no);
    j["geoms"] = gl;
    j["instances"] = il;
    return j;
}

ordered_json bitmap(const BITMAPINFOHEADER *b) {
    if (!b) return nullptr;
    ordered_json j;
    j["biWidth"] = b->biWidth;
    j["biHeight"] = b->biHeight;
    j["biBitCount"] = b->biBitCount;
    return j;
}

ordered_json material(const mem_texture_s &m) {
    ordered_json j;
    j["name"] = m.name;
    j["texture_no"] = m.texture_no;
    j["color"] = {{"red", m.color.red}, {"green", m.color.green}, {"blue", m.color.blue}};
    j["ambient"] = m.ambient;
    j["diffuse"] = m.diffuse;
    j["brilliance"] = m.brilliance;
    j["highlight"] = m.highlight;
    j["highlights"] = m.highlights;
    j["trans"] = m.trans;
    j["trans_th"] = m.trans_th;
    j["reflection"] = m.reflection;
    j["opacity"] = m.opacity;
    j["map_type"] = m.map_type;
    j["map_no"] = m.map_no;
    j["x_freq"] = m.x_freq;
    j["y_freq"] = m.y_freq;
    j["x"] = m.x;
    j["y"] = m.y;
    j["z"] = m.z;
    j["xscale"] = m.xscale;
    j["yscale"] = m.yscale;
    j["zscale"] = m.zscale;
    j["izro"] = m.izro;
    j["xrot"] = m.xrot;
    j["zrot"] = m.zrot;
    j["pdibmap"] = bitmap(m.pdibmap);
    j["pdibdel"] = m.pdibdel;
    std::vector<std::string> tabs;
    if (m.litear) tabs.push_back("litear");
    if (m.hilitear) tabs.push_back("hilitear");
    if (m.transrr) tabs.push_back("transrr");
    if (m.transrg) tabs.push_back("transrg");
    if (m.transrb) tabs.push_back("transrb");
    if (m.textax) tabs.push_back("textax");
    if (m.textay) tabs.push_back("textay");
    j["tables"] = tabs;
    return j;
}

ordered_json report(const std::string &path, const file_header_s &h, const std::vector<std::string> &warnings) {
    ordered_json j;
    j["file"] = path;
    j["version_no"] = w16(h.version_no_l, h.version_no_h);
    char text[21];
    copytext(text, sizeof text, h.header_text, sizeof h.header_text);
    j["header_text"] = text;
    j["file_no_obj"] = file_no_obj;
    ordered_json objects = ordered_json::array(), geometries = ordered_json::array(),
                 materials = ordered_json::array(), mapsj = ordered_json::array(),
                 instances = ordered_json::array(), comments = ordered_json::array();
    for (int i = 0; i < file_no_obj; ++i) {
        const mem_object_header_s *o = obj_at(i);
        objects.push_back({{"index", i}, {"type", o->type}, {"kind", kindname(o->type)}});
        switch (o->type) {
        case OT_SMOOTH:
        case OT_FACETED: geometries.push_back(geometry(o->t.geometry)); break;
        case OT_INSTANCE:
        case OT_INSTANCE2: instances.push_back(instance(o->t.instance)); break;
        case OT_MAP: {
            ordered_json m;
            m["ext_name"] = o->t.map.ext_name;
            m["map_no"] = o->t.map.map_no;
            m["pdibmap"] = bitmap(o->t.map.pdibmap);
            mapsj.push_back(m);
            break;
        }
        case OT_TEXTURE: materials.push_back(material(o->t.material)); break;
        case OT_COMMENT:
            comments.push_back({{"obj_no", o->t.comment.obj_no}, {"comment_line", o->t.comment.comment_line}});
            break;
        default: break;
        }
    }
    j["objects"] = objects;
    j["geometries"] = geometries;
    j["materials"] = materials;
    j["maps"] = mapsj;
    j["instances"] = instances;
    j["comments"] = comments;
    j["camx"] = camx;
    j["camy"] = camy;
    j["camz"] = camz;
    j["tarx"] = tarx;
    j["tary"] = tary;
    j["tarz"] = tarz;
    j["focl"] = focl;
    j["CamRotRate"] = CamRotRate;
    j["CamPanRate"] = CamPanRate;
    j["CamZoomRate"] = CamZoomRate;
    j["CamFHeight"] = CamFHeight;
    j["movem"] = movem;
    j["ltal"] = ltal;
    j["ltaz"] = ltaz;
    j["sbackground"] = sbackground;
    j["bgred"] = bgred;
    j["bggreen"] = bggreen;
    j["bgblue"] = bgblue;
    j["warnings"] = warnings;
    return j;
}

// Plain-text rendering of a report value on one line.
std::string flat(const ordered_json &v) {
    if (v.is_string()) return "\"" + v.get<std::string>() + "\"";
    if (v.is_number_float()) {
        // The shortest text that reads back as the same single float.
        const float f = static_cast<float>(v.get<double>());
        char b[32];
        for (int prec = 6; prec <= 9; ++prec) {
            std::snprintf(b, sizeof b, "%.*g", prec, static_cast<double>(f));
            if (std::strtof(b, nullptr) == f) break;
        }
        return b;
    }
    if (v.is_array() || v.is_object()) {
        std::string s = v.is_array() ? "[" : "{";
        bool first = true;
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (!first) s += ",";
            first = false;
            if (v.is_object()) s += it.key() + ":";
            s += flat(*it);
        }
        return s + (v.is_array() ? "]" : "}");
    }
    return v.dump();
}

void printsection(const char *title, const ordered_json &list) {
    for (const auto &e : list) {
        std::printf("%s:", title);
        for (auto it = e.begin(); it != e.end(); ++it) std::printf(" %s=%s", it.key().c_str(), flat(*it).c_str());
        std::printf("\n");
    }
}

void printtext(const ordered_json &j) {
    std::printf("file: %s\nversion_no: %d\nheader_text: %s\nfile_no_obj: %d\n",
                j["file"].get<std::string>().c_str(), j["version_no"].get<int>(),
                flat(j["header_text"]).c_str(), j["file_no_obj"].get<int>());
    for (const auto &o : j["objects"])
        std::printf("object %d: type %d, %s\n", o["index"].get<int>(), o["type"].get<int>(),
                    o["kind"].get<std::string>().c_str());
    printsection("geometry", j["geometries"]);
    printsection("material", j["materials"]);
    printsection("map", j["maps"]);
    printsection("instance", j["instances"]);
    printsection("comment", j["comments"]);
    std::printf("camera: camx=%s camy=%s camz=%s tarx=%s tary=%s tarz=%s focl=%s\n", flat(j["camx"]).c_str(),
                flat(j["camy"]).c_str(), flat(j["camz"]).c_str(), flat(j["tarx"]).c_str(),
                flat(j["tary"]).c_str(), flat(j["tarz"]).c_str(), flat(j["focl"]).c_str());
    std::printf("motion: CamRotRate=%s CamPanRate=%s CamZoomRate=%s CamFHeight=%s movem=%s\n",
                flat(j["CamRotRate"]).c_str(), flat(j["CamPanRate"]).c_str(), flat(j["CamZoomRate"]).c_str(),
                flat(j["CamFHeight"]).c_str(), flat(j["movem"]).c_str());
    std::printf("light: ltal=%s ltaz=%s\n", flat(j["ltal"]).c_str(), flat(j["ltaz"]).c_str());
    std::printf("background: sbackground=%s bgred=%s bggreen=%s bgblue=%s\n", flat(j["sbackground"]).c_str(),
                flat(j["bgred"]).c_str(), flat(j["bggreen"]).c_str(), flat(j["bgblue"]).c_str());
}

}  // namespace

int cmd_info(int argc, char **argv) {
    const char *path = nullptr;
    bool json = false;
    std::string mapdir, background;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--json")) {
            json = true;
        } else if (!std::strcmp(argv[i], "--maps") && i + 1 < argc) {
            mapdir = argv[++i];
        } else if (!std::strcmp(argv[i], "--background") && i + 1 < argc) {
            background = argv[++i];
        } else if (argv[i][0] == '-' || path) {
            std::fprintf(stderr, "vtl info: unexpected argument '%s'\n", argv[i]);
            return 2;
        } else {
            path = argv[i];
        }
    }
    if (!path) {
        std::fprintf(stderr, "usage: vtl info SCENE.vtl [--json] [--maps DIR] [--background BMP]\n");
        return 2;
    }

    load_result r;
    if (const int rc = load_scene(path, mapdir, background, r)) return rc;
    // The header is not kept by the loader; read it again for the report.
    file_header_s h{};
    if (std::FILE *f = std::fopen(path, "rb")) {
        if (std::fread(&h, sizeof h, 1, f) != 1) h = file_header_s{};
        std::fclose(f);
    }
    const ordered_json j = report(path, h, r.warnings);
    if (json)
        std::printf("%s\n", j.dump(2).c_str());
    else
        printtext(j);
    unload_scene();
    return 0;
}

}  // namespace vortella
