#include "engine/softrender/draws/draw_stretched.h"

#include <algorithm>
#include <cstddef>

#include "engine/platform/base/log.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "engine/softrender/draws/source_draw.h"
#include "engine/softrender/walkers/stretch_walker.h"

namespace orvik {
namespace {

// A source side above this could map the last destination pixel past the source's edge
// (the truncated 16.16 scale loses up to one step per source pixel).
constexpr int32_t kMaxSourceSide = 65536;

// One axis: the unclipped edges lo..hi, how far clipping moved lo inward, the source side.
soft::StretchAxis MakeAxis(int64_t side, int64_t clipped, int32_t sourceSide, bool mirrored) {
    soft::StretchAxis a;
    a.scale = side * 65536 / sourceSide;
    const int64_t skip = clipped * 65536 / a.scale;
    const int64_t rem = clipped * 65536 % a.scale;
    a.counter = a.scale - rem;
    a.start = static_cast<int32_t>(mirrored ? sourceSide - 1 - skip : skip);
    a.step = mirrored ? -1 : 1;
    return a;
}

}  // namespace

void DrawMemImgStretched(MEMIMG* dst, const MEMIMG* src, const int32_t* rect, int32_t transparency,
                         const MEMIMG* blendImg) {
    if (rect == nullptr) {
        AddLogText("DrawMemImgStretched: no rectangle");
        return;
    }
    const int64_t left = std::min(rect[0], rect[2]), right = std::max(rect[0], rect[2]);
    const int64_t top = std::min(rect[1], rect[3]), bottom = std::max(rect[1], rect[3]);
    const bool mirrorX = rect[0] > rect[2], mirrorY = rect[1] > rect[3];
    const int64_t w = right - left, h = bottom - top;
    if (w == 0 || h == 0) return;
    if (!soft::SourceFitsTarget(dst, src, "DrawMemImgStretched")) return;
    if (w == src->width && h == src->height && !mirrorX && !mirrorY)
        return DrawMemImgAt(dst, src, static_cast<int32_t>(left), static_cast<int32_t>(top),
                            transparency, blendImg);
    if (src->width <= 0 || src->height <= 0 || src->width > kMaxSourceSide ||
        src->height > kMaxSourceSide || w * 65536 < src->width || h * 65536 < src->height) {
        AddLogFormat("DrawMemImgStretched: cannot scale a %d x %d image to %lld x %lld",
                     src->width, src->height, static_cast<long long>(w),
                     static_cast<long long>(h));
        return;
    }

    const MemImgDrawState ds = CurrentMemImgDrawState();
    Rect r = soft::RectFrom64(left, top, right, bottom);
    const Rect area = soft::TargetArea(*dst, ds);
    ClipRect(&r, &area);
    if (r.right == r.left || r.bottom == r.top) return;

    const MemImgStore& st = *src->store;
    if (st.usePalette) soft::CopyWorkPalette(st, SoftRender().stretchWorkPalette.data());
    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, *src, transparency != 0, blendImg, soft::Flavour::Stretch, &v))
        return;

    soft::StretchJob job;
    job.cx = v.cx;
    job.dst = dst->pixels + ptrdiff_t{r.top} * dst->store->pitch +
              ptrdiff_t{r.left} * (soft::DepthOf(*dst) / 8);
    job.dstPitch = dst->store->pitch;
    job.src = src->pixels;
    job.srcPitch = st.pitch;
    job.blend = blendImg != nullptr ? blendImg->pixels : nullptr;
    job.blendPitch = blendImg != nullptr ? blendImg->store->pitch : 0;
    job.width = r.right - r.left;
    job.height = r.bottom - r.top;
    job.x = MakeAxis(w, r.left - left, src->width, mirrorX);
    job.y = MakeAxis(h, r.top - top, src->height, mirrorY);
    soft::FindStretchLoop(v.key)(job);
}

}  // namespace orvik
