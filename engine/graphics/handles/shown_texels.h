// Where a graphic's texels show: a masked upright draw works only on the part of its
// rectangle holding texels whose alpha is not 0. A sprite's clear margins then cost the
// mask screen nothing, as they cost a plain draw nothing on the device. The box is read
// from the texels once and kept while no write reaches them.
#pragma once
#include <cstdint>

#include "engine/graphics/images/color_format.h"
#include "engine/graphics/draw/draw_bounds.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/texture_transfer.h"

namespace orvik {

// The box, in the rectangle's own texels, of the `width` x `height` texels at `bits` (rows
// `pitch` bytes apart) whose alpha is not 0; {0, 0, 0, 0} when there are none. Texels of
// a format without alpha bits all show.
Box ShownTexelBox(const uint8_t* bits, int pitch, const ColorFormat& format, int width, int height);

// A plain piece was made and cleared, or an image transfer wrote it: its boxes are found
// again. Something else wrote it: it is no longer followed.
void NoteTrackedTexelWrite(TexturePiece& piece);
void NoteUntrackedTexelWrite(TexturePiece& piece);

// The rectangle an upright, unscaled device draw of the graphic at (x, y) can change:
// `whole` (its full rectangle), cut to where its texels show when a
// clear texel leaves the target as it is under the current settings: a transparent draw
// in blend mode 0, 1 or 2 with point sampling and no blend-mask graphic, onto a target
// without alpha bits (the mask screen's composite writes alpha across its whole box).
DrawBounds UprightDrawBounds(GraphRecord& record, int x, int y, int trans, const DrawBounds& whole);

}  // namespace orvik
