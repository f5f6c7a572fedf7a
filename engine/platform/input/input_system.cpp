// Starting and stopping input: DirectInput 7, else 8, else the system calls; the
// keyboard, mouse and joypad devices.
#include <cstring>

#include "engine/platform/input/input.h"
#include "engine/platform/base/log.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/platform/startup/timing.h"
#include "engine/platform/window/window.h"
#include "host/win/window/window.h"

namespace orvik {

namespace {
InputSystemState g_input;

constexpr uint32_t kBackgroundShared = host::DISCL_NONEXCLUSIVE | host::DISCL_BACKGROUND;  // 10
constexpr uint32_t kForegroundExclusive = host::DISCL_EXCLUSIVE | host::DISCL_FOREGROUND;  // 5

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

void CloseEvent(host::HANDLE& event) {
    if (event) host::CloseHandle(event);
    event = nullptr;
}

host::HRESULT CreateDevice(std::string_view guid, host::IDirectInputDevice** out) {
    auto& in = g_input;
    if (in.directInput8) return in.directInput->CreateDevice(guid, out, nullptr);
    return in.directInput->CreateDeviceEx(guid, host::IID_IDirectInputDevice7A, out, nullptr);
}

// Creates and initialises one DirectInput version through COM; logs as it goes.
bool TryDirectInput(std::string_view clsid, std::string_view iid, uint32_t version) {
    auto& in = g_input;
    void* object = nullptr;
    auto create = Libraries().CoCreateInstance;
    host::HRESULT hr = create ? create(clsid, nullptr, host::CLSCTX_INPROC_SERVER, iid, &object)
                              : host::REGDB_E_CLASSNOTREG;
    if (host::FAILED(hr)) {
        AddLogText("取得に失敗。\n");
        AddLogFormat("エラーコード 0x%x", unsigned(hr));
        return false;
    }
    auto* di = static_cast<host::IDirectInput*>(object);
    AddLogText("成功\n");
    IncLogIndent();
    AddLogText("引き続き初期化処理... ");
    hr = di->Initialize(Window().rt.instance, version);
    DecLogIndent();
    if (host::FAILED(hr)) {
        AddLogText("初期化に失敗。");
        di->Release();
        return false;
    }
    AddLogText("初期化成功\n");
    in.directInput = di;
    return true;
}

// The mouse is not read by the engine; a mouse that cannot be set up is left out.
void InitMouse() {
    auto& in = g_input;
    AddLogText("マウスデバイスの初期化... ");
    if (host::FAILED(CreateDevice(host::GUID_SysMouse, &in.mouse))) {
        AddLogText("マウスデバイスの取得に失敗しました\n");
        return;
    }
    const char* failure = nullptr;
    if (host::FAILED(in.mouse->SetDataFormat(host::c_dfDIMouse2)))
        failure = "マウスデバイスのデータ形式の設定に失敗しました\n";
    else if (host::FAILED(in.mouse->SetCooperativeLevel(Window().rt.mainWindow, kBackgroundShared)))
        failure = "マウスデバイスの協調レベルの設定に失敗しました\n";
    if (failure) {
        AddLogText(failure);
        ReleaseObject(in.mouse);
        return;
    }
    AddLogText("初期化成功\n");
}

// A keyboard device that cannot be set up is left out: the keyboard is then read through
// the system keyboard state. Only a failed data event fails the start (-1).
int InitKeyboard() {
    auto& in = g_input;
    AddLogText("キーボードデバイスの初期化... ");
    if (host::FAILED(CreateDevice(host::GUID_SysKeyboard, &in.keyboard))) {
        AddLogText("キーボードデバイスの取得に失敗しました\n");
        return 0;
    }
    const char* failure = nullptr;
    if (host::FAILED(in.keyboard->SetDataFormat(host::c_dfDIKeyboard)))
        failure = "キーボードデバイスのデータ形式の設定に失敗しました\n";
    else if (host::FAILED(in.keyboard->SetCooperativeLevel(Window().rt.mainWindow, kBackgroundShared)))
        failure = "キーボードデバイスの協調レベルの設定に失敗しました\n";
    if (failure) {
        AddLogText(failure);
        ReleaseObject(in.keyboard);
        return 0;
    }
    if (host::FAILED(in.keyboard->SetProperty(host::DIPROP_BUFFERSIZE, host::DIPH_DEVICE, 0, 100, 0)))
        AddLogText("キーボードのプロパティ設定に失敗しました\n");
    in.keyboardEvent = host::CreateEvent(true, false);
    host::HRESULT hr = in.keyboardEvent ? in.keyboard->SetEventNotification(in.keyboardEvent) : host::E_FAIL;
    if (hr != host::DI_OK && hr != host::DI_POLLEDDEVICE) {
        AddLogText("キーボードイベントのセットアップが失敗しました\n");
        return -1;
    }
    if (host::FAILED(in.keyboard->Acquire()) && host::FAILED(in.keyboard->Acquire()))
        AddLogText("キーボードデバイスの取得に失敗しました\n");
    AddLogText("初期化成功\n");
    in.lastKeyboardRefresh = uint32_t(GetNowMilliseconds());
    return 0;
}

void ReleaseKeyboardAndMouse() {
    auto& in = g_input;
    if (in.keyboard) {
        in.keyboard->Unacquire();
        in.keyboard->SetEventNotification(nullptr);
    }
    ReleaseObject(in.keyboard);
    CloseEvent(in.keyboardEvent);
    if (in.mouse) in.mouse->Unacquire();
    ReleaseObject(in.mouse);
}

// Without DirectInput: the multimedia joystick ids that answer, up to the first that
// does not.
void InitSystemInput() {
    auto& in = g_input;
    IncLogIndent();
    int answered = 0;
    for (int id = 0; id < kMaxJoypads; ++id) {
        host::JOYCAPSA caps;
        auto getCaps = Libraries().joyGetDevCapsA;
        if (!getCaps || getCaps(uintptr_t(id), &caps, sizeof caps) != host::JOYERR_NOERROR) break;
        if ((caps.wCaps & host::JOYCAPS_HASZ) && (caps.wCaps & host::JOYCAPS_HASR)) in.pads[size_t(id)].hasZAndR = 1;
        ++answered;
    }
    AddLogFormat("パッドの数は %d 個です", answered);
    DecLogIndent();
    in.mode = kInputSystem;
    AddLogText("入力関連の初期化をしました\n");
    in.padCount = kMaxJoypads;
}

int EnumJoypadCallback(const host::DIDEVICEINSTANCEA* instance, void*);

void SetAxis(host::IDirectInputDevice* device, uint32_t offset, const char* rangeFailure, const char* zoneFailure) {
    if (host::FAILED(device->SetProperty(host::DIPROP_RANGE, host::DIPH_BYOFFSET, offset, -1000, 1000)) && rangeFailure)
        AddLogText(rangeFailure);
    if (host::FAILED(device->SetProperty(host::DIPROP_DEADZONE, host::DIPH_BYOFFSET, offset, 3500, 0)) && zoneFailure)
        AddLogText(zoneFailure);
}

int EnumJoypadCallback(const host::DIDEVICEINSTANCEA* instance, void*) {
    auto& in = g_input;
    if (in.padCount >= kMaxJoypads) return host::DIENUM_STOP;
    AddLogText("入力装置を見つけました\n");
    PadRecord& pad = in.pads[size_t(in.padCount)];
    pad = PadRecord{};
    if (host::FAILED(CreateDevice(instance->guidInstance, &pad.device))) {
        AddLogText("入力装置の取得に失敗しました\n");
        return host::DIENUM_CONTINUE;
    }
    host::DIDEVICEINSTANCEA info;
    if (host::SUCCEEDED(pad.device->GetDeviceInfo(&info))) {
        std::memcpy(pad.instanceName, info.tszInstanceName, sizeof pad.instanceName);
        std::memcpy(pad.productName, info.tszProductName, sizeof pad.productName);
    }
    IncLogIndent();
    AddLogFormat("デバイスの登録名:%s", pad.instanceName);
    AddLogFormat("デバイスの製品登録名:%s", pad.productName);
    DecLogIndent();
    if (host::FAILED(pad.device->SetDataFormat(host::c_dfDIJoystick))) {
        ReleaseObject(pad.device);
        AddLogText("ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
        return host::DIENUM_CONTINUE;
    }
    if (host::FAILED(pad.device->SetCooperativeLevel(Window().rt.mainWindow, kForegroundExclusive)))
        AddLogText("ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
    SetAxis(pad.device, host::DIJOFS_X, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n",
            "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n");
    SetAxis(pad.device, host::DIJOFS_Y, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n",
            "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n");
    for (uint32_t offset : {host::DIJOFS_Z, host::DIJOFS_RX, host::DIJOFS_RY, host::DIJOFS_RZ})
        SetAxis(pad.device, offset, nullptr, nullptr);
    host::DIEFFECT sine{10000, 1500000};
    host::DIEFFECT constant{10000, 0};
    if (host::FAILED(pad.device->CreateEffect(host::GUID_Sine, &sine, &pad.sine, nullptr))) pad.sine = nullptr;
    if (host::FAILED(pad.device->CreateEffect(host::GUID_ConstantForce, &constant, &pad.constantForce, nullptr))) {
        pad.constantForce = nullptr;
        AddLogText("周期的エフェクトの作成に失敗しました。\n");
    }
    pad.event = host::CreateEvent(true, false);
    host::HRESULT hr = pad.event ? pad.device->SetEventNotification(pad.event) : host::E_FAIL;
    if (hr != host::DI_OK && hr != host::DI_POLLEDDEVICE) {
        AddLogText("ジョイパッドイベントのセットアップが失敗しました\n");
        ReleaseObject(pad.sine);
        ReleaseObject(pad.constantForce);
        ReleaseObject(pad.device);
        CloseEvent(pad.event);
        return host::DIENUM_CONTINUE;
    }
    pad.device->Acquire();
    pad.state = host::DIJOYSTATE{};
    ++in.padCount;
    AddLogText("ジョイパッドの追加は正常に終了しました\n");
    return in.padCount < kMaxJoypads ? host::DIENUM_CONTINUE : host::DIENUM_STOP;
}
}  // namespace

InputSystemState& Input() { return g_input; }

void ResetInputState() {
    if (g_input.mode == kInputDirect) TerminateInputSystem();
    g_input = InputSystemState{};
}

int InitInputSystem() {
    auto& in = g_input;
    if (in.mode != kInputStopped || in.starting) return 0;
    {
        InputSystemState fresh;
        fresh.noDirectInput = in.noDirectInput;
        fresh.map = in.map;
        fresh.mapSet = in.mapSet;
        in = fresh;
    }
    in.starting = 1;
    bool direct = false;
    if (!in.noDirectInput) {
        AddLogText("DirectInput関係初期化処理\n");
        IncLogIndent();
        AddLogText("DirectInput7 の取得中... ");
        direct = TryDirectInput(host::CLSID_DirectInput, host::IID_IDirectInput7A, 0x0700);
        if (!direct) {
            AddLogText("DirectInput8 の取得を試みます...");
            direct = TryDirectInput(host::CLSID_DirectInput8, host::IID_IDirectInput8A, 0x0800);
            in.directInput8 = direct;
        }
        DecLogIndent();
        if (!direct) {
            AddLogText("DirectInput を使用しません。\n");
            in.noDirectInput = 1;
        }
    }
    if (direct) {
        in.mode = kInputDirect;
        host::BringWindowToTop(Window().rt.mainWindow);
        PumpMessagesCore();
        InitJoypad();
        InitMouse();
        if (InitKeyboard() != 0) {
            ReleaseKeyboardAndMouse();
            ReleaseJoypads();
            ReleaseObject(in.directInput);
            in.mode = kInputStopped;
            in.starting = 0;
            return -1;
        }
        AddLogText("DirectInput 関連の初期化は正常に終了しました\n");
    } else {
        InitSystemInput();
    }
    if (!in.mapSet) {
        in.mapSet = 1;
        WriteDefaultKeyPadMap(in.map);
    }
    in.starting = 0;
    return 0;
}

int TerminateInputSystem() {
    auto& in = g_input;
    if (in.mode == kInputStopped) return 0;
    if (in.mode == kInputSystem) {
        AddLogText("入力関連の終了処理... 完了\n");
        in.mode = kInputStopped;
        return 0;
    }
    AddLogText("DirectInput 関連の終了処理... 完了\n");
    ReleaseJoypads();
    ReleaseKeyboardAndMouse();
    ReleaseObject(in.directInput);
    in.mode = kInputStopped;
    return 0;
}

int InitJoypad() {
    auto& in = g_input;
    if (in.mode != kInputDirect) return -1;
    ReleaseJoypads();
    in.directInput->EnumDevices(host::DI8DEVCLASS_GAMECTRL, EnumJoypadCallback, nullptr, host::DIEDFL_ATTACHEDONLY);
    return 0;
}

int ReleaseJoypads() {
    auto& in = g_input;
    if (in.mode != kInputDirect) return -1;
    for (PadRecord& pad : in.pads) {
        if (pad.device) {
            pad.device->Unacquire();
            pad.device->SetEventNotification(nullptr);
        }
        ReleaseObject(pad.sine);
        ReleaseObject(pad.constantForce);
        ReleaseObject(pad.device);
        CloseEvent(pad.event);
        pad = PadRecord{};
    }
    in.padCount = 0;
    return 0;
}

int ReacquireInputDevices() {
    auto& in = g_input;
    if (in.mode != kInputDirect) return 0;
    bool active = Window().rt.active != 0;
    for (int i = 0; i < in.padCount; ++i) {
        host::IDirectInputDevice* d = in.pads[size_t(i)].device;
        if (!d) continue;
        d->Unacquire();
        d->SetCooperativeLevel(Window().rt.mainWindow, active ? kForegroundExclusive : kBackgroundShared);
        d->Acquire();
    }
    if (in.keyboard) {
        in.keyboard->Unacquire();
        in.keyboard->Acquire();
    }
    return 0;
}

int SetInputMsgFlagAOn() { return g_input.messageFlagA = 1, 0; }
int SetInputMsgFlagAOff() { return g_input.messageFlagA = 0, 0; }
int SetInputMsgFlagBOn() { return g_input.messageFlagB = 1, 0; }
int SetInputMsgFlagBOff() { return g_input.messageFlagB = 0, 0; }

}  // namespace orvik
