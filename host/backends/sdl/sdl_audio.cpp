#include "host/backends/sdl/sdl_audio.h"

#include <SDL.h>

#include <cstdio>
#include <span>

#include "host/dsound/mixer.h"

namespace host {
namespace {

struct SdlAudioState {
    SDL_AudioDeviceID device = 0;
    bool subsystemStarted = false;
};

SdlAudioState& State() {
    static SdlAudioState state;
    return state;
}

// The callback runs on SDL's audio thread. It waits a little for the sound lock, and
// plays silence rather than stall the device when a load holds the lock for long.
void SDLCALL PullFromMixer(void*, Uint8* stream, int length) {
    std::span<int16_t> out(reinterpret_cast<int16_t*>(stream), size_t(length) / 2);
    TryMixAudio(out, 5);
}

}  // namespace

int OpenSdlAudioOutput(uint32_t samplesPerSecond, uint32_t framesPerCallback) {
    SdlAudioState& s = State();
    if (s.device) return 0;
    if (samplesPerSecond == 0 || framesPerCallback == 0 || framesPerCallback > 32768) return -1;
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
            return -1;
        }
        s.subsystemStarted = true;
    }
    SDL_AudioSpec want{};
    want.freq = int(samplesPerSecond);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = Uint16(framesPerCallback);
    want.callback = PullFromMixer;
    SDL_AudioSpec have{};
    s.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!s.device) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        CloseSdlAudioOutput();
        return -1;
    }
    SetMixerOutputRate(uint32_t(have.freq));
    SDL_PauseAudioDevice(s.device, 0);
    return 0;
}

void CloseSdlAudioOutput() {
    SdlAudioState& s = State();
    if (s.device) SDL_CloseAudioDevice(s.device);
    s.device = 0;
    if (s.subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s.subsystemStarted = false;
}

bool IsSdlAudioOutputOpen() { return State().device != 0; }

}  // namespace host
