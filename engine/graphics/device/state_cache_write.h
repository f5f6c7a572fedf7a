// The one rule of every immediate setter of the render-state cache, shared by its files.
#pragma once
#include <cstring>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/matrix.h"

namespace orvik {

// No device: -1. Unchanged and not forced: 0. Else draw the batch (it was built under the
// old value), write, keep the shadow, 0.
template <class T, class Write>
int CachedWrite(T& shadow, const T& value, Write write) {
    if (!Graphics().dev.device) return -1;
    if (!StateCache().force && std::memcmp(&shadow, &value, sizeof(T)) == 0) return 0;
    FlushVertexBatch();
    write();
    shadow = value;
    ++StateCache().writes;
    return 0;
}

inline host::D3DMATRIX ToD3DMatrix(const Matrix4& m) {
    host::D3DMATRIX out;
    std::memcpy(out.m, m.m, sizeof out.m);
    return out;
}

// The shader-constant mirrors of fog (from the shadows) and of a material.
void MirrorFogConstants();
void MirrorMaterialConstants(const host::D3DMATERIAL9& material);

}  // namespace orvik
