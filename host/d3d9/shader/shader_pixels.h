// The pixels of a primitive drawn with pixel code: its attributes as planes over the
// screen, and the runner that loads each pixel's inputs (or a row of lanes' inputs) from
// them, runs the program alone, in a 2x2 quad or in lanes, and writes what it gives.
#pragma once
#include <optional>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/raster/raster_shader.h"
#include "host/d3d9/shader/shader_lane_kernels.h"
#include "host/d3d9/shader/shader_sampler.h"

namespace host {

// Whether the program reads varying k (v0, v1, then t0..t7; model 3.0: v0..v9).
inline bool UsesVarying(const ShaderProgram& p, int k) {
    if (p.model == kModel30) return p.pixelInputs >> k & 1;
    return p.pixelInputs >> (k < 2 ? 8 + k : k - 2) & 1;
}

// Pixels shaded together in lanes: any of a primitive's, in the order its rows give them,
// as runs of neighbours along a row: run r is lanes runStart[r] to runStart[r + 1] - 1.
struct LanePixels {
    int x[kLanes] = {}, y[kLanes] = {};
    int count = 0;
    int runStart[kLanes + 1] = {};
    int runs = 0;

    // Pixels (x0, y) to (x0 + n - 1, y), which fit.
    void Add(int x0, int row, int n) {
        for (int i = 0; i < n; ++i) x[count + i] = x0 + i, y[count + i] = row;
        runStart[runs++] = count;
        runStart[runs] = count += n;
    }
    void Clear() { count = runs = 0; }
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

// Runs the program for pixels, alone or as 2x2 quads, and writes what it gives.
class PixelRunner {
public:
    PixelRunner(const DrawState& st, const PixelProgram& pp, float face)
        : sampler(pp.samplers, *pp.program), st_(st), pp_(pp), face_(face),
          writesDepth_(WritesRegister(*pp.program, kFileDepthOut, 0)),
          fogged_(st.fog.enabled && pp.program->model != kModel30), kernels_(ChosenLaneKernels()) {
        // A 32-bit target with no depth, stencil or write mask takes the colours as the
        // fast spans write theirs; the general path keeps OutputPixel, their reference.
        fastOut_ = !st.depthTest && !st.stencil.values && st.writeMask == 0xFFFFFFFFu &&
                   (st.targetFormat == D3DFMT_A8R8G8B8 || st.targetFormat == D3DFMT_X8R8G8B8) &&
                   !D3D9Settings().forceGenericPath && FastBlendOf(st, &fastBlend_);
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
        if (fastOut_) WriteFastPixel(reinterpret_cast<uint32_t*>(st_.target + size_t(y) * st_.targetPitch) + x, color);
        else OutputPixel(st_, color, writesDepth_ ? depth : z, x, y);
    }

    void Shade(const Vec4* attr, int x, int y, float z, float fog, float w) {
        if (pp_.watchdog->Expired()) return;
        // Made on first use: a draw whose rows run in lanes may never need it.
        ShaderRegisters& regs = single_ ? *single_ : single_.emplace();
        Load(regs, attr, x, y);
        if (RunShader(*pp_.program, *pp_.constants, regs, &sampler, pp_.watchdog)) Output(regs, x, y, z, fog, w);
    }

    // The pixels of a batch together in lanes, from the planes' values at each.
    void ShadeLanes(const AttributePlanes& planes, const LanePixels& px);
    void WriteFast(const LanePixels& px, const uint32_t colors[kLanes], const LaneRun& lanes) const;

    DeviceShaderSampler sampler;

private:
    void LoadLanes(const AttributePlanes& planes, const LanePixels& px);
    // One colour into a pixel of the target as the fast spans write it: OutputPixel's
    // steps for a state without depth, stencil or mask.
    void WriteFastPixel(uint32_t* dst, uint32_t src) const {
        if (st_.alphaPass[src >> 24]) *dst = FastBlended(fastBlend_, src, *dst, st_.targetAlphaOr);
    }

    const DrawState& st_;
    const PixelProgram& pp_;
    float face_;
    bool writesDepth_;
    bool fogged_;
    const LaneKernels& kernels_;
    bool fastOut_ = false;
    FastBlend fastBlend_ = FastBlend::None;
    int used_[kVaryings] = {};
    int usedCount_ = 0;
    std::optional<ShaderRegisters> single_;
};

}  // namespace host
