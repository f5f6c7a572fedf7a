// Points a test's engine at the sdl backend on its own virtual display, with the log and
// the running-copy lock in a fresh temporary directory.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include <orvik/platform.h>

#include "../support/bounded_wait.h"
#include "../support/headless_engine.h"
#include "engine/platform/base/log.h"
#include "host/backends/backend.h"
#include "host/win/system/instance_lock.h"
#include "x_display.h"

namespace orvik_test {

// The temporary directory (the caller removes it), or an empty text with the reason in
// *error when the sdl backend cannot be chosen.
inline std::string UseSdlBackendOn(const XvfbDisplay& display, std::string* error) {
    ::setenv("DISPLAY", display.Name().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::setenv("ORVIK_HOST", "sdl", 1);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    char pattern[] = "/tmp/orvik_sdl_XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) {
        *error = "no temporary directory";
        return {};
    }
    host::SetRuntimeDirectory(dir);
    orvik::SetLogDirectory(dir);
    return host::SelectBackend(error) ? dir : std::string();
}

// The X id of the engine's window titled `title`, pumping messages until the window is
// there; empty when it does not come within the wait's bound.
inline std::string WaitForEngineWindow(const char* title) {
    std::string ids;
    WaitUntil([&] {
        orvik::PumpMessages();
        ids = RunProgram({"xdotool", "search", "--name", title});
        return !ids.empty();
    });
    return ids.substr(0, ids.find('\n'));
}

// A test of the engine on the sdl backend of its own virtual display; skipped where
// Xvfb or xdotool is missing. The temporary directory goes with the test.
class SdlEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramOnPath("Xvfb") || !ProgramOnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
        // A fresh program's engine and host: what an earlier test of the program set
        // (a class name taken from its title) would otherwise stay.
        ResetHost();
        host::StopBackend();
        ResetEngine();
        display_ = std::make_unique<XvfbDisplay>();
        ASSERT_TRUE(display_->Running());
        std::string error;
        dir_ = UseSdlBackendOn(*display_, &error);
        ASSERT_FALSE(dir_.empty()) << error;
    }
    // The engine, SDL's video and the display all end with the test: SDL stays on the
    // display it started on, and the next test's display is another.
    void TearDown() override {
        orvik::EndLibrary();
        host::StopBackend();
        display_.reset();
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    std::unique_ptr<XvfbDisplay> display_;
    std::string dir_;
};

}  // namespace orvik_test
