// Putting the sound system back to its start for tests: stopped, and every field at its
// first value (kept apart from the state itself, so the decoders link without start-up).
#include "engine/platform/base/memory.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

void ResetSoundState() {
    TerminateDirectSound();
    SoundSystemState& s = Sound();
    s.device = nullptr;
    s.primary = nullptr;
    s.silent = nullptr;
    s.musicLoader = nullptr;
    s.performance = nullptr;
    s.acm = AcmFunctions{};
    s.musicMode = 0;
    s.loadMode = 0;
    s.disabledConverters = 0;
    s.vorbisSampleBytes = 2;
    s.vorbisReaderFlag = 0;
    s.softwareSoundMode = 0;
    InitList(&s.streamHead, &s.streamTail);
    InitList(&s.softPlayerHead, &s.softPlayerTail);
    for (SoundRecord*& r : s.handles.slots) {
        TrackedFree(r);  // records a test made without a running sound system
        r = nullptr;
    }
    s.handles.count = 0;
    s.handles.nextSlot = 0;
    s.handles.checkCounter = 0;
    s.softSounds.Reset();
    s.capture = SoundCaptureState{};
    s.music.Reset();
    s.mci = MidiMciState{};
    s.currentMusic = CurrentMusicState{};
}

}  // namespace orvik
