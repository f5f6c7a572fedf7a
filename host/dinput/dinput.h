// DirectInput 7 and 8 over the shared device state: the system keyboard and mouse, the
// attached pads with ranges, dead zones and force-feedback effects, acquisition that a
// foreground device loses with the window's activation, and data events.
#pragma once
#include <cstdint>
#include <string_view>

#include "host/sync.h"
#include "host/win/system/com.h"
#include "host/win/system/types.h"

namespace host {

using REFGUID = std::string_view;
// Device and effect ids.
inline constexpr std::string_view GUID_SysKeyboard = "SysKeyboard", GUID_SysMouse = "SysMouse",
                                  GUID_ConstantForce = "ConstantForce", GUID_Sine = "Sine";
// Class and interface ids for CoCreateInstance.
inline constexpr std::string_view CLSID_DirectInput = "DirectInput", CLSID_DirectInput8 = "DirectInput8",
                                  IID_IDirectInput7A = "IDirectInput7A", IID_IDirectInput8A = "IDirectInput8A",
                                  IID_IDirectInputDevice7A = "IDirectInputDevice7A";

constexpr HRESULT DI_OK = 0, DI_NOEFFECT = 1, DI_POLLEDDEVICE = 2;
constexpr HRESULT DIERR_OTHERAPPHASPRIO = HRESULT(0x80070005u), DIERR_NOTACQUIRED = HRESULT(0x8007000Cu),
                  DIERR_NOTINITIALIZED = HRESULT(0x80070015u), DIERR_INPUTLOST = HRESULT(0x8007001Eu),
                  DIERR_INVALIDPARAM = HRESULT(0x80070057u), DIERR_UNSUPPORTED = HRESULT(0x80004001u),
                  DIERR_DEVICENOTREG = HRESULT(0x80040154u), DIERR_NOTEXCLUSIVEACQUIRED = HRESULT(0x80040205u);

constexpr uint32_t DISCL_EXCLUSIVE = 1, DISCL_NONEXCLUSIVE = 2, DISCL_FOREGROUND = 4, DISCL_BACKGROUND = 8;
constexpr uint32_t DI8DEVCLASS_GAMECTRL = 4, DIEDFL_ATTACHEDONLY = 1;
constexpr int DIENUM_STOP = 0, DIENUM_CONTINUE = 1;

// Data formats the devices accept.
enum DataFormat { c_dfDIKeyboard = 1, c_dfDIMouse2, c_dfDIJoystick };
// Properties: by device (how 0) or by the offset of an object in the joystick state (how 1).
constexpr uint32_t DIPROP_BUFFERSIZE = 1, DIPROP_RANGE = 4, DIPROP_DEADZONE = 5;
constexpr uint32_t DIPH_DEVICE = 0, DIPH_BYOFFSET = 1;
constexpr uint32_t DIJOFS_X = 0, DIJOFS_Y = 4, DIJOFS_Z = 8, DIJOFS_RX = 12, DIJOFS_RY = 16, DIJOFS_RZ = 20;

// The 80-byte joystick state.
struct DIJOYSTATE {
    int32_t lX = 0, lY = 0, lZ = 0, lRx = 0, lRy = 0, lRz = 0;
    int32_t rglSlider[2]{};
    uint32_t rgdwPOV[4]{};
    uint8_t rgbButtons[32]{};
};
static_assert(sizeof(DIJOYSTATE) == 80);

struct DIMOUSESTATE2 {
    int32_t lX = 0, lY = 0, lZ = 0;
    uint8_t rgbButtons[8]{};
};

struct DIDEVICEINSTANCEA {
    char guidInstance[16]{};
    uint32_t dwDevType = 0;
    char tszInstanceName[260]{};
    char tszProductName[260]{};
};

// An effect's parameters as the engine gives them: magnitude 0 to 10000 and, for a
// periodic effect, its period in microseconds.
struct DIEFFECT {
    int32_t magnitude = 0;
    uint32_t period = 0;
    uint32_t duration = 0xFFFFFFFFu;  // INFINITE
    uint32_t gain = 10000;
};

struct IDirectInputEffect : IUnknown {
    virtual HRESULT Start(uint32_t iterations, uint32_t flags) = 0;
    virtual HRESULT Stop() = 0;
};

struct IDirectInputDevice : IUnknown {
    virtual HRESULT SetDataFormat(DataFormat format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, uint32_t flags) = 0;
    virtual HRESULT SetProperty(uint32_t property, uint32_t how, uint32_t object, int32_t a, int32_t b) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    virtual HRESULT Poll() = 0;
    virtual HRESULT GetDeviceState(uint32_t size, void* data) = 0;
    virtual HRESULT GetDeviceInfo(DIDEVICEINSTANCEA* info) = 0;
    virtual HRESULT SetEventNotification(HANDLE event) = 0;
    virtual HRESULT CreateEffect(REFGUID kind, const DIEFFECT* effect, IDirectInputEffect** out, IUnknown* outer) = 0;
};

using LPDIENUMDEVICESCALLBACKA = int (*)(const DIDEVICEINSTANCEA* instance, void* ref);

struct IDirectInput : IUnknown {
    virtual HRESULT Initialize(HINSTANCE instance, uint32_t version) = 0;
    virtual HRESULT CreateDevice(REFGUID guid, IDirectInputDevice** out, IUnknown* outer) = 0;
    // Version 7's creation call; the interface id must be IID_IDirectInputDevice7A.
    virtual HRESULT CreateDeviceEx(REFGUID guid, REFIID iid, IDirectInputDevice** out, IUnknown* outer) = 0;
    virtual HRESULT EnumDevices(uint32_t type, LPDIENUMDEVICESCALLBACKA callback, void* ref, uint32_t flags) = 0;
};

// The DirectInput classes for the COM registry.
HRESULT CreateDirectInput7(REFIID iid, void** object);
HRESULT CreateDirectInput8(REFIID iid, void** object);

// Tests make the system keyboard or mouse fail to be created.
void SetSystemDeviceFails(REFGUID guid, bool fails);

}  // namespace host
