#include "host/d3d9/shader_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/d3d9/color_math.h"
#include "host/d3d9/pixel_shade.h"

namespace host {
namespace {

uint32_t ChannelByte(float f) {
    if (!(f > 0)) return 0;  // NaN too
    return f >= 1.0f ? 255u : uint32_t(f * 255.0f + 0.5f);
}

}  // namespace

uint32_t Vec4ToColor(const Vec4& c) {
    return ChannelByte(c[3]) << 24 | ChannelByte(c[0]) << 16 | ChannelByte(c[1]) << 8 | ChannelByte(c[2]);
}

// ChannelByte lane by lane: a saturated value's nearest byte is its truncated 255 x + 0.5.
void LaneColors(const LaneRegister& c, uint32_t out[kLanes]) {
    constexpr int kShift[4] = {16, 8, 0, 24};
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 color = {};
        for (int i = 0; i < 4; ++i)
            color |= __builtin_convertvector(Saturate(ChunkOf(c.c[i], k)) * 255.0f + 0.5f, Ints4) << kShift[i];
        std::memcpy(out + 4 * k, &color, sizeof color);
    }
}

Vec4 ColorToVec4(uint32_t c) {
    auto ch = [&](int shift) { return float((c >> shift) & 255) / 255.0f; };
    return Vec4{{ch(16), ch(8), ch(0), ch(24)}};
}

void ColorsToLanes(const uint32_t colors[kLanes], LaneRegister* out) {
    constexpr int kShift[4] = {16, 8, 0, 24};
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 c;
        std::memcpy(&c, colors + 4 * k, sizeof c);
        for (int i = 0; i < 4; ++i)
            SetChunk(out->c[i], k, __builtin_convertvector((c >> kShift[i]) & 255, Floats4) / 255.0f);
    }
}

// The inputs of a row of lanes from the planes, as Load puts them; after the run, the
// lanes whose run ended are written as Shade writes a pixel. Where the lanes' flow parts,
// the pixels run one at a time instead.
void PixelRunner::ShadeLanes(const AttributePlanes& planes, const LanePixels& px) {
    if (pp_.budget->Spent()) return;
    const ShaderProgram& p = *pp_.program;
    LaneRun& lanes = *pp_.lanes;
    const int count = px.count;
    double inv[kLanes];
    for (int l = 0; l < kLanes; ++l) inv[l] = planes.affine ? 1.0 : 1.0 / planes.q.At(px.x[l], px.y[l]);
    for (int i = 0; i < usedCount_; ++i) {
        const int k = used_[i];
        const bool model3 = p.model == kModel30, color = !model3 && k < 2;
        LaneRegister& r = model3 || color ? lanes.Input(k) : lanes.Texture(k - 2);
        const uint8_t reads = pp_.lanes->Program().VaryingReads(k);
        for (int c = 0; c < 4; ++c) {
            if (!(reads >> c & 1)) continue;
            float* out = r.c[c].v;
            if (planes.flat[k] || planes.steady[k][c]) {
                const float v = planes.flat[k] ? planes.flatValue[k][c] : float(planes.attr[k][c].base);
                std::fill_n(out, kLanes, color ? Saturate(v) : v);
                continue;
            }
            for (int l = 0; l < kLanes; ++l) out[l] = float(planes.attr[k][c].At(px.x[l], px.y[l]) * inv[l]);
            if (color)
                for (int n = 0; n < kLaneChunks; ++n) SetChunk(r.c[c], n, Saturate(ChunkOf(r.c[c], n)));
        }
    }
    if (p.model == kModel30) {
        LaneRegister& pos = lanes.Misc(kMiscPosition);
        for (int l = 0; l < kLanes; ++l) pos.c[0].v[l] = float(px.x[l]), pos.c[1].v[l] = float(px.y[l]);
        for (int c = 0; c < 4; ++c) std::fill_n(lanes.Misc(kMiscFace).c[c].v, kLanes, face_);
    }
    const ShaderHalt halt = lanes.Run(count, &sampler, pp_.budget);
    if (halt == ShaderHalt::Fault) return;
    if (halt == ShaderHalt::Barrier) {
        Vec4 attr[kVaryings];
        float fog = 1, w = 1;
        for (int l = 0; l < count; ++l) {
            planes.At(px.x[l], px.y[l], attr, &fog, &w);
            Shade(attr, px.x[l], px.y[l], float(planes.z.At(px.x[l], px.y[l])), fog, w);
        }
        return;
    }
    uint32_t colors[kLanes];
    LaneColors(lanes.Color(), colors);
    for (int l = 0; l < count && (fogged_ || !fastOut_); ++l) {
        if (lanes.Killed(l)) continue;
        const int x = px.x[l], y = px.y[l];
        const float z = float(planes.z.At(x, y));
        if (fogged_) {
            float fog, w;
            planes.FogAt(x, y, &fog, &w);
            colors[l] = ApplyFog(st_.fog, colors[l], FogByte(Saturate(fog)) << 24, z, w);
        }
        if (!fastOut_) OutputPixel(st_, colors[l], writesDepth_ ? lanes.Depth().c[0].v[l] : z, x, y);
    }
    if (fastOut_) WriteFast(px, colors, lanes);
}

// The lanes' colours into a 32-bit target as the fast spans write theirs, blended four at
// a time: the same steps as OutputPixel's for a state without depth, stencil or mask.
void PixelRunner::WriteFast(const LanePixels& px, const uint32_t colors[kLanes], const LaneRun& lanes) const {
    using Pixels4 = uint32_t __attribute__((vector_size(16)));
    for (int k = 0; 4 * k < px.count; ++k) {
        Pixels4 src, dst = {};
        std::memcpy(&src, colors + 4 * k, sizeof src);
        uint32_t* at[4] = {};
        for (int j = 0; j < 4; ++j) {
            const int l = 4 * k + j;
            if (l >= px.count || lanes.Killed(l) || !st_.alphaPass[colors[l] >> 24]) continue;
            at[j] = reinterpret_cast<uint32_t*>(st_.target + size_t(px.y[l]) * st_.targetPitch) + px.x[l];
            dst[j] = *at[j];
        }
        const Pixels4 a = src >> 24;
        const Pixels4 out = (fastBlend_ == FastBlend::Alpha ? BlendLerp(src, dst, a)
                             : fastBlend_ == FastBlend::Add ? BlendAdd(src, dst, a)
                                                            : src) |
                            st_.targetAlphaOr;
        for (int j = 0; j < 4; ++j)
            if (at[j]) *at[j] = out[j];
    }
}
}  // namespace host
