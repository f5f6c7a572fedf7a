// Exact floors of products over 255 on 16-bit lanes, each one high product by a
// multiplier made once per draw:
//   floor(c * v / 255) = (c * ceil(v * 2^16 / 255)) >> 16      for c <= 255, v < 255
//   floor(c * 255 / 255) = ((c + 1) * 65535) >> 16             for c <= 255
//   floor(f * v / 255) = (2f * ceil(v * 2^15 / 255)) >> 16     for f <= 63, v <= 255
// (the rounded-up multiplier adds less than 255 / 2^16, or 63 / 2^15, which is below
// 1 / 255 and too little to reach the next whole number).
#pragma once
#include <cstdint>

namespace orvik::soft {

template <class I>
struct ScaleBy255 {
    using X = typename I::V;

    // The multiplier of a 16-bit pixel's field f, taken doubled: floor(f * v / 255).
    static X Field(uint32_t v) { return I::Set16((v * 32768 + 254) / 255); }

    // The step added to a byte c and the multiplier of its high product for
    // floor(c * v / 255), in the blue, green and red lanes of a widened 32-bit pixel (0 in
    // the fourth). Only a v of 255 has a step.
    static X ByteSteps(uint64_t b, uint64_t g, uint64_t r) {
        return I::Set64(uint64_t{b == 255} | uint64_t{g == 255} << 16 | uint64_t{r == 255} << 32);
    }
    static X ByteMultipliers(uint64_t b, uint64_t g, uint64_t r) {
        const auto m = [](uint64_t v) -> uint64_t { return v < 255 ? (v * 65536 + 254) / 255 : 65535; };
        return I::Set64(m(b) | m(g) << 16 | m(r) << 32);
    }
    // Steps false: the caller knows no lane has one.
    template <bool Steps>
    static X Bytes(X c, X step, X multiplier) {
        return I::MulHi16(Steps ? I::Add16(c, step) : c, multiplier);
    }
};

}  // namespace orvik::soft
