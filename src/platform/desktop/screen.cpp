// The picture and the screen: the renderer's 8-bit picture is an indexed
// surface over our own pixel block, and SDL's blit turns its indices into
// true colour through the halftone palette on its way into a texture, which
// an SDL renderer stretches onto the window. The display itself is never a
// palette device; the palette is emulated at this copy.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <tuple>

#include "platform/desktop/desktop_local.h"

namespace vortella::desktop {

// --- Picture ------------------------------------------------------------------

picture8::picture8() {
    // The palette outlives every picture so its colours need setting once.
    palette_ = SDL_AllocPalette(256);
}

picture8::~picture8() {
    release();
    if (palette_) SDL_FreePalette(palette_);
}

void picture8::set_palette(const PALETTEENTRY *pe) {
    if (!palette_) return;
    SDL_Color c[256];
    for (int i = 0; i < 256; ++i) c[i] = {pe[i].peRed, pe[i].peGreen, pe[i].peBlue, 255};
    if (std::memcmp(c, palette_->colors, sizeof c) == 0) return;
    // Changing the colours bumps the palette's version, so blits made from
    // now on map the indices afresh.
    SDL_SetPaletteColors(palette_, c, 0, 256);
}

uint8_t *picture8::make(int w, int h) {
    if (w <= 0 || h <= 0 || !palette_) return nullptr;
    std::vector<uint8_t> px;
    try {
        px.assign(size_t(w) * size_t(h), 0);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    // Pitch w: the renderer addresses row y at y * w with no gaps, which an
    // SDL-allocated surface (rows padded to 4 bytes) would not promise.
    SDL_Surface *s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), w, h, 8, w,
                                                        SDL_PIXELFORMAT_INDEX8);
    if (!s) return nullptr;
    if (SDL_SetSurfacePalette(s, palette_) != 0) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    release();
    pixels_ = std::move(px);
    surface_ = s;
    return pixels_.data();
}

void picture8::release() {
    if (surface_) SDL_FreeSurface(surface_);
    surface_ = nullptr;
    pixels_.clear();
    pixels_.shrink_to_fit();
}

// --- Screen views ---------------------------------------------------------------------

namespace {

// Pictures and screens in true colour with no alpha: nothing is blended.
constexpr uint32_t gpu_format = SDL_PIXELFORMAT_RGB888;

}  // namespace

bool gl_renderer_is_software(const char *renderer) {
    if (!renderer) return false;
    std::string r(renderer);
    for (char &c : r) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char *cpu : {"llvmpipe", "softpipe", "software rasterizer", "swrast", "lavapipe"})
        if (r.find(cpu) != std::string::npos) return true;
    return false;
}

bool renderer_is_gpu(SDL_Renderer *ren) {
    SDL_RendererInfo info;
    if (!ren || SDL_GetRendererInfo(ren, &info) != 0 || !(info.flags & SDL_RENDERER_ACCELERATED))
        return false;
    // The OpenGL renderers call themselves accelerated whatever draws for
    // them; the driver's name tells. Their context is current once made.
    if (info.name && std::strncmp(info.name, "opengl", 6) == 0 && SDL_GL_GetCurrentContext()) {
        using get_string = const unsigned char *(SDLCALL *)(unsigned);
        auto gl_get_string = reinterpret_cast<get_string>(SDL_GL_GetProcAddress("glGetString"));
        constexpr unsigned gl_renderer = 0x1F01;   // GL_RENDERER
        if (gl_get_string) {
            const unsigned char *name = gl_get_string(gl_renderer);
            if (name && gl_renderer_is_software(reinterpret_cast<const char *>(name))) return false;
        }
    }
    return true;
}

std::vector<screen_rect> choose_monitors(const std::vector<screen_rect> &displays,
                                         const std::vector<screen_rect> &heads) {
    auto sorted = [](std::vector<screen_rect> v) {
        std::sort(v.begin(), v.end(), [](const screen_rect &a, const screen_rect &b) {
            return std::tie(a.x, a.y, a.w, a.h) < std::tie(b.x, b.y, b.w, b.h);
        });
        return v;
    };
    const std::vector<screen_rect> d = sorted(displays), h = sorted(heads);
    const bool same = d.size() == h.size() &&
                      std::equal(d.begin(), d.end(), h.begin(), [](const screen_rect &a, const screen_rect &b) {
                          return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
                      });
    return heads.empty() || same ? displays : heads;
}

bool screen_view::open_window(SDL_Window *win, mode m) {
    close();
    if (!win) return false;
    win_ = win;
    if (m != mode::software) {
        ren_ = SDL_CreateRenderer(win, -1, SDL_RENDERER_ACCELERATED);
        if (ren_ && m == mode::automatic && !renderer_is_gpu(ren_)) {
            SDL_DestroyRenderer(ren_);
            ren_ = nullptr;
        }
        gpu_ = ren_ != nullptr;
    }
    // The software renderer draws into the window's surface, which SDL
    // makes afresh whenever the window changes size.
    if (!ren_) ren_ = SDL_CreateRenderer(win, -1, SDL_RENDERER_SOFTWARE);
    if (!ren_) {
        win_ = nullptr;
        return false;
    }
    surface_format_ = SDL_GetWindowPixelFormat(win);
    if (surface_format_ == SDL_PIXELFORMAT_UNKNOWN) surface_format_ = gpu_format;
    if (!follow_window_size()) {
        close();
        return false;
    }
    return true;
}

bool screen_view::open_surface(SDL_Surface *target) {
    close();
    if (!target) return false;
    ren_ = SDL_CreateSoftwareRenderer(target);
    if (!ren_) return false;
    surface_format_ = target->format->format;
    w_ = target->w;
    h_ = target->h;
    fill_black(0, 0, w_, h_);
    return true;
}

void screen_view::close() {
    if (picture_) SDL_DestroyTexture(picture_);
    if (target_) SDL_DestroyTexture(target_);
    if (ren_) SDL_DestroyRenderer(ren_);
    picture_ = target_ = nullptr;
    ren_ = nullptr;
    win_ = nullptr;
    gpu_ = false;
    w_ = h_ = 0;
    picture_w_ = picture_h_ = 0;
    changed_.clear();
    all_ = false;
}

bool screen_view::make_target() {
    if (target_) SDL_DestroyTexture(target_);
    target_ = SDL_CreateTexture(ren_, gpu_format, SDL_TEXTUREACCESS_TARGET, std::max(w_, 1), std::max(h_, 1));
    if (!target_) return false;
    SDL_SetTextureBlendMode(target_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(target_, SDL_ScaleModeNearest);
    return SDL_SetRenderTarget(ren_, target_) == 0;
}

bool screen_view::follow_window_size() {
    if (!ren_ || !win_) return false;
    SDL_GetWindowSize(win_, &w_, &h_);
    if (gpu_ && !make_target()) return false;
    fill_black(0, 0, w_, h_);
    all_ = true;
    return true;
}

void screen_view::mark(const SDL_Rect &r) {
    SDL_Rect v{0, 0, w_, h_}, part;
    if (!SDL_IntersectRect(&r, &v, &part)) return;
    // A handful of rectangles a frame (the old place and the new); beyond
    // that the whole window costs no more to send.
    if (changed_.size() >= 16) all_ = true;
    else changed_.push_back(part);
}

void screen_view::fill_black(int x, int y, int w, int h) {
    if (!ren_ || w <= 0 || h <= 0) return;
    const SDL_Rect r{x, y, w, h};
    SDL_SetRenderDrawBlendMode(ren_, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(ren_, 0, 0, 0, 255);
    SDL_RenderFillRect(ren_, &r);
    mark(r);
}

void screen_view::blit(const picture8 &pic, int x, int y, int scale) {
    SDL_Surface *src = pic.surface();
    if (!ren_ || !src || scale < 1) return;
    // The picture's texture: in the software renderer the format of the
    // surface it draws into, which SDL stretches without a conversion.
    const uint32_t format = gpu_ ? gpu_format : surface_format_;
    if (!picture_ || picture_w_ != src->w || picture_h_ != src->h || picture_format_ != format) {
        if (picture_) SDL_DestroyTexture(picture_);
        picture_ = SDL_CreateTexture(ren_, format, SDL_TEXTUREACCESS_STREAMING, src->w, src->h);
        picture_w_ = picture_h_ = 0;
        if (!picture_) return;
        SDL_SetTextureBlendMode(picture_, SDL_BLENDMODE_NONE);
        // Nearest neighbour: every picture pixel a sharp block, so the
        // dither pattern stays as it was drawn.
        SDL_SetTextureScaleMode(picture_, SDL_ScaleModeNearest);
        picture_w_ = src->w;
        picture_h_ = src->h;
        picture_format_ = format;
    }
    // The indices become colours through the picture's palette on the way
    // into the texture: SDL's own blit, writing the texture's memory.
    void *pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(picture_, nullptr, &pixels, &pitch) != 0) return;
    SDL_Surface *into = SDL_CreateRGBSurfaceWithFormatFrom(pixels, src->w, src->h,
                                                           SDL_BITSPERPIXEL(format), pitch, format);
    if (into) {
        SDL_BlitSurface(src, nullptr, into, nullptr);
        SDL_FreeSurface(into);
    }
    SDL_UnlockTexture(picture_);
    const SDL_Rect to{x, y, src->w * scale, src->h * scale};
    SDL_RenderCopy(ren_, picture_, nullptr, &to);
    mark(to);
}

uint32_t screen_view::rgb(int x, int y) {
    if (!ren_ || x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
    SDL_RenderFlush(ren_);
    const SDL_Rect r{x, y, 1, 1};
    uint32_t px = 0;
    if (SDL_RenderReadPixels(ren_, &r, SDL_PIXELFORMAT_RGB888, &px, 4) != 0) return 0;
    return px & 0xFFFFFFu;
}

void screen_view::present(bool all) {
    if (!ren_) return;
    if (all) all_ = true;
    last_rects_ = 0;
    if (gpu_) {
        // The window's back buffer is undefined after each present: the
        // whole screen goes to it every time (one textured quad).
        SDL_SetRenderTarget(ren_, nullptr);
        SDL_RenderCopy(ren_, target_, nullptr, nullptr);
        SDL_RenderPresent(ren_);
        SDL_SetRenderTarget(ren_, target_);
    } else {
        SDL_RenderFlush(ren_);
        if (win_) {
            if (all_ || changed_.empty()) {
                SDL_UpdateWindowSurface(win_);
            } else {
                SDL_UpdateWindowSurfaceRects(win_, changed_.data(), int(changed_.size()));
                last_rects_ = int(changed_.size());
            }
        }
    }
    changed_.clear();
    all_ = false;
}

}  // namespace vortella::desktop
