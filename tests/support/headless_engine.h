// Starting the engine in a test: every engine and host state back to a fresh program's,
// the headless backend, the log and the running-copy lock in the test's own temporary
// directory, the manual clock on, window mode chosen. Tests that need InitLibrary use it
// (or EngineTest in tests/window) so that parallel test processes never see each other.
#pragma once
#include <orvik/platform.h>

#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/input/input.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/window/onscreen_log.h"
#include "engine/platform/window/window.h"
#include "host/win/system/instance_lock.h"
#include "host_reset.h"
#include "temp_log.h"

namespace orvik_test {

inline void ResetEngine() {
    orvik::ResetLibraryState();
    orvik::ResetWindowState();
    orvik::ResetInputState();
    orvik::ResetGraphicsState();
    orvik::ResetOnScreenLog();
}

// Holds a fresh engine set-up for the life of a test; InitLibrary is left to the test,
// EndLibrary runs at the end.
class HeadlessEngine {
public:
    HeadlessEngine() {
        ResetHost();
        ResetEngine();
        host::SetRuntimeDirectory(log_.Directory());
        orvik::ChangeWindowMode(1);
    }
    ~HeadlessEngine() { orvik::EndLibrary(); }
    HeadlessEngine(const HeadlessEngine&) = delete;
    HeadlessEngine& operator=(const HeadlessEngine&) = delete;

    const TempLog& Log() const { return log_; }

private:
    TempLog log_;
};

}  // namespace orvik_test
