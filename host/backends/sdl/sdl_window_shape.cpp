#include "host/backends/sdl/sdl_window_shape.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <string>
#include <vector>

namespace host::sdl {
namespace {

struct XWindow {
    Display* display = nullptr;
    Window window = 0;
};

XWindow XWindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
    return XWindow{info.info.x11.display, info.info.x11.window};
}

bool HasShapeExtension(Display* display) {
    int event = 0, error = 0;
    return XShapeQueryExtension(display, &event, &error);
}

// The shape last set, so that a still picture costs no request a frame.
struct AppliedShape {
    Window window = 0;
    std::vector<ShapeRun> runs;
};
AppliedShape& Applied() {
    static AppliedShape a;
    return a;
}

}  // namespace

bool CutWindowToShape(SDL_Window* window, std::span<const ShapeRun> runs) {
    const XWindow x = XWindowOf(window);
    if (!x.display || !HasShapeExtension(x.display)) return false;
    AppliedShape& a = Applied();
    if (a.window == x.window && std::equal(runs.begin(), runs.end(), a.runs.begin(), a.runs.end())) return true;
    std::vector<XRectangle> rects;
    rects.reserve(runs.size());
    for (const ShapeRun& r : runs)
        rects.push_back(XRectangle{short(r.x), short(r.y), static_cast<unsigned short>(r.width), 1});
    // Runs come row by row, left to right, one row high: the banded order the server
    // takes without sorting.
    XShapeCombineRectangles(x.display, x.window, ShapeBounding, 0, 0, rects.data(), int(rects.size()), ShapeSet,
                            YXBanded);
    XFlush(x.display);
    a.window = x.window;
    a.runs.assign(runs.begin(), runs.end());
    return true;
}

void RemoveWindowShape(SDL_Window* window) {
    const XWindow x = XWindowOf(window);
    Applied() = AppliedShape{};
    if (!x.display || !HasShapeExtension(x.display)) return;
    XShapeCombineMask(x.display, x.window, ShapeBounding, 0, 0, None, ShapeSet);
    XFlush(x.display);
}

bool DesktopIsComposited(SDL_Window* window) {
    const XWindow x = XWindowOf(window);
    if (!x.display) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(x.display));
    const Atom selection = XInternAtom(x.display, name.c_str(), False);
    return selection != None && XGetSelectionOwner(x.display, selection) != None;
}

}  // namespace host::sdl
