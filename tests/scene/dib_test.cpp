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
    bmpbytes &u16(int v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    bmpbytes &u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
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

class Dib : public ::testing::Test {
protected:
    test::tempdir dir;
    int blocks0 = GlobalCount();
    void TearDown() override { EXPECT_EQ(GlobalCount(), blocks0) << "blocks left behind"; }
    BITMAPINFOHEADER *open(const std::vector<uint8_t> &b) {
        test::writebytes(dir.file("t.bmp"), b);
        return DibOpenFile(dir.file("t.bmp").c_str());
    }
};

TEST_F(Dib, WrittenBitmapReadsBackPixelForPixel) {
    rgbimage img;
    img.w = 5;
    img.h = 3;
    for (int i = 0; i < 45; ++i) img.rgb.push_back(static_cast<uint8_t>(i * 5));
    BITMAPINFOHEADER *p = open(bmp24(img));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSize, 40u);
    EXPECT_EQ(p->biWidth, 5);
    EXPECT_EQ(p->biHeight, 3);
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
    DibFree(p);
}

TEST_F(Dib, HeaderlessBitmapWithComputedSize) {
    // 101 x 10 at 24 bits: rows of 303 bytes padded to 304, 3,040 in all.
    bmpbytes m;
    m.info(101, 10, 24).fill(3040, 9);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSizeImage, 3040u);
    EXPECT_EQ(DibBits(p)[3039], 9);
    DibFree(p);
}

TEST_F(Dib, CoreHeaderWidensItsColourTable) {
    bmpbytes m;
    m.filehdr(14 + 12 + 768).u32(12).u16(2).u16(2).u16(1).u16(8);
    for (int i = 0; i < 256; ++i) {
        m.b.push_back(static_cast<uint8_t>(i));       // blue
        m.b.push_back(static_cast<uint8_t>(255 - i)); // green
        m.b.push_back(7);                             // red
    }
    m.fill(8, 0x55);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSize, 40u);
    EXPECT_EQ(p->biWidth, 2);
    EXPECT_EQ(p->biBitCount, 8);
    EXPECT_EQ(p->biClrUsed, 256u);
    EXPECT_EQ(DibNumColors(p), 256);
    const auto *ct = reinterpret_cast<const RGBQUAD *>(reinterpret_cast<uint8_t *>(p) + 40);
    for (int i : {0, 1, 128, 255}) {
        EXPECT_EQ(ct[i].rgbBlue, i);
        EXPECT_EQ(ct[i].rgbGreen, 255 - i);
        EXPECT_EQ(ct[i].rgbRed, 7);
        EXPECT_EQ(ct[i].rgbReserved, 0);
    }
    EXPECT_EQ(DibBits(p), reinterpret_cast<uint8_t *>(p) + 40 + 1024);
    EXPECT_EQ(DibBits(p)[0], 0x55);
    EXPECT_FALSE(DibIsTexture(p));
    DibFree(p);
}

TEST_F(Dib, BitsAreReadFromTheStatedOffset) {
    bmpbytes m;
    m.filehdr(100).info(1, 1, 24).fill(100 - 54, 0xEE).fill(4, 0x11);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(DibBits(p)[0], 0x11);
    DibFree(p);
}

TEST_F(Dib, TopDownAndNewerHeadersLoad) {
    bmpbytes m;
    m.filehdr(14 + 40).info(2, -2, 24).fill(16, 3);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biHeight, -2);
    EXPECT_EQ(p->biSizeImage, 16u);
    EXPECT_TRUE(DibIsTexture(p));
    DibFree(p);

    // A 124-byte header: the extra fields are skipped.
    bmpbytes v5;
    v5.filehdr(14 + 124).u32(124).u32(1).u32(1).u16(1).u16(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    v5.fill(84, 0xAB).fill(4, 0x42);
    p = open(v5.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSize, 40u);
    EXPECT_EQ(DibBits(p)[0], 0x42);
    DibFree(p);
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
    for (const auto &c : cases) {
        BITMAPINFOHEADER *p = open(c.b);
        EXPECT_EQ(p, nullptr) << c.what;
        DibFree(p);
    }
    EXPECT_EQ(DibOpenFile(dir.file("absent.bmp").c_str()), nullptr);
    EXPECT_EQ(DibOpenFile(""), nullptr);
}

TEST_F(Dib, StatedImageSmallerThanItsRowsIsGrown) {
    // A header that understates the image must not let row readers run past
    // the block: the full rows are read, or the file is refused.
    bmpbytes m;
    m.filehdr(54).info(4, 4, 24, 0, 8).fill(48, 1);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSizeImage, 48u);
    EXPECT_TRUE(DibIsTexture(p));
    DibFree(p);
}

TEST_F(Dib, BitFieldMasksSitBeforeTheBits) {
    bmpbytes m;
    m.filehdr(66).info(1, 1, 32, 3).u32(0xFF0000).u32(0xFF00).u32(0xFF).u32(0x01020304);
    BITMAPINFOHEADER *p = open(m.b);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(DibBits(p), reinterpret_cast<uint8_t *>(p) + 52);
    EXPECT_EQ(DibBits(p)[0], 0x04);
    DibFree(p);
}

TEST_F(Dib, BuiltInBitmapsAreTheFallback) {
    static const std::vector<uint8_t> bytes = bmpbytes().filehdr(54).info(3, 1, 24).fill(12, 0x77).b;
    static const dib_resource table[] = {{"BGROUND.BMP", bytes.data(), bytes.size()}};
    dib_resources = table;
    dib_nresources = 1;
    BITMAPINFOHEADER *p = DibOpenFile("/no/such/folder/MAPS/bground.bmp");
    dib_resources = nullptr;
    dib_nresources = 0;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biWidth, 3);
    EXPECT_EQ(DibBits(p)[11], 0x77);
    DibFree(p);
}

TEST_F(Dib, CreateMakesZeroedBitmaps) {
    BITMAPINFOHEADER *p = DibCreate(24, 101, 10);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->biSizeImage, 3040u);
    EXPECT_EQ(p->biBitCount, 24);
    EXPECT_EQ(p->biPlanes, 1);
    EXPECT_EQ(GlobalSize(GlobalHandle(p)), 3040u + 1064u);
    for (int i = 0; i < 3040; ++i) ASSERT_EQ(DibBits(p)[i], 0);
    DibFree(p);
    EXPECT_EQ(DibCreate(24, 0, 5), nullptr);
    EXPECT_EQ(DibCreate(24, 100000, 100000), nullptr);
}

TEST(GlobalMemory, HandlesComeBackFromAddresses) {
    const int n0 = GlobalCount();
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
    EXPECT_EQ(GlobalCount(), n0);
}

}  // namespace
}  // namespace vortella
