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
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 color = {};
        for (int i = 0; i < 4; ++i) color |= ChannelBits(ChunkOf(c.c[i], k), kChannelShift[i]);
        std::memcpy(out + 4 * k, &color, sizeof color);
    }
}

Vec4 ColorToVec4(uint32_t c) {
    auto ch = [&](int shift) { return float((c >> shift) & 255) / 255.0f; };
    return Vec4{{ch(16), ch(8), ch(0), ch(24)}};
}

void ColorsToLanes(const uint32_t colors[kLanes], LaneRegister* out) {
    for (int k = 0; k < kLaneChunks; ++k) {
        Ints4 c;
        std::memcpy(&c, colors + 4 * k, sizeof c);
        for (int i = 0; i < 4; ++i) SetChunk(out->c[i], k, ChannelOf(c, kChannelShift[i]));
    }
}

namespace {

using Doubles4 = double __attribute__((vector_size(32)));

// The plane's value at the pixels of the four lanes from 4 * chunk: At's steps, so its bits.
void PlaneChunk(const Plane& plane, const LanePixels& px, int chunk, Doubles4* out) {
    Ints4 x, y;
    std::memcpy(&x, px.x + 4 * chunk, sizeof x);
    std::memcpy(&y, px.y + 4 * chunk, sizeof y);
    *out = plane.base + plane.dx * (__builtin_convertvector(x, Doubles4) - plane.x0) +
           plane.dy * (__builtin_convertvector(y, Doubles4) - plane.y0);
}

}  // namespace

// The inputs of a row of lanes from the planes, as Load puts them (`count` lanes, rounded
// up to whole chunks of four).
void PixelRunner::LoadLanes(const AttributePlanes& planes, const LanePixels& px) {
    const ShaderProgram& p = *pp_.program;
    LaneRun& lanes = *pp_.lanes;
    alignas(32) double inv[kLanes];
    Doubles4 v;
    for (int n = 0; 4 * n < px.count && !planes.affine; ++n) {
        PlaneChunk(planes.q, px, n, &v);
        v = 1.0 / v;
        std::memcpy(inv + 4 * n, &v, sizeof v);
    }
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
            for (int n = 0; 4 * n < px.count; ++n) {
                PlaneChunk(planes.attr[k][c], px, n, &v);
                if (!planes.affine) {
                    Doubles4 d;
                    std::memcpy(&d, inv + 4 * n, sizeof d);
                    v *= d;
                }
                const Floats4 f = __builtin_convertvector(v, Floats4);
                SetChunk(r.c[c], n, color ? Saturate(f) : f);
            }
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
    if (pp_.budget->Spent()) return;
    LaneRun& lanes = *pp_.lanes;
    const int count = px.count;
    LoadLanes(planes, px);
    uint32_t colors[kLanes];
    if (lanes.Program().Product()) {
        lanes.RunProduct(count, &sampler, pp_.budget, colors);
    } else {
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

// The lanes' colours into a 32-bit target as the fast spans write theirs, blended four at
// a time along each run: the same steps as OutputPixel's for a state without depth,
// stencil or mask.
void PixelRunner::WriteFast(const LanePixels& px, const uint32_t colors[kLanes], const LaneRun& lanes) const {
    using Pixels4 = uint32_t __attribute__((vector_size(16)));
    auto blend = [&](auto src, auto dst) {
        const auto a = src >> 24;
        return (fastBlend_ == FastBlend::Alpha ? BlendLerp(src, dst, a)
                : fastBlend_ == FastBlend::Add ? BlendAdd(src, dst, a)
                                               : src) |
               st_.targetAlphaOr;
    };
    auto shown = [&](int l) { return !lanes.Killed(l) && st_.alphaPass[colors[l] >> 24]; };
    for (int r = 0; r < px.runs; ++r) {
        const int first = px.runStart[r], n = px.runStart[r + 1] - first;
        uint32_t* const row =
            reinterpret_cast<uint32_t*>(st_.target + size_t(px.y[first]) * st_.targetPitch) + px.x[first];
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            Pixels4 src, dst, keep;
            std::memcpy(&src, colors + first + i, sizeof src);
            std::memcpy(&dst, row + i, sizeof dst);
            for (int j = 0; j < 4; ++j) keep[j] = shown(first + i + j) ? ~0u : 0u;
            const Pixels4 out = (blend(src, dst) & keep) | (dst & ~keep);
            std::memcpy(row + i, &out, sizeof out);
        }
        for (; i < n; ++i)
            if (shown(first + i)) row[i] = blend(colors[first + i], row[i]);
    }
}

}  // namespace host
