#include "host/backends/sdl/sdl_x11_watch.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <atomic>

namespace host::sdl {
namespace {

std::atomic<unsigned long> g_watched{0};
std::atomic<bool> g_vanished{false};
XErrorHandler g_previous = nullptr;

int OnXError(Display* display, XErrorEvent* error) {
    const unsigned long watched = g_watched.load();
    if (watched != 0 && error->resourceid == watched &&
        (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        g_vanished = true;
        return 0;
    }
    return g_previous ? g_previous(display, error) : 0;
}

}  // namespace

void WatchWindow(SDL_Window* window) {
    g_vanished = false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    // Installed once, after SDL's own handler, which it then passes other errors to.
    static const XErrorHandler previous = XSetErrorHandler(&OnXError);
    g_previous = previous;
    g_watched = info.info.x11.window;
}

bool WindowVanished() { return g_vanished; }

}  // namespace host::sdl
