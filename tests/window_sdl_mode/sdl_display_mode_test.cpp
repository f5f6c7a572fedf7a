// Full screen of the SDL window on a virtual display: a size the display offers switches
// its mode; one it does not falls back to covering the desktop, with a line saying so;
// leaving full screen leaves the desktop's own mode.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "host/backends/sdl/sdl_display_mode.h"
#include "../window_sdl/x_display.h"

namespace orvik_test {
namespace {

class SdlDisplayModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!ProgramOnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
        display_ = std::make_unique<XvfbDisplay>();
        ASSERT_TRUE(display_->Running());
        ::setenv("DISPLAY", display_->Name().c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop_), 0);
        window_ = SDL_CreateWindow("Orvik Mode Probe", 0, 0, 640, 480, 0);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        if (window_) SDL_DestroyWindow(window_);
        if (display_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    uint32_t FullscreenFlags() const { return SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP; }
    bool DesktopModeShown() const {
        SDL_DisplayMode now;
        return SDL_GetCurrentDisplayMode(0, &now) == 0 && now.w == desktop_.w && now.h == desktop_.h;
    }

    std::unique_ptr<XvfbDisplay> display_;
    SDL_DisplayMode desktop_{};
    SDL_Window* window_ = nullptr;
};

TEST_F(SdlDisplayModeTest, AnOfferedSizeSwitchesTheModeAndAnotherFallsBackToTheDesktop) {
    // The virtual display offers only its own size: asked for, it is a real mode switch.
    testing::internal::CaptureStderr();
    host::sdl::EnterFullscreen(window_, desktop_.w, desktop_.h);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(FullscreenFlags(), uint32_t(SDL_WINDOW_FULLSCREEN));
    SDL_DisplayMode used;
    ASSERT_EQ(SDL_GetWindowDisplayMode(window_, &used), 0);
    EXPECT_EQ(used.w, desktop_.w);
    host::sdl::LeaveFullscreen(window_);
    EXPECT_EQ(FullscreenFlags(), 0u);

    // 640 x 480 it does not offer: the desktop is covered at its own mode.
    testing::internal::CaptureStderr();
    host::sdl::EnterFullscreen(window_, 640, 480);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "SDL window: the display offers no 640x480 mode; full screen covers the desktop, scaled\n");
    EXPECT_EQ(FullscreenFlags(), uint32_t(SDL_WINDOW_FULLSCREEN_DESKTOP));
    EXPECT_TRUE(DesktopModeShown());
    host::sdl::LeaveFullscreen(window_);
    EXPECT_EQ(FullscreenFlags(), 0u);
    EXPECT_TRUE(DesktopModeShown());
}

}  // namespace
}  // namespace orvik_test
