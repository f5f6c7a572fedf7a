// Resource creation with the platform's rules on sizes, pools, usages and formats.
#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/raster/multisample.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resource_make.h"

namespace host {

HRESULT CheckTextureArguments(UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              D3DRESOURCETYPE type) {
    if (!ValidSurfaceSize(width, height) || pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_INVALIDCALL;
    if (FAILED(CheckResourceFormat(usage, type, format))) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              Texture** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    const HRESULT hr = CheckTextureArguments(width, height, usage, format, pool, D3DRTYPE_TEXTURE);
    if (FAILED(hr)) return hr;
    const UINT full = Texture::FullLevelCount(width, height);
    if (levels == 0) levels = full;
    if (levels > full) return D3DERR_INVALIDCALL;
    return MakeResource(texture, core_, width, height, levels, usage, format, pool);
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                   DWORD quality, BOOL lockable, Surface** surface, void*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    // Multisampled targets are never lockable.
    if (!ValidSurfaceSize(width, height) || SampleCount(multiSample, quality) == 0 ||
        (lockable && multiSample != D3DMULTISAMPLE_NONE))
        return D3DERR_INVALIDCALL;
    if (FAILED(CheckResourceFormat(D3DUSAGE_RENDERTARGET, D3DRTYPE_SURFACE, format))) return D3DERR_INVALIDCALL;
    if (TakeInjectedFailure(D3D9Settings().renderTargetCreateFailures)) return D3DERR_OUTOFVIDEOMEMORY;
    return MakeResource(surface, core_, format, width, height, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET, lockable != 0, true,
                static_cast<Texture*>(nullptr), multiSample, quality);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                          DWORD quality, BOOL, Surface** surface, void*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (!ValidSurfaceSize(width, height) || SampleCount(multiSample, quality) == 0) return D3DERR_INVALIDCALL;
    if (FAILED(CheckResourceFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format))) return D3DERR_INVALIDCALL;
    if (TakeInjectedFailure(D3D9Settings().depthCreateFailures)) return D3DERR_OUTOFVIDEOMEMORY;
    return MakeResource(surface, core_, format, width, height, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false, true,
                static_cast<Texture*>(nullptr), multiSample, quality);
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            Surface** surface, void*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || width > 16384 || height > 16384 || pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SCRATCH || !IsColorFormat(format) || IsFormatRefused(format)) return D3DERR_INVALIDCALL;
    if (TakeInjectedFailure(D3D9Settings().offscreenCreateFailures)) return D3DERR_OUTOFVIDEOMEMORY;
    return MakeResource(surface, core_, format, width, height, pool, DWORD(0), true, true, static_cast<Texture*>(nullptr));
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, VertexBuffer** buffer, void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > (256u << 20) || pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if (TakeInjectedFailure(D3D9Settings().bufferCreateFailures)) return D3DERR_OUTOFVIDEOMEMORY;
    return MakeResource(buffer, core_, length, usage, fvf, pool);
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IndexBuffer** buffer,
                                  void*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > (256u << 20) || pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
    if (TakeInjectedFailure(D3D9Settings().bufferCreateFailures)) return D3DERR_OUTOFVIDEOMEMORY;
    return MakeResource(buffer, core_, length, usage, format, pool);
}

}  // namespace host
