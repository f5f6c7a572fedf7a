// The interpreter's arithmetic: every instruction whose result depends on its three
// source values alone, with the special values the hardware gives.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/d3d9/shader/shader_run.h"

namespace host {

inline float Dot(const Vec4& a, const Vec4& b, int n) {
    float s = 0;
    for (int c = 0; c < n; ++c) s += a[c] * b[c];
    return s;
}

// The comparison of ifc, breakc and setp.
inline bool Compares(uint8_t how, float a, float b) {
    switch (how) {
        case kCmpGt: return a > b;
        case kCmpEq: return a == b;
        case kCmpGe: return a >= b;
        case kCmpLt: return a < b;
        case kCmpNe: return a != b;
        default: return a <= b;
    }
}

template <class F>
Vec4 Each(const Vec4& a, F f) {
    Vec4 out;
    for (int c = 0; c < 4; ++c) out[c] = f(a[c], c);
    return out;
}

namespace shader_math_detail {

inline Vec4 Splat(float f) { return Vec4{{f, f, f, f}}; }

// Reciprocal and friends as the hardware gives them: exact at 1, and positive infinity
// at zero of either sign (a -0 that a negated or subtracted zero leaves must not turn a
// following multiply or compare the other way).
inline float Reciprocal(float x) {
    if (x == 0.0f) return INFINITY;
    return x == 1.0f ? 1.0f : 1.0f / x;
}
inline float ReciprocalSqrt(float x) {
    const float a = std::fabs(x);
    return a == 1.0f ? 1.0f : 1.0f / std::sqrt(a);
}
// The fraction, kept below 1: a tiny negative x would otherwise round x - floor(x) up to 1.
inline float Fraction(float x) { return std::min(x - std::floor(x), 0x1.fffffep-1f); }
inline float Log2Abs(float x) { return std::log2(std::fabs(x)); }
inline float PowAbs(float x, float y) { return std::pow(std::fabs(x), y); }
inline float Sign(float x) { return x > 0 ? 1.0f : x < 0 ? -1.0f : 0.0f; }

// The highlight term exists only where both the diffuse and the highlight dot products
// are positive: pow(0, 0) or pow(0, negative) must not light a surface facing away.
inline Vec4 Lit(const Vec4& a) {
    constexpr float kMaxPower = 127.9961f;
    const float power = std::clamp(a[3], -kMaxPower, kMaxPower);
    const float highlight = a[0] > 0 && a[1] > 0 ? std::pow(a[1], power) : 0.0f;
    return Vec4{{1.0f, a[0] > 0 ? a[0] : 0.0f, highlight, 1.0f}};
}

}  // namespace shader_math_detail

// Calls `f` with the kernel of an opcode whose every component comes from the same
// components of its sources, (a, b, c) -> result; false for other opcodes. The one-pixel
// interpreter and the lanes share these, so both give the same bits.
template <class F>
inline bool WithComponentKernel(uint16_t op, F&& f) {
    using namespace shader_math_detail;
    switch (op) {
        case kOpMov: f([](float x, float, float) { return x; }); return true;
        case kOpAdd: f([](float x, float y, float) { return x + y; }); return true;
        case kOpSub: f([](float x, float y, float) { return x - y; }); return true;
        case kOpMul: f([](float x, float y, float) { return x * y; }); return true;
        case kOpMad: f([](float x, float y, float z) { return x * y + z; }); return true;
        case kOpMin: f([](float x, float y, float) { return x < y ? x : y; }); return true;
        case kOpMax: f([](float x, float y, float) { return x >= y ? x : y; }); return true;
        case kOpSlt: f([](float x, float y, float) { return x < y ? 1.0f : 0.0f; }); return true;
        case kOpSge: f([](float x, float y, float) { return x >= y ? 1.0f : 0.0f; }); return true;
        case kOpLrp: f([](float x, float y, float z) { return z + x * (y - z); }); return true;
        case kOpCmp: f([](float x, float y, float z) { return x >= 0 ? y : z; }); return true;
        case kOpFrc: f([](float x, float, float) { return Fraction(x); }); return true;
        case kOpAbs: f([](float x, float, float) { return std::fabs(x); }); return true;
        case kOpSgn: f([](float x, float, float) { return Sign(x); }); return true;
        default: return false;
    }
}

// The result of `op` (an arithmetic opcode) for sources a, b and c; inline, so that the
// interpreter's step compiles into one routine with it.
inline Vec4 Arithmetic(uint16_t op, const Vec4& a, const Vec4& b, const Vec4& c) {
    using namespace shader_math_detail;
    Vec4 out;
    if (WithComponentKernel(op, [&](auto kernel) {
            for (int i = 0; i < 4; ++i) out[i] = kernel(a[i], b[i], c[i]);
        }))
        return out;
    switch (op) {
        case kOpDp3: return Splat(Dot(a, b, 3));
        case kOpDp4: return Splat(Dot(a, b, 4));
        case kOpDp2Add: return Splat(a[0] * b[0] + a[1] * b[1] + c[3]);
        case kOpRcp: return Splat(Reciprocal(a[3]));
        case kOpRsq: return Splat(ReciprocalSqrt(a[3]));
        case kOpExp:
        case kOpExpp: return Splat(std::exp2(a[3]));
        case kOpLog:
        case kOpLogp: return Splat(Log2Abs(a[3]));
        case kOpPow: return Splat(PowAbs(a[3], b[3]));
        case kOpLit: return Lit(a);
        case kOpDst: return Vec4{{1.0f, a[1] * b[1], a[2], b[3]}};
        case kOpCrs: return Vec4{{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0], 0}};
        case kOpNrm: {
            const float f = ReciprocalSqrt(Dot(a, a, 3));
            return Each(a, [&](float x, int) { return x * f; });
        }
        case kOpSinCos: return Vec4{{std::cos(a[3]), std::sin(a[3]), 0, 0}};
        default: return Vec4{};
    }
}


}  // namespace host
