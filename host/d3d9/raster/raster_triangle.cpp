#include <algorithm>
#include <cmath>
#include <vector>

#include "host/d3d9/raster/fast_span.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/raster/pixel_shade.h"
#include "host/d3d9/raster/raster.h"
#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/resources/resources.h"

namespace host {
namespace {

void ShadeGenericSpan(const DrawState& st, const TriangleSetup& t, int x0, int x1, int y) {
    PixelInput in;
    if (t.affine) {
        AttributeCursor cur(t, x0, y);
        for (int x = x0; x <= x1; ++x) {
            cur.Fill(t, &in);
            ShadePixel(st, t.lods, in, x, y);
            cur.Step(t);
        }
        return;
    }
    for (int x = x0; x <= x1; ++x) {
        t.EvaluatePerspective(x, y, &in);
        ShadePixel(st, t.lods, in, x, y);
    }
}

// True when the span from (tu, tv) reads texels x, x + 1, ... of one row, all inside the
// texture. A step a little off one texel (texture coordinates in floating point rarely
// give exactly one) still does when the last pixel lands count - 1 texels after the
// first: the texel column then grows by exactly one at every pixel, as it can grow by
// only 0 or 1 (or 1 or 2) at each. The row cannot change between equal ends.
bool ReadsOneRowInStep(const FastTexture& t, int64_t tu, int64_t tv, int count) {
    constexpr int64_t kOne = int64_t(1) << 32;
    if (t.dtu <= 0 || t.dtu >= 2 * kOne) return false;
    const int64_t last = count - 1;
    const int64_t firstX = tu >> 32, row = tv >> 32;
    return firstX >= 0 && firstX + count <= t.width && row >= 0 && row < t.height &&
           ((tu + last * t.dtu) >> 32) == firstX + last && ((tv + last * t.dtv) >> 32) == row;
}

void ShadeFastSpan(const DrawState& st, const TriangleSetup& t, FastSpan& f, int x0, int x1, int y) {
    const int count = x1 - x0 + 1;
    bool unit = true;
    for (int s = 0; s < t.fastTextures; ++s) {
        FastTexture& tex = f.tex[s];
        tex.tu = t.TexelStart(s, 0, x0, y);
        tex.tv = t.TexelStart(s, 1, x0, y);
        unit = unit && ReadsOneRowInStep(tex, tex.tu, tex.tv, count);
    }
    const FastSpanFn span = unit ? t.fastUnit : t.fastClamped;
    uint8_t* line = st.target + size_t(y) * st.targetPitch;
    if (st.targetBytes == 4) {
        span(reinterpret_cast<uint32_t*>(line) + x0, count, f);
        return;
    }
    // 16-bit targets: the span works on the pixels widened to 32 bits, as the general
    // path reads them, and they are narrowed back as it writes them.
    static thread_local std::vector<uint32_t> wide;
    wide.resize(size_t(count));
    uint8_t* first = line + size_t(x0) * 2;
    if (st.targetFormat == D3DFMT_R5G6B5) {
        auto* pixels = reinterpret_cast<uint16_t*>(first);
        for (int i = 0; i < count; ++i) wide[size_t(i)] = Rgb565ToArgb(pixels[i]);
        span(wide.data(), count, f);
        for (int i = 0; i < count; ++i) pixels[i] = ArgbToRgb565(wide[size_t(i)]);
        return;
    }
    for (int i = 0; i < count; ++i) wide[size_t(i)] = ReadPixelArgb(st.targetFormat, first + 2 * i);
    span(wide.data(), count, f);
    for (int i = 0; i < count; ++i) WritePixelArgb(st.targetFormat, first + 2 * i, wide[size_t(i)]);
}

// Whether a pixel whose texel has alpha 0 keeps the target's bits: the alpha is the
// texel's own (or its product with the diffuse alpha), and the alpha test passes alphas
// from 1 up, or passes all and blending by that alpha gives the target's pixel back on a
// target whose alpha bits are kept as they are.
bool ClearTexelsKeepTarget(const DrawState& st) {
    if (st.fastAlpha != FastSource::Texel && st.fastAlpha != FastSource::Product) return false;
    return st.alphaPassFrom >= 1 ||
           (st.alphaPassFrom == 0 && st.fastBlend != FastBlend::None && st.targetAlphaOr == 0);
}

// Whether texels of alpha 255 pass the alpha test, unblended: where every texel is so,
// shading without the test changes no pixel.
bool OpaqueTexelsPass(const DrawState& st, const FastSpan& f) {
    if (st.fastBlend != FastBlend::None || f.alphaPassFrom < 1) return false;
    const uint32_t alpha = st.fastAlpha == FastSource::Texel     ? 255u
                           : st.fastAlpha == FastSource::Product ? f.color >> 24
                                                                 : 0u;
    return int(alpha) >= f.alphaPassFrom;
}

// A pending copy keeps all of its texture's pixels alive, and a write into the texture
// while it does (a movie's next frame) copies them all: a texture of more than this many
// times the target's bytes (a movie frame far larger than the screen) is read at once.
constexpr size_t kMostPendingSourceScale = 4;

// Rows ya..yb, columns xa..xb, read in step (`f` at their first pixel) and written whole,
// as the whole of a target that may hold pending pixels, each pixel a texel of a 32-bit
// texture of 8-bit channels with constant bits, not far larger than the target: the
// target is left a pending copy of those texels (a back buffer holding a copy of the
// game's screen is shown from the screen itself). False where the rows are not that.
bool CopyLater(const DrawState& st, const TriangleSetup& t, const FastSpan& f, int xa, int xb, int ya, int yb) {
    Surface* target = st.deferredTarget;
    const Surface* texels = st.samplers[0].levels[0].surface;
    if (xa != 0 || ya != 0 || xb != int(target->Width()) - 1 || yb != int(target->Height()) - 1 ||
        t.fastTextures != 1 || !texels || texels == target ||
        (texels->Format() != D3DFMT_A8R8G8B8 && texels->Format() != D3DFMT_X8R8G8B8) ||
        texels->Pitch() * texels->Height() > kMostPendingSourceScale * target->Pitch() * target->Height())
        return false;
    // A product with white, or with full alpha, is the texel's own.
    const bool texelColor = st.fastColor == FastSource::Texel ||
                            (st.fastColor == FastSource::Product && (f.color & 0xFFFFFFu) == 0xFFFFFFu);
    const bool texelAlpha =
        st.fastAlpha == FastSource::Texel || (st.fastAlpha == FastSource::Product && f.color >> 24 == 255);
    if (!texelColor || (!texelAlpha && st.fastAlpha != FastSource::Diffuse)) return false;
    const uint32_t keep = texelAlpha ? 0xFFFFFFFFu : 0xFFFFFFu;
    const FastTexture& tex = f.tex[0];
    target->CopyLater(*texels, tex.tu >> 32, tex.tv, t.texStepY[0][1], keep,
                      (tex.alphaOr & keep) | (f.color & ~keep) | f.targetAlphaOr);
    return true;
}

// Shades rows ya..yb, columns xa..xb of a rectangle read in step, with the alpha test
// or (where every texel there passes it) without. `f` is the rectangle's span, whose
// starts this sets; its test is as it was after.
void ShadeRowsAt(const DrawState& st, const TriangleSetup& t, FastSpan& f, int xa, int xb, int ya, int yb,
                 bool test) {
    if (xa > xb || ya > yb) return;
    for (int s = 0; s < t.fastTextures; ++s) {
        f.tex[s].tu = t.TexelStart(s, 0, xa, ya);
        f.tex[s].tv = t.TexelStart(s, 1, xa, ya);
    }
    const int passFrom = f.alphaPassFrom;
    if (!test) f.alphaPassFrom = 0;
    // Unblended and untested, every pixel is written from the texels alone.
    const bool overwrite = st.fastBlend == FastBlend::None && f.alphaPassFrom == 0;
    if (!(st.deferredTarget && overwrite && CopyLater(st, t, f, xa, xb, ya, yb))) {
        PrepareTarget(st, xa, xb, ya, yb, overwrite);
        uint8_t* line = st.target + size_t(ya) * st.targetPitch + size_t(xa) * 4;
        const int64_t rowStep[2] = {t.texStepY[0][1], t.fastTextures > 1 ? t.texStepY[1][1] : 0};
        t.fastRows(reinterpret_cast<uint32_t*>(line), st.targetPitch, yb - ya + 1, xb - xa + 1, f, rowStep);
    }
    f.alphaPassFrom = passFrom;
}

// Shades rows x0..x1, y0..y1 of a rectangle read in step (`f` at (x0, y0)) by what its
// texels hold. Where clear texels keep the target, the parts whose texels are all clear
// are left out: a sprite's clear margins and a frame's clear window cost nothing. Where
// opaque texels pass the alpha test, the parts whose texels are all opaque are shaded
// without it: a map's tiles are copied. The pixels are those of the whole rectangle.
void ShadeBlock(const DrawState& st, const TriangleSetup& t, FastSpan& f, int x0, int x1, int y0, int y1) {
    Surface* surface = st.samplers[0].levels[0].surface;
    FastTexture& tex = f.tex[0];
    if (t.fastTextures != 1 || !t.usesTexture[0] || !surface || surface->IsRenderTarget() || tex.alphaOr != 0 ||
        !ClearTexelsKeepTarget(st)) {
        ShadeRowsAt(st, t, f, x0, x1, y0, y1, true);
        return;
    }
    const TexelBounds& b =
        surface->AlphaBounds(TexelBlock{tex.tv, t.texStepY[0][1], tex.tu >> 32, x1 - x0 + 1, y1 - y0 + 1});
    if (b.top > b.bottom) return;
    if (b.bandCount == 0) {
        ShadeRowsAt(st, t, f, x0 + b.from, x0 + b.to, y0 + b.top, y0 + b.bottom, true);
        return;
    }
    const bool test = !OpaqueTexelsPass(st, f);
    for (int i = 0; i < b.bandCount; ++i) {
        const TexelBand& band = b.bands[i];
        const int ya = y0 + band.top, yb = y0 + band.bottom;
        if (band.mixedFrom > band.mixedTo) {
            ShadeRowsAt(st, t, f, x0 + band.from, x0 + band.to, ya, yb, test);
            continue;
        }
        ShadeRowsAt(st, t, f, x0 + band.from, x0 + band.mixedFrom - 1, ya, yb, test);
        if (!band.clearMiddle) ShadeRowsAt(st, t, f, x0 + band.mixedFrom, x0 + band.mixedTo, ya, yb, true);
        ShadeRowsAt(st, t, f, x0 + band.mixedTo + 1, x0 + band.to, ya, yb, test);
    }
}

// A span whose target pixels are prepared.
void ShadePreparedSpan(const DrawState& st, const TriangleSetup& t, FastSpan& fast, int x0, int x1, int y) {
    if (t.fast) ShadeFastSpan(st, t, fast, x0, x1, y);
    else ShadeGenericSpan(st, t, x0, x1, y);
}

}  // namespace

void ShadeSpan(const DrawState& st, const TriangleSetup& t, FastSpan& fast, int x0, int x1, int y) {
    PrepareTarget(st, x0, x1, y, y, false);
    ShadePreparedSpan(st, t, fast, x0, x1, y);
}

void ShadeRows(const DrawState& st, const TriangleSetup& t, FastSpan& f, int x0, int x1, int y0, int y1) {
    // With an axis-aligned mapping (a texture's column fixed down the rows, its row fixed
    // along them) the rows read in step when the first and the last do, and each row's
    // texture row follows from the one above by one addition.
    const int count = x1 - x0 + 1;
    bool inStep = t.fast && st.targetBytes == 4;
    for (int s = 0; s < t.fastTextures && inStep; ++s) {
        FastTexture& tex = f.tex[s];
        tex.tu = t.TexelStart(s, 0, x0, y0);
        tex.tv = t.TexelStart(s, 1, x0, y0);
        inStep = t.texStepY[s][0] == 0 && t.texStep[s][1] == 0 && ReadsOneRowInStep(tex, tex.tu, tex.tv, count) &&
                 ReadsOneRowInStep(tex, tex.tu, t.TexelStart(s, 1, x0, y1), count);
    }
    if (!inStep) {
        // A span writes only its own row: the rectangle's pending pixels are written at
        // once rather than a row at a time (a stretched gauge over a cleared part).
        PrepareTarget(st, x0, x1, y0, y1, false);
        for (int y = y0; y <= y1; ++y) ShadePreparedSpan(st, t, f, x0, x1, y);
        return;
    }
    ShadeBlock(st, t, f, x0, x1, y0, y1);
}

bool RowsOf(const DrawState& st, int64_t minY, int64_t maxY, int* y0, int* y1) {
    *y0 = int(std::max<int64_t>(st.clipY0, CeilPixel(minY)));
    *y1 = int(std::min<int64_t>(st.clipY1 - 1, FloorPixel(maxY)));
    return *y0 <= *y1;
}

void ShadeEdges(const DrawState& st, const TriangleSetup& t, FastSpan& fast, EdgeWalk* edges, int count, int y0,
                int y1) {
    ForEachSpan(st, edges, count, y0, y1, [&](int x0, int x1, int y) { ShadeSpan(st, t, fast, x0, x1, y); });
}

namespace {

// Snapped corners and twice the signed area (positive runs clockwise on the screen, as y
// grows downwards); false for a corner that is not a usable number.
bool Snap(const DrawState& st, const ScreenVertex* const v[3], int64_t X[3], int64_t Y[3], int64_t* area) {
    for (int i = 0; i < 3; ++i)
        if (!SnapCorner(st, v[i]->x, v[i]->y, &X[i], &Y[i])) return false;
    *area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    return true;
}

bool Culled(const DrawState& st, int64_t area) {
    return area == 0 || (st.cullMode == D3DCULL_CCW && area < 0) || (st.cullMode == D3DCULL_CW && area > 0);
}

}  // namespace

void PreparedTriangle::EdgesFrom(int y, EdgeWalk edges[3]) const {
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        edges[i].Setup(X[i], Y[i], X[j], Y[j], y);
    }
}

bool PrepareTriangle(const DrawState& st, const ScreenVertex* const corners[3], const ScreenVertex& flat,
                     PreparedTriangle* p) {
    const ScreenVertex* v[3] = {corners[0], corners[1], corners[2]};
    int64_t area;
    if (!Snap(st, v, p->X, p->Y, &area) || Culled(st, area)) return false;
    p->counterClockwise = area < 0;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(p->X[1], p->X[2]);
        std::swap(p->Y[1], p->Y[2]);
    }
    const int64_t* Y = p->Y;
    if (!RowsOf(st, std::min({Y[0], Y[1], Y[2]}), std::max({Y[0], Y[1], Y[2]}), &p->y0, &p->y1)) return false;
    return p->t.Build(st, *v[0], *v[1], *v[2], flat, p->X, p->Y, p->y0);
}

void ShadeTriangle(const DrawState& st, const PreparedTriangle& p) {
    st.counterClockwise = p.counterClockwise;
    EdgeWalk edges[3];
    p.EdgesFrom(p.y0, edges);
    FastSpan fast;
    if (p.t.fast) p.t.FillFastSpan(st, &fast);
    ShadeEdges(st, p.t, fast, edges, 3, p.y0, p.y1);
}

void RasterTriangle(const DrawState& st, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    const ScreenVertex& flat) {
    const ScreenVertex* v[3] = {&a, &b, &c};
    if (st.fillMode == D3DFILL_SOLID) {
        PreparedTriangle p;
        if (PrepareTriangle(st, v, flat, &p)) ShadeTriangle(st, p);
        return;
    }
    int64_t X[3], Y[3], area;
    if (!Snap(st, v, X, Y, &area) || Culled(st, area)) return;
    st.counterClockwise = area < 0;
    if (st.fillMode == D3DFILL_POINT) {
        for (auto* p : v) RasterPoint(st, *p);
        return;
    }
    RasterLine(st, a, b, flat);
    RasterLine(st, b, c, flat);
    RasterLine(st, c, a, flat);
}

}  // namespace host
