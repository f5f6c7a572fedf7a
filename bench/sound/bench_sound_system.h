// The sound system started for a benchmark as the engine starts it (COM, the device on
// the headless output), without a window or a log.
#pragma once
#include <orvik/sound.h>

#include "engine/platform/startup/system_libraries.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "host/backends/backend.h"
#include "host/win/system/com.h"

namespace sound_bench {

struct SoundSystem {
    SoundSystem() {
        host::UseBackend("headless");
        orvik::LoadStartupLibraries();
        host::CoInitialize(nullptr);
        orvik::InitializeDirectSound();
    }
    ~SoundSystem() {
        orvik::TerminateDirectSound();
        host::CoUninitialize();
        orvik::FreeSystemLibraries();
    }
};

}  // namespace sound_bench
