// The baseline build of the lane kernels, and the choice between it and the AVX2 build.
#include "host/d3d9/shader/shader_lane_kernels.h"

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/raster/fast_span.h"

#define HOST_SPAN_ISA sse2
#include "host/d3d9/shader/shader_lane_vector.h"
#undef HOST_SPAN_ISA

namespace host {

const LaneKernels kBaselineLaneKernels = sse2::lane_detail::kKernels;

const LaneKernels& ChosenLaneKernels() {
    static const bool avx2 = kAvx2LaneKernels && Avx2SpansUsable();
    return avx2 && !D3D9Settings().forceBaselineSpans ? *kAvx2LaneKernels : kBaselineLaneKernels;
}

}  // namespace host
