// The picture and the screen: the renderer's 8-bit picture is an indexed
// surface over our own pixel block, and SDL's blit turns its indices into
// the screen's true colour through the halftone palette. The display itself
// is never a palette device; the palette is emulated at this copy.
#include <algorithm>
#include <cstring>
#include <new>

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

// --- Screen ---------------------------------------------------------------------

screen_surface::~screen_surface() {
    if (surface_) SDL_FreeSurface(surface_);
}

bool screen_surface::resize(int w, int h) {
    SDL_Surface *s = SDL_CreateRGBSurfaceWithFormat(0, std::max(w, 1), std::max(h, 1), 32,
                                                    SDL_PIXELFORMAT_XRGB8888);
    if (!s) return false;
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 0, 0, 0));
    if (surface_) SDL_FreeSurface(surface_);
    surface_ = s;
    dirty = true;
    return true;
}

void screen_surface::blit(const picture8 &pic, int x, int y) {
    if (!surface_ || !pic.surface()) return;
    SDL_Rect to{x, y, 0, 0};
    SDL_BlitSurface(pic.surface(), nullptr, surface_, &to);
    dirty = true;
}

void screen_surface::fill_black(int x, int y, int w, int h) {
    if (!surface_ || w <= 0 || h <= 0) return;
    SDL_Rect r{x, y, w, h};
    SDL_FillRect(surface_, &r, SDL_MapRGB(surface_->format, 0, 0, 0));
    dirty = true;
}

uint32_t screen_surface::rgb(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= surface_->w || y >= surface_->h) return 0;
    const auto *row = static_cast<const uint8_t *>(surface_->pixels) + size_t(y) * size_t(surface_->pitch);
    uint32_t px;
    std::memcpy(&px, row + size_t(x) * 4, 4);
    uint8_t r, g, b;
    SDL_GetRGB(px, surface_->format, &r, &g, &b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

void screen_surface::present(SDL_Window *win) {
    if (!surface_ || !win) return;
    SDL_Surface *ws = SDL_GetWindowSurface(win);
    if (!ws) return;
    SDL_BlitSurface(surface_, nullptr, ws, nullptr);
    SDL_UpdateWindowSurface(win);
    dirty = false;
}

}  // namespace vortella::desktop
