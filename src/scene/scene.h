// Scene data: the in-memory object store built from a scene file, the
// material tables, and every global the loader sets or reads.
//
// All state of this subsystem is declared here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/dib.h"
#include "scene/vas.h"

namespace vortella {

// ---------------------------------------------------------------------------
// Element records of the paged tables
// ---------------------------------------------------------------------------

struct points_s {   // point of a smooth geometry
    float x, y, z, nx, ny, nz;
};
struct pointf_s {   // point of a faceted geometry
    float x, y, z;
};
struct triangles_s {   // triangle of a smooth geometry
    int pt1, pt2, pt3;
};
struct trianglef_s {   // triangle of a faceted geometry, with its face normal
    int pt1, pt2, pt3;
    float nx, ny, nz;
};
struct geom_instance_s {
    int geom_no;
};
struct inst_instance_s {
    int inst_no;
};

struct mem_object_header_s;
struct mem_render_entry_s;

// Leaf blocks: 32 slots each.
struct object_header_a { mem_object_header_s *p[32]; };
struct render_entry_a { mem_render_entry_s *p[32]; };
struct point_a { points_s *p[32]; };
struct point_af { pointf_s *p[32]; };
struct triangle_a { triangles_s *p[32]; };
struct triangle_af { trianglef_s *p[32]; };
struct ddh_table_entry_a { int p[32]; };   // holds the triangle numbers
struct geom_a { geom_instance_s *p[32]; };
struct instance_a { inst_instance_s *p[32]; };

// ---------------------------------------------------------------------------
// Material tables
// ---------------------------------------------------------------------------

struct litea { uint8_t lti[256 * 256]; };   // entry (r, c) at r * 256 + c
struct hilitea { int hli[32 * 256]; };      // entry (h, c) at h * 256 + c
struct textia { int api[16384]; };          // texel byte offset in a row
struct texta { uint8_t *ap[16384]; };       // address of a bitmap row

// ---------------------------------------------------------------------------
// Object records
// ---------------------------------------------------------------------------

struct mem_geometry_s {
    char name[32];
    int geom_no, no_points, no_triangles;
    float xmin, ymin, zmin, xmax, ymax, zmax;
    int texture;     // material number
    int rend_mode;
    vas *points;     // point_a (type 0) or point_af (type 1) leaves
    vas *triangles;  // triangle_a (type 0) or triangle_af (type 1) leaves
    vas *ddh[32];    // ddh_table_entry_a leaves
    int no_ddh[32];
};

struct mem_instance_s {
    char name[32];
    int inst_no;
    float xscale, yscale, zscale, izro, xrot, zrot, x, y, z, binsx, binsy, binsz;
    int no_geom, no_instance, rend_mode;
    vas *geoms;      // geom_a leaves
    vas *instances;  // instance_a leaves
};

struct mem_map_s {
    char ext_name[65];
    BITMAPINFOHEADER *pdibmap;   // owned
    int map_no;
};

struct color_s {
    uint8_t red, green, blue;
};

struct mem_texture_s {
    char name[32];
    int texture_no;
    color_s color;
    int ambient, diffuse;
    float brilliance, highlight, highlights, trans, trans_th, reflection, opacity;
    int map_type, map_no;
    BITMAPINFOHEADER *pdibmap;   // bitmap the texture tables address
    int pdibdel;                 // nonzero: pdibmap is a private copy
    litea *litear;
    litea *transrr, *transrg, *transrb;
    hilitea *hilitear;
    textia *textax;
    texta *textay;
    int x_freq, y_freq;
    float x, y, z, xscale, yscale, zscale, izro, xrot, zrot;
};

struct mem_comment_s {
    int obj_no;
    char comment_line[81];
};

struct mem_object_header_s {
    int type;   // record type code as read from the file
    union {
        mem_geometry_s geometry;   // types 0, 1
        mem_instance_s instance;   // types 10, 20
        mem_map_s map;             // type 30
        mem_texture_s material;    // type 40
        mem_comment_s comment;     // type 100
    } t;
};

// Record type codes.
enum : int {
    OT_SMOOTH = 0, OT_FACETED = 1, OT_INSTANCE = 10, OT_INSTANCE2 = 20, OT_MAP = 30,
    OT_TEXTURE = 40, OT_CAMERA = 50, OT_LIGHT = 60, OT_SCENE = 80, OT_COMMENT = 100
};

// ---------------------------------------------------------------------------
// Render list entry (built per frame by the render-list builder, read by the
// frame renderer; stored here because the loader clears and frees it)
// ---------------------------------------------------------------------------

// Render types: a geometry part plus a material part.
enum : int {
    RT_FACETED = 0, RT_SMOOTH = 100,                     // geometry part
    RT_PLAIN = 0, RT_PLANAR = 10, RT_SPHERICAL = 20,     // material part: colour, maps
    RT_CYLINDRICAL = 30, RT_REFLECTION = 40, RT_TRANSPARENT = 50,
};
// The material part of a render type.
inline int rtpart(int type) { return type % 100; }

// One edge of a merged entry's current triangle on the screen, from corner
// i to corner j (edges 0, 1, 2: corners 1-2, 1-3, 2-3), with what the merge
// selection's tests take from it, made once for the triangle when a test
// first needs them:
// the line y = a x + b and the depth z = c x + d along it (z = c y + d when
// the edge is vertical) for the crossing test; the line y = pa x + pb and
// the third corner's side of it (above, or right of a vertical edge) for
// the point-in-triangle test.
struct mrgedge_s {
    float x1, y1, z1, x2, y2, z2;
    float xmin, xmax, ymin, ymax;
    float a, b, c, d;
    float pa, pb;
    int ix1, ix2;
    bool vert, cside;
};

struct mem_render_entry_s {
    int type;         // render type: geometry part + material part (RT_*)
    int off_screen;
    vas *points;      // entry-owned top blocks; lower levels are the geometry's
    vas *triangles;
    vas *ddh;
    int no_ddh;
    int rend_mode;
    float xmin, ymin, zmin, xmax, ymax, zmax;
    int sxmax, symax, sxmin, symin;
    float vzmin, vzmax;
    mem_render_entry_s *next_group, *next_entry, *last_entry;
    int processed;
    int grp_sxmax, grp_symax, grp_sxmin, grp_symin;
    float grp_vzmin, grp_vzmax;
    // Current-triangle cache of the frame renderer (merged groups).
    int currtri;
    float ux1, uy1, uz1, ux2, uy2, uz2, ux3, uy3, uz3;
    float vx1, vy1, vz1, vx2, vy2, vz2, vx3, vy3, vz3;
    float wnx, wny, wnz, xpx;
    int sx1, sy1, sx2, sy2, sx3, sy3;
    mrgedge_s edge[3];
    uint8_t edgesmade;   // the parts of edge[] made for the current triangle
    float txmin, txmax;  // its x span on the screen (made with the side parts)
    bool tvert;          // whether an edge of it is vertical there (the same)
    int sn1, sn2, sn3;
    int hl1, hl2, hl3;
    int stx1, sty1, stx2, sty2, stx3, sty3;
    // Highlight and mapping rows.
    float hc11, hc21, hc31, hc41;
    float rc11, rc21, rc31, rc41;
    float tc11, tc21, tc31, tc41;
    float zc11, zc21, zc31, zc41;
    mem_object_header_s *geometry;
    mem_object_header_s *texture;
    uint8_t transctr;
};

// ---------------------------------------------------------------------------
// Flat copies of the geometries for the frame renderer's loops
// ---------------------------------------------------------------------------

// A triangle as the frame renderer walks it: its point numbers and its face
// plane, the unit normal of the cross product of the edges from point 1 to
// points 2 and 3, and the plane constant (that normal . point 1). A
// triangle whose points span no plane, or whose plane is not finite, has
// xpx = NaN: the back-face test (normal . camera > xpx) then never draws it.
struct mem_flattri_s {
    int pt1, pt2, pt3;
    float wnx, wny, wnz, xpx;
};

// A geometry's points and triangles in two arrays, made when the scene is
// loaded, beside the store's records (which the rest of the program keeps
// reading). Points of a faceted geometry have zero normals; its triangles'
// stored normals are in `normals`, three floats per triangle.
struct mem_flatgeo_s {
    const mem_object_header_s *geometry;   // the object copied
    std::vector<points_s> points;
    std::vector<mem_flattri_s> triangles;
    std::vector<float> normals;
};
struct flatgeo_a { mem_flatgeo_s *p[32]; };

// ---------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------

// The object store: every object in file order, and the numbered indexes.
inline vas objs, geos, texs, maps, inss;
inline int file_no_obj;
inline mem_object_header_s *ohap;   // current object of the loader

// The flat copies of the store's geometries, by geometry number like geos.
inline vas flats;

// The render list storage and its entry count for the current frame.
inline vas renl;
inline int renlent;

// Camera, light and background settings, set from the scene file.
inline float camx = 1, camy = 1, camz = 1, tarx, tary, tarz, focl = 1.93f;
inline float CamRotRate, CamPanRate, CamZoomRate, CamFHeight = 1.7f;
inline int movem;
inline float ltal, ltaz;
inline int sbackground;
inline int bgred, bggreen, bgblue;

// The background bitmap, shared with reflective materials: its file name
// (from the paths of the last load) and, once read, its block.
inline std::string bgmapname;
inline BITMAPINFOHEADER *bgmapraw;

// Scene files built into the program, found by name when no file of that
// name can be opened (see findresource).
inline const dib_resource *scene_resources = nullptr;
inline int scene_nresources = 0;

// Read buffer of the loader: a geometry's point or triangle block must fit.
constexpr int readbuf_size = 640000;

// Messages the material tables had for the user while the last file was
// loaded (see load_result::notes); calctext adds to them.
struct load_note {
    std::string text, caption;
};
inline std::vector<load_note> loadnotes;

// Separator between a folder and a file name in composed paths.
#ifdef _WIN32
constexpr char pathsep = '\\';
#else
constexpr char pathsep = '/';
#endif

// ---------------------------------------------------------------------------
// Routines
// ---------------------------------------------------------------------------

// Where the loader looks for the files a scene names.
struct scene_paths {
    std::string folder;       // the scene file's own folder, with its trailing separator (or empty)
    std::string mapsdir;      // the maps folder of the settings
    std::string background;   // the background bitmap, which reflective materials reflect
};

// What a load came to.
enum : int { load_ok = 0, load_cannot_open = 1, load_malformed = 2, load_missing_map = 3 };
struct load_result {
    int code = load_ok;
    // The scene file; for load_missing_map the map's name as the scene
    // stores it.
    std::string file;
    // What is wrong: for load_malformed the file, object index, byte offset
    // and fault; for load_missing_map "File <name> not found".
    std::string message;
    // References of the loaded store that name nothing (see danglingrefs).
    std::vector<std::string> warnings;
    // Message boxes for the user that did not stop the load, in order: a
    // map that is not a 24-bit bitmap, a reflection whose background is
    // missing.
    std::vector<load_note> notes;
};

// Loads a scene file (or a built-in one of that name) into the store,
// freeing what it held first. A map the file names is looked for under
// its name as stored, then in paths.folder, then in paths.mapsdir. On any
// code but load_ok the store is left empty; for load_cannot_open it is
// left as it was.
load_result readfile(const char *inpfn, const scene_paths &paths);
void deletefilestruct();
void deleterenlstruct();
// Builds the tables of the material `ohap`; a reflection reads the
// background bitmap bgmapname when bgmapraw is not read yet. Messages for
// the user go to loadnotes.
void calctext();

// The flat copy of geometry object `go`, made now if the store has none
// (a store filled by hand); null when `go` is not a geometry, lacks a table
// or a record, or memory runs out.
const mem_flatgeo_s *flatgeo(const mem_object_header_s *go);
// Makes the flat copy of every geometry the store indexes (readfile does at
// the end of a load); throws std::bad_alloc when memory runs out.
void makeflats();
// Frees the flat copies (deletefilestruct does).
void deleteflats();

// Store lookups by number; null when the index holds nothing.
mem_object_header_s *geo_by_no(int no);
mem_object_header_s *tex_by_no(int no);
mem_object_header_s *map_by_no(int no);
mem_object_header_s *ins_by_no(int no);
mem_object_header_s *obj_at(int i);

// References of the loaded store that name nothing (a geometry's missing
// material, an instance's missing geometry, a material's missing map), one
// line each. They are not fatal: what they name is skipped when drawing.
std::vector<std::string> danglingrefs();

// Start values of everything this subsystem holds: the store, the render
// list and the background bitmap freed, the camera, light and background
// settings as before any scene, no messages. The built-in files stay
// installed.
void reset_scene();

}  // namespace vortella
