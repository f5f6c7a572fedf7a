// What a DDS file's pixel format stands for: channel masks read by the plain path, DXT
// blocks kept as they are, or pixels and blocks of the later layouts decoded into 32-bit
// ARGB.
#pragma once
#include <cstdint>

#include "engine/graphics/dds/bc_block.h"

namespace orvik {

enum class DdsKind : uint8_t { kMasks, kDxt, kPixels, kBlocks };

enum class FieldKind : uint8_t { kUnorm, kSnorm, kHalf, kFloat };

// One channel's bits within a pixel, from bit `shift` up; width 0: the channel is absent.
struct PixelField {
    uint8_t shift;
    uint8_t width;
};

// Colours that are not stored but follow from the stored ones.
enum class DerivedColour : uint8_t {
    kNone,
    kGrey,     // the red field is luminance, shown in all three colours
    kNormalZ,  // blue is the third component of the unit normal whose first two are red and green
};

// A pixel decoded channel by channel. Absent colours read as 0 and absent alpha as 255,
// as graphics hardware samples such formats.
struct PixelLayout {
    uint8_t bytes;  // 1 to 16
    FieldKind kind;
    DerivedColour derived;
    PixelField fields[4];   // red, green, blue, alpha
};

struct DdsLayout {
    DdsKind kind = DdsKind::kMasks;
    uint32_t bitCount = 0;  // kMasks
    uint32_t masks[4] = {};
    uint32_t compression = 0;  // kDxt
    PixelLayout pixels{};      // kPixels
    BcBlockDecoder decode = nullptr;  // kBlocks
    int blockBytes = 0;               // kDxt and kBlocks
    bool premultiplied = false;       // kPixels and kBlocks: colours are divided by alpha once decoded
};

// The layout a FourCC names (DXT1 to DXT5, BC4 and BC5 names, or a Direct3D format number
// in its place); false for one not read here.
bool DdsLayoutOfFourCc(uint32_t fourCc, DdsLayout* out);
// The layout a DXGI format number of the extended header names; false for one not read.
bool DdsLayoutOfDxgi(uint32_t format, DdsLayout* out);
// For colours stored multiplied by their alpha: DXT3 and DXT5 blocks take their
// premultiplied kinds (DXT2, DXT4), mask layouts with alpha become decoded pixels, and
// decoded layouts are marked to be divided by alpha.
void MarkDdsPremultiplied(DdsLayout* layout);
// Luminance (with alpha when alphaMask is not 0) or alpha alone, by the header's masks.
bool DdsLayoutOfLuminance(bool luminance, uint32_t bitCount, uint32_t lumaMask, uint32_t alphaMask,
                          DdsLayout* out);

}  // namespace orvik
