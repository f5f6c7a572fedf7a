#include "engine/softrender/simd/simd_rows.h"

#include "engine/softrender/pipeline/soft_state.h"
#include "host/system_info.h"

namespace orvik::soft {

bool Avx2RowsAvailable() {
#if defined(ORVIK_AVX2_ROWS)
    return host::ProcessorHas(host::CpuFeature::Avx2);
#else
    return false;
#endif
}

bool Avx2RowsInUse() { return SoftRender().avx2Rows; }

bool UseAvx2Rows(bool on) { return SoftRender().avx2Rows = on && Avx2RowsAvailable(); }

}  // namespace orvik::soft
