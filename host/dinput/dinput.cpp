#include "host/dinput/dinput.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/dinput/input_devices.h"
#include "host/win/window/window.h"

namespace host {

namespace {

std::atomic<bool> g_keyboardFails{false};
std::atomic<bool> g_mouseFails{false};

// The description of a system device, whose instance and product share one name.
HRESULT DescribeDevice(DIDEVICEINSTANCEA* info, std::string_view guid, const char* name) {
    if (!info) return DIERR_INVALIDPARAM;
    *info = DIDEVICEINSTANCEA{};
    std::snprintf(info->guidInstance, sizeof info->guidInstance, "%s", guid.data());
    std::snprintf(info->tszInstanceName, sizeof info->tszInstanceName, "%s", name);
    std::snprintf(info->tszProductName, sizeof info->tszProductName, "%s", name);
    return DI_OK;
}

// Acquisition and cooperative level, common to every device.
class DeviceBase : public ComObject<IDirectInputDevice> {
public:
    HRESULT SetCooperativeLevel(HWND window, uint32_t flags) override {
        bool exclusive = flags & DISCL_EXCLUSIVE, nonexclusive = flags & DISCL_NONEXCLUSIVE;
        bool fore = flags & DISCL_FOREGROUND, back = flags & DISCL_BACKGROUND;
        if (exclusive == nonexclusive || fore == back || (fore && !IsWindow(window))) return DIERR_INVALIDPARAM;
        window_ = window;
        foreground_ = fore;
        return DI_OK;
    }
    HRESULT Acquire() override {
        if (!format_) return DIERR_INVALIDPARAM;
        if (foreground_ && GetForegroundWindow() != window_) return DIERR_OTHERAPPHASPRIO;
        acquired_ = true;
        return DI_OK;
    }
    HRESULT Unacquire() override {
        bool was = acquired_;
        acquired_ = false;
        return was ? DI_OK : DI_NOEFFECT;
    }
    HRESULT SetDataFormat(DataFormat format) override {
        if (acquired_) return DIERR_INVALIDPARAM;
        if (format != accepted_) return DIERR_INVALIDPARAM;
        format_ = format;
        return DI_OK;
    }
    HRESULT SetProperty(uint32_t property, uint32_t, uint32_t, int32_t, int32_t) override {
        return property == DIPROP_BUFFERSIZE ? DI_OK : DIERR_UNSUPPORTED;
    }
    HRESULT Poll() override { return ReadyToRead(); }
    HRESULT CreateEffect(REFGUID, const DIEFFECT*, IDirectInputEffect** out, IUnknown*) override {
        if (out) *out = nullptr;
        return DIERR_UNSUPPORTED;
    }

protected:
    explicit DeviceBase(DataFormat accepted) : accepted_(accepted) {}
    // A foreground device loses its acquisition while its window is not in front.
    HRESULT ReadyToRead() {
        if (acquired_ && foreground_ && GetForegroundWindow() != window_) {
            acquired_ = false;
            return DIERR_INPUTLOST;
        }
        return acquired_ ? DI_OK : DIERR_NOTACQUIRED;
    }
    bool acquired_ = false;

private:
    DataFormat accepted_;
    int format_ = 0;
    HWND window_ = nullptr;
    bool foreground_ = false;
};

class KeyboardDevice final : public DeviceBase {
public:
    KeyboardDevice() : DeviceBase(c_dfDIKeyboard) {}
    HRESULT GetDeviceState(uint32_t size, void* data) override {
        if (size != 256 || !data) return DIERR_INVALIDPARAM;
        if (HRESULT hr = ReadyToRead(); hr != DI_OK) return hr;
        auto keys = KeyboardSnapshot();
        std::memcpy(data, keys.data(), 256);
        return DI_OK;
    }
    HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* info) override {
        return DescribeDevice(info, GUID_SysKeyboard, "Keyboard");
    }
    HRESULT SetEventNotification(HANDLE event) override {
        SetInputNotification(-1, event);
        return DI_OK;
    }
    ~KeyboardDevice() override { SetInputNotification(-1, nullptr); }
};

class MouseDevice final : public DeviceBase {
public:
    MouseDevice() : DeviceBase(c_dfDIMouse2) {}
    HRESULT GetDeviceState(uint32_t size, void* data) override {
        if (size != sizeof(DIMOUSESTATE2) || !data) return DIERR_INVALIDPARAM;
        if (HRESULT hr = ReadyToRead(); hr != DI_OK) return hr;
        *static_cast<DIMOUSESTATE2*>(data) = DIMOUSESTATE2{};
        return DI_OK;
    }
    HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* info) override { return DescribeDevice(info, GUID_SysMouse, "Mouse"); }
    HRESULT SetEventNotification(HANDLE) override { return DI_OK; }
};

class PadEffect final : public ComObject<IDirectInputEffect> {
public:
    PadEffect(int pad, PadEffectKind kind, int32_t magnitude) : pad_(pad), kind_(kind), magnitude_(magnitude) {}
    HRESULT Start(uint32_t, uint32_t) override {
        if (!GetPadInfo(pad_).attached) return DIERR_INPUTLOST;
        RecordPadEffect(pad_, kind_, true, magnitude_);
        return DI_OK;
    }
    HRESULT Stop() override {
        RecordPadEffect(pad_, kind_, false, magnitude_);
        return DI_OK;
    }

private:
    int pad_;
    PadEffectKind kind_;
    int32_t magnitude_;
};

// Maps a raw axis (-32768 to 32767) into the device's range: values inside the dead zone
// read as the centre, the rest is spread over the whole half range.
int32_t ScaleAxis(int32_t raw, int32_t lo, int32_t hi, int32_t deadZone) {
    double n = std::clamp(raw / 32767.0, -1.0, 1.0);
    double dz = std::clamp(deadZone, 0, 10000) / 10000.0;
    double mag = std::fabs(n) <= dz || dz >= 1.0 ? 0.0 : (std::fabs(n) - dz) / (1.0 - dz);
    double centre = (double(lo) + double(hi)) / 2.0;
    double half = (double(hi) - double(lo)) / 2.0;
    return int32_t(std::lround(centre + (n < 0 ? -mag : mag) * half));
}

class PadDevice final : public DeviceBase {
public:
    explicit PadDevice(int pad) : DeviceBase(c_dfDIJoystick), pad_(pad) {
        ranges_.fill({0, 65535});
        deadZones_.fill(0);
    }
    ~PadDevice() override { SetInputNotification(pad_, nullptr); }
    HRESULT SetProperty(uint32_t property, uint32_t how, uint32_t object, int32_t a, int32_t b) override {
        if (property == DIPROP_BUFFERSIZE) return DI_OK;
        if (how != DIPH_BYOFFSET || object % 4 != 0 || object > DIJOFS_RZ) return DIERR_INVALIDPARAM;
        size_t axis = object / 4;
        if (property == DIPROP_RANGE) {
            if (a >= b) return DIERR_INVALIDPARAM;
            ranges_[axis] = {a, b};
            return DI_OK;
        }
        if (property == DIPROP_DEADZONE) {
            if (a < 0 || a > 10000) return DIERR_INVALIDPARAM;
            deadZones_[axis] = a;
            return DI_OK;
        }
        return DIERR_UNSUPPORTED;
    }
    HRESULT GetDeviceState(uint32_t size, void* data) override {
        if (size != sizeof(DIJOYSTATE) || !data) return DIERR_INVALIDPARAM;
        if (HRESULT hr = ReadyToRead(); hr != DI_OK) return hr;
        PadInfo p = GetPadInfo(pad_);
        if (!p.attached) return DIERR_INPUTLOST;
        DIJOYSTATE s;
        int32_t* axes[] = {&s.lX, &s.lY, &s.lZ, &s.lRx, &s.lRy, &s.lRz};
        for (size_t i = 0; i < kAxisCount; ++i)
            *axes[i] = ScaleAxis(p.axes[i], ranges_[i][0], ranges_[i][1], deadZones_[i]);
        for (size_t i = 0; i < 4; ++i) s.rgdwPOV[i] = p.pov[i];
        for (size_t i = 0; i < 32; ++i) s.rgbButtons[i] = p.buttons[i] ? 0x80 : 0;
        *static_cast<DIJOYSTATE*>(data) = s;
        return DI_OK;
    }
    HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* info) override {
        if (!info) return DIERR_INVALIDPARAM;
        return Describe(pad_, info) ? DI_OK : DIERR_INPUTLOST;
    }
    HRESULT SetEventNotification(HANDLE event) override {
        SetInputNotification(pad_, event);
        return DI_OK;
    }
    HRESULT CreateEffect(REFGUID kind, const DIEFFECT* effect, IDirectInputEffect** out, IUnknown* outer) override {
        if (!out || !effect || outer) return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (!GetPadInfo(pad_).forceFeedback) return DIERR_UNSUPPORTED;
        if (kind == GUID_ConstantForce) *out = new PadEffect(pad_, kEffectConstantForce, effect->magnitude);
        else if (kind == GUID_Sine) *out = new PadEffect(pad_, kEffectSine, effect->magnitude);
        else return DIERR_DEVICENOTREG;
        return DI_OK;
    }
    static bool Describe(int pad, DIDEVICEINSTANCEA* info) {
        if (pad < 0 || pad >= kMaxPads) return false;
        PadInfo p = GetPadInfo(pad);
        if (!p.attached) return false;
        *info = DIDEVICEINSTANCEA{};
        std::snprintf(info->guidInstance, sizeof info->guidInstance, "Joypad%d", pad);
        info->dwDevType = DI8DEVCLASS_GAMECTRL;
        std::snprintf(info->tszInstanceName, sizeof info->tszInstanceName, "%s", p.instanceName.c_str());
        std::snprintf(info->tszProductName, sizeof info->tszProductName, "%s", p.productName.c_str());
        return true;
    }

private:
    int pad_;
    std::array<std::array<int32_t, 2>, kAxisCount> ranges_;
    std::array<int32_t, kAxisCount> deadZones_;
};

int PadFromGuid(REFGUID guid) {
    constexpr std::string_view prefix = "Joypad";
    if (guid.substr(0, prefix.size()) != prefix) return -1;
    int n = 0;
    for (char c : guid.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n >= kMaxPads) return -1;
    }
    return guid.size() > prefix.size() ? n : -1;
}

class DirectInput final : public ComObject<IDirectInput> {
public:
    explicit DirectInput(uint32_t version) : version_(version) {}
    HRESULT Initialize(HINSTANCE, uint32_t version) override {
        if (version != version_) return DIERR_INVALIDPARAM;
        initialised_ = true;
        return DI_OK;
    }
    HRESULT CreateDevice(REFGUID guid, IDirectInputDevice** out, IUnknown* outer) override {
        if (!out || outer) return DIERR_INVALIDPARAM;
        *out = nullptr;
        if (!initialised_) return DIERR_NOTINITIALIZED;
        if (guid == GUID_SysKeyboard) {
            if (g_keyboardFails) return E_FAIL;
            *out = new KeyboardDevice();
        } else if (guid == GUID_SysMouse) {
            if (g_mouseFails) return E_FAIL;
            *out = new MouseDevice();
        } else {
            int pad = PadFromGuid(guid);
            if (pad < 0 || !GetPadInfo(pad).attached) return DIERR_DEVICENOTREG;
            *out = new PadDevice(pad);
        }
        return DI_OK;
    }
    HRESULT CreateDeviceEx(REFGUID guid, REFIID iid, IDirectInputDevice** out, IUnknown* outer) override {
        if (iid != IID_IDirectInputDevice7A) return E_NOINTERFACE;
        return CreateDevice(guid, out, outer);
    }
    HRESULT EnumDevices(uint32_t, LPDIENUMDEVICESCALLBACKA callback, void* ref, uint32_t) override {
        if (!callback) return DIERR_INVALIDPARAM;
        if (!initialised_) return DIERR_NOTINITIALIZED;
        for (int pad = 0; pad < kMaxPads; ++pad) {
            DIDEVICEINSTANCEA info;
            if (!PadDevice::Describe(pad, &info)) continue;
            if (callback(&info, ref) == DIENUM_STOP) break;
        }
        return DI_OK;
    }

private:
    uint32_t version_;
    bool initialised_ = false;
};

HRESULT Create(REFIID iid, REFIID wanted, uint32_t version, void** object) {
    if (iid != wanted) return E_NOINTERFACE;
    *object = static_cast<IDirectInput*>(new DirectInput(version));
    return S_OK;
}

}  // namespace

HRESULT CreateDirectInput7(REFIID iid, void** object) { return Create(iid, IID_IDirectInput7A, 0x0700, object); }
HRESULT CreateDirectInput8(REFIID iid, void** object) { return Create(iid, IID_IDirectInput8A, 0x0800, object); }

void SetSystemDeviceFails(REFGUID guid, bool fails) {
    if (guid == GUID_SysKeyboard) g_keyboardFails = fails;
    if (guid == GUID_SysMouse) g_mouseFails = fails;
}

}  // namespace host
