#include "host/d3d9/device/caps.h"

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/shader/shader_run.h"
#include "host/d3d9/resources/yuv_surface.h"
#include "host/win/window/desktop.h"

namespace host {

namespace {

// Shader model 3.0 with everything 2.x may ask for, shader model 2.0 alone, or version 0.0
// of both: no programmable shaders. The limits are those the interpreter holds code to.
void FillShaderCaps(D3DCAPS9* caps, int model) {
    const int major = model >= 3 ? 3 : model >= 2 ? 2 : 0;
    caps->VertexShaderVersion = D3DVS_VERSION(major, 0);
    caps->PixelShaderVersion = D3DPS_VERSION(major, 0);
    caps->MaxVertexShaderConst = major ? kVertexConsts : 0;
    if (!major) return;
    caps->TextureCaps |= D3DPTEXTURECAPS_VOLUMEMAP | D3DPTEXTURECAPS_MIPVOLUMEMAP;
    caps->MaxVolumeExtent = 256;
    if (major < 3) return;
    caps->VS20Caps = {D3DVS20CAPS_PREDICATION, kDynamicFlowDepth, kMaxTemps, kStaticFlowDepth};
    caps->PS20Caps = {D3DPS20CAPS_ARBITRARYSWIZZLE | D3DPS20CAPS_GRADIENTINSTRUCTIONS | D3DPS20CAPS_PREDICATION |
                          D3DPS20CAPS_NODEPENDENTREADLIMIT | D3DPS20CAPS_NOTEXINSTRUCTIONLIMIT,
                      kDynamicFlowDepth, kMaxTemps, kStaticFlowDepth, kPixel2xSlots};
    caps->MaxVShaderInstructionsExecuted = caps->MaxPShaderInstructionsExecuted = kShaderInstructionBudget;
    caps->MaxVertexShader30InstructionSlots = caps->MaxPixelShader30InstructionSlots = kModel30Slots;
    caps->VertexTextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                                    D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR |
                                    D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR;
}

}  // namespace

void FillDeviceCaps(D3DCAPS9* caps) {
    const D3D9HostSettings& s = D3D9Settings();
    *caps = D3DCAPS9{};
    caps->DeviceType = D3DDEVTYPE_HAL;
    caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                              D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                              (s.tempRegisterCaps ? D3DPMISCCAPS_TSSARGTEMP : 0) |
                              (s.blendOpCaps ? D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND : 0);
    caps->RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST | D3DPRASTERCAPS_DEPTHBIAS;
    caps->ZCmpCaps = caps->AlphaCmpCaps = 0xFF;
    caps->SrcBlendCaps = caps->DestBlendCaps = 0x3FFF;
    caps->ShadeCaps = 0;
    caps->StencilCaps = D3DSTENCILCAPS_KEEP | D3DSTENCILCAPS_ZERO | D3DSTENCILCAPS_REPLACE | D3DSTENCILCAPS_INCRSAT |
                        D3DSTENCILCAPS_DECRSAT | D3DSTENCILCAPS_INVERT | D3DSTENCILCAPS_INCR | D3DSTENCILCAPS_DECR |
                        D3DSTENCILCAPS_TWOSIDED;
    caps->TextureCaps = D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP |
                        D3DPTEXTURECAPS_MIPCUBEMAP;
    caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                              D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR |
                              D3DPTFILTERCAPS_MINFANISOTROPIC | D3DPTFILTERCAPS_MAGFANISOTROPIC;
    caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                               D3DPTADDRESSCAPS_BORDER;
    caps->CubeTextureFilterCaps = caps->VolumeTextureFilterCaps = caps->TextureFilterCaps;
    caps->VolumeTextureAddressCaps = caps->TextureAddressCaps;
    caps->MaxTextureWidth = caps->MaxTextureHeight = s.maxTextureSize;
    caps->MaxTextureAspectRatio = s.maxTextureSize;
    caps->MaxAnisotropy = kMaxAnisotropy;
    caps->TextureOpCaps = 0x03FFFFFF;
    caps->MaxTextureBlendStages = 8;
    caps->MaxSimultaneousTextures = 8;
    caps->MaxActiveLights = 8;
    caps->MaxPrimitiveCount = 0xFFFFF;
    caps->MaxVertexIndex = 0xFFFFF;
    caps->MaxStreams = 16;
    caps->MaxStreamStride = 255;
    FillShaderCaps(caps, s.shaderModel);
    caps->NumSimultaneousRTs = 1;
}

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

HRESULT CheckResourceFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    if (IsFormatRefused(format)) return D3DERR_NOTAVAILABLE;
    if (type == D3DRTYPE_VERTEXBUFFER) return D3D_OK;
    if (type == D3DRTYPE_INDEXBUFFER)
        return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
    const PixelFormatInfo* f = FindPixelFormat(format);
    if (!f) return D3DERR_NOTAVAILABLE;
    // Volumes hold uncompressed colour texels only and are never drawn into.
    if (type == D3DRTYPE_VOLUMETEXTURE)
        return f->depth || f->compressed || IsYuvFormat(format) || (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))
                   ? D3DERR_NOTAVAILABLE
                   : D3D_OK;
    if (type != D3DRTYPE_TEXTURE && type != D3DRTYPE_CUBETEXTURE && type != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return f->depth && type == D3DRTYPE_SURFACE ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (f->depth) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_RENDERTARGET) return f->renderable ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

namespace {

D3DFORMAT FormatOfBits(int bits) {
    switch (bits) {
        case 32: return D3DFMT_X8R8G8B8;
        case 24: return D3DFMT_R8G8B8;
        case 16: return D3DFMT_R5G6B5;
        case 15: return D3DFMT_X1R5G5B5;
        default: return D3DFMT_UNKNOWN;
    }
}

}  // namespace

int BitsOfDisplayFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_X8R8G8B8: return 32;
        case D3DFMT_R5G6B5: return 16;
        case D3DFMT_X1R5G5B5: return 15;
        default: return 0;
    }
}

std::vector<D3DDISPLAYMODE> AdapterModes(D3DFORMAT format) {
    std::vector<D3DDISPLAYMODE> modes;
    DisplayMode m;
    for (int i = 0; EnumDisplaySettingsA(i, &m); ++i)
        if (FormatOfBits(m.bits) == format && IsDisplayFormat(format))
            modes.push_back({UINT(m.width), UINT(m.height), UINT(m.refresh), format});
    return modes;
}

D3DDISPLAYMODE AdapterDisplayMode() {
    const DisplayMode m = CurrentDisplayMode();
    return {UINT(m.width), UINT(m.height), UINT(m.refresh), FormatOfBits(m.bits)};
}

}  // namespace host
