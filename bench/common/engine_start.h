// The engine started as a bench starts it: on the headless backend, in this process's own
// runtime directory, windowed, without a log file, on the path asked for. A start that
// fails, or that takes the other path, aborts the bench: its figures would mean nothing.
#pragma once
#include <orvik/graphics.h>
#include <orvik/log.h>
#include <orvik/platform.h>

#include <cstdlib>

#include "bench/common/runtime_dir.h"
#include "engine/graphics/device/graphics_system.h"
#include "host/backends/backend.h"
#include "host/win/system/instance_lock.h"

namespace bench_support {

// The headless backend, and a runtime directory no other bench shares (the engine's
// double-start lock is kept there).
inline void UseHeadlessHost() {
    host::UseBackend("headless");
    host::SetRuntimeDirectory(ProcessRuntimeDirectory());
}

// InitLibrary on the headless host with the settings made before it, on the device path
// or the software renderer.
inline void StartEngine(bool device) {
    UseHeadlessHost();
    orvik::SetLogFileEnabled(0);
    orvik::ChangeWindowMode(1);
    orvik::SetUseHardwareRendering(device ? 1 : 0);
    if (orvik::InitLibrary() != 0 || orvik::Graphics().direct3DMode != (device ? 1 : 0)) std::abort();
}

}  // namespace bench_support
