// The AVX2 build of the lane kernels, compiled with -mavx2 on x86-64 and used only when
// the processor has AVX2. Without the flag this file gives none.
#include "host/d3d9/shader/shader_lane_kernels.h"

#if defined(__AVX2__)
#define HOST_SPAN_ISA avx2
#include "host/d3d9/shader/shader_lane_vector.h"
#undef HOST_SPAN_ISA
#endif

namespace host {

#if defined(__AVX2__)
const LaneKernels* const kAvx2LaneKernels = &avx2::lane_detail::kKernels;
#else
const LaneKernels* const kAvx2LaneKernels = nullptr;
#endif

}  // namespace host
