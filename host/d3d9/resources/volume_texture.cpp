#include "host/d3d9/resources/volume_texture.h"

#include <algorithm>

#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/pixel_format.h"
#include "host/d3d9/resources/resource_make.h"

namespace host {

uint32_t VolumeTexture::FullLevelCount(uint32_t width, uint32_t height, uint32_t depth) {
    uint32_t levels = 1;
    for (uint32_t side = std::max({width, height, depth}); side > 1; side /= 2) ++levels;
    return levels;
}

VolumeTexture::VolumeTexture(std::shared_ptr<DeviceCore> core, uint32_t width, uint32_t height, uint32_t depth,
                             uint32_t levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : BaseTexture(std::move(core), pool, usage), format_(format) {
    const size_t bytes = size_t(FindPixelFormat(format)->bytes);
    for (uint32_t i = 0; i < levels; ++i) {
        Level l{width, height, depth, width * bytes, width * bytes * height, {}, false, {}, 0};
        l.bits.resize(l.slicePitch * depth);
        levels_.push_back(std::move(l));
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        depth = std::max(1u, depth / 2);
    }
}

HRESULT VolumeTexture::GetLevelDesc(uint32_t level, D3DVOLUME_DESC* desc) const {
    if (!desc || level >= levels_.size()) return D3DERR_INVALIDCALL;
    const Level& l = levels_[level];
    *desc = D3DVOLUME_DESC{format_, D3DRTYPE_VOLUME, Usage(), Pool(), l.width, l.height, l.depth};
    return D3D_OK;
}

HRESULT VolumeTexture::LockBox(uint32_t level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD) {
    // Default-pool volumes live on the device: only system-memory ones may be locked.
    if (!locked || level >= levels_.size() || Pool() == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    Level& l = levels_[level];
    if (l.locked) return D3DERR_INVALIDCALL;
    const D3DBOX b = box ? *box : D3DBOX{0, 0, l.width, l.height, 0, l.depth};
    if (b.Left >= b.Right || b.Top >= b.Bottom || b.Front >= b.Back || b.Right > l.width || b.Bottom > l.height ||
        b.Back > l.depth)
        return D3DERR_INVALIDCALL;
    const size_t bytes = size_t(FindPixelFormat(format_)->bytes);
    locked->pBits = l.bits.data() + b.Front * l.slicePitch + b.Top * l.rowPitch + b.Left * bytes;
    locked->RowPitch = int32_t(l.rowPitch);
    locked->SlicePitch = int32_t(l.slicePitch);
    l.locked = true;
    return D3D_OK;
}

HRESULT VolumeTexture::UnlockBox(uint32_t level) {
    if (level >= levels_.size() || !levels_[level].locked) return D3DERR_INVALIDCALL;
    levels_[level].locked = false;
    ++version_;
    return D3D_OK;
}

TexelLevel VolumeTexture::ArgbLevel(uint32_t level) {
    Level& l = levels_[level];
    TexelLevel view;
    view.width = int32_t(l.width);
    view.height = int32_t(l.height);
    view.depth = int32_t(l.depth);
    view.pitch = l.width;
    if (format_ == D3DFMT_A8R8G8B8 || format_ == D3DFMT_X8R8G8B8) {
        view.texels = reinterpret_cast<const uint32_t*>(l.bits.data());
        view.alphaOr = format_ == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
        return view;
    }
    if (l.mirrorVersion != version_) {
        l.mirror.resize(size_t(l.width) * l.height * l.depth);
        ConvertImageToArgb(format_, l.bits.data(), l.rowPitch, l.width, l.height * l.depth, l.mirror.data());
        l.mirrorVersion = version_;
    }
    view.texels = l.mirror.data();
    return view;
}

bool VolumeTexture::SameShape(const VolumeTexture& other) const {
    if (format_ != other.format_ || levels_.size() != other.levels_.size()) return false;
    for (size_t i = 0; i < levels_.size(); ++i)
        if (levels_[i].width != other.levels_[i].width || levels_[i].height != other.levels_[i].height ||
            levels_[i].depth != other.levels_[i].depth)
            return false;
    return true;
}

bool VolumeTexture::AnyLocked() const {
    return std::any_of(levels_.begin(), levels_.end(), [](const Level& l) { return l.locked; });
}

void VolumeTexture::CopyLevelsFrom(const VolumeTexture& source) {
    for (size_t i = 0; i < levels_.size(); ++i) levels_[i].bits = source.levels_[i].bits;
    ++version_;
}

HRESULT Device::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                                    D3DPOOL pool, VolumeTexture** texture, void*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    D3DCAPS9 caps;
    FillDeviceCaps(&caps);
    const UINT extent = caps.MaxVolumeExtent;
    if (!(caps.TextureCaps & D3DPTEXTURECAPS_VOLUMEMAP) || width == 0 || height == 0 || depth == 0 ||
        width > extent || height > extent || depth > extent || pool > D3DPOOL_SCRATCH)
        return D3DERR_INVALIDCALL;
    if (FAILED(CheckResourceFormat(usage, D3DRTYPE_VOLUMETEXTURE, format))) return D3DERR_INVALIDCALL;
    const UINT full = VolumeTexture::FullLevelCount(width, height, depth);
    if (levels == 0) levels = full;
    if (levels > full) return D3DERR_INVALIDCALL;
    return MakeResource(texture, core_, width, height, depth, levels, usage, format, pool);
}

HRESULT Device::UpdateTexture(VolumeTexture* source, VolumeTexture* dest) {
    if (!source || !dest || source->Pool() != D3DPOOL_SYSTEMMEM || dest->Pool() != D3DPOOL_DEFAULT ||
        !source->SameShape(*dest) || source->AnyLocked())
        return D3DERR_INVALIDCALL;
    dest->CopyLevelsFrom(*source);
    return D3D_OK;
}

}  // namespace host
