// Flat copies of the geometries: every point and triangle of a geometry in
// one array each, with the triangles' face planes, so that the frame
// renderer's loops walk memory in order instead of one record at a time.
#include <cmath>
#include <limits>
#include <new>

#include "scene/scene.h"

namespace vortella {

namespace {

// The face plane of triangle (p1, p2, p3). The operations and their order
// are those the frame renderer once made per triangle and frame, so the
// bits are the same: the edge differences, their cross product, the length
// by a square root taken in double, the normal divided by it and the plane
// constant as the normal's dot product with point 1.
void faceplane(mem_flattri_s &t, const points_s &p1, const points_s &p2, const points_s &p3) {
    const float ux1 = p1.x, uy1 = p1.y, uz1 = p1.z;
    const float ax = p2.x - ux1, ay = p2.y - uy1, az = p2.z - uz1;
    const float bx = p3.x - ux1, by = p3.y - uy1, bz = p3.z - uz1;
    const float nx = ay * bz - by * az, ny = bx * az - bz * ax, nz = ax * by - ay * bx;
    const float len = static_cast<float>(std::sqrt(static_cast<double>(nx * nx + ny * ny + nz * nz)));
    if (!(len > 0.0f) || !std::isfinite(len)) {
        t.wnx = t.wny = t.wnz = 0.0f;
        t.xpx = std::numeric_limits<float>::quiet_NaN();
        return;
    }
    t.wnx = nx / len;
    t.wny = ny / len;
    t.wnz = nz / len;
    t.xpx = t.wnx * ux1 + t.wny * uy1 + t.wnz * uz1;
}

// Copies geometry object `go`; null when it lacks its tables. A triangle
// whose record is missing, or which names a point that is missing or beyond
// the geometry's count, keeps no plane, as it could never be drawn.
mem_flatgeo_s *copygeo(const mem_object_header_s *go) {
    const mem_geometry_s &g = go->t.geometry;
    if (!g.points || !g.triangles || g.no_points < 0 || g.no_triangles < 0) return nullptr;
    const bool faceted = go->type == OT_FACETED;
    mem_flatgeo_s *f = new mem_flatgeo_s();
    try {
        f->geometry = go;
        f->points.resize(size_t(g.no_points));
        f->triangles.resize(size_t(g.no_triangles));
        if (faceted) f->normals.resize(size_t(g.no_triangles) * 3);
        std::vector<bool> have(size_t(g.no_points));
        for (int i = 0; i < g.no_points; ++i) {
            if (faceted) {
                if (const pointf_s *p = vget<point_af>(g.points, i)) {
                    f->points[size_t(i)] = {p->x, p->y, p->z, 0.0f, 0.0f, 0.0f};
                    have[size_t(i)] = true;
                }
            } else if (const points_s *p = vget<point_a>(g.points, i)) {
                f->points[size_t(i)] = *p;
                have[size_t(i)] = true;
            }
        }
        auto named = [&](int pt) { return unsigned(pt) < unsigned(g.no_points) && have[size_t(pt)]; };
        for (int i = 0; i < g.no_triangles; ++i) {
            mem_flattri_s &t = f->triangles[size_t(i)];
            t = {0, 0, 0, 0.0f, 0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()};
            int p1, p2, p3;
            if (faceted) {
                const trianglef_s *r = vget<triangle_af>(g.triangles, i);
                if (!r) continue;
                p1 = r->pt1, p2 = r->pt2, p3 = r->pt3;
                f->normals[size_t(i) * 3] = r->nx;
                f->normals[size_t(i) * 3 + 1] = r->ny;
                f->normals[size_t(i) * 3 + 2] = r->nz;
            } else {
                const triangles_s *r = vget<triangle_a>(g.triangles, i);
                if (!r) continue;
                p1 = r->pt1, p2 = r->pt2, p3 = r->pt3;
            }
            if (!named(p1) || !named(p2) || !named(p3)) continue;
            t.pt1 = p1, t.pt2 = p2, t.pt3 = p3;
            faceplane(t, f->points[size_t(p1)], f->points[size_t(p2)], f->points[size_t(p3)]);
        }
    } catch (...) {
        delete f;
        throw;
    }
    return f;
}

bool isgeometry(const mem_object_header_s *go) {
    return go && (go->type == OT_SMOOTH || go->type == OT_FACETED);
}

}  // namespace

const mem_flatgeo_s *flatgeo(const mem_object_header_s *go) {
    if (!isgeometry(go) || !vas_index_ok(go->t.geometry.geom_no)) return nullptr;
    mem_flatgeo_s *f = vget<flatgeo_a>(&flats, go->t.geometry.geom_no);
    if (f && f->geometry == go) return f;
    try {
        mem_flatgeo_s *n = copygeo(go);
        if (!n) return nullptr;
        mem_flatgeo_s *&slot = vslot<flatgeo_a>(&flats, go->t.geometry.geom_no);
        delete slot;
        slot = n;
        return n;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void makeflats() {
    for (int i = 0; i < file_no_obj; ++i) {
        const mem_object_header_s *o = obj_at(i);
        // Only the geometry a number finally names is drawn.
        if (!isgeometry(o) || geo_by_no(o->t.geometry.geom_no) != o) continue;
        mem_flatgeo_s *n = copygeo(o);
        if (!n) continue;
        mem_flatgeo_s *&slot = vslot<flatgeo_a>(&flats, o->t.geometry.geom_no);
        delete slot;
        slot = n;
    }
}

void deleteflats() { vclear<flatgeo_a>(&flats, true); }

}  // namespace vortella
