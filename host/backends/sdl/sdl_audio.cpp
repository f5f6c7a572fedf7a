#include "host/backends/sdl/sdl_audio.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <cstdio>
#include <span>
#include <string>

#include "host/dsound/mixer.h"

namespace host {
namespace {

// A program may end without closing the output: SDL's thread is stopped as this goes, and
// the mixer it pulls from, made first, goes after.
struct SdlAudioState {
    SdlAudioState() { MixerOutputRate(); }
    ~SdlAudioState() { Close(); }
    SdlAudioState(const SdlAudioState&) = delete;
    SdlAudioState& operator=(const SdlAudioState&) = delete;

    void Close() {
        if (device) SDL_CloseAudioDevice(device);
        device = 0;
        if (subsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemStarted = false;
    }

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

// ALSA writes its own failures to standard error (eight lines for a machine without a
// sound card) while SDL looks for a device; they are kept quiet while the output opens,
// and a device that does not open is told in one line of ours.
class QuietAlsa {
public:
    QuietAlsa() { snd_lib_error_set_handler(&Silent); }
    ~QuietAlsa() { snd_lib_error_set_handler(nullptr); }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    static void Silent(const char*, int, const char*, int, const char*, ...) {}
};

// SDL's audio started, with the driver SDL or its hint picks, and the default device
// opened on it; 0 when either fails (SDL_GetError says why).
SDL_AudioDeviceID OpenDefaultDevice(const SDL_AudioSpec& want, SDL_AudioSpec& have) {
    SdlAudioState& s = State();
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
        s.subsystemStarted = true;
    }
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
}

// SDL's dummy driver in place of a device that does not open: it pulls from the mixer
// at the device's pace, so everything timed by the sound runs on as it would, unheard.
SDL_AudioDeviceID OpenSilentDevice(const SDL_AudioSpec& want, SDL_AudioSpec& have) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const SDL_AudioDeviceID device = OpenDefaultDevice(want, have);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);  // the next start looks for a real device again
    return device;
}

}  // namespace

int OpenSdlAudioOutput(uint32_t samplesPerSecond, uint32_t framesPerCallback) {
    SdlAudioState& s = State();
    if (s.device) return 0;
    if (samplesPerSecond == 0 || framesPerCallback == 0 || framesPerCallback > 32768) return -1;
    SDL_AudioSpec want{};
    want.freq = int(samplesPerSecond);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = Uint16(framesPerCallback);
    want.callback = PullFromMixer;
    SDL_AudioSpec have{};
    std::string why;
    {
        // Quiet until SDL's audio has stopped again after a failure: its ALSA driver looks
        // for devices on a thread of its own too, which that stop joins.
        QuietAlsa quiet;
        s.device = OpenDefaultDevice(want, have);
        if (!s.device) {
            why = SDL_GetError();
            CloseSdlAudioOutput();
        }
    }
    if (!s.device) {
        s.device = OpenSilentDevice(want, have);
        if (s.device) std::fprintf(stderr, "orvik: no sound device opens (%s); the sound plays silently\n", why.c_str());
    }
    if (!s.device) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        CloseSdlAudioOutput();
        return -1;
    }
    SetMixerOutputRate(uint32_t(have.freq));
    SDL_PauseAudioDevice(s.device, 0);
    return 0;
}

void CloseSdlAudioOutput() { State().Close(); }

bool IsSdlAudioOutputOpen() { return State().device != 0; }

}  // namespace host
