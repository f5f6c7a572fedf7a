// Texel spans whose coordinates outgrow the span loops' 32-bit fixed point: sources of
// 8192 pixels or more on a side, pictures scaled far out from their centre, triangles
// with far corners. Such a span is cut to the pixels whose texel lies inside the source,
// in pieces short enough that each runs through the ordinary 32-bit loop against a
// window of the source starting at the piece's first texel column and row; so the wide
// form needs no loops of its own, and it can never read outside the source.
#pragma once
#include <algorithm>
#include <cstdint>

#include "engine/softrender/walkers/texel_walker.h"

namespace orvik::soft {

// Wide fixed point: 18 fractional bits like the narrow form, 128 bits where a start value
// is a sum of products of 64-bit steps and row or column counts.
using WideFixed = __int128;

// The largest magnitude of a wide start value or step: sums and differences of two such
// values, and a column count times a step, still fit their types.
inline constexpr int64_t kWideReach = int64_t{1} << 60;

// Truncation toward 0, as the narrow form's float-to-integer conversion, but to 64 bits.
// False for NaN and for magnitudes of kWideReach or more.
bool WideFromDouble(double value, int64_t* out);
// The same held inside the wide reach: beyond it, the largest magnitude below kWideReach
// of the value's sign. value is not NaN.
int64_t WideHeld(double value);

struct PixelRun {
    int64_t first = 0, end = 0;  // pixels first..end - 1
};

// The pixels k of 0..count - 1 with 0 <= s + k d < limit. The value moves one way along
// the span, so they form one run. S is int64_t where s + k d and limit - s fit it (the
// narrow form's spans), else WideFixed.
template <class S>
PixelRun InsideRun(S s, int64_t d, int64_t limit, int64_t count) {
    if (d == 0) return s >= 0 && s < limit ? PixelRun{0, count} : PixelRun{};
    if (d < 0) {
        // limit - 1 - value runs upward through the same range.
        s = limit - 1 - s;
        d = -d;
    }
    const S first = s >= 0 ? 0 : (-s + d - 1) / d;
    const S top = limit - 1 - s;
    const S end = top < 0 ? 0 : top / d + 1;
    auto held = [count](S k) { return static_cast<int64_t>(std::clamp<S>(k, 0, count)); };
    return {held(first), held(end)};
}

// Whether every value start + r * rowStep + c * colStep over rows x columns fits a signed
// 32-bit integer: the span loops then give the exact result, wrapping included.
bool FitsNarrow(int64_t start, int64_t rowStep, int64_t colStep, int64_t rows, int64_t columns);

// Draws count pixels from dst onward, pixel k sampling texel (u + k du, v + k dv) through
// fn under job; srcBytes is the size of one source pixel. |du| and |dv| stay below
// kWideReach.
void DrawWideTexelSpan(TexelSpanFn fn, const TexelJob& job, int srcBytes, int dstBytes, uint8_t* dst,
                       int32_t count, WideFixed u, WideFixed v, int64_t du, int64_t dv);

// Set from ORVIK_SOFT_WIDE (and by tests): every rotated draw and triangle takes the wide
// form, so it can be compared with the narrow one on draws both can make.
bool WideArithmeticForced();
void ForceWideArithmetic(bool on);

}  // namespace orvik::soft
