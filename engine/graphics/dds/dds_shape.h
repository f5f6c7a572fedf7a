// How the images of a DDS file follow one another: array elements and cube faces each
// hold a whole mip chain; a volume stores every slice of a level before the next level.
// Graphics hold one 2D texture, so the reader takes the first element, face or slice with
// its own mip chain and skips the rest.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/graphics/dds/dds_layouts.h"

namespace orvik {

struct DdsShape {
    uint64_t elements = 1;  // array elements times cube faces
    uint32_t depth = 1;     // slices of the first level of a volume
    bool volume = false;
    bool oneRow = false;    // a one-dimensional texture
};

// The sides of one level of a chain and the row pitch of its first level.
struct DdsChain {
    int64_t width, height;
    int64_t pitch;  // of level 0 for pixel layouts; 0 for blocks
    uint32_t levels;
};

// Where one level of the image read lies in the data after the headers.
struct DdsLevelSpan {
    int64_t offset;
    int64_t bytes;
};

// From the older header's second caps word and depth; -1 with a log line when the cube
// names no face or the volume has no depth.
int DdsShapeOfCaps(uint32_t caps2, uint32_t depth, DdsShape* out);
// From the extended header's dimension, misc flags and array size and the header's depth;
// -1 with a log line for a dimension or combination no texture has.
int DdsShapeOfDx10(uint32_t dimension, uint32_t misc, uint32_t arraySize, uint32_t depth, DdsShape* out);

int64_t DdsLevelSide(int64_t side, uint32_t level);
int DdsPixelBytes(const DdsLayout& layout);
// Bytes of level `level` of one element (one slice of a volume level).
int64_t DdsChainLevelBytes(const DdsLayout& layout, const DdsChain& chain, uint32_t level);

// The levels of the first element, face or slice, and in *total the bytes every image of
// the file takes; false when that total passes `available` (checked without overflow,
// whatever the header claims).
bool PlanDdsLevels(const DdsShape& shape, const DdsLayout& layout, const DdsChain& chain, int64_t available,
                   std::vector<DdsLevelSpan>* spans, int64_t* total);

}  // namespace orvik
