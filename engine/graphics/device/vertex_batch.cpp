#include "engine/graphics/device/vertex_batch.h"

#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_target.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/mask/mask_screen.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/platform/base/matrix.h"
#include "engine/platform/window/window.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

VertexBatch g_batch;

constexpr BatchLayout kLayouts[2][3] = {
    {{0x44, 20, 3225}, {0x144, 28, 2340}, {0x2C4, 40, 1638}},
    {{0x42, 16, 4096}, {0x142, 24, 2730}, {0, 0, 0}},
};
constexpr size_t kMaxIndices = 1000;

size_t BufferIndex(int kind, int subFormat) { return size_t(kind * 3 + subFormat); }

bool ValidLayout(int kind, int subFormat) {
    return kind >= 0 && kind <= 1 && subFormat >= 0 && subFormat <= 2 && kLayouts[kind][subFormat].capacity > 0;
}

void SetFvf(uint32_t fvf) {
    DeviceStateCache& c = StateCache();
    if (c.fvf == fvf && !c.force) return;
    Graphics().dev.device->SetFVF(fvf);
    c.fvf = fvf;
}

uint32_t PrimitiveCount(int type, uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return n / 2;
    case D3DPT_LINESTRIP: return n ? n - 1 : 0;
    case D3DPT_TRIANGLELIST: return n / 3;
    default: return n >= 2 ? n - 2 : 0;
    }
}

// Pre-transformed vertices are in the draw target's pixels; a target lying inside the
// surface rendered into (a cell of a drawable graphic) moves them to its place there.
bool AtSurfaceCorner(const TargetOrigin& o) { return o.x == 0 && o.y == 0; }

void MoveToTargetOrigin(uint8_t* vertices, uint32_t count, uint32_t stride, const TargetOrigin& o) {
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* v = vertices + size_t(i) * stride;
        float xy[2];
        std::memcpy(xy, v, sizeof xy);
        xy[0] += float(o.x);
        xy[1] += float(o.y);
        std::memcpy(v, xy, sizeof xy);
    }
}

// A set-up that shows nothing (a blend mask hiding every pixel) draws no vertices.
bool DrawsSomething() { return !StateCache().drawsNothing; }

void DrawIndices(const std::vector<uint16_t>& indices, uint32_t vertexCount, const void* vertices,
                 const BatchLayout& layout) {
    if (indices.size() < 3 || !DrawsSomething()) return;
    SetFvf(layout.fvf);
    Graphics().dev.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLESTRIP, 0, vertexCount, UINT(indices.size() - 2),
                                                  indices.data(), D3DFMT_INDEX16, vertices, layout.stride);
}

}  // namespace

const BatchLayout& GetBatchLayout(int kind, int subFormat) { return kLayouts[kind & 1][subFormat % 3]; }

VertexBatch& Batch() { return g_batch; }

void InitVertexBatchBuffers() {
    for (int kind = 0; kind < 2; ++kind)
        for (int sub = 0; sub < 3; ++sub) {
            const BatchLayout& l = kLayouts[kind][sub];
            std::vector<uint8_t>& b = g_batch.buffers[BufferIndex(kind, sub)];
            b.assign(size_t(l.stride) * l.capacity, 0);
            if (kind != 0) continue;
            const float rhw = 1.0f;
            const uint32_t white = 0xFFFFFFFF;
            for (uint32_t v = 0; v < l.capacity; ++v) {
                uint8_t* p = b.data() + size_t(v) * l.stride;
                std::memcpy(p + 12, &rhw, 4);
                if (sub == 2) std::memcpy(p + 20, &white, 4);
            }
        }
    g_batch.kind = 0;
    g_batch.subFormat = 1;
    g_batch.primitive = D3DPT_TRIANGLELIST;
    g_batch.pending = 0;
}

int FlushVertexBatch() {
    DeviceObjects& d = Graphics().dev;
    if (!d.device) return -1;
    VertexBatch& b = g_batch;
    if (b.pending > 0 && !Window().rt.endFlag && DrawsSomething()) {
        BeginSceneIfNeeded();
        const BatchLayout& l = kLayouts[b.kind][b.subFormat];
        uint8_t* vertices = b.buffers[BufferIndex(b.kind, b.subFormat)].data();
        const TargetOrigin o = CurrentTargetOrigin();
        if (b.kind == 0 && !AtSurfaceCorner(o)) MoveToTargetOrigin(vertices, b.pending, l.stride, o);
        SetFvf(l.fvf);
        if (b.kind == 1) {
            Matrix4 identity;
            SetUnitMatrix(&identity);
            SetWorldTransformRaw(identity);
        }
        d.device->DrawPrimitiveUP(D3DPRIMITIVETYPE(b.primitive), PrimitiveCount(b.primitive, b.pending), vertices,
                                  l.stride);
        // 3D vertices were drawn under the identity; the current world matrix comes back.
        if (b.kind == 1) SetWorldTransformRaw(Draw().t3d.world);
    }
    b.pending = 0;
    // Whatever made this flush may read or change what the queued composites write.
    DrawQueuedComposites();
    return 0;
}

int FlushVertexBatchUsing(const BaseTexture* texture, const Surface* surface) {
    Device* d = Graphics().dev.device;
    if (!d) return -1;
    // Composites waiting for the mask screen write the draw target, which need not be the
    // device's target while they wait: they are drawn first whatever changes.
    if (!MaskState().queued.empty()) return FlushVertexBatch();
    if (g_batch.pending == 0) return 0;
    // The batch is drawn into the target and with the textures the device has bound: every
    // draw added to it bound its own first, drawing what was pending under others.
    bool used = false;
    Surface* target = nullptr;
    if (surface && SUCCEEDED(d->GetRenderTarget(0, &target)) && target) {
        used = target == surface;
        target->Release();
    }
    for (int stage = 0; stage < kMaxSamplers && !used; ++stage) {
        BaseTexture* bound = nullptr;
        if (FAILED(d->GetTexture(DWORD(stage), &bound)) || !bound) continue;
        used = bound == texture;
        bound->Release();
    }
    return used ? FlushVertexBatch() : 0;
}

uint8_t* ReserveBatchVertices(int kind, int subFormat, int primitive, uint32_t count) {
    if (!Graphics().dev.device || !ValidLayout(kind, subFormat) || primitive < 1 || primitive > 6) return nullptr;
    const BatchLayout& l = kLayouts[kind][subFormat];
    if (count == 0 || count > l.capacity) return nullptr;
    VertexBatch& b = g_batch;
    if (b.kind != kind || b.subFormat != subFormat || b.primitive != primitive || b.pending + count > l.capacity) {
        FlushVertexBatch();
        b.kind = kind;
        b.subFormat = subFormat;
        b.primitive = primitive;
    }
    std::vector<uint8_t>& buffer = b.buffers[BufferIndex(kind, subFormat)];
    if (buffer.empty()) return nullptr;
    uint8_t* at = buffer.data() + size_t(b.pending) * l.stride;
    b.pending += count;
    return at;
}

int DrawIndexedBatch(int columns, const void* vertices, int rows, int subFormat) {
    if (!Graphics().dev.device) return 0;
    if (columns < 2 || rows < 2 || !vertices || int64_t(columns) * rows > 65536) return -1;
    if (subFormat != 1 && subFormat != 2) return -1;
    const BatchLayout& layout = kLayouts[0][subFormat];
    FlushVertexBatch();
    BeginSceneIfNeeded();
    const uint32_t vertexCount = uint32_t(columns * rows);
    const TargetOrigin o = CurrentTargetOrigin();
    std::vector<uint8_t> moved;
    if (!AtSurfaceCorner(o)) {
        const auto* first = static_cast<const uint8_t*>(vertices);
        moved.assign(first, first + size_t(vertexCount) * layout.stride);
        MoveToTargetOrigin(moved.data(), vertexCount, layout.stride, o);
        vertices = moved.data();
    }
    std::vector<uint16_t> list;
    list.reserve(kMaxIndices);
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            uint16_t lower = uint16_t((r + 1) * columns + c), upper = uint16_t(r * columns + c);
            bool joining = c == 0 && !list.empty();
            size_t needed = joining ? 4 : 2;
            if (list.size() + needed > kMaxIndices) {
                DrawIndices(list, vertexCount, vertices, layout);
                list.clear();
                joining = false;
                // A strip cut inside a row pair starts again from the previous column.
                if (c > 0) {
                    list.push_back(uint16_t((r + 1) * columns + c - 1));
                    list.push_back(uint16_t(r * columns + c - 1));
                }
            }
            if (joining) {
                // Two repeated indices make degenerate triangles that join the strips.
                list.push_back(list.back());
                list.push_back(lower);
            }
            list.push_back(lower);
            list.push_back(upper);
        }
    }
    DrawIndices(list, vertexCount, vertices, layout);
    return 0;
}

}  // namespace orvik
