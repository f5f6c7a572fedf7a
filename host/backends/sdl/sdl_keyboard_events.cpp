#include "host/backends/sdl/sdl_keyboard_events.h"

#include <string>
#include <vector>

#include "host/backends/sdl/sdl_scancodes.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/keyboard_state.h"
#include "host/win/system/codepage.h"
#include "host/win/system/drop_files.h"
#include "host/win/window/hooks.h"
#include "host/win/system/imm.h"
#include "host/win/window/message_queue.h"
#include "host/win/system/system_services.h"
#include "host/win/window/window.h"
#include "host/win/window/window_chrome.h"

namespace host::sdl {

namespace {
std::vector<std::string> g_dropNames;  // the files of the drop under way
// A hook or the menu took the last key pressed: the text it types is not the program's
// either.
bool g_keyTaken = false;

constexpr uint32_t kAltHeldBit = 1u << 29, kPreviousDownBit = 1u << 30, kReleasedBit = 1u << 31;

// Hands the key to the window's menu; true when the menu took it.
bool MenuTakes(const SDL_KeyboardEvent& key, HWND window, uint8_t vk, bool* redraw) {
    int width = 0, height = 0;
    SDL_Renderer* renderer = SDL_GetRenderer(SDL_GetWindowFromID(key.windowID));
    if (!renderer || SDL_GetRendererOutputSize(renderer, &width, &height) != 0) return false;
    const ChromeKey chromeKey{vk, key.type == SDL_KEYDOWN, (key.keysym.mod & KMOD_ALT) != 0, key.repeat != 0};
    bool changed = false;
    const bool taken = ChromeKeyEvent(window, chromeKey, width, height, &changed);
    *redraw = *redraw || changed;
    return taken;
}

// A key moves the key state and reaches the window with its virtual key and scan code.
// While ALT is held the system sends the keys as WM_SYSKEYDOWN and WM_SYSKEYUP with the
// context bit set: that is how the window knows ALT+ENTER. A key a keyboard hook swallows
// or the menu takes does neither, though its release still lets go of it.
void KeyEvent(const SDL_KeyboardEvent& key, bool* redraw) {
    uint8_t dik = ScancodeToDik(key.keysym.scancode);
    if (!dik) return;
    bool down = key.type == SDL_KEYDOWN;
    HWND window = GetBackendWindow();
    uint8_t vk = VirtualKeyOfDik(dik);
    const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    const bool taken = KeyboardHooksSwallow(vk, dik, down, alt) || (window && vk && MenuTakes(key, window, vk, redraw));
    if (down) g_keyTaken = taken;
    if (!down || !taken) SetKeyDown(dik, down);
    if (!window || !vk || taken) return;
    uint32_t info = (uint32_t(dik) << 16) | 1u | (alt ? kAltHeldBit : 0u) |
                    (down ? (key.repeat ? kPreviousDownBit : 0u) : kPreviousDownBit | kReleasedBit);
    uint32_t message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    PostMessageA(window, message, vk, LPARAM(info));
}

// Typed text reaches the window as WM_CHAR, one code-page byte per message (a two-byte
// character as its two bytes in order).
void TextEvent(const char* utf8) {
    HWND window = GetBackendWindow();
    if (!window) return;
    for (unsigned char c : Utf8ToCp932(utf8)) PostMessageA(window, WM_CHAR, c, 1);
}

// The text being composed goes through the input method while the window has it switched
// on; an empty composition ends it. The finished text comes as SDL_TEXTINPUT.
void EditingEvent(const SDL_TextEditingEvent& edit) {
    HWND window = GetBackendWindow();
    if (!window || !IsImeEnabled()) return;
    if (!edit.text[0]) return ImeCancel(window);
    std::string utf8 = edit.text;
    // The cursor comes in characters; the input method counts bytes of the code page.
    int cursor = 0, chars = 0;
    for (size_t at = 0; at < utf8.size() && chars < edit.start; ++chars) {
        size_t next = at + 1;
        while (next < utf8.size() && (uint8_t(utf8[next]) & 0xC0) == 0x80) ++next;
        cursor += int(Utf8ToCp932(utf8.substr(at, next - at)).size());
        at = next;
    }
    ImeCompose(window, Utf8ToCp932(utf8), cursor);
}

// The names of one drop are gathered and given to the window as one WM_DROPFILES when the
// drop is complete, if the window takes dropped files.
void DropComplete() {
    HWND window = GetBackendWindow();
    if (!g_dropNames.empty() && AcceptsDroppedFiles(window))
        PostMessageA(window, WM_DROPFILES, WPARAM(MakeDrop(g_dropNames)), 0);
    g_dropNames.clear();
}
}  // namespace

bool HandleKeyboardEvent(const SDL_Event& e, bool* redraw) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: KeyEvent(e.key, redraw); return true;
    case SDL_TEXTINPUT:
        if (!g_keyTaken) TextEvent(e.text.text);
        g_keyTaken = false;
        return true;
    case SDL_TEXTEDITING: EditingEvent(e.edit); return true;
    case SDL_DROPBEGIN: g_dropNames.clear(); return true;
    case SDL_DROPFILE:
        if (e.drop.file) g_dropNames.push_back(Utf8ToCp932(e.drop.file));
        SDL_free(e.drop.file);
        return true;
    case SDL_DROPTEXT: SDL_free(e.drop.file); return true;
    case SDL_DROPCOMPLETE: DropComplete(); return true;
    default: return false;
    }
}

void ResetKeyboardEvents() {
    g_dropNames.clear();
    g_keyTaken = false;
}

}  // namespace host::sdl
