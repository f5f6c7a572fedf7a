#include "input_map.h"

#include <orvik/input.h>

#include "game_state.h"

namespace vantorix {
namespace {

constexpr int kActionKey[kActionCount] = {
    orvik::KEY_Z, orvik::KEY_X, orvik::KEY_C, orvik::KEY_SPACE, orvik::KEY_ESCAPE,
    orvik::KEY_UP, orvik::KEY_DOWN, orvik::KEY_LEFT, orvik::KEY_RIGHT,
};
constexpr int32_t kDirectionBit[4] = {orvik::PAD_UP, orvik::PAD_DOWN, orvik::PAD_LEFT,
                                      orvik::PAD_RIGHT};

}  // namespace

bool IsValidPadButton(int number) { return number >= kFirstPadButton && number <= kLastPadButton; }

bool TakePress(int action) {
    InputState& in = Game().input;
    if (!in.held[action]) {
        in.latch[action] = 0;
        return false;
    }
    if (in.latch[action] != 0) return false;
    in.latch[action] = 1;
    return true;
}

void LatchHeldActions() {
    InputState& in = Game().input;
    for (int a = 0; a < kActionCount; ++a)
        if (in.held[a]) in.latch[a] = 1;
}

bool EscapeQuits() {
    if (!Game().input.held[kActQuit]) return false;
    Game().gameState = kStateQuit;
    return true;
}

void InitInput() {
    InputState& in = Game().input;
    for (int a = 0; a < kActionCount; ++a) in.held[a] = in.latch[a] = 0;
    for (int b = 0; b < 4; ++b) in.padButton[b] = kDefaultPadButtons[b];
    in.lastKey = 0;
}

void UpdateInput() {
    InputState& in = Game().input;
    in.padState = orvik::ReadPadState(1);
    for (int a = kActSub; a <= kActPause; ++a) {
        // Only valid numbers reach here (the options file is checked), so a mask is never
        // empty and never held by itself.
        int32_t mask = IsValidPadButton(in.padButton[a]) ? int32_t(1) << (in.padButton[a] - 1) : 0;
        bool pad = mask != 0 && (in.padState & mask) == mask;
        in.held[a] = orvik::IsKeyHeld(kActionKey[a]) == 1 || pad;
    }
    in.held[kActQuit] = orvik::IsKeyHeld(orvik::KEY_ESCAPE) == 1;
    for (int d = 0; d < 4; ++d) {
        int a = kActUp + d;
        in.held[a] = orvik::IsKeyHeld(kActionKey[a]) == 1 || (in.padState & kDirectionBit[d]) != 0;
    }
    // A latch lasts only while its key is held: a direction held through a menu's
    // confirmation would otherwise stay dead in play, where nothing else clears it.
    for (int a = 0; a < kActionCount; ++a)
        if (!in.held[a]) in.latch[a] = 0;
}

}  // namespace vantorix
