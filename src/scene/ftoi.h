// Float to int conversion that is defined for every input: truncates toward
// zero like a C cast, maps NaN to 0 and clamps values outside the int range.
// A plain cast of such a value is undefined behaviour, so every conversion of
// a value that may be out of range goes through here.
#pragma once

#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vortella {

inline int ftoi(double v) {
    if (!(v == v)) return 0;                       // NaN
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

#if defined(__SSE2__)
// ftoi of four floats at once, lane for lane the same results. The
// processor's truncation gives INT_MIN for NaN and for every value outside
// the int range; the lanes at or above 2^31 (no float lies between
// INT_MAX and 2^31) are made INT_MAX and the NaN lanes 0.
inline __m128i ftoi4(__m128 v) {
    const __m128i t = _mm_cvttps_epi32(v);
    const __m128i over = _mm_castps_si128(_mm_cmpge_ps(v, _mm_set1_ps(2147483648.0f)));
    const __m128i nan = _mm_castps_si128(_mm_cmpunord_ps(v, v));
    const __m128i r = _mm_or_si128(_mm_andnot_si128(over, t), _mm_and_si128(over, _mm_set1_epi32(INT_MAX)));
    return _mm_andnot_si128(nan, r);
}

// ftoi4 limited to lo .. hi as `v < lo ? lo : v > hi ? hi : v` limits each
// lane (lo wins when hi < lo). SSE2 has no 32-bit minimum or maximum.
inline __m128i ftoi4in(__m128 v, int lo, int hi) {
    const __m128i t = ftoi4(v), l = _mm_set1_epi32(lo), h = _mm_set1_epi32(hi);
    const __m128i below = _mm_cmplt_epi32(t, l), above = _mm_cmpgt_epi32(t, h);
    const __m128i r = _mm_or_si128(_mm_andnot_si128(above, t), _mm_and_si128(above, h));
    return _mm_or_si128(_mm_andnot_si128(below, r), _mm_and_si128(below, l));
}
#endif

}  // namespace vortella
