#include "engine/graphics/dds/half_float.h"

#include <array>
#include <cmath>

namespace orvik {

namespace {

float HalfToFloat(uint16_t h) {
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    float v;
    if (exponent == 0) v = std::ldexp(float(mantissa), -24);
    else if (exponent == 31) v = mantissa ? NAN : INFINITY;
    else v = std::ldexp(float(mantissa | 0x400), exponent - 25);
    return (h & 0x8000) ? -v : v;
}

}  // namespace

uint8_t UnitToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

uint8_t HalfToByte(uint16_t h) {
    static const std::array<uint8_t, 65536> table = [] {
        std::array<uint8_t, 65536> t{};
        for (uint32_t i = 0; i < t.size(); ++i) t[i] = UnitToByte(HalfToFloat(uint16_t(i)));
        return t;
    }();
    return table[h];
}

}  // namespace orvik
