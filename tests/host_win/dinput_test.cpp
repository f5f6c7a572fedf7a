// DirectInput devices over the shared key and pad state, the joystick calls and the
// system keyboard state.
#include "host/dinput/dinput.h"
#include "host/dinput/joystick.h"
#include "host/dinput/keyboard_state.h"
#include "host/dinput/key_codes.h"
#include "host/sync.h"
#include "host/win/system/codepage.h"
#include "host_fixture.h"

namespace host_test {
namespace {

using namespace host;

class DinputTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        CoInitialize(nullptr);
        void* object = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A, &object), S_OK);
        di_ = static_cast<IDirectInput*>(object);
        ASSERT_EQ(di_->Initialize(nullptr, 0x0700), DI_OK);
        window_ = MakeWindow();
    }
    void TearDown() override {
        di_->Release();
        CoUninitialize();
        HostTest::TearDown();
    }
    IDirectInputDevice* OpenPad(int pad, uint32_t level) {
        IDirectInputDevice* d = nullptr;
        std::string guid = "Joypad" + std::to_string(pad);
        EXPECT_EQ(di_->CreateDeviceEx(guid, IID_IDirectInputDevice7A, &d, nullptr), DI_OK);
        EXPECT_EQ(d->SetDataFormat(c_dfDIJoystick), DI_OK);
        EXPECT_EQ(d->SetCooperativeLevel(window_, level), DI_OK);
        return d;
    }
    IDirectInput* di_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(DinputTest, PadAxesScaleIntoTheRangeOutsideTheDeadZone) {
    int pad = AttachPad("pad", false);
    IDirectInputDevice* d = OpenPad(pad, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    EXPECT_EQ(d->SetProperty(DIPROP_RANGE, DIPH_BYOFFSET, DIJOFS_X, -1000, 1000), DI_OK);
    EXPECT_EQ(d->SetProperty(DIPROP_DEADZONE, DIPH_BYOFFSET, DIJOFS_X, 3500, 0), DI_OK);
    EXPECT_EQ(d->SetProperty(DIPROP_RANGE, DIPH_BYOFFSET, DIJOFS_X, 5, 5), DIERR_INVALIDPARAM);
    EXPECT_EQ(d->SetProperty(DIPROP_DEADZONE, DIPH_BYOFFSET, 22, 10, 0), DIERR_INVALIDPARAM);
    DIJOYSTATE s;
    EXPECT_EQ(d->GetDeviceState(sizeof s, &s), DIERR_NOTACQUIRED);
    ASSERT_EQ(d->Acquire(), DI_OK);
    struct Case {
        int32_t raw, x;
    } cases[] = {{0, 0}, {11000, 0}, {-11468, 0}, {32767, 1000}, {-32768, -1000}, {21298, 462}};
    for (const Case& c : cases) {
        SetPadAxis(pad, kAxisX, c.raw);
        ASSERT_EQ(d->GetDeviceState(sizeof s, &s), DI_OK);
        EXPECT_NEAR(s.lX, c.x, 1) << c.raw;
    }
    // Unset axes keep the default range 0 to 65535, centred in the middle.
    EXPECT_EQ(s.lY, 32768);
    SetPadButton(pad, 31, true);
    SetPadPov(pad, 0, 9000);
    ASSERT_EQ(d->GetDeviceState(sizeof s, &s), DI_OK);
    EXPECT_EQ(s.rgbButtons[31], 0x80);
    EXPECT_EQ(s.rgdwPOV[0], 9000u);
    EXPECT_EQ(s.rgdwPOV[1], 0xFFFFFFFFu);
    DetachPad(pad);
    EXPECT_EQ(d->GetDeviceState(sizeof s, &s), DIERR_INPUTLOST);
    d->Release();
}

TEST_F(DinputTest, ForegroundPadLosesItsAcquisitionWithTheFocus) {
    int pad = AttachPad("pad", true);
    IDirectInputDevice* d = OpenPad(pad, DISCL_EXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_EQ(d->Acquire(), DI_OK);
    DIJOYSTATE s;
    EXPECT_EQ(d->GetDeviceState(sizeof s, &s), DI_OK);
    SetApplicationFocus(false);
    EXPECT_EQ(d->GetDeviceState(sizeof s, &s), DIERR_INPUTLOST);
    EXPECT_EQ(d->Acquire(), DIERR_OTHERAPPHASPRIO);
    SetApplicationFocus(true);
    EXPECT_EQ(d->Acquire(), DI_OK);
    EXPECT_EQ(d->GetDeviceState(sizeof s, &s), DI_OK);
    d->Release();
}

TEST_F(DinputTest, EffectsAreRecordedPerPadAndKind) {
    int plain = AttachPad("plain", false);
    int rumble = AttachPad("rumble", true);
    IDirectInputDevice* p = OpenPad(plain, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    IDirectInputDevice* r = OpenPad(rumble, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    DIEFFECT e{10000, 0};
    IDirectInputEffect* effect = nullptr;
    EXPECT_EQ(p->CreateEffect(GUID_ConstantForce, &e, &effect, nullptr), DIERR_UNSUPPORTED);
    EXPECT_EQ(effect, nullptr);
    ASSERT_EQ(r->CreateEffect(GUID_Sine, &e, &effect, nullptr), DI_OK);
    EXPECT_EQ(effect->Start(1, 0), DI_OK);
    EXPECT_TRUE(GetPadEffect(rumble, kEffectSine).playing);
    EXPECT_FALSE(GetPadEffect(rumble, kEffectConstantForce).playing);
    EXPECT_EQ(headless::PadRumble(rumble), 65535);
    EXPECT_EQ(effect->Stop(), DI_OK);
    EXPECT_EQ(GetPadEffect(rumble, kEffectSine).starts, 1);
    EXPECT_EQ(GetPadEffect(rumble, kEffectSine).stops, 1);
    EXPECT_EQ(headless::PadRumble(rumble), 0);
    effect->Release();
    p->Release();
    r->Release();
}

TEST_F(DinputTest, KeyboardStateAndItsDataEvent) {
    IDirectInputDevice* k = nullptr;
    ASSERT_EQ(di_->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &k, nullptr), DI_OK);
    EXPECT_EQ(k->SetDataFormat(c_dfDIJoystick), DIERR_INVALIDPARAM);
    ASSERT_EQ(k->SetDataFormat(c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(k->SetCooperativeLevel(window_, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    HANDLE event = CreateEvent(true, false);
    ASSERT_EQ(k->SetEventNotification(event), DI_OK);
    ASSERT_EQ(k->Acquire(), DI_OK);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetKeyDown(DIK_Z, true);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    uint8_t keys[256];
    ASSERT_EQ(k->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_Z], 0x80);
    EXPECT_EQ(keys[DIK_X], 0);
    // A background device keeps reading without the focus.
    SetApplicationFocus(false);
    EXPECT_EQ(k->GetDeviceState(256, keys), DI_OK);
    k->Release();
    CloseHandle(event);
}

TEST_F(DinputTest, JoystickCallsReadTheSamePads) {
    JOYCAPSA caps;
    EXPECT_EQ(joyGetDevCapsA(0, &caps, sizeof caps), JOYERR_UNPLUGGED);
    EXPECT_EQ(joyGetDevCapsA(16, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    int pad = AttachPad("stick", false);
    ASSERT_EQ(joyGetDevCapsA(uintptr_t(pad), &caps, sizeof caps), JOYERR_NOERROR);
    EXPECT_EQ(caps.wCaps & (JOYCAPS_HASZ | JOYCAPS_HASR), JOYCAPS_HASZ | JOYCAPS_HASR);
    SetPadAxis(pad, kAxisX, -32768);
    SetPadAxis(pad, kAxisRz, 32767);
    SetPadButton(pad, 3, true);
    JOYINFOEX info;
    ASSERT_EQ(joyGetPosEx(uint32_t(pad), &info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwXpos, 0u);
    EXPECT_EQ(info.dwYpos, 32768u);
    EXPECT_EQ(info.dwRpos, 65535u);
    EXPECT_EQ(info.dwButtons, 8u);
    EXPECT_EQ(info.dwButtonNumber, 1u);
    EXPECT_EQ(joyGetPosEx(16, &info), JOYERR_PARMS);
    info.dwSize = 4;
    EXPECT_EQ(joyGetPosEx(uint32_t(pad), &info), MMSYSERR_INVALPARAM);
}

TEST_F(DinputTest, SystemKeyboardStateFollowsTheKeysByVirtualKey) {
    SetKeyDown(DIK_RSHIFT, true);
    SetKeyDown(DIK_A, true);
    SetKeyDown(DIK_NUMPADENTER, true);
    SetKeyDown(DIK_YEN, true);
    uint8_t vk[256];
    ASSERT_TRUE(GetKeyboardState(vk));
    EXPECT_EQ(vk[VK_RSHIFT], 0x80);
    EXPECT_EQ(vk[VK_SHIFT], 0x80);
    EXPECT_EQ(vk[VK_LSHIFT], 0);
    EXPECT_EQ(vk['A'], 0x80);
    EXPECT_EQ(vk[VK_RETURN], 0x80);
    EXPECT_EQ(vk[VK_OEM_5], 0x80);
    EXPECT_EQ(vk['B'], 0);
}

}  // namespace
}  // namespace host_test

namespace host_test {
namespace {

using namespace host;

class TypingTest : public HostTest {};

TEST_F(TypingTest, ControlKeysTypeTheirCharactersWhenTranslated) {
    HWND w = MakeWindow();
    UpdateWindow(w);
    auto typed = [&](uint8_t vk) {
        MSG key;
        key.hwnd = w;
        key.message = WM_KEYDOWN;
        key.wParam = vk;
        TranslateMessage(&key);
        MSG m;
        return PeekMessageA(&m, w, WM_CHAR, WM_CHAR, PM_REMOVE) ? int(m.wParam) : -1;
    };
    EXPECT_EQ(typed(VK_RETURN), 13);
    EXPECT_EQ(typed(VK_BACK), 8);
    EXPECT_EQ(typed('A'), -1);  // letters come from the text input
    SetKeyDown(DIK_RCONTROL, true);
    EXPECT_EQ(typed('A'), 1);
    EXPECT_EQ(typed('Z'), 26);
    EXPECT_EQ(typed(VK_LEFT), -1);
}

TEST(CodePageTest, TextConvertsBothWaysAndBadBytesBecomeQuestionMarks) {
    const char* utf8 = reinterpret_cast<const char*>(u8"ゲーム A");
    EXPECT_EQ(Utf8ToCp932(utf8), "ゲーム A");  // the literal is code-page 932 here
    EXPECT_EQ(Cp932ToUtf8("ゲーム A"), utf8);
    EXPECT_EQ(Cp932ToUtf8("\x81"), "?");  // a lead byte without its trail
    EXPECT_EQ(Utf8ToCp932(reinterpret_cast<const char*>(u8"\U0001F600x")), "?x");
}

}  // namespace
}  // namespace host_test
