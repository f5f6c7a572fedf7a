// The software renderer's view of graphics' draw state: the four values its draws read,
// taken from the one DrawSettings record once at the start of every draw. The draws
// never write them.
#pragma once
#include <cstdint>

#include "engine/platform/base/rect.h"

namespace orvik {

struct MemImgDrawState {
    // Draw area: left, top, right, bottom; right and bottom exclusive. Graphics keeps it
    // ordered and inside the current draw target.
    Rect clipRect{0, 0, 0, 0};
    // 0 copy, 1 alpha, 2 add, 3 subtract, 4 multiply, 10 inverted alpha, 11 multiply then
    // alpha; any other value draws nothing.
    int32_t blendMode = 0;
    int32_t blendParam = 255;  // 0..255
    // 0x00RRGGBB: in memory the bytes blue, green, red, like a 32-bit pixel. White means
    // no tint.
    uint32_t bright = 0xFFFFFF;
};

// Read from graphics' draw settings now.
MemImgDrawState CurrentMemImgDrawState();

}  // namespace orvik
