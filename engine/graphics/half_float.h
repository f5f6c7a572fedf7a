// 16- and 32-bit float channels brought to the engine's 8-bit channels: the image keeps no
// values outside [0, 1], so they are clamped, and the rest rounded to the nearest step.
#pragma once
#include <cmath>
#include <cstdint>

namespace orvik {

inline float HalfToFloat(uint16_t h) {
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    float v;
    if (exponent == 0) v = std::ldexp(float(mantissa), -24);
    else if (exponent == 31) v = mantissa ? NAN : INFINITY;
    else v = std::ldexp(float(mantissa | 0x400), exponent - 25);
    return (h & 0x8000) ? -v : v;
}

// NaN becomes 0, as graphics hardware writes it into a normalised channel.
inline uint8_t UnitToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

}  // namespace orvik
