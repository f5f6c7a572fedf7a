#include "host/d3d9/raster_shader.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/pixel_shade.h"
#include "host/d3d9/raster.h"
#include "host/d3d9/raster_common.h"
#include "host/d3d9/texture_views.h"

namespace host {
namespace {

uint32_t ChannelByte(float f) {
    if (!(f > 0)) return 0;  // NaN too
    return f >= 1.0f ? 255u : uint32_t(f * 255.0f + 0.5f);
}

bool UsesVarying(const ShaderProgram& p, int k) { return p.pixelInputs >> (k < 2 ? 8 + k : k - 2) & 1; }

// texld through the device's samplers: the level chosen per primitive from the slope of the
// coordinates the sampler reads, or per pixel for texldb's bias.
class PixelSampler final : public ShaderSampler {
public:
    PixelSampler(const StageSampler* samplers, const ShaderProgram& p)
        : samplers_(samplers), types_(p.samplerTypes) {}

    // Slopes (texels of level 0 per pixel) of each sampler's coordinates; none for lines and points.
    void ChooseLevels(const double (*slopes)[4]) {
        for (int s = 0; s < kShaderSamplers; ++s) {
            const double* d = slopes ? slopes[s] : kFlat;
            for (int i = 0; i < 4; ++i) slope_[s][i] = d[i];
            lods_[s] = ChooseLod(samplers_[s], d[0], d[1], d[2], d[3]);
        }
    }

    Vec4 Sample(int s, const Vec4& coord, int variant) override {
        const StageSampler& smp = samplers_[s];
        // No texture, or one of another kind than the sampler declares: opaque black.
        if (smp.levelCount == 0 || smp.type != types_[size_t(s)]) return Vec4{{0, 0, 0, 1}};
        double c[3] = {coord[0], coord[1], coord[2]};
        if (variant == 1)
            for (double& x : c) x /= coord[3];
        const double* d = slope_[s];
        // texldb's bias, kept to the levels there can be (NaN as none).
        const double bias = coord[3] == coord[3] ? std::clamp(double(coord[3]), -16.0, 16.0) : 0.0;
        const StageLod lod = variant == 2 ? ChooseLod(smp, d[0], d[1], d[2], d[3], bias) : lods_[s];
        double scale[3];
        TexelScale(smp, lod.level, scale);
        return ColorToVec4(
            SampleTexture(smp, lod, ToFixed32(c[0] * scale[0]), ToFixed32(c[1] * scale[1]), ToFixed32(c[2] * scale[2])));
    }

private:
    static constexpr double kFlat[4] = {0, 0, 0, 0};
    const StageSampler* samplers_;
    std::array<uint8_t, 16> types_;
    StageLod lods_[kShaderSamplers];
    double slope_[kShaderSamplers][4] = {};
};

// Runs the program for pixels whose inputs are in `regs`, and writes what it gives.
class PixelRunner {
public:
    PixelRunner(const DrawState& st, const PixelProgram& pp)
        : sampler(pp.samplers, *pp.program), st_(st), pp_(pp), writesDepth_(WritesRegister(*pp.program, kFileDepthOut, 0)) {}

    // The program's inputs from a vertex's attributes; colours saturate as their
    // interpolators do.
    void SetInputs(const Vec4* attr) {
        for (int k = 0; k < kVaryings; ++k) {
            if (!UsesVarying(*pp_.program, k)) continue;
            if (k >= 2) {
                regs.t[size_t(k - 2)] = attr[k];
                continue;
            }
            for (int c = 0; c < 4; ++c) regs.v[size_t(k)][c] = Saturate(attr[k][c]);
        }
    }

    // `fog` is the interpolated vertex fog factor, `w` the eye distance 1 / rhw; fog blends
    // into the program's colour after it, as it does after the texture stages.
    void Shade(int x, int y, float z, float fog, float w) {
        regs.r = {};
        regs.colorOut = {};
        regs.depthOut = {};
        regs.killed = false;
        if (!RunShader(*pp_.program, *pp_.constants, regs, &sampler) || regs.killed) return;
        uint32_t color = Vec4ToColor(regs.colorOut[0]);
        if (st_.fog.enabled) color = ApplyFog(st_.fog, color, FogByte(Saturate(fog)) << 24, z, w);
        OutputPixel(st_, color, writesDepth_ ? regs.depthOut[0] : z, x, y);
    }

    ShaderRegisters regs;
    PixelSampler sampler;

private:
    const DrawState& st_;
    const PixelProgram& pp_;
    bool writesDepth_;
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
            for (int c = 0; c < 4; ++c)
                attr[k][c] = MakePlane(x, y, det, v[0]->attr[k][c] * w[0], v[1]->attr[k][c] * w[1],
                                       v[2]->attr[k][c] * w[2]);
        }
        for (int s = 0; s < kShaderSamplers; ++s) {
            const int reg = p.samplerCoord[size_t(s)];
            const StageSampler& smp = pp.samplers[s];
            if (reg < 0 || smp.levelCount == 0) continue;
            const Vec4* a[3] = {&v[0]->attr[2 + reg], &v[1]->attr[2 + reg], &v[2]->attr[2 + reg]};
            const Plane pu = MakePlane(x, y, det, (*a[0])[0], (*a[1])[0], (*a[2])[0]);
            const Plane pv = MakePlane(x, y, det, (*a[0])[1], (*a[1])[1], (*a[2])[1]);
            const double w0 = smp.levels[0].width, h0 = smp.levels[0].height;
            const double d[4] = {pu.dx * w0, pv.dx * h0, pu.dy * w0, pv.dy * h0};
            std::copy(d, d + 4, slopes[s]);
        }
    }

    // The varyings at a pixel, with the fog factor and the eye distance.
    void At(int px, int py, Vec4* out, float* fogFactor, float* w) const {
        const double inv = affine ? 1.0 : 1.0 / q.At(px, py);
        *fogFactor = float(fog.At(px, py) * inv);
        *w = float(affine ? affineW : inv);
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

}  // namespace

uint32_t Vec4ToColor(const Vec4& c) {
    return ChannelByte(c[3]) << 24 | ChannelByte(c[0]) << 16 | ChannelByte(c[1]) << 8 | ChannelByte(c[2]);
}

Vec4 ColorToVec4(uint32_t c) {
    auto ch = [&](int shift) { return float((c >> shift) & 255) / 255.0f; };
    return Vec4{{ch(16), ch(8), ch(0), ch(24)}};
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
    PixelRunner run(st, pp);
    run.sampler.ChooseLevels(planes.slopes);
    Vec4 attr[kVaryings];
    float fog = 1, w = 1;
    ForEachSpan(st, edges, 3, y0, y1, [&](int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) {
            planes.At(x, y, attr, &fog, &w);
            run.SetInputs(attr);
            run.Shade(x, y, float(planes.z.At(x, y)), fog, w);
        }
    });
}

void RasterShaderLine(const DrawState& st, const PixelProgram& pp, const ShadedVertex& a, const ShadedVertex& b,
                      const ShadedVertex& flat) {
    PixelRunner run(st, pp);
    run.sampler.ChooseLevels(nullptr);
    WalkLine(st, a.pos[0], a.pos[1], b.pos[0], b.pos[1], [&](double t, int x, int y) {
        ShadedVertex v = LerpVertex(a, b, float(t));
        if (!st.gouraud) v.attr[0] = flat.attr[0], v.attr[1] = flat.attr[1];
        run.SetInputs(v.attr);
        run.Shade(x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
    });
}

void RasterShaderPoint(const DrawState& st, const PixelProgram& pp, const ShadedVertex& v) {
    int x, y;
    if (!PointPixel(st, v.pos[0], v.pos[1], &x, &y)) return;
    PixelRunner run(st, pp);
    run.sampler.ChooseLevels(nullptr);
    run.SetInputs(v.attr);
    run.Shade(x, y, v.pos[2], v.fog, 1.0f / v.pos[3]);
}

}  // namespace host
