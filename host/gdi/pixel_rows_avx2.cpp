// The AVX2 build of the row converters, compiled with -mavx2 on x86-64. Without the flag
// this file gives no converters.
#include "host/gdi/pixel_rows_avx2.h"

#include "host/system_info.h"

#if defined(__AVX2__)
#define HOST_SPAN_ISA avx2
#include "host/gdi/pixel_rows_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {

#if defined(__AVX2__)
bool Avx2PixelRowsUsable() { return ProcessorHas(CpuFeature::Avx2); }
const PixelRowFn* const kAvx2PixelRows = avx2::pixel_rows::kRows<avx2::Avx2>;
#else
bool Avx2PixelRowsUsable() { return false; }
const PixelRowFn* const kAvx2PixelRows = nullptr;
#endif

}  // namespace host
