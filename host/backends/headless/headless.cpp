#include "host/backends/headless/headless.h"

#include <array>
#include <mutex>

#include "host/backends/backend.h"
#include "host/backends/headless/headless_audio_clock.h"
#include "host/backends/layered_shape.h"
#include "host/dsound/headless_output.h"
#include "host/win/window/window.h"

namespace host {

namespace {
struct HeadlessState {
    std::mutex mutex;
    bool open = false;
    std::string title;
    int width = 0, height = 0;
    bool cursorVisible = true;
    bool fullscreen = false;
    int frames = 0;
    headless::Frame last;
    // A frame kept by reference (rows `sharedPitch` bytes apart, their top byte not
    // shown) stands in for `last.pixels` when set.
    std::shared_ptr<const void> shared;
    const uint32_t* sharedPixels = nullptr;
    int sharedPitch = 0;
    bool presentFails = false;
    // The window vanished under us; reported is set once the next poll has told host/.
    bool vanished = false, vanishReported = false;
    std::string clipboard;
    std::array<uint16_t, 16> rumble{};
    bool layered = false;
    headless::LayeredFrame layeredFrame;
};

HeadlessState& S() {
    static HeadlessState s;
    return s;
}

bool Available() { return true; }
bool Start() { return true; }
void Stop() {}

bool OpenWindow(const char* title, int w, int h) {
    std::lock_guard lock(S().mutex);
    S().open = true;
    S().vanished = S().vanishReported = false;
    S().title = title ? title : "";
    S().width = w;
    S().height = h;
    return true;
}

void CloseWindow() {
    std::lock_guard lock(S().mutex);
    S().open = false;
    S().layered = false;
}

void SetTitle(const char* title) {
    std::lock_guard lock(S().mutex);
    S().title = title ? title : "";
}

void SetSize(int w, int h) {
    std::lock_guard lock(S().mutex);
    S().width = w;
    S().height = h;
}

void SetFullscreen(bool on, int, int) {
    std::lock_guard lock(S().mutex);
    S().fullscreen = on;
}

// Painting does not reach a layered window, whose look is the picture it was given; it
// counts as presented all the same. Call with the state's mutex held.
bool PaintsLayeredWindow() {
    if (!S().layered) return false;
    ++S().frames;
    return true;
}

// Rows of pixels as the window shows them: 0x00RRGGBB, tightly packed.
void CopyShown(const uint32_t* pixels, int width, int height, int pitch, std::vector<uint32_t>* out) {
    out->resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) + size_t(y) * size_t(pitch));
        uint32_t* to = out->data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) to[x] = row[x] & 0xFFFFFFu;
    }
}

bool Present(const uint32_t* pixels, int width, int height, int pitch) {
    std::lock_guard lock(S().mutex);
    if (S().presentFails || S().vanished || !pixels || width <= 0 || height <= 0 || pitch < width * 4) return false;
    if (PaintsLayeredWindow()) return true;
    // The last frame's storage is reused: a fresh zeroed buffer per frame cost as much as
    // the copy itself.
    headless::Frame& f = S().last;
    S().shared.reset();
    f.width = width;
    f.height = height;
    CopyShown(pixels, width, height, pitch, &f.pixels);
    ++S().frames;
    return true;
}

// Kept by reference: the frame is copied only when a test asks for it.
bool PresentShared(std::shared_ptr<const void> keep, const uint32_t* pixels, int width, int height, int pitch) {
    std::lock_guard lock(S().mutex);
    if (S().presentFails || S().vanished || !keep || !pixels || width <= 0 || height <= 0 || pitch < width * 4)
        return false;
    if (PaintsLayeredWindow()) return true;
    S().last.width = width;
    S().last.height = height;
    S().shared = std::move(keep);
    S().sharedPixels = pixels;
    S().sharedPitch = pitch;
    ++S().frames;
    return true;
}

void SetLayered(bool on) {
    std::lock_guard lock(S().mutex);
    S().layered = on;
    S().layeredFrame = headless::LayeredFrame{};
}

// The window takes the picture's place and size; what shows is the picture over black.
bool PresentLayered(const uint32_t* pixels, int width, int height, int x, int y, uint8_t opacity) {
    std::lock_guard lock(S().mutex);
    HeadlessState& s = S();
    if (s.presentFails || s.vanished || !s.layered || !pixels || width <= 0 || height <= 0) return false;
    const size_t count = size_t(width) * size_t(height);
    s.layeredFrame = headless::LayeredFrame{x, y, width, height, opacity, std::vector<uint32_t>(pixels, pixels + count)};
    s.width = width;
    s.height = height;
    s.shared.reset();
    s.last.width = width;
    s.last.height = height;
    s.last.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) s.last.pixels[i] = ShownOverBlack(pixels[i], opacity);
    ++s.frames;
    return true;
}

void PollEvents() {
    {
        std::lock_guard lock(S().mutex);
        if (!S().vanished || S().vanishReported) return;
        S().vanishReported = true;
    }
    BackendWindowVanished();
}

void SetCursorVisible(bool visible) {
    std::lock_guard lock(S().mutex);
    S().cursorVisible = visible;
}

void SetPadRumble(int pad, uint16_t low, uint16_t high, uint32_t ms) {
    std::lock_guard lock(S().mutex);
    if (pad >= 0 && pad < 16) S().rumble[size_t(pad)] = ms ? (low > high ? low : high) : 0;
}

bool SetClipboard(const char* text) {
    std::lock_guard lock(S().mutex);
    S().clipboard = text ? text : "";
    return true;
}

// The output runs on the real clock unless a test has taken it over with the manual clock.
int OpenAudio(uint32_t samplesPerSecond, uint32_t framesPerPull) {
    if (OpenHeadlessAudio(samplesPerSecond) != 0) return -1;
    if (StartHeadlessAudioClock(framesPerPull)) return 0;
    CloseHeadlessAudio();
    return -1;
}

void CloseAudio() {
    StopHeadlessAudioClock();
    CloseHeadlessAudio();
}

std::string GetClipboard() {
    std::lock_guard lock(S().mutex);
    return S().clipboard;
}
}  // namespace

extern const Backend kHeadlessBackend = {
    "headless",
    kBackendHasClipboard,
    Available, Start, Stop, OpenWindow, CloseWindow, SetTitle, SetSize, SetFullscreen, Present, PollEvents,
    SetCursorVisible, SetPadRumble, SetClipboard, GetClipboard,
    OpenAudio, CloseAudio, PresentShared, SetLayered, PresentLayered, nullptr, nullptr,
};

namespace headless {

bool IsWindowOpen() { std::lock_guard lock(S().mutex); return S().open; }
std::string WindowTitle() { std::lock_guard lock(S().mutex); return S().title; }
int WindowWidth() { std::lock_guard lock(S().mutex); return S().width; }
int WindowHeight() { std::lock_guard lock(S().mutex); return S().height; }
bool IsCursorVisible() { std::lock_guard lock(S().mutex); return S().cursorVisible; }
bool IsFullscreen() { std::lock_guard lock(S().mutex); return S().fullscreen; }
int PresentedFrameCount() { std::lock_guard lock(S().mutex); return S().frames; }
Frame LastFrame() {
    std::lock_guard lock(S().mutex);
    const HeadlessState& s = S();
    if (!s.shared) return s.last;
    Frame f{s.last.width, s.last.height, {}};
    CopyShown(s.sharedPixels, f.width, f.height, s.sharedPitch, &f.pixels);
    return f;
}
bool IsWindowLayered() { std::lock_guard lock(S().mutex); return S().layered; }
LayeredFrame LastLayeredFrame() { std::lock_guard lock(S().mutex); return S().layeredFrame; }
void SetPresentFails(bool fails) { std::lock_guard lock(S().mutex); S().presentFails = fails; }

void VanishWindow() {
    std::lock_guard lock(S().mutex);
    S().open = false;
    S().vanished = true;
}

uint16_t PadRumble(int pad) {
    std::lock_guard lock(S().mutex);
    return pad >= 0 && pad < 16 ? S().rumble[size_t(pad)] : 0;
}

void Reset() {
    std::lock_guard lock(S().mutex);
    S().open = false;
    S().title.clear();
    S().width = S().height = 0;
    S().cursorVisible = true;
    S().fullscreen = false;
    S().frames = 0;
    S().last = Frame{};
    S().shared.reset();
    S().presentFails = false;
    S().vanished = S().vanishReported = false;
    S().clipboard.clear();
    S().rumble.fill(0);
    S().layered = false;
    S().layeredFrame = LayeredFrame{};
}

}  // namespace headless
}  // namespace host
