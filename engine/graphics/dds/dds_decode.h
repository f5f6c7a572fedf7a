// The later DDS layouts (pixels of wide, float or luminance channels, and BC4 to BC7
// blocks) decoded into 32-bit ARGB, one level at a time.
#pragma once
#include <cstdint>

#include "engine/graphics/dds/dds_layouts.h"

namespace orvik {

// Bytes one level of width x height takes in the file: whole blocks for block layouts,
// else rows of `pitch` bytes.
int64_t DdsLevelBytes(const DdsLayout& layout, int64_t width, int64_t height, int64_t pitch);
// Decodes one level of a kPixels or kBlocks layout into width x height ARGB pixels of
// pitch width x 4; the source holds DdsLevelBytes bytes.
void DecodeDdsLevel(const DdsLayout& layout, const uint8_t* source, int64_t pitch, int width, int height,
                    uint8_t* argb);

}  // namespace orvik
