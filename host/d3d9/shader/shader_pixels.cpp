#include "host/d3d9/shader/shader_pixels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/shader/shader_lane_kernels.h"

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
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 color = {};
        for (int i = 0; i < 4; ++i) color |= ChannelBits(ChunkOf(c.c[i], k), kChannelShift[i]);
        std::memcpy(out + 4 * k, &color, sizeof color);
    }
}

// Every texel a pixel shader reads passes here: four loads in place of four divisions.
constexpr std::array<float, 256> kByteValues = [] {
    std::array<float, 256> v{};
    for (int i = 0; i < 256; ++i) v[size_t(i)] = float(i) / 255.0f;
    return v;
}();

Vec4 ColorToVec4(uint32_t c) {
    auto ch = [&](int shift) { return kByteValues[(c >> shift) & 255]; };
    return Vec4{{ch(16), ch(8), ch(0), ch(24)}};
}

void ColorsToLanes(const uint32_t colors[kLanes], LaneRegister* out) {
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 c;
        std::memcpy(&c, colors + 4 * k, sizeof c);
        for (int i = 0; i < 4; ++i) SetChunk(out->c[i], k, ChannelOf(c, kChannelShift[i]));
    }
}

// The inputs of a row of lanes from the planes, as Load puts them (`count` lanes, rounded
// up to whole vectors).
void PixelRunner::LoadLanes(const AttributePlanes& planes, const LanePixels& px) {
    const ShaderProgram& p = *pp_.program;
    LaneRun& lanes = *pp_.lanes;
    alignas(32) double inv[kLanes];
    if (!planes.affine) kernels_.planeReciprocals(planes.q, px.x, px.y, px.count, inv);
    for (int i = 0; i < usedCount_; ++i) {
        const int k = used_[i];
        const bool model3 = p.model == kModel30, color = !model3 && k < 2;
        LaneRegister& r = model3 || color ? lanes.Input(k) : lanes.Texture(k - 2);
        const uint8_t reads = lanes.Program().VaryingReads(k);
        for (int c = 0; c < 4; ++c) {
            if (!(reads >> c & 1)) continue;
            if (planes.flat[k] || planes.steady[k][c]) {
                const float f = planes.flat[k] ? planes.flatValue[k][c] : float(planes.attr[k][c].base);
                std::fill_n(r.c[c].v, kLanes, color ? Saturate(f) : f);
                continue;
            }
            kernels_.planeFloats(planes.attr[k][c], px.x, px.y, planes.affine ? nullptr : inv, color, px.count,
                                 &r.c[c]);
        }
    }
    if (p.model == kModel30) {
        LaneRegister& pos = lanes.Misc(kMiscPosition);
        for (int l = 0; l < kLanes; ++l) pos.c[0].v[l] = float(px.x[l]), pos.c[1].v[l] = float(px.y[l]);
        for (int c = 0; c < 4; ++c) std::fill_n(lanes.Misc(kMiscFace).c[c].v, kLanes, face_);
    }
}

// After the run, the lanes whose run ended are written as Shade writes a pixel. Where the
// lanes' flow parts, the pixels run one at a time instead.
void PixelRunner::ShadeLanes(const AttributePlanes& planes, const LanePixels& px) {
    if (pp_.watchdog->Expired()) return;
    LaneRun& lanes = *pp_.lanes;
    const int count = px.count;
    LoadLanes(planes, px);
    uint32_t colors[kLanes];
    if (lanes.Program().Product()) {
        lanes.RunProduct(count, &sampler, *pp_.watchdog, kernels_, colors);
    } else {
        const ShaderHalt halt = lanes.Run(count, &sampler, *pp_.watchdog);
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
        LaneColors(lanes.Color(), colors);
    }
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

// The lanes' colours into a 32-bit target as the fast spans write theirs, along each run
// by vectors where the alpha test is a threshold and no lane was killed: the same steps as
// OutputPixel's for a state without depth, stencil or mask.
void PixelRunner::WriteFast(const LanePixels& px, const uint32_t colors[kLanes], const LaneRun& lanes) const {
    const auto row = kernels_.blendRow[size_t(fastBlend_)];
    const bool vectors = row && st_.alphaPassFrom >= 0 && !lanes.AnyKilled();
    for (int r = 0; r < px.runs; ++r) {
        const int first = px.runStart[r], n = px.runStart[r + 1] - first;
        uint32_t* const dst =
            reinterpret_cast<uint32_t*>(st_.target + size_t(px.y[first]) * st_.targetPitch) + px.x[first];
        for (int i = vectors ? row(dst, colors + first, n, st_.alphaPassFrom, st_.targetAlphaOr) : 0; i < n; ++i)
            if (!lanes.Killed(first + i)) WriteFastPixel(dst + i, colors[first + i]);
    }
}

}  // namespace host
