// A Theora movie's frame on the Direct3D device: an offscreen plain surface in a video
// format (YV12, else YUY2, else UYVY) that takes the decoded 4:2:0 planes as they are, for
// graphics to copy into its texture with the device's own colour conversion.
#include <algorithm>
#include <cstring>

#include "engine/graphics/graphics_system.h"
#include "engine/sound/theora_movie.h"
#include "host/d3d9/device.h"

namespace orvik {

namespace {

constexpr int kLockTries = 3;

// Frames larger than the surface (which has the stream's frame size) are cut to it.
void CopyPlanar(const TheoraStockFrame& f, uint8_t* bits, int32_t pitch, int32_t width, int32_t height) {
    const int32_t rows = std::min(f.yHeight, height), chromaRows = std::min(f.cHeight, (height + 1) / 2);
    const size_t columns = size_t(std::min(f.yWidth, width)), chromaColumns = size_t(std::min(f.cWidth, (width + 1) / 2));
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(bits + ptrdiff_t(y) * pitch, f.y.data() + ptrdiff_t(y) * f.yStride, columns);
    uint8_t* v = bits + ptrdiff_t(pitch) * height;
    uint8_t* u = v + ptrdiff_t(pitch / 2) * ((height + 1) / 2);
    for (int32_t y = 0; y < chromaRows; ++y) {
        std::memcpy(v + ptrdiff_t(y) * (pitch / 2), f.v.data() + ptrdiff_t(y) * f.cStride, chromaColumns);
        std::memcpy(u + ptrdiff_t(y) * (pitch / 2), f.u.data() + ptrdiff_t(y) * f.cStride, chromaColumns);
    }
}

// Each 2 x 2 block's U and V go with its four Y values into both of its rows.
void CopyPacked(const TheoraStockFrame& f, uint8_t* bits, int32_t pitch, int32_t width, int32_t height, bool uFirst) {
    for (int32_t row = 0; row < std::min(f.yHeight, height); ++row) {
        const uint8_t* y = f.y.data() + ptrdiff_t(row) * f.yStride;
        const uint8_t* u = f.u.data() + ptrdiff_t(row / 2) * f.cStride;
        const uint8_t* v = f.v.data() + ptrdiff_t(row / 2) * f.cStride;
        uint8_t* out = bits + ptrdiff_t(row) * pitch;
        for (int32_t c = 0; c < std::min(f.cWidth, (width + 1) / 2); ++c, out += 4) {
            const uint8_t bytes[4] = {uFirst ? u[c] : y[2 * c], uFirst ? y[2 * c] : u[c], uFirst ? v[c] : y[2 * c + 1],
                                      uFirst ? y[2 * c + 1] : v[c]};
            std::memcpy(out, bytes, 4);
        }
    }
}

}  // namespace

void ReleaseTheoraSurface(TheoraMovie* m) {
    if (m->surface) m->surface->Release();
    m->surface = nullptr;
}

void SetupTheoraSurface(TheoraMovie* m) {
    ReleaseTheoraSurface(m);
    m->surfaceFormat = host::D3DFMT_UNKNOWN;
    host::Device* device = Graphics().direct3DMode ? Graphics().dev.device : nullptr;
    if (!device) return;
    for (host::D3DFORMAT format : {host::D3DFMT_YV12, host::D3DFMT_YUY2, host::D3DFMT_UYVY})
        if (device->CreateOffscreenPlainSurface(m->info.width, m->info.height, format, host::D3DPOOL_DEFAULT,
                                                &m->surface, nullptr) >= 0 &&
            m->surface) {
            m->surfaceFormat = format;
            return;
        }
}

host::Surface* GetTheoraSurface(TheoraMovie* m) { return m ? m->surface : nullptr; }

host::Surface* GetTheoraTexture(TheoraMovie* m) { return GetTheoraSurface(m); }

// A surface that cannot be locked is made again, twice at most. Only 4:2:0 frames fit
// the video formats; others are left to the frame image.
void CopyFrameToSurface(TheoraMovie* m, const TheoraStockFrame& f) {
    host::D3DLOCKED_RECT locked;
    for (int tries = 0; m->surface && m->surface->LockRect(&locked, nullptr, 0) < 0; SetupTheoraSurface(m))
        if (++tries == kLockTries) return;
    if (!m->surface) return;
    if (f.yWidth == 2 * f.cWidth && f.yHeight == 2 * f.cHeight) {
        auto* bits = static_cast<uint8_t*>(locked.pBits);
        const int32_t width = int32_t(m->info.width), height = int32_t(m->info.height);
        if (m->surfaceFormat == host::D3DFMT_YV12) CopyPlanar(f, bits, locked.Pitch, width, height);
        else CopyPacked(f, bits, locked.Pitch, width, height, m->surfaceFormat == host::D3DFMT_UYVY);
    }
    m->surface->UnlockRect();
}

}  // namespace orvik
