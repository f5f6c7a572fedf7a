#include "host/win/window/layered_window.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "host/backends/backend.h"
#include "host/debug_output.h"
#include "host/gdi/dib_section.h"
#include "host/win/window/window.h"

namespace host {
namespace {

constexpr uint32_t kKnownFlags = ULW_COLORKEY | ULW_ALPHA | ULW_OPAQUE;

// The last picture and the source pixels it was composed from: a call without a source
// context composes them again with its own key and blend.
struct LayeredOutput {
    std::mutex mutex;
    LayeredPicture last;
    std::vector<uint32_t> source;
};

LayeredOutput& Output() {
    static LayeredOutput o;
    return o;
}

BOOL Refuse(const char* why) {
    OutputDebugStringA((std::string("UpdateLayeredWindow: ") + why + "\n").c_str());
    return 0;
}

// A call whose arguments no window could follow; null when they are sound.
const char* Malformed(HWND window, const SIZE* size, const BLENDFUNCTION* blend, uint32_t flags) {
    if (!IsWindow(window)) return "not a window";
    if (!(uint32_t(GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_LAYERED)) return "the window is not layered";
    if (flags & ~kKnownFlags) return "unknown flags";
    if ((flags & ULW_ALPHA) && (!blend || blend->BlendOp != AC_SRC_OVER || blend->BlendFlags != 0 ||
                                blend->AlphaFormat > AC_SRC_ALPHA))
        return "ULW_ALPHA without a sound blend function";
    if (size && (size->cx <= 0 || size->cy <= 0)) return "an empty size";
    return nullptr;
}

// The part of the source context's bitmap the window shows, rows top first; null when it
// lies outside the bitmap.
const char* ReadSource(HDC source, const POINT* sourcePos, SIZE size, std::vector<uint32_t>* out) {
    DibView dib;
    if (!SelectedDib(source, &dib)) return "no bitmap in the source context";
    const POINT from = sourcePos ? *sourcePos : POINT{};
    if (from.x < 0 || from.y < 0 || int64_t(from.x) + size.cx > dib.width || int64_t(from.y) + size.cy > dib.height)
        return "a source rectangle outside the bitmap";
    out->resize(size_t(size.cx) * size_t(size.cy));
    for (int y = 0; y < size.cy; ++y) {
        const uint32_t* row = dib.pixels + (from.y + y) * dib.pitchPixels + from.x;
        std::copy(row, row + size.cx, out->begin() + ptrdiff_t(size_t(y) * size_t(size.cx)));
    }
    return nullptr;
}

// One pixel as the desktop composes it before the constant opacity: premultiplied, or
// opaque unless it is the key.
uint32_t Compose(uint32_t pixel, COLORREF key, bool perPixelAlpha, uint32_t flags) {
    if (flags & ULW_COLORKEY) {
        const uint32_t keyRgb = (key & 255) << 16 | (key & 0xFF00) | (key >> 16 & 255);
        if ((pixel & 0xFFFFFF) == keyRgb) return 0;
    }
    return perPixelAlpha ? pixel : pixel | 0xFF000000u;
}

// Moves and sizes the window as the call says, when that changes anything.
void Place(HWND window, const RECT& frame, POINT position, SIZE size) {
    uint32_t how = SWP_NOZORDER | SWP_NOACTIVATE;
    if (position.x == frame.left && position.y == frame.top) how |= SWP_NOMOVE;
    if (size.cx == frame.right - frame.left && size.cy == frame.bottom - frame.top) how |= SWP_NOSIZE;
    if ((how & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
        SetWindowPos(window, nullptr, position.x, position.y, size.cx, size.cy, how);
}

bool Show(const LayeredPicture& p) {
    const Backend* b = ActiveBackend();
    // A window not on the screen keeps its picture until the next call.
    if (!b || !b->present_layered || GetBackendWindow() != p.window) return true;
    return b->present_layered(p.pixels.data(), p.width, p.height, p.position.x, p.position.y, p.opacity);
}

}  // namespace

BOOL UpdateLayeredWindow(HWND window, HDC, const POINT* position, const SIZE* size, HDC source,
                         const POINT* sourcePos, COLORREF key, const BLENDFUNCTION* blend, uint32_t flags) {
    if (const char* why = Malformed(window, size, blend, flags)) return Refuse(why);
    RECT frame;
    GetWindowRect(window, &frame);
    const SIZE current{frame.right - frame.left, frame.bottom - frame.top};
    const SIZE target = size ? *size : current;
    std::vector<uint32_t> pixels;
    LayeredOutput& o = Output();
    if (source) {
        if (const char* why = ReadSource(source, sourcePos, target, &pixels)) return Refuse(why);
    } else {
        // Without a source only the place, key and blend change: the picture stays.
        std::lock_guard lock(o.mutex);
        if (sourcePos) return Refuse("a source position without a source context");
        if (o.last.window != window || o.last.width != target.cx || o.last.height != target.cy)
            return Refuse("a new size or a first picture without a source context");
        pixels = o.source;
    }
    const POINT at = position ? *position : POINT{frame.left, frame.top};
    Place(window, frame, at, target);

    LayeredPicture p;
    p.window = window;
    p.position = at;
    p.width = target.cx;
    p.height = target.cy;
    p.flags = flags;
    p.opacity = (flags & ULW_ALPHA) ? blend->SourceConstantAlpha : 255;
    const bool perPixelAlpha = (flags & ULW_ALPHA) && blend->AlphaFormat == AC_SRC_ALPHA;
    p.pixels.resize(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) p.pixels[i] = Compose(pixels[i], key, perPixelAlpha, flags);
    if (!Show(p)) return Refuse("the display did not take the picture");
    std::lock_guard lock(o.mutex);
    p.updates = o.last.updates + 1;
    o.last = std::move(p);
    o.source = std::move(pixels);
    return 1;
}

LayeredPicture LastLayeredPicture() {
    LayeredOutput& o = Output();
    std::lock_guard lock(o.mutex);
    return o.last;
}

void ResetLayeredPicture() {
    LayeredOutput& o = Output();
    std::lock_guard lock(o.mutex);
    o.last = LayeredPicture{};
    o.source.clear();
}

}  // namespace host
