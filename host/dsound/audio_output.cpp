#include "host/dsound/audio_output.h"

#include <mutex>

#include "host/backends/backend.h"

namespace host {
namespace {

// About 23 ms at 44.1 kHz: short enough for effects to start promptly.
constexpr uint32_t kFramesPerPull = 1024;

struct OutputState {
    std::mutex mutex;
    const Backend* openOn = nullptr;
};

OutputState& State() {
    static OutputState s;
    return s;
}

}  // namespace

int OpenAudioOutput(uint32_t samplesPerSecond) {
    OutputState& s = State();
    std::lock_guard lock(s.mutex);
    if (s.openOn) return 0;
    const Backend* b = ActiveBackend();
    if (!b || !b->open_audio || b->open_audio(samplesPerSecond, kFramesPerPull) != 0) return -1;
    s.openOn = b;
    return 0;
}

void CloseAudioOutput() {
    OutputState& s = State();
    std::lock_guard lock(s.mutex);
    if (!s.openOn) return;
    if (s.openOn->close_audio) s.openOn->close_audio();
    s.openOn = nullptr;
}

bool IsAudioOutputOpen() {
    OutputState& s = State();
    std::lock_guard lock(s.mutex);
    return s.openOn != nullptr;
}

}  // namespace host
