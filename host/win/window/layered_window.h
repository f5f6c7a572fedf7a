// Layered-window output: a window made with WS_EX_LAYERED shows the picture handed to
// UpdateLayeredWindow, with per-pixel alpha or a colour key, instead of painting.
#pragma once
#include <cstdint>
#include <vector>

#include "host/win/system/types.h"

namespace host {

struct SIZE {
    int32_t cx = 0, cy = 0;
};

using COLORREF = uint32_t;  // 0x00BBGGRR
constexpr COLORREF RGB(uint32_t r, uint32_t g, uint32_t b) { return (r & 255) | (g & 255) << 8 | (b & 255) << 16; }

struct BLENDFUNCTION {
    uint8_t BlendOp = 0, BlendFlags = 0, SourceConstantAlpha = 255, AlphaFormat = 0;
};
constexpr uint8_t AC_SRC_OVER = 0, AC_SRC_ALPHA = 1;
constexpr uint32_t ULW_COLORKEY = 1, ULW_ALPHA = 2, ULW_OPAQUE = 4;

// The window's whole picture (frame rows included) comes from the bitmap selected into
// `source` at `sourcePos`, `size` pixels large (null: the window's size); the window moves
// to `position` and takes that size. ULW_ALPHA with AC_SRC_ALPHA takes premultiplied
// 0xAARRGGBB pixels, ULW_COLORKEY makes pixels equal to `key` holes, and with ULW_ALPHA
// the blend's constant alpha weighs the whole window. Without a source the last picture
// stays and only the place, key and blend change. FALSE, with a line on the debugger
// output, for malformed arguments: a window that is not layered, unknown flags, ULW_ALPHA
// without a sound blend function, an empty size, a context without a bitmap or a
// rectangle outside it, a size change without a source; and when the display refuses.
BOOL UpdateLayeredWindow(HWND window, HDC screen, const POINT* position, const SIZE* size, HDC source,
                         const POINT* sourcePos, COLORREF key, const BLENDFUNCTION* blend, uint32_t flags);

// The last picture a layered window was given, premultiplied 0xAARRGGBB (holes are 0).
// The backend shows it as `LayeredShape` and `ShownOverBlack` say (host/backends).
struct LayeredPicture {
    HWND window = nullptr;
    POINT position;
    int width = 0, height = 0;
    uint32_t flags = 0;
    uint8_t opacity = 255;  // the constant alpha (ULW_ALPHA), not applied to `pixels`
    std::vector<uint32_t> pixels;
    uint64_t updates = 0;  // calls that succeeded since the reset
};
LayeredPicture LastLayeredPicture();
void ResetLayeredPicture();

}  // namespace host
