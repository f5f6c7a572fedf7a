// Every engine test starts from a fresh program on the headless backend: all engine and
// host state back to its defaults, the log and the instance lock in the test's own
// directory, the manual clock on, window mode chosen.
#pragma once
#include <gtest/gtest.h>

#include <orvik/input.h>
#include <orvik/platform.h>

#include <string>

#include "../support/temp_log.h"
#include "engine/graphics/graphics_system.h"
#include "engine/platform/input.h"
#include "engine/platform/library.h"
#include "engine/platform/text_input.h"
#include "engine/platform/window.h"
#include "host/backends/backend.h"
#include "host/backends/headless/headless.h"
#include "host/dinput/dinput.h"
#include "host/dinput/input_devices.h"
#include "host/win/com.h"
#include "host/win/desktop.h"
#include "host/win/instance_lock.h"
#include "host/win/message_queue.h"
#include "host/win/modules.h"
#include "host/win/system_services.h"
#include "host/win/window.h"

namespace orvik_test {

inline void ResetHost() {
    host::UseBackend("headless");
    host::ResetWindows();
    host::ResetDesktop();
    host::ResetCursor();
    host::ResetModules();
    host::ResetCom();
    host::ResetInputDevices();
    host::ResetSystemServices();
    host::headless::Reset();
    host::SetSystemDeviceFails(host::GUID_SysKeyboard, false);
    host::SetSystemDeviceFails(host::GUID_SysMouse, false);
}

inline void ResetEngine() {
    orvik::ResetLibraryState();
    orvik::ResetWindowState();
    orvik::ResetInputState();
    orvik::ResetGraphicsState();
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHost();
        ResetEngine();
        host::SetRuntimeDirectory(log_.Directory());
        orvik::ChangeWindowMode(1);
    }
    void TearDown() override { orvik::EndLibrary(); }

    std::string Log() const { return log_.Read(); }
    // Moves the clock on a millisecond, so the next pump refreshes the keys and pads.
    static void NextMillisecond() { host::AdvanceManualClock(1000); }
    static host::HWND MainWindow() { return orvik::Window().rt.mainWindow; }
    // Works off what start-up left in the queue (cursor updates).
    static void DrainQueue() {
        for (int i = 0; i < 10 && host::CountQueuedMessages() > 0; ++i) orvik::PumpMessages();
        ASSERT_EQ(host::CountQueuedMessages(), 0u);
    }

    TempLog log_;
};

}  // namespace orvik_test
