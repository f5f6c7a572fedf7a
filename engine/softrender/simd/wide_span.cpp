#include "engine/softrender/simd/wide_span.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/softrender/pipeline/soft_state.h"

namespace orvik::soft {

bool WideFromDouble(double value, int64_t* out) {
    if (!(std::fabs(value) < static_cast<double>(kWideReach))) return false;
    *out = static_cast<int64_t>(value);
    return true;
}

int64_t WideHeld(double value) {
    constexpr double kLargest = static_cast<double>(kWideReach - 1024);  // a double just below the reach
    return static_cast<int64_t>(std::clamp(value, -kLargest, kLargest));
}

bool FitsNarrow(int64_t start, int64_t rowStep, int64_t colStep, int64_t rows, int64_t columns) {
    for (int64_t r : {int64_t{0}, rows - 1})
        for (int64_t c : {int64_t{0}, columns - 1}) {
            const WideFixed value = WideFixed{start} + WideFixed{r} * rowStep + WideFixed{c} * colStep;
            if (value < INT32_MIN || value > INT32_MAX) return false;
        }
    return true;
}

void DrawWideTexelSpan(TexelSpanFn fn, const TexelJob& job, int srcBytes, int dstBytes, uint8_t* dst,
                       int32_t count, WideFixed u, WideFixed v, int64_t du, int64_t dv) {
    const PixelRun ru = InsideRun(u, du, static_cast<int64_t>(job.uLimit), count);
    const PixelRun rv = InsideRun(v, dv, static_cast<int64_t>(job.vLimit), count);
    const int64_t first = std::max(ru.first, rv.first), end = std::min(ru.end, rv.end);
    // A piece's texels stay within 2^30 of its window's origin: the 32-bit loop steps them
    // without wrapping.
    const int64_t fastest = std::max({std::abs(du), std::abs(dv), int64_t{1}});
    const int64_t pieceLength = std::max<int64_t>(1, (int64_t{1} << 30) / fastest);
    for (int64_t k = first; k < end; k += pieceLength) {
        const int64_t n = std::min(pieceLength, end - k);
        const int64_t pu = static_cast<int64_t>(u + WideFixed{k} * du);
        const int64_t pv = static_cast<int64_t>(v + WideFixed{k} * dv);
        const int64_t col = std::min(pu, pu + (n - 1) * du) >> kTexelShift;
        const int64_t row = std::min(pv, pv + (n - 1) * dv) >> kTexelShift;
        TexelJob piece = job;
        piece.src += row * job.srcPitch + col * srcBytes;
        if (job.blend != nullptr) piece.blend += row * job.blendPitch + col;
        piece.uLimit -= static_cast<uint64_t>(col) << kTexelShift;
        piece.vLimit -= static_cast<uint64_t>(row) << kTexelShift;
        piece.du = static_cast<uint32_t>(du);
        piece.dv = static_cast<uint32_t>(dv);
        fn(piece, dst + k * dstBytes, static_cast<int32_t>(n),
           static_cast<uint32_t>(pu - (col << kTexelShift)), static_cast<uint32_t>(pv - (row << kTexelShift)));
    }
}

bool WideArithmeticForced() { return SoftRender().forceWide; }

void ForceWideArithmetic(bool on) { SoftRender().forceWide = on; }

}  // namespace orvik::soft
