#include "engine/softrender/draws/flat_colour.h"

namespace orvik::soft {

uint32_t ShiftTintFlatColour(int depth, uint32_t colour, uint32_t bright) {
    const uint32_t b = bright & 0xFF, g = (bright >> 8) & 0xFF, r = (bright >> 16) & 0xFF;
    if (depth == 32) {
        return (colour & 0xFF000000u) | ((((colour >> 16) & 0xFF) * r) >> 8) << 16 |
               ((((colour >> 8) & 0xFF) * g) >> 8) << 8 | (((colour & 0xFF) * b) >> 8);
    }
    return (((colour >> 11) & 31) * r >> 8) << 11 | (((colour >> 5) & 63) * g >> 8) << 5 |
           ((colour & 31) * b >> 8);
}

}  // namespace orvik::soft
