#include "authoring/writer.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "authoring/bytes.h"
#include "scene/records.h"

namespace vortella {

namespace {

struct out {
    std::vector<uint8_t> b;
    template <class R>
    void rec(const R &r) {
        const uint8_t *p = reinterpret_cast<const uint8_t *>(&r);
        b.insert(b.end(), p, p + sizeof r);
    }
    void u16(int v) {
        b.push_back(static_cast<uint8_t>(v & 0xff));
        b.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
    }
};

int num(int v, const char *what) {
    if (v < 0 || v >= vas_max) throw std::invalid_argument(std::string(what) + " " + std::to_string(v) +
                                                           " is outside 0..32767");
    return v;
}

int word(int v, const char *what) {
    if (v < 0 || v > 65535) throw std::invalid_argument(std::string(what) + " " + std::to_string(v) +
                                                        " is outside 0..65535");
    return v;
}

uint8_t byte(int v, const char *what) {
    if (v < 0 || v > 255) throw std::invalid_argument(std::string(what) + " " + std::to_string(v) +
                                                      " is outside 0..255");
    return static_cast<uint8_t>(v);
}

template <size_t N>
void text(char (&dst)[N], const std::string &s, const char *what) {
    if (s.size() >= N)
        throw std::invalid_argument(std::string(what) + " \"" + s + "\" is longer than " + std::to_string(N - 1) +
                                    " characters");
    std::memset(dst, 0, N);
    std::memcpy(dst, s.data(), s.size());
}

void geometry(out &o, const geometry_desc &g) {
    const bool smooth = !g.faceted;
    const int np = num(static_cast<int>(g.points.size()), "point count");
    const int nt = num(static_cast<int>(g.triangles.size()), "triangle count");
    if ((smooth ? np * 24 : nt * 18) > readbuf_size)
        throw std::invalid_argument("geometry \"" + g.name + "\" is too large for one block (at most " +
                                    (smooth ? "26666 points" : "35555 triangles") + ")");
    geometry_s r{};
    text(r.name, g.name, "geometry name");
    put16(r.geom_no_l, r.geom_no_h, num(g.geom_no, "geometry number"));
    put16(r.no_points_l, r.no_points_h, np);
    put16(r.no_triangles_l, r.no_triangles_h, nt);
    float box[6] = {g.xmin, g.ymin, g.zmin, g.xmax, g.ymax, g.zmax};
    if (!g.box && np > 0) {
        box[0] = box[3] = g.points[0].x;
        box[1] = box[4] = g.points[0].y;
        box[2] = box[5] = g.points[0].z;
        for (const points_s &p : g.points) {
            box[0] = std::min(box[0], p.x);
            box[1] = std::min(box[1], p.y);
            box[2] = std::min(box[2], p.z);
            box[3] = std::max(box[3], p.x);
            box[4] = std::max(box[4], p.y);
            box[5] = std::max(box[5], p.z);
        }
    }
    putf(r.xmin, box[0]);
    putf(r.ymin, box[1]);
    putf(r.zmin, box[2]);
    putf(r.xmax, box[3]);
    putf(r.ymax, box[4]);
    putf(r.zmax, box[5]);
    put16(r.texture_l, r.texture_h, num(g.texture, "material number"));
    r.ddh_size = byte(g.ddh_size, "ddh_size");
    r.rend_mode = byte(g.rend_mode, "rend_mode");
    o.u16(g.faceted ? OT_FACETED : OT_SMOOTH);
    o.rec(r);
    for (const points_s &p : g.points) {
        if (smooth) {
            points_sf s;
            putf(s.x, p.x);
            putf(s.y, p.y);
            putf(s.z, p.z);
            putf(s.nx, p.nx);
            putf(s.ny, p.ny);
            putf(s.nz, p.nz);
            o.rec(s);
        } else {
            pointf_sf s;
            putf(s.x, p.x);
            putf(s.y, p.y);
            putf(s.z, p.z);
            o.rec(s);
        }
    }
    for (const trianglef_s &t : g.triangles) {
        trianglef_sf s;
        put16(s.pt1_l, s.pt1_h, word(t.pt1, "point number"));
        put16(s.pt2_l, s.pt2_h, word(t.pt2, "point number"));
        put16(s.pt3_l, s.pt3_h, word(t.pt3, "point number"));
        putf(s.nx, t.nx);
        putf(s.ny, t.ny);
        putf(s.nz, t.nz);
        const uint8_t *p = reinterpret_cast<const uint8_t *>(&s);
        o.b.insert(o.b.end(), p, p + (smooth ? sizeof(triangles_sf) : sizeof(trianglef_sf)));
    }
    for (const std::vector<int> &d : g.ddh) {
        o.u16(num(static_cast<int>(d.size()), "depth table length"));
        for (int t : d) o.u16(word(t, "triangle number"));
    }
}

void instance(out &o, const instance_desc &n) {
    geom_instancef_s r{};
    text(r.name, n.name, "instance name");
    put16(r.inst_no_l, r.inst_no_h, num(n.inst_no, "instance number"));
    putf(r.xscale, n.xscale);
    putf(r.yscale, n.yscale);
    putf(r.zscale, n.zscale);
    putf(r.izro, n.izro);
    putf(r.xrot, n.xrot);
    putf(r.zrot, n.zrot);
    putf(r.x, n.x);
    putf(r.y, n.y);
    putf(r.z, n.z);
    putf(r.binsx, n.binsx);
    putf(r.binsy, n.binsy);
    putf(r.binsz, n.binsz);
    put16(r.texture_l, r.texture_h, word(n.texture, "instance material"));
    r.rend_mode = byte(n.rend_mode, "rend_mode");
    put16(r.no_geom_l, r.no_geom_h, num(static_cast<int>(n.geoms.size()), "geometry list length"));
    put16(r.no_instance_l, r.no_instance_h, num(static_cast<int>(n.instances.size()), "instance list length"));
    o.u16(n.drawn ? OT_INSTANCE : OT_INSTANCE2);
    o.rec(r);
    for (int g : n.geoms) o.u16(num(g, "geometry number"));
    for (int i : n.instances) o.u16(num(i, "instance number"));
}

void material(out &o, const material_desc &m) {
    texture_s r{};
    text(r.name, m.name, "material name");
    put16(r.texture_no_l, r.texture_no_h, num(m.texture_no, "material number"));
    r.red = m.red;
    r.green = m.green;
    r.blue = m.blue;
    put16(r.ambient_l, r.ambient_h, word(m.ambient, "ambient"));
    put16(r.diffuse_l, r.diffuse_h, word(m.diffuse, "diffuse"));
    putf(r.highlight, m.highlight);
    putf(r.highlights, m.highlights);
    putf(r.brilliance, m.brilliance);
    putf(r.trans, m.trans);
    putf(r.trans_th, m.trans_th);
    putf(r.reflection, m.reflection);
    putf(r.opacity, m.opacity);
    put16(r.map_type_l, r.map_type_h, word(m.map_type, "map_type"));
    put16(r.map_no_l, r.map_no_h, word(m.map_no, "map number"));
    put16(r.x_freq_l, r.x_freq_h, word(m.x_freq, "x_freq"));
    put16(r.y_freq_l, r.y_freq_h, word(m.y_freq, "y_freq"));
    putf(r.x, m.x);
    putf(r.y, m.y);
    putf(r.z, m.z);
    putf(r.xscale, m.xscale);
    putf(r.yscale, m.yscale);
    putf(r.zscale, m.zscale);
    putf(r.izro, m.izro);
    putf(r.xrot, m.xrot);
    putf(r.zrot, m.zrot);
    o.u16(OT_TEXTURE);
    o.rec(r);
}

void object(out &o, const object_desc &d) {
    switch (d.type) {
    case OT_SMOOTH:
    case OT_FACETED: geometry(o, d.geometry); break;
    case OT_INSTANCE:
    case OT_INSTANCE2: instance(o, d.instance); break;
    case OT_MAP: {
        map_s r{};
        text(r.ext_name, d.map.ext_name, "map file name");
        put16(r.map_no_l, r.map_no_h, num(d.map.map_no, "map number"));
        o.u16(OT_MAP);
        o.rec(r);
        break;
    }
    case OT_TEXTURE: material(o, d.material); break;
    case OT_CAMERA: {
        const camera_desc &c = d.camera;
        camera_s r{};
        text(r.name, c.name, "camera name");
        put16(r.cam_no_l, r.cam_no_h, word(c.cam_no, "camera number"));
        putf(r.x, c.x);
        putf(r.y, c.y);
        putf(r.z, c.z);
        putf(r.targx, c.targx);
        putf(r.targy, c.targy);
        putf(r.targz, c.targz);
        putf(r.foc_len, c.foc_len);
        putf(r.CamRotRate, c.CamRotRate);
        putf(r.CamPanRate, c.CamPanRate);
        putf(r.CamZoomRate, c.CamZoomRate);
        putf(r.CamFHeight, c.CamFHeight);
        r.mode = byte(c.mode, "camera mode");
        o.u16(OT_CAMERA);
        o.rec(r);
        break;
    }
    case OT_LIGHT: {
        light_s r{};
        putf(r.ltal, d.light.ltal);
        putf(r.ltaz, d.light.ltaz);
        r.red = d.light.red;
        r.green = d.light.green;
        r.blue = d.light.blue;
        r.mode = byte(d.light.mode, "light mode");
        o.u16(OT_LIGHT);
        o.rec(r);
        break;
    }
    case OT_SCENE: {
        const scene_settings_desc &s = d.scene;
        scene_s r{};
        text(r.title, s.title, "scene title");
        r.rend_mode = byte(s.rend_mode, "rend_mode");
        put16(r.no_frames_l, r.no_frames_h, word(s.no_frames, "frame count"));
        r.mode = byte(s.mode, "scene mode");
        putf(r.fog_dist, s.fog_dist);
        r.fog_red = s.fog_red;
        r.fog_green = s.fog_green;
        r.fog_blue = s.fog_blue;
        r.background_type = byte(s.background_type, "background type");
        r.red = s.red;
        r.green = s.green;
        r.blue = s.blue;
        text(r.map_name, s.map_name, "background map name");
        o.u16(OT_SCENE);
        o.rec(r);
        break;
    }
    case OT_COMMENT: {
        comment_s r{};
        put16(r.obj_no_l, r.obj_no_h, word(d.comment.obj_no, "comment object number"));
        text(r.comment_line, d.comment.comment_line, "comment");
        o.u16(OT_COMMENT);
        o.rec(r);
        break;
    }
    default:
        o.u16(word(d.type, "object type"));
        break;
    }
}

// `v` may be an object of the same scene (a copy of an earlier geometry):
// it is copied before the vector grows and moves.
template <class T>
T &append(std::vector<object_desc> &objs, int type, T object_desc::*member, const T &v) {
    T copy = v;
    objs.emplace_back();
    objs.back().type = type;
    objs.back().*member = std::move(copy);
    return objs.back().*member;
}

}  // namespace

geometry_desc &scene_desc::add(const geometry_desc &g) {
    return append(objects, g.faceted ? OT_FACETED : OT_SMOOTH, &object_desc::geometry, g);
}
instance_desc &scene_desc::add(const instance_desc &i) {
    return append(objects, i.drawn ? OT_INSTANCE : OT_INSTANCE2, &object_desc::instance, i);
}
map_desc &scene_desc::add(const map_desc &m) { return append(objects, OT_MAP, &object_desc::map, m); }
material_desc &scene_desc::add(const material_desc &m) {
    return append(objects, OT_TEXTURE, &object_desc::material, m);
}
camera_desc &scene_desc::add(const camera_desc &c) { return append(objects, OT_CAMERA, &object_desc::camera, c); }
light_desc &scene_desc::add(const light_desc &l) { return append(objects, OT_LIGHT, &object_desc::light, l); }
scene_settings_desc &scene_desc::add(const scene_settings_desc &s) {
    return append(objects, OT_SCENE, &object_desc::scene, s);
}
comment_desc &scene_desc::add(const comment_desc &c) {
    return append(objects, OT_COMMENT, &object_desc::comment, c);
}

std::vector<uint8_t> write_scene(const scene_desc &s) {
    out o;
    file_header_s h{};
    put16(h.version_no_l, h.version_no_h, word(s.version_no, "version number"));
    text(h.header_text, s.header_text, "header text");
    put16(h.no_obj_l, h.no_obj_h, num(static_cast<int>(s.objects.size()), "object count"));
    o.rec(h);
    for (size_t i = 0; i < s.objects.size(); ++i) {
        try {
            object(o, s.objects[i]);
        } catch (const std::invalid_argument &e) {
            throw std::invalid_argument("object " + std::to_string(i) + ": " + e.what());
        }
    }
    o.b.insert(o.b.end(), s.trailer.begin(), s.trailer.end());
    return o.b;
}

bool write_scene_file(const scene_desc &s, const std::string &path, std::string *err) {
    std::vector<uint8_t> b;
    try {
        b = write_scene(s);
    } catch (const std::invalid_argument &e) {
        if (err) *err = path + ": " + e.what();
        return false;
    }
    return write_bytes(path, b, err);
}

}  // namespace vortella
