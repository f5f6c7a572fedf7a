// Presentation to a layered window: the finished screen is read back into memory and
// handed to the window as its per-pixel-alpha picture; the swap chain and GDI stay unused.
#include "engine/graphics/images/base_image.h"
#include "engine/graphics/device/present.h"
#include "engine/graphics/device/target_readback.h"
#include "engine/platform/window/layered_window.h"
#include "engine/platform/window/window.h"

namespace orvik {

bool PresentsThroughLayeredWindow() { return Window().settings.layered != 0; }

int PresentLayeredScreen() {
    BaseImage screen;
    // The screen is read whatever the draw target is, so the game's target, draw area
    // and camera stay as they are.
    if (LockTargetRect(-2, nullptr, &screen) != 0) return -1;
    const int result = UpdateLayeredMainWindow(screen);
    ReleaseDrawTargetRect();
    return result;
}

}  // namespace orvik
