// SDL game controllers become joypads: a virtual controller of SDL's own is attached,
// moved and pressed, and the shared pad state follows.
#include <SDL.h>
#include <gtest/gtest.h>

#include "host/backends/sdl/sdl_pads.h"
#include "host/backends/sdl/sdl_scancodes.h"
#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace {

class SdlPadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetInputDevices();
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        device_ = AttachDevice();
        ASSERT_GE(device_, 0) << SDL_GetError();
        joystick_ = SDL_JoystickOpen(device_);
        ASSERT_NE(joystick_, nullptr);
        Pump();
    }
    void TearDown() override {
        host::sdl::CloseControllers();
        if (joystick_) SDL_JoystickClose(joystick_);
        SDL_JoystickDetachVirtual(device_);
        SDL_Quit();
    }
    virtual int AttachDevice() {
        return SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                         SDL_CONTROLLER_BUTTON_MAX, 0);
    }
    // The device goes as a pulled-out pad does: closed, detached, its removal delivered.
    void Unplug() {
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
        SDL_JoystickDetachVirtual(device_);
        Pump();
    }
    static void Pump() {
        SDL_GameControllerUpdate();
        SDL_Event e;
        while (SDL_PollEvent(&e)) host::sdl::HandleControllerEvent(e);
    }
    int device_ = -1;
    SDL_Joystick* joystick_ = nullptr;
};

TEST_F(SdlPadsTest, ControllerAttachesMovesAndPresses) {
    host::sdl::OpenAttachedControllers();
    ASSERT_EQ(host::AttachedPadCount(), 1);
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_RIGHTY, 20000);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_START, 1);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1);
    Pump();
    host::PadInfo p = host::GetPadInfo(0);
    EXPECT_EQ(p.axes[host::kAxisRz], 20000);
    EXPECT_EQ(p.buttons[1], 1);
    EXPECT_EQ(p.buttons[7], 1);
    EXPECT_EQ(p.buttons[0], 0);
    EXPECT_EQ(p.pov[0], 4500u);  // up and right: north-east
    // The d-pad steers too, over the stick on the axes it is pressed along.
    EXPECT_EQ(p.axes[host::kAxisX], 32767);
    EXPECT_EQ(p.axes[host::kAxisY], -32768);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_DPAD_UP, 0);
    Pump();
    p = host::GetPadInfo(0);
    EXPECT_EQ(p.pov[0], 9000u);
    EXPECT_EQ(p.axes[host::kAxisX], 32767);
    EXPECT_EQ(p.axes[host::kAxisY], 0);
    SDL_JoystickSetVirtualButton(joystick_, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0);
    Pump();
    p = host::GetPadInfo(0);
    EXPECT_EQ(p.pov[0], host::kPovCentred);
    EXPECT_EQ(p.axes[host::kAxisX], -32768);  // the stick, held all along
}

TEST_F(SdlPadsTest, RemovedControllerLeavesItsPadEmpty) {
    host::sdl::OpenAttachedControllers();
    ASSERT_EQ(host::AttachedPadCount(), 1);
    Unplug();
    EXPECT_EQ(host::AttachedPadCount(), 0);
}

// A stick SDL has no controller mapping for: four axes, twelve buttons and two hats.
class SdlJoystickPadsTest : public SdlPadsTest {
protected:
    int AttachDevice() override {
        int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 4, 12, 2);
        if (device >= 0) {
            EXPECT_FALSE(SDL_IsGameController(device));
        }
        return device;
    }
};

TEST_F(SdlJoystickPadsTest, PlainJoystickAxesButtonsAndHatsReachThePad) {
    host::sdl::OpenAttachedControllers();
    ASSERT_EQ(host::AttachedPadCount(), 1);
    SDL_JoystickSetVirtualAxis(joystick_, 0, 32767);
    SDL_JoystickSetVirtualAxis(joystick_, 1, -20000);
    SDL_JoystickSetVirtualAxis(joystick_, 3, 1234);
    SDL_JoystickSetVirtualButton(joystick_, 0, 1);
    SDL_JoystickSetVirtualButton(joystick_, 11, 1);
    SDL_JoystickSetVirtualHat(joystick_, 0, SDL_HAT_LEFTDOWN);
    SDL_JoystickSetVirtualHat(joystick_, 1, SDL_HAT_UP);
    Pump();
    host::PadInfo p = host::GetPadInfo(0);
    // The first hat steers over the axes; a second hat is a point-of-view value alone.
    EXPECT_EQ(p.axes[host::kAxisX], -32768);
    EXPECT_EQ(p.axes[host::kAxisY], 32767);
    EXPECT_EQ(p.axes[host::kAxisZ], 0);
    EXPECT_EQ(p.axes[host::kAxisRx], 1234);
    EXPECT_EQ(p.buttons[0], 1);
    EXPECT_EQ(p.buttons[1], 0);
    EXPECT_EQ(p.buttons[11], 1);
    EXPECT_EQ(p.pov[0], 22500u);  // down and left: south-west
    EXPECT_EQ(p.pov[1], 0u);
    EXPECT_EQ(p.pov[2], host::kPovCentred);

    SDL_JoystickSetVirtualButton(joystick_, 11, 0);
    SDL_JoystickSetVirtualHat(joystick_, 0, SDL_HAT_CENTERED);
    SDL_JoystickSetVirtualHat(joystick_, 1, SDL_HAT_RIGHT);
    Pump();
    p = host::GetPadInfo(0);
    EXPECT_EQ(p.axes[host::kAxisX], 32767);
    EXPECT_EQ(p.axes[host::kAxisY], -20000);
    EXPECT_EQ(p.buttons[11], 0);
    EXPECT_EQ(p.buttons[0], 1);
    EXPECT_EQ(p.pov[0], host::kPovCentred);
    EXPECT_EQ(p.pov[1], 9000u);
}

TEST_F(SdlJoystickPadsTest, PlainJoystickComesAndGoesWithItsDevice) {
    // Attached after start-up, it arrives through the event queue alone.
    Pump();
    ASSERT_EQ(host::AttachedPadCount(), 1);
    Unplug();
    EXPECT_EQ(host::AttachedPadCount(), 0);
}

TEST(SdlScancodeTest, KeysByPositionMapToDirectInputCodes) {
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_SCANCODE_Z), host::DIK_Z);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_SCANCODE_DOWN), host::DIK_DOWN);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_SCANCODE_KP_2), host::DIK_NUMPAD2);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_SCANCODE_INTERNATIONAL3), host::DIK_YEN);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_SCANCODE_AUDIOPLAY), 0);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_Scancode(-1)), 0);
    EXPECT_EQ(host::sdl::ScancodeToDik(SDL_Scancode(SDL_NUM_SCANCODES)), 0);
}

}  // namespace
