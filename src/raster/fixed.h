// 16.16 fixed point for the triangle scan: 16 integer bits, 16 fraction
// bits in a signed 32-bit value.
//
// The arithmetic wraps modulo 2^32 exactly like the 32-bit registers the
// interpolation was designed for. Values that stay in range (differences
// below 32768) give the same results as plain int arithmetic; values that
// do not (wild texture coordinates) wrap instead of being undefined, and the
// fillers range-test what they index with.
#pragma once

#include <cstdint>

namespace vortella {

typedef int32_t fixed;

constexpr int FRACBITS = 16;
constexpr fixed FRACUNIT = 1 << FRACBITS;
constexpr fixed FRACHALF = FRACUNIT / 2;

// Reduces a 64-bit intermediate to 32 bits modulo 2^32.
inline fixed fixwrap(int64_t v) { return static_cast<fixed>(static_cast<uint32_t>(v)); }

inline fixed fixadd(fixed a, fixed b) { return fixwrap(int64_t(a) + b); }

// Integer part, rounding toward minus infinity (arithmetic shift).
inline int fixint(fixed a) { return a >> FRACBITS; }

// Accumulator for the integer value v, biased by half a unit so that the
// integer part rounds to nearest while it moves between two integers.
inline fixed fixstart(int v) { return fixwrap(int64_t(v) * FRACUNIT + FRACHALF); }

// Per-step increment from va to vb over n steps. The difference is taken in
// 16.16 first and divided only when n > 0; for n == 0 the whole difference
// stays as the increment, which the scan applies at most once and only
// after the value's last use. The division truncates toward zero, so n
// steps never carry the value past vb.
inline fixed fixstep(int va, int vb, int n) {
    fixed d = fixwrap((int64_t(vb) - va) * FRACUNIT);
    return n > 0 ? d / n : d;
}

}  // namespace vortella
