// A reference copy of the frame renderer's per-triangle path as it was
// before the per-point arrays (see reference.cpp).
#pragma once

namespace vortella::test {

// Draws one frame like render(), every triangle on its own.
void refrender();

}  // namespace vortella::test
