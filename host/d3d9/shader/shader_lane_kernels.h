// The vector work of pixel code run in rows of lanes: lookups, inputs, the texel-times-
// factor colours and the blend into the target, built for the baseline (SSE2 on x86-64)
// and for AVX2. The AVX2 build serves where the processor has it and ORVIK_D3D9_NO_AVX2
// does not ask for the baseline; both give the bits of the scalar steps they stand for.
// Each works on whole steps of up to eight lanes from lane 0, so the lanes past `count`
// in the last step (never past kLanes) are computed too, from whatever they hold: their
// results are to be ignored.
#pragma once
#include <cstdint>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/raster/raster_common.h"
#include "host/d3d9/shader/shader_run.h"

namespace host {

struct LaneKernels {
    // Texels of a 2D level sampled at points with clamping (its sides at most 2^20, its
    // texels fewer than 2^31), at the lanes' coordinates times its size, x and y divided
    // by w first when `projected`: ToFixed32's whole parts, clamped, as SampleTexels reads.
    void (*clampedTexels)(const TexelLevel& level, const LaneValue& coord, bool projected, int count,
                          uint32_t out[kLanes]);
    // The plane's value (Plane::At) at each lane's pixel (x[l], y[l]), times inv[l] unless
    // `inv` is null, as a float, saturated when asked.
    void (*planeFloats)(const Plane& plane, const int* x, const int* y, const double* inv, bool saturate,
                        int count, LaneRow* out);
    // 1 / Plane::At at each lane's pixel.
    void (*planeReciprocals)(const Plane& plane, const int* x, const int* y, int count, double* out);
    // The colours (0xAARRGGBB) of the texels' channels as 0 to 1 times the factor's
    // components (where there is a factor), each product's nearest byte after saturation.
    void (*productColors)(const uint32_t* texels, const LaneValue* factor, int count, uint32_t* colors);
    // Colours written over the `n` target pixels from `dst` as the fast spans write theirs,
    // for each FastBlend, where the alpha test passes the alphas from `alphaPassFrom` up
    // (at least 0). Returns how many leading pixels it wrote; the caller writes the rest.
    // Null where the build has no vector blend.
    int (*blendRow[3])(uint32_t* dst, const uint32_t* colors, int n, int alphaPassFrom, uint32_t targetAlphaOr);
};

// The kernels to use now.
const LaneKernels& ChosenLaneKernels();

// The builds: the baseline's, and AVX2's (null where it was not compiled).
extern const LaneKernels kBaselineLaneKernels;
extern const LaneKernels* const kAvx2LaneKernels;

}  // namespace host
