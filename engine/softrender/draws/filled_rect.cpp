#include "engine/softrender/draws/filled_rect.h"

#include <algorithm>
#include <cstddef>

#include "engine/platform/base/log.h"
#include "engine/platform/base/rect.h"
#include "engine/softrender/draws/flat_colour.h"
#include "engine/softrender/walkers/flat_walker.h"
#include "engine/softrender/pipeline/draw_state.h"

namespace orvik {

void DrawMemImgFilledRect(MEMIMG* dst, const int32_t* rect, uint32_t colour) {
    if (!IsMemImgValid(dst)) {
        AddLogFormat("no destination image in DrawMemImgFilledRect");
        return;
    }
    const MemImgStore& st = *dst->store;
    if (st.usePalette || st.useAlpha) return;

    Rect r = rect ? Rect{std::min(rect[0], rect[2]), std::min(rect[1], rect[3]),
                         std::max(rect[0], rect[2]), std::max(rect[1], rect[3])}
                  : Rect{0, 0, dst->width, dst->height};
    const MemImgDrawState ds = CurrentMemImgDrawState();
    ClipRect(&r, &ds.clipRect);
    // The draw area should lie inside the target; a stale one must not let the fill
    // leave the image.
    const Rect image{0, 0, dst->width, dst->height};
    ClipRect(&r, &image);
    if (r.right == r.left || r.bottom == r.top) return;

    if (st.colorType != kMemImgRgb565 && st.colorType != kMemImgXrgb32) return;
    const int depth = st.colorType == kMemImgXrgb32 ? 32 : 16;
    colour = soft::FlatColourForDepth(depth, colour);
    if (soft::IsTinted(ds)) colour = soft::ShiftTintFlatColour(depth, colour, ds.bright);

    const soft::KernelChoice choice =
        soft::SelectKernel(ds.blendMode, ds.blendParam, soft::Flavour::Textured, true, depth);
    if (!choice.draw) return;
    soft::FlatJob job;
    job.cx = soft::MakePixelContext(ds, nullptr);
    job.dst = dst->pixels + ptrdiff_t{r.top} * st.pitch + ptrdiff_t{r.left} * (depth / 8);
    job.pitch = st.pitch;
    job.width = r.right - r.left;
    job.height = r.bottom - r.top;
    job.colour = colour;
    soft::FindFlatLoop(depth, choice.kernel)(job);
}

}  // namespace orvik
