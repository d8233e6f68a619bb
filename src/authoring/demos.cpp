#include "authoring/demos.h"

#include <filesystem>
#include <mutex>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/primitives.h"
#include "authoring/writer.h"
#include "scene/dib.h"
#include "scene/scene.h"

namespace vortella {

const demo_scene demo_scenes[] = {
    {"ORBIT.VTL", "Orbit", "1,480,360,2,1,1,0,0,1,20,45,1,45"},
    {"CHROME.VTL", "Chrome", "2,480,360,2,1,1,0,0,1,20,45,1,45"},
    {"GLASS.VTL", "Glass", "3,480,360,2,1,1,0,0,1,20,45,1,45"},
    {"TANGLE.VTL", "Tangle", "1,480,360,2,1,1,0,0,1,20,45,1,45"},
};
const int demo_scene_count = sizeof demo_scenes / sizeof demo_scenes[0];
const char *const demo_background = "BGROUND.BMP";

namespace {

struct builtfile {
    std::string name;
    std::vector<uint8_t> bytes;
};

struct demoset {
    std::vector<builtfile> scenes, maps;
    std::vector<dib_resource> scenetab, maptab;
};

demoset &demos() {
    static demoset d;
    static std::once_flag once;
    std::call_once(once, [] {
        const uint8_t a[3] = {240, 240, 230}, b[3] = {200, 40, 40};
        d.maps.push_back({"checker.bmp", bmp24(make_checker(128, 64, 8, a, b))});
        d.maps.push_back({demo_background, bmp24(make_checker(256, 128, 8, b, a))});
        for (int i = 0; i < demo_scene_count; ++i)
            d.scenes.push_back({demo_scenes[i].name, write_scene(sample_scene("checker.bmp"))});
        for (const builtfile &f : d.scenes) d.scenetab.push_back({f.name.c_str(), f.bytes.data(), f.bytes.size()});
        for (const builtfile &f : d.maps) d.maptab.push_back({f.name.c_str(), f.bytes.data(), f.bytes.size()});
    });
    return d;
}

}  // namespace

void install_demos() {
    demoset &d = demos();
    scene_resources = d.scenetab.data();
    scene_nresources = static_cast<int>(d.scenetab.size());
    dib_resources = d.maptab.data();
    dib_nresources = static_cast<int>(d.maptab.size());
}

bool write_demos(const std::string &dir, std::string *err) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    demoset &d = demos();
    for (const auto *list : {&d.scenes, &d.maps})
        for (const builtfile &f : *list) {
            const std::string path = dir + "/" + f.name;
            std::FILE *out = std::fopen(path.c_str(), "wb");
            bool ok = out && std::fwrite(f.bytes.data(), 1, f.bytes.size(), out) == f.bytes.size();
            if (out) ok = std::fclose(out) == 0 && ok;
            if (!ok) {
                if (err) *err = path + ": cannot write";
                return false;
            }
        }
    return true;
}

}  // namespace vortella
