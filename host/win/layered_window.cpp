#include "host/win/layered_window.h"

#include <algorithm>
#include <mutex>

#include "host/backends/backend.h"
#include "host/gdi/dib_section.h"
#include "host/win/window.h"

namespace host {
namespace {

struct LayeredOutput {
    std::mutex mutex;
    LayeredPicture last;
};

LayeredOutput& Output() {
    static LayeredOutput o;
    return o;
}

// One pixel as the desktop composes it: premultiplied, or opaque unless it is the key.
uint32_t Compose(uint32_t pixel, COLORREF key, const BLENDFUNCTION* blend, uint32_t flags) {
    if (flags & ULW_COLORKEY) {
        const uint32_t keyRgb = (key & 255) << 16 | (key & 0xFF00) | (key >> 16 & 255);
        if ((pixel & 0xFFFFFF) == keyRgb) return 0;
    }
    const bool perPixel = (flags & ULW_ALPHA) && blend && blend->AlphaFormat == AC_SRC_ALPHA;
    return perPixel ? pixel : pixel | 0xFF000000u;
}

// The client part of the picture over black (premultiplied colour is what black shows)
// goes to the backend as the window's picture.
void ShowClientPart(HWND window, const LayeredPicture& p) {
    const Backend* b = ActiveBackend();
    RECT frame, client;
    POINT origin;
    if (!b || !GetWindowRect(window, &frame) || !GetClientRect(window, &client) || !ClientToScreen(window, &origin))
        return;
    const int left = origin.x - frame.left, top = origin.y - frame.top;
    const int w = std::min(client.right, p.width - left), h = std::min(client.bottom, p.height - top);
    if (w <= 0 || h <= 0 || left < 0 || top < 0) return;
    std::vector<uint32_t> shown(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            shown[size_t(y) * size_t(w) + size_t(x)] = p.pixels[size_t(y + top) * size_t(p.width) + size_t(x + left)] & 0xFFFFFF;
    b->present(shown.data(), w, h, w * 4);
}

}  // namespace

BOOL UpdateLayeredWindow(HWND window, HDC, const POINT* position, const SIZE* size, HDC source,
                         const POINT* sourcePos, COLORREF key, const BLENDFUNCTION* blend, uint32_t flags) {
    DibView dib;
    // Only full constant alpha is composed; the engine never asks for less.
    if ((blend && blend->SourceConstantAlpha != 255) || !IsWindow(window) || !(uint32_t(GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_LAYERED) || !size ||
        !SelectedDib(source, &dib))
        return 0;
    const POINT from = sourcePos ? *sourcePos : POINT{};
    if (size->cx <= 0 || size->cy <= 0 || from.x < 0 || from.y < 0 || int64_t(from.x) + size->cx > dib.width ||
        int64_t(from.y) + size->cy > dib.height)
        return 0;
    RECT frame;
    GetWindowRect(window, &frame);
    if (position && (position->x != frame.left || position->y != frame.top))
        SetWindowPos(window, nullptr, position->x, position->y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayeredPicture p;
    p.window = window;
    p.position = position ? *position : POINT{frame.left, frame.top};
    p.width = size->cx;
    p.height = size->cy;
    p.flags = flags;
    p.pixels.resize(size_t(p.width) * size_t(p.height));
    for (int y = 0; y < p.height; ++y) {
        const uint32_t* row = dib.pixels + (from.y + y) * dib.pitchPixels + from.x;
        for (int x = 0; x < p.width; ++x) p.pixels[size_t(y) * size_t(p.width) + size_t(x)] = Compose(row[x], key, blend, flags);
    }
    ShowClientPart(window, p);
    LayeredOutput& o = Output();
    std::lock_guard lock(o.mutex);
    p.updates = o.last.updates + 1;
    o.last = std::move(p);
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
}

}  // namespace host
