#include "host/win/system/global_memory.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace host {

namespace {
struct Block {
    std::vector<uint8_t> bytes;
    int locks = 0;
};

std::mutex g_lock;
std::map<uintptr_t, Block> g_blocks;
uintptr_t g_nextId = 0x10;

Block* Find(HGLOBAL block) {
    auto it = g_blocks.find(IdFromHandle(block));
    return it == g_blocks.end() ? nullptr : &it->second;
}
}  // namespace

HGLOBAL GlobalAlloc(uint32_t, size_t bytes) {
    if (bytes == 0) return nullptr;
    std::lock_guard hold(g_lock);
    Block block;
    try {
        block.bytes.resize(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    uintptr_t id = g_nextId += 0x10;
    g_blocks.emplace(id, std::move(block));
    return HandleFromId<HGLOBAL>(id);
}

void* GlobalLock(HGLOBAL block) {
    std::lock_guard hold(g_lock);
    Block* b = Find(block);
    if (!b) return nullptr;
    ++b->locks;
    return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL block) {
    std::lock_guard hold(g_lock);
    Block* b = Find(block);
    if (!b || b->locks == 0) return 0;
    return --b->locks > 0;
}

size_t GlobalSize(HGLOBAL block) {
    std::lock_guard hold(g_lock);
    Block* b = Find(block);
    return b ? b->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    std::lock_guard hold(g_lock);
    return g_blocks.erase(IdFromHandle(block)) ? nullptr : block;
}

size_t CountGlobalBlocks() {
    std::lock_guard hold(g_lock);
    return g_blocks.size();
}

size_t CountLockedGlobalBlocks() {
    std::lock_guard hold(g_lock);
    return size_t(std::count_if(g_blocks.begin(), g_blocks.end(), [](const auto& b) { return b.second.locks > 0; }));
}

}  // namespace host
