#include "host/backends/sdl/sdl_window_chrome.h"

#include <vector>

#include "host/win/window/desktop.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace host::sdl {

namespace {
SDL_Texture* g_overlay = nullptr;
int g_overlayW = 0, g_overlayH = 0;

bool MakeOverlay(SDL_Renderer* renderer, int width, int height) {
    if (g_overlay && g_overlayW == width && g_overlayH == height) return true;
    ReleaseChromeOverlay();
    g_overlay = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!g_overlay) return false;
    SDL_SetTextureBlendMode(g_overlay, SDL_BLENDMODE_BLEND);
    g_overlayW = width;
    g_overlayH = height;
    return true;
}

// The cursor the engine reads is in desktop coordinates of the client area, which
// starts below the menu bar.
void MoveCursor(HWND window, int x, int y) {
    POINT origin;
    if (!ClientToScreen(window, &origin)) return;
    SetCursorPos(origin.x + x, origin.y + y - WindowChromeBands(window).menuBar);
}
}  // namespace

void DrawChromeOverlay(SDL_Renderer* renderer, HWND window, int width, int height) {
    if (width <= 0 || height <= 0 || (WindowChromeBands(window).Total() == 0 && !ChromeMenuOpen())) return;
    if (!MakeOverlay(renderer, width, height)) return;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    ChromeCanvas canvas{pixels.data(), width, height};
    DrawWindowChrome(window, canvas);
    SDL_UpdateTexture(g_overlay, nullptr, pixels.data(), width * 4);
    SDL_RenderCopy(renderer, g_overlay, nullptr, nullptr);
}

void ReleaseChromeOverlay() {
    if (g_overlay) SDL_DestroyTexture(g_overlay);
    g_overlay = nullptr;
    g_overlayW = g_overlayH = 0;
}

bool HandlePointerEvent(const SDL_Event& e, HWND window, SDL_Renderer* renderer) {
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    bool changed = false;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        MoveCursor(window, e.motion.x, e.motion.y);
        ChromePointerMove(window, e.motion.x, e.motion.y, width, height, &changed);
        return changed;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button != SDL_BUTTON_LEFT) return false;
        MoveCursor(window, e.button.x, e.button.y);
        ChromePointerDown(window, e.button.x, e.button.y, width, height, &changed);
        return changed;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT) return false;
        ChromePointerUp(window, e.button.x, e.button.y, &changed);
        return changed;
    default:
        return false;
    }
}

}  // namespace host::sdl
