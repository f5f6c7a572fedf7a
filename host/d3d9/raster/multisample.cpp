#include "host/d3d9/raster/multisample.h"

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resources.h"

namespace host {
namespace {

struct SampleOffset {
    int x, y;  // 1/256 pixels
};
// The usual patterns: two samples on a diagonal, four on a rotated grid (in 1/16 pixels
// (4, 4) and (-4, -4); (-2, -6), (6, -2), (-6, 2) and (2, 6)).
constexpr SampleOffset kTwoSamples[2] = {{64, 64}, {-64, -64}};
constexpr SampleOffset kFourSamples[4] = {{-32, -96}, {96, -32}, {-96, 32}, {32, 96}};

}  // namespace

uint32_t SampleCount(D3DMULTISAMPLE_TYPE type, DWORD quality) {
    switch (type) {
        case D3DMULTISAMPLE_NONE: return quality == 0 ? 1 : 0;
        case D3DMULTISAMPLE_NONMASKABLE: return quality == 0 ? 2 : quality == 1 ? 4 : 0;
        case D3DMULTISAMPLE_2_SAMPLES: return quality == 0 ? 2 : 0;
        case D3DMULTISAMPLE_4_SAMPLES: return quality == 0 ? 4 : 0;
        default: return 0;
    }
}

DWORD QualityLevels(D3DFORMAT format, D3DMULTISAMPLE_TYPE type) {
    const PixelFormatInfo* f = FindPixelFormat(format);
    if (!f || !(f->renderable || f->depth)) return 0;
    if (type == D3DMULTISAMPLE_NONMASKABLE) return 2;
    return SampleCount(type, 0) > 0 ? 1 : 0;
}

SamplePlanes PlanesOf(const DrawState& st, const Surface& target, const Surface* depthStencil) {
    return SamplePlanes{target.Samples(), st.target, st.depth, st.stencil.values, target.Pitch() * target.Height(),
                        depthStencil ? size_t(depthStencil->Width()) * depthStencil->Height() : 0};
}

void SelectSamplePlane(const SamplePlanes& planes, uint32_t sample, bool centred, DrawState* st) {
    st->target = planes.target + sample * planes.targetBytes;
    if (planes.depth) st->depth = planes.depth + sample * planes.values;
    if (planes.stencil) st->stencil.values = planes.stencil + sample * planes.values;
    const SampleOffset o = centred ? SampleOffset{0, 0}
                           : planes.count == 2 ? kTwoSamples[sample] : kFourSamples[sample];
    st->sampleX = o.x;
    st->sampleY = o.y;
}

uint32_t ResolvedArgb(const Surface& s, int32_t x, int32_t y) {
    const int bytes = FindPixelFormat(s.Format())->bytes;
    const size_t planeBytes = s.Pitch() * s.Height();
    const uint8_t* at = s.Bits() + size_t(y) * s.Pitch() + size_t(x) * size_t(bytes);
    uint32_t sum[4] = {};
    for (uint32_t k = 0; k < s.Samples(); ++k) {
        const uint32_t c = ReadPixelArgb(s.Format(), at + k * planeBytes);
        for (int i = 0; i < 4; ++i) sum[i] += (c >> (8 * i)) & 255;
    }
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) out |= ((sum[i] + s.Samples() / 2) / s.Samples()) << (8 * i);
    return out;
}

void ResolveSurface(const Surface& s, uint8_t* out, size_t pitch) {
    const int bytes = FindPixelFormat(s.Format())->bytes;
    for (uint32_t y = 0; y < s.Height(); ++y)
        for (uint32_t x = 0; x < s.Width(); ++x)
            WritePixelArgb(s.Format(), out + y * pitch + x * size_t(bytes), ResolvedArgb(s, int32_t(x), int32_t(y)));
}

}  // namespace host
