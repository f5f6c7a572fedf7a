// Deleting soft sounds: one by handle and kind, or every record of a kind.
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

void ReleasePlayer(SoftSoundRecord* r) {
    TerminateRingBuffer(&r->player.ring);
    if (r->player.playBuffer.valid) SoundBufRelease(&r->player.playBuffer);
    RemoveListNode(&r->player.node);
}

int DeleteAllOfKind(int kind) {
    if (!SoundStarted()) return -1;
    Sound().softSounds.ForEach([kind](int32_t handle, SoftSoundRecord& r) {
        if (r.kind == kind) DeleteSoftSound(handle, kind);
    });
    return 0;
}

}  // namespace

int DeleteSoftSound(int handle, int kind) {
    SoundLockGuard guard(SoundLock());
    SoftSoundTable& t = Sound().softSounds;
    SoftSoundRecord* r = t.Find(handle);
    if (!r || r->kind != kind) return -1;
    if (kind == kSoftSoundPlayer) ReleasePlayer(r);
    else TrackedFree(r->samples);
    t.Release(handle);
    return 0;
}

int DeleteAllSoftSoundData() { return DeleteAllOfKind(kSoftSoundData); }
int DeleteAllSoftSoundPlayers() { return DeleteAllOfKind(kSoftSoundPlayer); }

}  // namespace orvik
