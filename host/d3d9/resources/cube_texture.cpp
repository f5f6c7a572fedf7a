#include "host/d3d9/resources/cube_texture.h"

#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/resource_make.h"

namespace host {

CubeTexture::CubeTexture(std::shared_ptr<DeviceCore> core, uint32_t edge, uint32_t levels, DWORD usage,
                         D3DFORMAT format, D3DPOOL pool)
    : BaseTexture(core, pool, usage), levels_(levels) {
    for (uint32_t face = 0; face < kCubeFaces; ++face)
        AppendLevelChain(core, edge, edge, levels, usage, format, pool, this, &faces_);
}

Surface* CubeTexture::Face(uint32_t face, uint32_t level) const {
    return face < kCubeFaces && level < levels_ ? faces_[face * levels_ + level].get() : nullptr;
}

HRESULT CubeTexture::GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const {
    const Surface* s = Face(0, level);
    return s ? s->GetDesc(desc) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, uint32_t level, Surface** surface) {
    Surface* s = Face(face, level);
    if (!surface || !s) return D3DERR_INVALIDCALL;
    s->AddRef();
    *surface = s;
    return D3D_OK;
}

HRESULT CubeTexture::LockRect(D3DCUBEMAP_FACES face, uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect,
                              DWORD flags) {
    Surface* s = Face(face, level);
    return s ? s->LockRect(locked, rect, flags) : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::UnlockRect(D3DCUBEMAP_FACES face, uint32_t level) {
    Surface* s = Face(face, level);
    return s ? s->UnlockRect() : D3DERR_INVALIDCALL;
}

HRESULT CubeTexture::AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* rect) const {
    const Surface* s = Face(face, 0);
    if (!s) return D3DERR_INVALIDCALL;
    if (rect && (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
                 rect->right > int32_t(s->Width()) || rect->bottom > int32_t(s->Height())))
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT Device::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  CubeTexture** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    D3DCAPS9 caps;
    FillDeviceCaps(&caps);
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_CUBEMAP)) return D3DERR_INVALIDCALL;
    const HRESULT hr = CheckTextureArguments(edge, edge, usage, format, pool, D3DRTYPE_CUBETEXTURE);
    if (FAILED(hr)) return hr;
    const UINT full = Texture::FullLevelCount(edge, edge);
    if (levels == 0) levels = full;
    if (levels > full) return D3DERR_INVALIDCALL;
    return MakeResource(texture, core_, edge, levels, usage, format, pool);
}

}  // namespace host
