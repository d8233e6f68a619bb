#include "authoring/demokit.h"

#include "authoring/ddh.h"

namespace vortella::demokit {

material_desc mat(int no, const char *name, uint8_t r, uint8_t g, uint8_t b) {
    material_desc m;
    m.name = name;
    m.texture_no = no;
    m.red = r;
    m.green = g;
    m.blue = b;
    m.ambient = 1;
    m.diffuse = 0;
    m.brilliance = 0.25f;
    m.highlight = 1;
    m.highlights = 1;
    return m;
}

geometry_desc &geo(scene_desc &s, geometry_desc g, const char *name, int rend_mode, bool repaired) {
    g.name = name;
    g.rend_mode = rend_mode;
    if (repaired)
        build_ddh(g, g.triangles.size() < 150 ? 1 : 0);
    else
        build_ddh_sorted(g);
    return s.add(g);
}

camera_desc cam(float x, float y, float z, float tx, float ty, float tz, float focl) {
    camera_desc c;
    c.name = "camera";
    c.x = x, c.y = y, c.z = z;
    c.targx = tx, c.targy = ty, c.targz = tz;
    c.foc_len = focl;
    return c;
}

scene_settings_desc settings(const char *title, int background, uint8_t r, uint8_t g, uint8_t b) {
    scene_settings_desc set;
    set.title = title;
    set.background_type = background;
    set.red = r;
    set.green = g;
    set.blue = b;
    return set;
}

}  // namespace vortella::demokit
