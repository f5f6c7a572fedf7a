// Reading the pixels of what was drawn: a rectangle of the draw target into memory (by
// locking the surface, or through a render-target copy when locking is slower or
// refused), the copy of such a rectangle into a graphic, and the sub back buffer that
// keeps the picture across a full-screen present.
#pragma once
#include <cstdint>

#include "host/win/system/types.h"

namespace host {
class Surface;
}

namespace orvik {

struct BaseImage;

// What a read-back holds until it is released: the locked surface, and whether it is a
// system-memory copy of the device's own (then released too).
struct ReadBackHold {
    int32_t held = 0;
    host::Surface* surface = nullptr;
    int32_t copy = 0;
};

// Describes `rect` of the current draw target (null: all of it) in `image`, whose pixels
// stay readable until ReleaseDrawTargetRect. 0, or -1 with a log line for a rectangle
// outside the target, a read-back already held, or surfaces that cannot be made.
int LockDrawTargetRect(const host::RECT* rect, BaseImage* image);
// The same for a given target: -2 the screen, or a drawable graphic's handle.
int LockTargetRect(int32_t target, const host::RECT* rect, BaseImage* image);
// Ends a held read-back. 0.
int ReleaseDrawTargetRect();
// Copies the rectangle (x2, y2 exclusive) of the draw target into the graphic at
// (destX, destY). 0 or -1.
int LockDrawTargetForCpu(int x1, int y1, int x2, int y2, int32_t graph, int destX, int destY);
// From now on the screen is drawn into a render target of its own that each present
// copies onto the back buffer. 0 (also when it exists already), -1 when it cannot be made.
int SwitchToSubBackBuffer();

}  // namespace orvik
