// What the keyboard and the pads report right now, fed by the backend (or by a test) and
// read by the DirectInput devices, GetKeyboardState and the joystick calls alike.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "host/sync.h"

namespace host {

constexpr int kMaxPads = 16;
constexpr uint32_t kPovCentred = 0xFFFFFFFFu;

enum PadAxis { kAxisX, kAxisY, kAxisZ, kAxisRx, kAxisRy, kAxisRz, kAxisCount };
enum PadEffectKind { kEffectConstantForce, kEffectSine, kEffectKinds };

struct PadInfo {
    bool attached = false;
    std::string instanceName;
    std::string productName;
    bool forceFeedback = false;
    std::array<int32_t, kAxisCount> axes{};  // -32768 to 32767, 0 centred
    std::array<uint32_t, 4> pov{kPovCentred, kPovCentred, kPovCentred, kPovCentred};
    std::array<uint8_t, 32> buttons{};       // 1 while held
};

// What a pad's force-feedback effects have been told.
struct PadEffectState {
    bool playing = false;
    int starts = 0;
    int stops = 0;
    int32_t magnitude = 0;
};

void SetKeyDown(uint8_t dik, bool down);
bool IsKeyDown(uint8_t dik);
void ReleaseAllKeys();
std::array<uint8_t, 256> KeyboardSnapshot();  // bit 7 set while down

// Pads take the lowest free index; -1 when 16 are attached.
int AttachPad(const std::string& name, bool forceFeedback);
void DetachPad(int pad);
void SetPadAxis(int pad, PadAxis axis, int32_t value);
void SetPadButton(int pad, int button, bool down);
void SetPadPov(int pad, int index, uint32_t hundredthsOfDegree);
PadInfo GetPadInfo(int pad);
int AttachedPadCount();

void RecordPadEffect(int pad, PadEffectKind kind, bool play, int32_t magnitude);
PadEffectState GetPadEffect(int pad, PadEffectKind kind);

// Events set whenever the keyboard (pad -1) or a pad changes, as DirectInput notifies.
void SetInputNotification(int pad, HANDLE event);

void ResetInputDevices();

}  // namespace host
