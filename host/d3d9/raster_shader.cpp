#include "host/d3d9/raster_shader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <span>

#include "host/d3d9/color_math.h"
#include "host/d3d9/pixel_shade.h"
#include "host/d3d9/prefetch_rows.h"
#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"
#include "host/d3d9/shader_sampler.h"

namespace host {
namespace {

uint32_t ChannelByte(float f) {
    if (!(f > 0)) return 0;  // NaN too
    return f >= 1.0f ? 255u : uint32_t(f * 255.0f + 0.5f);
}

bool UsesVarying(const ShaderProgram& p, int k) {
    if (p.model == kModel30) return p.pixelInputs >> k & 1;
    return p.pixelInputs >> (k < 2 ? 8 + k : k - 2) & 1;
}

// Pixels shaded together in lanes: any of a primitive's, in the order its rows give them.
struct LanePixels {
    int x[kLanes] = {}, y[kLanes] = {};
    int count = 0;
};

// Runs the program for pixels, alone or as 2x2 quads, and writes what it gives.
class PixelRunner {
public:
    PixelRunner(const DrawState& st, const PixelProgram& pp, float face)
        : sampler(pp.samplers, *pp.program), st_(st), pp_(pp), face_(face),
          writesDepth_(WritesRegister(*pp.program, kFileDepthOut, 0)),
          fogged_(st.fog.enabled && pp.program->model != kModel30) {
        // A 32-bit target with no depth, stencil or write mask takes the colours as the
        // fast spans write theirs.
        fastOut_ = !st.depthTest && !st.stencil.values && st.writeMask == 0xFFFFFFFFu &&
                   (st.targetFormat == D3DFMT_A8R8G8B8 || st.targetFormat == D3DFMT_X8R8G8B8) &&
                   FastBlendOf(st, &fastBlend_);
        for (int k = 0; k < kVaryings; ++k)
            if (UsesVarying(*pp.program, k)) used_[usedCount_++] = k;
    }

    // One pixel's registers before its run: the inputs from the attributes (colours
    // before model 3.0 saturate, as their interpolators do), vPos and vFace, and nothing
    // left of an earlier run. Direct3D 9 puts pixel centres at whole numbers, so vPos
    // holds them as they are.
    void Load(ShaderRegisters& regs, const Vec4* attr, int x, int y) const {
        const ShaderProgram& p = *pp_.program;
        std::fill_n(regs.r.begin(), p.tempCount, Vec4{});
        regs.colorOut[0] = regs.depthOut = regs.predicate = Vec4{};
        regs.killed = false;
        if (p.model == kModel30) {
            regs.misc[kMiscPosition] = Vec4{{float(x), float(y), 0, 0}};
            regs.misc[kMiscFace] = Vec4{{face_, face_, face_, face_}};
        }
        for (int i = 0; i < usedCount_; ++i) {
            const int k = used_[i];
            if (p.model == kModel30) regs.v[size_t(k)] = attr[k];
            else if (k >= 2) regs.t[size_t(k - 2)] = attr[k];
            else
                for (int c = 0; c < 4; ++c) regs.v[size_t(k)][c] = Saturate(attr[k][c]);
        }
    }

    // `fog` is the interpolated vertex fog factor, `w` the eye distance 1 / rhw; before
    // model 3.0 (whose code fogs its own colour) fog blends into the program's colour
    // after it, as it does after the texture stages.
    void Output(const ShaderRegisters& regs, int x, int y, float z, float fog, float w) const {
        if (!regs.killed) Write(regs.colorOut[0], regs.depthOut[0], x, y, z, fog, w);
    }
    void Write(const Vec4& c, float depth, int x, int y, float z, float fog, float w) const {
        uint32_t color = Vec4ToColor(c);
        if (fogged_) color = ApplyFog(st_.fog, color, FogByte(Saturate(fog)) << 24, z, w);
        OutputPixel(st_, color, writesDepth_ ? depth : z, x, y);
    }

    void Shade(const Vec4* attr, int x, int y, float z, float fog, float w) {
        if (pp_.budget->Spent()) return;
        // Made on first use: a draw whose rows run in lanes may never need it.
        ShaderRegisters& regs = single_ ? *single_ : single_.emplace();
        Load(regs, attr, x, y);
        if (RunShader(*pp_.program, *pp_.constants, regs, &sampler, pp_.budget)) Output(regs, x, y, z, fog, w);
    }

    // The pixels of a batch together in lanes, from the planes' values at each.
    template <class Planes>
    void ShadeLanes(const Planes& planes, const LanePixels& px);
    void WriteFast(const LanePixels& px, const uint32_t colors[kLanes], const LaneRun& lanes) const;

    DeviceShaderSampler sampler;

private:
    const DrawState& st_;
    const PixelProgram& pp_;
    float face_;
    bool writesDepth_;
    bool fogged_;
    bool fastOut_ = false;
    FastBlend fastBlend_ = FastBlend::None;
    int used_[kVaryings] = {};
    int usedCount_ = 0;
    std::optional<ShaderRegisters> single_;
};

// The attributes of a triangle as planes over the screen, divided by the plane of rhw at
// each pixel unless every corner has the same rhw.
struct AttributePlanes {
    bool affine = true;
    Plane q{}, z{}, fog{};
    double affineW = 1;  // the eye distance when every corner has the same rhw
    Plane attr[kVaryings][4];
    bool flat[kVaryings] = {};
    Vec4 flatValue[kVaryings];
    // Components whose plane gives every pixel its corners' one value: an affine triangle
    // whose corners agree on a number (not -0, which the plane's sums turn to +0).
    bool steady[kVaryings][4] = {};
    double slopes[kShaderSamplers][4] = {};
    // The varyings the program reads: only these have planes.
    int used[kVaryings] = {};
    int usedCount = 0;

    void Build(const DrawState& st, const PixelProgram& pp, const ShadedVertex* const v[3],
               const ShadedVertex& flatVertex, const int64_t X[3], const int64_t Y[3]) {
        const PlaneCorners corners(X, Y);
        const double* x = corners.x;
        const double* y = corners.y;
        const double det = corners.det;
        const ShaderProgram& p = *pp.program;
        affine = v[0]->pos[3] == v[1]->pos[3] && v[0]->pos[3] == v[2]->pos[3];
        double w[3] = {1, 1, 1};
        if (!affine) {
            for (int i = 0; i < 3; ++i) w[i] = v[i]->pos[3];
            q = MakePlane(x, y, det, w[0], w[1], w[2]);
        }
        affineW = 1.0 / v[0]->pos[3];
        z = MakePlane(x, y, det, v[0]->pos[2], v[1]->pos[2], v[2]->pos[2]);
        if (st.fog.enabled) fog = MakePlane(x, y, det, v[0]->fog * w[0], v[1]->fog * w[1], v[2]->fog * w[2]);
        for (int k = 0; k < kVaryings; ++k) {
            if (!UsesVarying(p, k)) continue;
            used[usedCount++] = k;
            flat[k] = k < 2 && !st.gouraud;
            flatValue[k] = flatVertex.attr[k];
            for (int c = 0; c < 4; ++c) {
                const float a = v[0]->attr[k][c];
                attr[k][c] = MakePlane(x, y, det, a * w[0], v[1]->attr[k][c] * w[1], v[2]->attr[k][c] * w[2]);
                steady[k][c] = affine && a == v[1]->attr[k][c] && a == v[2]->attr[k][c] && std::isfinite(a) &&
                               !(a == 0 && std::signbit(a));
            }
        }
        for (int s = 0; s < kShaderSamplers; ++s) {
            const int reg = p.samplerCoord[size_t(s)];
            const StageSampler& smp = pp.samplers[s];
            if (reg < 0 || smp.levelCount == 0) continue;
            const Vec4* a[3] = {&v[0]->attr[reg], &v[1]->attr[reg], &v[2]->attr[reg]};
            const Plane pu = MakePlane(x, y, det, (*a[0])[0], (*a[1])[0], (*a[2])[0]);
            const Plane pv = MakePlane(x, y, det, (*a[0])[1], (*a[1])[1], (*a[2])[1]);
            const double w0 = smp.levels[0].width, h0 = smp.levels[0].height;
            const double d[4] = {pu.dx * w0, pv.dx * h0, pu.dy * w0, pv.dy * h0};
            std::copy(d, d + 4, slopes[s]);
        }
    }

    // The fog factor and the eye distance at a pixel; returns the perspective divisor.
    double FogAt(int px, int py, float* fogFactor, float* w) const {
        const double inv = affine ? 1.0 : 1.0 / q.At(px, py);
        *fogFactor = float(fog.At(px, py) * inv);
        *w = float(affine ? affineW : inv);
        return inv;
    }

    // The varyings at a pixel, with the fog factor and the eye distance.
    void At(int px, int py, Vec4* out, float* fogFactor, float* w) const {
        const double inv = FogAt(px, py, fogFactor, w);
        for (int i = 0; i < usedCount; ++i) {
            const int k = used[i];
            if (flat[k]) {
                out[k] = flatValue[k];
                continue;
            }
            for (int c = 0; c < 4; ++c) out[k][c] = float(attr[k][c].At(px, py) * inv);
        }
    }
};

// The inputs of a row of lanes from the planes, as Load puts them; after the run, the
// lanes whose run ended are written as Shade writes a pixel. Where the lanes' flow parts,
// the pixels run one at a time instead.
template <class Planes>
void PixelRunner::ShadeLanes(const Planes& planes, const LanePixels& px) {
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

// The covered pixels of two rows (y even and y + 1) as 2x2 quads: each quad whose pixels
// any is covered runs whole, its helper pixels reading the attributes' planes where they
// lie, and only covered pixels are written.
struct QuadRow {
    int x0 = 0, x1 = -1;
    bool Covers(int x) const { return x >= x0 && x <= x1; }
};

void ShadeQuadRow(const AttributePlanes& planes, PixelRunner& run, std::span<ShaderRegisters, 4> quad,
                  const PixelProgram& pp, int y, const QuadRow rows[2]) {
    int from = INT_MAX, to = INT_MIN;
    for (int r = 0; r < 2; ++r)
        if (rows[r].x0 <= rows[r].x1) from = std::min(from, rows[r].x0), to = std::max(to, rows[r].x1);
    Vec4 attr[kVaryings];
    float fog[4], w[4];
    bool ok[4];
    for (int qx = from & ~1; qx <= to && !pp.budget->Spent(); qx += 2) {
        for (int n = 0; n < 4; ++n) {
            planes.At(qx + (n & 1), y + (n >> 1), attr, &fog[n], &w[n]);
            run.Load(quad[size_t(n)], attr, qx + (n & 1), y + (n >> 1));
        }
        RunShaderQuad(*pp.program, *pp.constants, quad, &run.sampler, ok, pp.budget);
        for (int n = 0; n < 4; ++n) {
            const int x = qx + (n & 1), py = y + (n >> 1);
            if (ok[n] && rows[n >> 1].Covers(x))
                run.Output(quad[size_t(n)], x, py, float(planes.z.At(x, py)), fog[n], w[n]);
        }
    }
}

void ShadeQuads(const DrawState& st, const AttributePlanes& planes, PixelRunner& run, EdgeWalk* edges, int y0,
                int y1, const PixelProgram& pp) {
    QuadRow rows[2];
    std::array<ShaderRegisters, 4> quad;
    int pairY = y0 & ~1;
    auto flush = [&] {
        if (rows[0].x0 <= rows[0].x1 || rows[1].x0 <= rows[1].x1) ShadeQuadRow(planes, run, quad, pp, pairY, rows);
        rows[0] = rows[1] = QuadRow{};
    };
    ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
        if ((y & ~1) != pairY) {
            flush();
            pairY = y & ~1;
        }
        rows[y & 1] = QuadRow{x0, x1};
    });
    flush();
}

// A sprite-sized triangle's target rows asked for at once: each row of a large target lies
// a page or more from the last, where the processor's own prefetcher does not follow.
void PrefetchTarget(const DrawState& st, const int64_t X[3], int y0, int y1) {
    constexpr int kMaxRows = 64, kMaxBytes = 512;
    const int x0 = std::max(st.clipX0, int(std::min({X[0], X[1], X[2]}) / kSubPixels));
    const int x1 = std::min(st.clipX1 - 1, int(std::max({X[0], X[1], X[2]}) / kSubPixels) + 1);
    const int bytes = (x1 - x0 + 1) * st.targetBytes;
    if (x1 < x0 || y1 - y0 >= kMaxRows || bytes > kMaxBytes) return;
    PrefetchRows<true>(st.target + size_t(y0) * st.targetPitch + size_t(x0) * size_t(st.targetBytes), st.targetPitch,
                       y1 - y0 + 1, size_t(bytes));
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

ShadedVertex LerpVertex(const ShadedVertex& a, const ShadedVertex& b, float t) {
    ShadedVertex v;
    for (int i = 0; i < 4; ++i) v.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    for (int k = 0; k < kVaryings; ++k)
        for (int c = 0; c < 4; ++c) v.attr[k][c] = a.attr[k][c] + (b.attr[k][c] - a.attr[k][c]) * t;
    v.fog = a.fog + (b.fog - a.fog) * t;
    return v;
}

void RasterShaderTriangle(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                          const ShadedVertex& c, const ShadedVertex& flat) {
    int64_t X[3], Y[3];
    const ShadedVertex* v[3] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i)
        if (!SnapCorner(st, v[i]->pos[0], v[i]->pos[1], &X[i], &Y[i])) return;
    const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0 || (st.cullMode == D3DCULL_CCW && area < 0) || (st.cullMode == D3DCULL_CW && area > 0)) return;
    st.counterClockwise = area < 0;
    if (st.fillMode == D3DFILL_POINT) {
        for (auto* p : v) RasterShaderPoint(st, pp, *p);
        return;
    }
    if (st.fillMode != D3DFILL_SOLID) {
        for (int i = 0; i < 3; ++i) RasterShaderLine(st, pp, *v[i], *v[(i + 1) % 3], flat);
        return;
    }
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }
    // Perspective division needs a positive rhw at every corner (unless all are alike).
    const bool sameW = a.pos[3] == b.pos[3] && a.pos[3] == c.pos[3];
    if (!sameW && !(a.pos[3] > 0 && b.pos[3] > 0 && c.pos[3] > 0)) return;
    int y0, y1;
    if (!RowsOf(st, std::min({Y[0], Y[1], Y[2]}), std::max({Y[0], Y[1], Y[2]}), &y0, &y1)) return;
    AttributePlanes planes;
    planes.Build(st, pp, v, flat, X, Y);
    EdgeWalk edges[3];
    for (int i = 0; i < 3; ++i) edges[i].Setup(X[i], Y[i], X[(i + 1) % 3], Y[(i + 1) % 3], y0);
    PixelRunner run(st, pp, st.counterClockwise ? -1.0f : 1.0f);
    run.sampler.ChooseLevels(planes.slopes);
    if (pp.program->derivatives) {
        ShadeQuads(st, planes, run, edges, y0, y1, pp);
        return;
    }
    if (pp.lanes) {
        PrefetchTarget(st, X, y0, y1);
        LanePixels batch;
        ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
            while (x0 <= x1) {
                const int n = std::min(x1 - x0 + 1, kLanes - batch.count);
                for (int i = 0; i < n; ++i) batch.x[batch.count + i] = x0 + i, batch.y[batch.count + i] = y;
                x0 += n;
                if ((batch.count += n) < kLanes) continue;
                run.ShadeLanes(planes, batch);
                batch.count = 0;
            }
        });
        if (batch.count) run.ShadeLanes(planes, batch);
        return;
    }
    Vec4 attr[kVaryings];
    float fog = 1, w = 1;
    ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) {
            planes.At(x, y, attr, &fog, &w);
            run.Shade(attr, x, y, float(planes.z.At(x, y)), fog, w);
        }
    });
}

void RasterShaderLine(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                      const ShadedVertex& flat) {
    PixelRunner run(st, pp, 1.0f);
    run.sampler.ChooseLevels(nullptr);
    WalkLine(st, a.pos[0], a.pos[1], b.pos[0], b.pos[1], [&](double t, int x, int y) {
        ShadedVertex v = LerpVertex(a, b, float(t));
        if (!st.gouraud) v.attr[0] = flat.attr[0], v.attr[1] = flat.attr[1];
        run.Shade(v.attr, x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
    });
}

void RasterShaderPoint(const DrawState& st, const PixelProgram& pp, const ShadedVertex& v) {
    int x, y;
    if (!PointPixel(st, v.pos[0], v.pos[1], &x, &y)) return;
    PixelRunner run(st, pp, 1.0f);
    run.sampler.ChooseLevels(nullptr);
    run.Shade(v.attr, x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
}

}  // namespace host
