#include "engine/sound/core/sound_state.h"

#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {
SoundSystemState g_sound{};
}  // namespace

SoundSystemState& Sound() { return g_sound; }

int SetMusicMode(int32_t mode) {
    if (SoundStarted() || (mode != 0 && mode != 1)) return -1;
    g_sound.musicMode = mode;
    return 0;
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
