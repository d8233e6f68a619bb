// The background of every frame: a plain dithered colour, or a panorama
// tile made from the background bitmap that wraps 360 degrees around the
// viewer and spans 180 degrees from straight down to straight up.

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "raster/raster.h"
#include "scene/ftoi.h"

namespace vortella {

namespace {

inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Fills n bytes at d with the pattern of period 8 held in d[0 .. 8): each
// copy doubles the patterned run and never overlaps its source.
inline void spread8(uint8_t *d, int n) {
    for (int have = 8; have < n;) {
        int k = n - have < have ? n - have : have;
        std::memcpy(d + have, d, size_t(k));
        have += k;
    }
}

// The plain colour: 64 dithered pixels, then block copies.
void plainbg() {
    const int r = clampi(bgred, 0, 255), g = clampi(bggreen, 0, 255), b = clampi(bgblue, 0, 255);
    const int rows = pich < 8 ? pich : 8, cols = picw < 8 ? picw : 8;
    for (int y = 0; y < rows; ++y) {
        uint8_t *d = yaddar[y];
        for (int x = 0; x < cols; ++x) d[x] = halftone_at(r, g, b, x, y);
        spread8(d, picw);
    }
    for (int y = 8; y < pich; ++y) std::memcpy(yaddar[y], yaddar[y & 7], size_t(picw));
}

// Number of picture columns of one tile for `rep` tiles around 360 degrees.
inline int tilew(int rep) { return ftoi(6.28318530718 / fovx * picw / rep); }

void panorama() {
    // Vertical order: the factor of the view transform's vertical flip.
    const bool up = (iminv != 0) == (Orientation > 0);
    auto row = [up](int k) { return yaddar[up ? k : pich - 1 - k]; };

    // Elevation of the view axis; the tile row at the lower edge of the view.
    const float dx = tarx - camx, dy = tary - camy, dz = tarz - camz;
    const float hh = dx * dx + dy * dy;
    const float h = float(std::sqrt(double(hh)));
    const float e = float(std::atan(double(dz / h)));
    const int ssby = ftoi((e + 1.570796327 - fovy * 0.5) * 0.318309886 * bgy);

    // View azimuth, 0 .. 2 pi.
    float a;
    if (tarx != camx) {
        a = float(std::atan(double((tary - camy) / (tarx - camx))));
        if (tarx < camx) a = float(a + 3.141592654);
        if (a < 0.0f) a = float(a + 6.283185307);
    } else {
        a = tary > camy ? 1.570796327f : 4.712388980f;
    }

    // Start column: the fraction of a tile the left edge of the view lies
    // at, counted from the tile's right end. A whole number of tiles gives
    // t = 1 and sx = bgx, the one-byte wrap below.
    float t = float((fovx * 0.5 + a) * 0.159154943 * bgxrep);
    t = t - float(ftoi(t));
    t = float(1.0 - t);
    const int sx = clampi(ftoi(bgx * t), 0, bgx);

    // Rows are written while the tile row r is in 0 .. bgy - 2 (the last
    // tile row is never shown); rows after the tile runs out keep what they
    // held.
    if (bgx - sx >= picw) {
        for (int k = 0, r = ssby; k < pich && r >= 0 && r < bgy - 1; ++k, ++r)
            std::memcpy(row(k), bgmap + size_t(r) * bgx + sx, size_t(picw));
        return;
    }
    // The view wraps past the tile's right edge. The first part runs one
    // byte into the next tile row, whose first byte continues row r's
    // panorama; the second part starts the tile row afresh. The tile
    // carries slack past its end so that both reads stay inside it for
    // any picture width.
    const int n1st = bgx - sx + 1, n2nd = picw - n1st;
    for (int k = 0, r = ssby; k < pich && r >= 0 && r < bgy - 1; ++k, ++r)
        std::memcpy(row(k), bgmap + size_t(r) * bgx + sx, size_t(n1st));
    for (int k = 0, r = ssby; k < pich && r >= 0 && r < bgy - 1; ++k, ++r)
        std::memcpy(row(k) + n1st, bgmap + size_t(r) * bgx, size_t(n2nd));
}

}  // namespace

void calcmaxt() {
    fovy = 0.95993f;
    fovx = pich > 0 ? picw * fovy / pich : fovy;
    CamMaxTilt = float(1.5708 - fovy * 0.5);
}

void freebg() {
    delete[] bgmap;
    bgmap = nullptr;
}

// Without a usable 24-bit background bitmap, or when the tile cannot be
// allocated, there is no tile and the frames show the plain colour.
void createbg() {
    calcmaxt();
    freebg();
    BITMAPINFOHEADER *dib = bgmapraw;
    if (!dib || !DibIsTexture(dib) || picw <= 0 || pich <= 0) return;
    const int W = dib->biWidth;
    const int H = dib->biHeight < 0 ? -dib->biHeight : dib->biHeight;
    const int S = DibRowBytes(dib);
    const uint8_t *bits = DibBits(dib);

    // 180 degrees in picture rows.
    bgy = ftoi(3.141592654 / fovy * pich);
    // The tile count whose tile shape is closest to the bitmap's shape;
    // on equal error the smaller count stays.
    const float r = float(W) / float(H);
    float best = 1000.0f;
    bgxrep = 1;
    for (int j = 1; j <= 9; ++j) {
        bgx = tilew(j);
        const float e = std::fabs(float(bgx) / float(bgy) - r) / r;
        if (e < best) {
            best = e;
            bgxrep = j;
        }
    }
    // A tile is wider than the picture unless only one tile is left.
    bgx = tilew(bgxrep);
    while (bgx <= picw && bgxrep >= 2) {
        --bgxrep;
        bgx = tilew(bgxrep);
    }
    if (bgx <= 0 || bgy <= 1) return;

    const size_t tile = size_t(bgx) * size_t(bgy);
    bgmap = new (std::nothrow) uint8_t[tile + pic_max];
    if (!bgmap) return;
    std::memset(bgmap + tile, 0, pic_max);

    // Nearest sample, dithered at the tile position.
    std::vector<int> col(static_cast<size_t>(bgx));
    for (int i = 0; i < bgx; ++i) col[size_t(i)] = int(int64_t(W - 1) * i / bgx) * 3;
    for (int j = 0; j < bgy; ++j) {
        const uint8_t *src = bits + size_t(int64_t(H - 1) * j / bgy) * size_t(S);
        uint8_t *d = bgmap + size_t(j) * size_t(bgx);
        for (int i = 0; i < bgx; ++i) {
            const uint8_t *p = src + col[size_t(i)];
            d[i] = halftone_at(p[2], p[1], p[0], i, j);
        }
    }
}

void dobackground() {
    if (transa) std::memset(transa, 0, size_t(picw) * size_t(pich));
    if (bgmap)
        panorama();
    else
        plainbg();
}

}  // namespace vortella
