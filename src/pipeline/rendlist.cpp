// The render list: once per frame, one entry per visible geometry of every
// drawn instance, with its screen box, depth range, depth table, render type
// and shading rows; overlapping entries are chained into groups and the
// groups linked far to near.
#include <cmath>
#include <cstring>

#include "pipeline/pipeline.h"

namespace vortella {

float getvave(float x, float y, float z) {
    return (x + cvx) * (x + cvx) + (y + cvy) * (y + cvy) + (z + cvz) * (z + cvz);
}

int whichddhv() {
    cvx = camx - tarx;
    cvy = camy - tary;
    cvz = camz - tarz;
    float len = static_cast<float>(std::sqrt(static_cast<double>(cvx * cvx + cvy * cvy + cvz * cvz)));
    // Camera on the target (or not finite): no direction, table 0.
    if (!(len >= ptol)) return 0;
    cvx = cvx / len;
    cvy = cvy / len;
    cvz = cvz / len;
    float best = 0.0f;
    int index = 0;
    for (int k = 0; k < 32; ++k) {
        float s = getvave(ddhvdir[k][0], ddhvdir[k][1], ddhvdir[k][2]);
        if (s > best) {   // strict: of two equal scores the lower index stays
            best = s;
            index = k;
        }
    }
    return index;
}

static mem_render_entry_s *entry(int i) { return vget<render_entry_a>(&renl, i); }

// The slot for entry i with its three top tables, made on first use and
// kept for later frames.
static mem_render_entry_s *makeentry(int i) {
    mem_render_entry_s *&e = vslot<render_entry_a>(&renl, i);
    if (!e) e = new mem_render_entry_s();
    if (!e->points) e->points = new vas();
    if (!e->triangles) e->triangles = new vas();
    if (!e->ddh) e->ddh = new vas();
    return e;
}

// Screen box and depth range over the eight projected corners of the box.
static void screenbox(mem_render_entry_s *e, const mem_geometry_s &g) {
    e->sxmax = e->symax = -32000;
    e->sxmin = e->symin = 32000;
    e->vzmax = -1e18f;
    e->vzmin = 1e18f;
    const float xs[2] = {g.xmin, g.xmax}, ys[2] = {g.ymin, g.ymax}, zs[2] = {g.zmin, g.zmax};
    // Corner order: (xmin, ymin), (xmax, ymin), (xmax, ymax), (xmin, ymax),
    // first at zmin, then at zmax.
    static const int cxi[4] = {0, 1, 1, 0}, cyi[4] = {0, 0, 1, 1};
    for (int k = 0; k < 8; ++k) {
        ux = xs[cxi[k & 3]];
        uy = ys[cyi[k & 3]];
        uz = zs[k >> 2];
        transfsc();
        if (sx > e->sxmax) e->sxmax = sx;
        if (sx < e->sxmin) e->sxmin = sx;
        if (sy > e->symax) e->symax = sy;
        if (sy < e->symin) e->symin = sy;
        if (vz > e->vzmax) e->vzmax = vz;
        if (vz < e->vzmin) e->vzmin = vz;
    }
}

// Builds the entry for geometry object `go` of instance `ins` in the next
// free slot; drops it again when it cannot be seen.
static void buildentry(mem_object_header_s *go, const mem_instance_s &ins) {
    const mem_geometry_s &g = go->t.geometry;
    // A geometry naming a material the store lacks gives no entry: the
    // frame renderer needs the material's tables.
    mem_object_header_s *mo = tex_by_no(g.texture);
    if (!mo || mo->type != OT_TEXTURE) return;
    // Past the storage of the paged array nothing more can be listed.
    if (renlent >= vas_max) return;

    renlent += 1;
    reap = makeentry(renlent - 1);
    mem_render_entry_s *e = reap;
    e->off_screen = 0;
    e->next_group = e->next_entry = e->last_entry = nullptr;
    e->processed = 0;

    int ddhv = whichddhv();
    // Missing tables cannot be drawn, and a box that is not finite cannot be
    // placed on the screen.
    bool seen = g.no_ddh[ddhv] >= 1 && g.points && g.triangles && g.ddh[ddhv] &&
                std::isfinite(g.xmin) && std::isfinite(g.ymin) && std::isfinite(g.zmin) &&
                std::isfinite(g.xmax) && std::isfinite(g.ymax) && std::isfinite(g.zmax);
    if (seen) {
        screenbox(e, g);
        seen = e->sxmax > 0 && e->sxmin < picw && e->symax > 0 && e->symin < pich && e->vzmax > 0.0f;
    }
    if (!seen) {
        // The next entry reuses the slot.
        e->off_screen = 1;
        renlent -= 1;
        return;
    }

    e->rend_mode = g.rend_mode;
    if (e->rend_mode == 0) e->rend_mode = ins.rend_mode;
    if (e->rend_mode == 0) e->rend_mode = file_rend_mode;
    e->geometry = go;
    e->grp_sxmax = e->sxmax;
    e->grp_symax = e->symax;
    e->grp_sxmin = e->sxmin;
    e->grp_symin = e->symin;
    e->grp_vzmin = e->vzmin;
    e->grp_vzmax = e->vzmax;

    e->xmin = g.xmin;
    e->ymin = g.ymin;
    e->zmin = g.zmin;
    e->xmax = g.xmax;
    e->ymax = g.ymax;
    e->zmax = g.zmax;
    // The entry's top tables share the geometry's lower blocks.
    std::memcpy(e->points->p, g.points->p, sizeof e->points->p);
    std::memcpy(e->triangles->p, g.triangles->p, sizeof e->triangles->p);
    std::memcpy(e->ddh->p, g.ddh[ddhv]->p, sizeof e->ddh->p);
    e->no_ddh = g.no_ddh[ddhv];
    e->texture = mo;
    ohap2 = mo;

    const mem_texture_s &m = mo->t.material;
    e->type = go->type == OT_FACETED ? RT_FACETED : RT_SMOOTH;
    if (m.map_type == 1) {
        e->type += RT_PLANAR;
        calctxp();
        e->rc11 = rc12; e->rc21 = rc22; e->rc31 = rc32; e->rc41 = rc42;
        e->tc11 = rc13; e->tc21 = rc23; e->tc31 = rc33; e->tc41 = rc43;
    } else if (m.map_type >= 2) {
        if (m.map_type == 2) {
            e->type += RT_SPHERICAL;
            calctxs();
        } else {
            e->type += RT_CYLINDRICAL;
            calctxc();
        }
        e->rc11 = rc11; e->rc21 = rc21; e->rc31 = rc31; e->rc41 = rc41;
        e->tc11 = rc12; e->tc21 = rc22; e->tc31 = rc32; e->tc41 = rc42;
        e->zc11 = rc13; e->zc21 = rc23; e->zc31 = rc33; e->zc41 = rc43;
    } else if (m.trans > 0 || m.reflection > 0) {
        if (m.trans > 0) {
            e->type += RT_TRANSPARENT;
            // One byte: the 256th transparent entry of a frame gets 0.
            e->transctr = tottr;
            tottr = static_cast<uint8_t>(tottr + 1);
        } else {
            e->type += RT_REFLECTION;
        }
        calcr();
        e->rc11 = rc11; e->rc21 = rc21; e->rc31 = rc31; e->rc41 = rc41;
    }

    calch();
    e->hc11 = hc11;
    e->hc21 = hc21;
    e->hc31 = hc31;
    e->hc41 = hc41;
}

// Strictly inside the open interval (lo, hi).
static bool inside(int v, int lo, int hi) { return lo < v && v < hi; }
static bool inside(float v, float lo, float hi) { return lo < v && v < hi; }

// Whether entry o overlaps the group of e in screen x, screen y and depth.
// An end lying on the other range's end does not count, so identical or
// touching ranges do not overlap.
static bool overlaps(const mem_render_entry_s *e, const mem_render_entry_s *o) {
    bool x = inside(e->grp_sxmax, o->sxmin, o->sxmax) || inside(e->grp_sxmin, o->sxmin, o->sxmax) ||
             inside(o->sxmax, e->grp_sxmin, e->grp_sxmax) || inside(o->sxmin, e->grp_sxmin, e->grp_sxmax);
    if (!x) return false;
    bool y = inside(e->grp_symax, o->symin, o->symax) || inside(e->grp_symin, o->symin, o->symax) ||
             inside(o->symax, e->grp_symin, e->grp_symax) || inside(o->symin, e->grp_symin, e->grp_symax);
    if (!y) return false;
    return inside(e->grp_vzmax, o->vzmin, o->vzmax) || inside(e->grp_vzmin, o->vzmin, o->vzmax) ||
           inside(o->vzmax, e->grp_vzmin, e->grp_vzmax) || inside(o->vzmin, e->grp_vzmin, e->grp_vzmax);
}

static void absorb(mem_render_entry_s *e, mem_render_entry_s *o) {
    e->last_entry->next_entry = o;
    e->last_entry = o;
    if (o->sxmin < e->grp_sxmin) e->grp_sxmin = o->sxmin;
    if (o->symin < e->grp_symin) e->grp_symin = o->symin;
    if (o->sxmax > e->grp_sxmax) e->grp_sxmax = o->sxmax;
    if (o->symax > e->grp_symax) e->grp_symax = o->symax;
    if (o->vzmin < e->grp_vzmin) e->grp_vzmin = o->vzmin;
    if (o->vzmax > e->grp_vzmax) e->grp_vzmax = o->vzmax;
    o->processed = 1;
}

// Chains into e's group every later entry that overlaps it. The bounds
// widen as entries join, so an entry passed over early may join later:
// sweeps of maxmpass passes repeat until one changes nothing. A pass that
// absorbs nothing leaves everything as it was, so the passes after it would
// repeat it exactly; stopping the sweep there gives the same groups.
static void group(int i, mem_render_entry_s *e) {
    bool changed = true;
    while (changed) {
        changed = false;
        for (int pass = 0; pass < maxmpass; ++pass) {
            bool absorbed = false;
            for (int k = i + 1; k < renlent; ++k) {
                mem_render_entry_s *o = entry(k);
                if (o->off_screen != 0 || o->processed >= 1 || o->rend_mode < 10) continue;
                if (overlaps(e, o)) {
                    absorb(e, o);
                    absorbed = true;
                }
            }
            if (!absorbed) break;
            changed = true;
        }
    }
}

// Drawing classes: 2, 3, and 10 standing for every rend_mode of 10 or more.
static bool inclass(int cls, int rend_mode) { return cls == 10 ? rend_mode >= 10 : rend_mode == cls; }

// Links the group heads of one class far to near (by the sum of the group's
// depth extremes) by repeated selection of the farthest unlinked head. Heads
// whose sum is -100 or less reach far behind the camera and are left out.
static void linkclass(int cls) {
    for (;;) {
        mem_render_entry_s *pick = nullptr;
        float best = -100.0f;
        for (int i = 0; i < renlent; ++i) {
            mem_render_entry_s *e = entry(i);
            if (e->processed != 2 || !inclass(cls, e->rend_mode)) continue;
            float key = e->grp_vzmax + e->grp_vzmin;
            if (key > best) {   // strict: of equal keys the first entry wins
                best = key;
                pick = e;
            }
        }
        if (!pick) return;
        pick->processed = 3;
        if (!reapbase)
            reapbase = pick;
        else
            reapsave->next_group = pick;
        reapsave = pick;
    }
}

void rendlist() {
    calct();
    calcvt();
    calcl();
    renlent = 0;
    tottr = 1;
    reapbase = reapsave = nullptr;

    for (int oc = 0; oc < file_no_obj; ++oc) {
        mem_object_header_s *o = obj_at(oc);
        if (!o || o->type != OT_INSTANCE) continue;
        const mem_instance_s &ins = o->t.instance;
        for (int j = 0; j < ins.no_geom; ++j) {
            geom_instance_s *gi = vget<geom_a>(ins.geoms, j);
            if (!gi) continue;
            // An instance may name a geometry the store lacks: skip it.
            mem_object_header_s *go = geo_by_no(gi->geom_no);
            if (!go || (go->type != OT_SMOOTH && go->type != OT_FACETED)) continue;
            buildentry(go, ins);
        }
    }

    for (int i = 0; i < renlent; ++i) {
        mem_render_entry_s *e = entry(i);
        if (e->off_screen != 0 || e->processed >= 1) continue;
        e->processed = 2;
        e->last_entry = e;
        if (rmergesw == 1 || e->rend_mode < 10) continue;
        group(i, e);
    }

    linkclass(2);
    linkclass(10);
    linkclass(3);
}

}  // namespace vortella
