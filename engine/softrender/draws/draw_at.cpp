#include "engine/softrender/draws/draw_at.h"

#include <cstddef>

#include "engine/softrender/pipeline/pixel_context.h"
#include "engine/softrender/walkers/row_walker.h"
#include "engine/softrender/walkers/run_code_walker.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "engine/softrender/draws/source_draw.h"

namespace orvik {
namespace {

// Where the clipped draw starts in each image.
struct Placement {
    uint8_t* dst;
    ptrdiff_t dstPitch;
    const uint8_t* src;
    ptrdiff_t srcPitch;
    const uint8_t* blend;
    ptrdiff_t blendPitch;
    int32_t width, height;
};

// Run codes describe the whole stored image line by line, so they serve only a keyed draw
// (transparency exactly 1) of the whole image that nothing clips.
bool TakesRunCodes(const MEMIMG& src, int32_t transparency, const Placement& at) {
    const MemImgStore& st = *src.store;
    return transparency == 1 && st.runCodeValid == 1 && st.runCodes != nullptr &&
           at.width == src.width && at.height == src.height && src.width == st.width &&
           src.height == st.height;
}

// The pointers, pitches and size every loop of a draw at a point works from.
template <class Job>
void Place(Job& job, const soft::SourceVariant& v, const Placement& at) {
    job.cx = v.cx;
    job.dst = at.dst;
    job.dstPitch = at.dstPitch;
    job.src = at.src;
    job.srcPitch = at.srcPitch;
    job.blend = at.blend;
    job.blendPitch = at.blendPitch;
    job.width = at.width;
    job.height = at.height;
}

void DrawByRunCodes(const MemImgDrawState& ds, const MEMIMG& src, const MEMIMG* blend,
                    const Placement& at) {
    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, src, true, blend, soft::Flavour::Stretch, &v)) return;
    const MemImgStore& st = *src.store;
    soft::RunCodeJob job;
    Place(job, v, at);
    job.codes = st.runCodes;
    // The store keeps width + 5 code bytes for every line.
    job.codesEnd = st.runCodes + (ptrdiff_t{st.width} + 5) * st.height;
    soft::FindRunCodeLoop(v.key)(job);
}

void DrawByRows(const MemImgDrawState& ds, const MEMIMG& src, int32_t transparency,
                const MEMIMG* blend, const Placement& at) {
    soft::SourceVariant v;
    if (!soft::ChooseSourceVariant(ds, src, transparency != 0, blend, soft::Flavour::Point, &v))
        return;
    soft::RowJob job;
    Place(job, v, at);
    soft::FindPointRowLoop(v.key)(job);
}

}  // namespace

void DrawMemImgAt(MEMIMG* dst, const MEMIMG* src, int32_t x, int32_t y, int32_t transparency,
                  const MEMIMG* blendImg) {
    if (!soft::SourceFitsTarget(dst, src, "DrawMemImgAt")) return;
    const MemImgDrawState ds = CurrentMemImgDrawState();
    Rect r = soft::RectFrom64(x, y, int64_t{x} + src->width, int64_t{y} + src->height);
    const Rect area = soft::TargetArea(*dst, ds);
    ClipRect(&r, &area);
    if (r.right == r.left || r.bottom == r.top) return;

    const MemImgStore& st = *src->store;
    const ptrdiff_t sx = int64_t{r.left} - x, sy = int64_t{r.top} - y;
    const int dstBytes = soft::DepthOf(*dst) / 8;
    Placement at;
    at.dst = dst->pixels + ptrdiff_t{r.top} * dst->store->pitch + ptrdiff_t{r.left} * dstBytes;
    at.dstPitch = dst->store->pitch;
    at.src = src->pixels + sy * st.pitch + sx * soft::SourceBytes(st);
    at.srcPitch = st.pitch;
    at.blend = soft::BlendImageCovers(blendImg, src)
                   ? blendImg->pixels + sy * blendImg->store->pitch + sx
                   : nullptr;
    at.blendPitch = at.blend != nullptr ? blendImg->store->pitch : 0;
    at.width = r.right - r.left;
    at.height = r.bottom - r.top;
    if (st.usePalette) soft::CopyWorkPalette(st, SoftRender().workPalette.data());

    if (TakesRunCodes(*src, transparency, at)) DrawByRunCodes(ds, *src, blendImg, at);
    else DrawByRows(ds, *src, transparency, blendImg, at);
}

}  // namespace orvik
