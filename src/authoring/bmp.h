// Writing 24-bit BMP files: the texture maps and backgrounds that scenes
// name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vortella {

// A 24-bit picture in memory: rgb[(y * w + x) * 3 + {0,1,2}] = red, green,
// blue; row 0 is the top row.
struct rgbimage {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
};

// The bytes of a BMP file of w x h pixels, rows bottom-up, with the file
// header and a 40-byte info header: 24 bits per pixel without a colour
// table, or 8 with the 256 entries of `palette` (blue, green, red, 0).
// `row(y, dst)` writes row y (0 is the top row) as the file stores it, w
// pixels of bits / 8 bytes; the padding to 4 bytes is zero.
std::vector<uint8_t> bmp_bytes(int w, int h, int bits, const uint8_t (*palette)[4],
                               const std::function<void(int y, uint8_t *dst)> &row);

// The bytes of a bottom-up 24-bit BMP file of `img`.
std::vector<uint8_t> bmp24(const rgbimage &img);

// Writes bmp24(img) to `path`; false with `err` set on failure.
bool write_bmp24(const rgbimage &img, const std::string &path, std::string *err);

}  // namespace vortella
