// Shared by the device's resource creators and copies.
#pragma once
#include <new>
#include <utility>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/d3d9_types.h"

namespace host {

// A device call's work: its result, or E_OUTOFMEMORY when memory it needs (a resource, a
// store of pixels of a surface's own, a converted row or picture) cannot be had.
template <class Work>
HRESULT UnlessOutOfMemory(Work&& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Makes a resource into `*out`: D3D_OK, or E_OUTOFMEMORY when its memory cannot be had.
template <class T, class... Args>
HRESULT MakeResource(T** out, Args&&... args) {
    *out = nullptr;
    return UnlessOutOfMemory([&] {
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
