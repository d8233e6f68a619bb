// Reading BMP files: header variants, computed sizes, damaged headers, the
// built-in bitmap table, and the global memory blocks under them.
#include <gtest/gtest.h>

#include <cstring>

#include "authoring/bmp.h"
#include "scene/dib.h"
#include "scene/gmem.h"
#include "support/testutil.h"

namespace vortella {
namespace {

// BMP bytes assembled field by field.
struct bmpbytes {
    std::vector<uint8_t> b;
    bmpbytes &u16(int v) { return fill(1, uint8_t(v)).fill(1, uint8_t(v >> 8)); }
    bmpbytes &u32(uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    bmpbytes &filehdr(uint32_t offbits) { return u16(0x4D42).u32(0).u32(0).u32(offbits); }
    bmpbytes &info(int32_t w, int32_t h, int bits, uint32_t compression = 0, uint32_t image = 0,
                   uint32_t clrused = 0) {
        return u32(40).u32(static_cast<uint32_t>(w)).u32(static_cast<uint32_t>(h)).u16(1).u16(bits)
            .u32(compression).u32(image).u32(0).u32(0).u32(clrused).u32(0);
    }
    bmpbytes &fill(size_t n, uint8_t v) {
        b.insert(b.end(), n, v);
        return *this;
    }
};

// Bitmaps opened through `open` are freed at the end of the test, which then
// checks that no block is left.
class Dib : public ::testing::Test {
protected:
    test::tempdir dir;
    int blocks0 = GlobalCount();
    std::vector<BITMAPINFOHEADER *> opened;
    void TearDown() override {
        for (BITMAPINFOHEADER *p : opened) DibFree(p);
        EXPECT_EQ(GlobalCount(), blocks0) << "blocks left behind";
    }
    BITMAPINFOHEADER *open(const std::vector<uint8_t> &b) {
        test::writebytes(dir.file("t.bmp"), b);
        opened.push_back(DibOpenFile(dir.file("t.bmp").c_str()));
        return opened.back();
    }
};

TEST_F(Dib, WrittenBitmapReadsBackPixelForPixel) {
    rgbimage img;
    img.w = 5, img.h = 3;
    for (int i = 0; i < 45; ++i) img.rgb.push_back(static_cast<uint8_t>(i * 5));
    BITMAPINFOHEADER *p = open(bmp24(img));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<int>{int(p->biSize), p->biWidth, p->biHeight}), (std::vector<int>{40, 5, 3}));
    EXPECT_EQ(DibRowBytes(p), 16);
    EXPECT_TRUE(DibIsTexture(p));
    // No colour table: the bits start right after the header. Row 0 is the
    // bottom row of the picture, stored blue, green, red.
    EXPECT_EQ(DibBits(p), reinterpret_cast<uint8_t *>(p) + 40);
    const uint8_t *px = DibBits(p) + 3;   // bottom row, column 1
    const uint8_t *want = &img.rgb[(2 * 5 + 1) * 3];
    EXPECT_EQ(px[0], want[2]);
    EXPECT_EQ(px[1], want[1]);
    EXPECT_EQ(px[2], want[0]);
}

TEST_F(Dib, HeaderVariantsLoad) {
    struct {
        const char *what;
        std::vector<uint8_t> b;
        int height;
        uint32_t image;   // the computed or grown image size
        ptrdiff_t bits;   // where the bits start after the header
        uint8_t first, last;
    } cases[] = {
        // 101 x 10 at 24 bits: rows of 303 bytes padded to 304.
        {"no file header, image size 0", bmpbytes().info(101, 10, 24).fill(3040, 9).b, 10, 3040, 40, 9, 9},
        {"bits at the stated offset", bmpbytes().filehdr(100).info(1, 1, 24).fill(46, 0xEE).fill(4, 0x11).b, 1, 4,
         40, 0x11, 0x11},
        {"top-down", bmpbytes().filehdr(54).info(2, -2, 24).fill(16, 3).b, -2, 16, 40, 3, 3},
        // The extra fields of a 124-byte header are skipped.
        {"124-byte header", bmpbytes().filehdr(14 + 124).u32(124).u32(1).u32(1).u16(1).u16(24).fill(24, 0)
             .fill(84, 0xAB).fill(1, 0x42).fill(3, 0x43).b, 1, 4, 40, 0x42, 0x43},
        // An understated image must not let row readers run past the block.
        {"stated image smaller than its rows", bmpbytes().filehdr(54).info(4, 4, 24, 0, 8).fill(48, 1).b, 4, 48, 40,
         1, 1},
        {"bit field masks before the bits", bmpbytes().filehdr(66).info(1, 1, 32, 3).u32(0xFF0000).u32(0xFF00)
             .u32(0xFF).u32(0x01020304).b, 1, 4, 52, 0x04, 0x01},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        BITMAPINFOHEADER *p = open(c.b);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->biSize, 40u);
        EXPECT_EQ(p->biHeight, c.height);
        EXPECT_EQ(p->biSizeImage, c.image);
        EXPECT_EQ(DibIsTexture(p), p->biBitCount == 24);
        EXPECT_EQ(DibBits(p) - reinterpret_cast<uint8_t *>(p), c.bits);
        EXPECT_EQ(DibBits(p)[0], c.first);
        EXPECT_EQ(DibBits(p)[c.image - 1], c.last);
    }
}

TEST_F(Dib, CoreHeaderWidensItsColourTable) {
    bmpbytes m;
    m.filehdr(14 + 12 + 768).u32(12).u16(2).u16(2).u16(1).u16(8);
    for (int i = 0; i < 256; ++i) m.fill(1, uint8_t(i)).fill(1, uint8_t(255 - i)).fill(1, 7);   // blue, green, red
    m.fill(8, 0x55);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((std::vector<int>{int(p->biSize), p->biWidth, p->biBitCount, int(p->biClrUsed), DibNumColors(p)}),
              (std::vector<int>{40, 2, 8, 256, 256}));
    const auto *ct = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<uint8_t *>(p) + 40);
    for (int i : {0, 1, 128, 255})
        EXPECT_EQ((std::vector<int>{ct[i].rgbBlue, ct[i].rgbGreen, ct[i].rgbRed, ct[i].rgbReserved}),
                  (std::vector<int>{i, 255 - i, 7, 0}));
    EXPECT_EQ(DibBits(p), reinterpret_cast<uint8_t *>(p) + 40 + 1024);
    EXPECT_EQ(DibBits(p)[0], 0x55);
    EXPECT_FALSE(DibIsTexture(p));
}

TEST_F(Dib, DamagedHeadersFailWithNull) {
    struct {
        const char *what;
        std::vector<uint8_t> b;
    } cases[] = {
        {"empty", {}},
        {"short header", bmpbytes().filehdr(54).u32(40).u32(1).b},
        {"zero width", bmpbytes().filehdr(54).info(0, 1, 24).fill(4, 0).b},
        {"negative width", bmpbytes().filehdr(54).info(-5, 1, 24).fill(64, 0).b},
        {"zero height", bmpbytes().filehdr(54).info(1, 0, 24).fill(4, 0).b},
        {"odd bit count", bmpbytes().filehdr(54).info(1, 1, 7).fill(4, 0).b},
        {"huge size", bmpbytes().filehdr(54).info(60000, 60000, 24).fill(16, 0).b},
        {"huge stated image", bmpbytes().filehdr(54).info(1, 1, 24, 0, 0xFFFFFFF0u).fill(16, 0).b},
        {"too many colours", bmpbytes().filehdr(54).info(1, 1, 8, 0, 0, 100000).fill(16, 0).b},
        {"unknown header size", bmpbytes().filehdr(54).u32(20).fill(60, 1).b},
        {"unknown compression", bmpbytes().filehdr(54).info(1, 1, 24, 9).fill(4, 0).b},
        {"bits missing", bmpbytes().filehdr(54).info(4, 4, 24).fill(47, 0).b},
        {"colour table missing", bmpbytes().filehdr(54).info(4, 4, 8).fill(100, 0).b},
        {"offset beyond the file", bmpbytes().filehdr(5000).info(1, 1, 24).fill(4, 0).b},
        {"bit fields at 24 bits", bmpbytes().filehdr(54).info(1, 1, 24, 3).fill(20, 0).b},
    };
    for (const auto &c : cases) EXPECT_EQ(open(c.b), nullptr) << c.what;
    EXPECT_EQ(DibOpenFile(dir.file("absent.bmp").c_str()), nullptr);
    EXPECT_EQ(DibOpenFile(""), nullptr);
}

TEST_F(Dib, BuiltInBitmapsAreTheFallback) {
    static const std::vector<uint8_t> bytes = bmpbytes().filehdr(54).info(3, 1, 24).fill(12, 0x77).b;
    static const dib_resource table[] = {{"BGROUND.BMP", bytes.data(), bytes.size()}};
    dib_resources = table;
    dib_nresources = 1;
    BITMAPINFOHEADER *p = opened.emplace_back(DibOpenFile("/no/such/folder/MAPS/bground.bmp"));
    dib_resources = nullptr;
    dib_nresources = 0;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biWidth, 3);
    EXPECT_EQ(DibBits(p)[11], 0x77);
}

TEST_F(Dib, CreatedBitmapsAreZeroedAndHandlesComeBackFromAddresses) {
    BITMAPINFOHEADER *bm = opened.emplace_back(DibCreate(24, 101, 10));
    ASSERT_NE(bm, nullptr);
    EXPECT_EQ(bm->biSizeImage, 3040u);   // rows of 303 bytes padded to 304
    for (int i = 0; i < 3040; ++i) ASSERT_EQ(DibBits(bm)[i], 0);
    EXPECT_EQ(DibCreate(24, 0, 5), nullptr);
    EXPECT_EQ(DibCreate(24, 100000, 100000), nullptr);

    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
    void *p = GlobalLock(h);
    EXPECT_EQ(GlobalHandle(p), h);
    int x = 0;
    EXPECT_EQ(GlobalHandle(&x), nullptr);
    // A locked block does not move or resize.
    EXPECT_EQ(GlobalReAlloc(h, 100, GMEM_MOVEABLE), nullptr);
    GlobalUnlock(h);
    ASSERT_EQ(GlobalReAlloc(h, 100, GMEM_MOVEABLE | GMEM_ZEROINIT), h);
    p = GlobalLock(h);
    EXPECT_EQ(GlobalHandle(p), h);
    EXPECT_EQ(static_cast<uint8_t *>(p)[99], 0);
    EXPECT_EQ(GlobalSize(h), 100u);
    GlobalUnlock(h);
    GlobalFree(h);
    EXPECT_EQ(GlobalHandle(p), nullptr);
}

}  // namespace
}  // namespace vortella
