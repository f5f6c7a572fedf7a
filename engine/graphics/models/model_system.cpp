// The model tables: bases in a growable table of 17-bit slots (a slot can be reserved
// without a record), instances in a handle table; start-up, shutdown and deletion.
#include <cmath>
#include <numbers>

#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/base/handle_table.h"
#include "engine/graphics/models/model_handles.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

enum BaseSlotState { kSlotEmpty, kSlotReserved, kSlotUsed };

struct BaseSlot {
    BaseSlotState state = kSlotEmpty;
    ModelBase* record = nullptr;
};

struct BaseTable {
    std::vector<BaseSlot> slots;
    int32_t count = 0, highWater = 0;
};

ModelSystemState g_models;
BaseTable g_bases;

HandleTable<ModelInstance>& Instances() {
    static HandleTable<ModelInstance> table(kModelInstanceHandleType, kModelInstanceCapacity);
    return table;
}

int32_t FreeBaseSlot() {
    for (int32_t slot = 0; slot < int32_t(g_bases.slots.size()); ++slot)
        if (g_bases.slots[size_t(slot)].state == kSlotEmpty) return slot;
    if (g_bases.slots.size() > size_t(kModelBaseSlotMask)) return -1;
    g_bases.slots.emplace_back();
    return int32_t(g_bases.slots.size() - 1);
}

int32_t TakeBaseSlot(BaseSlotState state, ModelBase* record) {
    const int32_t slot = FreeBaseSlot();
    if (slot == -1) return AddLogText("モデル基本データの数が許容量を越えました\n");
    g_bases.slots[size_t(slot)] = {state, record};
    ++g_bases.count;
    if (slot >= g_bases.highWater) g_bases.highWater = slot + 1;
    return kModelBaseHandleType | slot;
}

BaseSlot* FindBaseSlot(int32_t handle) {
    if (handle < 0 || (handle & 0x78000000) != kModelBaseHandleType) return nullptr;
    const size_t slot = size_t(handle & kModelBaseSlotMask);
    if (slot >= g_bases.slots.size() || g_bases.slots[slot].state == kSlotEmpty) return nullptr;
    return &g_bases.slots[slot];
}

void ClearBaseSlot(BaseSlot* s) {
    *s = BaseSlot{};
    --g_bases.count;
    while (g_bases.highWater > 0 && g_bases.slots[size_t(g_bases.highWater - 1)].state == kSlotEmpty)
        --g_bases.highWater;
}

void FreeBaseBlocks(ModelBase* base) {
    for (ModelMaterial& m : base->materials) {
        if (m.textureGraph != -1) DeleteGraphHandle(m.textureGraph);
        FreeBaseImage(&m.color);
        FreeBaseImage(&m.alpha);
    }
    TrackedDelete(base);
}

template <typename F>
void ForEachBase(F f) {
    for (int32_t slot = 0; slot < g_bases.highWater; ++slot)
        if (g_bases.slots[size_t(slot)].state == kSlotUsed) f(kModelBaseHandleType | slot, *g_bases.slots[size_t(slot)].record);
}

}  // namespace

ModelSystemState& ModelSystem() { return g_models; }

int InitModelSystem() {
    // Models draw on the Direct3D device only.
    if (g_models.initialised || !Graphics().direct3DMode) return 0;
    g_models.sineTable.resize(65536);
    for (size_t i = 0; i < g_models.sineTable.size(); ++i)
        g_models.sineTable[i] = float(std::sin(2.0 * std::numbers::pi * double(i) / 65536.0));
    g_models.quarterTurn = 1.5620697f;
    g_bases = BaseTable{};
    Instances().ReleaseAll();
    g_models.initialised = 1;
    return 0;
}

int TermModelSystem() {
    std::vector<int32_t> instances;
    Instances().ForEach([&](int32_t h, ModelInstance&) { instances.push_back(h); });
    for (int32_t h : instances) DeleteModelInstance(h);
    for (int32_t slot = g_bases.highWater - 1; slot >= 0; --slot) {
        BaseSlot& s = g_bases.slots[size_t(slot)];
        if (s.state == kSlotUsed) {
            ReleaseModelBaseDeviceObjects(kModelBaseHandleType | slot);
            FreeBaseBlocks(s.record);
        }
        if (s.state != kSlotEmpty) ClearBaseSlot(&s);
    }
    g_bases = BaseTable{};
    g_models.initialised = 0;
    return 0;
}

int32_t AddModelBase(ModelBase&& data) {
    ModelBase* record = ORVIK_TRACKED_NEW(ModelBase, std::move(data));
    if (!record) return AddLogText("モデル基本データ用のメモリ確保に失敗しました\n");
    record->references = 1;
    record->deviceObjectsMade = 0;
    const int32_t handle = TakeBaseSlot(kSlotUsed, record);
    if (handle == -1) TrackedDelete(record);
    return handle;
}

int32_t ReserveModelBaseSlot() { return TakeBaseSlot(kSlotReserved, nullptr); }

ModelBase* GetModelBase(int32_t handle) {
    BaseSlot* s = FindBaseSlot(handle);
    return s && s->state == kSlotUsed ? s->record : nullptr;
}

int32_t AddModelInstance(int32_t baseHandle) {
    ModelBase* base = GetModelBase(baseHandle);
    if (!base) return -1;
    ModelInstance* instance = nullptr;
    const int32_t handle = Instances().Add(&instance);
    if (handle == -1) return AddLogText("モデルハンドルの数が許容量を越えました\n");
    instance->base = baseHandle;
    instance->meshBuffers.assign(base->meshes.size(), nullptr);
    ++base->references;
    return handle;
}

ModelInstance* GetModelInstance(int32_t handle) { return Instances().Find(handle); }
int32_t ModelInstanceCount() { return Instances().Count(); }

int DeleteModelBase(int32_t handle) {
    BaseSlot* s = FindBaseSlot(handle);
    if (!s) return -1;
    if (s->state == kSlotReserved) {
        ClearBaseSlot(s);
        return 0;
    }
    if (--s->record->references > 0) return 0;
    ReleaseModelBaseDeviceObjects(handle);
    FreeBaseBlocks(s->record);
    ClearBaseSlot(s);
    return 0;
}

int DeleteModelInstance(int32_t handle) {
    ModelInstance* instance = GetModelInstance(handle);
    if (!instance) return -1;
    const int32_t base = instance->base;
    ReleaseModelInstanceBuffers(handle);
    Instances().Release(handle);
    DeleteModelBase(base);
    return 0;
}

int FreeModelInstanceBlock(int32_t handle, int kind, int32_t index) {
    ModelInstance* instance = GetModelInstance(handle);
    if (!instance || kind < 0 || kind >= kInstanceBlockKinds) return -1;
    auto& blocks = instance->blocks[kind];
    if (index < 0 || size_t(index) >= blocks.size()) return -1;
    blocks[size_t(index)] = {};
    return 0;
}

int ResetupAllModelBases() {
    ForEachBase([](int32_t h, ModelBase& base) { SetupModelBuffers(h, base.keepSystemCopies); });
    return 0;
}

int ReleaseAllModelDeviceObjects() {
    ForEachBase([](int32_t h, ModelBase&) { ReleaseModelBaseDeviceObjects(h); });
    Instances().ForEach([](int32_t h, ModelInstance&) { ReleaseModelInstanceBuffers(h); });
    return 0;
}

void ForEachModelInstanceOf(int32_t baseHandle, void (*f)(int32_t)) {
    std::vector<int32_t> of;
    Instances().ForEach([&](int32_t h, ModelInstance& i) {
        if (i.base == baseHandle) of.push_back(h);
    });
    for (int32_t h : of) f(h);
}

void ForEachModelBase(void (*f)(int32_t, ModelBase&)) { ForEachBase(f); }

}  // namespace orvik
