// A Theora movie's frame on the Direct3D device: an offscreen plain surface in a video
// format that takes the decoded planes as they are (4:2:0 in YV12, else YUY2, else UYVY;
// 4:2:2 in YUY2, else UYVY), for graphics to copy into its texture with the device's own
// colour conversion. 4:4:4 fits no video format: such movies have no surface, and
// graphics takes their frame image.
#include <algorithm>
#include <cstring>
#include <span>

#include "engine/graphics/device/graphics_system.h"
#include "engine/sound/movies/theora_movie.h"
#include "host/d3d9/device/device.h"

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

// Each pair of pixels takes the U and V of its chroma sample: for 4:2:0 the one its row
// shares with the next, for 4:2:2 its row's own.
void CopyPacked(const TheoraStockFrame& f, uint8_t* bits, int32_t pitch, int32_t width, int32_t height, bool uFirst) {
    for (int32_t row = 0; row < std::min(f.yHeight, height); ++row) {
        const ptrdiff_t chromaRow = ptrdiff_t(row) * f.cHeight / f.yHeight;
        const uint8_t* y = f.y.data() + ptrdiff_t(row) * f.yStride;
        const uint8_t* u = f.u.data() + chromaRow * f.cStride;
        const uint8_t* v = f.v.data() + chromaRow * f.cStride;
        uint8_t* out = bits + ptrdiff_t(row) * pitch;
        for (int32_t c = 0; c < std::min(f.cWidth, (width + 1) / 2); ++c, out += 4) {
            const uint8_t bytes[4] = {uFirst ? u[c] : y[2 * c], uFirst ? y[2 * c] : u[c], uFirst ? v[c] : y[2 * c + 1],
                                      uFirst ? y[2 * c + 1] : v[c]};
            std::memcpy(out, bytes, 4);
        }
    }
}

// The formats that hold pictures of the layout, in the order they are tried.
std::span<const host::D3DFORMAT> FormatsFor(theora_pixelformat layout) {
    static constexpr host::D3DFORMAT kFormats[] = {host::D3DFMT_YV12, host::D3DFMT_YUY2, host::D3DFMT_UYVY};
    if (layout == OC_PF_420) return kFormats;
    if (layout == OC_PF_422) return std::span(kFormats).subspan(1);
    return {};
}

// Whether the frame's chroma planes fit the format: half the width, and half the height
// (4:2:0) or, for the packed formats, the whole height (4:2:2).
bool Fits(host::D3DFORMAT format, const TheoraStockFrame& f) {
    if (f.yWidth != 2 * f.cWidth) return false;
    return f.yHeight == 2 * f.cHeight || (format != host::D3DFMT_YV12 && f.yHeight == f.cHeight);
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
    for (host::D3DFORMAT format : FormatsFor(m->info.pixelformat))
        if (device->CreateOffscreenPlainSurface(m->info.width, m->info.height, format, host::D3DPOOL_DEFAULT,
                                                &m->surface, nullptr) >= 0 &&
            m->surface) {
            m->surfaceFormat = format;
            return;
        }
}

host::Surface* GetTheoraSurface(TheoraMovie* m) { return m ? m->surface : nullptr; }

host::Surface* GetTheoraTexture(TheoraMovie* m) { return m && m->surfaceDone ? m->surface : nullptr; }

// A surface that cannot be locked is made again, twice at most.
bool CopyFrameToSurface(TheoraMovie* m, const TheoraStockFrame& f) {
    if (!Fits(m->surfaceFormat, f)) return false;
    host::D3DLOCKED_RECT locked;
    for (int tries = 0; m->surface && m->surface->LockRect(&locked, nullptr, 0) < 0; SetupTheoraSurface(m))
        if (++tries == kLockTries) return false;
    if (!m->surface) return false;
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    const int32_t width = int32_t(m->info.width), height = int32_t(m->info.height);
    if (m->surfaceFormat == host::D3DFMT_YV12) CopyPlanar(f, bits, locked.Pitch, width, height);
    else CopyPacked(f, bits, locked.Pitch, width, height, m->surfaceFormat == host::D3DFMT_UYVY);
    m->surface->UnlockRect();
    return true;
}

}  // namespace orvik
