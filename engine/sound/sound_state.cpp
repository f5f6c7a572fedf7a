#include "engine/sound/sound_state.h"

#include "engine/platform/memory.h"
#include "engine/sound/sound_system.h"

namespace orvik {

namespace {
SoundSystemState g_sound{};
}  // namespace

SoundSystemState& Sound() { return g_sound; }

void ResetSoundState() {
    TerminateDirectSound();
    SoundSystemState& s = g_sound;
    s.device = nullptr;
    s.primary = nullptr;
    s.silent = nullptr;
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
}

SoundRecord* FindSoundRecord(int32_t handle) {
    if (handle < 0 || (handle & kSoundHandleTypeMask) != kSoundHandleType) return nullptr;
    const int32_t slot = handle & 0xFFFF;
    if (slot >= kMaxSoundHandles) return nullptr;
    SoundRecord* r = g_sound.handles.slots[slot];
    if (!r || r->check != ((handle >> 16) & 0x7FF)) return nullptr;
    return r;
}

}  // namespace orvik
