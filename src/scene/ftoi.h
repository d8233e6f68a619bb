// Float to int conversion that is defined for every input: truncates toward
// zero like a C cast, maps NaN to 0 and clamps values outside the int range.
// A plain cast of such a value is undefined behaviour, so every conversion of
// a value that may be out of range goes through here.
#pragma once

#include <climits>

namespace vortella {

inline int ftoi(double v) {
    if (!(v == v)) return 0;                       // NaN
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace vortella
