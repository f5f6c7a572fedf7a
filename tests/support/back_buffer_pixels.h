// The device's back buffer as 0x00RRGGBB pixels, row by row, once the pending batch is
// drawn: what a screenshot of the presented frame is compared with.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/vertex_batch.h"
#include "host/d3d9/resources/resources.h"

namespace orvik_test {

inline std::vector<uint32_t> BackBufferPixels() {
    orvik::FlushVertexBatch();
    host::Surface* b = orvik::Graphics().dev.backBuffer;
    std::vector<uint32_t> px(size_t(b->Width()) * b->Height());
    for (uint32_t y = 0; y < b->Height(); ++y)
        for (uint32_t x = 0; x < b->Width(); ++x) {
            uint32_t v;
            std::memcpy(&v, b->Bits() + size_t(y) * b->Pitch() + size_t(x) * 4, 4);
            px[size_t(y) * b->Width() + x] = v & 0xFFFFFF;
        }
    return px;
}

}  // namespace orvik_test
