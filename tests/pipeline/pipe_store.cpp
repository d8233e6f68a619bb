#include "pipe_store.h"

namespace vortella {

static mem_object_header_s *addobj(int type, vas *index, int no) {
    auto *o = new mem_object_header_s();
    o->type = type;
    vslot<object_header_a>(&objs, file_no_obj++) = o;
    if (index) vslot<object_header_a>(index, no) = o;
    return o;
}

mem_object_header_s *addmat(int no, int map_type, float trans, float reflection) {
    mem_object_header_s *o = addobj(OT_TEXTURE, &texs, no);
    mem_texture_s &m = o->t.material;
    m.map_type = map_type, m.trans = trans, m.reflection = reflection;
    m.xscale = m.yscale = m.zscale = 1;
    return o;
}

mem_object_header_s *addgeo(int no, float x0, float y0, float z0, float x1, float y1, float z1,
                            int texture, int rend_mode, bool faceted) {
    mem_object_header_s *o = addobj(faceted ? OT_FACETED : OT_SMOOTH, &geos, no);
    mem_geometry_s &g = o->t.geometry;
    g.xmin = x0, g.ymin = y0, g.zmin = z0, g.xmax = x1, g.ymax = y1, g.zmax = z1;
    g.texture = texture, g.rend_mode = rend_mode;
    g.points = new vas();
    g.triangles = new vas();
    if (faceted) {
        vslot<point_af>(g.points, 0) = new pointf_s{x0, y0, z0};
        vslot<triangle_af>(g.triangles, 0) = new trianglef_s{0, 0, 0, 0, 0, 1};
    } else {
        vslot<point_a>(g.points, 0) = new points_s{x0, y0, z0, 0, 0, 1};
        vslot<triangle_a>(g.triangles, 0) = new triangles_s{0, 0, 0};
    }
    for (int k = 0; k < 32; ++k) {
        g.ddh[k] = new vas();
        vslot<ddh_table_entry_a>(g.ddh[k], 0) = 0;
        g.no_ddh[k] = 1;
    }
    return o;
}

void addins(const std::vector<int> &geoms, int rend_mode, int type) {
    mem_instance_s &n = addobj(type, nullptr, 0)->t.instance;
    n.rend_mode = rend_mode;
    n.no_geom = static_cast<int>(geoms.size());
    n.geoms = new vas();
    for (int j = 0; j < n.no_geom; ++j) vslot<geom_a>(n.geoms, j) = new geom_instance_s{geoms[size_t(j)]};
}

mem_render_entry_s *rentry(int i) { return vget<render_entry_a>(&renl, i); }

std::vector<mem_render_entry_s *> chain() {
    std::vector<mem_render_entry_s *> v;
    for (auto *e = reapbase; e && v.size() <= vas_max; e = e->next_group) v.push_back(e);
    return v;
}

void pipeglobals() {
    picw = 320, pich = 200;
    camx = camz = 0, camy = -10;
    tarx = tary = tarz = 0;
    focl = 1;
    iminv = Orientation = 1;
    ltal = 1.5707964f, ltaz = 0;
    maxmpass = 3, rmergesw = 0, file_rend_mode = 10;
}

}  // namespace vortella
