// The controls as the game's nine actions: keys and pad-1 buttons read once per frame.
#pragma once

namespace vantorix {

constexpr int kDefaultPadButtons[4] = {5, 6, 7, 8};
constexpr int kFirstPadButton = 5;
constexpr int kLastPadButton = 20;

// Every held flag and latch cleared, the pad buttons back to 5, 6, 7, 8.
void InitInput();
// Rewrites the held flags, and clears the latch of every action let go; setting latches
// is left to the screens.
void UpdateInput();
bool IsValidPadButton(int number);

// One press acts once: true on the frame the action is held with its latch clear (the latch
// is then set); an action let go clears its latch, so the next press counts again.
bool TakePress(int action);
// Every action held now counts as already pressed: a screen that opens acts only on
// presses made after it opened, not on keys held into it from the screen before.
void LatchHeldActions();
// ESC held: the game state becomes quit. True when it did.
bool EscapeQuits();

}  // namespace vantorix
