// The scene loader: reads a scene file record by record into the object
// store. A scene file is untrusted input: every count, number and reference
// that would make the loader read or write outside its buffers is checked,
// and a damaged file is rejected whole, leaving the store empty.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "scene/records.h"
#include "scene/scene.h"

namespace vortella {

namespace {

uint8_t readbuf[readbuf_size];

// A structural fault of the file; carries what is wrong.
struct bad_scene {
    std::string what;
};

// A map the file names that is nowhere to be found; carries its name.
struct missing_map {
    std::string name;
};

// Reading state of one load.
struct reader {
    const scene_paths *paths;
    dibsrc src;
    long off = 0;       // byte offset of the next read
    int obj = -1;       // index of the object being read, -1 in the header

    void rd(void *dst, size_t n, const char *what) {
        size_t got = src.read(dst, n);
        off += static_cast<long>(got);
        if (got != n) throw bad_scene{std::string("file ends inside ") + what};
    }
};

// A number or count read from the file, checked against the paged-array
// limit.
int checked(int v, const char *what) {
    if (v >= vas_max) throw bad_scene{std::string(what) + " " + std::to_string(v) + " is 32768 or more"};
    return v;
}

void readgeometry(reader &r, mem_object_header_s *o) {
    geometry_s rec;
    r.rd(&rec, sizeof rec, "a geometry record");
    mem_geometry_s &g = o->t.geometry;
    copytext(g.name, sizeof g.name, rec.name, sizeof rec.name);
    g.geom_no = checked(w16(rec.geom_no_l, rec.geom_no_h), "geometry number");
    g.no_points = checked(w16(rec.no_points_l, rec.no_points_h), "point count");
    g.no_triangles = checked(w16(rec.no_triangles_l, rec.no_triangles_h), "triangle count");
    g.xmin = rdf(rec.xmin);
    g.ymin = rdf(rec.ymin);
    g.zmin = rdf(rec.zmin);
    g.xmax = rdf(rec.xmax);
    g.ymax = rdf(rec.ymax);
    g.zmax = rdf(rec.zmax);
    g.texture = checked(w16(rec.texture_l, rec.texture_h), "material number");
    g.rend_mode = rec.rend_mode;

    const bool smooth = o->type == OT_SMOOTH;
    const int np = g.no_points, nt = g.no_triangles;

    // Points, in one read through the read buffer.
    const size_t psize = smooth ? sizeof(points_sf) : sizeof(pointf_sf);
    if (np * psize > sizeof readbuf)
        throw bad_scene{"point block of " + std::to_string(np) + " points exceeds the " +
                        std::to_string(readbuf_size) + "-byte read buffer"};
    r.rd(readbuf, np * psize, "the point block");
    g.points = new vas();
    for (int i = 0; i < np; ++i) {
        const uint8_t *b = readbuf + i * psize;
        if (smooth) {
            points_sf s;
            std::memcpy(&s, b, sizeof s);
            vslot<point_a>(g.points, i) =
                new points_s{rdf(s.x), rdf(s.y), rdf(s.z), rdf(s.nx), rdf(s.ny), rdf(s.nz)};
        } else {
            pointf_sf s;
            std::memcpy(&s, b, sizeof s);
            vslot<point_af>(g.points, i) = new pointf_s{rdf(s.x), rdf(s.y), rdf(s.z)};
        }
    }

    // Triangles, in one read; every point number must name a point.
    const size_t tsize = smooth ? sizeof(triangles_sf) : sizeof(trianglef_sf);
    if (nt * tsize > sizeof readbuf)
        throw bad_scene{"triangle block of " + std::to_string(nt) + " triangles exceeds the " +
                        std::to_string(readbuf_size) + "-byte read buffer"};
    r.rd(readbuf, nt * tsize, "the triangle block");
    g.triangles = new vas();
    for (int i = 0; i < nt; ++i) {
        const uint8_t *b = readbuf + i * tsize;
        // Both triangle layouts start with the three point numbers.
        triangles_sf s;
        std::memcpy(&s, b, sizeof s);
        int p1 = w16(s.pt1_l, s.pt1_h), p2 = w16(s.pt2_l, s.pt2_h), p3 = w16(s.pt3_l, s.pt3_h);
        if (p1 >= np || p2 >= np || p3 >= np)
            throw bad_scene{"triangle " + std::to_string(i) + " names a point beyond the " +
                            std::to_string(np) + " points"};
        if (smooth) {
            vslot<triangle_a>(g.triangles, i) = new triangles_s{p1, p2, p3};
        } else {
            trianglef_sf sf;
            std::memcpy(&sf, b, sizeof sf);
            vslot<triangle_af>(g.triangles, i) = new trianglef_s{p1, p2, p3, rdf(sf.nx), rdf(sf.ny), rdf(sf.nz)};
        }
    }

    // Always 32 depth tables, whatever the record's ddh_size says.
    for (int k = 0; k < 32; ++k) {
        g.ddh[k] = new vas();
        ddh_table_s th;
        r.rd(&th, sizeof th, "a depth table");
        int n = checked(w16(th.no_triangles_l, th.no_triangles_h), "depth table length");
        r.rd(readbuf, n * sizeof(ddh_table_entry_s), "a depth table");
        for (int j = 0; j < n; ++j) {
            int t = w16(readbuf[2 * j], readbuf[2 * j + 1]);
            if (t >= nt)
                throw bad_scene{"depth table " + std::to_string(k) + " names triangle " + std::to_string(t) +
                                " of " + std::to_string(nt)};
            vslot<ddh_table_entry_a>(g.ddh[k], j) = t;
        }
        g.no_ddh[k] = n;
    }
    vslot<object_header_a>(&geos, g.geom_no) = o;
}

void readinstance(reader &r, mem_object_header_s *o) {
    geom_instancef_s rec;
    r.rd(&rec, sizeof rec, "an instance record");
    mem_instance_s &n = o->t.instance;
    n.inst_no = checked(w16(rec.inst_no_l, rec.inst_no_h), "instance number");
    copytext(n.name, sizeof n.name, rec.name, sizeof rec.name);
    n.no_geom = checked(w16(rec.no_geom_l, rec.no_geom_h), "geometry list length");
    n.no_instance = checked(w16(rec.no_instance_l, rec.no_instance_h), "instance list length");
    n.rend_mode = rec.rend_mode;
    n.xscale = rdf(rec.xscale);
    n.yscale = rdf(rec.yscale);
    n.zscale = rdf(rec.zscale);
    n.izro = rdf(rec.izro);
    n.xrot = rdf(rec.xrot);
    n.zrot = rdf(rec.zrot);
    n.x = rdf(rec.x);
    n.y = rdf(rec.y);
    n.z = rdf(rec.z);
    n.binsx = rdf(rec.binsx);
    n.binsy = rdf(rec.binsy);
    n.binsz = rdf(rec.binsz);
    n.geoms = new vas();
    for (int i = 0; i < n.no_geom; ++i) {
        instancef_s e;
        r.rd(&e, sizeof e, "a geometry list");
        vslot<geom_a>(n.geoms, i) = new geom_instance_s{checked(w16(e.entry_no_l, e.entry_no_h), "geometry number")};
    }
    n.instances = new vas();
    for (int i = 0; i < n.no_instance; ++i) {
        instancef_s e;
        r.rd(&e, sizeof e, "an instance list");
        vslot<instance_a>(n.instances, i) =
            new inst_instance_s{checked(w16(e.entry_no_l, e.entry_no_h), "instance number")};
    }
    vslot<object_header_a>(&inss, n.inst_no) = o;
}

// Tries one composed map name; names that do not fit the 128-byte name
// buffer are not tried.
BITMAPINFOHEADER *trymap(const std::string &name) {
    if (name.size() > 127) return nullptr;
    return DibOpenFile(name.c_str());
}

void readmap(reader &r, mem_object_header_s *o) {
    map_s rec;
    r.rd(&rec, sizeof rec, "a map record");
    mem_map_s &m = o->t.map;
    copytext(m.ext_name, sizeof m.ext_name, rec.ext_name, sizeof rec.ext_name);
    m.map_no = checked(w16(rec.map_no_l, rec.map_no_h), "map number");
    // Search: the name as stored, then beside the scene file, then in the
    // maps folder.
    m.pdibmap = trymap(m.ext_name);
    if (!m.pdibmap) m.pdibmap = trymap(r.paths->folder + m.ext_name);
    if (!m.pdibmap) m.pdibmap = trymap(r.paths->mapsdir + pathsep + m.ext_name);
    if (!m.pdibmap) throw missing_map{m.ext_name};
    vslot<object_header_a>(&maps, m.map_no) = o;
}

void readmaterial(reader &r, mem_object_header_s *o) {
    texture_s rec;
    r.rd(&rec, sizeof rec, "a material record");
    mem_texture_s &m = o->t.material;
    m.litear = m.transrr = m.transrg = m.transrb = nullptr;
    m.hilitear = nullptr;
    m.textax = nullptr;
    m.textay = nullptr;
    m.pdibmap = nullptr;
    m.pdibdel = 0;
    copytext(m.name, sizeof m.name, rec.name, sizeof rec.name);
    m.texture_no = checked(w16(rec.texture_no_l, rec.texture_no_h), "material number");
    m.color = {rec.red, rec.green, rec.blue};
    m.ambient = w16(rec.ambient_l, rec.ambient_h);
    m.diffuse = w16(rec.diffuse_l, rec.diffuse_h);
    m.brilliance = rdf(rec.brilliance);
    m.highlight = rdf(rec.highlight);
    m.highlights = rdf(rec.highlights);
    m.trans = rdf(rec.trans);
    m.trans_th = rdf(rec.trans_th);
    m.reflection = rdf(rec.reflection);
    m.opacity = rdf(rec.opacity);
    m.map_type = w16(rec.map_type_l, rec.map_type_h);
    // The map number only matters for a textured material; an unused one
    // is kept as it is.
    m.map_no = w16(rec.map_no_l, rec.map_no_h);
    if (m.map_type >= 1) checked(m.map_no, "map number");
    m.x_freq = w16(rec.x_freq_l, rec.x_freq_h);
    m.y_freq = w16(rec.y_freq_l, rec.y_freq_h);
    if (m.x_freq == 0) m.x_freq = 1;
    if (m.y_freq == 0) m.y_freq = 1;
    m.x = rdf(rec.x);
    m.y = rdf(rec.y);
    m.z = rdf(rec.z);
    m.xscale = rdf(rec.xscale);
    m.yscale = rdf(rec.yscale);
    m.zscale = rdf(rec.zscale);
    if (m.xscale == 0.0f) m.xscale = 1.0f;
    if (m.yscale == 0.0f) m.yscale = 1.0f;
    if (m.zscale == 0.0f) m.zscale = 1.0f;
    m.izro = rdf(rec.izro);
    m.xrot = rdf(rec.xrot);
    m.zrot = rdf(rec.zrot);
    vslot<object_header_a>(&texs, m.texture_no) = o;
}

// Camera, light and scene settings of the file, applied only once the whole
// file has been read, so that a rejected file changes nothing.
struct settings {
    bool cam = false, light = false, scene = false;
    camera_s c;
    light_s l;
    scene_s s;
};

void applysettings(const settings &st) {
    if (st.cam) {
        camx = rdf(st.c.x);
        camy = rdf(st.c.y);
        camz = rdf(st.c.z);
        tarx = rdf(st.c.targx);
        tary = rdf(st.c.targy);
        tarz = rdf(st.c.targz);
        focl = rdf(st.c.foc_len);
        CamRotRate = rdf(st.c.CamRotRate);
        CamPanRate = rdf(st.c.CamPanRate);
        CamZoomRate = rdf(st.c.CamZoomRate);
        CamFHeight = rdf(st.c.CamFHeight);
        movem = st.c.mode;
    }
    if (st.light) {
        ltal = rdf(st.l.ltal);
        ltaz = rdf(st.l.ltaz);
    }
    if (st.scene) {
        sbackground = st.s.background_type;
        bgred = st.s.red;
        bggreen = st.s.green;
        bgblue = st.s.blue;
    }
}

void readobjects(reader &r, settings &st) {
    file_header_s hdr;
    r.rd(&hdr, sizeof hdr, "the file header");
    int n = checked(w16(hdr.no_obj_l, hdr.no_obj_h), "object count");
    for (int i = 0; i < n; ++i) {
        r.obj = i;
        mem_object_header_s *&slot = vslot<object_header_a>(&objs, i);
        if (!slot) {
            slot = new mem_object_header_s;
            std::memset(static_cast<void *>(slot), 0, sizeof *slot);
        }
        // Counted as soon as it is in the store, so that a failure frees it.
        file_no_obj = i + 1;
        mem_object_header_s *o = ohap = slot;
        object_header_s oh;
        r.rd(&oh, sizeof oh, "an object type");
        o->type = w16(oh.type_l, oh.type_h);
        switch (o->type) {
        case OT_SMOOTH:
        case OT_FACETED: readgeometry(r, o); break;
        case OT_INSTANCE:
        case OT_INSTANCE2: readinstance(r, o); break;
        case OT_MAP: readmap(r, o); break;
        case OT_TEXTURE: readmaterial(r, o); break;
        case OT_CAMERA:
            r.rd(&st.c, sizeof st.c, "a camera record");
            st.cam = true;
            break;
        case OT_LIGHT:
            r.rd(&st.l, sizeof st.l, "a light record");
            st.light = true;
            break;
        case OT_SCENE:
            r.rd(&st.s, sizeof st.s, "a scene record");
            st.scene = true;
            break;
        case OT_COMMENT: {
            comment_s rec;
            r.rd(&rec, sizeof rec, "a comment record");
            o->t.comment.obj_no = w16(rec.obj_no_l, rec.obj_no_h);
            // The stored line holds 80 characters; longer comments are cut.
            copytext(o->t.comment.comment_line, sizeof o->t.comment.comment_line, rec.comment_line,
                     sizeof rec.comment_line);
            break;
        }
        default:   // unknown type: the two type bytes are the whole object
            break;
        }
    }
}

}  // namespace

load_result readfile(const char *inpfn, const scene_paths &paths) {
    load_result res;
    res.file = inpfn ? inpfn : "";
    loadnotes.clear();
    std::FILE *f = inpfn ? std::fopen(inpfn, "rb") : nullptr;
    const dib_resource *builtin = f ? nullptr : findresource(scene_resources, scene_nresources, inpfn);
    if (!f && !builtin) {
        res.code = load_cannot_open;
        return res;
    }
    // A store left from an earlier load is freed first rather than leaked.
    deletefilestruct();
    deleterenlstruct();
    bgmapname = paths.background;

    reader r;
    r.paths = &paths;
    r.src.f = f;
    if (builtin) {
        r.src.mem = builtin->data;
        r.src.size = builtin->size;
    }
    settings st;
    try {
        readobjects(r, st);
        if (f) std::fclose(f);
        f = nullptr;
        res.warnings = danglingrefs();
        // Tables are built once the whole file is in, so that a material may
        // name a map stored after it.
        for (int i = 0; i < file_no_obj; ++i) {
            ohap = obj_at(i);
            if (ohap && ohap->type == OT_TEXTURE) calctext();
        }
        ohap = nullptr;
        // The renderer's flat copies of the geometries, with their planes.
        makeflats();
    } catch (const bad_scene &e) {
        res.code = load_malformed;
        res.message = res.file + ": " +
                      (r.obj < 0 ? std::string("header") : "object " + std::to_string(r.obj)) + " at byte " +
                      std::to_string(r.off) + ": " + e.what;
    } catch (const missing_map &e) {
        res.code = load_missing_map;
        res.file = e.name;
        res.message = "File " + e.name + " not found";
    } catch (const std::bad_alloc &) {
        res.code = load_malformed;
        res.message = res.file + ": out of memory while loading";
    }
    if (res.code != load_ok) {
        if (f) std::fclose(f);
        ohap = nullptr;
        deletefilestruct();
        res.warnings.clear();
        loadnotes.clear();
        return res;
    }
    res.notes = std::move(loadnotes);
    loadnotes.clear();
    applysettings(st);
    return res;
}

}  // namespace vortella
