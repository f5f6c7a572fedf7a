// The mask screen: one byte per screen pixel saying where draws may land, the image
// draws go into while it is on (a memory image, or a render-target texture on the
// device), and the per-draw copy-in and composite-out around every draw.
#pragma once
#include <cstdint>
#include <vector>

#include <orvik/mask.h>

#include "engine/graphics/draw/draw_bounds.h"
#include "engine/softrender/pipeline/memimg.h"

namespace host {
class StateBlock;
class Texture;
class Surface;
}  // namespace host

namespace orvik {

// A small draw's composite waiting to be made: its rectangle on the target, where its
// mask texels lie in the slot texture, and the target it goes back to.
struct QueuedComposite {
    DrawBounds box;
    int32_t slotX, slotY;
};
constexpr int32_t kCompositeBatchLimit = 64;

struct MaskScreen {
    std::vector<uint8_t> data;  // rows of `pitch` bytes; empty until made
    int32_t width = 0, height = 0, pitch = 0;
    int32_t reverse = 0;
    int32_t nesting = 0;
    DrawBounds drawn{};  // the outermost draw's rectangle, cut to the draw area
    // Software path.
    MEMIMG image{};
    // Device path: the mask bytes as alpha, and the render target draws go into.
    host::Texture* maskTexture = nullptr;
    int32_t maskTextureWidth = 0, maskTextureHeight = 0;
    int32_t maskTextureStale = 1;
    // The mask bytes one bit each (see PackMaskBits), rows of `bitPitch` bytes, packed
    // again from `data` when stale: a small draw's texels are made from them.
    std::vector<uint8_t> bits;
    int32_t bitPitch = 0;
    int32_t bitsStale = 1;
    // A texture whose slots take small draws' rectangles of the mask bytes, one each.
    host::Texture* rectMaskTexture = nullptr;
    // Small draws' composites wait here and go back to the target in one device draw,
    // with the draws into the mask screen before them in one too. Every queued rectangle
    // lies apart from the others, so waiting changes no pixel; anything that could see
    // the difference (an overlapping draw, any flush of the vertex batch) draws them
    // first. At most `compositeBatchLimit` wait (1 composites every draw at once).
    std::vector<QueuedComposite> queued;
    int32_t compositeBatchLimit = kCompositeBatchLimit;
    // Upright sprite draws work only where their texels show (0: on their whole
    // rectangle, which tests compare against).
    int32_t cutToShownTexels = 1;
    uint32_t queuedBatchVertices = 0;  // the vertex batch's count when the last one queued
    int32_t slotX = 0, slotY = 0, shelfHeight = 0;  // where the next slot is sought
    int32_t compositing = 0;
    host::Texture* screenTexture = nullptr;
    host::Surface* screenSurface = nullptr;
    host::Surface* drawSurface = nullptr;  // the target the current draw copied from
    // The composite's fixed states by the reverse flag, and the same states as they were
    // before a composite (both null when the device could not record them).
    host::StateBlock* compositeStates[2] = {};
    host::StateBlock* keptStates = nullptr;
};

MaskScreen& MaskState();
// Every copy made from the mask bytes is made again before its next use.
void MaskDataChanged();
// Frees everything (tests and graphics shutdown).
void ResetMaskScreen();

// 0 does nothing; otherwise makes the mask data and the path's buffers once. A buffer
// that cannot be made ends the process.
int SetupMaskScreenBuffers(int make);
int ReleaseMaskScreen();
// After the device was made again: the buffers, and drawing through them when wanted.
int RecreateMaskScreen();
int TerminateMaskSystem();
// Drawing goes through the mask screen now.
bool MaskScreenActive();
// Re-applies the mask screen's routing (after a target change or a window move).
int RenewMaskScreen();

// The target image on the software path, whatever the mask screen does.
MEMIMG* DrawTargetMemImg();

// Around every draw: the outermost one copies its rectangle of the target into the mask
// screen and afterwards puts the drawn pixels back where the mask lets them through.
int BeginMaskedDraw(const DrawBounds& bounds);
int EndMaskedDraw(const DrawBounds& bounds);

template <class Bounds, class Work>
int WithMaskedDraw(Bounds bounds, Work work) {
    if (!MaskScreenActive()) return work();
    const DrawBounds b = bounds();
    BeginMaskedDraw(b);
    const int result = work();
    EndMaskedDraw(b);
    return result;
}

// Runs work with drawing routed to the target itself (a clear is never masked).
template <class Work>
int WithMaskScreenPaused(Work work) {
    if (!MaskScreenActive()) return work();
    SetMaskScreenFlag(0);
    const int result = work();
    SetMaskScreenFlag(1);
    return result;
}

// Device path halves.
int CreateMaskDeviceBuffers();
void ReleaseMaskDeviceBuffers();
int RouteDeviceDrawing(bool toMaskScreen);
void CopyTargetToMaskScreenD3D(const DrawBounds& box);
void CompositeMaskScreenD3D(const DrawBounds& box);
// Draws the queued composites (and the vertex batch before them); the vertex batch calls
// it after every flush.
void DrawQueuedComposites();

}  // namespace orvik
