#include "host/dinput/joystick.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace host {

namespace {
uint32_t Position(int32_t raw) { return uint32_t(raw + 32768); }

// The virtual keys a key sets, for a Japanese keyboard: the generic SHIFT, CONTROL and
// ALT keys follow either side.
struct KeyPair {
    uint8_t dik, vk;
};
constexpr KeyPair kNamedKeys[] = {
    {DIK_ESCAPE, VK_ESCAPE}, {DIK_BACK, VK_BACK}, {DIK_TAB, VK_TAB}, {DIK_RETURN, VK_RETURN},
    {DIK_NUMPADENTER, VK_RETURN}, {DIK_SPACE, VK_SPACE}, {DIK_LSHIFT, VK_LSHIFT},
    {DIK_RSHIFT, VK_RSHIFT}, {DIK_LCONTROL, VK_LCONTROL}, {DIK_RCONTROL, VK_RCONTROL},
    {DIK_LMENU, VK_LMENU}, {DIK_RMENU, VK_RMENU}, {DIK_LSHIFT, VK_SHIFT}, {DIK_RSHIFT, VK_SHIFT},
    {DIK_LCONTROL, VK_CONTROL}, {DIK_RCONTROL, VK_CONTROL}, {DIK_LMENU, VK_MENU},
    {DIK_RMENU, VK_MENU}, {DIK_PAUSE, VK_PAUSE}, {DIK_CAPITAL, VK_CAPITAL},
    {DIK_PRIOR, VK_PRIOR}, {DIK_NEXT, VK_NEXT}, {DIK_END, VK_END}, {DIK_HOME, VK_HOME},
    {DIK_LEFT, VK_LEFT}, {DIK_UP, VK_UP}, {DIK_RIGHT, VK_RIGHT}, {DIK_DOWN, VK_DOWN},
    {DIK_INSERT, VK_INSERT}, {DIK_DELETE, VK_DELETE}, {DIK_MULTIPLY, VK_MULTIPLY},
    {DIK_ADD, VK_ADD}, {DIK_SUBTRACT, VK_SUBTRACT}, {DIK_DECIMAL, VK_DECIMAL},
    {DIK_DIVIDE, VK_DIVIDE}, {DIK_NUMLOCK, VK_NUMLOCK}, {DIK_SCROLL, VK_SCROLL},
    {DIK_SEMICOLON, VK_OEM_PLUS}, {DIK_COLON, VK_OEM_1}, {DIK_LBRACKET, VK_OEM_4},
    {DIK_RBRACKET, VK_OEM_6}, {DIK_AT, VK_OEM_3}, {DIK_BACKSLASH, VK_OEM_102},
    {DIK_COMMA, VK_OEM_COMMA}, {DIK_MINUS, VK_OEM_MINUS}, {DIK_YEN, VK_OEM_5},
    {DIK_PERIOD, VK_OEM_PERIOD}, {DIK_SLASH, VK_OEM_2}, {DIK_F11, uint8_t(VK_F1 + 10)},
    {DIK_F12, uint8_t(VK_F1 + 11)},
};
constexpr uint8_t kLetterRows[][2] = {{DIK_Q, 'Q'}, {DIK_W, 'W'}, {DIK_E, 'E'}, {DIK_R, 'R'}, {DIK_T, 'T'},
                                      {DIK_Y, 'Y'}, {DIK_U, 'U'}, {DIK_I, 'I'}, {DIK_O, 'O'}, {DIK_P, 'P'},
                                      {DIK_A, 'A'}, {DIK_S, 'S'}, {DIK_D, 'D'}, {DIK_F, 'F'}, {DIK_G, 'G'},
                                      {DIK_H, 'H'}, {DIK_J, 'J'}, {DIK_K, 'K'}, {DIK_L, 'L'}, {DIK_Z, 'Z'},
                                      {DIK_X, 'X'}, {DIK_C, 'C'}, {DIK_V, 'V'}, {DIK_B, 'B'}, {DIK_N, 'N'},
                                      {DIK_M, 'M'}};
constexpr uint8_t kNumpad[10] = {DIK_NUMPAD0, DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3, DIK_NUMPAD4,
                                 DIK_NUMPAD5, DIK_NUMPAD6, DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9};
}  // namespace

uint32_t joyGetDevCapsA(uintptr_t id, JOYCAPSA* caps, uint32_t size) {
    if (!caps || size < sizeof(JOYCAPSA)) return MMSYSERR_INVALPARAM;
    if (id >= uintptr_t(kMaxPads)) return MMSYSERR_BADDEVICEID;
    PadInfo p = GetPadInfo(int(id));
    if (!p.attached) return JOYERR_UNPLUGGED;
    *caps = JOYCAPSA{};
    caps->wNumAxes = 6;
    caps->wNumButtons = 32;
    caps->wCaps = JOYCAPS_HASZ | JOYCAPS_HASR | JOYCAPS_HASU | JOYCAPS_HASV | JOYCAPS_HASPOV;
    std::snprintf(caps->szPname, sizeof caps->szPname, "%s", p.productName.c_str());
    return JOYERR_NOERROR;
}

uint32_t joyGetPosEx(uint32_t id, JOYINFOEX* info) {
    if (!info || info->dwSize != sizeof(JOYINFOEX)) return MMSYSERR_INVALPARAM;
    if (id >= uint32_t(kMaxPads)) return JOYERR_PARMS;
    PadInfo p = GetPadInfo(int(id));
    if (!p.attached) return JOYERR_UNPLUGGED;
    info->dwXpos = Position(p.axes[kAxisX]);
    info->dwYpos = Position(p.axes[kAxisY]);
    info->dwZpos = Position(p.axes[kAxisZ]);
    info->dwRpos = Position(p.axes[kAxisRz]);
    info->dwUpos = Position(p.axes[kAxisRx]);
    info->dwVpos = Position(p.axes[kAxisRy]);
    info->dwButtons = 0;
    info->dwButtonNumber = 0;
    for (uint32_t b = 0; b < 32; ++b)
        if (p.buttons[b]) {
            info->dwButtons |= 1u << b;
            ++info->dwButtonNumber;
        }
    info->dwPOV = p.pov[0] == kPovCentred ? 0xFFFF : p.pov[0];
    return JOYERR_NOERROR;
}

BOOL GetKeyboardState(uint8_t* state) {
    if (!state) return 0;
    auto keys = KeyboardSnapshot();
    std::memset(state, 0, 256);
    auto set = [&](uint8_t dik, uint8_t vk) {
        if (keys[dik] & 0x80) state[vk] = 0x80;
    };
    for (const KeyPair& k : kNamedKeys) set(k.dik, k.vk);
    for (auto& row : kLetterRows) set(row[0], row[1]);
    for (uint8_t i = 0; i < 10; ++i) {
        set(uint8_t(i == 0 ? DIK_0 : DIK_1 + i - 1), uint8_t('0' + i));
        set(kNumpad[i], uint8_t(VK_NUMPAD0 + i));
    }
    for (uint8_t i = 0; i < 10; ++i) set(uint8_t(DIK_F1 + i), uint8_t(VK_F1 + i));
    return 1;
}

}  // namespace host
