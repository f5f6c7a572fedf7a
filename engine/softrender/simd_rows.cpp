#include "engine/softrender/simd_rows.h"

#include "engine/softrender/soft_state.h"

namespace orvik::soft {

bool Avx2RowsAvailable() {
#if defined(ORVIK_AVX2_ROWS) && defined(__GNUC__)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

bool Avx2RowsInUse() { return SoftRender().avx2Rows; }

bool UseAvx2Rows(bool on) { return SoftRender().avx2Rows = on && Avx2RowsAvailable(); }

}  // namespace orvik::soft
