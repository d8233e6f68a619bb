// Writing 24-bit BMP files: the texture maps and backgrounds that scenes
// name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vortella {

// A 24-bit picture in memory: rgb[(y * w + x) * 3 + {0,1,2}] = red, green,
// blue; row 0 is the top row.
struct rgbimage {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};

// The bytes of a bottom-up 24-bit BMP file with file header and 40-byte info
// header.
std::vector<uint8_t> bmp24(const rgbimage &img);

// Writes bmp24(img) to `path`; false with `err` set on failure.
bool write_bmp24(const rgbimage &img, const std::string &path, std::string *err);

}  // namespace vortella
