// The tables behind the DDS layouts: Direct3D format numbers, DXGI numbers and FourCC
// names, each mapped to how its data is read.
#include "engine/graphics/dds/dds_layouts.h"

#include <bit>
#include <span>

#include "engine/graphics/images/color_format.h"

namespace orvik {

namespace {

// Layouts that are channel masks. The 10-bit layouts keep their masks: every later
// conversion takes a wide channel's top eight bits, as it widens a narrow one.
struct MaskLayout {
    uint32_t number;  // Direct3D format number
    uint32_t bitCount;
    uint32_t masks[4];
};
constexpr MaskLayout kMaskLayouts[] = {
    {20, 24, {0xFF0000, 0xFF00, 0xFF, 0}},                        // R8G8B8
    {21, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},               // A8R8G8B8
    {22, 32, {0xFF0000, 0xFF00, 0xFF, 0}},                        // X8R8G8B8
    {23, 16, {0xF800, 0x07E0, 0x001F, 0}},                        // R5G6B5
    {24, 16, {0x7C00, 0x03E0, 0x001F, 0}},                        // X1R5G5B5
    {25, 16, {0x7C00, 0x03E0, 0x001F, 0x8000}},                   // A1R5G5B5
    {26, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}},                   // A4R4G4B4
    {27, 8, {0xE0, 0x1C, 0x03, 0}},                               // R3G3B2
    {29, 16, {0xE0, 0x1C, 0x03, 0xFF00}},                         // A8R3G3B2
    {30, 16, {0x0F00, 0x00F0, 0x000F, 0}},                        // X4R4G4B4
    {31, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}},           // A2B10G10R10
    {32, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},               // A8B8G8R8
    {33, 32, {0xFF, 0xFF00, 0xFF0000, 0}},                        // X8B8G8R8
    {35, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},           // A2R10G10B10
};

constexpr PixelField kNone{0, 0};
constexpr PixelLayout Plain(uint8_t bytes, FieldKind kind, uint8_t width, int channels) {
    PixelLayout l{bytes, kind, DerivedColour::kNone, {kNone, kNone, kNone, kNone}};
    for (int i = 0; i < channels; ++i) l.fields[i] = PixelField{uint8_t(i * width), width};
    return l;
}
constexpr PixelLayout kR8 = Plain(1, FieldKind::kUnorm, 8, 1);
constexpr PixelLayout kR8G8 = Plain(2, FieldKind::kUnorm, 8, 2);
constexpr PixelLayout kA8{1, FieldKind::kUnorm, DerivedColour::kNone, {kNone, kNone, kNone, {0, 8}}};
constexpr PixelLayout kR16 = Plain(2, FieldKind::kUnorm, 16, 1);
constexpr PixelLayout kR16G16 = Plain(4, FieldKind::kUnorm, 16, 2);
constexpr PixelLayout kRgba16 = Plain(8, FieldKind::kUnorm, 16, 4);
constexpr PixelLayout kR16F = Plain(2, FieldKind::kHalf, 16, 1);
constexpr PixelLayout kR16G16F = Plain(4, FieldKind::kHalf, 16, 2);
constexpr PixelLayout kRgba16F = Plain(8, FieldKind::kHalf, 16, 4);
constexpr PixelLayout kR32F = Plain(4, FieldKind::kFloat, 32, 1);
constexpr PixelLayout kR32G32F = Plain(8, FieldKind::kFloat, 32, 2);
constexpr PixelLayout kRgba32F = Plain(16, FieldKind::kFloat, 32, 4);
// Signed layouts (bump and normal maps): U, V, W, Q in the places of red, green, blue, alpha.
constexpr PixelLayout kSnorm8 = Plain(1, FieldKind::kSnorm, 8, 1);
constexpr PixelLayout kV8U8 = Plain(2, FieldKind::kSnorm, 8, 2);
constexpr PixelLayout kQ8W8V8U8 = Plain(4, FieldKind::kSnorm, 8, 4);
constexpr PixelLayout kSnorm16 = Plain(2, FieldKind::kSnorm, 16, 1);
constexpr PixelLayout kV16U16 = Plain(4, FieldKind::kSnorm, 16, 2);
constexpr PixelLayout kQ16W16V16U16 = Plain(8, FieldKind::kSnorm, 16, 4);
// U and V of a unit normal; its third component is computed, as samplers do.
constexpr PixelLayout kCxV8U8{2, FieldKind::kSnorm, DerivedColour::kNormalZ, {{0, 8}, {8, 8}, kNone, kNone}};
constexpr PixelLayout kL8{1, FieldKind::kUnorm, DerivedColour::kGrey, {{0, 8}, kNone, kNone, kNone}};
constexpr PixelLayout kA8L8{2, FieldKind::kUnorm, DerivedColour::kGrey, {{0, 8}, kNone, kNone, {8, 8}}};
constexpr PixelLayout kA4L4{1, FieldKind::kUnorm, DerivedColour::kGrey, {{0, 4}, kNone, kNone, {4, 4}}};
constexpr PixelLayout kL16{2, FieldKind::kUnorm, DerivedColour::kGrey, {{0, 16}, kNone, kNone, kNone}};

struct NumberedPixels {
    uint32_t number;
    const PixelLayout* layout;
};
// Direct3D format numbers of decoded layouts.
constexpr NumberedPixels kD3dPixels[] = {
    {28, &kA8},     {34, &kR16G16},  {36, &kRgba16},   {50, &kL8},      {51, &kA8L8},
    {52, &kA4L4},   {81, &kL16},     {111, &kR16F},    {112, &kR16G16F}, {113, &kRgba16F},
    {114, &kR32F},  {115, &kR32G32F}, {116, &kRgba32F}, {60, &kV8U8},    {63, &kQ8W8V8U8},
    {64, &kV16U16}, {110, &kQ16W16V16U16}, {117, &kCxV8U8},
};
// DXGI numbers of decoded layouts.
constexpr NumberedPixels kDxgiPixels[] = {
    {2, &kRgba32F}, {10, &kRgba16F}, {11, &kRgba16}, {16, &kR32G32F}, {34, &kR16G16F}, {35, &kR16G16},
    {41, &kR32F},   {49, &kR8G8},    {54, &kR16F},   {56, &kR16},     {61, &kR8},       {65, &kA8},
    {13, &kQ16W16V16U16}, {31, &kQ8W8V8U8}, {37, &kV16U16}, {51, &kV8U8}, {58, &kSnorm16}, {63, &kSnorm8},
};
// DXGI numbers of mask layouts, by the Direct3D number of the same layout; the sRGB forms
// are read as they are stored.
constexpr uint32_t kDxgiMasks[][2] = {
    {24, 31}, {28, 32}, {29, 32}, {85, 23}, {86, 25}, {87, 21}, {88, 22}, {91, 21}, {93, 22},
};
// DXGI numbers of BC1 to BC3, by their DXT kind.
constexpr uint32_t kDxgiDxt[][2] = {
    {71, kCompressionDxt1}, {72, kCompressionDxt1}, {74, kCompressionDxt3},
    {75, kCompressionDxt3}, {77, kCompressionDxt5}, {78, kCompressionDxt5},
};

// DXGI numbers that leave the channels' type open, by the number of the form they are
// read as: the unsigned normalised one (float for 32-bit channels), which is how a
// writer that leaves the type to the reader stores its pixels.
constexpr uint32_t kDxgiTypeless[][2] = {
    {1, 2},   {9, 11},  {23, 24}, {27, 28}, {33, 35}, {39, 41}, {48, 49}, {53, 56}, {60, 61},
    {70, 71}, {73, 74}, {76, 77}, {79, 80}, {82, 83}, {90, 87}, {92, 88}, {94, 95}, {97, 98},
};

struct NumberedBlocks {
    uint32_t number;
    BcBlockDecoder decode;
    int bytes;
};
constexpr NumberedBlocks kDxgiBlocks[] = {
    {80, DecodeBc4UnormBlock, 8},      {81, DecodeBc4SnormBlock, 8},     {83, DecodeBc5UnormBlock, 16},
    {84, DecodeBc5SnormBlock, 16},     {95, DecodeBc6hUnsignedBlock, 16}, {96, DecodeBc6hSignedBlock, 16},
    {98, DecodeBc7Block, 16},          {99, DecodeBc7Block, 16},
};

constexpr uint32_t FourCc(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) | uint32_t(uint8_t(name[1])) << 8 | uint32_t(uint8_t(name[2])) << 16 |
           uint32_t(uint8_t(name[3])) << 24;
}
// BC4 and BC5 by their FourCC names, as DXGI numbers.
constexpr uint32_t kBlockNames[][2] = {
    {FourCc("ATI1"), 80}, {FourCc("BC4U"), 80}, {FourCc("BC4S"), 81},
    {FourCc("ATI2"), 83}, {FourCc("BC5U"), 83}, {FourCc("BC5S"), 84},
};

bool FromMaskNumber(uint32_t number, DdsLayout* out) {
    for (const MaskLayout& l : kMaskLayouts) {
        if (l.number != number) continue;
        out->kind = DdsKind::kMasks;
        out->bitCount = l.bitCount;
        for (int i = 0; i < 4; ++i) out->masks[i] = l.masks[i];
        return true;
    }
    return false;
}

bool FromPixels(std::span<const NumberedPixels> table, uint32_t number, DdsLayout* out) {
    for (const NumberedPixels& p : table) {
        if (p.number != number) continue;
        out->kind = DdsKind::kPixels;
        out->pixels = *p.layout;
        return true;
    }
    return false;
}

void SetDxt(uint32_t compression, DdsLayout* out) {
    out->kind = DdsKind::kDxt;
    out->compression = compression;
    out->blockBytes = compression == kCompressionDxt1 ? 8 : 16;
}

PixelField FieldOfMask(uint32_t mask) {
    if (mask == 0) return kNone;
    const int shift = std::countr_zero(mask);
    return PixelField{uint8_t(shift), uint8_t(std::countr_one(mask >> shift))};
}

}  // namespace

bool DdsLayoutOfDxgi(uint32_t format, DdsLayout* out) {
    *out = DdsLayout{};
    for (const auto& t : kDxgiTypeless)
        if (t[0] == format) format = t[1];
    for (const auto& m : kDxgiMasks)
        if (m[0] == format) return FromMaskNumber(m[1], out);
    for (const auto& d : kDxgiDxt)
        if (d[0] == format) {
            SetDxt(d[1], out);
            return true;
        }
    for (const NumberedBlocks& b : kDxgiBlocks)
        if (b.number == format) {
            out->kind = DdsKind::kBlocks;
            out->decode = b.decode;
            out->blockBytes = b.bytes;
            return true;
        }
    return FromPixels(kDxgiPixels, format, out);
}

bool DdsLayoutOfFourCc(uint32_t fourCc, DdsLayout* out) {
    *out = DdsLayout{};
    for (uint32_t kind = kCompressionDxt1; kind <= kCompressionDxt5; ++kind)
        if (fourCc == (FourCc("DXT0") + (kind << 24))) {
            SetDxt(kind, out);
            return true;
        }
    for (const auto& n : kBlockNames)
        if (n[0] == fourCc) return DdsLayoutOfDxgi(n[1], out);
    return FromMaskNumber(fourCc, out) ||
           FromPixels(kD3dPixels, fourCc, out);
}

void MarkDdsPremultiplied(DdsLayout* l) {
    switch (l->kind) {
        case DdsKind::kDxt:
            if (l->compression == kCompressionDxt3) l->compression = kCompressionDxt2;
            if (l->compression == kCompressionDxt5) l->compression = kCompressionDxt4;
            return;
        case DdsKind::kMasks:
            if (l->masks[3] == 0) return;
            l->kind = DdsKind::kPixels;
            l->pixels = PixelLayout{uint8_t(l->bitCount / 8), FieldKind::kUnorm, DerivedColour::kNone,
                                    {FieldOfMask(l->masks[0]), FieldOfMask(l->masks[1]), FieldOfMask(l->masks[2]),
                                     FieldOfMask(l->masks[3])}};
            break;
        case DdsKind::kPixels:
        case DdsKind::kBlocks:
            break;
    }
    l->premultiplied = true;
}

bool DdsLayoutOfLuminance(bool luminance, uint32_t bitCount, uint32_t lumaMask, uint32_t alphaMask,
                          DdsLayout* out) {
    *out = DdsLayout{};
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
    out->kind = DdsKind::kPixels;
    out->pixels = PixelLayout{uint8_t(bitCount / 8), FieldKind::kUnorm,
                              luminance ? DerivedColour::kGrey : DerivedColour::kNone,
                              {luminance ? FieldOfMask(lumaMask) : kNone, kNone, kNone, FieldOfMask(alphaMask)}};
    return true;
}

}  // namespace orvik
