#include "host/d3d9/raster/stencil.h"

#include "host/d3d9/raster/compare_func.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resources.h"

namespace host {
namespace {

StencilFace FaceFrom(const DWORD* rs, D3DRENDERSTATETYPE func, D3DRENDERSTATETYPE fail, D3DRENDERSTATETYPE depthFail,
                     D3DRENDERSTATETYPE pass) {
    return StencilFace{rs[func], rs[fail], rs[depthFail], rs[pass]};
}

}  // namespace

void BuildStencilState(const DWORD* rs, Surface* depthStencil, StencilState* out) {
    out->values = nullptr;
    if (!rs[D3DRS_STENCILENABLE] || !depthStencil || !depthStencil->Stencil()) return;
    out->values = depthStencil->Stencil();
    out->pitch = depthStencil->Width();
    out->max = (1u << StencilBits(depthStencil->Format())) - 1;
    out->ref = rs[D3DRS_STENCILREF] & out->max;
    out->mask = rs[D3DRS_STENCILMASK] & out->max;
    out->writeMask = rs[D3DRS_STENCILWRITEMASK] & out->max;
    out->faces[0] = FaceFrom(rs, D3DRS_STENCILFUNC, D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS);
    out->faces[1] = rs[D3DRS_TWOSIDEDSTENCILMODE] ? FaceFrom(rs, D3DRS_CCW_STENCILFUNC, D3DRS_CCW_STENCILFAIL,
                                                             D3DRS_CCW_STENCILZFAIL, D3DRS_CCW_STENCILPASS)
                                                  : out->faces[0];
}

bool StencilPasses(const StencilState& s, const StencilFace& face, uint8_t stored) {
    return ComparePasses(face.func, s.ref & s.mask, stored & s.mask);
}

void ApplyStencilOp(const StencilState& s, DWORD op, uint8_t* stored) {
    const uint32_t old = *stored;
    uint32_t value;
    switch (op) {
        case D3DSTENCILOP_ZERO: value = 0; break;
        case D3DSTENCILOP_REPLACE: value = s.ref; break;
        case D3DSTENCILOP_INCRSAT: value = old < s.max ? old + 1 : s.max; break;
        case D3DSTENCILOP_DECRSAT: value = old > 0 ? old - 1 : 0; break;
        case D3DSTENCILOP_INVERT: value = ~old & s.max; break;
        case D3DSTENCILOP_INCR: value = (old + 1) & s.max; break;
        case D3DSTENCILOP_DECR: value = (old - 1) & s.max; break;
        default: return;  // keep
    }
    *stored = uint8_t((old & ~s.writeMask) | (value & s.writeMask));
}

}  // namespace host
