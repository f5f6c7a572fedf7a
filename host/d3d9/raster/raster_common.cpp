#include "host/d3d9/raster/raster_common.h"

#include <algorithm>
#include <cmath>

#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/texture_filter.h"
#include "host/d3d9/resources/texture_views.h"

namespace host {
namespace {

double ChannelOf(uint32_t c, int i) { return double((c >> (8 * (i % 4))) & 255); }

}  // namespace

Plane MakePlane(const double x[3], const double y[3], double det, double a0, double a1, double a2) {
    Plane p;
    p.base = a0;
    p.x0 = x[0];
    p.y0 = y[0];
    p.dx = ((a1 - a0) * (y[2] - y[0]) - (a2 - a0) * (y[1] - y[0])) / det;
    p.dy = ((a2 - a0) * (x[1] - x[0]) - (a1 - a0) * (x[2] - x[0])) / det;
    return p;
}

PlaneCorners::PlaneCorners(const int64_t X[3], const int64_t Y[3]) {
    for (int i = 0; i < 3; ++i) {
        x[i] = double(X[i]) / double(kSubPixels);
        y[i] = double(Y[i]) / double(kSubPixels);
    }
    det = double((X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0])) / double(kSubPixels * kSubPixels);
}

StageLod ChooseLod(const StageSampler& s, double dudx, double dvdx, double dudy, double dvdy, double bias) {
    StageLod lod;
    // With one filter for both and no mip levels to pick, the scale changes nothing (and
    // this runs for every sprite).
    if (s.minFilter == s.magFilter && s.minFilter != D3DTEXF_ANISOTROPIC &&
        (s.mipFilter == D3DTEXF_NONE || s.levelCount <= 1)) {
        lod.linear = s.minFilter >= D3DTEXF_LINEAR;
        lod.level = std::clamp(s.maxLevel, 0, std::max(0, s.levelCount - 1));
        return lod;
    }
    return FilteredLod(s, dudx, dvdx, dudy, dvdy, s.lodBias + bias);
}

namespace {

// The level and filter of a stage from its coordinates' slopes per pixel. A volume counts
// its depth with its width; a cube's faces are measured at the triangle's first corner,
// where the direction's largest component spans half a face.
StageLod StageLodOf(const StageSampler& smp, const Plane plain[kTexCoordComponents], const float corner[3]) {
    const bool cube = smp.type == D3DRTYPE_CUBETEXTURE;
    const TexelLevel& l = smp.levels[0];
    double su = l.width, sv = l.height, sw = smp.type == D3DRTYPE_VOLUMETEXTURE ? l.depth : 0.0;
    if (cube) {
        const double major = std::max({std::fabs(corner[0]), std::fabs(corner[1]), std::fabs(corner[2])});
        su = sv = sw = major > 0 ? l.width / (2.0 * major) : 0.0;
    }
    return ChooseLod(smp, SlopeAcross(plain[0].dx * su, plain[2].dx * sw), plain[1].dx * sv,
                     SlopeAcross(plain[0].dy * su, plain[2].dy * sw), plain[1].dy * sv);
}

uint32_t ColorFromChannels(const double* values) {
    uint32_t c = 0;
    for (int i = 0; i < 4; ++i)
        c |= uint32_t(std::clamp(std::lround(values[i]), 0L, 255L)) << (8 * i);
    return c;
}

const uint32_t kWhiteTexel = 0xFFFFFFFFu;

}  // namespace

uint32_t ChannelFromFixed(int64_t v) { return uint32_t(std::clamp<int64_t>((v + 32768) >> 16, 0, 255)); }

bool TriangleSetup::Build(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b,
                          const ScreenVertex& c, const ScreenVertex& flat, const int64_t X[3],
                          const int64_t Y[3], int firstRow) {
    const PlaneCorners corners(X, Y);
    // Projected coordinates are divided at each pixel, as perspective is.
    projected = st.projectedStages;
    affine = a.rhw == b.rhw && a.rhw == c.rhw && projected == 0;
    if (!affine && !(a.rhw > 0 && b.rhw > 0 && c.rhw > 0)) return false;
    flatColor = !st.gouraud || (a.diffuse == b.diffuse && a.diffuse == c.diffuse && a.specular == b.specular &&
                                a.specular == c.specular);
    const ScreenVertex& colorSource = st.gouraud ? a : flat;
    if (st.fast && affine && flatColor) {
        const float* tc[kMaxStages][3];
        for (int s = 0; s < st.stageCount; ++s) {
            const int set = st.ops[s].texSet;
            tc[s][0] = a.tc[set], tc[s][1] = b.tc[set], tc[s][2] = c.tc[set];
        }
        BuildFast(st, colorSource.diffuse, colorSource.specular, a.rhw, tc, corners, firstRow);
        return true;
    }
    Start(st, colorSource.diffuse, colorSource.specular, a.rhw, firstRow);
    fast = false;
    BuildGeneral(st, a, b, c, corners);
    return true;
}

void TriangleSetup::Start(const DrawState& st, uint32_t color, uint32_t secondColor, float rhw, int firstRow) {
    affineW = 1.0 / rhw;
    diffuse = color;
    specular = secondColor;
    rowRef = firstRow;
    for (int s = 0; s < 2; ++s)
        for (int axis = 0; axis < kTexCoordComponents; ++axis) texBase[s][axis] = texStep[s][axis] = texStepY[s][axis] = 0;
    std::fill(usesTexture + st.stageCount, usesTexture + kMaxStages, false);
}

void TriangleSetup::BuildFast(const DrawState& st, uint32_t color, uint32_t secondColor, float rhw,
                              const float* const tc[][3], const PlaneCorners& corners, int firstRow) {
    projected = 0;
    affine = flatColor = fast = true;
    Start(st, color, secondColor, rhw, firstRow);
    // Every sprite comes this way, so only what the fast spans read is made: the flat
    // colour and each texture's fixed-point steps along u and v.
    for (int s = 0; s < st.stageCount; ++s) {
        usesTexture[s] = st.stageUsesTexture[s] && st.samplers[s].levelCount > 0;
        if (!usesTexture[s]) continue;
        // The fast spans read level 0 of a point-sampled 2D texture.
        const TexelLevel& level = st.samplers[s].levels[0];
        SetFixedSteps(s, 0, MakePlane(corners.x, corners.y, corners.det, tc[s][0][0], tc[s][1][0], tc[s][2][0]),
                      level.width);
        SetFixedSteps(s, 1, MakePlane(corners.x, corners.y, corners.det, tc[s][0][1], tc[s][1][1], tc[s][2][1]),
                      level.height);
    }
    const FastFunctions& f =
        st.fastFunctions[((diffuse & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0) | ((diffuse >> 24) == 255 ? 2 : 0)];
    fastUnit = f.unit;
    fastClamped = f.clamped;
    fastRows = f.rows;
    fastSteppedRows = f.steppedRows;
    fastTextures = f.textures;
}

void TriangleSetup::SetFixedSteps(int s, int axis, const Plane& plane, double scale) {
    // Steps stay below 256 texels per pixel and the base below 2^18 texels, so a span
    // start over any reachable column and row cannot overflow.
    // An upright sprite's u does not change down its rows nor v along them: those steps
    // are 0 without the conversion.
    texStep[s][axis] = plane.dx == 0 ? 0 : ToFixed32(plane.dx * scale, 256.0);
    texStepY[s][axis] = plane.dy == 0 ? 0 : ToFixed32(plane.dy * scale, 256.0);
    texBase[s][axis] = ToFixed32(plane.At(0, rowRef) * scale, 262144.0);
}

void TriangleSetup::BuildGeneral(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b,
                                 const ScreenVertex& c, const PlaneCorners& corners) {
    const ScreenVertex* v[3] = {&a, &b, &c};
    const double* x = corners.x;
    const double* y = corners.y;
    const double det = corners.det;
    const double w[3] = {affine ? 1.0 : a.rhw, affine ? 1.0 : b.rhw, affine ? 1.0 : c.rhw};
    if (!affine) q = MakePlane(x, y, det, w[0], w[1], w[2]);
    // Depth is read only by the depth test and fog from z.
    z = st.depthTest || st.fog.table ? MakePlane(x, y, det, a.z, b.z, c.z) : Plane{0, 0, 0, 0, 0};
    if (!flatColor) {
        for (int i = 0; i < 8; ++i) {
            auto val = [&](int k) { return ChannelOf(i < 4 ? v[k]->diffuse : v[k]->specular, i) * w[k]; };
            color[i] = MakePlane(x, y, det, val(0), val(1), val(2));
        }
    }
    for (int s = 0; s < st.stageCount; ++s) {
        usesTexture[s] = st.stageUsesTexture[s] && st.samplers[s].levelCount > 0;
        if (!usesTexture[s]) continue;
        const StageSampler& smp = st.samplers[s];
        const int set = st.ops[s].texSet;
        Plane plain[kTexCoordComponents];
        const bool divided = projected >> s & 1;
        if (divided) texQ[s] = MakePlane(x, y, det, a.tq[set] * w[0], b.tq[set] * w[1], c.tq[set] * w[2]);
        // The level of detail from the coordinates as the pixels see them.
        auto seen = [&](const ScreenVertex& v, int axis) {
            return divided ? v.tc[set][axis] / v.tq[set] : v.tc[set][axis];
        };
        for (int axis = 0; axis < kTexCoordComponents; ++axis) {
            plain[axis] = MakePlane(x, y, det, seen(a, axis), seen(b, axis), seen(c, axis));
            tex[s][axis] = affine ? plain[axis]
                                  : MakePlane(x, y, det, a.tc[set][axis] * w[0], b.tc[set][axis] * w[1],
                                              c.tc[set][axis] * w[2]);
        }
        lods[s] = StageLodOf(smp, plain, a.tc[set]);
        TexelScale(smp, lods[s].level, texScale[s]);
        for (int axis = 0; axis < kTexCoordComponents; ++axis) SetFixedSteps(s, axis, tex[s][axis], texScale[s][axis]);
    }
}

void TriangleSetup::EvaluatePerspective(int px, int py, PixelInput* in) const {
    const double qv = q.At(px, py);
    const double inv = qv != 0 ? 1.0 / qv : 0.0;
    if (flatColor) {
        in->diffuse = diffuse;
        in->specular = specular;
    } else {
        double ch[8];
        for (int i = 0; i < 8; ++i) ch[i] = color[i].At(px, py) * inv;
        in->diffuse = ColorFromChannels(ch);
        in->specular = ColorFromChannels(ch + 4);
    }
    for (int s = 0; s < kMaxStages; ++s) {
        if (!usesTexture[s]) continue;
        double d = inv;
        if (projected >> s & 1) {
            const double qs = texQ[s].At(px, py);
            d = qs != 0 ? 1.0 / qs : 0.0;
        }
        in->tu[s] = ToFixed32(tex[s][0].At(px, py) * d * texScale[s][0]);
        in->tv[s] = ToFixed32(tex[s][1].At(px, py) * d * texScale[s][1]);
        in->tw[s] = ToFixed32(tex[s][2].At(px, py) * d * texScale[s][2]);
    }
    in->z = float(z.At(px, py));
    in->w = float(inv);
}

void TriangleSetup::FillFastSpan(const DrawState& st, FastSpan* span) const {
    for (int s = 0; s < 2; ++s) {
        FastTexture& t = span->tex[s];
        if (s < st.stageCount && usesTexture[s]) {
            const TexelLevel& l = st.samplers[s].levels[0];
            t.texels = l.texels;
            t.pitch = l.pitch;
            t.width = l.width;
            t.height = l.height;
            t.alphaOr = l.alphaOr;
        } else {
            t.texels = &kWhiteTexel;
            t.pitch = 1;
            t.width = t.height = 1;
            t.alphaOr = 0;
        }
        t.dtu = texStep[s][0];
        t.dtv = texStep[s][1];
    }
    span->color = diffuse;
    span->secondXor = st.fastSecondXor;
    span->alphaPass = st.alphaPass;
    span->alphaPassFrom = st.alphaPassFrom;
    span->targetAlphaOr = st.targetAlphaOr;
}

AttributeCursor::AttributeCursor(const TriangleSetup& t, int px, int py) : px_(px), py_(py) {
    if (!t.flatColor) {
        for (int i = 0; i < 8; ++i) {
            color_[i] = RoundToInt64(t.color[i].At(px, py) * 65536.0);
            colorStep_[i] = RoundToInt64(t.color[i].dx * 65536.0);
        }
    }
    for (int s = 0; s < kMaxStages; ++s) {
        if (!t.usesTexture[s]) continue;
        tu_[s] = t.TexelStart(s, 0, px, py);
        tv_[s] = t.TexelStart(s, 1, px, py);
        tw_[s] = t.TexelStart(s, 2, px, py);
    }
}

void AttributeCursor::Fill(const TriangleSetup& t, PixelInput* in) const {
    if (t.flatColor) {
        in->diffuse = t.diffuse;
        in->specular = t.specular;
    } else {
        uint32_t d = 0, s = 0;
        for (int i = 0; i < 4; ++i) {
            d |= ChannelFromFixed(color_[i]) << (8 * i);
            s |= ChannelFromFixed(color_[i + 4]) << (8 * i);
        }
        in->diffuse = d;
        in->specular = s;
    }
    for (int s = 0; s < kMaxStages; ++s) {
        in->tu[s] = tu_[s];
        in->tv[s] = tv_[s];
        in->tw[s] = tw_[s];
    }
    in->z = float(t.z.At(px_, py_));
    in->w = float(t.affineW);
}

void AttributeCursor::Step(const TriangleSetup& t) {
    ++px_;
    if (!t.flatColor)
        for (int i = 0; i < 8; ++i) color_[i] += colorStep_[i];
    for (int s = 0; s < kMaxStages; ++s) {
        if (!t.usesTexture[s]) continue;
        tu_[s] += t.texStep[s][0];
        tv_[s] += t.texStep[s][1];
        tw_[s] += t.texStep[s][2];
    }
}

}  // namespace host
