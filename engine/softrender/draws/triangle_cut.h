#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/softrender/draws/triangle.h"

namespace orvik::soft {

// The wide fixed point holds corners out to this many pixels: differences of two corners
// and their products with texel differences stay inside 64 bits, and rows fit a 32-bit
// count.
inline constexpr int32_t kTriangleReach = 1 << 28;

// True when every corner's x and y lie within the wide reach.
bool CornersWithinReach(const MemImgVertex* vertices);

// The triangle's part inside the wide reach, as a fan of triangles whose corners all lie
// within it; texel coordinates are interpolated along the cut edges, as the affine
// mapping does. Empty when nothing of it lies inside.
std::vector<std::array<MemImgVertex, 3>> CutToReach(const MemImgVertex* vertices);

}  // namespace orvik::soft
