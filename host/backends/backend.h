// A backend is what stands behind host/: a real window, keyboard and pads (sdl), or
// nothing at all but captured frames and injected input (headless). Each backend is one
// table of function pointers, a name and its capability flags; one is chosen per process.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace host {

enum BackendCaps : uint32_t {
    kBackendHasDisplay = 1u << 0,    // frames reach a real screen
    kBackendHasKeyboard = 1u << 1,   // keys come from a real keyboard
    kBackendHasJoypads = 1u << 2,    // pads come from real game controllers
    kBackendHasAudio = 1u << 3,      // an audio output device can be opened
    kBackendHasClipboard = 1u << 4,  // a system clipboard exists
};

struct Backend {
    const char* name;
    uint32_t caps;
    // True when the backend can start in this environment (a display is there).
    bool (*available)();
    bool (*start)();
    void (*stop)();
    // The window that shows the presented picture; the title is UTF-8.
    bool (*open_window)(const char* title, int clientWidth, int clientHeight);
    void (*close_window)();
    void (*set_window_title)(const char* title);
    void (*set_window_size)(int clientWidth, int clientHeight);
    // The display switched to a full-screen mode of that size (on) or back to the desktop.
    void (*set_fullscreen)(bool on, int width, int height);
    // Shows a picture of 32-bit pixels 0x??RRGGBB (the top byte is not shown); pitch in
    // bytes.
    bool (*present)(const uint32_t* pixels, int width, int height, int pitch);
    // Turns pending system events into window messages, key and pad state.
    void (*poll_events)();
    void (*set_cursor_visible)(bool visible);
    // Vibration of a pad: strengths 0 to 65535, for `ms` milliseconds (0 stops it).
    void (*set_pad_rumble)(int pad, uint16_t low, uint16_t high, uint32_t ms);
    // Clipboard text in UTF-8.
    bool (*set_clipboard_text)(const char* text);
    std::string (*get_clipboard_text)();
    // The audio output: stereo 16-bit at the rate asked, pulling from the mixer. 0 or -1.
    int (*open_audio)(uint32_t samplesPerSecond, uint32_t framesPerCallback);
    void (*close_audio)();
    // Optional (null when the backend copies through `present`): shows a picture as
    // `present` does, which it may keep by reference, sparing a copy of every frame: the
    // pixels stay as they are while `keep` is held.
    bool (*present_shared)(std::shared_ptr<const void> keep, const uint32_t* pixels, int width, int height,
                           int pitch);
    // The window (or, before it opens, the next one opened) becomes layered (on):
    // borderless, its whole look the picture that present_layered gives it and nothing
    // shown before the first one; or (off) an ordinary window again that shows what
    // `present` gives it. A closed window's setting goes with it.
    void (*set_window_layered)(bool on);
    // Shows a layered window's whole picture (premultiplied 0xAARRGGBB, tightly packed),
    // the window moved to (x, y) on the desktop and sized to the picture. Pixels that
    // `LayeredShape` leaves out are holes: the desktop shows through them and clicks go
    // to what lies below. `opacity` (0 to 255) weighs the whole window.
    bool (*present_layered)(const uint32_t* pixels, int width, int height, int x, int y, uint8_t opacity);
    // Optional (null when the backend's window has no icon to show): the open window's
    // icon becomes the picture of a BMP file, its alpha kept. False when it does not load.
    bool (*set_window_icon)(const char* bmpPath);
    // Optional (null where no window manager takes keys): while on, the window (and one
    // opened later) grabs the keyboard whenever it has the focus, so the keys the window
    // manager keeps for itself (Alt+Tab, the Super key's shortcuts) come to it instead.
    void (*set_keyboard_grab)(bool on);
};

// The table of backends, ended by a null entry.
const Backend* const* BackendTable();
const Backend* FindBackend(const char* name);

// Picks the backend named by ORVIK_HOST ("sdl" or "headless"); unset: sdl when a display
// is there. Returns false and leaves a message in `error` when none can be used.
bool SelectBackend(std::string* error);
// Uses the named backend from now on (tests pick "headless"). False when unknown or it
// cannot start.
bool UseBackend(const char* name);
// The backend in use, started on first use; null when none could be selected (the
// reason is written to stderr once).
const Backend* ActiveBackend();
// Stops the backend; the next use selects one afresh.
void StopBackend();

}  // namespace host
