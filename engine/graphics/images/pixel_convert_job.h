// One pixel-format conversion as each of its paths sees it: the source and the alpha
// image read through their layouts, the destination, the rectangle and the options. The
// general path (pixel_convert.cpp) and the byte-channel fast paths
// (byte_channel_convert.cpp) both work from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/images/pixel_access.h"
#include "engine/graphics/images/pixel_convert.h"

namespace orvik::conversion {

inline uint32_t WidthMax(int width) { return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1; }

// Reads pixel values of any layout as values of that layout's masks; 1-byte pixels are
// looked up in the palette, whose entries the masks describe.
struct PixelSource {
    const uint8_t* pixels;
    int pitch;
    const ColorFormat* format;

    uint32_t Raw(int x, int y) const {
        return LoadPixel(pixels + static_cast<ptrdiff_t>(y) * pitch +
                             static_cast<ptrdiff_t>(x) * format->bytesPerPixel,
                         format->bytesPerPixel);
    }
    uint32_t Value(int x, int y) const {
        const uint32_t raw = Raw(x, y);
        if (format->bytesPerPixel != 1) return raw;
        uint32_t v;
        std::memcpy(&v, &format->palette[raw], 4);
        return v;
    }
};

enum class AlphaFrom { Opaque, Source, AlphaImage, Red, Key };

struct Job {
    uint8_t* dest;
    int destPitch;
    const ColorFormat* destFormat;
    PixelSource source;
    PixelSource alphaImage;
    int destX, destY;
    PixelRect rect;
    bool mirror;
    uint32_t key;
    int dither;
    bool alphaOnly;
    bool keySkip;
    AlphaFrom alphaFrom;
};

inline uint8_t* DestPixel(const Job& job, int x, int y) {
    return job.dest + static_cast<ptrdiff_t>(y) * job.destPitch +
           static_cast<ptrdiff_t>(x) * job.destFormat->bytesPerPixel;
}

inline uint32_t ColourMasks(const ColorFormat& f) {
    return f.redMask | f.greenMask | f.blueMask | f.alphaMask;
}

// Whether a source pixel's raw value equals the key: the index itself for 1-byte pixels,
// the colour bits for wider ones.
inline bool MatchesKey(const Job& job, uint32_t raw) {
    const ColorFormat& f = *job.source.format;
    if (f.bytesPerPixel == 1) return raw == (job.key & 0xFFu);
    const uint32_t mask = ColourMasks(f) & WidthMax(f.bytesPerPixel * 8);
    return (raw & mask) == (job.key & mask);
}

}  // namespace orvik::conversion
