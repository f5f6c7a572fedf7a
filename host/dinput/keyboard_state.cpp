#include "host/dinput/keyboard_state.h"

#include <cstring>

#include "host/dinput/input_devices.h"
#include "host/dinput/key_codes.h"

namespace host {

namespace {
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
    {DIK_INSERT, VK_INSERT}, {DIK_DELETE, VK_DELETE}, {DIK_LWIN, VK_LWIN}, {DIK_RWIN, VK_RWIN}, {DIK_MULTIPLY, VK_MULTIPLY},
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

template <class F>
void ForEachKeyPair(F visit) {
    for (const KeyPair& k : kNamedKeys) visit(k.dik, k.vk);
    for (auto& row : kLetterRows) visit(row[0], row[1]);
    for (uint8_t i = 0; i < 10; ++i) {
        visit(uint8_t(i == 0 ? DIK_0 : DIK_1 + i - 1), uint8_t('0' + i));
        visit(kNumpad[i], uint8_t(VK_NUMPAD0 + i));
        visit(uint8_t(DIK_F1 + i), uint8_t(VK_F1 + i));
    }
}
}  // namespace

BOOL GetKeyboardState(uint8_t* state) {
    if (!state) return 0;
    auto keys = KeyboardSnapshot();
    std::memset(state, 0, 256);
    ForEachKeyPair([&](uint8_t dik, uint8_t vk) {
        if (keys[dik] & 0x80) state[vk] = 0x80;
    });
    return 1;
}


uint8_t VirtualKeyOfDik(uint8_t dik) {
    uint8_t found = 0;
    ForEachKeyPair([&](uint8_t d, uint8_t vk) {
        if (d == dik && !found) found = vk;
    });
    return found;
}

uint8_t ControlCharOfKey(uint8_t vk) {
    switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: break;
    }
    bool control = IsKeyDown(DIK_LCONTROL) || IsKeyDown(DIK_RCONTROL);
    return control && vk >= 'A' && vk <= 'Z' ? uint8_t(vk - 'A' + 1) : 0;
}

}  // namespace host
