// Writing 8-bit palette pictures: BMP, PNG and animated GIF.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/palette.h"

namespace vortella {

// A picture to write: w x h palette indices, row y (top row first) at
// pix + y * stride, with its 256-entry palette.
struct pic8 {
    const uint8_t *pix;
    int w, h, stride;
    const PALETTEENTRY *pal;
};

// An 8-bit BMP with the 256-entry colour table.
bool write_bmp8(const std::string &path, const pic8 &p, std::string *err);
// A palettised PNG.
bool write_png8(const std::string &path, const pic8 &p, std::string *err);
// Writes by the file's extension: .bmp, .png or .gif (a single frame).
bool write_pic8(const std::string &path, const pic8 &p, std::string *err);

// An animated GIF, written frame by frame; every frame has the size and
// palette given to open().
struct gif_writer {
    gif_writer() = default;
    gif_writer(const gif_writer &) = delete;
    gif_writer &operator=(const gif_writer &) = delete;
    ~gif_writer();

    bool open(const std::string &path, int w, int h, const PALETTEENTRY *pal, std::string *err);
    // Adds a frame shown for `delay_cs` hundredths of a second.
    bool frame(const uint8_t *pix, int stride, int delay_cs, std::string *err);
    bool close(std::string *err);

    void *gif = nullptr;
    int w = 0, h = 0;
    std::string path;
};

}  // namespace vortella
