// Decoding of DXT1 to DXT5 block data into 32-bit ARGB.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/graphics/images/base_image.h"

namespace orvik {

// Undoes premultiplied alpha for one 8-bit channel; a channel can come out above alpha
// after compression and is clamped to 255, and a pixel with alpha 0 stays black.
uint32_t UnpremultiplyChannel(uint32_t channel, uint32_t alpha);
// Bytes of one 4x4 block for a compression kind (8 for DXT1, 16 for DXT2-5, 0 otherwise).
int DxtBlockBytes(uint32_t compression);
// Bytes of one level of width x height texels: blocks counted rounding each side up.
size_t DxtLevelBytes(uint32_t compression, int width, int height);
// Decodes a compressed base image in place into 32-bit ARGB (partial edge blocks write
// only the pixels inside the image). 0 for an uncompressed image; -1 when memory runs
// out. The block data must hold at least DxtLevelBytes of the image size.
int DecodeDxtBaseImage(BaseImage* image);
// Decodes level 0 of the given block data into an ARGB block of pitch width x 4.
void DecodeDxtBlocks(uint32_t compression, const uint8_t* blocks, int width, int height,
                     uint8_t* argb);

}  // namespace orvik
