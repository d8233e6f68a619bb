// Vortella against Mesa's llvmpipe (through OSMesa), one thread each, on the
// same generated meshes, picture sizes and camera path. Every frame is drawn
// by both, one after the other (which one goes first alternates), so both
// see the same load on a shared machine; the times are process CPU time,
// which counts llvmpipe's rasteriser thread too.
//
//   vt_peer [--frames N] [--mesh 70k|6k|all] [--size 640x480|1920x1080|all] [--dump DIR] [--hashes]
//
// --dump writes the last frame of each renderer as a PPM picture into DIR.
// --hashes prints a hash of every frame Vortella draws (FNV-1a of the
// picture's bytes), to compare two builds' frames one by one.
//
// llvmpipe runs with LP_NUM_THREADS=1 (unless the caller sets it), smooth
// shading, one directional light, a 24-bit depth buffer and back faces
// culled; the mesh is drawn from a display list.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "authoring/writer.h"
#include "frame/frame.h"
#include "pipeline/pipeline.h"
#include "platform/palette.h"
#include "raster/raster.h"
#include "scene/scene.h"
#include "support/bumpy.h"

using namespace vortella;

namespace {

struct mesh_case {
    const char *name;
    test::bumpy_desc d;
};

double cpunow() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}
double wallnow() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The store's geometries as GL arrays, compiled into a display list.
GLuint compile_store() {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (int i = 0; i < file_no_obj; ++i) {
        const mem_object_header_s *o = obj_at(i);
        if (!o || o->type != OT_SMOOTH) continue;
        const mem_geometry_s &g = o->t.geometry;
        std::vector<float> pos, nrm;
        std::vector<GLuint> idx;
        for (int k = 0; k < g.no_points; ++k) {
            const points_s *p = vget<point_a>(g.points, k);
            pos.insert(pos.end(), {p->x, p->y, p->z});
            nrm.insert(nrm.end(), {p->nx, p->ny, p->nz});
        }
        for (int k = 0; k < g.no_triangles; ++k) {
            const triangles_s *t = vget<triangle_a>(g.triangles, k);
            idx.insert(idx.end(), {GLuint(t->pt1), GLuint(t->pt2), GLuint(t->pt3)});
        }
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, pos.data());
        glNormalPointer(GL_FLOAT, 0, nrm.data());
        glDrawElements(GL_TRIANGLES, GLsizei(idx.size()), GL_UNSIGNED_INT, idx.data());
    }
    glEndList();
    return list;
}

// The projection of a scene point, as GL's projection matrix: the view
// transform tc followed by a perspective divide by vz that puts the point
// where the clipper's projection puts it. The modelview stays the identity,
// so that GL lights in scene space, as the renderer does.
void load_view() {
    const float t[4][4] = {{tc11, tc12, tc13, tc14}, {tc21, tc22, tc23, tc24},
                           {tc31, tc32, tc33, tc34}, {tc41, tc42, tc43, tc44}};
    // Rows of the perspective part acting on (vx, vy, vz, 1).
    const float n = 0.01f, f = 1000.0f;
    const float p[4][4] = {{float(pich1) / float(picw1), 0, 0, 0},
                           {0, 1, 0, 0},
                           {0, 0, (f + n) / (f - n), 2 * f * n / (n - f)},
                           {0, 0, 1, 0}};
    // clip = p . (tc^T . u); GL takes the matrix column by column.
    float m[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float v = 0;
            for (int k = 0; k < 4; ++k) v += p[r][k] * t[c][k];
            m[c * 4 + r] = v;
        }
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // A direction light toward (x, y, z) in scene space.
    const float L[4] = {std::cos(ltal) * std::cos(ltaz), std::cos(ltal) * std::sin(ltaz), std::sin(ltal), 0};
    glLightfv(GL_LIGHT0, GL_POSITION, L);
}

// Which winding faces the camera on the screen: that of a triangle the
// renderer's back-face test keeps.
void set_front_face() {
    for (int i = 0; i < file_no_obj; ++i) {
        const mem_object_header_s *o = obj_at(i);
        if (!o || o->type != OT_SMOOTH) continue;
        const mem_geometry_s &g = o->t.geometry;
        for (int k = 0; k < g.no_triangles; ++k) {
            const triangles_s *t = vget<triangle_a>(g.triangles, k);
            const points_s *p[3] = {vget<point_a>(g.points, t->pt1), vget<point_a>(g.points, t->pt2),
                                    vget<point_a>(g.points, t->pt3)};
            const float ax = p[1]->x - p[0]->x, ay = p[1]->y - p[0]->y, az = p[1]->z - p[0]->z;
            const float bx = p[2]->x - p[0]->x, by = p[2]->y - p[0]->y, bz = p[2]->z - p[0]->z;
            const float nx = ay * bz - by * az, ny = bx * az - bz * ax, nz = ax * by - ay * bx;
            const float d = nx * (camx - p[0]->x) + ny * (camy - p[0]->y) + nz * (camz - p[0]->z);
            float sx[3], sy[3];
            bool ok = true;
            for (int v = 0; v < 3; ++v) {
                const float vx = tc11 * p[v]->x + tc21 * p[v]->y + tc31 * p[v]->z + tc41;
                const float vy = tc12 * p[v]->x + tc22 * p[v]->y + tc32 * p[v]->z + tc42;
                const float vz = tc13 * p[v]->x + tc23 * p[v]->y + tc33 * p[v]->z + tc43;
                ok = ok && vz > 0.1f;
                sx[v] = vx / vz;
                sy[v] = vy / vz;
            }
            const float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
            if (!ok || std::fabs(d) < 1e-6f || std::fabs(area) < 1e-9f) continue;
            glFrontFace((d > 0) == (area > 0) ? GL_CCW : GL_CW);
            return;
        }
    }
}

struct result {
    double vt_cpu = 0, gl_cpu = 0, vt_wall = 0, gl_wall = 0;
    std::vector<double> vt_frames, gl_frames;
};

// Writes an RGB picture, rows top first.
void writeppm(const std::string &file, int w, int h, const std::vector<uint8_t> &rgb) {
    if (std::FILE *f = std::fopen(file.c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", w, h);
        std::fwrite(rgb.data(), 1, rgb.size(), f);
        std::fclose(f);
    }
}

std::string dumpdir;
bool hashes = false;

result run(const char *path, int w, int h, int frames) {
    result r;
    if (readfile(path, scene_paths{}).code != load_ok) {
        std::fprintf(stderr, "cannot load %s\n", path);
        std::exit(1);
    }
    Orientation = -1;
    iminv = 1;
    picround(w, h);
    std::vector<uint8_t> bits(size_t(picw) * pich);
    picbuild(bits.data());

    std::vector<uint8_t> glbuf(size_t(picw) * pich * 4);
    OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!ctx || !OSMesaMakeCurrent(ctx, glbuf.data(), GL_UNSIGNED_BYTE, picw, pich)) {
        std::fprintf(stderr, "cannot make an OSMesa context\n");
        std::exit(1);
    }
    static bool told = false;
    if (!told) {
        std::printf("peer: %s (LP_NUM_THREADS=%s)\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)),
                    std::getenv("LP_NUM_THREADS"));
        told = true;
    }
    glViewport(0, 0, picw, pich);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glShadeModel(GL_SMOOTH);
    const float grey[4] = {200 / 255.0f, 200 / 255.0f, 200 / 255.0f, 1}, dark[4] = {0.05f, 0.05f, 0.05f, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, grey);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, dark);
    glClearColor(16 / 255.0f, 20 / 255.0f, 32 / 255.0f, 1);
    const GLuint list = compile_store();

    auto vt = [&] { render(); };
    auto gl = [&] {
        load_view();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glCallList(list);
        glFinish();
    };
    // A few frames of each first, untimed: tables and code warm, llvmpipe's
    // shaders compiled.
    const float cx0 = camx, cy0 = camy, cz0 = camz;
    for (int i = 0; i < 5; ++i) {
        vt();
        set_front_face();
        gl();
    }
    camx = cx0, camy = cy0, camz = cz0;
    for (int i = 0; i < frames; ++i) {
        rotatecam();
        calct();
        set_front_face();
        for (int k = 0; k < 2; ++k) {
            const bool vtfirst = i % 2 == 0;
            const bool isvt = (k == 0) == vtfirst;
            const double c0 = cpunow(), w0 = wallnow();
            if (isvt) vt();
            else gl();
            const double c = cpunow() - c0, wl = wallnow() - w0;
            (isvt ? r.vt_cpu : r.gl_cpu) += c;
            (isvt ? r.vt_wall : r.gl_wall) += wl;
            (isvt ? r.vt_frames : r.gl_frames).push_back(c);
            if (isvt && hashes) {
                uint64_t hv = 14695981039346656037ull;
                for (uint8_t b : bits) hv = (hv ^ b) * 1099511628211ull;
                std::printf("hash %dx%d %s %d %016llx\n", picw, pich, path, i, static_cast<unsigned long long>(hv));
            }
        }
    }
    if (!dumpdir.empty()) {
        const std::string stem = dumpdir + "/" + std::to_string(picw) + "x" + std::to_string(pich) + "_" +
                                 std::to_string(file_no_obj);
        std::vector<uint8_t> rgb(size_t(picw) * pich * 3);
        for (size_t i = 0; i < bits.size(); ++i) {
            const PALETTEENTRY &e = peEntry[bits[i]];
            rgb[i * 3] = e.peRed, rgb[i * 3 + 1] = e.peGreen, rgb[i * 3 + 2] = e.peBlue;
        }
        writeppm(stem + "_vortella.ppm", picw, pich, rgb);
        // GL's rows run bottom up.
        for (int y = 0; y < pich; ++y)
            for (int x = 0; x < picw; ++x)
                for (int c = 0; c < 3; ++c)
                    rgb[(size_t(pich - 1 - y) * picw + x) * 3 + c] = glbuf[(size_t(y) * picw + x) * 4 + c];
        writeppm(stem + "_llvmpipe.ppm", picw, pich, rgb);
    }
    glDeleteLists(list, 1);
    OSMesaDestroyContext(ctx);
    picfree();
    deletefilestruct();
    deleterenlstruct();
    return r;
}

}  // namespace

int main(int argc, char **argv) {
    int frames = 200;
    std::string meshsel = "all", sizesel = "all";
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--hashes") {
            hashes = true;
            --i;
            continue;
        }
        if (i + 1 >= argc) break;
        if (a == "--frames") frames = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--mesh") meshsel = argv[i + 1];
        else if (a == "--size") sizesel = argv[i + 1];
        else if (a == "--dump") dumpdir = argv[i + 1];
    }
    setenv("LP_NUM_THREADS", "1", 0);
    create_halftone_palette();

    mesh_case meshes[2];
    meshes[0].name = "70k";
    meshes[0].d.rings = 252, meshes[0].d.segs = 139, meshes[0].d.parts = 4;
    meshes[1].name = "6k";
    meshes[1].d.rings = 75, meshes[1].d.segs = 40, meshes[1].d.parts = 1;
    const int sizes[2][2] = {{640, 480}, {1920, 1080}};

    std::printf("%-5s %-10s %9s %12s %12s %7s %12s %12s %8s\n", "mesh", "size", "triangles", "vortella ms",
                "llvmpipe ms", "ratio", "vt median", "lp median", "wall");
    for (const mesh_case &m : meshes) {
        if (meshsel != "all" && meshsel != m.name) continue;
        const scene_desc s = test::bumpy_scene(m.d);
        long tris = 0;
        for (const object_desc &o : s.objects)
            if (o.type == OT_SMOOTH) tris += long(o.geometry.triangles.size());
        const std::string path = std::string("/tmp/vt_peer_") + m.name + ".vtl";
        std::string err;
        if (!write_scene_file(s, path, &err)) {
            std::fprintf(stderr, "%s\n", err.c_str());
            return 1;
        }
        {
            // What the loaded scene holds on the heap, and with what the
            // first frame keeps for the next (render list, per-point values).
            const size_t before = mallinfo2().uordblks;
            readfile(path.c_str(), scene_paths{});
            const size_t loaded = mallinfo2().uordblks;
            picround(640, 480);
            std::vector<uint8_t> bits(size_t(picw) * pich);
            picbuild(bits.data());
            const size_t built = mallinfo2().uordblks;
            render();
            const size_t drawn = mallinfo2().uordblks;
            std::printf("# %s: %ld triangles, scene in memory %.2f MB, %.2f MB after a frame\n", m.name, tris,
                        double(loaded - before) / 1e6, double(loaded - before + drawn - built) / 1e6);
            picfree();
            deletefilestruct();
            deleterenlstruct();
        }
        for (const auto &sz : sizes) {
            const std::string sname = std::to_string(sz[0]) + "x" + std::to_string(sz[1]);
            if (sizesel != "all" && sizesel != sname) continue;
            const result r = run(path.c_str(), sz[0], sz[1], frames);
            const double vt = r.vt_cpu / frames, lp = r.gl_cpu / frames;
            std::printf("%-5s %-10s %9ld %12.2f %12.2f %7.2f %12.2f %12.2f %4.2f/%4.2f\n", m.name, sname.c_str(), tris,
                        vt, lp, vt / lp, median(r.vt_frames), median(r.gl_frames), r.vt_wall / r.vt_cpu,
                        r.gl_wall / r.gl_cpu);
            std::fflush(stdout);
        }
        std::remove(path.c_str());
    }
    return 0;
}
