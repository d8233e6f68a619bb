// Helpers shared by the tests: temporary folders, file bytes, a fixture that
// leaves the global store as it found it, and small scenes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/headless.h"
#include "scene/scene.h"
#include "authoring/writer.h"

namespace vortella::test {

// A fresh folder under the system's temporary folder, removed with its
// files at the end of the test.
struct tempdir {
    std::string path;
    tempdir();
    ~tempdir();
    std::string file(const std::string &name) const { return path + "/" + name; }
};

std::vector<uint8_t> readbytes(const std::string &path);
std::string readtext(const std::string &path);
void writebytes(const std::string &path, const std::vector<uint8_t> &b);

// Writes a w x h two-colour checkerboard BMP to `path`, making its folder.
void writemap(const std::string &path, int w, int h);

// A drawn instance numbered 1 of the given geometries.
instance_desc drawn(std::vector<int> geoms, int rend_mode = 0);

// Starts from the renderer's state as a fresh process has it, with the maps
// looked for beside the scene and in the temporary folder's maps/ folder;
// at the end releases the picture and the scene and checks that no bitmap
// block was left behind.
class store_test : public ::testing::Test {
protected:
    tempdir dir;
    // Where loads look: the temporary folder, its maps/ folder and
    // maps/BGROUND.BMP as the background.
    scene_paths paths;
    // What the last load came to.
    load_result last;
    int blocks0 = 0;
    void SetUp() override;
    void TearDown() override;

    // Writes `s` into the temporary folder and loads it; the load's code.
    int load(const scene_desc &s, const std::string &name = "scene.vtl");
    int loadbytes(const std::vector<uint8_t> &b, const std::string &name = "scene.vtl");
    // Loads a file (or a built-in scene) by name with `paths`.
    int loadfile(const char *name);
};

// The smallest drawable scene: one faceted triangle (depth table 0 lists it),
// one material, one drawn instance: 420 bytes.
scene_desc tiny_scene();

// A scene with one object of every kind, including a textured and a
// reflective material whose maps are written into `dir`.
scene_desc every_kind_scene(const tempdir &dir);

}  // namespace vortella::test
