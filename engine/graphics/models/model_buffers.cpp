// The device buffers of models: the meshes of a base packed by class into chains of
// shared vertex and 16-bit index buffers, and the buffers instances keep of their own.
// The system copies always stay, so the buffers can be filled again after the device is
// re-created.
#include <cstring>

#include "engine/graphics/device/device_buffers.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/tracked_object.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

bool BuffersAvailable() { return Graphics().direct3DMode && Graphics().dev.device; }

template <class Buffer>
int Fill(Buffer* buffer, uint32_t offset, const void* data, uint32_t bytes) {
    void* p = nullptr;
    if (bytes == 0) return 0;
    if (!buffer || host::FAILED(buffer->Lock(offset, bytes, &p, 0)) || !p) return -1;
    std::memcpy(p, data, bytes);
    buffer->Unlock();
    return 0;
}

ModelBufferRecord*& Chain(ModelBase& base, const ModelMesh& mesh) {
    return base.chains[mesh.vertexKind][mesh.materialVariant][ModelSizeClass(mesh.vertices.size() / mesh.vertexStride)];
}

bool Packable(const ModelMesh& mesh) {
    return !mesh.ownBuffer && mesh.vertexStride > 0 && mesh.vertexKind >= 0 && mesh.vertexKind < kModelVertexKinds &&
           mesh.materialVariant >= 0 && mesh.materialVariant < kModelMaterialVariants;
}

// Appends the mesh to the newest record of its chain, starting a record when the mesh
// would bring its bytes or entries to the limit.
void Pack(ModelBase& base, ModelMesh& mesh) {
    ModelBufferRecord*& head = Chain(base, mesh);
    ModelBufferRecord* last = head;
    while (last && last->next) last = last->next;
    const uint32_t vertexCount = uint32_t(mesh.vertices.size() / mesh.vertexStride);
    const uint64_t bytes = last ? uint64_t(last->vertexCount + vertexCount) * mesh.vertexStride +
                                      uint64_t(last->indexCount + mesh.indices.size()) * 2
                                : 0;
    const uint64_t entries = last ? uint64_t(last->vertexCount) + vertexCount + last->indexCount + mesh.indices.size() : 0;
    if (!last || last->stride != mesh.vertexStride || bytes >= kModelChainByteLimit ||
        entries >= kModelChainEntryLimit) {
        ModelBufferRecord* fresh = ORVIK_TRACKED_NEW(ModelBufferRecord);
        if (!fresh) return;
        fresh->stride = mesh.vertexStride;
        (last ? last->next : head) = fresh;
        last = fresh;
    }
    mesh.record = last;
    mesh.firstVertex = last->vertexCount;
    mesh.firstIndex = last->indexCount;
    last->vertexCount += vertexCount;
    last->indexCount += uint32_t(mesh.indices.size());
}

int MakeRecordBuffers(ModelBufferRecord* r) {
    r->vertices = CreateDeviceVertexBuffer(r->vertexCount * r->stride, host::D3DUSAGE_WRITEONLY, 0, host::D3DPOOL_DEFAULT);
    r->indices = CreateDeviceIndexBuffer(r->indexCount * 2, host::D3DUSAGE_WRITEONLY, host::D3DFMT_INDEX16,
                                         host::D3DPOOL_DEFAULT);
    return r->vertices && r->indices ? 0 : -1;
}

int Upload(ModelBase& base) {
    int result = 0;
    for (ModelMesh& mesh : base.meshes) {
        ModelBufferRecord* r = mesh.record;
        if (!r) continue;
        if (!r->vertices && MakeRecordBuffers(r) != 0) result = -1;
        if (Fill(r->vertices, mesh.firstVertex * mesh.vertexStride, mesh.vertices.data(), uint32_t(mesh.vertices.size())) ||
            Fill(r->indices, mesh.firstIndex * 2, mesh.indices.data(), uint32_t(mesh.indices.size() * 2)))
            result = -1;
    }
    return result;
}

template <class T>
void ReleaseObject(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

}  // namespace

int ModelSizeClass(size_t vertexCount) {
    int sizeClass = 0;
    for (size_t limit = 64; vertexCount >= limit && sizeClass < kModelSizeClasses - 1; limit *= 4) ++sizeClass;
    return sizeClass;
}

int SetupModelBuffers(int32_t baseHandle, int keep) {
    if (!BuffersAvailable()) return 0;
    ModelBase* base = GetModelBase(baseHandle);
    if (!base) return -1;
    if (base->deviceObjectsMade) return 0;
    base->keepSystemCopies = keep;
    for (ModelMesh& mesh : base->meshes)
        if (Packable(mesh)) Pack(*base, mesh);
    base->deviceObjectsMade = 1;
    if (Upload(*base) == 0) return 0;
    AddLogText("モデルの頂点バッファの作成に失敗しました\n");
    return -1;
}

int CreateModelVertexBuffer(int32_t instanceHandle) {
    ModelInstance* instance = GetModelInstance(instanceHandle);
    if (!instance) return -1;
    ModelBase* base = GetModelBase(instance->base);
    if (!base || !BuffersAvailable()) return base ? 0 : -1;
    instance->meshBuffers.resize(base->meshes.size(), nullptr);
    int result = 0;
    for (size_t i = 0; i < base->meshes.size(); ++i) {
        const ModelMesh& mesh = base->meshes[i];
        if (!mesh.ownBuffer || instance->meshBuffers[i] || mesh.vertices.empty()) continue;
        auto* vb = CreateDeviceVertexBuffer(uint32_t(mesh.vertices.size()), host::D3DUSAGE_WRITEONLY, 0,
                                            host::D3DPOOL_DEFAULT);
        instance->meshBuffers[i] = vb;
        if (Fill(vb, 0, mesh.vertices.data(), uint32_t(mesh.vertices.size())) != 0) result = -1;
    }
    return result;
}

int ReleaseModelInstanceBuffers(int32_t instanceHandle) {
    ModelInstance* instance = GetModelInstance(instanceHandle);
    if (!instance) return -1;
    for (host::VertexBuffer*& vb : instance->meshBuffers) ReleaseObject(vb);
    return 0;
}

int ReleaseModelBaseDeviceObjects(int32_t baseHandle) {
    ModelBase* base = GetModelBase(baseHandle);
    if (!base) return -1;
    for (auto& kind : base->chains)
        for (auto& variant : kind)
            for (ModelBufferRecord*& head : variant) {
                while (ModelBufferRecord* r = head) {
                    head = r->next;
                    ReleaseObject(r->vertices);
                    ReleaseObject(r->indices);
                    TrackedDelete(r);
                }
            }
    for (ModelMesh& mesh : base->meshes) mesh.record = nullptr;
    base->deviceObjectsMade = 0;
    ForEachModelInstanceOf(baseHandle, [](int32_t h) { ReleaseModelInstanceBuffers(h); });
    return 0;
}

}  // namespace orvik
