#include "engine/graphics/images/byte_channel_convert.h"

#include "engine/graphics/images/byte_rows.h"

namespace orvik::conversion {

namespace {

bool ByteChannels(const ColorFormat& f) {
    return (f.bytesPerPixel == 3 || f.bytesPerPixel == 4) && f.redWidth == 8 &&
           f.greenWidth == 8 && f.blueWidth == 8 && (f.alphaWidth == 0 || f.alphaWidth == 8);
}

// Where every channel sits on a whole byte, a plain copy with opaque or source alpha
// moves bytes: the rows go through the byte shuffle, several pixels a step. False when
// the job needs pixel by pixel work (a key, a mirror, channels across byte bounds).
bool TryByteShuffle(const Job& job) {
    const ColorFormat& s = *job.source.format;
    const ColorFormat& d = *job.destFormat;
    if (job.keySkip || job.mirror || (job.alphaFrom != AlphaFrom::Opaque && job.alphaFrom != AlphaFrom::Source))
        return false;
    ByteShuffle shuffle{s.bytesPerPixel, d.bytesPerPixel, {-1, -1, -1, -1}, {0, 0, 0, 0}};
    bool placed[4] = {};
    auto place = [&](int destShift, int sourceShift, bool fill) {
        if (destShift % 8 || sourceShift % 8 || destShift / 8 >= d.bytesPerPixel || sourceShift / 8 >= s.bytesPerPixel ||
            placed[destShift / 8])
            return false;
        placed[destShift / 8] = true;
        if (fill) shuffle.fill[destShift / 8] = 0xFF;
        else shuffle.pick[destShift / 8] = int8_t(sourceShift / 8);
        return true;
    };
    if (!place(d.redShift, s.redShift, false) || !place(d.greenShift, s.greenShift, false) ||
        !place(d.blueShift, s.blueShift, false))
        return false;
    if (d.alphaWidth && !place(d.alphaShift, job.alphaFrom == AlphaFrom::Source ? s.alphaShift : 0,
                               job.alphaFrom == AlphaFrom::Opaque))
        return false;
    const ByteRows rows{DestPixel(job, job.destX, job.destY), job.destPitch,
                        job.source.pixels + static_cast<ptrdiff_t>(job.rect.top) * job.source.pitch +
                            static_cast<ptrdiff_t>(job.rect.left) * s.bytesPerPixel,
                        job.source.pitch, job.rect.right - job.rect.left, job.rect.bottom - job.rect.top};
    ByteShuffleRows(shuffle)(shuffle, rows);
    return true;
}

// 8-bit channels on both sides (24- and 32-bit layouts, the common way into textures)
// move without any scaling; the general path would give the same values.
template <int SourceBytes, int DestBytes>
void ConvertByteChannels(const Job& job) {
    const ColorFormat& s = *job.source.format;
    const ColorFormat& d = *job.destFormat;
    const uint32_t rgbMask = s.redMask | s.greenMask | s.blueMask;
    const uint32_t keyColour = job.key & rgbMask;
    const uint32_t alphaMax = d.alphaWidth ? 0xFFu << d.alphaShift : 0;
    const int width = job.rect.right - job.rect.left;
    for (int row = 0; row < job.rect.bottom - job.rect.top; ++row) {
        const uint8_t* src = job.source.pixels +
                             static_cast<ptrdiff_t>(job.rect.top + row) * job.source.pitch +
                             static_cast<ptrdiff_t>(job.rect.left) * SourceBytes;
        for (int i = 0; i < width; ++i, src += SourceBytes) {
            const uint32_t v = LoadPixel(src, SourceBytes);
            if (job.keySkip && MatchesKey(job, v)) continue;
            uint32_t out = (((v >> s.redShift) & 255) << d.redShift) |
                           (((v >> s.greenShift) & 255) << d.greenShift) |
                           (((v >> s.blueShift) & 255) << d.blueShift);
            if (job.alphaFrom == AlphaFrom::Source) out |= ((v >> s.alphaShift) & 255) << d.alphaShift;
            else if (job.alphaFrom == AlphaFrom::Opaque || (v & rgbMask) != keyColour) out |= alphaMax;
            const int dx = job.destX + (job.mirror ? width - 1 - i : i);
            StorePixel(DestPixel(job, dx, job.destY + row), DestBytes, out);
        }
    }
}

}  // namespace

bool TryByteChannels(const Job& job) {
    const ColorFormat& s = *job.source.format;
    const ColorFormat& d = *job.destFormat;
    const bool alphaCovered = job.alphaFrom == AlphaFrom::Opaque ||
                              job.alphaFrom == AlphaFrom::Source || job.alphaFrom == AlphaFrom::Key;
    if (!ByteChannels(s) || !ByteChannels(d) || !alphaCovered || job.alphaOnly) return false;
    if (TryByteShuffle(job)) return true;
    const int kind = s.bytesPerPixel * 10 + d.bytesPerPixel;
    if (kind == 33) ConvertByteChannels<3, 3>(job);
    else if (kind == 34) ConvertByteChannels<3, 4>(job);
    else if (kind == 43) ConvertByteChannels<4, 3>(job);
    else ConvertByteChannels<4, 4>(job);
    return true;
}

}  // namespace orvik::conversion
