#include "host/backends/sdl/sdl_pads.h"

#include <array>

#include "host/dinput/input_devices.h"

namespace host::sdl {

namespace {
// A pad is either a game controller SDL has a mapping for, read through its named sticks
// and buttons, or a plain joystick, read axis by axis, button by button and hat by hat.
// The left stick (or first two axes) and the d-pad (or first hat) are kept apart, since
// both steer X and Y.
struct Slot {
    SDL_GameController* controller = nullptr;
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID instance = -1;
    std::array<int32_t, 2> stick{};
    std::array<int, 2> dpad{};
    bool used() const { return controller || joystick; }
};
std::array<Slot, kMaxPads> g_slots;

int PadOf(SDL_JoystickID instance) {
    for (size_t i = 0; i < g_slots.size(); ++i)
        if (g_slots[i].used() && g_slots[i].instance == instance) return int(i);
    return -1;
}

// The pad of a plain joystick only: a game controller's joystick sends these events too,
// and its pad reads them through the controller's mapping instead.
int JoystickPadOf(SDL_JoystickID instance) {
    int pad = PadOf(instance);
    return pad >= 0 && g_slots[size_t(pad)].joystick ? pad : -1;
}

void Occupy(const char* name, bool rumble, Slot slot) {
    int pad = AttachPad(name ? name : "Game controller", rumble);
    if (pad >= 0) {
        g_slots[size_t(pad)] = slot;
        return;
    }
    if (slot.controller) SDL_GameControllerClose(slot.controller);
    if (slot.joystick) SDL_JoystickClose(slot.joystick);
}

void OpenController(int deviceIndex, SDL_JoystickID id) {
    SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
    if (!c) return;
    Occupy(SDL_GameControllerName(c), SDL_GameControllerHasRumble(c) == SDL_TRUE, Slot{c, nullptr, id});
}

void OpenJoystick(int deviceIndex, SDL_JoystickID id) {
    SDL_Joystick* j = SDL_JoystickOpen(deviceIndex);
    if (!j) return;
    Occupy(SDL_JoystickName(j), SDL_JoystickHasRumble(j) == SDL_TRUE, Slot{nullptr, j, id});
}

void Open(int deviceIndex) {
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || PadOf(id) >= 0) return;
    if (SDL_IsGameController(deviceIndex)) OpenController(deviceIndex, id);
    else OpenJoystick(deviceIndex, id);
}

void Close(int pad) {
    Slot& s = g_slots[size_t(pad)];
    if (s.controller) SDL_GameControllerClose(s.controller);
    if (s.joystick) SDL_JoystickClose(s.joystick);
    s = Slot{};
    DetachPad(pad);
}

// Sticks as X/Y (left) and Z/Rz (right), triggers as Rx/Ry, the way pads commonly
// report themselves to DirectInput.
PadAxis AxisOf(uint8_t axis) {
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX: return kAxisX;
    case SDL_CONTROLLER_AXIS_LEFTY: return kAxisY;
    case SDL_CONTROLLER_AXIS_RIGHTX: return kAxisZ;
    case SDL_CONTROLLER_AXIS_RIGHTY: return kAxisRz;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT: return kAxisRx;
    default: return kAxisRy;
    }
}

// A, B, X, Y, shoulders, back, start, stick presses, guide: buttons 0 to 10.
int ButtonOf(uint8_t button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return 0;
    case SDL_CONTROLLER_BUTTON_B: return 1;
    case SDL_CONTROLLER_BUTTON_X: return 2;
    case SDL_CONTROLLER_BUTTON_Y: return 3;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return 4;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return 5;
    case SDL_CONTROLLER_BUTTON_BACK: return 6;
    case SDL_CONTROLLER_BUTTON_START: return 7;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK: return 8;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return 9;
    case SDL_CONTROLLER_BUTTON_GUIDE: return 10;
    default: return -1;
    }
}

// A hat direction (x, y each -1, 0 or 1, y down) in hundredths of a degree clockwise
// from up.
uint32_t PovAngle(int x, int y) {
    static const uint32_t kAngles[3][3] = {{31500, 0, 4500}, {27000, kPovCentred, 9000}, {22500, 18000, 13500}};
    return kAngles[y + 1][x + 1];
}

// X and Y follow the stick, except on an axis the d-pad is pressed along, which reads as
// the stick pushed all the way: players steer with either, as pads that report their
// d-pad as axes do.
void PublishSteering(int pad) {
    const Slot& s = g_slots[size_t(pad)];
    for (size_t i = 0; i < 2; ++i) {
        const int32_t value = s.dpad[i] < 0 ? -32768 : s.dpad[i] > 0 ? 32767 : s.stick[i];
        SetPadAxis(pad, i == 0 ? kAxisX : kAxisY, value);
    }
}

void SetStick(int pad, size_t axis, int32_t value) {
    g_slots[size_t(pad)].stick[axis] = value;
    PublishSteering(pad);
}

// The first hat: the point-of-view value, and a direction on X and Y.
void SetDpad(int pad, int x, int y) {
    SetPadPov(pad, 0, PovAngle(x, y));
    g_slots[size_t(pad)].dpad = {x, y};
    PublishSteering(pad);
}

void UpdateControllerDpad(int pad) {
    SDL_GameController* c = g_slots[size_t(pad)].controller;
    SetDpad(pad,
            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) -
                SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT),
            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) -
                SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP));
}

void SetAxis(int pad, PadAxis axis, int32_t value) {
    if (axis == kAxisX || axis == kAxisY) SetStick(pad, axis == kAxisX ? 0 : 1, value);
    else SetPadAxis(pad, axis, value);
}

bool HandleControllerOnly(const SDL_Event& e) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        Open(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (int pad = PadOf(e.cdevice.which); pad >= 0) Close(pad);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        if (int pad = PadOf(e.caxis.which); pad >= 0) SetAxis(pad, AxisOf(e.caxis.axis), e.caxis.value);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        int pad = PadOf(e.cbutton.which);
        if (pad < 0) return true;
        if (int b = ButtonOf(e.cbutton.button); b >= 0) SetPadButton(pad, b, e.type == SDL_CONTROLLERBUTTONDOWN);
        else UpdateControllerDpad(pad);
        return true;
    }
    default:
        return false;
    }
}

// A plain joystick: axes in DirectInput's order X, Y, Z, Rx, Ry, Rz, buttons and hats in
// SDL's order; what lies beyond the pad record's fields is dropped.
bool HandleJoystickOnly(const SDL_Event& e) {
    switch (e.type) {
    case SDL_JOYDEVICEADDED:
        Open(e.jdevice.which);
        return true;
    case SDL_JOYDEVICEREMOVED:
        if (int pad = JoystickPadOf(e.jdevice.which); pad >= 0) Close(pad);
        return true;
    case SDL_JOYAXISMOTION:
        if (int pad = JoystickPadOf(e.jaxis.which); pad >= 0 && e.jaxis.axis < kAxisCount)
            SetAxis(pad, PadAxis(e.jaxis.axis), e.jaxis.value);
        return true;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (int pad = JoystickPadOf(e.jbutton.which); pad >= 0)
            SetPadButton(pad, e.jbutton.button, e.type == SDL_JOYBUTTONDOWN);
        return true;
    case SDL_JOYHATMOTION:
        if (int pad = JoystickPadOf(e.jhat.which); pad >= 0) {
            const int x = (e.jhat.value & SDL_HAT_RIGHT ? 1 : 0) - (e.jhat.value & SDL_HAT_LEFT ? 1 : 0);
            const int y = (e.jhat.value & SDL_HAT_DOWN ? 1 : 0) - (e.jhat.value & SDL_HAT_UP ? 1 : 0);
            if (e.jhat.hat == 0) SetDpad(pad, x, y);
            else SetPadPov(pad, e.jhat.hat, PovAngle(x, y));
        }
        return true;
    default:
        return false;
    }
}
}  // namespace

void OpenAttachedControllers() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) Open(i);
}

bool HandleControllerEvent(const SDL_Event& e) {
    return HandleControllerOnly(e) || HandleJoystickOnly(e);
}

void SetControllerRumble(int pad, uint16_t low, uint16_t high, uint32_t ms) {
    if (pad < 0 || pad >= kMaxPads) return;
    const Slot& s = g_slots[size_t(pad)];
    if (s.controller) SDL_GameControllerRumble(s.controller, low, high, ms);
    else if (s.joystick) SDL_JoystickRumble(s.joystick, low, high, ms);
}

void CloseControllers() {
    for (int pad = 0; pad < kMaxPads; ++pad)
        if (g_slots[size_t(pad)].used()) Close(pad);
}

}  // namespace host::sdl
