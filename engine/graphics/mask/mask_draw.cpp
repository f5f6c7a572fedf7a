// The prologue and epilogue every draw runs while the mask screen is on: the outermost
// draw copies its rectangle of the target into the mask screen, draws there, and puts
// the result back on the target where the mask lets it through.
#include <algorithm>
#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_rows.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/softrender/pipeline/memimg_write.h"

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

// The box cut to the target in the target, the mask image and the mask bytes; false when
// the two images do not hold pixels of one kind or the box leaves nothing.
bool MaskRowsOf(const DrawBounds& box, MaskRows* rows, int* bytes) {
    MEMIMG* target = DrawTargetMemImg();
    MaskScreen& m = MaskState();
    if (!IsMemImgValid(target) || !IsMemImgValid(&m.image)) return false;
    *bytes = MemImgBytesPerPixel(target);
    if (*bytes != MemImgBytesPerPixel(&m.image) || (*bytes != 2 && *bytes != 4)) return false;
    const int x2 = std::min(box.x2, target->width), y2 = std::min(box.y2, target->height);
    if (x2 <= box.x1 || y2 <= box.y1) return false;
    const size_t x = size_t(box.x1) * size_t(*bytes), y = size_t(box.y1);
    const size_t targetPitch = size_t(target->store->pitch), imagePitch = size_t(m.image.store->pitch);
    *rows = MaskRows{target->pixels + y * targetPitch + x, targetPitch, m.image.pixels + y * imagePitch + x, imagePitch,
                     m.data.data() + y * size_t(m.pitch) + size_t(box.x1), size_t(m.pitch), x2 - box.x1, y2 - box.y1};
    return true;
}

void CompositeSoft(const DrawBounds& box) {
    MaskRows rows;
    int bytes;
    if (MaskRowsOf(box, &rows, &bytes)) CompositeMaskRows(rows, bytes, MaskState().reverse != 0);
}

// Pixels of one format are copied as they are; anything else is converted, and a box
// the target does not hold whole is refused there.
void CopyTargetSoft(const DrawBounds& box) {
    MEMIMG* target = DrawTargetMemImg();
    MEMIMG& image = MaskState().image;
    MaskRows rows;
    int bytes;
    if (MaskRowsOf(box, &rows, &bytes) && rows.width == box.x2 - box.x1 && rows.height == box.y2 - box.y1 &&
        target->store->colorFormat == image.store->colorFormat) {
        CopyTargetToMaskRows(rows, bytes);
        return;
    }
    const int32_t rect[4] = {box.x1, box.y1, box.x2, box.y2};
    CopyMemImgRect(&image, target, rect, box.x1, box.y1);
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
