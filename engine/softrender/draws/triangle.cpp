#include "engine/softrender/draws/triangle.h"

#include <algorithm>
#include <cstddef>

#include "engine/platform/base/log.h"
#include "engine/softrender/draws/flat_colour.h"
#include "engine/softrender/walkers/flat_walker.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "engine/softrender/draws/source_draw.h"
#include "engine/softrender/walkers/texel_walker.h"
#include "engine/softrender/draws/triangle_cut.h"
#include "engine/softrender/draws/triangle_walk.h"

namespace orvik {
namespace {

uint8_t* PixelAddress(const MEMIMG& img, int32_t x, int32_t y) {
    return img.pixels + ptrdiff_t{y} * img.store->pitch + ptrdiff_t{x} * (soft::DepthOf(img) / 8);
}

// The flat triangle's tint, made once per draw even under a white bright (row 255 of the
// table changes nothing): each channel through the table row of its bright byte.
uint32_t TableTint(int depth, uint32_t colour, uint32_t bright) {
    const auto& t = SoftRender().tables.mulDiv255;
    const uint32_t b = bright & 0xFF, g = (bright >> 8) & 0xFF, r = (bright >> 16) & 0xFF;
    if (depth == 32)
        return (colour & 0xFF000000u) | t[r][(colour >> 16) & 0xFF] << 16 |
               t[g][(colour >> 8) & 0xFF] << 8 | t[b][colour & 0xFF];
    return t[r][(colour >> 11) & 31] << 11 | t[g][(colour >> 5) & 63] << 5 | t[b][colour & 31];
}

void DrawFlat(const MemImgDrawState& ds, MEMIMG& dst, const soft::TriangleSetup& t,
              const Rect& area, uint32_t colour) {
    const int depth = soft::DepthOf(dst);
    const soft::KernelChoice choice =
        soft::SelectKernel(ds.blendMode, ds.blendParam, soft::Flavour::Textured, true, depth);
    if (!choice.draw) return;
    soft::FlatJob job;
    job.cx = soft::MakePixelContext(ds, nullptr);
    job.colour = TableTint(depth, soft::FlatColourForDepth(depth, colour), ds.bright);
    job.height = 1;
    const soft::FlatFn fn = soft::FindFlatLoop(depth, choice.kernel);
    soft::WalkTriangle(t, area, [&](int32_t row, int32_t left, int32_t count) {
        job.dst = PixelAddress(dst, left, row);
        job.width = count;
        fn(job);
    });
}

void DrawTextured(const MemImgDrawState& ds, MEMIMG& dst, const MEMIMG& src,
                  const soft::TriangleSetup& t, const Rect& area, int32_t transFlag,
                  const MEMIMG* blend) {
    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, src, transFlag != 0, blend, soft::Flavour::Textured, &v))
        return;
    soft::TexelJob job = soft::MakeTexelJob(v.cx, src, blend);
    const soft::TexelSpanFn fn = soft::FindTexelLoop(v.key);
    if (t.wide) {
        const int srcBytes = soft::SourceBytes(*src.store), dstBytes = soft::DepthOf(dst) / 8;
        soft::WalkTriangle(t, area, [&](int32_t row, int32_t left, int32_t count) {
            for (int64_t k = 0; k < count; k += t.piece) {
                const int32_t x = static_cast<int32_t>(left + k);
                soft::WideFixed u, vv;
                soft::WideTexelAt(t, row, x, &u, &vv);
                soft::DrawWideTexelSpan(fn, job, srcBytes, dstBytes, PixelAddress(dst, x, row),
                                        static_cast<int32_t>(std::min<int64_t>(t.piece, count - k)), u, vv,
                                        t.uPerX, t.vPerX);
            }
        });
        return;
    }
    job.du = static_cast<uint32_t>(t.uPerX);
    job.dv = static_cast<uint32_t>(t.vPerX);
    soft::WalkTriangle(t, area, [&](int32_t row, int32_t left, int32_t count) {
        uint32_t u, vv;
        soft::TexelAt(t, row, left, &u, &vv);
        fn(job, PixelAddress(dst, left, row), count, u, vv);
    });
}

}  // namespace

void RasterMemImgTriangle(MEMIMG* dst, const MEMIMG* src, const MemImgVertex* vertices,
                          int32_t transFlag, const MEMIMG* blendImage, uint32_t colour) {
    if (vertices == nullptr) {
        AddLogText("RasterMemImgTriangle: no vertices");
        return;
    }
    const char* caller = "RasterMemImgTriangle";
    if (src != nullptr ? !soft::SourceFitsTarget(dst, src, caller) : !soft::TargetFits(dst, caller))
        return;
    // A triangle reaching beyond the wide fixed point is drawn as its part within it,
    // so a shape running far off the target still draws what falls on the target.
    if (!soft::CornersWithinReach(vertices)) {
        for (const auto& piece : soft::CutToReach(vertices))
            RasterMemImgTriangle(dst, src, piece.data(), transFlag, blendImage, colour);
        return;
    }
    soft::TriangleSetup t;
    if (!soft::SetUpTriangle(vertices, &t)) return;
    const MemImgDrawState ds = CurrentMemImgDrawState();
    const Rect area = soft::TargetArea(*dst, ds);
    if (area.right == area.left || area.bottom == area.top) return;
    if (src != nullptr) DrawTextured(ds, *dst, *src, t, area, transFlag, blendImage);
    else DrawFlat(ds, *dst, t, area, colour);
}

}  // namespace orvik
