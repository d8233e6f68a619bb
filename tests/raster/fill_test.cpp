// Span fillers: the shared scan, each member's colour rule, texture bounds,
// transparency marks and the flat pattern copy.
#include <memory>
#include <random>

#include "rastertest.h"

namespace vortella {
namespace {

struct Fill : ::testing::Test {
    testpic pic;
    std::unique_ptr<testmat> mat{new testmat};

    void SetUp() override {
        // Each test's tables are new: nothing remembered of the last one's.
        reset_raster();
        create_halftone_palette();
        pic.make(64, 48);
        mat->use();
        pred = 255, pgreen = 0, pblue = 0;
        n1 = n2 = n3 = h1 = h2 = h3 = 0;
        tx1 = ty1 = tx2 = ty2 = tx3 = ty3 = 0;
        attf = 0, trctr = 1;
    }
    // First and last column written in row y, (-1, -1) for none.
    std::pair<int, int> row(int y) const {
        int a = -1, b = -1;
        for (int x = 0; x < picw; ++x)
            if (pic.at(x, y) != untouched) b = x, a = a < 0 ? x : a;
        return {a, b};
    }
};
using span = std::pair<int, int>;

// Shade s in base 6 over the channels (m = 0, 1, 2), every digit an exact
// level, so a stored pixel gives its shade back.
void codeshades(litea &l) {
    for (int s = 0; s < 256; ++s)
        for (int c = 0, d = s; c < 3; ++c, d /= 6) l.lti[s * 256 + c] = uint8_t(51 * (d % 6));
}
int decode(uint8_t p) {
    const PALETTEENTRY &e = peEntry[p];
    return e.peRed / 51 + 6 * (e.peGreen / 51) + 36 * (e.peBlue / 51);
}

TEST_F(Fill, OneRowFlatTopAndFlatBottom) {
    for (filler_fn f : all_fillers) {
        pic.make(64, 48);
        settri(5, 3, 9, 3, 2, 3);
        f();
        EXPECT_EQ(row(3), span(5, 5));   // vertex 1 alone
        EXPECT_EQ(row(2), span(-1, -1));
        EXPECT_EQ(row(4), span(-1, -1));
    }
    settri(2, 0, 10, 0, 6, 8);
    f08000();
    EXPECT_EQ(row(0), span(2, 2));
    EXPECT_EQ(row(1), span(3, 10));
    EXPECT_EQ(row(8), span(6, 7));   // the short edge stops a step short
    pic.make(64, 48);
    settri(6, 0, 2, 8, 10, 8);
    f08000();
    EXPECT_EQ(row(8), span(2, 10));
    EXPECT_EQ(row(9), span(-1, -1));
}

TEST_F(Fill, LowerHalfRestartsAtVertexTwo) {
    codeshades(mat->l);
    pred = 0, pgreen = 1, pblue = 2;
    settri(10, 0, 30, 10, 0, 20);
    n1 = 0, n2 = 100, n3 = 200;
    s08000();
    EXPECT_EQ(row(11), span(5, 30));
    EXPECT_EQ(row(20), span(0, 3));
    // Vertex 2's own value at its row and the next, the long edge going on,
    // vertex 3, and vertex 3 less one step.
    const int shades[] = {decode(pic.at(30, 10)), decode(pic.at(30, 11)), decode(pic.at(5, 11)),
                          decode(pic.at(0, 20)), decode(pic.at(3, 20))};
    EXPECT_EQ(std::vector<int>(shades, shades + 5), std::vector<int>({100, 100, 110, 200, 190}));
}

TEST_F(Fill, TextureOutsideZeroTo16383UsesTheFallback) {
    const uint8_t texelidx = aWinGHalftoneTranslation[1 + 6 * 2 + 36 * 3], red = 249;
    mat->settexel(3, 0, 51, 102, 153);
    mat->settexel(0, 0, 51, 102, 153);
    // Row 1 spans x = 0..2 with tx from vertex 2 to vertex 3.
    const int cases[][4] = {{16383, 16385, texelidx, red}, {-1, 1, red, texelidx}};
    for (filler_fn f : {f08100, a08100, f08110, s08100, s08110})
        for (const auto &c : cases) {
            settri(0, 0, 0, 1, 2, 1);
            tx1 = tx2 = c[0], tx3 = c[1];
            f();
            EXPECT_EQ(span(pic.at(0, 1), pic.at(1, 1)), span(c[2], c[3])) << c[0];
        }
}

TEST_F(Fill, FlatLongSpansEqualPerPixelDithering) {
    pred = 100, pgreen = 150, pblue = 30;
    for (int w : {20, 21, 22, 40, 58})
        for (int xa : {0, 3, 5}) {
            settri(xa, 6, xa, 7, xa + w, 7);
            f08000();
            EXPECT_EQ(row(7), span(xa, xa + w));
            for (int x = xa; x <= xa + w; ++x) ASSERT_EQ(pic.at(x, 7), halftone_at(100, 150, 30, x, 7));
            pic.make(64, 48);
        }
}

TEST_F(Fill, EachMemberFormsItsColour) {
    auto L = [](int s, int v) { return v * s / 255; };
    auto H = [](int h, int v) { return std::min(255, v + 4 * h); };
    auto T = [](int s, int v) { return v * (255 - s) / 255; };
    for (int i = 0; i < 65536; ++i) {
        mat->l.lti[i] = uint8_t(L(i >> 8, i & 255));
        mat->tr.lti[i] = mat->tg.lti[i] = mat->tb.lti[i] = uint8_t(T(i >> 8, i & 255));
    }
    for (int i = 0; i < 32 * 256; ++i) mat->h.hli[i] = H(i >> 8, i & 255);
    mat->settexel(0, 0, 180, 120, 60);
    const int m[3] = {30, 90, 210}, t[3] = {180, 120, 60}, o[3] = {102, 51, 204}, s = 200, h = 10;
    pred = uint8_t(m[0]), pgreen = uint8_t(m[1]), pblue = uint8_t(m[2]), attf = 1;
    auto run = [&](filler_fn f, auto rule) {
        const bool see_through = f == f08011 || f == s08011;
        pic.make(64, 48);
        if (see_through) pic.fill(halftone(o[0], o[1], o[2], 0));
        settri(8, 8, 20, 8, 8, 20);
        n1 = n2 = n3 = s, h1 = h2 = h3 = h;
        f();
        int seen = 0;
        for (int y = 0; y < pich; ++y)
            for (int x = 0; x < picw; ++x)
                if (see_through ? transa[y * picw + x] == trctr : pic.at(x, y) != untouched) {
                    ASSERT_EQ(pic.at(x, y), halftone_at(rule(0), rule(1), rule(2), x, y));
                    ++seen;
                }
        EXPECT_EQ(seen, 91);
    };
    run(f08000, [&](int k) { return H(h, L(s, m[k])); });
    run(s08000, [&](int k) { return L(s, m[k]); });
    run(s08010, [&](int k) { return H(h, L(s, m[k])); });
    run(f08100, [&](int k) { return L(s, t[k]); });
    run(a08100, [&](int k) { return t[k] >> 1; });
    run(f08110, [&](int k) { return H(h, L(s, t[k])); });
    run(s08100, [&](int k) { return L(s, t[k]); });
    run(s08110, [&](int k) { return H(h, L(s, t[k])); });
    run(f08011, [&](int k) { return H(h, T(s, o[k])); });
    run(s08011, [&](int k) { return H(h, T(s, o[k])); });
    // Shade and highlight beyond the tables are clamped to their last rows.
    settri(30, 30, 40, 30, 30, 40);
    n1 = 300, h1 = 40;
    f08000();
    EXPECT_EQ(pic.at(30, 31), halftone_at(H(31, L(255, m[0])), H(31, L(255, m[1])), H(31, L(255, m[2])), 30, 31));
}

TEST_F(Fill, TransparentMembersFilterEachPixelOncePerCounter) {
    codeshades(mat->tr), codeshades(mat->tg), codeshades(mat->tb);
    for (filler_fn f : {f08011, s08011}) {
        auto draw = [&](bool marked) {
            pic.make(64, 48);
            pic.fill(0);
            trctr = 50;
            if (marked)
                for (int x = 0; x < picw; x += 3) transa[12 * picw + x] = 50, transa[13 * picw + x] = 150;
            settri(2, 2, 60, 12, 5, 30);
            n1 = 10, n2 = 150, n3 = 90;
            f();
            return pic.mem;
        };
        const std::vector<uint8_t> plain = draw(false), marked = draw(true);
        for (int y = 0; y < pich; ++y)
            for (int x = 0; x < picw; ++x) {
                const size_t i = size_t(guardw + y * pic.stride + x);
                // Marked pixels stay; the others get what they get unmarked,
                // so the interpolation went on past the skipped ones.
                ASSERT_EQ(marked[i], y == 12 && x % 3 == 0 ? 0 : plain[i]) << x << "," << y;
            }
        settri(2, 2, 60, 12, 5, 30);
        f();   // the same counter again changes nothing
        EXPECT_EQ(pic.mem, marked);
    }
}

// Random triangles, degenerate ones and wild values included: every member
// writes exactly the same pixels, one run per row from the top vertex to the
// bottom one inside the vertices' box, and nothing outside the picture.
TEST_F(Fill, AllMembersCoverTheSamePixelsInsideThePicture) {
    std::mt19937 rng(4);
    auto wild = [&] { return rng() % 4 == 0 ? int(rng()) : int(rng() % 20000) - 2000; };
    for (int i = 0; i < 300; ++i) {
        int v[6], a[12];
        for (int k = 0; k < 6; k += 2) {
            v[k] = i % 7 == 0 ? int(rng() % 2) * 63 : int(rng() % 64);
            v[k + 1] = k > 0 && i % 5 == 0 ? v[1] : int(rng() % 48);
        }
        for (int &x : a) x = wild();
        std::vector<uint8_t> ref;
        for (filler_fn f : all_fillers) {
            pic.make(64, 48);
            settri(v[0], v[1], v[2], v[3], v[4], v[5]);
            n1 = a[0], n2 = a[1], n3 = a[2], h1 = a[3], h2 = a[4], h3 = a[5];
            tx1 = a[6], ty1 = a[7], tx2 = a[8], ty2 = a[9], tx3 = a[10], ty3 = a[11];
            attf = a[0];
            f();
            ASSERT_TRUE(pic.guards_intact()) << "triangle " << i;
            std::vector<uint8_t> cover(pic.mem.size());
            for (size_t k = 0; k < cover.size(); ++k) cover[k] = pic.mem[k] != untouched;
            if (!ref.empty()) {
                ASSERT_EQ(cover, ref) << "triangle " << i;
                continue;
            }
            ref = cover;
            for (int y = 0; y < pich; ++y) {
                const span r = row(y);
                ASSERT_EQ(r.first >= 0, y >= std::min({v[1], v[3], v[5]}) && y <= std::max({v[1], v[3], v[5]}));
                if (r.first < 0) continue;
                EXPECT_GE(r.first, std::min({v[0], v[2], v[4]}));
                EXPECT_LE(r.second, std::max({v[0], v[2], v[4]}));
                EXPECT_EQ(std::count(yaddar[y] + r.first, yaddar[y] + r.second + 1, untouched), 0);
            }
        }
    }
}

// Large flat textured triangles take folded tables (the shading row and the
// halftone levels in one), small ones the plain rule. Each flat filler must
// draw what its smooth twin draws with the same shade (and highlight) at
// every vertex, pixel for pixel, over random textures and shading rows, the
// texture's edges and the fallback colour outside it included; the shift of
// the unlit filler is given to the twin as its shading row. More maps than
// the folds kept make them be replaced and made again.
TEST_F(Fill, LargeFlatTexturedTrianglesDrawAsTheirSmoothTwins) {
    std::mt19937 rng(5);
    auto byte = [&rng] { return int(rng() & 255); };
    const int tris[][6] = {{0, 0, 199, 10, 40, 149}, {199, 0, 190, 149, 0, 80}, {20, 5, 180, 30, 100, 140}};
    enum { plain, unlit, highlighted };
    for (int round = 0; round < 12; ++round) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) mat->settexel(c, r, byte(), byte(), byte());
        const int n = 1 + byte() % 254, h = byte() % 32;
        for (int v = 0; v < 256; ++v) mat->l.lti[n * 256 + v] = uint8_t(byte());
        pred = uint8_t(byte()), pgreen = uint8_t(byte()), pblue = uint8_t(byte());
        for (int kind : {plain, unlit, highlighted}) {
            attf = round % 9;
            // The twin's shading row for the unlit filler: its shift.
            const std::vector<uint8_t> row(mat->l.lti + n * 256, mat->l.lti + n * 256 + 256);
            for (int v = 0; v < 256; ++v) {
                if (kind == unlit) mat->l.lti[n * 256 + v] = uint8_t(v >> attf);
                mat->h.hli[h * 256 + v] = kind == highlighted ? byte() : v;
            }
            for (const int *t : tris) {
                settri(t[0], t[1], t[2], t[3], t[4], t[5]);
                n1 = n2 = n3 = n, h1 = h2 = h3 = h;
                // Inside the texture, then reaching out of it on both sides.
                for (int out : {0, 1}) {
                    tx1 = out ? -3000 : 0, ty1 = 100, tx2 = 16383, ty2 = out ? 20000 : 9000, tx3 = 7000,
                    ty3 = 16383;
                    pic.make(200, 150);
                    kind == plain ? f08100() : kind == unlit ? a08100() : f08110();
                    const std::vector<uint8_t> flat = pic.mem;
                    pic.make(200, 150);
                    kind == highlighted ? s08110() : s08100();
                    ASSERT_TRUE(flat == pic.mem) << "round " << round << ", kind " << kind << ", outside " << out;
                }
            }
            if (kind == unlit) std::copy(row.begin(), row.end(), mat->l.lti + n * 256);
        }
    }
}

// A smooth plain triangle draws what the smooth highlighted filler draws
// at level 0 with an identity highlight row, whether it goes through the
// material's palette table or not: small triangles until the material has
// drawn enough pixels for a table, then with it, large ones at once. A
// shading table changed in place after the frame moves on is read again,
// and more materials than tables kept make them be replaced.
TEST_F(Fill, SmoothTrianglesWithAndWithoutTheMaterialsTable) {
    std::mt19937 rng(9);
    auto byte = [&rng] { return int(rng() & 255); };
    const int tris[][6] = {{0, 0, 239, 10, 40, 179}, {239, 0, 230, 179, 0, 80}, {20, 5, 26, 9, 21, 12},
                           {100, 100, 104, 101, 99, 106}};
    for (int v = 0; v < 256; ++v) mat->h.hli[v] = v;
    // Whether triangle t with random shades draws the same through both.
    auto same = [&](const int *t) {
        settri(t[0], t[1], t[2], t[3], t[4], t[5]);
        n1 = byte(), n2 = byte(), n3 = byte(), h1 = h2 = h3 = 0;
        pic.make(240, 180);
        s08010();
        const std::vector<uint8_t> twin = pic.mem;
        pic.make(240, 180);
        s08000();
        return twin == pic.mem;
    };
    for (int round = 0; round < 12; ++round) {
        ++fillgen;
        // Every other round the same colour with new shading rows; three
        // sets of rows in turn, so tables come back made.
        const int c = round / 2;
        pred = uint8_t(c), pgreen = uint8_t(2 * c), pblue = uint8_t(3 * c);
        std::mt19937 rows(round % 3);
        for (int i = 0; i < 65536; ++i) mat->l.lti[i] = uint8_t(rows());
        for (int rep = 0; rep < 40; ++rep)
            for (const int *t : tris) ASSERT_TRUE(same(t)) << "round " << round << ", repetition " << rep;
    }
    // In one frame, more materials in turn than tables kept.
    ++fillgen;
    for (int rep = 0; rep < 3; ++rep)
        for (int c = 0; c < shadecount + 2; ++c) {
            pred = uint8_t(c), pgreen = uint8_t(c + 1), pblue = uint8_t(c + 2);
            ASSERT_TRUE(same(tris[0])) << "material " << c << ", repetition " << rep;
        }
}

// A flat transparent triangle with one highlight level draws what the
// smooth transparent filler draws with one shade, whether it goes through
// a table of its rows or not: small triangles until the rows have filtered
// enough pixels for a table, then with it. The picture under it holds
// every palette index, some pixels already filtered. Rows changed in place
// after the frame moves on are read again, and more sets of rows than
// tables kept make them be replaced.
TEST_F(Fill, FlatTransparentTrianglesWithAndWithoutTheFilterTable) {
    const int tris[][6] = {{0, 0, 239, 10, 40, 179}, {239, 0, 230, 179, 0, 80}, {20, 5, 26, 9, 21, 12},
                           {100, 100, 104, 101, 99, 106}};
    trctr = 7;
    // Whether triangle t draws the same through both, pixels and marks.
    auto same = [&](const int *t, int n, int h) {
        auto draw = [&](filler_fn f) {
            pic.make(240, 180);
            std::mt19937 under(1);
            for (int y = 0; y < pich; ++y)
                for (int x = 0; x < picw; ++x) {
                    yaddar[y][x] = uint8_t(under());
                    transa[y * picw + x] = under() % 5 == 0 ? 7 : 3;
                }
            settri(t[0], t[1], t[2], t[3], t[4], t[5]);
            n1 = n2 = n3 = n, h1 = h2 = h3 = h;
            f();
            return std::make_pair(pic.mem, pic.marks);
        };
        return draw(s08011) == draw(f08011);
    };
    for (int round = 0; round < 12; ++round) {
        ++fillgen;
        // Every other round the same shade and level with new rows; three
        // sets of rows in turn, so tables come back made.
        std::mt19937 rows(round % 3);
        for (litea *l : {&mat->tr, &mat->tg, &mat->tb})
            for (int i = 0; i < 65536; ++i) l->lti[i] = uint8_t(rows());
        for (int i = 0; i < 32 * 256; ++i) mat->h.hli[i] = int(rows() & 255);
        const int n = 17 + 40 * (round / 2), h = 5 * (round / 2);
        for (int rep = 0; rep < 3; ++rep)
            for (const int *t : tris) ASSERT_TRUE(same(t, n, h)) << "round " << round << ", repetition " << rep;
    }
    // In one frame, more shades in turn than tables kept.
    ++fillgen;
    for (int rep = 0; rep < 2; ++rep)
        for (int n = 0; n < filtercount + 2; ++n)
            ASSERT_TRUE(same(tris[0], 40 * n, 3)) << "shade " << n << ", repetition " << rep;
}

}  // namespace
}  // namespace vortella
