// The shapes that split a 4x4 block into two or three subsets, shared by the BC6H and
// BC7 block formats, and the anchor texel of each subset (the texel whose index is
// stored one bit short, its top bit known to be 0).
#pragma once
#include <cstdint>

namespace orvik {

constexpr int kBcPartitionCount = 64;

// Subset (0 to subsets - 1) of a texel, texels in rows top to bottom.
int BcSubsetOf(int subsets, int partition, int texel);
// The anchor texel of a subset: texel 0 for subset 0.
int BcAnchorOf(int subsets, int partition, int subset);

}  // namespace orvik
