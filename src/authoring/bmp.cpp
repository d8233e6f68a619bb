#include "authoring/bmp.h"

#include "authoring/bytes.h"

namespace vortella {

std::vector<uint8_t> bmp_bytes(int w, int h, int bits, const uint8_t (*palette)[4],
                               const std::function<void(int y, uint8_t *dst)> &row) {
    const uint32_t used = static_cast<uint32_t>(w) * static_cast<uint32_t>(bits / 8);
    const uint32_t stride = (used + 3) & ~3u;
    const uint32_t image = stride * static_cast<uint32_t>(h);
    const uint32_t colours = palette ? 256 : 0;
    const uint32_t off = 14 + 40 + colours * 4;
    std::vector<uint8_t> b;
    b.reserve(off + image);
    b.push_back('B');
    b.push_back('M');
    put_le(b, off + image, 4);   // file size
    put_le(b, 0, 4);             // reserved
    put_le(b, off, 4);           // offset of the bits
    put_le(b, 40, 4);
    put_le(b, static_cast<uint32_t>(w), 4);
    put_le(b, static_cast<uint32_t>(h), 4);   // bottom-up rows
    put_le(b, 1, 2);
    put_le(b, static_cast<uint32_t>(bits), 2);
    put_le(b, 0, 4);   // uncompressed
    put_le(b, image, 4);
    put_le(b, 2835, 4);   // 72 dpi
    put_le(b, 2835, 4);
    put_le(b, colours, 4);
    put_le(b, 0, 4);
    for (uint32_t i = 0; i < colours; ++i) b.insert(b.end(), palette[i], palette[i] + 4);
    std::vector<uint8_t> r(stride, 0);
    for (int y = h - 1; y >= 0; --y) {   // bottom row first
        row(y, r.data());
        b.insert(b.end(), r.begin(), r.end());
    }
    return b;
}

std::vector<uint8_t> bmp24(const rgbimage &img) {
    return bmp_bytes(img.w, img.h, 24, nullptr, [&](int y, uint8_t *dst) {
        for (int x = 0; x < img.w; ++x) {
            const uint8_t *p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
            dst[3 * x] = p[2];
            dst[3 * x + 1] = p[1];
            dst[3 * x + 2] = p[0];
        }
    });
}

bool write_bmp24(const rgbimage &img, const std::string &path, std::string *err) {
    return write_bytes(path, bmp24(img), err);
}

}  // namespace vortella
