// Reading BMP files into packed DIBs, and making empty ones.
//
// A BMP file is untrusted input: every header field that decides how much is
// read or allocated is checked, so that a damaged file fails with null
// instead of over-reading or allocating without bound.
#include "scene/dib.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/gmem.h"

namespace vortella {

size_t dibsrc::read(void *dst, size_t n) {
    if (f) return std::fread(dst, 1, n, f);
    size_t k = pos < size ? size - pos : 0;
    if (k > n) k = n;
    if (k) std::memcpy(dst, mem + pos, k);
    pos += k;
    return k;
}

long dibsrc::tell() const { return f ? std::ftell(f) : static_cast<long>(pos); }

bool dibsrc::seek(long off) {
    if (off < 0) return false;
    if (f) return std::fseek(f, off, SEEK_SET) == 0;
    pos = static_cast<size_t>(off);
    return true;
}

namespace {

uint16_t le16(const uint8_t *b) { return static_cast<uint16_t>(b[0] | b[1] << 8); }
uint32_t le32(const uint8_t *b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

int64_t absh(int32_t h) { return h < 0 ? -int64_t(h) : int64_t(h); }

// Bytes of one row of pixels, rows padded to 4 bytes.
int64_t rowbytes(int64_t w, int bits) { return ((w * bits + 31) & ~int64_t(31)) / 8; }

// Reads a whole BMP from an open source into a packed DIB.
BITMAPINFOHEADER *readdib(dibsrc *src) {
    BITMAPINFOHEADER *pdib = DibReadBitmapInfo(src);
    if (!pdib) return nullptr;
    size_t head = static_cast<size_t>(DibBits(pdib) - reinterpret_cast<uint8_t *>(pdib));
    size_t full = head + pdib->biSizeImage;
    HGLOBAL h = GlobalHandle(pdib);
    GlobalUnlock(h);
    HGLOBAL h2 = GlobalReAlloc(h, full, GMEM_MOVEABLE);
    if (!h2) {
        GlobalFree(h);
        return nullptr;
    }
    pdib = static_cast<BITMAPINFOHEADER *>(GlobalLock(h2));
    uint8_t *bits = reinterpret_cast<uint8_t *>(pdib) + head;
    if (src->read(bits, pdib->biSizeImage) != pdib->biSizeImage) {
        GlobalUnlock(h2);
        GlobalFree(h2);
        return nullptr;
    }
    return pdib;
}

bool sameiname(const char *a, const char *b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

const char *basename_of(const char *p) {
    const char *b = p;
    for (const char *q = p; *q; ++q)
        if (*q == '/' || *q == '\\') b = q + 1;
    return b;
}

}  // namespace

const dib_resource *findresource(const dib_resource *t, int n, const char *name) {
    if (!t || !name) return nullptr;
    for (int i = 0; i < n; ++i)
        if (sameiname(t[i].name, name)) return &t[i];
    const char *base = basename_of(name);
    for (int i = 0; i < n; ++i)
        if (sameiname(basename_of(t[i].name), base)) return &t[i];
    return nullptr;
}

void resource_bytes(const dib_resource &r, const uint8_t **data, size_t *size) {
    if (r.make) {
        const std::vector<uint8_t> &b = r.make();
        *data = b.data();
        *size = b.size();
    } else {
        *data = r.data;
        *size = r.size;
    }
}

BITMAPINFOHEADER *DibOpenFile(const char *szFile) {
    if (!szFile || !*szFile) return nullptr;
    std::FILE *f = std::fopen(szFile, "rb");
#ifndef _WIN32
    // Scenes made on systems with backslash separators name maps that way.
    if (!f && std::strchr(szFile, '\\')) {
        std::string s(szFile);
        for (char &c : s)
            if (c == '\\') c = '/';
        f = std::fopen(s.c_str(), "rb");
    }
#endif
    if (f) {
        dibsrc src;
        src.f = f;
        BITMAPINFOHEADER *pdib = readdib(&src);
        std::fclose(f);
        return pdib;
    }
    if (const dib_resource *r = findresource(dib_resources, dib_nresources, szFile)) {
        dibsrc src;
        resource_bytes(*r, &src.mem, &src.size);
        return readdib(&src);
    }
    return nullptr;
}

BITMAPINFOHEADER *DibReadBitmapInfo(dibsrc *fh) {
    if (!fh || (!fh->f && !fh->mem)) return nullptr;
    long p = fh->tell();
    if (p < 0) return nullptr;

    uint8_t fhdr[14];
    if (fh->read(fhdr, 14) != 14) return nullptr;
    long offbits = 0;
    if (fhdr[0] == 'B' && fhdr[1] == 'M') {
        offbits = static_cast<long>(le32(fhdr + 10));
        if (offbits < 0) return nullptr;
    } else if (!fh->seek(p)) {
        return nullptr;
    }
    long hstart = fh->tell();

    uint8_t ih[40];
    if (fh->read(ih, 40) != 40) return nullptr;
    BITMAPINFOHEADER bi{};
    const uint32_t hsize = le32(ih);
    const bool core = hsize == 12;
    if (core) {
        bi.biSize = 40;
        bi.biWidth = le16(ih + 4);
        bi.biHeight = le16(ih + 6);
        bi.biPlanes = le16(ih + 8);
        bi.biBitCount = le16(ih + 10);
        if (!fh->seek(hstart + 12)) return nullptr;
    } else if (hsize >= 40 && hsize <= 124) {
        // Newer headers extend the 40-byte one; their extra fields are
        // skipped and the block holds the plain info header.
        bi.biSize = 40;
        bi.biWidth = static_cast<int32_t>(le32(ih + 4));
        bi.biHeight = static_cast<int32_t>(le32(ih + 8));
        bi.biPlanes = le16(ih + 12);
        bi.biBitCount = le16(ih + 14);
        bi.biCompression = le32(ih + 16);
        bi.biSizeImage = le32(ih + 20);
        bi.biXPelsPerMeter = static_cast<int32_t>(le32(ih + 24));
        bi.biYPelsPerMeter = static_cast<int32_t>(le32(ih + 28));
        bi.biClrUsed = le32(ih + 32);
        bi.biClrImportant = le32(ih + 36);
        if (hsize > 40 && !fh->seek(hstart + static_cast<long>(hsize))) return nullptr;
    } else {
        return nullptr;
    }

    // Sizes that cannot describe a real bitmap are refused before anything
    // is computed from them.
    const int bc = bi.biBitCount;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return nullptr;
    if (bi.biWidth <= 0 || bi.biHeight == 0 || bi.biHeight == INT32_MIN) return nullptr;
    if (bi.biCompression > BI_BITFIELDS) return nullptr;
    if (bi.biClrUsed > 256) return nullptr;
    const int64_t minimage = rowbytes(bi.biWidth, bc) * absh(bi.biHeight);
    if (minimage > int64_t(dib_max_bytes)) return nullptr;

    // Bit-field bitmaps carry three 4-byte colour masks where others carry
    // their colour table.
    const bool masks = bi.biCompression == BI_BITFIELDS;
    if (masks && (core || (bc != 16 && bc != 32))) return nullptr;
    if (masks) bi.biClrUsed = 0;
    int n = masks ? 3 : bi.biClrUsed ? int(bi.biClrUsed) : (bc <= 8 ? 1 << bc : 0);
    if (bi.biSizeImage == 0) bi.biSizeImage = static_cast<uint32_t>(minimage);
    // Uncompressed pixels fill whole rows: a smaller stated size would let
    // readers of the rows run past the block.
    if ((bi.biCompression == BI_RGB || bi.biCompression == BI_BITFIELDS) && bi.biSizeImage < minimage)
        bi.biSizeImage = static_cast<uint32_t>(minimage);
    if (bi.biSizeImage > dib_max_bytes) return nullptr;
    if (bi.biClrUsed == 0 && bc <= 8) bi.biClrUsed = 1u << bc;

    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bi.biSize + 4 * size_t(n));
    if (!h) return nullptr;
    auto *pdib = static_cast<BITMAPINFOHEADER *>(GlobalLock(h));
    *pdib = bi;
    uint8_t *ct = reinterpret_cast<uint8_t *>(pdib) + bi.biSize;
    if (n > 0) {
        if (core) {
            // Three-byte entries, widened in place from the last one down.
            if (fh->read(ct, 3 * size_t(n)) != 3 * size_t(n)) goto fail;
            for (int i = n - 1; i >= 0; --i) {
                uint8_t b = ct[3 * i], g = ct[3 * i + 1], r = ct[3 * i + 2];
                ct[4 * i] = b;
                ct[4 * i + 1] = g;
                ct[4 * i + 2] = r;
                ct[4 * i + 3] = 0;
            }
        } else if (fh->read(ct, 4 * size_t(n)) != 4 * size_t(n)) {
            goto fail;
        }
    }
    if (offbits && !fh->seek(p + offbits)) goto fail;
    return pdib;
fail:
    GlobalUnlock(h);
    GlobalFree(h);
    return nullptr;
}

BITMAPINFOHEADER *DibCreate(int bits, int dx, int dy) {
    if (bits <= 0 || bits > 32 || dx <= 0 || dy <= 0) return nullptr;
    int64_t image = ((int64_t(dx) * bits) / 8 + 3) / 4 * 4 * dy;
    if (image > int64_t(dib_max_bytes)) return nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size_t(image) + 1064);
    if (!h) return nullptr;
    auto *pdib = static_cast<BITMAPINFOHEADER *>(GlobalLock(h));
    pdib->biSize = 40;
    pdib->biWidth = dx;
    pdib->biHeight = dy;
    pdib->biPlanes = 1;
    pdib->biBitCount = static_cast<uint16_t>(bits);
    pdib->biCompression = BI_RGB;
    pdib->biSizeImage = static_cast<uint32_t>(image);
    return pdib;
}


int DibNumColors(const BITMAPINFOHEADER *pdib) {
    if (pdib->biClrUsed) return static_cast<int>(pdib->biClrUsed);
    return pdib->biBitCount <= 8 ? 1 << pdib->biBitCount : 0;
}

int DibRowBytes(const BITMAPINFOHEADER *pdib) {
    return static_cast<int>(rowbytes(pdib->biWidth, pdib->biBitCount));
}

uint8_t *DibBits(BITMAPINFOHEADER *pdib) {
    uint8_t *base = reinterpret_cast<uint8_t *>(pdib) + pdib->biSize;
    if (pdib->biCompression == BI_BITFIELDS) return base + 12;
    return base + 4 * size_t(pdib->biClrUsed);
}

bool DibIsTexture(const BITMAPINFOHEADER *pdib) {
    if (!pdib || pdib->biBitCount != 24 || pdib->biCompression != BI_RGB) return false;
    if (pdib->biWidth <= 0 || pdib->biHeight == 0 || pdib->biHeight == INT32_MIN) return false;
    return int64_t(pdib->biSizeImage) >= rowbytes(pdib->biWidth, 24) * absh(pdib->biHeight);
}

}  // namespace vortella
