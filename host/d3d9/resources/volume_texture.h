// Volume textures: boxes of texels in uncompressed colour formats, locked by box, copied
// level by level, and sampled slice by slice by the texture stages (a pixel shader
// declaring a volume sampler is refused).
#pragma once
#include <cstdint>
#include <vector>

#include "host/d3d9/device/draw_state.h"
#include "host/d3d9/resources/resources.h"
#include "host/d3d9/shader/shader_types.h"
#include "host/zeroed_memory.h"

namespace host {

class VolumeTexture : public BaseTexture {
public:
    VolumeTexture(std::shared_ptr<DeviceCore> core, uint32_t width, uint32_t height, uint32_t depth,
                  uint32_t levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VOLUMETEXTURE; }
    uint32_t GetLevelCount() const override { return uint32_t(levels_.size()); }
    HRESULT GetLevelDesc(uint32_t level, D3DVOLUME_DESC* desc) const;
    HRESULT LockBox(uint32_t level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags);
    HRESULT UnlockBox(uint32_t level);
    D3DFORMAT Format() const { return format_; }
    // A level's texels, slice by slice (the device's own view, also for tests).
    const uint8_t* LevelBits(uint32_t level) const { return levels_[level].bits.data(); }
    // A level as 0xAARRGGBB texels, its slices one after another (32-bit layouts are read
    // in place, others through a copy made again after each change).
    TexelLevel ArgbLevel(uint32_t level);

    // The device's copy of every level from a texture of the same shape.
    bool SameShape(const VolumeTexture& other) const;
    bool AnyLocked() const;
    void CopyLevelsFrom(const VolumeTexture& source);

    static uint32_t FullLevelCount(uint32_t width, uint32_t height, uint32_t depth);

private:
    struct Level {
        uint32_t width, height, depth;
        size_t rowPitch, slicePitch;
        std::vector<uint8_t, ZeroedAllocator<uint8_t>> bits;  // a new volume is zeros
        bool locked = false;
        std::vector<uint32_t> mirror;
        uint64_t mirrorVersion = 0;
    };
    uint64_t version_ = 1;  // counts changes to the texels
    D3DFORMAT format_;
    std::vector<Level> levels_;
};

}  // namespace host
