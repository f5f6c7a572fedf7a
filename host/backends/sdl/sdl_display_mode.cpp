#include "host/backends/sdl/sdl_display_mode.h"

#include <cstdio>

namespace host::sdl {

namespace {

// The display's mode of exactly width x height at the rate closest to the desktop's, or
// false. SDL's closest mode may be larger, which would show the picture in a corner.
bool ModeOfSize(SDL_Window* window, int width, int height, SDL_DisplayMode* mode) {
    const int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || width <= 0 || height <= 0) return false;
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    return SDL_GetClosestDisplayMode(display, &wanted, mode) && mode->w == width && mode->h == height;
}

}  // namespace

void EnterFullscreen(SDL_Window* window, int width, int height) {
    if (!window) return;
    SDL_DisplayMode mode;
    if (ModeOfSize(window, width, height, &mode) && SDL_SetWindowDisplayMode(window, &mode) == 0 &&
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0)
        return;
    std::fprintf(stderr, "SDL window: the display offers no %dx%d mode; full screen covers the desktop, scaled\n",
                 width, height);
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void LeaveFullscreen(SDL_Window* window) {
    if (window) SDL_SetWindowFullscreen(window, 0);
}

}  // namespace host::sdl
