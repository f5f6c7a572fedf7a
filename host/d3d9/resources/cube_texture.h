// Cube textures: six square faces, each a chain of levels, locked face by face and sampled
// by a direction whose largest component picks the face.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "host/d3d9/resources/resources.h"

namespace host {

enum D3DCUBEMAP_FACES : uint32_t {
    D3DCUBEMAP_FACE_POSITIVE_X = 0, D3DCUBEMAP_FACE_NEGATIVE_X = 1, D3DCUBEMAP_FACE_POSITIVE_Y = 2,
    D3DCUBEMAP_FACE_NEGATIVE_Y = 3, D3DCUBEMAP_FACE_POSITIVE_Z = 4, D3DCUBEMAP_FACE_NEGATIVE_Z = 5,
};
constexpr uint32_t kCubeFaces = 6;

class CubeTexture : public BaseTexture {
public:
    CubeTexture(std::shared_ptr<DeviceCore> core, uint32_t edge, uint32_t levels, DWORD usage, D3DFORMAT format,
                D3DPOOL pool);

    D3DRESOURCETYPE GetType() const override { return D3DRTYPE_CUBETEXTURE; }
    uint32_t GetLevelCount() const override { return levels_; }
    HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC* desc) const;
    HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, uint32_t level, Surface** surface);
    HRESULT LockRect(D3DCUBEMAP_FACES face, uint32_t level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, uint32_t level);
    // Marks a region for the next UpdateTexture; every level is copied whole, so this only
    // checks its arguments.
    HRESULT AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* rect) const;

    // Null for a face or level out of range.
    Surface* Face(uint32_t face, uint32_t level) const;
    D3DFORMAT Format() const { return faces_[0]->Format(); }

private:
    uint32_t levels_;
    std::vector<std::unique_ptr<Surface>> faces_;  // the levels of face 0, then of face 1, ...
};

}  // namespace host
