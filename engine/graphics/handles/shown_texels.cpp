#include "engine/graphics/handles/shown_texels.h"

#include <algorithm>

#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/images/pixel_access.h"
#include "host/d3d9/resources/resources.h"

namespace orvik {

namespace {

uint64_t g_texelWrites = 0;

// Whether a texel whose alpha is 0 leaves the target as it was under the settings a
// transparent draw uses: blend mode 0 drops it by the alpha test, modes 1 and 2 weigh it
// by its alpha. A blend-mask graphic and filtering both bring in other alpha. On a target
// with alpha bits the composite writes the mask's alpha over its whole box, so there the
// whole box stays.
bool ClearTexelsKeepTheTarget(const GraphRecord& r, int trans) {
    const DrawSettings& ds = Draw();
    if (!MaskState().cutToShownTexels || !trans || !r.images || !(r.images->alpha || r.images->colorKey)) return false;
    if (ds.blendMode < 0 || ds.blendMode > 2 || ds.blendMaskGraph != -1 || ds.filterMode != 0) return false;
    bool withDepth = false;
    host::Surface* target = TargetSurface(ds.drawTarget, &withDepth);
    host::D3DSURFACE_DESC desc{};
    if (!target || host::FAILED(target->GetDesc(&desc))) return false;
    const ColorFormat* f = GetD3DFormatColorData(desc.Format);
    return f && f->alphaMask == 0;
}

// The box of one part of the graphic, read from level 0 of its piece; false when the
// texels cannot be read.
bool PartShownBox(const GraphRecord& r, const PieceDraw& p, Box* box) {
    const TexturePiece& piece = *p.piece;
    host::Texture* texture = piece.staging ? piece.staging : piece.texture;
    host::D3DSURFACE_DESC desc{};
    if (!texture || host::FAILED(texture->GetLevelDesc(0, &desc))) return false;
    const ColorFormat* f = GetD3DFormatColorData(desc.Format);
    const int x = r.x + p.x - piece.x, y = r.y + p.y - piece.y;
    const host::RECT area{x, y, x + p.width, y + p.height};
    host::D3DLOCKED_RECT locked{};
    if (!f || f->bytesPerPixel == 0 || host::FAILED(texture->LockRect(0, &locked, &area, host::D3DLOCK_READONLY)))
        return false;
    const Box b = ShownTexelBox(static_cast<const uint8_t*>(locked.pBits), locked.Pitch, *f, p.width, p.height);
    texture->UnlockRect(0);
    *box = b.Empty() ? b : Box{b.x1 + p.x, b.y1 + p.y, b.x2 + p.x, b.y2 + p.y};
    return true;
}

// The graphic's box (graphic pixels), found again when a texel write or the graphic's own
// rectangle changed since; false when a piece is not followed or cannot be read.
bool GraphShownBox(GraphRecord& r, Box* box) {
    uint64_t newest = 0;
    for (const PieceDraw& p : r.draws) {
        if (!p.piece || !p.piece->tracked) return false;
        newest = std::max(newest, p.piece->texelWrite);
    }
    GraphRecord::ShownBox& s = r.shown;
    if (s.texelWrite != newest || s.images != r.images || s.x != r.x || s.y != r.y || s.width != r.width ||
        s.height != r.height) {
        Box found{0, 0, 0, 0};
        for (const PieceDraw& p : r.draws) {
            Box part;
            if (!PartShownBox(r, p, &part)) return false;
            found = Union(found, part);
        }
        s = {newest, r.images, r.x, r.y, r.width, r.height, found.x1, found.y1, found.x2, found.y2};
    }
    *box = {s.x1, s.y1, s.x2, s.y2};
    return true;
}

}  // namespace

Box ShownTexelBox(const uint8_t* bits, int pitch, const ColorFormat& format, int width, int height) {
    if (width <= 0 || height <= 0) return {0, 0, 0, 0};
    const int bytes = format.bytesPerPixel;
    if (format.alphaMask == 0 || bytes < 1 || bytes > 4) return {0, 0, width, height};
    const uint32_t alpha = format.alphaMask;
    Box found{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bits + ptrdiff_t(y) * pitch;
        int first = 0;
        while (first < width && !(LoadPixel(row + size_t(first) * size_t(bytes), bytes) & alpha)) ++first;
        if (first == width) continue;
        int last = width - 1;
        while (!(LoadPixel(row + size_t(last) * size_t(bytes), bytes) & alpha)) --last;
        found = {std::min(found.x1, first), std::min(found.y1, y), std::max(found.x2, last + 1), y + 1};
    }
    return found.Empty() ? Box{0, 0, 0, 0} : found;
}

void NoteTrackedTexelWrite(TexturePiece& piece) {
    piece.texelWrite = ++g_texelWrites;
    piece.tracked = true;
}

void NoteUntrackedTexelWrite(TexturePiece& piece) {
    piece.texelWrite = ++g_texelWrites;
    piece.tracked = false;
}

DrawBounds UprightDrawBounds(GraphRecord& r, int x, int y, int trans, const DrawBounds& whole) {
    Box shown;
    if (!ClearTexelsKeepTheTarget(r, trans) || !GraphShownBox(r, &shown)) return whole;
    if (shown.Empty()) return DrawBounds{whole.x1, whole.y1, whole.x1, whole.y1};
    // Unscaled and point-sampled, pixel (x + i, y + j) reads texel (i, j) of the graphic.
    auto at = [](int origin, int offset) { return SaturatedInt(int64_t{origin} + offset); };
    return DrawBounds{std::max(whole.x1, at(x, shown.x1)), std::max(whole.y1, at(y, shown.y1)),
                      std::min(whole.x2, at(x, shown.x2)), std::min(whole.y2, at(y, shown.y2))};
}

}  // namespace orvik
