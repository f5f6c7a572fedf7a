// The engine on the sdl backend against a real X server: the window appears with its
// title, a key pressed through the X server reaches IsKeyHeld, and shutdown closes it.
#include <fcntl.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <orvik/input.h>
#include <orvik/platform.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../support/bounded_wait.h"
#include "engine/platform/input/input.h"
#include "engine/platform/startup/library.h"
#include "engine/platform/base/log.h"
#include "engine/platform/input/text_input.h"
#include "engine/platform/window/window.h"
#include "engine/graphics/device/graphics_system.h"
#include "host/backends/backend.h"
#include "host/win/system/instance_lock.h"
#include "host/win/window/window_icon.h"
#include "sdl_engine_setup.h"

namespace orvik_test {
namespace {

const char* kProbeTitle = "Orvik Xvfb Probe";

std::string FindWindowIds() { return RunProgram({"xdotool", "search", "--name", kProbeTitle}); }

using SdlWindowTest = SdlEngineTest;

TEST_F(SdlWindowTest, RealWindowTakesAKeyFromTheXServerAndCloses) {
    orvik::SetAppWindowTitle(kProbeTitle);
    orvik::ChangeWindowMode(1);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_STREQ(host::ActiveBackend()->name, "sdl");

    const std::string id = WaitForEngineWindow(kProbeTitle);
    ASSERT_FALSE(id.empty());
    std::string geometry = RunProgram({"xdotool", "getwindowgeometry", id});
    EXPECT_NE(geometry.find("640x480"), std::string::npos) << geometry;

    RunProgram({"xdotool", "windowfocus", "--sync", id});
    RunProgram({"xdotool", "keydown", "z"});
    EXPECT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        return orvik::IsKeyHeld(orvik::KEY_Z) == 1;
    }));
    RunProgram({"xdotool", "keyup", "z"});
    EXPECT_TRUE(WaitUntil([] {
        orvik::PumpMessages();
        return orvik::IsKeyHeld(orvik::KEY_Z) == 0;
    }));

    // Typed text reaches the character buffer through WM_CHAR (the z held above typed one
    // already).
    RunProgram({"xdotool", "type", "--delay", "20", "q"});
    std::string typed;
    EXPECT_TRUE(WaitUntil([&] {
        orvik::PumpMessages();
        uint8_t c[2];
        for (int n; (n = orvik::PopCharCode(c, 1)) > 0;) typed.append(reinterpret_cast<char*>(c), size_t(n));
        return typed.find('q') != std::string::npos;
    }));
    EXPECT_EQ(typed.substr(0, 1), "z");

    EXPECT_EQ(orvik::EndLibrary(), 0);
    EXPECT_TRUE(WaitUntil([] { return FindWindowIds().empty(); }));
}

// A program starts with no lock directory chosen: the sdl backend takes $XDG_RUNTIME_DIR
// when it starts. The running-copy check comes before the window is made, and must already
// look there; a copy found running ends the start before any window appears.
TEST_F(SdlWindowTest, ACopyAlreadyRunningIsFoundBeforeAnythingElseStartedTheBackend) {
    const char* kTitle = "OrvikSecondCopy";
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    const std::string kept = previous ? previous : "";
    host::SetRuntimeDirectory("");
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    // The copy already running holds its class's lock through an open of its own.
    int other = ::open((dir_ + "/orvik-" + kTitle + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    orvik::SetAppWindowTitle(kTitle);
    orvik::ChangeWindowMode(1);
    const int started = orvik::InitLibrary();
    EXPECT_EQ(started, -1);
    std::stringstream log;
    log << std::ifstream(dir_ + "/Log.txt").rdbuf();
    EXPECT_NE(log.str().find("二重起動されています、ソフトを終了します"), std::string::npos) << log.str();
    EXPECT_TRUE(RunProgram({"xdotool", "search", "--name", kTitle}).empty());

    if (started == 0) orvik::EndLibrary();
    ::close(other);
    host::StopBackend();
    if (previous) ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

// The program's icon resource is a picture in its folder: the window shows it.
TEST_F(SdlWindowTest, TheWindowShowsTheProgramsIconResource) {
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(picture, nullptr);
    SDL_FillRect(picture, nullptr, 0xFF20C040);
    ASSERT_EQ(SDL_SaveBMP(picture, (dir_ + "/icon101.bmp").c_str()), 0);
    SDL_FreeSurface(picture);
    host::SetResourceDirectory(dir_);
    orvik::SetAppWindowTitle(kProbeTitle);
    orvik::ChangeWindowMode(1);
    orvik::SetWindowIconResource(101);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    const std::string id = WaitForEngineWindow(kProbeTitle);
    ASSERT_FALSE(id.empty());
    const std::string icon = RunProgram({"xprop", "-id", id, "_NET_WM_ICON"});
    EXPECT_NE(icon.find("Icon (16 x 16)"), std::string::npos) << icon;
    EXPECT_EQ(orvik::EndLibrary(), 0);
    host::SetResourceDirectory("");
}

}  // namespace
}  // namespace orvik_test
