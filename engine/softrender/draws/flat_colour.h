// Turning a flat draw's colour argument into the colour its pixels receive.
#pragma once
#include <cstdint>

namespace orvik::soft {

// A 16-bit colour is an RGB565 value: bits above 15 would index past the tables, so they
// are dropped.
inline uint32_t FlatColourForDepth(int depth, uint32_t colour) {
    return depth == 16 ? colour & 0xFFFFu : colour;
}

// The rectangle's and the line's tint: each channel times its bright byte, shifted right
// by 8 (so 255 loses a step); the fourth byte of a 32-bit colour is kept.
uint32_t ShiftTintFlatColour(int depth, uint32_t colour, uint32_t bright);

}  // namespace orvik::soft
