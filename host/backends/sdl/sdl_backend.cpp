// The real window: SDL2 video with a renderer that scales the presented picture to the
// window below the menu bar and toolbar, the keyboard by physical key, game controllers,
// clipboard, the pointer on the menu bar and toolbar, and the window's close, focus and
// minimise turned into the messages the engine expects.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>

#include "host/backends/backend.h"
#include "host/backends/layered_shape.h"
#include "host/backends/picture_placement.h"
#include "host/backends/sdl/sdl_audio.h"
#include "host/backends/sdl/sdl_display_mode.h"
#include "host/backends/sdl/sdl_keyboard_events.h"
#include "host/backends/sdl/sdl_pads.h"
#include "host/backends/sdl/sdl_window_chrome.h"
#include "host/backends/sdl/sdl_window_shape.h"
#include "host/backends/sdl/sdl_x11_watch.h"
#include "host/dinput/input_devices.h"
#include "host/win/window/desktop.h"
#include "host/win/system/instance_lock.h"
#include "host/win/window/message_queue.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace host {

namespace {
SDL_Window* g_window = nullptr;
// The window's vanishing has been told to host/ (once per window).
bool g_vanishReported = false;
SDL_Renderer* g_renderer = nullptr;
SDL_Texture* g_texture = nullptr;
int g_textureW = 0, g_textureH = 0;
// A layered window shows its picture whole, unscaled, cut to its shape.
bool g_layered = false;
float g_windowOpacity = 1.0f;  // last given to SDL_SetWindowOpacity
// Full screen and its size, kept for a window opened later.
bool g_fullscreen = false;
int g_fullscreenW = 0, g_fullscreenH = 0;
// The keyboard grab asked for, kept for a window opened later.
bool g_keyboardGrab = false;

bool Available() {
    const char* x = std::getenv("DISPLAY");
    const char* wl = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wl && *wl);
}

bool Start() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS) != 0) return false;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // A click that brings the window to the front also reaches its menu bar and toolbar.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
        SetDesktop(mode.w, mode.h, int(SDL_BYTESPERPIXEL(mode.format)) * 8);
    if (RuntimeDirectory().empty()) {
        const char* dir = std::getenv("XDG_RUNTIME_DIR");
        SetRuntimeDirectory(dir && *dir ? dir : "/tmp");
    }
    sdl::OpenAttachedControllers();
    return true;
}

void CloseWindow() {
    sdl::ReleaseChromeOverlay();
    if (g_texture) SDL_DestroyTexture(g_texture);
    if (g_renderer) SDL_DestroyRenderer(g_renderer);
    if (g_window) SDL_DestroyWindow(g_window);
    g_texture = nullptr;
    g_renderer = nullptr;
    g_window = nullptr;
    g_textureW = g_textureH = 0;
    g_layered = false;
    g_windowOpacity = 1.0f;
}

void Stop() {
    CloseWindow();
    g_keyboardGrab = false;
    sdl::CloseControllers();
    sdl::ResetKeyboardEvents();
    SDL_Quit();
}

void ApplyLayered();

// A window asked for as layered before it opens comes without a frame and unseen, and is
// shown only once cut to its shape (empty until its first picture).
bool OpenWindow(const char* title, int w, int h) {
    const bool layered = g_layered;
    CloseWindow();
    g_window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w > 0 ? w : 640,
                                h > 0 ? h : 480, layered ? SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN : SDL_WINDOW_RESIZABLE);
    if (!g_window) return false;
    g_renderer = SDL_CreateRenderer(g_window, -1, 0);
    if (!g_renderer) g_renderer = SDL_CreateRenderer(g_window, -1, SDL_RENDERER_SOFTWARE);
    if (!g_renderer) {
        CloseWindow();
        return false;
    }
    // Watched once the renderer is made: an OpenGL renderer makes the X window anew.
    sdl::WatchWindow(g_window);
    g_vanishReported = false;
    if (g_fullscreen) sdl::EnterFullscreen(g_window, g_fullscreenW, g_fullscreenH);
    if (g_keyboardGrab) SDL_SetWindowKeyboardGrab(g_window, SDL_TRUE);
    SDL_SetRenderDrawColor(g_renderer, 0, 0, 0, 255);
    SDL_RenderClear(g_renderer);
    SDL_RenderPresent(g_renderer);
    if (layered) {
        g_layered = true;
        ApplyLayered();
        SDL_ShowWindow(g_window);
    }
    return true;
}

// SDL applies the grab while the window has the focus and lets go when it loses it; the
// hint makes any grab of the window's take the keyboard with it.
void SetKeyboardGrab(bool on) {
    g_keyboardGrab = on;
    SDL_SetHint(SDL_HINT_GRAB_KEYBOARD, on ? "1" : "0");
    if (g_window) SDL_SetWindowKeyboardGrab(g_window, on ? SDL_TRUE : SDL_FALSE);
}

void SetTitle(const char* title) {
    if (g_window) SDL_SetWindowTitle(g_window, title);
}

// A layered window takes the size of its picture instead.
void SetSize(int w, int h) {
    if (g_window && !g_layered && w > 0 && h > 0) SDL_SetWindowSize(g_window, w, h);
}

// Full screen switches the display to the size asked for where it offers that size.
void SetFullscreen(bool on, int width, int height) {
    g_fullscreen = on;
    g_fullscreenW = width;
    g_fullscreenH = height;
    if (on) sdl::EnterFullscreen(g_window, width, height);
    else sdl::LeaveFullscreen(g_window);
}

// The last picture below the menu bar and toolbar, scaled into the rest of the window,
// and the bars (with any open drop-down list) over it.
void Redraw() {
    if (!g_renderer) return;
    int outW = 0, outH = 0;
    SDL_GetRendererOutputSize(g_renderer, &outW, &outH);
    SDL_RenderClear(g_renderer);
    if (g_layered) {
        if (g_texture) {
            const SDL_Rect whole{0, 0, g_textureW, g_textureH};
            SDL_RenderCopy(g_renderer, g_texture, &whole, &whole);
        }
        SDL_RenderPresent(g_renderer);
        return;
    }
    HWND window = GetBackendWindow();
    const ChromeBands bands = WindowChromeBands(window);
    if (g_texture) {
        // A picture as large as the client area holds the toolbar's rows itself.
        SDL_Rect src{0, 0, g_textureW, g_textureH};
        RECT client;
        if (bands.toolbar && GetClientRect(window, &client) && client.bottom == g_textureH) {
            src.y = bands.toolbar;
            src.h -= bands.toolbar;
        }
        const int areaH = std::max(1, outH - bands.Total());
        PicturePlacement p = PlacePicture(src.w, src.h, outW > 0 ? outW : src.w, areaH);
        SDL_Rect dst{p.x, bands.Total() + p.y, p.width, p.height};
        SDL_RenderCopy(g_renderer, g_texture, &src, &dst);
    }
    sdl::DrawChromeOverlay(g_renderer, window, outW, outH);
    SDL_RenderPresent(g_renderer);
}

bool FitTexture(int width, int height) {
    if (g_texture && g_textureW == width && g_textureH == height) return true;
    if (g_texture) SDL_DestroyTexture(g_texture);
    g_texture = SDL_CreateTexture(g_renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
    g_textureW = g_texture ? width : 0;
    g_textureH = g_texture ? height : 0;
    return g_texture != nullptr;
}

bool Present(const uint32_t* pixels, int width, int height, int pitch) {
    if (!g_renderer || sdl::WindowVanished() || !pixels || width <= 0 || height <= 0) return false;
    // Painting does not reach a layered window: its look is the picture it was given.
    if (g_layered) return true;
    if (!FitTexture(width, height) || SDL_UpdateTexture(g_texture, nullptr, pixels, pitch) != 0) return false;
    Redraw();
    return true;
}

// A layered window has no frame of its own (its picture holds one, if any) and shows
// nothing until its first picture; an ordinary one gets its frame and whole area back.
void ApplyLayered() {
    SDL_SetWindowBordered(g_window, g_layered ? SDL_FALSE : SDL_TRUE);
    SDL_SetWindowResizable(g_window, g_layered ? SDL_FALSE : SDL_TRUE);
    // Whole first, which also forgets a shape cached for an earlier window of that id.
    sdl::RemoveWindowShape(g_window);
    if (g_layered) sdl::CutWindowToShape(g_window, {});
}

// Without a window, the next one opens layered.
void SetLayered(bool on) {
    if (g_layered == on) return;
    g_layered = on;
    if (g_window) ApplyLayered();
}

// The weight a layered window's picture is drawn at, and the window's opacity: where the
// desktop blends windows, the opacity weighs the window; elsewhere the picture is drawn
// over black at that weight (partial alpha is drawn over black either way). The
// compositing manager is asked for only while the weight is below full.
uint8_t WeighLayeredWindow(uint8_t opacity) {
    const bool composited = opacity != 255 && sdl::DesktopIsComposited(g_window);
    const float windowOpacity = composited ? float(opacity) / 255.0f : 1.0f;
    if (windowOpacity != g_windowOpacity) {
        SDL_SetWindowOpacity(g_window, windowOpacity);
        g_windowOpacity = windowOpacity;
    }
    return composited ? 255 : opacity;
}

bool DrawLayeredPicture(std::span<const uint32_t> picture, int width, int height, uint8_t drawnAt) {
    void* texels = nullptr;
    int pitch = 0;
    if (!FitTexture(width, height) || SDL_LockTexture(g_texture, nullptr, &texels, &pitch) != 0) return false;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(texels) + size_t(y) * size_t(pitch));
        const auto source = picture.subspan(size_t(y) * size_t(width), size_t(width));
        std::transform(source.begin(), source.end(), row, [drawnAt](uint32_t p) { return ShownOverBlack(p, drawnAt); });
    }
    SDL_UnlockTexture(g_texture);
    Redraw();
    return true;
}

bool PresentLayered(const uint32_t* pixels, int width, int height, int x, int y, uint8_t opacity) {
    if (!g_renderer || !g_layered || sdl::WindowVanished() || !pixels || width <= 0 || height <= 0) return false;
    const std::span<const uint32_t> picture(pixels, size_t(width) * size_t(height));
    int wx = 0, wy = 0, ww = 0, wh = 0;
    SDL_GetWindowPosition(g_window, &wx, &wy);
    SDL_GetWindowSize(g_window, &ww, &wh);
    if (ww != width || wh != height) SDL_SetWindowSize(g_window, width, height);
    if (wx != x || wy != y) SDL_SetWindowPosition(g_window, x, y);
    sdl::CutWindowToShape(g_window, LayeredShape(picture, width, height, opacity));
    return DrawLayeredPicture(picture, width, height, WeighLayeredWindow(opacity));
}

void HandleWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: RequestWindowClose(); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: SetApplicationFocus(true); break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        ReleaseAllKeys();  // keys released while away would otherwise stay held
        SetApplicationFocus(false);
        break;
    case SDL_WINDOWEVENT_MINIMIZED: SetApplicationMinimized(true); break;
    case SDL_WINDOWEVENT_RESTORED: SetApplicationMinimized(false); break;
    default: break;
    }
}

// A layered window shows the whole window, frame rows included, and draws no menu bar
// or toolbar: a pointer position in it is one in the window, unscaled.
bool MoveLayeredCursor(const SDL_Event& e) {
    int x = 0, y = 0;
    if (e.type == SDL_MOUSEMOTION) x = e.motion.x, y = e.motion.y;
    else if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) x = e.button.x, y = e.button.y;
    else return false;
    RECT frame;
    if (GetWindowRect(GetBackendWindow(), &frame)) SetCursorPos(frame.left + x, frame.top + y);
    return true;
}

// A pad that arrives is announced as the system announces new devices, so the program
// can list its pads again.
bool HandlePadEvent(const SDL_Event& e) {
    const int before = AttachedPadCount();
    if (!sdl::HandleControllerEvent(e)) return false;
    if (AttachedPadCount() > before)
        if (HWND window = GetBackendWindow()) PostMessageA(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    return true;
}

void PollEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        bool redraw = false;
        if (HandlePadEvent(e) || sdl::HandleKeyboardEvent(e, &redraw)) {
            if (redraw) Redraw();
            continue;
        }
        if (g_layered && MoveLayeredCursor(e)) continue;
        if (g_window && sdl::HandlePointerEvent(e, GetBackendWindow(), g_renderer)) {
            Redraw();
            continue;
        }
        switch (e.type) {
        case SDL_QUIT: RequestWindowClose(); break;
        case SDL_WINDOWEVENT: HandleWindowEvent(e.window); break;
        default: break;
        }
    }
    if (sdl::WindowVanished() && !g_vanishReported) {
        g_vanishReported = true;
        BackendWindowVanished();
    }
}

void SetCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

bool SetClipboard(const char* text) { return SDL_SetClipboardText(text ? text : "") == 0; }

bool SetWindowIcon(const char* bmpPath) {
    if (!g_window) return false;
    SDL_Surface* icon = SDL_LoadBMP(bmpPath);
    if (!icon) return false;
    SDL_SetWindowIcon(g_window, icon);
    SDL_FreeSurface(icon);
    return true;
}

std::string GetClipboard() {
    char* t = SDL_GetClipboardText();
    std::string s = t ? t : "";
    SDL_free(t);
    return s;
}
}  // namespace

extern const Backend kSdlBackend = {
    "sdl",
    kBackendHasDisplay | kBackendHasKeyboard | kBackendHasJoypads | kBackendHasAudio | kBackendHasClipboard,
    Available, Start, Stop, OpenWindow, CloseWindow, SetTitle, SetSize, SetFullscreen, Present, PollEvents,
    SetCursorVisible, sdl::SetControllerRumble, SetClipboard, GetClipboard,
    OpenSdlAudioOutput, CloseSdlAudioOutput, nullptr, SetLayered, PresentLayered, SetWindowIcon,
    SetKeyboardGrab,
};

}  // namespace host
