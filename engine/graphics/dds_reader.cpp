// DDS files: DXT1 to DXT5 block data and uncompressed pixels described by masks or named
// by a Direct3D format number, with their mip levels, read in one piece.
#include <cstring>

#include "engine/graphics/dxt_decode.h"
#include "engine/graphics/image_memory.h"
#include "engine/graphics/image_readers.h"
#include "engine/graphics/pixel_access.h"
#include "engine/platform/log.h"

namespace orvik {

namespace {

constexpr int kHeaderBytes = 124;
constexpr uint32_t kFlagPitch = 0x8, kFlagMipCount = 0x20000;
constexpr uint32_t kPixelFourCc = 0x4, kPixelRgb = 0x40;
constexpr uint32_t kCapsComplex = 0x8, kCapsMipMap = 0x400000;
constexpr uint32_t kMaxMipLevels = 16;  // a full chain down from a 32768 side; larger keep 16

struct DdsHeader {
    uint32_t flags;
    int64_t height, width;
    uint32_t pitch;
    uint32_t mipCount;
    uint32_t pixelFlags;
    uint32_t fourCc;
    uint32_t bitCount;
    uint32_t masks[4];
    uint32_t caps;
};

int Damaged(const char* what) {
    AddLogFormat("ＤＤＳファイルが壊れています(%s) in ReadDdsImage", what);
    return -1;
}

// A DDS file of a layout not read here (another FourCC or format number, luminance or
// alpha-only flags) is still a DDS file: say why it was refused.
int Unsupported(const DdsHeader& d) {
    AddLogFormat("対応していないＤＤＳファイルの形式です(flags 0x%x, FourCC 0x%08x) in ReadDdsImage",
                 d.pixelFlags, d.fourCc);
    return -1;
}

DdsHeader Parse(const uint8_t* h) {
    DdsHeader d{};
    d.flags = ReadLe32(h + 4);
    d.height = ReadLe32(h + 8);
    d.width = ReadLe32(h + 12);
    d.pitch = ReadLe32(h + 16);
    d.mipCount = ReadLe32(h + 24);
    d.pixelFlags = ReadLe32(h + 76);
    d.fourCc = ReadLe32(h + 80);
    d.bitCount = ReadLe32(h + 84);
    for (int i = 0; i < 4; ++i) d.masks[i] = ReadLe32(h + 88 + 4 * i);
    d.caps = ReadLe32(h + 104);
    return d;
}

// Uncompressed layouts some writers name by their Direct3D format number in place of a
// FourCC. The 10-bit layouts keep their masks: every later conversion takes a wide
// channel's top eight bits, as it widens a narrow one.
struct NumberedLayout {
    uint32_t number;
    uint32_t bitCount;
    uint32_t masks[4];
};
constexpr NumberedLayout kNumberedLayouts[] = {
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

// A FourCC that is a format number takes that format's masks, as if the header had
// described them.
void ApplyNumberedLayout(DdsHeader* d) {
    if (d->pixelFlags != kPixelFourCc) return;
    for (const NumberedLayout& l : kNumberedLayouts) {
        if (l.number != d->fourCc) continue;
        d->pixelFlags = kPixelRgb;
        d->bitCount = l.bitCount;
        for (int i = 0; i < 4; ++i) d->masks[i] = l.masks[i];
        return;
    }
}

uint32_t CompressionOf(uint32_t fourCc) {
    for (uint32_t kind = kCompressionDxt1; kind <= kCompressionDxt5; ++kind) {
        const char name[4] = {'D', 'X', 'T', static_cast<char>('0' + kind)};
        if (fourCc == ReadLe32(reinterpret_cast<const uint8_t*>(name))) return kind;
    }
    return kCompressionNone;
}

int64_t LevelSide(int64_t side, uint32_t level) { return side >> level > 0 ? side >> level : 1; }

// Each level's size from its own rounded sides, so short tails are neither over- nor
// under-counted.
int64_t DataBytes(const DdsHeader& d, uint32_t compression, uint32_t levels, int64_t pitch) {
    int64_t total = 0;
    for (uint32_t i = 0; i < levels; ++i) {
        const int64_t w = LevelSide(d.width, i), h = LevelSide(d.height, i);
        total += compression != kCompressionNone
                     ? static_cast<int64_t>(DxtLevelBytes(compression, static_cast<int>(w), static_cast<int>(h)))
                     : (i == 0 ? pitch : w * (d.bitCount / 8)) * h;
    }
    return total;
}

// An 8-bit direct-colour layout (3-3-2 and the like) becomes a palette image whose
// entries are the colours of the 256 values.
void MakeDirectPalette(ColorFormat* f) {
    ColorFormat direct = *f;
    FillPalette8ColorFormat(f);
    for (uint32_t v = 0; v < 256; ++v) {
        int r = 0, g = 0, b = 0, a = 0;
        UnpackPixelColor(direct, v, &r, &g, &b, &a);
        f->palette[v] = PaletteEntry{static_cast<uint8_t>(b), static_cast<uint8_t>(g),
                                     static_cast<uint8_t>(r), static_cast<uint8_t>(a)};
    }
}

}  // namespace

int ReadDdsImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    uint8_t magic[4];
    if (!in.Read(magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
    uint8_t raw[kHeaderBytes];
    if (!in.Read(raw, sizeof raw)) return Damaged("header");
    DdsHeader d = Parse(raw);
    ApplyNumberedLayout(&d);
    if (d.width == 0 || d.height == 0) return Damaged("size");
    if (CheckImageSides(d.width, d.height) != 0) {
        AddLogFormat("ＤＤＳファイルの画像が大きすぎます(%lld x %lld) in ReadDdsImage",
                     static_cast<long long>(d.width), static_cast<long long>(d.height));
        return -1;
    }

    ColorFormat& f = out->format;
    uint32_t compression = kCompressionNone;
    int64_t pitch = 0;
    if (d.pixelFlags & kPixelFourCc) {
        compression = CompressionOf(d.fourCc);
        if (compression == kCompressionNone) return Unsupported(d);
        f = ColorFormat{};
        FillArgb32ColorFormat(&f);
        f.compression = compression;
        f.bitDepth = compression == kCompressionDxt1 ? 4 : 8;
        f.bytesPerPixel = 0;
    } else if (d.pixelFlags & kPixelRgb) {
        if (d.bitCount != 8 && d.bitCount != 16 && d.bitCount != 24 && d.bitCount != 32)
            return Damaged("bit count");
        FillColorFormatFromMasks(&f, static_cast<int>(d.bitCount), d.masks[0], d.masks[1],
                                 d.masks[2], d.masks[3]);
        if (d.bitCount == 8) MakeDirectPalette(&f);
        pitch = (d.flags & kFlagPitch) ? d.pitch : d.width * (d.bitCount / 8);
        if (pitch < d.width * (d.bitCount / 8) || pitch * d.height > kMaxImageBytes)
            return Damaged("pitch");
    } else {
        return Unsupported(d);
    }

    uint32_t mips = 0;
    if ((d.flags & kFlagMipCount) && (d.caps & kCapsMipMap) && (d.caps & kCapsComplex))
        mips = d.mipCount < kMaxMipLevels ? d.mipCount : kMaxMipLevels;
    const int64_t bytes = DataBytes(d, compression, mips > 1 ? mips : 1, pitch);
    // Checked before allocating, so a header claiming a huge image in a small file costs
    // nothing.
    if (bytes > in.Remaining()) return Damaged("pixel data");
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, static_cast<size_t>(bytes))) return -1;
    if (!in.Read(pixels.Get(), static_cast<size_t>(bytes))) return Damaged("pixel data");
    out->width = static_cast<int32_t>(d.width);
    out->height = static_cast<int32_t>(d.height);
    out->pitch = static_cast<int32_t>(pitch);
    out->mipCount = mips;
    out->pixels = pixels.Release();
    return 0;
}

}  // namespace orvik
