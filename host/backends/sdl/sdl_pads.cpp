#include "host/backends/sdl/sdl_pads.h"

#include <array>

#include "host/dinput/input_devices.h"

namespace host::sdl {

namespace {
struct Slot {
    SDL_GameController* controller = nullptr;
    SDL_JoystickID instance = -1;
};
std::array<Slot, kMaxPads> g_slots;

int PadOf(SDL_JoystickID instance) {
    for (size_t i = 0; i < g_slots.size(); ++i)
        if (g_slots[i].controller && g_slots[i].instance == instance) return int(i);
    return -1;
}

void Open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    SDL_GameController* c = SDL_GameControllerOpen(deviceIndex);
    if (!c) return;
    SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
    if (PadOf(id) >= 0) {
        SDL_GameControllerClose(c);
        return;
    }
    const char* name = SDL_GameControllerName(c);
    int pad = AttachPad(name ? name : "Game controller", SDL_GameControllerHasRumble(c) == SDL_TRUE);
    if (pad < 0) {
        SDL_GameControllerClose(c);
        return;
    }
    g_slots[size_t(pad)] = Slot{c, id};
}

void Close(int pad) {
    SDL_GameControllerClose(g_slots[size_t(pad)].controller);
    g_slots[size_t(pad)] = Slot{};
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

// The d-pad as a point-of-view hat, in hundredths of a degree clockwise from up.
void UpdatePov(int pad) {
    SDL_GameController* c = g_slots[size_t(pad)].controller;
    int x = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) -
            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    int y = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) -
            SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
    static const uint32_t kAngles[3][3] = {{31500, 0, 4500}, {27000, kPovCentred, 9000}, {22500, 18000, 13500}};
    SetPadPov(pad, 0, kAngles[y + 1][x + 1]);
}
}  // namespace

void OpenAttachedControllers() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) Open(i);
}

bool HandleControllerEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        Open(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (int pad = PadOf(e.cdevice.which); pad >= 0) Close(pad);
        return true;
    case SDL_CONTROLLERAXISMOTION:
        if (int pad = PadOf(e.caxis.which); pad >= 0) SetPadAxis(pad, AxisOf(e.caxis.axis), e.caxis.value);
        return true;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        int pad = PadOf(e.cbutton.which);
        if (pad < 0) return true;
        if (int b = ButtonOf(e.cbutton.button); b >= 0) SetPadButton(pad, b, e.type == SDL_CONTROLLERBUTTONDOWN);
        else UpdatePov(pad);
        return true;
    }
    default:
        return false;
    }
}

void SetControllerRumble(int pad, uint16_t low, uint16_t high, uint32_t ms) {
    if (pad < 0 || pad >= kMaxPads || !g_slots[size_t(pad)].controller) return;
    SDL_GameControllerRumble(g_slots[size_t(pad)].controller, low, high, ms);
}

void CloseControllers() {
    for (int pad = 0; pad < kMaxPads; ++pad)
        if (g_slots[size_t(pad)].controller) Close(pad);
}

}  // namespace host::sdl
