// Joypads through the engine on the sdl backend: SDL's virtual joysticks stand in for real
// pads, and ReadPadState, the pad records and vibration answer as a program sees them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <orvik/input.h>
#include <orvik/platform.h>

#include "../support/bounded_wait.h"
#include "engine/platform/input/input.h"
#include "host/backends/backend.h"
#include "sdl_engine_setup.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// Opening the window with virtual joysticks attached, SDL keeps two small blocks in a
// library it loads and unloads itself, where no suppression can name them; the engine's
// start-up is checked for leaks by every other test.
using SdlAllocations = __lsan::ScopedDisabler;
#else
struct SdlAllocations {};
#endif

namespace orvik_test {
namespace {

struct Rumble {
    int calls = 0;
    uint16_t low = 0, high = 0;
};

int RecordRumble(void* user, uint16_t low, uint16_t high) {
    auto* r = static_cast<Rumble*>(user);
    ++r->calls;
    r->low = low;
    r->high = high;
    return 0;
}

// One virtual game controller: its device index and opened joystick (for moving it).
struct VirtualPad {
    int index = -1;
    SDL_Joystick* joystick = nullptr;
};

class SdlEnginePadsTest : public SdlEngineTest {
protected:
    void SetUp() override {
        SdlEngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_NE(host::ActiveBackend(), nullptr);  // starts SDL
    }
    void TearDown() override {
        // The pads go while SDL still runs.
        for (VirtualPad& p : pads_) Detach(p);
        if (host::ActiveBackend()) host::ActiveBackend()->poll_events();
        SdlEngineTest::TearDown();
    }

    // A game controller by default; any other type is a stick SDL has no mapping for,
    // which carries a hat as well.
    VirtualPad& Attach(Rumble* rumble = nullptr, SDL_JoystickType type = SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
        SDL_VirtualJoystickDesc d{};
        d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        d.type = uint16_t(type);
        d.naxes = SDL_CONTROLLER_AXIS_MAX;
        d.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        d.nhats = type == SDL_JOYSTICK_TYPE_GAMECONTROLLER ? 0 : 1;
        d.name = "Virtual pad";
        d.userdata = rumble;
        if (rumble) d.Rumble = RecordRumble;
        VirtualPad& p = pads_.emplace_back();
        p.index = SDL_JoystickAttachVirtualEx(&d);
        EXPECT_GE(p.index, 0) << SDL_GetError();
        p.joystick = SDL_JoystickOpen(p.index);
        EXPECT_NE(p.joystick, nullptr) << SDL_GetError();
        host::ActiveBackend()->poll_events();
        return p;
    }
    static void Detach(VirtualPad& p) {
        if (!p.joystick) return;
        const SDL_JoystickID id = SDL_JoystickInstanceID(p.joystick);
        SDL_JoystickClose(p.joystick);
        p.joystick = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    void Start() {
        [[maybe_unused]] const SdlAllocations untracked;
        ASSERT_EQ(orvik::InitLibrary(), 0);
    }
    // Pumps the engine until the pad reads as expected.
    static bool PadReads(int pad, int32_t bits) {
        return WaitUntil([&] {
            SDL_JoystickUpdate();
            orvik::PumpMessages();
            return orvik::ReadPadState(pad) == bits;
        }, 5.0);
    }
    // Pumps the engine until the pad's first point-of-view hat reads as expected.
    static bool PovReads(int pad, uint32_t hundredthsOfDegree) {
        return WaitUntil([&] {
            SDL_JoystickUpdate();
            orvik::PumpMessages();
            orvik::ReadPadState(pad);
            return State(pad).rgdwPOV[0] == hundredthsOfDegree;
        }, 5.0);
    }
    static const host::DIJOYSTATE& State(int pad) { return orvik::Input().pads[size_t(pad - 1)].state; }

    std::vector<VirtualPad> pads_;
};

TEST_F(SdlEnginePadsTest, StickButtonsAndHatReadAsDirectionsButtonsAndAxisValues) {
    VirtualPad& pad = Attach();
    Start();
    ASSERT_EQ(orvik::Input().padCount, 1);
    EXPECT_STREQ(orvik::Input().pads[0].productName, "Virtual pad");

    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_START, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_LEFT | orvik::PAD_BUTTON_0 | orvik::PAD_BUTTON_0 << 7));
    EXPECT_EQ(State(1).lX, -1000);
    EXPECT_EQ(State(1).lY, 0);

    // Within the 35 % dead zone the stick reads as centred; beyond it the rest of the
    // travel is spread over the whole range.
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTX, 11000);
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTY, 22118);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_A, 0);
    ASSERT_TRUE(PadReads(1, orvik::PAD_DOWN | orvik::PAD_BUTTON_0 << 7));
    EXPECT_EQ(State(1).lX, 0);
    EXPECT_EQ(State(1).lY, 500);

    // The d-pad is the point-of-view hat, in hundredths of a degree from up, and steers
    // as the stick does.
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTY, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_START, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1);
    ASSERT_TRUE(PovReads(1, 22500u));
    EXPECT_EQ(orvik::ReadPadState(1), orvik::PAD_DOWN | orvik::PAD_LEFT);
    EXPECT_EQ(State(1).lX, -1000);
    EXPECT_EQ(State(1).lY, 1000);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0);
    ASSERT_TRUE(PadReads(1, 0));
    // Pad 2 does not exist: nothing.
    EXPECT_EQ(orvik::ReadPadState(2), 0);
}

TEST_F(SdlEnginePadsTest, UnmappedStickReadsLikeAPadAndGoesWhenPulledOut) {
    VirtualPad& pad = Attach(nullptr, SDL_JOYSTICK_TYPE_ARCADE_STICK);
    ASSERT_FALSE(SDL_IsGameController(pad.index));
    Start();
    ASSERT_EQ(orvik::Input().padCount, 1);

    // Axes 0 and 1 are X and Y with the same dead zone; buttons go by SDL's numbering.
    SDL_JoystickSetVirtualAxis(pad.joystick, 0, -32768);
    SDL_JoystickSetVirtualButton(pad.joystick, 3, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_LEFT | orvik::PAD_BUTTON_0 << 3));
    EXPECT_EQ(State(1).lX, -1000);
    SDL_JoystickSetVirtualAxis(pad.joystick, 0, 11000);
    SDL_JoystickSetVirtualAxis(pad.joystick, 1, 22118);
    SDL_JoystickSetVirtualButton(pad.joystick, 3, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, 12, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_DOWN | orvik::PAD_BUTTON_0 << 12));
    EXPECT_EQ(State(1).lX, 0);
    EXPECT_EQ(State(1).lY, 500);

    // Its hat is the point-of-view value and, like a controller's d-pad, steers.
    SDL_JoystickSetVirtualAxis(pad.joystick, 1, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, 12, 0);
    SDL_JoystickSetVirtualHat(pad.joystick, 0, SDL_HAT_RIGHT);
    ASSERT_TRUE(PovReads(1, 9000u));
    EXPECT_EQ(orvik::ReadPadState(1), orvik::PAD_RIGHT);
    SDL_JoystickSetVirtualHat(pad.joystick, 0, SDL_HAT_CENTERED);

    SDL_JoystickSetVirtualButton(pad.joystick, 0, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_BUTTON_0));
    Detach(pad);
    EXPECT_TRUE(PadReads(1, 0));
}

TEST_F(SdlEnginePadsTest, PadNumbersStayWhenAPadIsPulledOutAndPluggedInAgain) {
    Attach();
    VirtualPad& second = Attach();
    Start();
    ASSERT_EQ(orvik::Input().padCount, 2);
    SDL_JoystickSetVirtualButton(pads_[0].joystick, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualButton(second.joystick, SDL_CONTROLLER_BUTTON_X, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_BUTTON_0 << 1));
    ASSERT_TRUE(PadReads(2, orvik::PAD_BUTTON_0 << 2));

    // The first pad goes with its button held: it reads as released, not stuck, and the
    // second keeps its number.
    Detach(pads_[0]);
    EXPECT_TRUE(PadReads(1, 0));
    EXPECT_TRUE(PadReads(2, orvik::PAD_BUTTON_0 << 2));

    // Plugged in again, it is pad 1 once more.
    VirtualPad& again = Attach();
    SDL_JoystickSetVirtualButton(again.joystick, SDL_CONTROLLER_BUTTON_Y, 1);
    EXPECT_TRUE(PadReads(1, orvik::PAD_BUTTON_0 << 3));
    EXPECT_TRUE(PadReads(2, orvik::PAD_BUTTON_0 << 2));
}

TEST_F(SdlEnginePadsTest, PadsPluggedInAfterStartUpAreReadAndTheFirstKeepsItsNumber) {
    Start();
    ASSERT_EQ(orvik::Input().padCount, 0);
    VirtualPad& first = Attach();
    SDL_JoystickSetVirtualButton(first.joystick, SDL_CONTROLLER_BUTTON_B, 1);
    ASSERT_TRUE(PadReads(1, orvik::PAD_BUTTON_0 << 1));
    EXPECT_EQ(orvik::Input().padCount, 1);

    VirtualPad& second = Attach();
    SDL_JoystickSetVirtualButton(second.joystick, SDL_CONTROLLER_BUTTON_X, 1);
    ASSERT_TRUE(PadReads(2, orvik::PAD_BUTTON_0 << 2));
    EXPECT_TRUE(PadReads(1, orvik::PAD_BUTTON_0 << 1));
    EXPECT_EQ(orvik::Input().padCount, 2);
}

TEST_F(SdlEnginePadsTest, RumbleReachesAPadThatHasItAndFailsCleanlyOnOneWithout) {
    Attach();
    Rumble rumble;
    Attach(&rumble);
    Start();
    ASSERT_EQ(orvik::Input().padCount, 2);

    EXPECT_EQ(orvik::StartPadRumble(1, 8000, -1), -1);
    EXPECT_EQ(orvik::StopPadRumble(1), 0);

    ASSERT_EQ(orvik::StartPadRumble(2, 10000, -1), 0);
    EXPECT_GT(rumble.calls, 0);
    EXPECT_EQ(rumble.low, 65535);
    EXPECT_EQ(rumble.high, 65535);
    ASSERT_EQ(orvik::StopPadRumble(2), 0);
    EXPECT_EQ(rumble.low, 0);
    EXPECT_EQ(rumble.high, 0);
}

}  // namespace
}  // namespace orvik_test
