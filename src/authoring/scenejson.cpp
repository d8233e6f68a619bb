#include "authoring/scenejson.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>
#include <stb_image.h>

#include "authoring/ddh.h"
#include "authoring/modelparts.h"
#include "authoring/primitives.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

using json = nlohmann::json;
constexpr float pi = 3.14159265f;

std::string folder_of(const std::string &p) {
    const size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

std::string resolve(const std::string &base, const std::string &p) {
    if (p.empty() || p[0] == '/' || base.empty()) return p;
    return base + p;
}

std::string stem_of(const std::string &p) {
    const size_t cut = p.find_last_of("/\\");
    std::string s = cut == std::string::npos ? p : p.substr(cut + 1);
    const size_t dot = s.find_last_of('.');
    if (dot != std::string::npos && dot > 0) s = s.substr(0, dot);
    if (s.size() > 40) s.resize(40);
    return s;
}

std::array<float, 6> union_box(const std::array<float, 6> &a, const std::array<float, 6> &b) {
    return {std::min(a[0], b[0]), std::min(a[1], b[1]), std::min(a[2], b[2]),
            std::max(a[3], b[3]), std::max(a[4], b[4]), std::max(a[5], b[5])};
}

std::array<float, 6> geometry_box(const geometry_desc &g) {
    std::array<float, 6> b = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};
    for (const points_s &p : g.points)
        b = union_box(b, {p.x, p.y, p.z, p.x, p.y, p.z});
    return b;
}

// Geometries with depth tables, numbered from `first`, material `texture`;
// reports progress by triangles done out of `total`.
struct tablemaker {
    const build_options &o;
    long total = 0, done = 0;
    void run(geometry_desc &g) {
        if (o.plain_tables) build_ddh_sorted(g);
        else build_ddh(g);
        done += static_cast<long>(g.triangles.size());
        if (o.progress && total > 0) o.progress(double(done) / double(total));
    }
};

// The plain background every built scene starts with: a slate blue that
// sets off warm and light models, one of the palette's own colours, so it
// shows without dither.
scene_settings_desc default_settings(const std::string &title) {
    scene_settings_desc set;
    set.title = title.substr(0, 253);
    set.red = 51, set.green = 51, set.blue = 102;
    return set;
}

void count(built_scene &b) {
    b.geometries = 0, b.points = 0, b.triangles = 0, b.table_entries = 0;
    for (const object_desc &o : b.scene.objects) {
        if (o.type != OT_SMOOTH && o.type != OT_FACETED) continue;
        ++b.geometries;
        b.points += static_cast<long>(o.geometry.points.size());
        b.triangles += static_cast<long>(o.geometry.triangles.size());
        for (const auto &t : o.geometry.ddh) b.table_entries += static_cast<long>(t.size());
    }
}

}  // namespace

bool read_picture(const std::vector<uint8_t> &bytes, const std::string &name, rgbimage &img, std::string *err) {
    int w = 0, h = 0, n = 0;
    unsigned char *p = bytes.size() > 0x7fffffff ? nullptr
                       : stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 3);
    if (!p) {
        if (err) *err = name + ": cannot convert texture: " + (stbi_failure_reason() ? stbi_failure_reason() : "unknown");
        return false;
    }
    img.w = w, img.h = h;
    img.rgb.assign(p, p + size_t(w) * size_t(h) * 3);
    stbi_image_free(p);
    return true;
}

bool read_picture(const std::string &path, rgbimage &img, std::string *err) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        if (err) *err = path + ": cannot open texture";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return read_picture(bytes, path, img, err);
}

bool fit_mapping(material_desc &m, const std::string &kind, const std::array<float, 6> &box) {
    const float ex = box[3] - box[0], ey = box[4] - box[1], ez = box[5] - box[2];
    const float cz = (box[2] + box[5]) * 0.5f;
    // A hair wider than the box, so that rounding at its edges stays inside
    // the map (coordinates outside it are drawn in the plain colour).
    auto span = [](float e) { return e > 0 ? e * 1.002f : 1.0f; };
    std::string k = kind;
    if (k == "planar") k = ez <= ex && ez <= ey ? "planar-z" : ey <= ex ? "planar-y" : "planar-x";
    m.izro = m.xrot = m.zrot = 0;
    m.x = m.y = m.z = 0;
    m.xscale = m.yscale = m.zscale = 1;
    // The plane coordinates are the second and third of (p - centre) turned
    // by the material's angles, offset by (x, y) and divided by the scales.
    if (k == "planar-x") {   // (qy, qz) = (py, pz)
        m.map_type = 1;
        m.x = -span(ey) / 2, m.xscale = span(ey);
        m.y = -span(ez) / 2, m.yscale = span(ez);
    } else if (k == "planar-y") {   // turned a quarter about z: (qy, qz) = (-px, pz)
        m.map_type = 1;
        m.xrot = pi / 2;
        m.x = -span(ex) / 2, m.xscale = span(ex);
        m.y = -span(ez) / 2, m.yscale = span(ez);
    } else if (k == "planar-z") {   // turned a quarter about y: (qy, qz) = (py, -px)
        m.map_type = 1;
        m.izro = pi / 2;
        m.x = -span(ey) / 2, m.xscale = span(ey);
        m.y = -span(ex) / 2, m.yscale = span(ex);
    } else if (k == "spherical") {
        m.map_type = 2;
    } else if (k == "cylindrical") {
        // Height (pz - cz - z) / zscale + cz runs 0..1 from bottom to top.
        m.map_type = 3;
        m.zscale = span(ez);
        m.z = box[2] - cz + cz * m.zscale;
    } else {
        return false;
    }
    return true;
}

namespace {

// The share of the picture's height, and of a 4:3 picture's width, that
// the points fill seen from `dist` away at azimuth `az` and elevation `el`,
// with a half-angle of view whose tangent is `tanhalf`.
std::array<double, 2> fills(const std::vector<std::array<double, 3>> &q, double az, double el, double dist,
                            double tanhalf) {
    const double d[3] = {std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
    const double r[3] = {-std::sin(az), std::cos(az), 0};
    const double u[3] = {-std::sin(el) * std::cos(az), -std::sin(el) * std::sin(az), std::cos(el)};
    double xlo = 1e300, xhi = -1e300, ylo = 1e300, yhi = -1e300;
    for (const auto &p : q) {
        const double z = dist - (p[0] * d[0] + p[1] * d[1] + p[2] * d[2]);
        const double x = (p[0] * r[0] + p[1] * r[1]) / z, y = (p[0] * u[0] + p[1] * u[1] + p[2] * u[2]) / z;
        xlo = std::min(xlo, x), xhi = std::max(xhi, x), ylo = std::min(ylo, y), yhi = std::max(yhi, y);
    }
    return {(yhi - ylo) / (2 * tanhalf), (xhi - xlo) / (2 * tanhalf * 4 / 3)};
}

// The smallest distance beyond `lo` at which `over(dist)` is at most 1;
// `over` falls as the distance grows.
template <class F>
double distance_for(double lo, F over) {
    double hi = lo * 2;
    for (int i = 0; i < 60 && over(hi) > 1; ++i) hi *= 2;
    if (over(lo) <= 1) return lo;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (over(mid) > 1 ? lo : hi) = mid;
    }
    return hi;
}

}  // namespace

camera_desc framing_camera(const std::vector<std::array<float, 3>> &points, const framing &f) {
    std::array<float, 6> box = {0, 0, 0, 0, 0, 0};
    if (!points.empty()) {
        box = {points[0][0], points[0][1], points[0][2], points[0][0], points[0][1], points[0][2]};
        for (const auto &p : points)
            for (int a = 0; a < 3; ++a) box[a] = std::min(box[a], p[a]), box[a + 3] = std::max(box[a + 3], p[a]);
    }
    const double c[3] = {(box[0] + box[3]) * 0.5, (box[1] + box[4]) * 0.5, (box[2] + box[5]) * 0.5};
    // The points about the target: a few thousand of them, with those at
    // the box's faces, are enough to measure how much of the picture they
    // fill.
    std::vector<std::array<double, 3>> q;
    const size_t step = std::max<size_t>(1, points.size() / 4096);
    double radius = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const auto &p = points[i];
        bool edge = false;
        for (int a = 0; a < 3; ++a) edge = edge || p[a] == box[a] || p[a] == box[a + 3];
        if (i % step != 0 && !edge) continue;
        q.push_back({p[0] - c[0], p[1] - c[1], p[2] - c[2]});
        radius = std::max(radius, std::sqrt(q.back()[0] * q.back()[0] + q.back()[1] * q.back()[1] +
                                            q.back()[2] * q.back()[2]));
    }
    if (!(radius > 0)) radius = 1, q = {{-1, -1, -1}, {1, 1, 1}};
    const double tanhalf = 1.0 / (1.5 * f.foc_len);
    const double near = radius * 1.001;
    // The share asked for in the first picture; no more than nine tenths of
    // the height and all but the edges of the width all the way round.
    double dist = distance_for(near, [&](double d) {
        return fills(q, f.azimuth, f.elevation, d, tanhalf)[0] / f.fill;
    });
    dist = std::max(dist, distance_for(near, [&](double d) {
        double worst = 0;
        for (int k = 0; k < 24; ++k) {
            const std::array<double, 2> v = fills(q, f.azimuth + k * 3.14159265358979 / 12, f.elevation, d, tanhalf);
            worst = std::max({worst, v[0] / 0.9, v[1] / 0.95});
        }
        return worst;
    }));
    camera_desc cam;
    cam.name = "camera";
    cam.targx = static_cast<float>(c[0]), cam.targy = static_cast<float>(c[1]), cam.targz = static_cast<float>(c[2]);
    cam.x = static_cast<float>(c[0] + dist * std::cos(f.elevation) * std::cos(f.azimuth));
    cam.y = static_cast<float>(c[1] + dist * std::cos(f.elevation) * std::sin(f.azimuth));
    cam.z = static_cast<float>(c[2] + dist * std::sin(f.elevation));
    cam.foc_len = f.foc_len;
    cam.CamRotRate = 0.5f;
    cam.CamFHeight = cam.z;
    return cam;
}

camera_desc framing_camera(const std::array<float, 6> &box, float foc_len) {
    std::vector<std::array<float, 3>> corners;
    for (int k = 0; k < 8; ++k) corners.push_back({box[k & 1 ? 3 : 0], box[k & 2 ? 4 : 1], box[k & 4 ? 5 : 2]});
    framing f;
    f.foc_len = foc_len;
    return framing_camera(corners, f);
}

light_desc framing_light(const camera_desc &c) {
    // From 50 degrees round from the camera toward its left, 46 degrees up.
    const double az = std::atan2(double(c.y) - c.targy, double(c.x) - c.targx);
    return light_desc{0.8f, static_cast<float>(az - 0.87)};
}

namespace {

// A floor under a model standing at the origin: a square grid two and a
// half times its footprint with a soft checkerboard, material number `no`.
void add_floor(const std::array<float, 6> &box, int no, const std::string &stem, built_scene &out,
               std::vector<geometry_desc> &geoms) {
    const float size = 2.5f * std::max({box[3] - box[0], box[4] - box[1], 0.5f * (box[5] - box[2])});
    const uint8_t a[3] = {150, 150, 160}, b[3] = {110, 110, 124};
    out.maps.emplace_back(stem + "_" + std::to_string(out.maps.size() + 1) + ".bmp", make_checker(256, 256, 8, a, b));
    material_desc m;
    m.name = "floor";
    m.texture_no = no;
    m.map_no = static_cast<int>(out.maps.size());
    m.ambient = 1, m.diffuse = 0, m.brilliance = 0.05f;
    geometry_desc g = make_grid(0, no, (box[0] + box[3]) / 2, (box[1] + box[4]) / 2, box[2], size, 8, false);
    fit_mapping(m, "planar-z", geometry_box(g));
    out.scene.add(m);
    geoms.push_back(std::move(g));
}

}  // namespace

bool build_model_scene(const std::string &model, const build_options &o, built_scene &out, std::string *err) {
    out = built_scene{};
    model_mesh m;
    std::string note;
    if (!load_upright(model, o.up, o.import_seconds, m, note, err)) return false;
    out.notes.push_back(note);
    // Standing on the floor at the origin.
    const std::array<float, 6> b0 = model_box(m);
    place_model(m, 1, {-(b0[0] + b0[3]) / 2, -(b0[1] + b0[4]) / 2, -b0[2]});
    const std::string stem = stem_of(model);
    model_parts parts;
    if (!make_model_parts(m, folder_of(model), stem, o, out, parts, err)) return false;
    if (parts.geometries.empty()) {
        if (err) *err = model + ": the model holds no drawable triangles";
        return false;
    }
    out.notes.insert(out.notes.end(), parts.notes.begin(), parts.notes.end());
    scene_desc &s = out.scene;
    s.header_text = "vtl build";
    std::vector<geometry_desc> geoms = std::move(parts.geometries);
    // Materials numbered in order; a texture without coordinates is fitted
    // over the geometries that use it.
    for (size_t i = 0; i < parts.materials.size(); ++i) {
        material_desc &md = parts.materials[i];
        md.texture_no = static_cast<int>(i) + 1;
        if (!parts.fit[i].empty()) {
            std::array<float, 6> box = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};
            for (const geometry_desc &g : geoms)
                if (g.texture == static_cast<int>(i)) box = union_box(box, geometry_box(g));
            if (!fit_mapping(md, parts.fit[i], box)) {
                if (err) *err = "unknown mapping '" + parts.fit[i] + "'";
                return false;
            }
        }
        s.add(md);
    }
    for (geometry_desc &g : geoms) g.texture += 1;
    const std::array<float, 6> box = model_box(m);
    if (o.floor) add_floor(box, static_cast<int>(parts.materials.size()) + 1, stem, out, geoms);
    for (size_t i = 0; i < out.maps.size(); ++i) s.add(map_desc{out.maps[i].first, static_cast<int>(i) + 1});
    tablemaker tm{o};
    for (const geometry_desc &g : geoms) tm.total += static_cast<long>(g.triangles.size());
    instance_desc in;
    in.name = stem.substr(0, 31);
    in.inst_no = 1;
    in.rend_mode = 10;
    for (size_t i = 0; i < geoms.size(); ++i) {
        geometry_desc &g = geoms[i];
        g.geom_no = static_cast<int>(i) + 1;
        g.name = (stem + (geoms.size() > 1 ? " " + std::to_string(i + 1) : std::string())).substr(0, 31);
        tm.run(g);
        in.geoms.push_back(g.geom_no);
        s.add(g);
    }
    s.add(in);
    const camera_desc cam = framing_camera(m.positions);
    s.add(cam);
    s.add(framing_light(cam));
    s.add(default_settings(stem));
    count(out);
    return true;
}

namespace {

// Field readers that refuse what they do not know, so that a misspelt field
// is an error rather than silently ignored.
struct reader {
    const json &j;
    std::string where;
    std::set<std::string> seen;

    bool has(const char *k) {
        if (!j.contains(k)) return false;
        seen.insert(k);
        return true;
    }
    template <class T>
    void get(const char *k, T &v) {
        if (has(k)) v = j.at(k).get<T>();
    }
    // Integers go through a double, so that a value too large for int (or a
    // fraction) is clamped or truncated rather than converted out of range.
    void get(const char *k, int &v) {
        if (!has(k)) return;
        const json &x = j.at(k);
        if (!x.is_number()) throw std::runtime_error(where + ": " + k + " must be a number");
        v = ftoi(x.get<double>());
    }
    void byte(const char *k, uint8_t &v) {
        if (!has(k)) return;
        const int n = ftoi(j.at(k).get<double>());
        if (n < 0 || n > 255) throw std::runtime_error(where + ": " + k + " must be 0..255");
        v = static_cast<uint8_t>(n);
    }
    void rgb(const char *k, uint8_t &r, uint8_t &g, uint8_t &b) {
        if (!has(k)) return;
        const json &c = j.at(k);
        if (!c.is_array() || c.size() != 3) throw std::runtime_error(where + ": " + k + " must be [red, green, blue]");
        int v[3];
        for (int i = 0; i < 3; ++i) {
            v[i] = ftoi(c[i].get<double>());
            if (v[i] < 0 || v[i] > 255) throw std::runtime_error(where + ": " + k + " values must be 0..255");
        }
        r = static_cast<uint8_t>(v[0]), g = static_cast<uint8_t>(v[1]), b = static_cast<uint8_t>(v[2]);
    }
    void vec3(const char *k, float &x, float &y, float &z) {
        if (!has(k)) return;
        const json &c = j.at(k);
        if (!c.is_array() || c.size() != 3) throw std::runtime_error(where + ": " + k + " must be [x, y, z]");
        x = c[0].get<float>(), y = c[1].get<float>(), z = c[2].get<float>();
    }
    void done() {
        for (auto it = j.begin(); it != j.end(); ++it)
            if (!seen.count(it.key())) throw std::runtime_error(where + ": unknown field '" + it.key() + "'");
    }
};

reader open(const json &j, const std::string &where) {
    if (!j.is_object()) throw std::runtime_error(where + ": must be an object");
    return reader{j, where, {}};
}

struct pending_material {
    material_desc m;
    std::string fit;     // mapping kind to fit to the geometries that use it
    json fields;         // the description, for values given after fitting
    std::array<float, 6> box = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};
};

material_desc read_material(const json &j, const std::string &where, const std::string &base, built_scene &b,
                            const std::string &stem, std::string &fit) {
    material_desc m;
    m.ambient = 1, m.diffuse = 0, m.brilliance = 0.25f;
    reader r = open(j, where);
    r.get("name", m.name);
    r.rgb("color", m.red, m.green, m.blue);
    r.get("ambient", m.ambient);
    r.get("diffuse", m.diffuse);
    r.get("highlight", m.highlight);
    r.get("highlights", m.highlights);
    r.get("brilliance", m.brilliance);
    r.get("trans", m.trans);
    r.get("trans_th", m.trans_th);
    r.get("reflection", m.reflection);
    r.get("opacity", m.opacity);
    if (r.has("map_type")) {
        const json &t = j.at("map_type");
        if (t.is_string()) fit = t.get<std::string>();
        else m.map_type = ftoi(t.get<double>());
    }
    if (r.has("map")) {
        const std::string file = j.at("map").get<std::string>();
        rgbimage img;
        std::string e;
        if (!read_picture(resolve(base, file), img, &e)) throw std::runtime_error(e);
        b.maps.emplace_back(stem + "_" + std::to_string(b.maps.size() + 1) + ".bmp", std::move(img));
        m.map_no = static_cast<int>(b.maps.size());
        if (!m.map_type && fit.empty()) fit = "planar";
    } else if (m.map_type || !fit.empty()) {
        throw std::runtime_error(where + ": a map_type needs a map");
    }
    r.get("x_freq", m.x_freq);
    r.get("y_freq", m.y_freq);
    for (const char *k : {"x", "y", "z", "xscale", "yscale", "zscale", "izro", "xrot", "zrot"}) r.has(k);
    r.done();
    return m;
}

// The projection values given in the description, over the fitted ones.
void projection_fields(material_desc &m, const json &j) {
    auto f = [&](const char *k, float &v) {
        if (j.contains(k)) v = j.at(k).get<float>();
    };
    f("x", m.x), f("y", m.y), f("z", m.z), f("xscale", m.xscale), f("yscale", m.yscale), f("zscale", m.zscale);
    f("izro", m.izro), f("xrot", m.xrot), f("zrot", m.zrot);
}

// What a scene description builds up while it is read, phase by phase.
struct json_build {
    const json &doc;
    reader &top;
    const build_options &o;
    built_scene &out;
    std::string base, stem;
    std::vector<pending_material> mats;   // materials by index, in the order given
    std::map<std::string, int> byname;
    std::vector<geometry_desc> geoms;      // material field: index into mats for now
    std::array<float, 6> all = {1e30f, 1e30f, 1e30f, -1e30f, -1e30f, -1e30f};

    json_build(const json &d, reader &t, const build_options &opt, built_scene &b, const std::string &path)
        : doc(d), top(t), o(opt), out(b), base(folder_of(path)), stem(stem_of(path)) {}
    int material_of(const std::string &name, const std::string &where) const {
        auto it = byname.find(name);
        if (it == byname.end()) throw std::runtime_error(where + ": no material '" + name + "'");
        return it->second;
    }
};

// Materials by name, in the order given.
void read_materials(json_build &jb) {
    if (!jb.top.has("materials")) return;
    const json &ms = jb.doc.at("materials");
    if (!ms.is_array()) throw std::runtime_error("materials must be a list");
    for (size_t i = 0; i < ms.size(); ++i) {
        pending_material p;
        const std::string where = "materials[" + std::to_string(i) + "]";
        p.m = read_material(ms[i], where, jb.base, jb.out, jb.stem, p.fit);
        p.fields = ms[i];
        if (p.m.name.empty()) p.m.name = "material " + std::to_string(i + 1);
        if (jb.byname.count(p.m.name)) throw std::runtime_error(where + ": a second material '" + p.m.name + "'");
        p.m.texture_no = static_cast<int>(i) + 1;
        jb.byname[p.m.name] = static_cast<int>(i);
        jb.mats.push_back(std::move(p));
    }
}

// A model object: its geometries with the named material, or with its own
// materials added to the list.
void read_model_object(json_build &jb, reader &r, const json &obj, const std::string &where,
                       const geometry_options &go, const std::string &matname, std::vector<geometry_desc> &part,
                       std::vector<int> &partmat) {
    model_mesh m;
    std::string e, note;
    const std::string file = obj.at("model").get<std::string>();
    std::string up = jb.o.up;
    r.get("up", up);
    model_axes axes;
    if (!up.empty() && !model_up(m, up, axes, &e)) throw std::runtime_error(where + ": " + e);
    if (!load_upright(resolve(jb.base, file), up, jb.o.import_seconds, m, note, &e)) throw std::runtime_error(e);
    jb.out.notes.push_back(file + ": " + note);
    float scale = 1, ox = 0, oy = 0, oz = 0;
    r.get("scale", scale);
    r.vec3("position", ox, oy, oz);
    place_model(m, scale, {ox, oy, oz});
    if (!matname.empty()) {
        const int mi = jb.material_of(matname, where);
        for (geometry_desc &g : make_geometries(m, -1, go)) part.push_back(std::move(g)), partmat.push_back(mi);
        return;
    }
    // The model's own materials, added to the list.
    build_options o = jb.o;
    o.geo = go;
    model_parts parts;
    if (!make_model_parts(m, resolve(jb.base, folder_of(file)), jb.stem, o, jb.out, parts, &e))
        throw std::runtime_error(e);
    jb.out.notes.insert(jb.out.notes.end(), parts.notes.begin(), parts.notes.end());
    const int first = static_cast<int>(jb.mats.size());
    for (size_t k = 0; k < parts.materials.size(); ++k) {
        pending_material p;
        p.m = parts.materials[k];
        p.m.texture_no = static_cast<int>(jb.mats.size()) + 1;
        p.fit = parts.fit[k];
        if (!p.fit.empty()) p.m.map_type = 0;
        if (p.m.name.empty() || jb.byname.count(p.m.name))
            p.m.name = "model material " + std::to_string(jb.mats.size() + 1);
        jb.byname[p.m.name] = static_cast<int>(jb.mats.size());
        jb.mats.push_back(std::move(p));
    }
    for (geometry_desc &g : parts.geometries) {
        partmat.push_back(first + g.texture);
        part.push_back(std::move(g));
    }
}

// A primitive shape object.
geometry_desc read_primitive(reader &r, const json &obj, const std::string &where, const geometry_options &go) {
    const std::string kind = obj.at("primitive").get<std::string>();
    // "center" is the older name of "position".
    float cx = 0, cy = 0, cz = 0;
    if (obj.contains("position") && obj.contains("center"))
        throw std::runtime_error(where + ": position and center name the same thing: give one");
    r.vec3("position", cx, cy, cz);
    r.vec3("center", cx, cy, cz);
    geometry_desc g;
    if (kind == "box") {
        float hx = 1, hy = 1, hz = 1;
        r.vec3("half", hx, hy, hz);
        g = make_box(0, 0, cx, cy, cz, hx, hy, hz);
    } else if (kind == "sphere") {
        float rad = 1;
        int rings = 16, segs = 24;
        r.get("radius", rad), r.get("rings", rings), r.get("segments", segs);
        g = make_sphere(0, 0, cx, cy, cz, rad, rings, segs);
    } else if (kind == "torus") {
        float R = 2, rad = 0.5f, tilt = 0;
        int rings = 36, segs = 12;
        r.get("ring_radius", R), r.get("radius", rad), r.get("rings", rings), r.get("segments", segs);
        r.get("tilt", tilt);
        g = make_torus(0, 0, cx, cy, cz, R, rad, rings, segs, tilt);
    } else if (kind == "cylinder") {
        float rad = 1, height = 2;
        int segs = 24;
        r.get("radius", rad), r.get("height", height), r.get("segments", segs);
        g = make_cylinder(0, 0, cx, cy, cz, cz + height, rad, segs, go.faceted);
    } else if (kind == "grid") {
        float size = 10;
        int cells = 8;
        r.get("size", size), r.get("cells", cells);
        g = make_grid(0, 0, cx, cy, cz, size, cells, go.faceted);
    } else {
        throw std::runtime_error(where + ": unknown primitive '" + kind + "'");
    }
    if (go.faceted && !g.faceted) facet(g);
    return g;
}

// Objects: models and shapes, as geometries with their material's index.
void read_objects(json_build &jb) {
    if (!jb.top.has("objects") || !jb.doc.at("objects").is_array() || jb.doc.at("objects").empty())
        throw std::runtime_error("the description lists no objects");
    const json &objs = jb.doc.at("objects");
    for (size_t i = 0; i < objs.size(); ++i) {
        const std::string where = "objects[" + std::to_string(i) + "]";
        reader r = open(objs[i], where);
        geometry_options go = jb.o.geo;
        r.get("faceted", go.faceted);
        r.get("crease", go.crease_deg);
        r.get("file_normals", go.file_normals);
        int rend_mode = 0;
        r.get("rend_mode", rend_mode);
        std::string matname;
        r.get("material", matname);
        std::vector<geometry_desc> part;
        std::vector<int> partmat;
        if (r.has("model")) {
            read_model_object(jb, r, objs[i], where, go, matname, part, partmat);
        } else if (r.has("primitive")) {
            geometry_desc g = read_primitive(r, objs[i], where, go);
            if (matname.empty()) throw std::runtime_error(where + ": a primitive needs a material");
            part.push_back(std::move(g));
            partmat.push_back(jb.material_of(matname, where));
        } else {
            throw std::runtime_error(where + ": needs a model or a primitive");
        }
        r.done();
        for (size_t k = 0; k < part.size(); ++k) {
            geometry_desc &g = part[k];
            g.rend_mode = rend_mode;
            g.texture = partmat[k];   // index for now
            const std::array<float, 6> gb = geometry_box(g);
            jb.mats[partmat[k]].box = union_box(jb.mats[partmat[k]].box, gb);
            jb.all = union_box(jb.all, gb);
            jb.geoms.push_back(std::move(g));
        }
    }
}

// Materials, fitted to the geometries that use them; then maps.
void add_materials_and_maps(json_build &jb) {
    scene_desc &s = jb.out.scene;
    for (pending_material &p : jb.mats) {
        if (!p.fit.empty() && p.box[0] <= p.box[3]) {
            if (!fit_mapping(p.m, p.fit, p.box)) throw std::runtime_error("unknown map_type '" + p.fit + "'");
            if (p.fields.is_object()) projection_fields(p.m, p.fields);
        } else if (p.fields.is_object()) {
            projection_fields(p.m, p.fields);
        }
        s.add(p.m);
    }
    for (size_t i = 0; i < jb.out.maps.size(); ++i) s.add(map_desc{jb.out.maps[i].first, static_cast<int>(i) + 1});
}

// The geometries with their depth tables, and the one instance that draws
// them all.
void add_geometries(json_build &jb, int inst_rend_mode) {
    scene_desc &s = jb.out.scene;
    tablemaker tm{jb.o};
    for (const geometry_desc &g : jb.geoms) tm.total += static_cast<long>(g.triangles.size());
    instance_desc in;
    in.name = jb.stem.substr(0, 31);
    in.inst_no = 1;
    in.rend_mode = inst_rend_mode;
    for (size_t i = 0; i < jb.geoms.size(); ++i) {
        geometry_desc &g = jb.geoms[i];
        g.geom_no = static_cast<int>(i) + 1;
        g.texture = jb.mats[g.texture].m.texture_no;
        g.name = (jb.stem + " " + std::to_string(i + 1)).substr(0, 31);
        tm.run(g);
        in.geoms.push_back(g.geom_no);
        s.add(g);
    }
    s.add(in);
}

camera_desc read_camera(json_build &jb) {
    camera_desc cam = framing_camera(jb.all);
    if (!jb.top.has("camera")) return cam;
    reader r = open(jb.doc.at("camera"), "camera");
    r.get("name", cam.name);
    r.get("cam_no", cam.cam_no);
    r.vec3("position", cam.x, cam.y, cam.z);
    r.vec3("target", cam.targx, cam.targy, cam.targz);
    for (auto [k, v] : {std::pair<const char *, float *>{"x", &cam.x}, {"y", &cam.y}, {"z", &cam.z},
                        {"targx", &cam.targx}, {"targy", &cam.targy}, {"targz", &cam.targz},
                        {"foc_len", &cam.foc_len}, {"CamRotRate", &cam.CamRotRate},
                        {"CamPanRate", &cam.CamPanRate}, {"CamZoomRate", &cam.CamZoomRate},
                        {"CamFHeight", &cam.CamFHeight}})
        r.get(k, *v);
    bool walk = false;
    if (r.has("walk")) walk = jb.doc.at("camera").at("walk").get<bool>(), cam.mode = walk ? 1 : 0;
    r.get("mode", cam.mode);
    if (cam.mode < 0 || cam.mode > 255) throw std::runtime_error("camera: mode must be 0..255");
    r.done();
    return cam;
}

light_desc read_light(json_build &jb, const camera_desc &cam) {
    light_desc light = framing_light(cam);
    if (!jb.top.has("light")) return light;
    reader r = open(jb.doc.at("light"), "light");
    r.get("ltal", light.ltal);
    r.get("ltaz", light.ltaz);
    r.rgb("color", light.red, light.green, light.blue);
    r.get("mode", light.mode);
    r.done();
    return light;
}

scene_settings_desc read_settings(json_build &jb) {
    scene_settings_desc set = default_settings(jb.stem);
    if (!jb.top.has("scene")) return set;
    reader r = open(jb.doc.at("scene"), "scene");
    r.get("title", set.title);
    r.get("rend_mode", set.rend_mode);
    r.get("no_frames", set.no_frames);
    r.get("mode", set.mode);
    r.get("fog_dist", set.fog_dist);
    r.rgb("fog_color", set.fog_red, set.fog_green, set.fog_blue);
    r.get("background_type", set.background_type);
    r.rgb("color", set.red, set.green, set.blue);
    r.get("map_name", set.map_name);
    r.done();
    return set;
}

}  // namespace

bool build_json_scene(const std::string &json_path, const build_options &o, built_scene &out, std::string *err) {
    out = built_scene{};
    std::ifstream f(json_path);
    if (!f) {
        if (err) *err = json_path + ": cannot open";
        return false;
    }
    try {
        const json doc = json::parse(f);
        reader top = open(doc, json_path);
        json_build jb(doc, top, o, out, json_path);
        scene_desc &s = out.scene;
        s.header_text = "vtl build";
        top.get("header_text", s.header_text);
        top.get("version_no", s.version_no);
        read_materials(jb);
        int inst_rend_mode = 10;
        top.get("rend_mode", inst_rend_mode);
        read_objects(jb);
        add_materials_and_maps(jb);
        add_geometries(jb, inst_rend_mode);
        const camera_desc cam = read_camera(jb);
        s.add(cam);
        s.add(read_light(jb, cam));
        s.add(read_settings(jb));
        if (top.has("comments")) {
            for (const json &c : doc.at("comments")) s.add(comment_desc{0, c.get<std::string>()});
        }
        top.done();
    } catch (const std::exception &e) {
        if (err) *err = json_path + ": " + e.what();
        return false;
    }
    count(out);
    return true;
}

bool write_built_scene(const built_scene &b, const std::string &scene_path, std::string *err) {
    const std::string base = folder_of(scene_path);
    for (const auto &m : b.maps)
        if (!write_bmp24(m.second, base + m.first, err)) return false;
    try {
        return write_scene_file(b.scene, scene_path, err);
    } catch (const std::exception &e) {
        if (err) *err = scene_path + ": " + e.what();
        return false;
    }
}

}  // namespace vortella
