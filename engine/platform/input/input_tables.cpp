// The virtual-key conversion table and the default key-to-pad map.
#include <iterator>

#include "engine/platform/input/input.h"
#include "host/dinput/key_codes.h"

namespace orvik {

namespace {
using namespace host;

// Virtual key, DirectInput code, and a flag for the keys outside the main block (the
// refresh does not use it).
struct VirtualKeyRow {
    uint16_t vk, dik, extended;
};

constexpr VirtualKeyRow kVirtualKeyTable[] = {
    {'A', DIK_A, 0}, {'B', DIK_B, 0}, {'C', DIK_C, 0}, {'D', DIK_D, 0}, {'E', DIK_E, 0},
    {'F', DIK_F, 0}, {'G', DIK_G, 0}, {'H', DIK_H, 0}, {'I', DIK_I, 0}, {'J', DIK_J, 0},
    {'K', DIK_K, 0}, {'L', DIK_L, 0}, {'M', DIK_M, 0}, {'N', DIK_N, 0}, {'O', DIK_O, 0},
    {'P', DIK_P, 0}, {'Q', DIK_Q, 0}, {'R', DIK_R, 0}, {'S', DIK_S, 0}, {'T', DIK_T, 0},
    {'U', DIK_U, 0}, {'V', DIK_V, 0}, {'W', DIK_W, 0}, {'X', DIK_X, 0}, {'Y', DIK_Y, 0},
    {'Z', DIK_Z, 0}, {'0', DIK_0, 0}, {'1', DIK_1, 0}, {'2', DIK_2, 0}, {'3', DIK_3, 0},
    {'4', DIK_4, 0}, {'5', DIK_5, 0}, {'6', DIK_6, 0}, {'7', DIK_7, 0}, {'8', DIK_8, 0},
    {'9', DIK_9, 0}, {VK_LEFT, DIK_LEFT, 1}, {VK_UP, DIK_UP, 1}, {VK_RIGHT, DIK_RIGHT, 1},
    {VK_DOWN, DIK_DOWN, 1}, {VK_DELETE, DIK_DELETE, 0}, {VK_ESCAPE, DIK_ESCAPE, 0},
    {VK_SPACE, DIK_SPACE, 0}, {VK_BACK, DIK_BACK, 0}, {VK_TAB, DIK_TAB, 0},
    {VK_RETURN, DIK_RETURN, 0}, {VK_RETURN, DIK_NUMPADENTER, 1},
    {VK_NUMPAD0 + 0, DIK_NUMPAD0, 1}, {VK_NUMPAD0 + 1, DIK_NUMPAD1, 1},
    {VK_NUMPAD0 + 2, DIK_NUMPAD2, 1}, {VK_NUMPAD0 + 3, DIK_NUMPAD3, 1},
    {VK_NUMPAD0 + 4, DIK_NUMPAD4, 1}, {VK_NUMPAD0 + 5, DIK_NUMPAD5, 1},
    {VK_NUMPAD0 + 6, DIK_NUMPAD6, 1}, {VK_NUMPAD0 + 7, DIK_NUMPAD7, 1},
    {VK_NUMPAD0 + 8, DIK_NUMPAD8, 1}, {VK_NUMPAD0 + 9, DIK_NUMPAD9, 1},
    {VK_MULTIPLY, DIK_MULTIPLY, 1}, {VK_ADD, DIK_ADD, 1}, {VK_SUBTRACT, DIK_SUBTRACT, 1},
    {VK_DECIMAL, DIK_DECIMAL, 1}, {VK_DIVIDE, DIK_DIVIDE, 1}, {VK_LSHIFT, DIK_LSHIFT, 1},
    {VK_RSHIFT, DIK_RSHIFT, 1}, {VK_LCONTROL, DIK_LCONTROL, 1}, {VK_RCONTROL, DIK_RCONTROL, 1},
    {VK_LMENU, DIK_LMENU, 1}, {VK_RMENU, DIK_RMENU, 1}, {VK_PRIOR, DIK_PRIOR, 1},
    {VK_NEXT, DIK_NEXT, 1}, {VK_END, DIK_END, 1}, {VK_HOME, DIK_HOME, 1},
    {VK_INSERT, DIK_INSERT, 1}, {VK_SCROLL, DIK_SCROLL, 1}, {VK_CAPITAL, DIK_CAPITAL, 1},
    {VK_PAUSE, DIK_PAUSE, 1}, {VK_F1 + 0, DIK_F1, 1}, {VK_F1 + 1, DIK_F2, 1},
    {VK_F1 + 2, DIK_F3, 1}, {VK_F1 + 3, DIK_F4, 1}, {VK_F1 + 4, DIK_F5, 1},
    {VK_F1 + 5, DIK_F6, 1}, {VK_F1 + 6, DIK_F7, 1}, {VK_F1 + 7, DIK_F8, 1},
    {VK_F1 + 8, DIK_F9, 1}, {VK_F1 + 9, DIK_F10, 1}, {VK_F1 + 10, DIK_F11, 1},
    {VK_F1 + 11, DIK_F12, 1}, {0xBB, DIK_SEMICOLON, 0}, {0xBA, DIK_COLON, 0},
    {0xDB, DIK_LBRACKET, 0}, {0xDD, DIK_RBRACKET, 0}, {0xC0, DIK_AT, 0},
    {0xE2, DIK_BACKSLASH, 0}, {0xBC, DIK_COMMA, 0}, {0xBD, DIK_MINUS, 0}, {0xDC, DIK_YEN, 0},
    {0xBE, DIK_PERIOD, 0}, {0xBF, DIK_SLASH, 0}, {0xFFFF, 0, 0},
};
static_assert(std::size(kVirtualKeyTable) == 100, "99 rows and the end row");

struct DefaultMapRow {
    int bit;
    int32_t first, second;
};
constexpr DefaultMapRow kPad1Defaults[] = {
    {0, DIK_NUMPAD2, DIK_DOWN}, {1, DIK_NUMPAD4, DIK_LEFT}, {2, DIK_NUMPAD6, DIK_RIGHT},
    {3, DIK_NUMPAD8, DIK_UP}, {4, DIK_Z, -1}, {5, DIK_X, -1}, {6, DIK_C, -1}, {7, DIK_A, -1},
    {8, DIK_S, -1}, {9, DIK_D, -1}, {10, DIK_Q, -1}, {11, DIK_W, -1}, {12, DIK_ESCAPE, -1},
    {13, DIK_SPACE, -1},
};
}  // namespace

void ConvertSystemKeyboardState(const uint8_t* virtualKeys, std::array<uint8_t, 256>& keys) {
    keys.fill(0);
    for (const VirtualKeyRow* row = kVirtualKeyTable; row->vk != 0xFFFF; ++row)
        keys[row->dik] = virtualKeys[row->vk];
}

void WriteDefaultKeyPadMap(KeyPadMap& map) {
    for (auto& pad : map)
        for (auto& entry : pad) entry = {-1, -1, 0, 0};
    for (const DefaultMapRow& r : kPad1Defaults) {
        map[0][size_t(r.bit)][0] = r.first;
        map[0][size_t(r.bit)][1] = r.second;
    }
}

int32_t JoystickAxisValue(uint32_t v) {
    if (v == 0) return -1000;
    if (v == 32767) return 0;
    if (v >= 65535) return 1000;
    if (v > 16383 && v < 49153) return 0;
    if (v < 16384) return (int32_t(v) - 16384) * 1000 / 16384;
    return (int32_t(v) - 49152) * 1000 / 16384;
}

}  // namespace orvik
