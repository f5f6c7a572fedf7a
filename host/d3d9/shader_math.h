// The interpreter's arithmetic: every instruction whose result depends on its three
// source values alone, with the special values the hardware gives.
#pragma once
#include <cstdint>

#include "host/d3d9/shader_run.h"

namespace host {

inline float Dot(const Vec4& a, const Vec4& b, int n) {
    float s = 0;
    for (int c = 0; c < n; ++c) s += a[c] * b[c];
    return s;
}

template <class F>
Vec4 Each(const Vec4& a, F f) {
    Vec4 out;
    for (int c = 0; c < 4; ++c) out[c] = f(a[c], c);
    return out;
}

// The result of `op` (an arithmetic opcode) for sources a, b and c.
Vec4 Arithmetic(uint16_t op, const Vec4& a, const Vec4& b, const Vec4& c);

}  // namespace host
