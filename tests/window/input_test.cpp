// Keyboard and joypads: the key map, DirectInput pads with their dead zone, the
// multimedia joystick without DirectInput, vibration and its timer, and bad pad numbers.
#include "engine_fixture.h"
#include "host/backends/headless/headless.h"
#include "host/dinput/joystick.h"
#include "host/dinput/keyboard_state.h"
#include "host/dinput/key_codes.h"

namespace orvik_test {
namespace {

using orvik::ReadPadState;

class InputTest : public EngineTest {
protected:
    // Keys reach the engine at the next pump that sees the clock moved.
    void Press(uint8_t dik, bool down = true) {
        host::SetKeyDown(dik, down);
        NextMillisecond();
        orvik::PumpMessages();
    }
    void Pump() {
        NextMillisecond();
        orvik::PumpMessages();
    }
};

TEST_F(InputTest, KeyboardReadsThroughPadOnesMap) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_EQ(ReadPadState(0x1000), 0);
    Press(host::DIK_Z);
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_Z), 1);
    EXPECT_EQ(ReadPadState(0x1000), 0x10);
    Press(host::DIK_DOWN);
    EXPECT_EQ(ReadPadState(0x1000), 0x11);
    Press(host::DIK_Z, false);
    Press(host::DIK_NUMPAD2);
    EXPECT_EQ(ReadPadState(0x1000), 0x01);
    Press(host::DIK_ESCAPE);
    EXPECT_EQ(ReadPadState(0x1000), 0x01 | (1 << 12));
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_X), 0);
}

TEST_F(InputTest, PadPastThePadCountReadsNothingButKeysOfItsOwnMap) {
    host::AttachPad("pad one", false);
    host::AttachPad("pad two", false);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Input().padCount, 2);
    Press(host::DIK_Z);
    EXPECT_EQ(ReadPadState(3), 0);
    EXPECT_EQ(ReadPadState(3 | 0x1000), 0);  // pad 3's map is empty by default
    EXPECT_EQ(ReadPadState(1 | 0x1000), 0x10);
}

TEST_F(InputTest, DirectInputPadDirectionsButtonsAndDeadZone) {
    int pad = host::AttachPad("pad", false);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Input().mode, orvik::kInputDirect);
    EXPECT_NE(Log().find("ジョイパッドの追加は正常に終了しました"), std::string::npos);
    host::SetPadAxis(pad, host::kAxisX, -32768);
    host::SetPadAxis(pad, host::kAxisY, 32767);
    host::SetPadButton(pad, 0, true);
    host::SetPadButton(pad, 23, true);
    Pump();
    EXPECT_EQ(ReadPadState(1), orvik::PAD_LEFT | orvik::PAD_DOWN | (1 << 4) | (1 << 27));
    EXPECT_EQ(orvik::Input().pads[0].state.lX, -1000);
    // Inside the 35 % dead zone a stick reads as centred; just outside it moves a little.
    host::SetPadAxis(pad, host::kAxisX, 11000);
    host::SetPadAxis(pad, host::kAxisY, -12000);
    host::SetPadButton(pad, 0, false);
    host::SetPadButton(pad, 23, false);
    Pump();
    EXPECT_EQ(ReadPadState(1), orvik::PAD_UP);
    EXPECT_EQ(orvik::Input().pads[0].state.lX, 0);
    EXPECT_LT(orvik::Input().pads[0].state.lY, 0);
    EXPECT_GT(orvik::Input().pads[0].state.lY, -100);
}

TEST_F(InputTest, JoystickWithoutDirectInputConvertsAxisPositions) {
    host::SetComClassMissing(host::CLSID_DirectInput, true);
    host::SetComClassMissing(host::CLSID_DirectInput8, true);
    int pad = host::AttachPad("joystick", false);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::Input().mode, orvik::kInputSystem);
    EXPECT_NE(Log().find("DirectInput を使用しません。"), std::string::npos);
    EXPECT_NE(Log().find("パッドの数は 1 個です"), std::string::npos);
    host::SetPadAxis(pad, host::kAxisX, 8192 - 32768);  // position 8192
    host::SetPadButton(pad, 2, true);
    Pump();
    EXPECT_EQ(ReadPadState(1), orvik::PAD_LEFT | (1 << 6));
    EXPECT_EQ(orvik::Input().pads[0].state.lX, -500);
    host::SetPadAxis(pad, host::kAxisX, 40000 - 32768);
    Pump();
    EXPECT_EQ(ReadPadState(1), 1 << 6);
    EXPECT_EQ(orvik::Input().pads[0].state.lX, 0);
    // A joystick id that does not answer reads as all released.
    EXPECT_EQ(ReadPadState(2), 0);
    // Keys come from the system keyboard state.
    Press(host::DIK_X);
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_X), 1);
}

TEST(JoystickAxisTest, PositionsMapToPlusMinusThousandWithAWideCentre) {
    struct Case {
        uint32_t position;
        int32_t value;
    } cases[] = {{0, -1000}, {1, -999}, {8192, -500}, {16383, 0}, {16384, 0}, {32767, 0},
                 {40000, 0}, {49152, 0}, {49153, 0}, {57344, 500}, {65534, 999}, {65535, 1000}};
    for (const Case& c : cases) EXPECT_EQ(orvik::JoystickAxisValue(c.position), c.value) << c.position;
}

TEST_F(InputTest, VibrationTimerStopsItsPad) {
    int pad = host::AttachPad("rumble pad", true);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    ASSERT_EQ(orvik::StartPadRumble(1, 8000, 100), 0);
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectSine).playing);
    EXPECT_GT(host::headless::PadRumble(pad), 0);
    host::AdvanceManualClock(60000);
    orvik::PumpMessages();
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    host::AdvanceManualClock(40000);
    orvik::PumpMessages();
    EXPECT_FALSE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    EXPECT_FALSE(host::GetPadEffect(pad, host::kEffectSine).playing);
    EXPECT_EQ(orvik::Input().pads[0].vibrationOn, 0);
    EXPECT_EQ(host::headless::PadRumble(pad), 0);
}

TEST_F(InputTest, WeakVibrationUsesOnlyTheConstantForceAndInactivityPausesIt) {
    int pad = host::AttachPad("rumble pad", true);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    orvik::SetRunInBackground(1);
    ASSERT_EQ(orvik::StartPadRumble(1, 3000, -1), 0);
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    EXPECT_FALSE(host::GetPadEffect(pad, host::kEffectSine).playing);
    host::SetApplicationFocus(false);
    EXPECT_FALSE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    host::SetApplicationFocus(true);
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    // Without a time limit only a stop ends it.
    host::AdvanceManualClock(10000000);
    orvik::PumpMessages();
    EXPECT_TRUE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
    EXPECT_EQ(orvik::StopPadRumble(1), 0);
    EXPECT_FALSE(host::GetPadEffect(pad, host::kEffectConstantForce).playing);
}

TEST_F(InputTest, PadWithoutForceFeedbackCannotVibrate) {
    host::AttachPad("plain pad", false);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_NE(Log().find("周期的エフェクトの作成に失敗しました。"), std::string::npos);
    EXPECT_EQ(orvik::StartPadRumble(1, 8000, 100), -1);
    EXPECT_EQ(orvik::StartPadRumble(9, 8000, 100), -1);
    EXPECT_EQ(orvik::StopPadRumble(1), 0);
}

TEST_F(InputTest, PadNumbersOutsideTheMapAreRefused) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    Press(host::DIK_Z);
    for (int n : {17 | 0x1000, 0xFFFF | 0x1000, 0, -1, 17, 0x2001, int(0x80001001u)}) {
        EXPECT_EQ(ReadPadState(n), 0) << n;
    }
    EXPECT_NE(Log().find("パッド番号の値が不正です 0x1011 in ReadPadState"), std::string::npos);
    EXPECT_EQ(ReadPadState(16 | 0x1000), 0);
    EXPECT_EQ(ReadPadState(0x1000), 0x10);
    EXPECT_EQ(orvik::IsKeyHeld(256), 0);
    EXPECT_EQ(orvik::IsKeyHeld(-1), 0);
}

TEST_F(InputTest, FailingKeyboardDeviceFallsBackToTheSystemKeyboard) {
    host::SetSystemDeviceFails(host::GUID_SysKeyboard, true);
    host::SetSystemDeviceFails(host::GUID_SysMouse, true);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    EXPECT_NE(Log().find("キーボードデバイスの取得に失敗しました"), std::string::npos);
    EXPECT_NE(Log().find("マウスデバイスの取得に失敗しました"), std::string::npos);
    EXPECT_EQ(orvik::Input().keyboard, nullptr);
    Press(host::DIK_SPACE);
    EXPECT_EQ(orvik::IsKeyHeld(orvik::KEY_SPACE), 1);
    EXPECT_EQ(ReadPadState(0x1000), 1 << 13);
}

TEST_F(InputTest, InputMessagesSetAndClearTheirFlags) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    host::SendMessageA(MainWindow(), 0x46F, 1, 0);
    host::SendMessageA(MainWindow(), 0x470, 1, 0);
    EXPECT_EQ(orvik::Input().messageFlagA, 1);
    EXPECT_EQ(orvik::Input().messageFlagB, 1);
    host::SendMessageA(MainWindow(), 0x46F, 2, 0);
    EXPECT_EQ(orvik::Input().messageFlagA, 0);
}

TEST_F(InputTest, KeyMapSurvivesARestartOfInput) {
    ASSERT_EQ(orvik::InitLibrary(), 0);
    orvik::Input().map[0][4][0] = host::DIK_RETURN;
    ASSERT_EQ(orvik::EndLibrary(), 0);
    ASSERT_EQ(orvik::InitLibrary(), 0);
    Press(host::DIK_RETURN);
    EXPECT_EQ(ReadPadState(0x1000), 0x10);
}

}  // namespace
}  // namespace orvik_test

namespace orvik_test {
namespace {

// The system keyboard state is made by host/ from key positions and read back by the
// engine's virtual-key table: the two must agree, or keys vanish or turn into others.
TEST(KeyboardTablesTest, SystemKeyboardStateRoundTripsThroughTheVirtualKeyTable) {
    host::ResetInputDevices();
    const uint8_t gameKeys[] = {host::DIK_Z, host::DIK_X, host::DIK_C, host::DIK_A, host::DIK_S, host::DIK_D,
                                host::DIK_Q, host::DIK_W, host::DIK_ESCAPE, host::DIK_SPACE, host::DIK_UP,
                                host::DIK_DOWN, host::DIK_LEFT, host::DIK_RIGHT, host::DIK_NUMPAD2,
                                host::DIK_NUMPAD4, host::DIK_NUMPAD6, host::DIK_NUMPAD8, host::DIK_RSHIFT,
                                host::DIK_F12, host::DIK_YEN, host::DIK_COLON, host::DIK_AT};
    for (int dik = 1; dik < 256; ++dik) {
        host::SetKeyDown(uint8_t(dik), true);
        uint8_t vk[256];
        host::GetKeyboardState(vk);
        std::array<uint8_t, 256> keys{};
        orvik::ConvertSystemKeyboardState(vk, keys);
        for (int other = 0; other < 256; ++other) {
            bool twin = (dik == host::DIK_RETURN && other == host::DIK_NUMPADENTER) ||
                        (dik == host::DIK_NUMPADENTER && other == host::DIK_RETURN);
            if (other != dik && !twin) {
                EXPECT_EQ(keys[size_t(other)], 0) << dik << " reads as " << other;
            }
        }
        host::SetKeyDown(uint8_t(dik), false);
    }
    for (uint8_t dik : gameKeys) {
        host::SetKeyDown(dik, true);
        uint8_t vk[256];
        host::GetKeyboardState(vk);
        std::array<uint8_t, 256> keys{};
        orvik::ConvertSystemKeyboardState(vk, keys);
        EXPECT_EQ(keys[dik], 0x80) << int(dik);
        host::SetKeyDown(dik, false);
    }
}

}  // namespace
}  // namespace orvik_test
