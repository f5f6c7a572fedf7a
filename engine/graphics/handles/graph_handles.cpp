#include "engine/graphics/handles/graph_handles.h"

#include <orvik/platform.h>

#include <cstring>
#include <memory>
#include <new>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_textures.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/sound/movies/movie.h"

namespace orvik {

namespace {

GraphHandleTable g_table;

int32_t SlotOf(int32_t handle) { return handle & 0xFFFF; }

int32_t TakeSlot() {
    if (g_table.highWater < kGraphCapacity) return g_table.highWater;
    for (int32_t i = 0; i < kGraphCapacity; ++i)
        if (!g_table.slots[i]) return i;
    return -1;
}

void DropFileName(GraphRecord& r) {
    if (r.fileName && --r.fileName->refCount == 0) delete r.fileName;
    r.fileName = nullptr;
}

void LowerHighWater(int32_t slot) {
    if (slot != g_table.highWater - 1) return;
    if (g_table.count == 0) {
        g_table.highWater = 0;
        return;
    }
    int32_t top = slot;
    while (top > 0 && !g_table.slots[top - 1]) --top;
    g_table.highWater = top;
}

}  // namespace

GraphHandleTable& GraphTable() { return g_table; }

void ResetGraphTable() {
    for (GraphRecord*& r : g_table.slots) {
        delete r;
        r = nullptr;
    }
    g_table.count = g_table.highWater = g_table.checkCounter = 0;
    GraphTextureSettings() = TextureSettings{};
}

int32_t AllocGraphHandle() {
    if (g_table.count >= kGraphCapacity) ExitWithError("グラフィックの数が許容量を越えました終了します");
    int32_t slot = TakeSlot();
    auto* r = new (std::nothrow) GraphRecord{};
    if (!r || slot < 0) ExitWithError("メモリの確保に失敗しました");
    r->check = uint32_t(g_table.checkCounter);
    g_table.checkCounter = (g_table.checkCounter + 1) % kCheckNumberLimit;
    r->handle = kGraphHandleType | int32_t(r->check << 16) | slot;
    r->movie = -1;
    g_table.slots[slot] = r;
    ++g_table.count;
    if (slot == g_table.highWater) ++g_table.highWater;
    return r->handle;
}

GraphRecord* GetGraphRecord(int32_t handle) {
    if (handle < 0 || (handle & kHandleTypeMask) != kGraphHandleType) return nullptr;
    // The slot bits reach past the table: a made-up handle must not read beyond it.
    if (SlotOf(handle) >= kGraphCapacity) return nullptr;
    GraphRecord* r = g_table.slots[SlotOf(handle)];
    if (!r || r->check != uint32_t((handle >> 16) & 0x7FF)) return nullptr;
    return r;
}

int IsValidGraphHandle(int32_t handle) { return GetGraphRecord(handle) ? 1 : 0; }

int QueryGraphSize(int32_t handle, int* width, int* height) {
    int w = 0, h = 0;
    if (handle == -2 || handle == -4) {
        GetScreenSize(&w, &h);
    } else {
        const GraphRecord* r = GetGraphRecord(handle);
        if (!r) return -1;
        w = r->width;
        h = r->height;
    }
    if (width) *width = w;
    if (height) *height = h;
    return 0;
}

int SetGraphDeletedFlag(int32_t handle, int* flag) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    r->deletedFlag = flag;
    if (flag) *flag = 0;
    return 0;
}

int32_t DeriveGraph(int x, int y, int width, int height, int32_t source) {
    const GraphRecord* s = GetGraphRecord(source);
    if (!s) return -1;
    if (x < 0 || y < 0 || x >= s->width || y >= s->height) return -1;
    // A rectangle without area would make a graphic nothing can draw.
    if (width <= 0 || height <= 0) return AddLogText("サイズが不正です in DeriveGraph\n");
    if (x + int64_t(width) > s->width) width = s->width - x;
    if (y + int64_t(height) > s->height) height = s->height - y;
    int32_t handle = AllocGraphHandle();
    const int made = UnlessShortOfMemory("DeriveGraph", nullptr, -1,
                                         [&] { return SetupDerivedGraph(handle, source, x, y, width, height); });
    if (made != 0) {
        DeleteGraphHandle(handle);
        return -1;
    }
    return handle;
}

int SetupDerivedGraph(int32_t handle, int32_t source, int x, int y, int width, int height) {
    GraphRecord* r = GetGraphRecord(handle);
    const GraphRecord* s = GetGraphRecord(source);
    if (!r || !s || !s->images) return -1;
    r->images = s->images;
    ++r->images->refCount;
    SetGraphFileName(handle, nullptr, source);
    r->sourceX = s->sourceX + x;
    r->sourceY = s->sourceY + y;
    r->reloadOption = s->reloadOption;
    r->x = s->x + x;
    r->y = s->y + y;
    r->width = width;
    r->height = height;
    return CreateGraphTextureInfo(*r);
}

int DeleteGraphHandle(int32_t handle, int) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    // Drawing must not go on into a graphic that is gone: the back buffer takes over.
    if (Draw().drawTarget == handle) SetDrawTarget(-2);
    if (r->movie != -1) CloseMovie(r->movie);
    if (r->images && !r->images->textured) ReleaseMemImg(&r->view);
    if (r->images && --r->images->refCount == 0) ReleaseGraphImageSet(r->images);
    r->images = nullptr;
    DropFileName(*r);
    int32_t slot = SlotOf(handle);
    g_table.slots[slot] = nullptr;
    --g_table.count;
    LowerHighWater(slot);
    if (r->deletedFlag) *r->deletedFlag = 1;
    delete r;
    return 0;
}

int DeleteAllGraphs(int) {
    for (int32_t i = g_table.highWater - 1; i >= 0; --i)
        if (GraphRecord* r = g_table.slots[i]) DeleteGraphHandle(r->handle);
    return 0;
}

int SetGraphFileName(int32_t handle, const char* path, int32_t source) {
    GraphRecord* r = GetGraphRecord(handle);
    if (!r) return -1;
    if (path) {
        // Resolved before the old block goes: path may be that block's own text.
        char full[260];
        const char* kept = MakeFullPath(path, full, nullptr) == 0 ? full : path;
        std::unique_ptr<GraphFileName> block(new (std::nothrow) GraphFileName{});
        if (!block) return AddLogText("転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました\n");
        const auto copy = [&] {
            block->path.assign(kept, kept + std::strlen(kept) + 1);
            return 0;
        };
        if (UnlessShortOfMemory("SetGraphFileName", kept, -1, copy) != 0) return -1;
        DropFileName(*r);
        r->fileName = block.release();
        return 0;
    }
    GraphFileName* shared = nullptr;
    if (source != -1) {
        const GraphRecord* s = GetGraphRecord(source);
        if (!s) return -1;
        shared = s->fileName;
    }
    // Taken before the old block is dropped, so sharing a graphic's own block keeps it.
    if (shared) ++shared->refCount;
    DropFileName(*r);
    r->fileName = shared;
    return 0;
}

}  // namespace orvik
