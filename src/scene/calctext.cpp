// Material tables: everything a span filler needs per pixel, precomputed as
// table reads (shading, highlight, transmission, texel addresses).
//
// The ramps are 16.16 fixed point: a start value s is held as
// s * 65536 + 32768 (the half unit makes the >> 16 round to nearest) and the
// step is the difference * 65536 divided by the number of rows.
//
// Values a file may hold outside what the tables can take (brilliance,
// highlight length, opacity and transparency bounds, shift counts, NaN) are
// clamped into range first; valid materials give exactly the same tables.
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "scene/ftoi.h"
#include "scene/scene.h"

namespace vortella {

namespace {

int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// A message for the user about a map: `form` holds one %s for its name.
void note(const char *form, const char *name, const char *caption) {
    char msg[160];
    std::snprintf(msg, sizeof msg, form, name);
    loadnotes.push_back({msg, caption});
}

void shading(mem_texture_s &m) {
    // Rows below B are unlit; B must leave at least one lit row.
    const int B = clampi(ftoi(m.brilliance * 255.0), 0, 254);
    const int amb = clampi(m.ambient, 0, 31), dif = clampi(m.diffuse, 0, 31);
    uint8_t *t = m.litear->lti;
    for (int c = 0; c < 256; ++c) {
        const int a = c >> amb, d = c >> dif;
        int r = 0;
        for (; r < B; ++r) t[r * 256 + c] = static_cast<uint8_t>(a);
        int held = a * 65536 + 32768;
        const int step = ((d - a) * 65536) / (255 - B);
        for (; r < 256; ++r) {
            t[r * 256 + c] = static_cast<uint8_t>(held >> 16);
            held += step;
        }
    }
}

void highlight(mem_texture_s &m) {
    const int L = clampi(ftoi(m.highlights * 31.0), 1, 32);
    int *t = m.hilitear->hli;
    for (int c = 0; c < 256; ++c) {
        int held = c * 65536 + 32768;
        const int step = ((255 - c) * 65536) / L;
        int h = 0;
        for (; h < L; ++h) {
            t[h * 256 + c] = held >> 16;
            held += step;
        }
        for (; h < 32; ++h) t[h * 256 + c] = 255;
    }
}

void transmission(mem_texture_s &m) {
    const int O = clampi(ftoi(m.opacity * 255.0), 0, 255);
    const int T = clampi(ftoi(m.trans * 255.0), 0, 255);
    // The share of the background seen through is a fraction; out of range
    // it would push channel values outside a byte.
    double f = m.trans_th;
    if (!(f >= 0.0)) f = 0.0;
    if (f > 1.0) f = 1.0;
    litea *tabs[3] = {m.transrr, m.transrg, m.transrb};
    const int mat[3] = {m.color.red, m.color.green, m.color.blue};
    for (int ch = 0; ch < 3; ++ch) {
        uint8_t *t = tabs[ch]->lti;
        const int mc = mat[ch];
        for (int c = 0; c < 256; ++c) {
            const double mixed = mc * (1.0 - f) + c * f;
            int r = 0;
            for (; r < O; ++r) t[r * 256 + c] = static_cast<uint8_t>(mc);
            if (r < T) {
                // The difference is truncated to an int before it is scaled.
                int held = mc * 65536 + 32768;
                const int step = (ftoi(mixed - mc) * 65536) / (T - O);
                for (; r < T; ++r) {
                    t[r * 256 + c] = static_cast<uint8_t>(held >> 16);
                    held += step;
                }
            }
            for (r = T; r < 256; ++r) t[r * 256 + c] = static_cast<uint8_t>(ftoi(mixed));
        }
    }
}

// Column and row tables over a bitmap. The products are taken in 64 bits:
// the same results as 32-bit arithmetic wherever that does not overflow, and
// still inside the bitmap where it would.
void maptables(mem_texture_s &m, bool planar, bool wrapped, int64_t xf, int64_t yf) {
    BITMAPINFOHEADER *bm = m.pdibmap;
    const int64_t W = bm->biWidth;
    const bool topdown = bm->biHeight < 0;
    const int64_t H = topdown ? -int64_t(bm->biHeight) : bm->biHeight;
    const int64_t S = DibRowBytes(bm);
    uint8_t *bits = DibBits(bm);
    int *ax = m.textax->api;
    if (planar) {
        for (int64_t u = 0; u < 16384; ++u) ax[u] = static_cast<int>(3 * (((W * u * xf) / 16384) % W));
    } else {
        // The coordinate range splits at 10922 (two thirds): the first part
        // covers the map x_freq times, the last third starts again at the
        // map's left edge.
        for (int64_t u = 0; u < 10922; ++u) {
            int64_t col = (W * u * xf) / 10922;
            ax[u] = static_cast<int>(3 * (wrapped ? col % W : col));
        }
        for (int64_t u = 10922; u < 16384; ++u) {
            int64_t col = ((u - 10922) * W * xf) / 10922;
            ax[u] = static_cast<int>(3 * (wrapped ? col % W : col));
        }
    }
    uint8_t **ay = m.textay->ap;
    for (int64_t v = 0; v < 16384; ++v) {
        int64_t row = (H * v * yf) / 16384;
        if (wrapped) row %= H;
        // Row 0 is the bottom row of the picture; a top-down bitmap stores
        // it last.
        if (topdown) row = H - 1 - row;
        ay[v] = bits + S * row;
    }
}

void texturemap(mem_texture_s &m) {
    const mem_object_header_s *mp = map_by_no(m.map_no);
    BITMAPINFOHEADER *bm = mp && mp->type == OT_MAP ? mp->t.map.pdibmap : nullptr;
    if (bm && !DibIsTexture(bm)) {
        note("Map %s is not a 24-bit bitmap", mp->t.map.ext_name, "Map Not Supported");
        bm = nullptr;
    }
    if (!bm) {
        m.map_type = 0;
        return;
    }
    m.pdibmap = bm;
    if (!m.textax) m.textax = new textia();
    if (!m.textay) m.textay = new texta();
    maptables(m, m.map_type == 1, true, m.x_freq, m.y_freq);
}

void reflection(mem_texture_s &m) {
    if (!bgmapraw) bgmapraw = DibOpenFile(bgmapname.c_str());
    if (!bgmapraw) {
        note("File %s not found", bgmapname.c_str(), "Map Not Found");
        m.reflection = 0.0f;
        return;
    }
    if (!DibIsTexture(bgmapraw)) {
        note("Map %s is not a 24-bit bitmap", bgmapname.c_str(), "Map Not Supported");
        m.reflection = 0.0f;
        return;
    }
    BITMAPINFOHEADER *bg = bgmapraw;
    const bool copy = m.reflection < 0.99f;
    if (copy) {
        if (m.pdibmap && m.pdibdel) DibFree(m.pdibmap);
        m.pdibmap = nullptr;
        m.pdibdel = 0;
        const int H = bg->biHeight < 0 ? -bg->biHeight : bg->biHeight;
        BITMAPINFOHEADER *cp = DibCreate(24, bg->biWidth, H);
        if (!cp) throw std::bad_alloc();
        // The copy takes the background's header, but keeps its own image
        // size and has no colour table, so that its bits stay where they
        // were made.
        const uint32_t own = cp->biSizeImage;
        *cp = *bg;
        cp->biSizeImage = own;
        cp->biClrUsed = 0;
        cp->biClrImportant = 0;
        m.pdibmap = cp;
        m.pdibdel = 1;
    } else {
        m.pdibmap = bg;
    }
    if (!m.textax) m.textax = new textia();
    if (!m.textay) m.textay = new texta();
    // Reflection spans the map once: no repetition, no wrap.
    maptables(m, false, false, 1, 1);

    if (copy) {
        // The background in the material's colour, darker where it is dark.
        const int W = bg->biWidth;
        const int H = bg->biHeight < 0 ? -bg->biHeight : bg->biHeight;
        const int S = DibRowBytes(bg);
        const uint8_t *src = DibBits(bg);
        uint8_t *dst = DibBits(m.pdibmap);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const size_t o = size_t(y) * S + size_t(x) * 3;
                const float lum = (src[o] + src[o + 1] + src[o + 2]) * (1.0f / 768.0f);
                const float g = 1.0f - (1.0f - lum) * m.reflection;
                dst[o + 2] = static_cast<uint8_t>(ftoi(m.color.red * g));
                dst[o + 1] = static_cast<uint8_t>(ftoi(m.color.green * g));
                dst[o] = static_cast<uint8_t>(ftoi(m.color.blue * g));
            }
        }
    }
}

}  // namespace

void calctext() {
    if (!ohap || ohap->type != OT_TEXTURE) return;
    mem_texture_s &m = ohap->t.material;
    if (!m.litear) m.litear = new litea();
    if (!m.hilitear) m.hilitear = new hilitea();
    shading(m);
    highlight(m);
    // The map first: a map that is missing or unusable turns the material
    // into a plain one, which then needs the transmission or reflection
    // tables the render list will choose it for.
    if (m.map_type >= 1) texturemap(m);
    if (m.trans != 0.0f && m.map_type == 0) {
        if (!m.transrr) m.transrr = new litea();
        if (!m.transrg) m.transrg = new litea();
        if (!m.transrb) m.transrb = new litea();
        transmission(m);
    }
    if (m.reflection > 0.0f && m.map_type == 0) reflection(m);
}

}  // namespace vortella
