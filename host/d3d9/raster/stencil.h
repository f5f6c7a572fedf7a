// The stencil test and its operations, as the general pixel path runs them: after the
// alpha test and before the depth test, with the operation picked by the two results.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

class Surface;

// The function and the three operations of one facing.
struct StencilFace {
    DWORD func = D3DCMP_ALWAYS;
    DWORD fail = D3DSTENCILOP_KEEP, depthFail = D3DSTENCILOP_KEEP, pass = D3DSTENCILOP_KEEP;
};

struct StencilState {
    uint8_t* values = nullptr;  // null: no stencil test in this draw
    size_t pitch = 0;           // values per row
    // Clockwise faces (and lines and points), then counter-clockwise ones when two-sided.
    StencilFace faces[2];
    // Reference, masks and the largest value, all cut to the buffer's bits.
    uint32_t ref = 0, mask = 0, writeMask = 0, max = 0;

    const StencilFace& Face(bool counterClockwise) const { return faces[counterClockwise ? 1 : 0]; }
};

// The draw's stencil state from the render states and the bound depth-stencil surface;
// the test is off when the state says so or the surface has no stencil bits.
void BuildStencilState(const DWORD* renderStates, Surface* depthStencil, StencilState* out);

// The comparison of the reference with a stored value, both under the read mask.
bool StencilPasses(const StencilState& s, const StencilFace& face, uint8_t stored);

// Applies a stencil operation to a stored value under the write mask.
void ApplyStencilOp(const StencilState& s, DWORD op, uint8_t* stored);

}  // namespace host
