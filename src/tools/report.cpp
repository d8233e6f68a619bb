#include "tools/report.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace vortella {

using nlohmann::ordered_json;

std::string cp1252(const char *s) {
    // The 32 characters of bytes 0x80..0x9F; the five bytes the code page
    // leaves unassigned stand for their Latin-1 code points.
    static const unsigned short high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s ? s : ""); *p; ++p) {
        unsigned c = *p;
        if (c >= 0x80 && c < 0xA0) c = high[c - 0x80];
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool valid_utf8(const std::string &s) {
    // The JSON library checks UTF-8 strictly when it writes a string.
    try {
        (void)ordered_json(s).dump();
        return true;
    } catch (const nlohmann::json::type_error &) {
        return false;
    }
}

std::string as_text(const std::string &s) { return valid_utf8(s) ? s : cp1252(s.c_str()); }

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
    j["name"] = cp1252(g.name);
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
    j["name"] = cp1252(n.name);
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
    j["name"] = cp1252(m.name);
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

}  // namespace

ordered_json scene_report(const std::string &path, const file_header_s &h,
                          const std::vector<std::string> &warnings) {
    ordered_json j;
    j["file"] = as_text(path);
    j["version_no"] = w16(h.version_no_l, h.version_no_h);
    char text[21];
    copytext(text, sizeof text, h.header_text, sizeof h.header_text);
    j["header_text"] = cp1252(text);
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
            m["ext_name"] = cp1252(o->t.map.ext_name);
            m["map_no"] = o->t.map.map_no;
            m["pdibmap"] = bitmap(o->t.map.pdibmap);
            mapsj.push_back(m);
            break;
        }
        case OT_TEXTURE: materials.push_back(material(o->t.material)); break;
        case OT_COMMENT:
            comments.push_back({{"obj_no", o->t.comment.obj_no}, {"comment_line", cp1252(o->t.comment.comment_line)}});
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
    ordered_json w = ordered_json::array();
    for (const std::string &t : warnings) w.push_back(as_text(t));
    j["warnings"] = w;
    return j;
}

namespace {

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

std::string section(const char *title, const ordered_json &list) {
    std::string out;
    for (const auto &e : list) {
        out += title;
        out += ":";
        for (auto it = e.begin(); it != e.end(); ++it) out += " " + it.key() + "=" + flat(*it);
        out += "\n";
    }
    return out;
}

// The values of `keys` as " key=value" pairs.
std::string pairs(const ordered_json &j, std::initializer_list<const char *> keys) {
    std::string out;
    for (const char *k : keys) out += std::string(" ") + k + "=" + flat(j.at(k));
    return out;
}

}  // namespace

std::string scene_text(const ordered_json &j) {
    std::string out = "file: " + j.at("file").get<std::string>() + "\nversion_no: " +
                      std::to_string(j.at("version_no").get<int>()) + "\nheader_text: " + flat(j.at("header_text")) +
                      "\nfile_no_obj: " + std::to_string(j.at("file_no_obj").get<int>()) + "\n";
    for (const auto &o : j.at("objects"))
        out += "object " + std::to_string(o.at("index").get<int>()) + ": type " + std::to_string(o.at("type").get<int>()) +
               ", " + o.at("kind").get<std::string>() + "\n";
    out += section("geometry", j.at("geometries"));
    out += section("material", j.at("materials"));
    out += section("map", j.at("maps"));
    out += section("instance", j.at("instances"));
    out += section("comment", j.at("comments"));
    out += "camera:" + pairs(j, {"camx", "camy", "camz", "tarx", "tary", "tarz", "focl"}) + "\n";
    out += "motion:" + pairs(j, {"CamRotRate", "CamPanRate", "CamZoomRate", "CamFHeight", "movem"}) + "\n";
    out += "light:" + pairs(j, {"ltal", "ltaz"}) + "\n";
    out += "background:" + pairs(j, {"sbackground", "bgred", "bggreen", "bgblue"}) + "\n";
    return out;
}

std::string scene_json(const ordered_json &j) { return j.dump(2); }

}  // namespace vortella
