#include "engine/graphics/device/device_buffers.h"

#include <cstring>
#include <memory>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

using namespace host;

namespace {

constexpr uint32_t kCheckCount = 2048;

// One table of records: slots, count, high-water index (one past the highest used slot)
// and the wrapping check-number counter.
struct BufferTable {
    int32_t type;
    int32_t capacity;
    std::vector<std::unique_ptr<DeviceBufferRecord>> slots;
    int32_t count = 0, highWater = 0;
    uint32_t nextCheck = 0;

    DeviceBufferRecord* Find(int32_t handle) {
        if (handle < 0 || (handle & 0x78000000) != type) return nullptr;
        int32_t slot = handle & 0xFFFF;
        if (slot >= capacity || size_t(slot) >= slots.size() || !slots[size_t(slot)]) return nullptr;
        DeviceBufferRecord* r = slots[size_t(slot)].get();
        return r->check == uint32_t((handle >> 16) & 0x7FF) ? r : nullptr;
    }

    DeviceBufferRecord* Alloc() {
        if (slots.empty()) slots.resize(size_t(capacity));
        int32_t slot = highWater;
        if (slot >= capacity) {
            for (slot = 0; slot < capacity && slots[size_t(slot)]; ++slot) {}
            if (slot == capacity) return nullptr;
        }
        auto record = std::make_unique<DeviceBufferRecord>();
        record->check = nextCheck;
        nextCheck = (nextCheck + 1) % kCheckCount;
        record->handle = type | int32_t(record->check << 16) | slot;
        slots[size_t(slot)] = std::move(record);
        ++count;
        if (slot >= highWater) highWater = slot + 1;
        return slots[size_t(slot)].get();
    }

    int Delete(int32_t handle) {
        DeviceBufferRecord* r = Find(handle);
        if (!r) return -1;
        if (r->object) r->object->Release();
        int32_t slot = handle & 0xFFFF;
        slots[size_t(slot)].reset();
        --count;
        if (slot + 1 == highWater)
            while (highWater > 0 && !slots[size_t(highWater - 1)]) --highWater;
        return 0;
    }

    int DeleteAll() {
        for (auto& s : slots)
            if (s) Delete(s->handle);
        return 0;
    }
};

BufferTable g_vertex{kVertexBufferHandleType, 16384, {}};
BufferTable g_index{kIndexBufferHandleType, 16384, {}};
BufferTable g_shader{kShaderHandleType, 4096, {}};

bool HardwareVertexWork() { return Graphics().dev.device && Graphics().dev.hardwareVertexProcessing; }

template <class Buffer>
int Upload(Buffer* buffer, uint32_t offset, const void* data, uint32_t bytes, const char* failure) {
    void* p = nullptr;
    if (FAILED(buffer->Lock(offset, bytes, &p, 0)) || !p) return AddLogText(failure);
    std::memcpy(p, data, bytes);
    buffer->Unlock();
    return 0;
}

int SetData(BufferTable& table, int32_t start, const void* data, int32_t count, int32_t handle, bool vertex) {
    DeviceBufferRecord* r = table.Find(handle);
    if (!r || !data || start < 0 || count < 0 || int64_t(start) + count > r->elementCount) return -1;
    uint32_t offset = uint32_t(start * r->elementSize), bytes = uint32_t(count * r->elementSize);
    if (r->object) {
        int result = vertex ? Upload(static_cast<VertexBuffer*>(r->object), offset, data, bytes,
                                     "頂点バッファのロックに失敗しました\n")
                            : Upload(static_cast<IndexBuffer*>(r->object), offset, data, bytes,
                                     "インデックスバッファのロックに失敗しました\n");
        if (result != 0) return -1;
    }
    std::memcpy(r->data.data() + offset, data, bytes);
    return 0;
}

// The record's device buffer, filled from its system copy; only with hardware vertex work.
int CreateBufferObject(DeviceBufferRecord& r, bool vertex) {
    if (!HardwareVertexWork()) return 0;
    Device* d = Graphics().dev.device;
    const UINT bytes = UINT(r.data.size());
    if (vertex) {
        VertexBuffer* vb = nullptr;
        if (FAILED(d->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0x2D2, D3DPOOL_DEFAULT, &vb)))
            return AddLogText("頂点バッファの作成に失敗しました\n");
        r.object = vb;
        return Upload(vb, 0, r.data.data(), bytes, "頂点バッファのロックに失敗しました\n");
    }
    IndexBuffer* ib = nullptr;
    if (FAILED(d->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib)))
        return AddLogText("インデックスバッファの作成に失敗しました\n");
    r.object = ib;
    return Upload(ib, 0, r.data.data(), bytes, "インデックスバッファのロックに失敗しました\n");
}

// The record's shader object from its kept code: a pixel shader for kind 0, else a vertex
// shader. Without a device, or when the device refuses the code (-1, logged), the record
// keeps only its code.
int CreateShaderObject(DeviceBufferRecord& r) {
    if (!Graphics().dev.device) return 0;
    if (r.kind == 0) r.object = MakePixelShader(r.data.data(), r.data.size());
    else r.object = MakeVertexShader(r.data.data(), r.data.size());
    return r.object ? 0 : -1;
}

// The new record's handle once `create` has made its device object (when there is a
// device to make it on). A handle whose object the device refused, or left unfilled, would
// draw nothing and could not be told from a good one: its slot is freed and -1 returned.
template <class Create>
int32_t HandleIfCreated(BufferTable& table, DeviceBufferRecord& r, Create create) {
    const int32_t handle = r.handle;
    if (create(r) == 0) return handle;
    table.Delete(handle);
    return -1;
}

int32_t AllocBuffer(BufferTable& table, int32_t size, int32_t count, bool vertex) {
    if (size <= 0 || count <= 0 || int64_t(size) * count > (int64_t(1) << 30)) return -1;
    DeviceBufferRecord* r = table.Alloc();
    if (!r) return -1;
    r->elementSize = size;
    r->elementCount = count;
    r->data.assign(size_t(size) * size_t(count), 0);
    return HandleIfCreated(table, *r, [vertex](DeviceBufferRecord& made) { return CreateBufferObject(made, vertex); });
}

void ReleaseObjects(BufferTable& table) {
    for (auto& s : table.slots)
        if (s && s->object) {
            s->object->Release();
            s->object = nullptr;
        }
}

template <class Create>
void RecreateObjects(BufferTable& table, Create create) {
    for (auto& s : table.slots)
        if (s && !s->object) create(*s);
}

}  // namespace

VertexBuffer* CreateDeviceVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool) {
    Device* d = Graphics().dev.device;
    VertexBuffer* vb = nullptr;
    if (!d || FAILED(d->CreateVertexBuffer(length, usage, fvf, D3DPOOL(pool), &vb))) return nullptr;
    return vb;
}

IndexBuffer* CreateDeviceIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool) {
    Device* d = Graphics().dev.device;
    IndexBuffer* ib = nullptr;
    if (!d || FAILED(d->CreateIndexBuffer(length, usage, D3DFORMAT(format), D3DPOOL(pool), &ib))) return nullptr;
    return ib;
}

int32_t AllocVertexBufferHandle(int32_t size, int32_t count) { return AllocBuffer(g_vertex, size, count, true); }
int32_t AllocIndexBufferHandle(int32_t size, int32_t count) { return AllocBuffer(g_index, size, count, false); }

int32_t AllocShaderHandle(int32_t kind, const void* code, int32_t bytes) {
    if (!code || bytes <= 0) return -1;
    DeviceBufferRecord* r = g_shader.Alloc();
    if (!r) return -1;
    r->kind = kind;
    r->data.assign(static_cast<const uint8_t*>(code), static_cast<const uint8_t*>(code) + bytes);
    return HandleIfCreated(g_shader, *r, CreateShaderObject);
}

int DeleteVertexBufferHandle(int32_t handle) { return g_vertex.Delete(handle); }
int DeleteIndexBufferHandle(int32_t handle) { return g_index.Delete(handle); }
int DeleteShaderHandle(int32_t handle) { return g_shader.Delete(handle); }
int DeleteAllVertexBufferHandles() { return g_vertex.DeleteAll(); }
int DeleteAllIndexBufferHandles() { return g_index.DeleteAll(); }
int DeleteAllShaderHandles() { return g_shader.DeleteAll(); }

int SetVertexBufferData(int32_t start, const void* data, int32_t count, int32_t handle) {
    return SetData(g_vertex, start, data, count, handle, true);
}

int SetIndexBufferData(int32_t start, const void* data, int32_t count, int32_t handle) {
    return SetData(g_index, start, data, count, handle, false);
}

void ReleaseDeviceBufferObjects() {
    ReleaseObjects(g_vertex);
    ReleaseObjects(g_index);
    ReleaseObjects(g_shader);
}

void RecreateDeviceBufferObjects() {
    RecreateObjects(g_vertex, [](DeviceBufferRecord& r) { return CreateBufferObject(r, true); });
    RecreateObjects(g_index, [](DeviceBufferRecord& r) { return CreateBufferObject(r, false); });
    RecreateObjects(g_shader, CreateShaderObject);
}

const DeviceBufferRecord* GetVertexBufferRecord(int32_t handle) { return g_vertex.Find(handle); }
const DeviceBufferRecord* GetShaderRecord(int32_t handle) { return g_shader.Find(handle); }

HandleTableInfo VertexBufferTableInfo() { return {g_vertex.count, g_vertex.highWater}; }

}  // namespace orvik
