// Movies shown straight on the window through an overlay surface: the overlay is placed
// over the movie's rectangle, cut to the client area and aligned as the display asks, or
// hidden. Nothing here makes overlay surfaces, so no movie is in this mode unless one is
// given to it.
#include <algorithm>

#include "engine/graphics/draw/draw_bounds.h"
#include "engine/graphics/movies/graph_movie.h"
#include "engine/platform/base/rect.h"
#include "engine/platform/window/window_mode.h"
#include "engine/sound/movies/movie.h"

namespace orvik {

namespace {

constexpr uint32_t DDCAPS_ALIGNBOUNDARYDEST = 0x2, DDCAPS_ALIGNSIZEDEST = 0x4, DDCAPS_ALIGNBOUNDARYSRC = 0x8,
                   DDCAPS_ALIGNSIZESRC = 0x10;

int32_t AlignDown(int32_t v, uint32_t flags, uint32_t flag, uint32_t step) {
    return (flags & flag) && step ? v - v % int32_t(step) : v;
}

// Cuts the destination to the client area; each side cut away moves the source's side
// by the cut divided by the scale. false when nothing is left. A placement far off the
// window is held at the int limits, and the cuts are made in 64 bits.
bool ClipToClient(Rect& source, Rect& destination, int scale) {
    int32_t client[4] = {};
    GetClientScreenRect(client);
    auto moved = [](int32_t v, int32_t by) { return SaturatedInt(int64_t{v} + by); };
    destination = {moved(destination.left, client[0]), moved(destination.top, client[1]),
                   moved(destination.right, client[0]), moved(destination.bottom, client[1])};
    const Rect before = destination, bounds{client[0], client[1], client[2], client[3]};
    ClipRect(&destination, &bounds);
    if (destination.right <= destination.left || destination.bottom <= destination.top) return false;
    // The source side moved in by the cut, never past the opposite side.
    auto in = [scale](int32_t side, int32_t from, int32_t to, int32_t limit) {
        const int64_t moved = side + (int64_t{to} - from) / scale;
        return int32_t(side <= limit ? std::min<int64_t>(moved, limit) : std::max<int64_t>(moved, limit));
    };
    source.left = in(source.left, before.left, destination.left, source.right);
    source.top = in(source.top, before.top, destination.top, source.bottom);
    source.right = in(source.right, before.right, destination.right, source.left);
    source.bottom = in(source.bottom, before.bottom, destination.bottom, source.top);
    return source.right > source.left && source.bottom > source.top;
}

void Align(Rect& source, Rect& destination) {
    DisplayCaps caps;
    ZeroDrawParamBlock(&caps);
    const uint32_t f = caps.flags;
    source.left = AlignDown(source.left, f, DDCAPS_ALIGNBOUNDARYSRC, caps.alignBoundarySrc);
    source.right = source.left + AlignDown(source.right - source.left, f, DDCAPS_ALIGNSIZESRC, caps.alignSizeSrc);
    const int32_t width = destination.right - destination.left;
    destination.left = AlignDown(destination.left, f, DDCAPS_ALIGNBOUNDARYDEST, caps.alignBoundaryDest);
    destination.right = destination.left + AlignDown(width, f, DDCAPS_ALIGNSIZEDEST, caps.alignSizeDest);
}

host::RECT ToRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

void Store(MovieRecord* r, int x, int y, int scale, int visible, const Rect& source, const Rect& destination) {
    const int32_t state[12] = {x, y, scale, visible, source.left, source.top, source.right, source.bottom,
                               destination.left, destination.top, destination.right, destination.bottom};
    std::copy(std::begin(state), std::end(state), r->windowState);
}

}  // namespace

int ReturnZero() { return 0; }

int DrawMovieToWindow(int x, int y, int scale, int handle, int visible) {
    MovieRecord* r = GetMovieRecord(handle);
    if (!r) return -1;
    auto* overlay = static_cast<MovieOverlay*>(r->windowInterfaces[kMovieOverlaySurface]);
    if (r->windowMode != 1 || !r->hasFrame || !overlay) return 0;
    scale = std::max(scale, 1);
    Rect source{0, 0, r->width, r->height};
    Rect destination{x, y, SaturatedInt(x + int64_t{r->width} * scale), SaturatedInt(y + int64_t{r->height} * scale)};
    // The client area is never covered by another window here, so it is the whole clip.
    bool shown = visible && ClipToClient(source, destination, scale);
    if (shown) Align(source, destination);
    shown = shown && destination.right - destination.left >= 1;
    void* primary = reinterpret_cast<void*>(intptr_t(ReturnZero()));
    if (shown) {
        const int32_t* s = r->windowState;
        const bool same = s[3] == visible && s[4] == source.left && s[5] == source.top && s[6] == source.right &&
                          s[7] == source.bottom && s[8] == destination.left && s[9] == destination.top &&
                          s[10] == destination.right && s[11] == destination.bottom;
        const host::RECT from = ToRect(source), to = ToRect(destination);
        if (!same) overlay->UpdateOverlay(&from, primary, &to, DDOVER_SHOW);
    } else {
        overlay->UpdateOverlay(nullptr, primary, nullptr, DDOVER_HIDE);
        source = destination = Rect{};
    }
    Store(r, x, y, scale, visible, source, destination);
    return 0;
}

int DrawAllMoviesToWindow() {
    for (int slot = 0; slot < kMaxMovies; ++slot) {
        const MovieRecord* r = Movies().slots[slot];
        if (!r || r->isTheora || r->windowMode != 1) continue;
        const int32_t* s = r->windowState;
        DrawMovieToWindow(s[0], s[1], s[2], int((int32_t(r->id) | 0x1800) << 16 | slot), s[3]);
    }
    return 0;
}

}  // namespace orvik
