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

}  // namespace vortella
