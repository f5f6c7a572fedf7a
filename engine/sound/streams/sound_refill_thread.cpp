// The stream refill thread: a pass over the stream sounds and the soft-sound players
// under the sound lock every 30 ms, until shutdown (or the program's exit) stops and
// joins it.
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "host/dsound/sound_worker.h"

namespace orvik {

namespace {

constexpr auto kRefillPeriod = std::chrono::milliseconds(30);

host::SoundWorker& RefillThread() {
    static host::SoundWorker worker;
    return worker;
}

}  // namespace

bool StartSoundRefillThread() {
    return RefillThread().Start([] {
        SoundLockGuard guard(SoundLock());
        RefillAllStreamSounds();
        if (SoundStarted()) ProcessSoftSoundPlayers();
        return kRefillPeriod;
    });
}

void StopSoundRefillThread() { RefillThread().Stop(); }

bool IsSoundRefillThreadRunning() { return RefillThread().Running(); }

}  // namespace orvik
