// 16- and 32-bit float channels brought to the engine's 8-bit channels: the image keeps no
// values outside [0, 1], so they are clamped, and the rest rounded to the nearest step.
#pragma once
#include <cstdint>

namespace orvik {

// NaN becomes 0, as graphics hardware writes it into a normalised channel.
uint8_t UnitToByte(float v);
// A half float's bits as an 8-bit channel, the same way (from a table).
uint8_t HalfToByte(uint16_t h);

}  // namespace orvik
