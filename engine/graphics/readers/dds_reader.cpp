// DDS files: DXT1 to DXT5 block data and uncompressed pixels described by masks are kept
// as they are; the later layouts (the extended DX10 header's DXGI formats, BC4 to BC7,
// luminance, 16-bit and float channels) are decoded into 32-bit ARGB. Of an array, a cube
// map or a volume the first element, face or slice is read, with its mip chain.
#include <cstring>
#include <numeric>
#include <vector>

#include "engine/graphics/dds/dds_decode.h"
#include "engine/graphics/dds/dds_shape.h"
#include "engine/graphics/images/image_memory.h"
#include "engine/graphics/readers/image_readers.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr int kHeaderBytes = 124, kDx10HeaderBytes = 20;
constexpr uint32_t kFlagPitch = 0x8, kFlagMipCount = 0x20000;
constexpr uint32_t kPixelAlphaPixels = 0x1, kPixelAlphaOnly = 0x2, kPixelFourCc = 0x4, kPixelRgb = 0x40,
                   kPixelLuminance = 0x20000;
constexpr uint32_t kCapsComplex = 0x8, kCapsMipMap = 0x400000;
constexpr uint32_t kMaxMipLevels = 16;  // a full chain down from a 32768 side; larger keep 16
constexpr uint32_t kDx10FourCc = 0x30315844;  // "DX10"
constexpr uint32_t kAlphaModeMask = 0x7, kAlphaPremultiplied = 2;

struct DdsHeader {
    uint32_t flags;
    int64_t height, width;
    uint32_t pitch;
    uint32_t depth;
    uint32_t mipCount;
    uint32_t pixelFlags;
    uint32_t fourCc;
    uint32_t bitCount;
    uint32_t masks[4];
    uint32_t caps, caps2;
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
    d.depth = ReadLe32(h + 20);
    d.mipCount = ReadLe32(h + 24);
    d.pixelFlags = ReadLe32(h + 76);
    d.fourCc = ReadLe32(h + 80);
    d.bitCount = ReadLe32(h + 84);
    for (int i = 0; i < 4; ++i) d.masks[i] = ReadLe32(h + 88 + 4 * i);
    d.caps = ReadLe32(h + 104);
    d.caps2 = ReadLe32(h + 108);
    return d;
}

// The extended header names the layout by its DXGI number and the texture's shape.
int DescribeDx10(const StreamCursor& in, const DdsHeader& d, DdsLayout* layout, DdsShape* shape) {
    uint8_t extra[kDx10HeaderBytes];
    if (!in.Read(extra, sizeof extra)) return Damaged("DX10 header");
    const uint32_t format = ReadLe32(extra), dimension = ReadLe32(extra + 4);
    const uint32_t misc = ReadLe32(extra + 8), arraySize = ReadLe32(extra + 12);
    if (DdsShapeOfDx10(dimension, misc, arraySize, d.depth, shape) != 0) return -1;
    if (DdsLayoutOfDxgi(format, layout)) {
        if ((ReadLe32(extra + 16) & kAlphaModeMask) == kAlphaPremultiplied) MarkDdsPremultiplied(layout);
        return 0;
    }
    AddLogFormat("対応していないＤＤＳファイルの形式です(DXGI format %u) in ReadDdsImage", format);
    return -1;
}

int DescribeLayout(const DdsHeader& d, DdsLayout* layout) {
    if (d.pixelFlags & kPixelFourCc) return DdsLayoutOfFourCc(d.fourCc, layout) ? 0 : Unsupported(d);
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

int Describe(const StreamCursor& in, const DdsHeader& d, DdsLayout* layout, DdsShape* shape) {
    if ((d.pixelFlags & kPixelFourCc) && d.fourCc == kDx10FourCc) return DescribeDx10(in, d, layout, shape);
    if (DdsShapeOfCaps(d.caps2, d.depth, shape) != 0) return -1;
    return DescribeLayout(d, layout);
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

// The levels read, one after another, decoded into 32-bit ARGB levels.
bool DecodeLevels(const DdsLayout& l, const DdsChain& c, const uint8_t* data, PixelBlock* out) {
    int64_t bytes = 0;
    for (uint32_t i = 0; i < c.levels; ++i) bytes += DdsLevelSide(c.width, i) * DdsLevelSide(c.height, i) * 4;
    if (!ORVIK_BLOCK_ALLOC(*out, static_cast<size_t>(bytes))) return false;
    uint8_t* argb = out->Get();
    for (uint32_t i = 0; i < c.levels; ++i) {
        const int64_t w = DdsLevelSide(c.width, i), h = DdsLevelSide(c.height, i);
        DecodeDdsLevel(l, data, i == 0 ? c.pitch : w * DdsPixelBytes(l), static_cast<int>(w), static_cast<int>(h),
                       argb);
        data += DdsChainLevelBytes(l, c, i);
        argb += w * h * 4;
    }
    return true;
}

// The first element's levels, each from its own place when others lie between them.
bool ReadLevels(const StreamCursor& in, int64_t start, const std::vector<DdsLevelSpan>& spans, uint8_t* out) {
    for (const DdsLevelSpan& s : spans) {
        if (!in.Seek(start + s.offset) || !in.Read(out, static_cast<size_t>(s.bytes))) return false;
        out += s.bytes;
    }
    return true;
}

}  // namespace

int ReadDdsImage(ImageStream* stream, BaseImage* out) {
    const StreamCursor in(*stream);
    uint8_t magic[4];
    if (in.ReadSome(magic, 4) != 4 || std::memcmp(magic, "DDS", 3) != 0) return kNotThisImageFormat;
    uint8_t raw[kHeaderBytes];
    if (!in.Read(raw, sizeof raw)) return Damaged("header");
    const DdsHeader d = Parse(raw);
    DdsLayout layout;
    DdsShape shape;
    if (Describe(in, d, &layout, &shape) != 0) return -1;
    DdsChain chain{d.width, shape.oneRow ? 1 : d.height, 0, 1};
    if (chain.width == 0 || chain.height == 0) return Damaged("size");
    if (CheckImageSides(chain.width, chain.height) != 0) {
        AddLogFormat("ＤＤＳファイルの画像が大きすぎます(%lld x %lld) in ReadDdsImage",
                     static_cast<long long>(chain.width), static_cast<long long>(chain.height));
        return -1;
    }
    if (!layout.blockBytes) {
        const int64_t rowBytes = chain.width * DdsPixelBytes(layout);
        chain.pitch = (d.flags & kFlagPitch) ? d.pitch : rowBytes;
        if (chain.pitch < rowBytes || chain.pitch * chain.height > kMaxImageBytes) return Damaged("pitch");
    }
    uint32_t mips = 0;
    if ((d.flags & kFlagMipCount) && (d.caps & kCapsMipMap) && (d.caps & kCapsComplex))
        mips = d.mipCount < kMaxMipLevels ? d.mipCount : kMaxMipLevels;
    chain.levels = mips > 1 ? mips : 1;
    // Every size is checked against the file before anything is allocated, so a header
    // claiming a huge image, or thousands of them, in a small file costs nothing.
    const int64_t start = in.Tell();
    std::vector<DdsLevelSpan> spans;
    int64_t total = 0;
    if (!PlanDdsLevels(shape, layout, chain, in.Remaining(), &spans, &total)) return Damaged("pixel data");
    const int64_t bytes = std::accumulate(spans.begin(), spans.end(), int64_t{0},
                                          [](int64_t sum, const DdsLevelSpan& s) { return sum + s.bytes; });
    PixelBlock pixels;
    if (!ORVIK_BLOCK_ALLOC(pixels, static_cast<size_t>(bytes))) return -1;
    if (!ReadLevels(in, start, spans, pixels.Get())) return Damaged("pixel data");
    const bool decoded = layout.kind == DdsKind::kPixels || layout.kind == DdsKind::kBlocks;
    PixelBlock argb;
    if (decoded && !DecodeLevels(layout, chain, pixels.Get(), &argb)) return -1;
    SetFormat(layout, &out->format);
    out->width = static_cast<int32_t>(chain.width);
    out->height = static_cast<int32_t>(chain.height);
    out->pitch = static_cast<int32_t>(decoded ? chain.width * 4 : layout.kind == DdsKind::kDxt ? 0 : chain.pitch);
    out->mipCount = mips;
    out->pixels = decoded ? argb.Release() : pixels.Release();
    return 0;
}

}  // namespace orvik
