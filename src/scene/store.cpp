// The object store: lookups and freeing.
#include "scene/gmem.h"
#include "scene/scene.h"

#include <string>
#include <vector>

namespace vortella {

mem_object_header_s *obj_at(int i) { return vget<object_header_a>(&objs, i); }
mem_object_header_s *geo_by_no(int no) { return vget<object_header_a>(&geos, no); }
mem_object_header_s *tex_by_no(int no) { return vget<object_header_a>(&texs, no); }
mem_object_header_s *map_by_no(int no) { return vget<object_header_a>(&maps, no); }
mem_object_header_s *ins_by_no(int no) { return vget<object_header_a>(&inss, no); }

std::vector<std::string> danglingrefs() {
    std::vector<std::string> out;
    for (int i = 0; i < file_no_obj; ++i) {
        const mem_object_header_s *o = obj_at(i);
        if (!o) continue;
        std::string at = "object " + std::to_string(i) + ": ";
        if (o->type == OT_SMOOTH || o->type == OT_FACETED) {
            if (!tex_by_no(o->t.geometry.texture))
                out.push_back(at + "geometry " + std::to_string(o->t.geometry.geom_no) + " names material " +
                              std::to_string(o->t.geometry.texture) + ", which the file does not hold");
        } else if (o->type == OT_INSTANCE || o->type == OT_INSTANCE2) {
            const mem_instance_s &n = o->t.instance;
            for (int j = 0; j < n.no_geom; ++j) {
                const geom_instance_s *e = vget<geom_a>(n.geoms, j);
                if (e && !geo_by_no(e->geom_no))
                    out.push_back(at + "instance " + std::to_string(n.inst_no) + " names geometry " +
                                  std::to_string(e->geom_no) + ", which the file does not hold");
            }
        } else if (o->type == OT_TEXTURE) {
            const mem_texture_s &m = o->t.material;
            if (m.map_type >= 1 && !map_by_no(m.map_no))
                out.push_back(at + "material " + std::to_string(m.texture_no) + " names map " +
                              std::to_string(m.map_no) + ", which the file does not hold");
        }
    }
    return out;
}

void DibFree(BITMAPINFOHEADER *pdib) {
    if (!pdib) return;
    HGLOBAL h = GlobalHandle(pdib);
    if (!h) return;   // a bitmap that no block holds is not ours to free
    GlobalUnlock(h);
    GlobalFree(h);
}

// Frees the records and blocks one object owns, then the object.
static void freeobject(mem_object_header_s *o) {
    switch (o->type) {
    case OT_SMOOTH:
    case OT_FACETED: {
        mem_geometry_s &g = o->t.geometry;
        if (o->type == OT_SMOOTH) {
            vdelete<point_a>(g.points, true);
            vdelete<triangle_a>(g.triangles, true);
        } else {
            vdelete<point_af>(g.points, true);
            vdelete<triangle_af>(g.triangles, true);
        }
        for (vas *&d : g.ddh) vdelete<ddh_table_entry_a>(d, false);
        break;
    }
    case OT_INSTANCE:
    case OT_INSTANCE2:
        vdelete<geom_a>(o->t.instance.geoms, true);
        vdelete<instance_a>(o->t.instance.instances, true);
        break;
    case OT_MAP:
        DibFree(o->t.map.pdibmap);
        o->t.map.pdibmap = nullptr;
        break;
    case OT_TEXTURE: {
        mem_texture_s &m = o->t.material;
        delete m.litear;
        delete m.hilitear;
        delete m.transrr;
        delete m.transrg;
        delete m.transrb;
        delete m.textax;
        delete m.textay;
        if (m.pdibmap && m.pdibdel) DibFree(m.pdibmap);
        m = mem_texture_s{};
        break;
    }
    default:
        break;
    }
    delete o;
}

void deletefilestruct() {
    deleteflats();
    // Objects are freed through objs; a load that failed part way leaves
    // file_no_obj at the number of objects actually stored.
    int n = file_no_obj;
    file_no_obj = 0;
    for (int i = 0; i < n; ++i) {
        mem_object_header_s *&slot = vslot<object_header_a>(&objs, i);
        if (slot) freeobject(slot);
        slot = nullptr;
    }
    vclear<object_header_a>(&objs, false);
    vclear<object_header_a>(&geos, false);
    vclear<object_header_a>(&inss, false);
    vclear<object_header_a>(&texs, false);
    vclear<object_header_a>(&maps, false);
}

void deleterenlstruct() {
    renlent = 0;
    // Entries own only their top blocks; the blocks below belong to the
    // geometry. Every slot ever made is freed, not only this frame's, so
    // entries left over from a busier frame do not leak.
    for (void *m : renl.p) {
        vas *mid = static_cast<vas *>(m);
        if (!mid) continue;
        for (void *l : mid->p) {
            render_entry_a *leaf = static_cast<render_entry_a *>(l);
            if (!leaf) continue;
            for (mem_render_entry_s *e : leaf->p) {
                if (!e) continue;
                delete e->points;
                delete e->triangles;
                delete e->ddh;
                delete e;
            }
        }
    }
    vclear<render_entry_a>(&renl, false);
}

void reset_scene() {
    deletefilestruct();
    deleterenlstruct();
    DibFree(bgmapraw);
    bgmapraw = nullptr;
    bgmapname.clear();
    loadnotes.clear();
    ohap = nullptr;
    camx = camy = camz = 1;
    tarx = tary = tarz = 0;
    focl = 1.93f;
    CamRotRate = CamPanRate = CamZoomRate = 0;
    CamFHeight = 1.7f;
    movem = 0;
    ltal = ltaz = 0;
    sbackground = 0;
    bgred = bggreen = bgblue = 0;
}

}  // namespace vortella
