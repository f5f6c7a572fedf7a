// The shapes of DDS files holding more than one image, and where the first image's levels
// lie. Header counts come from the file, so every product is checked against the bytes the
// file really has before it is formed.
#include "engine/graphics/dds/dds_shape.h"

#include <algorithm>
#include <bit>

#include "engine/graphics/dds/dds_decode.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr uint32_t kCaps2Cube = 0x200, kCaps2Faces = 0xFC00, kCaps2Volume = 0x200000;
constexpr uint32_t kDimension1d = 2, kDimension2d = 3, kDimension3d = 4, kMiscCube = 0x4;
constexpr uint64_t kCubeFaces = 6;

int Damaged(const char* what) {
    AddLogFormat("ＤＤＳファイルが壊れています(%s) in ReadDdsImage", what);
    return -1;
}

int NoSuchTexture(uint32_t dimension, uint32_t misc, uint32_t arraySize) {
    AddLogFormat("対応していないＤＤＳファイルの形式です(DX10 dimension %u, misc 0x%x, array size %u) in ReadDdsImage",
                 dimension, misc, arraySize);
    return -1;
}

// *sum += count x each, unless that passes limit (then false and *sum is kept).
bool AddProduct(int64_t* sum, uint64_t count, int64_t each, int64_t limit) {
    if (each > 0 && count > uint64_t((limit - *sum) / each)) return false;
    *sum += int64_t(count) * each;
    return true;
}

}  // namespace

int DdsShapeOfCaps(uint32_t caps2, uint32_t depth, DdsShape* out) {
    *out = DdsShape{};
    const bool cube = caps2 & kCaps2Cube, volume = caps2 & kCaps2Volume;
    if (cube && volume) return Damaged("cube volume");
    if (cube) {
        out->elements = uint64_t(std::popcount(caps2 & kCaps2Faces));
        return out->elements ? 0 : Damaged("cube faces");
    }
    if (!volume) return 0;
    if (depth == 0) return Damaged("depth");
    out->volume = true;
    out->depth = depth;
    return 0;
}

int DdsShapeOfDx10(uint32_t dimension, uint32_t misc, uint32_t arraySize, uint32_t depth, DdsShape* out) {
    *out = DdsShape{};
    const bool cube = misc & kMiscCube;
    if (arraySize == 0) return NoSuchTexture(dimension, misc, arraySize);
    switch (dimension) {
        case kDimension1d:
            if (cube) return NoSuchTexture(dimension, misc, arraySize);
            out->oneRow = true;
            out->elements = arraySize;
            return 0;
        case kDimension2d:
            out->elements = uint64_t(arraySize) * (cube ? kCubeFaces : 1);
            return 0;
        case kDimension3d:
            if (cube || arraySize != 1) return NoSuchTexture(dimension, misc, arraySize);
            if (depth == 0) return Damaged("depth");
            out->volume = true;
            out->depth = depth;
            return 0;
        default:
            return NoSuchTexture(dimension, misc, arraySize);
    }
}

int64_t DdsLevelSide(int64_t side, uint32_t level) { return std::max<int64_t>(side >> level, 1); }

int DdsPixelBytes(const DdsLayout& l) {
    return l.kind == DdsKind::kMasks ? int(l.bitCount / 8) : l.pixels.bytes;
}

// Level 0 of a pixel layout may have padded rows; later levels are packed.
int64_t DdsChainLevelBytes(const DdsLayout& layout, const DdsChain& chain, uint32_t level) {
    const int64_t w = DdsLevelSide(chain.width, level), h = DdsLevelSide(chain.height, level);
    return DdsLevelBytes(layout, w, h, level == 0 ? chain.pitch : w * DdsPixelBytes(layout));
}

bool PlanDdsLevels(const DdsShape& shape, const DdsLayout& layout, const DdsChain& chain, int64_t available,
                   std::vector<DdsLevelSpan>* spans, int64_t* total) {
    spans->clear();
    *total = 0;
    if (available < 0) return false;
    int64_t element = 0;  // bytes of one element's whole chain, every slice included
    for (uint32_t i = 0; i < chain.levels; ++i) {
        const int64_t bytes = DdsChainLevelBytes(layout, chain, i);
        const uint64_t slices = shape.volume ? std::max<uint64_t>(shape.depth >> std::min(i, 31u), 1) : 1;
        spans->push_back(DdsLevelSpan{element, bytes});
        if (!AddProduct(&element, slices, bytes, available)) return false;
    }
    return AddProduct(total, shape.elements, element, available);
}

}  // namespace orvik
