// The prologue and epilogue every draw runs while the mask screen is on: the outermost
// draw copies its rectangle of the target into the mask screen, draws there, and puts
// the result back on the target where the mask lets it through.
#include <algorithm>
#include <cstring>

#include "engine/graphics/draw_settings.h"
#include "engine/graphics/graphics_system.h"
#include "engine/graphics/mask_screen.h"
#include "engine/softrender/memimg_write.h"

namespace orvik {

namespace {

// The rectangle cut to the draw area and to both images the composite touches.
DrawBounds CutBox(const DrawBounds& b) {
    const DrawArea& a = Draw().area;
    const MaskScreen& m = MaskState();
    return DrawBounds{std::max(b.x1, a.x1), std::max(b.y1, a.y1), std::min({b.x2, a.x2, m.width}),
                      std::min({b.y2, a.y2, m.height})};
}

bool Empty(const DrawBounds& b) { return b.x1 >= b.x2 || b.y1 >= b.y2; }

// Where the byte lets the draw through: 0, or anything else with the reverse flag. Every
// pixel is selected without a branch, so the compiler does whole vectors of them.
template <class Pixel>
void CompositeRow(Pixel* out, const Pixel* in, const uint8_t* mask, int count, bool reverse) {
    for (int x = 0; x < count; ++x) {
        const Pixel through = Pixel(Pixel(0) - Pixel((mask[x] == 0) != reverse));
        out[x] = Pixel((in[x] & through) | (out[x] & Pixel(~through)));
    }
}

template <class Pixel>
void CompositeRows(MEMIMG* target, const MEMIMG& drawn, const DrawBounds& box) {
    const MaskScreen& m = MaskState();
    for (int y = box.y1; y < box.y2; ++y) {
        const uint8_t* mask = m.data.data() + size_t(y) * size_t(m.pitch);
        auto* out = reinterpret_cast<Pixel*>(target->pixels + size_t(y) * size_t(target->store->pitch));
        const auto* in = reinterpret_cast<const Pixel*>(drawn.pixels + size_t(y) * size_t(drawn.store->pitch));
        CompositeRow(out + box.x1, in + box.x1, mask + box.x1, box.x2 - box.x1, m.reverse != 0);
    }
}

void CompositeSoft(const DrawBounds& box) {
    MEMIMG* target = DrawTargetMemImg();
    const MEMIMG& drawn = MaskState().image;
    if (!IsMemImgValid(target) || !IsMemImgValid(&drawn)) return;
    const DrawBounds cut{box.x1, box.y1, std::min(box.x2, target->width), std::min(box.y2, target->height)};
    // The mask image is made in the target's pixel kind; anything else is not put back.
    const int bytes = MemImgBytesPerPixel(target);
    if (bytes != MemImgBytesPerPixel(&drawn)) return;
    if (bytes == 4) CompositeRows<uint32_t>(target, drawn, cut);
    else if (bytes == 2) CompositeRows<uint16_t>(target, drawn, cut);
}

void CopyTargetSoft(const DrawBounds& box) {
    const int32_t rect[4] = {box.x1, box.y1, box.x2, box.y2};
    CopyMemImgRect(&MaskState().image, DrawTargetMemImg(), rect, box.x1, box.y1);
}

}  // namespace

int BeginMaskedDraw(const DrawBounds& bounds) {
    MaskScreen& m = MaskState();
    if (++m.nesting != 1) return 0;
    m.drawn = CutBox(bounds);
    if (!MaskScreenActive() || Empty(m.drawn)) return 0;
    if (Graphics().direct3DMode) CopyTargetToMaskScreenD3D(m.drawn);
    else CopyTargetSoft(m.drawn);
    return 0;
}

int EndMaskedDraw(const DrawBounds&) {
    MaskScreen& m = MaskState();
    if (m.nesting == 0 || --m.nesting != 0) return 0;
    if (!MaskScreenActive() || Empty(m.drawn)) return 0;
    if (Graphics().direct3DMode) CompositeMaskScreenD3D(m.drawn);
    else CompositeSoft(m.drawn);
    return 0;
}

}  // namespace orvik
