// The four-lane conversion gives, lane for lane, what the one-value
// conversion gives: for NaN of either sign, the infinities, the ends of the
// int range and the floats around them, zeros, tiny values, and a sweep of
// bit patterns from every exponent.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "scene/ftoi.h"

namespace vortella {
namespace {

#if defined(__SSE2__)
float bits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

std::vector<float> cases() {
    std::vector<float> v = {bits(0x7fc00000), bits(0xffc00000), bits(0x7f800001), bits(0x7f800000),
                            bits(0xff800000), 2147483648.0f, 2147483520.0f, -2147483648.0f, -2147483904.0f,
                            -2147483520.0f, 0.0f, -0.0f, 0.5f, -0.5f, 0.99999994f, -0.99999994f, 1.0f, -1.0f,
                            bits(1), bits(0x80000001), 255.49f, 255.5f, 256.0f, -1e10f, 1e10f, 3.4e38f, -3.4e38f};
    // Every exponent, with a few mantissas, both signs.
    for (uint32_t e = 0; e < 256; ++e)
        for (uint32_t m : {0u, 1u, 0x400000u, 0x7fffffu, 0x123457u})
            for (uint32_t s : {0u, 0x80000000u}) v.push_back(bits(s | e << 23 | m));
    while (v.size() % 4) v.push_back(0.0f);
    return v;
}

TEST(Ftoi, FourLanesGiveWhatOneValueGives) {
    const std::vector<float> v = cases();
    for (size_t i = 0; i < v.size(); i += 4) {
        alignas(16) int r[4], c[4], w[4];
        const __m128 x = _mm_loadu_ps(&v[i]);
        _mm_store_si128(reinterpret_cast<__m128i *>(r), ftoi4(x));
        _mm_store_si128(reinterpret_cast<__m128i *>(c), ftoi4in(x, 0, 255));
        // An empty range: the lower end wins, as in the one-value clamp.
        _mm_store_si128(reinterpret_cast<__m128i *>(w), ftoi4in(x, 5, -5));
        for (int k = 0; k < 4; ++k) {
            const float f = v[i + size_t(k)];
            EXPECT_EQ(r[k], ftoi(f)) << f;
            EXPECT_EQ(c[k], clampi(ftoi(f), 0, 255)) << f;
            EXPECT_EQ(w[k], clampi(ftoi(f), 5, -5)) << f;
        }
    }
}
#endif

}  // namespace
}  // namespace vortella
