#include "authoring/bmp.h"

#include <cstdio>

namespace vortella {

namespace {
void le(std::vector<uint8_t> &b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

std::vector<uint8_t> bmp24(const rgbimage &img) {
    const uint32_t row = (static_cast<uint32_t>(img.w) * 3 + 3) & ~3u;
    const uint32_t image = row * static_cast<uint32_t>(img.h);
    std::vector<uint8_t> b;
    b.reserve(54 + image);
    b.push_back('B');
    b.push_back('M');
    le(b, 54 + image, 4);   // file size
    le(b, 0, 4);            // reserved
    le(b, 54, 4);           // offset of the bits
    le(b, 40, 4);
    le(b, static_cast<uint32_t>(img.w), 4);
    le(b, static_cast<uint32_t>(img.h), 4);
    le(b, 1, 2);
    le(b, 24, 2);
    le(b, 0, 4);   // uncompressed
    le(b, image, 4);
    le(b, 2835, 4);   // 72 dpi
    le(b, 2835, 4);
    le(b, 0, 4);
    le(b, 0, 4);
    for (int y = img.h - 1; y >= 0; --y) {   // bottom row first
        for (int x = 0; x < img.w; ++x) {
            const uint8_t *p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
            b.push_back(p[2]);
            b.push_back(p[1]);
            b.push_back(p[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(img.w) * 3; pad < row; ++pad) b.push_back(0);
    }
    return b;
}

bool write_bmp24(const rgbimage &img, const std::string &path, std::string *err) {
    std::vector<uint8_t> b = bmp24(img);
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (err) *err = path + ": cannot create the file";
        return false;
    }
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok && err) *err = path + ": write failed";
    return ok;
}

}  // namespace vortella
