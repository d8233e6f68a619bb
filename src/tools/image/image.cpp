#include "tools/image/image.h"

#ifndef VT_BMP_ONLY
#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>
#include <png.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <vector>

#include "authoring/bmp.h"
#include "authoring/bytes.h"

namespace vortella {

namespace {

bool fail(std::string *err, const std::string &msg) {
    if (err) *err = msg;
    return false;
}

bool ext_is(const std::string &path, const char *ext) {
    const size_t n = std::strlen(ext);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ext[i]) return false;
    return true;
}

}  // namespace

bool write_bmp8(const std::string &path, const pic8 &p, std::string *err) {
    uint8_t pal[256][4];
    for (int i = 0; i < 256; ++i) {
        pal[i][0] = p.pal[i].peBlue;
        pal[i][1] = p.pal[i].peGreen;
        pal[i][2] = p.pal[i].peRed;
        pal[i][3] = 0;
    }
    return write_bytes(path, bmp_bytes(p.w, p.h, 8, pal, [&](int y, uint8_t *dst) {
                           const uint8_t *r = p.pix + static_cast<ptrdiff_t>(y) * p.stride;
                           std::copy(r, r + p.w, dst);
                       }),
                       err);
}

#ifdef VT_BMP_ONLY
// A build without libpng and giflib (the Windows one) writes BMP only.
bool write_png8(const std::string &path, const pic8 &, std::string *err) {
    return fail(err, path + ": PNG output is not part of this build (use .bmp)");
}
#else
bool write_png8(const std::string &path, const pic8 &p, std::string *err) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return fail(err, path + ": cannot create the file");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return fail(err, path + ": out of memory");
    }
    // libpng reports errors by longjmp; nothing with a destructor lives
    // between here and the writes below.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return fail(err, path + ": write failed");
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(p.w), static_cast<png_uint_32>(p.h), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = {p.pal[i].peRed, p.pal[i].peGreen, p.pal[i].peBlue};
    png_set_PLTE(png, info, pal, 256);
    png_write_info(png, info);
    for (int y = 0; y < p.h; ++y) png_write_row(png, p.pix + static_cast<ptrdiff_t>(y) * p.stride);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0 || fail(err, path + ": write failed");
}
#endif

bool write_pic8(const std::string &path, const pic8 &p, std::string *err) {
    if (ext_is(path, ".bmp")) return write_bmp8(path, p, err);
    if (ext_is(path, ".png")) return write_png8(path, p, err);
    if (ext_is(path, ".gif")) {
        gif_writer g;
        return g.open(path, p.w, p.h, p.pal, err) && g.frame(p.pix, p.stride, 0, err) && g.close(err);
    }
    return fail(err, path + ": unknown picture format (use .bmp, .png or .gif)");
}

gif_writer::~gif_writer() { close(nullptr); }

#ifdef VT_BMP_ONLY
bool gif_writer::open(const std::string &file, int, int, const PALETTEENTRY *, std::string *err) {
    return fail(err, file + ": GIF output is not part of this build (use .bmp)");
}

bool gif_writer::frame(const uint8_t *, int, int, std::string *err) { return fail(err, "no animation open"); }

bool gif_writer::close(std::string *) { return true; }
#else

bool gif_writer::open(const std::string &file, int width, int height, const PALETTEENTRY *pal, std::string *err) {
    int e = 0;
    // Opened here rather than by the library, so the file gets the usual
    // permissions.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return fail(err, file + ": cannot create the file");
    GifFileType *g = EGifOpenFileHandle(fd, &e);
    if (!g) {
        ::close(fd);
        return fail(err, file + ": cannot create the file");
    }
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {pal[i].peRed, pal[i].peGreen, pal[i].peBlue};
    ColorMapObject *map = GifMakeMapObject(256, colors);
    EGifSetGifVersion(g, true);
    bool ok = map && EGifPutScreenDesc(g, width, height, 8, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    // Loop for ever.
    static const unsigned char netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const unsigned char loop[] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(g, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(g, sizeof netscape, netscape) == GIF_OK &&
         EGifPutExtensionBlock(g, sizeof loop, loop) == GIF_OK && EGifPutExtensionTrailer(g) == GIF_OK;
    if (!ok) {
        EGifCloseFile(g, &e);
        return fail(err, file + ": write failed");
    }
    gif = g;
    w = width;
    h = height;
    path = file;
    return true;
}

bool gif_writer::frame(const uint8_t *pix, int stride, int delay_cs, std::string *err) {
    auto *g = static_cast<GifFileType *>(gif);
    if (!g) return fail(err, "no animation open");
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.DelayTime = delay_cs;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    bool ok = EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK &&
              EGifPutImageDesc(g, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(g, const_cast<GifPixelType *>(pix + static_cast<ptrdiff_t>(y) * stride), w) == GIF_OK;
    return ok || fail(err, path + ": write failed");
}

bool gif_writer::close(std::string *err) {
    auto *g = static_cast<GifFileType *>(gif);
    if (!g) return true;
    gif = nullptr;
    int e = 0;
    return EGifCloseFile(g, &e) == GIF_OK || fail(err, path + ": write failed");
}
#endif

}  // namespace vortella
