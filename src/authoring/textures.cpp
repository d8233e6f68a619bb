#include "authoring/textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vortella {

namespace {

uint32_t hash(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

float lattice(int x, int y, int px, int py, int seed) {
    x %= px;
    y %= py;
    if (x < 0) x += px;
    if (y < 0) y += py;
    return (hash(x, y, seed) & 0xffff) / 65535.0f;
}

float smooth(float t) { return t * t * (3 - 2 * t); }

float noise(float x, float y, int px, int py, int seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = smooth(x - x0), fy = smooth(y - y0);
    const float a = lattice(x0, y0, px, py, seed), b = lattice(x0 + 1, y0, px, py, seed);
    const float c = lattice(x0, y0 + 1, px, py, seed), d = lattice(x0 + 1, y0 + 1, px, py, seed);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

uint8_t u8(float v) { return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f)); }

rgbimage blank(int w, int h) {
    rgbimage img;
    img.w = w;
    img.h = h;
    img.rgb.assign(static_cast<size_t>(w) * h * 3, 0);
    return img;
}

void put(rgbimage &img, int x, int y, float r, float g, float b) {
    uint8_t *p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
    p[0] = u8(r);
    p[1] = u8(g);
    p[2] = u8(b);
}

float mix(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

float fbm(float x, float y, int octaves, int px, int py) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * noise(x, y, px, py, o);
        norm += amp;
        x *= 2;
        y *= 2;
        px *= 2;
        py *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

rgbimage tex_planet(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = 8.0f * x / w, v = 4.0f * y / h;
            const float e = fbm(u, v, 6, 8, 64);
            const float lat = std::fabs(y - h / 2.0f) / (h / 2.0f);
            float r, g, b;
            if (e < 0.52f) {   // ocean, deeper darker
                const float d = e / 0.52f;
                r = mix(10, 40, d);
                g = mix(30, 110, d);
                b = mix(90, 200, d);
            } else {           // land from green lowland to brown highland
                const float t = std::min(1.0f, (e - 0.52f) / 0.25f);
                r = mix(60, 150, t);
                g = mix(130, 110, t);
                b = mix(50, 60, t);
            }
            // Ice toward the poles, frayed by the noise.
            if (lat + 0.25f * (e - 0.5f) > 0.82f) r = g = b = 235;
            // A veil of clouds.
            const float c = fbm(u * 1.5f + 17, v * 1.5f, 4, 12, 64);
            if (c > 0.6f) {
                const float k = std::min(1.0f, (c - 0.6f) * 4);
                r = mix(r, 250, k);
                g = mix(g, 250, k);
                b = mix(b, 250, k);
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_moon(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = 6.0f * x / w, v = 3.0f * y / h;
            float g = 110 + 90 * (fbm(u, v, 5, 6, 64) - 0.5f);
            // Craters: dark floors with bright rims from a cell pattern.
            const float cu = 12.0f * x / w, cv = 6.0f * y / h;
            const int ix = static_cast<int>(cu), iy = static_cast<int>(cv);
            const float jx = lattice(ix, iy, 12, 6, 91) * 0.6f + 0.2f, jy = lattice(ix, iy, 12, 6, 92) * 0.6f + 0.2f;
            const float rad = 0.12f + 0.2f * lattice(ix, iy, 12, 6, 93);
            const float d = std::hypot(cu - ix - jx, cv - iy - jy) / rad;
            if (d < 1.0f) g -= 45 * (1 - d * d);
            else if (d < 1.25f) g += 40 * (1.25f - d) * 4;
            put(img, x, y, g, g * 0.98f, g * 0.94f);
        }
    return img;
}

rgbimage tex_tiles(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int tx = 2 * x / w, ty = 2 * y / h;
            const bool dark = (tx + ty) & 1;
            const float vein = std::fabs(std::sin(8.0f * x / w * 3.14159f + 6 * fbm(4.0f * x / w, 4.0f * y / h, 5, 4, 4)));
            float base = dark ? 60 : 215;
            float k = dark ? 25 : -35;
            float r = base + k * (1 - vein), g = base + k * (1 - vein), b = base + k * (1 - vein);
            if (dark) b += 25;
            else r += 10;
            // Grout lines at the tile edges.
            const int gx = x % (w / 2), gy = y % (h / 2);
            if (gx < 2 || gy < 2 || gx >= w / 2 - 1 || gy >= h / 2 - 1) r = g = b = 30;
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_marble(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float t = fbm(4.0f * x / w, 4.0f * y / h, 6, 4, 4);
            const float vein = std::pow(std::fabs(std::sin((2.0f * x / w + 3 * t) * 3.14159f * 2)), 0.3f);
            put(img, x, y, 170 + 70 * vein, 160 + 70 * vein, 150 + 60 * vein);
        }
    return img;
}

rgbimage tex_fluted(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float band = 0.5f + 0.5f * std::cos(16 * 3.14159f * x / w);
            const float grain = fbm(8.0f * x / w, 2.0f * y / h, 4, 8, 2);
            const float s = 150 + 80 * band + 30 * (grain - 0.5f);
            put(img, x, y, s * 1.0f, s * 0.86f, s * 0.62f);
        }
    return img;
}

rgbimage tex_panorama(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Rows run from the zenith (top) to the nadir (bottom).
            const float el = 1.0f - 2.0f * y / h;   // 1 up, -1 down
            const float az = 6.2832f * x / w;
            const float hill = -0.02f + 0.1f * fbm(6.0f * x / w, 0.5f, 4, 6, 8);
            float r, g, b;
            if (el >= hill) {
                // Dusk: deep blue overhead to a glowing horizon, brightest
                // toward the sunset.
                const float t = std::pow(std::max(0.0f, 1.0f - (el - hill)), 3.0f);
                const float sun = 0.5f + 0.5f * std::cos(az - 1.0f);
                r = mix(12, 150 + 100 * sun, t);
                g = mix(18, 70 + 70 * sun, t);
                b = mix(60, 90 - 30 * sun, t);
                // Thin clouds lit from below.
                const float c = fbm(12.0f * x / w, 6.0f * y / h, 5, 12, 64);
                const float band = std::exp(-std::pow((el - 0.25f) / 0.12f, 2.0f));
                const float k = band * std::max(0.0f, c - 0.45f) * 2.5f;
                r = mix(r, 240, k * (0.4f + 0.6f * sun));
                g = mix(g, 120, k * 0.8f);
                b = mix(b, 110, k * 0.6f);
                // Stars where the sky is dark.
                const uint32_t s = hash(x, y, 7);
                if (el > 0.35f && (s & 511) < 2) {
                    const float v = 150 + (s >> 24) / 3.0f;
                    r = std::max(r, v);
                    g = std::max(g, v);
                    b = std::max(b, v);
                }
            } else {
                // Dark hills, a rim of light along the crest, darker below.
                const float d = hill - el;
                const float rim = std::max(0.0f, 1.0f - d * 40);
                const float t = std::min(1.0f, d * 1.2f);
                const float grain = fbm(16.0f * x / w, 8.0f * y / h, 4, 16, 64);
                r = mix(75, 22, t) * (0.8f + 0.4f * grain) + 90 * rim;
                g = mix(52, 18, t) * (0.8f + 0.4f * grain) + 50 * rim;
                b = mix(62, 30, t) * (0.8f + 0.4f * grain) + 30 * rim;
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

namespace {

float fract(float v) { return v - std::floor(v); }

float smoothstep(float a, float b, float v) { return smooth(std::clamp((v - a) / (b - a), 0.0f, 1.0f)); }

// Light and dark of wood seen along its grain: growth rings of a trunk
// lying along x, cut `depth` below its heart, wavering with the noise, and
// a fine grain. x and y in texels of a picture `period` texels wide (the
// pattern repeats across it); 0 dark .. 1 light.
float woodgrain(float x, float y, float depth, int period, int seed) {
    const float wob = 6 * fbm(4.0f * x / period, y / 64.0f + seed * 7.3f, 3, 4, 1 << 16);
    const float r = std::sqrt(y * y + depth * depth) + wob;
    const float ring = smoothstep(0.15f, 0.85f, fract(r / 9.0f));
    const float grain = fbm(16.0f * x / period, y / 1.5f + seed * 3.1f, 2, 16, 1 << 16);
    return 0.75f * (1 - ring * ring) + 0.25f * grain;
}

}  // namespace

rgbimage tex_wood(int w, int h) {
    rgbimage img = blank(w, h);
    // Four planks across the picture, each from its own part of a trunk.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int plank = 4 * y / h;
            const float yl = y - (plank + 0.5f) * h / 4.0f + 11.0f * plank;
            const float t = woodgrain(float(x), yl, 20.0f + 13.0f * plank, w, plank);
            float r = mix(120, 196, t), g = mix(72, 138, t), b = mix(38, 84, t);
            const float tone = 0.9f + 0.2f * lattice(plank, 0, 4, 1, 31);
            r *= tone, g *= tone, b *= tone;
            // A dark joint between planks.
            const int edge = y % (h / 4);
            if (edge == 0 || edge == h / 4 - 1) r *= 0.45f, g *= 0.45f, b *= 0.45f;
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_bricks(int w, int h) {
    rgbimage img = blank(w, h);
    // 4 bricks across, 8 courses, every other course half a brick along.
    const int bw = w / 4, bh = h / 8, mortar = std::max(2, h / 96);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int course = y / bh;
            const int xs = (x + (course & 1) * bw / 2) % w;
            const int brick = xs / bw;
            const int bx = xs % bw, by = y % bh;
            float r, g, b;
            if (bx < mortar || by < mortar) {
                const float m = 150 + 30 * fbm(16.0f * x / w, 16.0f * y / h, 2, 16, 16);
                r = m, g = m * 0.96f, b = m * 0.88f;
            } else {
                // Each brick its own fired colour; a little mottling, the
                // edges a touch darker.
                const float k = lattice(brick, course, 4, 8, 41), k2 = lattice(brick, course, 4, 8, 42);
                const float n = fbm(32.0f * x / w, 32.0f * y / h, 3, 32, 32);
                const float edge = (bx < mortar + 2 || by < mortar + 2 || bx > bw - 3 || by > bh - 3) ? 0.85f : 1.0f;
                const float v = (0.75f + 0.35f * n) * edge;
                r = (150 + 60 * k) * v;
                g = (58 + 30 * k2 + 20 * k) * v;
                b = (40 + 20 * k2) * v;
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_board(int w, int h) {
    rgbimage img = blank(w, h);
    // The playing squares fill all but a border of 1/18 of the side; the
    // border is dark wood running round, the squares alternate maple and
    // walnut with their grain turned a quarter from square to square.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (x + 0.5f) / w * 18 - 1, v = (y + 0.5f) / h * 18 - 1;   // squares are 2 wide
            float r, g, b;
            if (u < 0 || v < 0 || u >= 16 || v >= 16) {
                const bool across = std::min(u, 16 - u) > std::min(v, 16 - v);
                const float t = woodgrain(across ? float(x) : float(y), across ? float(y) : float(x), 30, w, 5);
                r = mix(60, 110, t), g = mix(32, 64, t), b = mix(18, 36, t);
                // A thin light line round the squares.
                if (std::fabs(u - std::clamp(u, 0.0f, 16.0f)) + std::fabs(v - std::clamp(v, 0.0f, 16.0f)) < 0.08f)
                    r = 220, g = 190, b = 120;
            } else {
                const int sq = int(u / 2) + int(v / 2);
                const bool turned = sq & 1;
                const float t = woodgrain(turned ? float(y) : float(x), turned ? float(x) : float(y),
                                          18 + 7 * float(int(u / 2) * 3 % 5), w, sq);
                if (sq & 1) r = mix(70, 120, t), g = mix(40, 74, t), b = mix(24, 44, t);
                else r = mix(205, 240, t), g = mix(170, 205, t), b = mix(118, 150, t);
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_windows(int w, int h) {
    rgbimage img = blank(w, h);
    // 8 window columns across, 8 floors up the picture (a material repeats
    // it to the height it needs); each window lit or dark at random.
    const int cw = w / 8, ch = h / 8;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int col = x / cw, row = y / ch;
            const int wx = x % cw, wy = y % ch;
            const float n = fbm(8.0f * x / w, 8.0f * y / h, 2, 8, 8);
            float r = 52 + 20 * n, g = 54 + 20 * n, b = 66 + 22 * n;   // concrete in the dusk
            // Wall below each window: a tower's foot, mapped from the
            // bottom rows, stays wall.
            if (wx >= cw / 6 && wx < cw - cw / 6 && wy >= ch / 6 && wy < ch - ch / 4) {
                const float k = lattice(col, row, 8, 8, 51);
                if (k < 0.42f) {
                    // Lit: warm, some brighter than others, a blind's
                    // shadow in a few.
                    const float l = 0.75f + 0.6f * lattice(col, row, 8, 8, 52);
                    const bool blind = lattice(col, row, 8, 8, 53) < 0.3f && wy < ch * 2 / 5;
                    r = 255 * l, g = 200 * l, b = 110 * l;
                    if (blind) r *= 0.6f, g *= 0.55f, b *= 0.5f;
                } else {
                    // Dark glass holding the last of the sky.
                    const float s = float(wy) / ch;
                    r = mix(40, 90, s), g = mix(50, 70, s), b = mix(90, 110, s);
                }
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

rgbimage tex_giant(int w, int h) {
    rgbimage img = blank(w, h);
    static const float band[][3] = {{232, 214, 180}, {196, 150, 104}, {238, 226, 200}, {170, 108, 70},
                                    {220, 190, 150}, {150, 96, 64},   {236, 222, 196}, {188, 140, 96}};
    const int nb = sizeof band / sizeof band[0];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = float(x) / w, v = float(y) / h;
            // Bands of latitude, their edges stirred by the winds.
            const float turb = fbm(6.0f * u, 48.0f * v, 5, 6, 1 << 16) - 0.5f;
            const float eddy = fbm(24.0f * u, 24.0f * v, 3, 24, 1 << 16) - 0.5f;
            float lat = v * 2.0f * nb + 1.2f * turb + 0.5f * eddy + 0.25f * std::sin(6.2832f * u * 3 + v * 40);
            lat = std::clamp(lat, 0.0f, 2.0f * nb - 0.001f);
            const int i = int(lat) / 2 % nb, j = (i + 1) % nb;
            const float t = smoothstep(0.6f, 1.0f, fract(lat / 2) * 2 - 0.4f);
            float r = mix(band[i][0], band[j][0], t), g = mix(band[i][1], band[j][1], t), b = mix(band[i][2], band[j][2], t);
            // The great storm: an oval swirl south of the equator.
            const float dx = (u - 0.3f) * 5.0f, dy = (v - 0.62f) * 9.0f, d = std::sqrt(dx * dx + dy * dy);
            if (d < 1.0f) {
                const float a = std::atan2(dy, dx) + 3 * d;
                const float sw = 0.5f + 0.5f * std::sin(a * 3 + 8 * d);
                const float k = smoothstep(1.0f, 0.6f, d);
                r = mix(r, 200 + 30 * sw, k), g = mix(g, 90 + 30 * sw, k), b = mix(b, 60 + 20 * sw, k);
            }
            // Darker toward the poles.
            const float pole = 1 - 0.35f * std::pow(std::fabs(2 * v - 1), 3.0f);
            put(img, x, y, r * pole, g * pole, b * pole);
        }
    return img;
}

rgbimage tex_sun(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = 16.0f * x / w, v = 8.0f * y / h;
            const float cells = fbm(u * 2, v * 2, 4, 32, 1 << 16);
            const float flare = fbm(u * 0.5f + 3, v * 0.5f, 3, 8, 1 << 16);
            const float t = std::clamp(0.25f + 0.9f * cells + 0.6f * (flare - 0.5f), 0.0f, 1.0f);
            put(img, x, y, 255, mix(110, 235, t), mix(10, 120, t * t));
        }
    return img;
}

rgbimage tex_stars(int w, int h) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = float(x) / w, v = float(y) / h;
            // Deep blue, a paler milky band winding round.
            const float bandc = 0.5f + 0.25f * std::sin(6.2832f * u + 1.0f);
            const float near = std::exp(-std::pow((v - bandc) / 0.08f, 2.0f));
            const float mb = near > 0.01f ? near * fbm(12 * u, 6 * v, 4, 12, 1 << 16) : 0.0f;
            float r = 14 + 60 * mb, g = 22 + 70 * mb, b = 70 + 90 * mb;
            // Gold circles: meridians every 30 degrees, parallels every 30,
            // and the ecliptic.
            const float lon = fract(u * 12 + 0.5f), lat = fract(v * 6 + 0.5f);
            const float ecl = v - (0.5f - 0.13f * std::sin(6.2832f * u));
            const float lw = 1.0f / w, lh = 1.0f / h;
            if (std::fabs(lon - 0.5f) < 0.6f * lw * 12 || std::fabs(lat - 0.5f) < 0.6f * lh * 6 ||
                std::fabs(ecl) < 1.2f * lh) {
                r = 190, g = 150, b = 70;
            }
            put(img, x, y, r, g, b);
        }
    // Stars: bright discs of one to three texels, a few larger ones with a
    // cross, tinted from blue-white to amber.
    const int n = w * h / 220;
    for (int s = 0; s < n; ++s) {
        const uint32_t k = hash(s, 0, 61);
        const int sx = int(hash(s, 1, 61) % uint32_t(w)), sy = int(hash(s, 2, 61) % uint32_t(h));
        const float mag = (k & 255) / 255.0f;
        const float rad = mag > 0.97f ? 2.2f : mag > 0.8f ? 1.4f : 0.8f;
        const float tint = ((k >> 8) & 255) / 255.0f;
        const float cr = mix(200, 255, tint), cg = mix(215, 230, tint), cb = mix(255, 170, tint);
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const float d = std::sqrt(float(dx * dx + dy * dy));
                const bool ray = rad > 2 && (dx == 0 || dy == 0) && d <= 3;
                if (d > rad && !ray) continue;
                const int px = (sx + dx + w) % w, py = sy + dy;
                if (py < 0 || py >= h) continue;
                put(img, px, py, cr, cg, cb);
            }
    }
    return img;
}

rgbimage tex_land(int w, int h, const std::function<float(float, float)> &height) {
    rgbimage img = blank(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
            const float e = height(u, v);
            const float n = fbm(24 * u, 24 * v, 4, 24, 24);
            float r, g, b;
            if (e < 0.0f) {   // shallows over sand, darker with depth
                const float d = std::min(1.0f, -e / 0.6f);
                r = mix(200, 70, d), g = mix(190, 120, d), b = mix(150, 140, d);
            } else if (e < 0.12f) {   // beach
                r = 228 + 20 * n, g = 206 + 20 * n, b = 150 + 15 * n;
            } else if (e < 0.9f) {    // meadows
                const float t = (e - 0.12f) / 0.78f;
                r = mix(110, 70, t) + 40 * (n - 0.5f), g = mix(170, 130, t) + 40 * (n - 0.5f), b = mix(70, 50, t);
            } else if (e < 1.7f) {    // forest, patchy
                const float f = smoothstep(0.35f, 0.65f, n);
                r = mix(60, 34, f), g = mix(110, 80, f), b = mix(50, 36, f);
            } else if (e < 2.5f - 0.4f * n) {   // bare rock
                const float t = (e - 1.7f) / 0.8f;
                r = mix(120, 150, t) + 30 * n, g = mix(110, 140, t) + 30 * n, b = mix(95, 130, t) + 30 * n;
            } else {   // snow
                r = g = 240 + 12 * n, b = 250;
            }
            put(img, x, y, r, g, b);
        }
    return img;
}

}  // namespace vortella
