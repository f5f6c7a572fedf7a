// DDS files: DXT1 to DXT5 block data and uncompressed pixels described by masks are kept
// as they are; the later layouts (the extended DX10 header's DXGI formats, BC4 to BC7,
// luminance, 16-bit and float channels) are decoded into 32-bit ARGB. Mip levels are read
// in one piece.
#include <cstring>

#include "engine/graphics/dds_decode.h"
#include "engine/graphics/image_memory.h"
#include "engine/graphics/image_readers.h"
#include "engine/graphics/pixel_access.h"
#include "engine/platform/log.h"

namespace orvik {

namespace {

constexpr int kHeaderBytes = 124, kDx10HeaderBytes = 20;
constexpr uint32_t kFlagPitch = 0x8, kFlagMipCount = 0x20000;
constexpr uint32_t kPixelAlphaPixels = 0x1, kPixelAlphaOnly = 0x2, kPixelFourCc = 0x4, kPixelRgb = 0x40,
                   kPixelLuminance = 0x20000;
constexpr uint32_t kCapsComplex = 0x8, kCapsMipMap = 0x400000;
constexpr uint32_t kMaxMipLevels = 16;  // a full chain down from a 32768 side; larger keep 16
constexpr uint32_t kDx10FourCc = 0x30315844;  // "DX10"
constexpr uint32_t kTexture2d = 3, kMiscCube = 0x4;

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

// A DDS file of a layout not read here is still a DDS file: say why it was refused.
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

// The extended header: only a single 2D texture is read; arrays, cube maps and volumes
// are refused.
int DescribeDx10(const StreamCursor& in, DdsLayout* layout) {
    uint8_t extra[kDx10HeaderBytes];
    if (!in.Read(extra, sizeof extra)) return Damaged("DX10 header");
    const uint32_t format = ReadLe32(extra), dimension = ReadLe32(extra + 4);
    const uint32_t misc = ReadLe32(extra + 8), arraySize = ReadLe32(extra + 12);
    if (dimension != kTexture2d || (misc & kMiscCube) || arraySize != 1) {
        AddLogFormat("対応していないＤＤＳファイルの形式です(DX10 dimension %u, misc 0x%x, array size %u) in ReadDdsImage",
                     dimension, misc, arraySize);
        return -1;
    }
    if (DdsLayoutOfDxgi(format, layout)) return 0;
    AddLogFormat("対応していないＤＤＳファイルの形式です(DXGI format %u) in ReadDdsImage", format);
    return -1;
}

int Describe(const StreamCursor& in, const DdsHeader& d, DdsLayout* layout) {
    if (d.pixelFlags & kPixelFourCc) {
        if (d.fourCc == kDx10FourCc) return DescribeDx10(in, layout);
        return DdsLayoutOfFourCc(d.fourCc, layout) ? 0 : Unsupported(d);
    }
    if (d.pixelFlags & kPixelRgb) {
        if (d.bitCount != 8 && d.bitCount != 16 && d.bitCount != 24 && d.bitCount != 32)
            return Damaged("bit count");
        *layout = DdsLayout{};
        layout->bitCount = d.bitCount;
        for (int i = 0; i < 4; ++i) layout->masks[i] = d.masks[i];
        return 0;
    }
    if (d.pixelFlags & (kPixelLuminance | kPixelAlphaOnly)) {
        const bool luminance = (d.pixelFlags & kPixelLuminance) != 0;
        const bool alpha = !luminance || (d.pixelFlags & kPixelAlphaPixels);
        if (DdsLayoutOfLuminance(luminance, d.bitCount, d.masks[0], alpha ? d.masks[3] : 0, layout)) return 0;
        return Damaged("bit count");
    }
    return Unsupported(d);
}

int64_t LevelSide(int64_t side, uint32_t level) { return side >> level > 0 ? side >> level : 1; }

int PixelBytes(const DdsLayout& l) { return l.kind == DdsKind::kMasks ? int(l.bitCount / 8) : l.pixels.bytes; }

// Each level's size from its own rounded sides, so short tails are neither over- nor
// under-counted; level 0 of a pixel layout may have padded rows.
int64_t DataBytes(const DdsHeader& d, const DdsLayout& l, uint32_t levels, int64_t pitch) {
    int64_t total = 0;
    for (uint32_t i = 0; i < levels; ++i) {
        const int64_t w = LevelSide(d.width, i), h = LevelSide(d.height, i);
        total += DdsLevelBytes(l, w, h, i == 0 ? pitch : w * PixelBytes(l));
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

void SetFormat(const DdsLayout& l, ColorFormat* f) {
    *f = ColorFormat{};
    if (l.kind != DdsKind::kMasks) {
        FillArgb32ColorFormat(f);
        if (l.kind != DdsKind::kDxt) return;
        f->compression = l.compression;
        f->bitDepth = l.compression == kCompressionDxt1 ? 4 : 8;
        f->bytesPerPixel = 0;
        return;
    }
    FillColorFormatFromMasks(f, static_cast<int>(l.bitCount), l.masks[0], l.masks[1], l.masks[2], l.masks[3]);
    if (l.bitCount == 8) MakeDirectPalette(f);
}

// The file's levels decoded one after another into 32-bit ARGB levels.
bool DecodeLevels(const DdsHeader& d, const DdsLayout& l, uint32_t levels, int64_t pitch, const uint8_t* data,
                  PixelBlock* out) {
    int64_t bytes = 0;
    for (uint32_t i = 0; i < levels; ++i) bytes += LevelSide(d.width, i) * LevelSide(d.height, i) * 4;
    if (!ORVIK_BLOCK_ALLOC(*out, static_cast<size_t>(bytes))) return false;
    uint8_t* argb = out->Get();
    for (uint32_t i = 0; i < levels; ++i) {
        const int64_t w = LevelSide(d.width, i), h = LevelSide(d.height, i);
        const int64_t rowBytes = i == 0 ? pitch : w * PixelBytes(l);
        DecodeDdsLevel(l, data, rowBytes, static_cast<int>(w), static_cast<int>(h), argb);
        data += DdsLevelBytes(l, w, h, rowBytes);
        argb += w * h * 4;
    }
    return true;
}

}  // namespace

int ReadDdsImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    uint8_t magic[4];
    if (!in.Read(magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
    uint8_t raw[kHeaderBytes];
    if (!in.Read(raw, sizeof raw)) return Damaged("header");
    const DdsHeader d = Parse(raw);
    if (d.width == 0 || d.height == 0) return Damaged("size");
    if (CheckImageSides(d.width, d.height) != 0) {
        AddLogFormat("ＤＤＳファイルの画像が大きすぎます(%lld x %lld) in ReadDdsImage",
                     static_cast<long long>(d.width), static_cast<long long>(d.height));
        return -1;
    }
    DdsLayout layout;
    if (Describe(in, d, &layout) != 0) return -1;

    int64_t pitch = 0;
    if (!layout.blockBytes) {
        const int64_t rowBytes = d.width * PixelBytes(layout);
        pitch = (d.flags & kFlagPitch) ? d.pitch : rowBytes;
        if (pitch < rowBytes || pitch * d.height > kMaxImageBytes) return Damaged("pitch");
    }
    uint32_t mips = 0;
    if ((d.flags & kFlagMipCount) && (d.caps & kCapsMipMap) && (d.caps & kCapsComplex))
        mips = d.mipCount < kMaxMipLevels ? d.mipCount : kMaxMipLevels;
    const uint32_t levels = mips > 1 ? mips : 1;
    const int64_t bytes = DataBytes(d, layout, levels, pitch);
    // Checked before allocating, so a header claiming a huge image in a small file costs
    // nothing.
    if (bytes > in.Remaining()) return Damaged("pixel data");
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, static_cast<size_t>(bytes))) return -1;
    if (!in.Read(pixels.Get(), static_cast<size_t>(bytes))) return Damaged("pixel data");
    const bool decoded = layout.kind == DdsKind::kPixels || layout.kind == DdsKind::kBlocks;
    PixelBlock argb;
    if (decoded && !DecodeLevels(d, layout, levels, pitch, pixels.Get(), &argb)) return -1;
    SetFormat(layout, &out->format);
    out->width = static_cast<int32_t>(d.width);
    out->height = static_cast<int32_t>(d.height);
    out->pitch = static_cast<int32_t>(decoded ? d.width * 4 : layout.kind == DdsKind::kDxt ? 0 : pitch);
    out->mipCount = mips;
    out->pixels = decoded ? argb.Release() : pixels.Release();
    return 0;
}

}  // namespace orvik
