// Every engine test starts from a fresh program on the headless backend (see
// tests/support/headless_engine.h).
#pragma once
#include <gtest/gtest.h>

#include <orvik/input.h>
#include <orvik/platform.h>

#include <string>

#include "../support/headless_engine.h"
#include "engine/platform/input/text_input.h"
#include "host/win/window/message_queue.h"

namespace orvik_test {

class EngineTest : public ::testing::Test {
protected:
    std::string Log() const { return engine_.Log().Read(); }
    // Moves the clock on a millisecond, so the next pump refreshes the keys and pads.
    static void NextMillisecond() { host::AdvanceManualClock(1000); }
    static host::HWND MainWindow() { return orvik::Window().rt.mainWindow; }
    // Works off what start-up left in the queue (cursor updates).
    static void DrainQueue() {
        for (int i = 0; i < 10 && host::CountQueuedMessages() > 0; ++i) orvik::PumpMessages();
        ASSERT_EQ(host::CountQueuedMessages(), 0u);
    }

    HeadlessEngine engine_;
};

}  // namespace orvik_test
