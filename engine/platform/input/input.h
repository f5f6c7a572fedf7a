// Keyboard and joypads: DirectInput 7, else 8, else the system keyboard state and the
// multimedia joystick calls; the key-to-pad map; vibration timed by the message pump.
#pragma once
#include <array>
#include <cstdint>

#include "host/dinput/dinput.h"

namespace orvik {

constexpr int kMaxJoypads = 16;
constexpr int kPadMapBits = 32;
constexpr int kPadMapKeys = 4;

struct PadRecord {
    host::IDirectInputDevice* device = nullptr;
    host::IDirectInputEffect* constantForce = nullptr;
    host::IDirectInputEffect* sine = nullptr;
    host::HANDLE event = nullptr;
    host::DIJOYSTATE state;
    int32_t hasZAndR = 0;
    uint32_t lastPoll = 0;
    int32_t vibrationOn = 0;
    int32_t vibrationPower = 10000;
    int32_t vibrationDuration = 0;
    int32_t vibrationElapsed = 0;
    uint32_t lastStep = 0;
    int32_t constantRunning = 0;
    int32_t sineRunning = 0;
    char instanceName[260] = {};
    char productName[260] = {};
};

using KeyPadMap = std::array<std::array<std::array<int32_t, kPadMapKeys>, kPadMapBits>, kMaxJoypads>;

// Input started: 0 not yet, 1 with DirectInput, -1 without it.
enum InputMode : int32_t { kInputStopped = 0, kInputDirect = 1, kInputSystem = -1 };

struct InputSystemState {
    int32_t noDirectInput = 0;  // kept over the clear at start
    int32_t mode = kInputStopped;
    host::IDirectInput* directInput = nullptr;
    int32_t directInput8 = 0;
    host::IDirectInputDevice* mouse = nullptr;
    host::IDirectInputDevice* keyboard = nullptr;
    host::HANDLE keyboardEvent = nullptr;
    uint32_t lastKeyboardRefresh = 0;
    std::array<uint8_t, 256> keys{};
    int32_t padCount = 0;
    std::array<PadRecord, kMaxJoypads> pads{};
    KeyPadMap map{};       // kept
    int32_t mapSet = 0;    // kept
    int32_t starting = 0;
    int32_t refreshing = 0;
    int32_t messageFlagA = 0, messageFlagB = 0;  // window messages 0x46F and 0x470
};

InputSystemState& Input();
// Releases every device and clears everything, the kept values too (tests).
void ResetInputState();

int InitInputSystem();
int TerminateInputSystem();
int InitJoypad();
int ReleaseJoypads();
int UpdateKeyboardState();
int UpdateJoypadState(int index);
int ProcessJoypadEffectTimers();
int UpdateJoypadEffects();
int ReacquireInputDevices();
int SetInputMsgFlagAOn();
int SetInputMsgFlagAOff();
int SetInputMsgFlagBOn();
int SetInputMsgFlagBOff();

// The system keyboard state by virtual key, turned into DirectInput codes.
void ConvertSystemKeyboardState(const uint8_t* virtualKeys, std::array<uint8_t, 256>& keys);
// Pad 1's defaults: a complete keyboard layout; every other entry none.
void WriteDefaultKeyPadMap(KeyPadMap& map);
// A multimedia joystick axis position (0 to 65535) as -1000 to 1000.
int32_t JoystickAxisValue(uint32_t position);

}  // namespace orvik
