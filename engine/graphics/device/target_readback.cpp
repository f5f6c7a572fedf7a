#include "engine/graphics/device/target_readback.h"

#include <algorithm>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/draw/color_data.h"
#include "engine/graphics/device/d3d_device.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/graphics/device/vertex_batch.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {
using namespace host;

ReadBackHold& Hold() { return Graphics().readBack; }

// Where a target's pixels live: its size, and the surface (device path, with the place
// of the target in it) or the memory image (software path).
struct TargetStore {
    int width = 0, height = 0;
    Surface* surface = nullptr;
    int offsetX = 0, offsetY = 0;
    const MEMIMG* image = nullptr;
};

bool FindTargetStore(int32_t target, TargetStore* t) {
    GraphicsState& g = Graphics();
    if (target < 0) {
        GetScreenSize(&t->width, &t->height);
        t->surface = g.dev.subBackBuffer ? g.dev.subBackBuffer : g.dev.backBuffer;
        t->image = g.softScreen;
        return true;
    }
    const GraphRecord* r = GetGraphRecord(target);
    if (!r || !r->images) return false;
    t->width = r->width;
    t->height = r->height;
    t->image = &r->view;
    if (!r->images->pieces.empty()) {
        // Drawing reaches only the first texture piece of a graphic, so only that is read.
        const TexturePiece& piece = r->images->pieces[0];
        t->surface = piece.surface;
        t->offsetX = r->x - piece.x;
        t->offsetY = r->y - piece.y;
        t->width = std::min(t->width, piece.width - t->offsetX);
        t->height = std::min(t->height, piece.height - t->offsetY);
    }
    return true;
}

bool Inside(const RECT& r, int width, int height) {
    return r.left >= 0 && r.left < r.right && r.right <= width && r.top >= 0 && r.top < r.bottom && r.bottom <= height;
}

void Describe(const ColorFormat& format, const RECT& r, int pitch, uint8_t* first, BaseImage* image) {
    *image = BaseImage{};
    image->format = format;
    image->width = r.right - r.left;
    image->height = r.bottom - r.top;
    image->pitch = pitch;
    image->pixels = first;
}

int ReadSoftware(const TargetStore& t, const RECT& r, BaseImage* image) {
    const MEMIMG* m = t.image;
    if (!m || !IsMemImgValid(m)) return AddLogText("読み取る画像がありません in LockDrawTargetRect\n");
    const int bytes = MemImgBytesPerPixel(m);
    Describe(*m->store->colorFormat, r, m->store->pitch,
             m->pixels + size_t(r.top) * size_t(m->store->pitch) + size_t(r.left) * size_t(bytes), image);
    Hold() = ReadBackHold{1, nullptr, 0};
    return 0;
}

// The rectangle copied into a render target of its own, then into system memory, and
// that copy locked.
int CopyAndLock(Surface* source, const RECT& r, D3DFORMAT format, D3DLOCKED_RECT* locked) {
    Device* device = Graphics().dev.device;
    const UINT w = UINT(r.right - r.left), h = UINT(r.bottom - r.top);
    Surface *target = nullptr, *system = nullptr;
    if (FAILED(device->CreateRenderTarget(w, h, format, D3DMULTISAMPLE_NONE, 0, 0, &target)))
        return AddLogText("バックバッファロック用描画可能サーフェスの作成に失敗しました\n");
    if (FAILED(device->CreateOffscreenPlainSurface(w, h, format, D3DPOOL_SYSTEMMEM, &system))) {
        target->Release();
        return AddLogText("バックバッファロック用システムメモリサーフェスの作成に失敗しました\n");
    }
    const bool copied = SUCCEEDED(device->StretchRect(source, &r, target, nullptr, D3DTEXF_NONE)) &&
                        SUCCEEDED(device->GetRenderTargetData(target, system)) &&
                        SUCCEEDED(system->LockRect(locked, nullptr, D3DLOCK_READONLY));
    target->Release();
    if (!copied) {
        system->Release();
        return AddLogText("描画対象の読み取りに失敗しました in LockDrawTargetRect\n");
    }
    Hold() = ReadBackHold{1, system, 1};
    return 0;
}

int ReadDevice(const TargetStore& t, const RECT& rect, BaseImage* image) {
    D3DSURFACE_DESC desc;
    const ColorFormat* cf = t.surface && SUCCEEDED(t.surface->GetDesc(&desc)) ? GetD3DFormatColorData(desc.Format) : nullptr;
    if (!cf) return AddLogText("読み取れない描画対象です in LockDrawTargetRect\n");
    const RECT r{rect.left + t.offsetX, rect.top + t.offsetY, rect.right + t.offsetX, rect.bottom + t.offsetY};
    D3DLOCKED_RECT locked;
    if (Graphics().dev.backBufferLock && SUCCEEDED(t.surface->LockRect(&locked, &r, D3DLOCK_READONLY)))
        Hold() = ReadBackHold{1, t.surface, 0};
    else if (CopyAndLock(t.surface, r, desc.Format, &locked) != 0)
        return -1;
    Describe(*cf, rect, locked.Pitch, static_cast<uint8_t*>(locked.pBits), image);
    return 0;
}

}  // namespace

int LockTargetRect(int32_t target, const RECT* rect, BaseImage* image) {
    GraphicsState& g = Graphics();
    if (!g.up || !image) return -1;
    if (Hold().held) return AddLogText("既に描画対象を読み取り中です in LockDrawTargetRect\n");
    TargetStore t;
    if (!FindTargetStore(target, &t)) return AddLogText("描画対象のグラフィックハンドルが不正です in LockDrawTargetRect\n");
    const RECT r = rect ? *rect : RECT{0, 0, t.width, t.height};
    if (!Inside(r, t.width, t.height)) return AddLogText("読み取る矩形が描画対象からはみ出しています in LockDrawTargetRect\n");
    if (!g.direct3DMode) return ReadSoftware(t, r, image);
    FlushVertexBatch();
    EndSceneIfBegun();
    return ReadDevice(t, r, image);
}

int LockDrawTargetRect(const RECT* rect, BaseImage* image) { return LockTargetRect(Draw().drawTarget, rect, image); }

int ReleaseDrawTargetRect() {
    ReadBackHold& h = Hold();
    if (h.surface) {
        h.surface->UnlockRect();
        if (h.copy) h.surface->Release();
    }
    h = ReadBackHold{};
    return 0;
}

int LockDrawTargetForCpu(int x1, int y1, int x2, int y2, int32_t graph, int destX, int destY) {
    if (!Graphics().up) return -1;
    if (!GetGraphRecord(graph)) return AddLogText("グラフィックハンドルが不正です in LockDrawTargetForCpu\n");
    const RECT r{x1, y1, x2, y2};
    BaseImage image;
    if (LockDrawTargetRect(&r, &image) != 0) return -1;
    const int result =
        TransferImageToTexture(graph, image, nullptr, PixelRect{0, 0, image.width, image.height}, destX, destY, 0);
    ReleaseDrawTargetRect();
    return result == 0 ? 0 : -1;
}

int SwitchToSubBackBuffer() {
    GraphicsState& g = Graphics();
    DeviceObjects& d = g.dev;
    if (d.subBackBuffer) return 0;
    if (!g.direct3DMode || !d.device) return -1;
    FlushVertexBatch();
    EndSceneIfBegun();
    if (CreateSubBackBuffer() != 0) return -1;
    d.device->StretchRect(d.backBuffer, nullptr, d.subBackBuffer, nullptr, D3DTEXF_NONE);
    // A graphic being drawn into stays the render target; the screen targets move over.
    if (g.drawTarget >= 0) return 0;
    ForceRenderTargetSurface(d.subBackBuffer);
    return 0;
}

}  // namespace orvik
