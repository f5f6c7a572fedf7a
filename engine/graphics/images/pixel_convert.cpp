#include "engine/graphics/images/pixel_convert.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "engine/graphics/images/byte_channel_convert.h"
#include "engine/graphics/images/pixel_convert_job.h"
#include "host/env_switch.h"

namespace orvik {

namespace {

using namespace conversion;

// Thresholds of the ordered dither, in sixteenths of the dropped range, by [y & 3][x & 3].
constexpr uint8_t kDitherMatrix[4][4] = {
    {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

std::atomic<bool> g_forceGeneric{host::EnvSwitchOn("ORVIK_GENERIC_BLIT")};

// One channel moved from a source field width to a destination width. Widening spreads
// the field so that the maximum maps onto the maximum; narrowing drops the low bits,
// which the dither modes may turn into one more unit.
class ChannelMap {
public:
    ChannelMap() = default;
    ChannelMap(uint32_t srcMask, int srcShift, int srcWidth, int dstShift, int dstWidth)
        : srcMask_(srcMask), srcShift_(srcShift), srcWidth_(srcWidth), dstShift_(dstShift),
          dstWidth_(dstWidth), dstMax_(WidthMax(dstWidth)) {
        drop_ = srcWidth_ > dstWidth_ ? srcWidth_ - dstWidth_ : 0;
        useTable_ = srcWidth_ <= 8;
        if (useTable_)
            for (uint32_t v = 0; v <= WidthMax(srcWidth_); ++v) table_[v] = Widen(v);
    }

    bool Active() const { return dstWidth_ != 0; }
    int Drop() const { return drop_; }
    uint32_t Field(uint32_t value) const {
        return ChannelField(value, srcMask_, srcShift_, srcWidth_);
    }
    // The field at the destination width; *dropped receives the bits cut off.
    uint32_t Convert(uint32_t field, uint32_t* dropped) const {
        *dropped = drop_ ? field & WidthMax(drop_) : 0;
        return useTable_ ? table_[field] : Widen(field);
    }
    uint32_t Place(uint32_t field) const { return std::min(field, dstMax_) << dstShift_; }
    uint32_t Max() const { return dstMax_; }

private:
    uint32_t Widen(uint32_t field) const {
        if (srcWidth_ == 0 || dstWidth_ == 0) return 0;
        if (drop_) return field >> drop_;
        const int d = dstWidth_ - srcWidth_;
        const uint64_t spread = uint64_t{field} * WidthMax(d) / WidthMax(srcWidth_);
        return static_cast<uint32_t>((uint64_t{field} << d) + spread);
    }

    uint32_t srcMask_ = 0;
    int srcShift_ = 0, srcWidth_ = 0, dstShift_ = 0, dstWidth_ = 0;
    uint32_t dstMax_ = 0;
    int drop_ = 0;
    bool useTable_ = false;
    std::array<uint32_t, 256> table_{};
};

// Walks the rectangle, handing each source point and its destination point to visit.
template <typename Visit>
void ForEachPixel(const Job& job, Visit&& visit) {
    const int width = job.rect.right - job.rect.left;
    for (int row = 0; row < job.rect.bottom - job.rect.top; ++row) {
        for (int i = 0; i < width; ++i) {
            const int dx = job.destX + (job.mirror ? width - 1 - i : i);
            visit(job.rect.left + i, job.rect.top + row, dx, job.destY + row, i == 0);
        }
    }
}

int NearestIndexTo(const ColorFormat& dest, const ColorFormat& src, uint32_t value) {
    int r = 0, g = 0, b = 0, a = 0;
    UnpackPixelColor(src, value, &r, &g, &b, &a);
    return static_cast<int>(GetColorInBaseImageFormat(dest, r, g, b, a));
}

// Indices remapped through a 256-entry table, or raw indices when no table is given.
int CopyIndices(const Job& job, const std::array<uint8_t, 256>* remap) {
    int highest = 0;
    ForEachPixel(job, [&](int sx, int sy, int dx, int dy, bool) {
        const uint32_t index = job.source.Raw(sx, sy);
        if (job.keySkip && MatchesKey(job, index)) return;
        const uint8_t out = remap ? (*remap)[index] : static_cast<uint8_t>(index);
        highest = std::max<int>(highest, out);
        *DestPixel(job, dx, dy) = out;
    });
    return highest;
}

int RemapPalette(const Job& job) {
    std::array<uint8_t, 256> remap{};
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = job.source.format->palette[i];
        remap[i] = static_cast<uint8_t>(
            GetColorInBaseImageFormat(*job.destFormat, e.red, e.green, e.blue, 0));
    }
    CopyIndices(job, &remap);
    return 0;
}

int NearestPaletteFromDirect(const Job& job) {
    uint32_t lastValue = 0;
    int lastIndex = -1;
    ForEachPixel(job, [&](int sx, int sy, int dx, int dy, bool) {
        const uint32_t raw = job.source.Raw(sx, sy);
        if (job.keySkip && MatchesKey(job, raw)) return;
        if (lastIndex < 0 || raw != lastValue) {
            lastValue = raw;
            lastIndex = NearestIndexTo(*job.destFormat, *job.source.format, raw);
        }
        *DestPixel(job, dx, dy) = static_cast<uint8_t>(lastIndex);
    });
    return 0;
}

int CopySameLayout(const Job& job) {
    const int bytes = job.destFormat->bytesPerPixel;
    const int width = job.rect.right - job.rect.left;
    if (!job.mirror && !job.keySkip) {
        for (int row = 0; row < job.rect.bottom - job.rect.top; ++row) {
            const uint8_t* from = job.source.pixels +
                                  static_cast<ptrdiff_t>(job.rect.top + row) * job.source.pitch +
                                  static_cast<ptrdiff_t>(job.rect.left) * bytes;
            std::memcpy(DestPixel(job, job.destX, job.destY + row), from,
                        static_cast<size_t>(width) * bytes);
        }
        return 0;
    }
    ForEachPixel(job, [&](int sx, int sy, int dx, int dy, bool) {
        const uint32_t raw = job.source.Raw(sx, sy);
        if (job.keySkip && MatchesKey(job, raw)) return;
        StorePixel(DestPixel(job, dx, dy), bytes, raw);
    });
    return 0;
}

// Per-channel dither state for one pixel: the carry of mode 2 lives across a row.
struct Ditherer {
    int mode;
    uint32_t carry[4]{};

    uint32_t Apply(int c, uint32_t out, uint32_t dropped, int drop, int x, int y) {
        if (drop == 0 || mode == kDitherNone) return out;
        const uint32_t range = 1u << drop;
        if (mode == kDitherOrdered)
            return dropped * 16 > kDitherMatrix[y & 3][x & 3] * range ? out + 1 : out;
        carry[c] += dropped;
        if (carry[c] < range) return out;
        carry[c] -= range;
        return out + 1;
    }
};

int ConvertGeneral(const Job& job) {
    const ColorFormat& s = *job.source.format;
    const ColorFormat& d = *job.destFormat;
    ChannelMap maps[4] = {
        ChannelMap(s.redMask, s.redShift, s.redWidth, d.redShift, d.redWidth),
        ChannelMap(s.greenMask, s.greenShift, s.greenWidth, d.greenShift, d.greenWidth),
        ChannelMap(s.blueMask, s.blueShift, s.blueWidth, d.blueShift, d.blueWidth),
        ChannelMap()};
    const ColorFormat* a = job.alphaImage.format;
    switch (job.alphaFrom) {
        case AlphaFrom::Source:
            maps[3] = ChannelMap(s.alphaMask, s.alphaShift, s.alphaWidth, d.alphaShift, d.alphaWidth);
            break;
        case AlphaFrom::AlphaImage:
            // An alpha image without an alpha channel (a grey picture) gives its red channel.
            maps[3] = a->alphaWidth
                          ? ChannelMap(a->alphaMask, a->alphaShift, a->alphaWidth, d.alphaShift, d.alphaWidth)
                          : ChannelMap(a->redMask, a->redShift, a->redWidth, d.alphaShift, d.alphaWidth);
            break;
        case AlphaFrom::Red:
            maps[3] = ChannelMap(s.redMask, s.redShift, s.redWidth, d.alphaShift, d.alphaWidth);
            break;
        default: break;
    }
    const uint32_t opaque = d.alphaWidth ? WidthMax(d.alphaWidth) << d.alphaShift : 0;
    const uint32_t keyColour = job.key & (s.redMask | s.greenMask | s.blueMask);
    const uint32_t rgbMask = s.redMask | s.greenMask | s.blueMask;
    const int bytes = d.bytesPerPixel;
    Ditherer ditherer{job.dither};
    ForEachPixel(job, [&](int sx, int sy, int dx, int dy, bool rowStart) {
        if (rowStart) std::fill(std::begin(ditherer.carry), std::end(ditherer.carry), 0u);
        const uint32_t raw = job.source.Raw(sx, sy);
        if (job.keySkip && MatchesKey(job, raw)) return;
        const uint32_t value = job.source.Value(sx, sy);
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            if (!maps[c].Active() || (c < 3 && job.alphaOnly)) continue;
            const uint32_t from = c == 3 && job.alphaFrom == AlphaFrom::AlphaImage
                                      ? job.alphaImage.Value(sx, sy)
                                      : value;
            uint32_t dropped = 0;
            uint32_t field = maps[c].Convert(maps[c].Field(from), &dropped);
            field = ditherer.Apply(c, field, dropped, maps[c].Drop(), dx, dy);
            out |= maps[c].Place(field);
        }
        if (job.alphaFrom == AlphaFrom::Opaque) out |= opaque;
        if (job.alphaFrom == AlphaFrom::Key && (value & rgbMask) != keyColour) out |= opaque;
        StorePixel(DestPixel(job, dx, dy), bytes, out);
    });
    return 0;
}

bool SameLayout(const ColorFormat& a, const ColorFormat& b) {
    return a.bitDepth == b.bitDepth && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask && a.alphaMask == b.alphaMask;
}

bool PalettesDiffer(const ColorFormat& a, const ColorFormat& b) {
    return std::memcmp(a.palette, b.palette, sizeof a.palette) != 0;
}

}  // namespace

void ForceGenericPixelConversion(int on) { g_forceGeneric = on != 0; }

int ConvertPixelFormatBlt(void* dest, int destPitch, const ColorFormat* destFormat,
                          const void* source, int sourcePitch, const ColorFormat* sourceFormat,
                          const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                          int destX, int destY, const PixelRect& sourceRect, int mirror,
                          int keyToAlpha, uint32_t keyColor, int dither, int alphaOnly,
                          int alphaFromRed, int keySkip, int paletteRemap) {
    if (sourceRect.right <= sourceRect.left || sourceRect.bottom <= sourceRect.top) return -1;
    const ColorFormat& d = *destFormat;
    const ColorFormat& s = *sourceFormat;
    const bool hasAlphaImage = alphaPixels != nullptr && alphaFormat != nullptr;

    Job job{};
    job.dest = static_cast<uint8_t*>(dest);
    job.destPitch = destPitch;
    job.destFormat = destFormat;
    job.source = PixelSource{static_cast<const uint8_t*>(source), sourcePitch, sourceFormat};
    job.alphaImage = PixelSource{static_cast<const uint8_t*>(alphaPixels), alphaPitch, alphaFormat};
    job.destX = destX;
    job.destY = destY;
    job.rect = sourceRect;
    job.mirror = mirror != 0;
    job.key = keyColor;
    job.dither = dither;
    job.alphaOnly = alphaOnly != 0;
    job.keySkip = keySkip != 0 && !job.mirror;
    if (alphaFromRed) job.alphaFrom = AlphaFrom::Red;
    else if (d.alphaWidth && s.alphaWidth) job.alphaFrom = AlphaFrom::Source;
    else if (d.alphaWidth && hasAlphaImage) job.alphaFrom = AlphaFrom::AlphaImage;
    else if (d.alphaWidth && keyToAlpha) job.alphaFrom = AlphaFrom::Key;
    else job.alphaFrom = AlphaFrom::Opaque;

    const bool options = keyToAlpha || alphaOnly || alphaFromRed;
    if (d.bytesPerPixel == 1) {
        if (paletteRemap && s.bytesPerPixel == 1 && PalettesDiffer(s, d)) return RemapPalette(job);
        if (s.bytesPerPixel != 1 && !alphaFromRed) return NearestPaletteFromDirect(job);
        if (!options) return s.bytesPerPixel == 1 ? CopyIndices(job, nullptr) : -1;
    }
    if (SameLayout(d, s) && job.alphaFrom != AlphaFrom::Key && !hasAlphaImage && !alphaOnly &&
        !alphaFromRed)
        return CopySameLayout(job);
    if (!g_forceGeneric.load(std::memory_order_relaxed) && TryByteChannels(job)) return 0;
    return ConvertGeneral(job);
}

}  // namespace orvik
