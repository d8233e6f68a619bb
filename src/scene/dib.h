// Packed device-independent bitmaps: one global memory block holding the
// 40-byte info header, the colour table and the pixel bits, contiguous.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace vortella {

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "info header must be 40 bytes");

struct RGBQUAD {
    uint8_t rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;

// Largest packed DIB the reader accepts; anything bigger is treated as a
// damaged header rather than allocated.
constexpr size_t dib_max_bytes = 64u << 20;

// A byte source: an open file, or bytes built into the program. Reads and
// seeks behave like the C stream functions.
struct dibsrc {
    std::FILE *f = nullptr;
    const uint8_t *mem = nullptr;
    size_t size = 0, pos = 0;

    size_t read(void *dst, size_t n);
    long tell() const;
    bool seek(long off);
};

// A file built into the program, looked up by name when no file of that
// name can be opened: a whole BMP file, or a whole scene file. Files that
// are made by code rather than stored carry `make` instead of bytes: it
// makes them on first use (once, safe from several threads) and returns
// them, so a program that plays one built-in scene makes only that one.
struct dib_resource {
    const char *name;
    const uint8_t *data;
    size_t size;
    const std::vector<uint8_t> &(*make)() = nullptr;
};

// The bytes of a built-in file, made first where they are made on use.
void resource_bytes(const dib_resource &r, const uint8_t **data, size_t *size);

// The table of built-in bitmaps (empty until the application installs one).
inline const dib_resource *dib_resources = nullptr;
inline int dib_nresources = 0;

// The entry of table t (n entries) for a file name: the whole name first,
// then its last component, both without regard to case (file names on the
// original platform ignore it). Null when there is none.
const dib_resource *findresource(const dib_resource *t, int n, const char *name);

BITMAPINFOHEADER *DibOpenFile(const char *szFile);
BITMAPINFOHEADER *DibReadBitmapInfo(dibsrc *fh);
BITMAPINFOHEADER *DibCreate(int bits, int dx, int dy);

// Frees a packed DIB through its global memory handle (unlock, free).
void DibFree(BITMAPINFOHEADER *pdib);

// Helpers over a packed DIB: number of colour-table entries, bytes per row
// and the address of the pixel bits.
int DibNumColors(const BITMAPINFOHEADER *pdib);
int DibRowBytes(const BITMAPINFOHEADER *pdib);
uint8_t *DibBits(BITMAPINFOHEADER *pdib);
// True for a bitmap that texture tables can address: 24 bits per pixel,
// uncompressed, at least one pixel, all rows inside the block.
bool DibIsTexture(const BITMAPINFOHEADER *pdib);

}  // namespace vortella
