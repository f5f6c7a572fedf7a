// Shared by the device's resource creators and copies.
#pragma once
#include <utility>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/d3d9_types.h"
#include "host/out_of_memory.h"

namespace host {

// Makes a resource into `*out`: D3D_OK, or E_OUTOFMEMORY when its memory cannot be had.
template <class T, class... Args>
HRESULT MakeResource(T** out, Args&&... args) {
    *out = nullptr;
    return UnlessOutOfMemory(HRESULT(E_OUTOFMEMORY), [&] {
        *out = new T(std::forward<Args>(args)...);
        return D3D_OK;
    });
}

// Sides a texture, render target, depth buffer or back buffer may have.
inline bool ValidSurfaceSize(UINT width, UINT height) {
    const UINT max = D3D9Settings().maxTextureSize;
    return width > 0 && height > 0 && width <= 16384 && height <= 16384 && (max == 0 || (width <= max && height <= max));
}

// The rules 2D and cube textures share on size, pool, usage and format.
HRESULT CheckTextureArguments(UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              D3DRESOURCETYPE type);

}  // namespace host
