#include "engine/sound/sound_state.h"


namespace orvik {

namespace {
SoundSystemState g_sound{};
}  // namespace

SoundSystemState& Sound() { return g_sound; }

SoundRecord* FindSoundRecord(int32_t handle) {
    if (handle < 0 || (handle & kSoundHandleTypeMask) != kSoundHandleType) return nullptr;
    const int32_t slot = handle & 0xFFFF;
    if (slot >= kMaxSoundHandles) return nullptr;
    SoundRecord* r = g_sound.handles.slots[slot];
    if (!r || r->check != ((handle >> 16) & 0x7FF)) return nullptr;
    return r;
}

}  // namespace orvik
