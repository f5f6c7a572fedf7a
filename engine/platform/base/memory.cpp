#include "engine/platform/base/memory.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "engine/platform/base/log.h"
#include "host/heap.h"

namespace orvik {

namespace {

TrackedMemoryState g_memory;

std::recursive_mutex& MemoryLock() {
    static std::recursive_mutex lock;
    return lock;
}

TrackedAllocHeader* HeaderOf(void* block) {
    return reinterpret_cast<TrackedAllocHeader*>(static_cast<unsigned char*>(block) - kTrackedHeaderSize);
}

void* DataOf(TrackedAllocHeader* header) {
    return reinterpret_cast<unsigned char*>(header) + kTrackedHeaderSize;
}

void RenewBackup(TrackedAllocHeader* header) {
    if (header && header != &g_memory.head) std::memcpy(header->backup, header, kTrackedCheckedBytes);
}

bool Intact(const TrackedAllocHeader* header) {
    return std::memcmp(header->backup, header, kTrackedCheckedBytes) == 0;
}

void ReportDamaged(const TrackedAllocHeader* header) {
    AddLogText("以下のメモリ確保情報が破損しました\n");
    LogAllocRecord(header);
}

void FillHeader(TrackedAllocHeader* header, size_t size, const char* file, int line) {
    std::memset(header->file, 0, sizeof header->file);
    if (file) {
        const size_t length = std::strlen(file);
        const size_t keep = length < 15 ? length : 15;
        std::memcpy(header->file, file + (length - keep), keep);
    }
    header->line = static_cast<uint16_t>(line);
    header->size = static_cast<uint32_t>(size);
    header->number = g_memory.counter++;
}

bool Logged(size_t size) {
    return g_memory.sizeFilter < 0 || g_memory.sizeFilter == int64_t(size) || g_memory.logEveryCall;
}

void LogCall(const char* what, const TrackedAllocHeader* header) {
    if (Logged(header->size)) {
        AddLogText(what);
        LogAllocRecord(header);
    }
    if (g_memory.logTotals) LogAllocTotals();
}

bool SizeRefused(size_t size) {
    if (size <= kTrackedMaxSize) return false;
    AddLogFormat("確保しようとしたメモリのサイズが大きすぎます( %zu byte )", size);
    return true;
}

// Walks the live blocks newest first, checking each header before its links are used.
// Returns the first damaged header, or null when all are intact.
template <typename Visit>
const TrackedAllocHeader* WalkNewestFirst(Visit visit) {
    for (const TrackedAllocHeader* h = g_memory.tail; h && h != &g_memory.head; h = h->previous) {
        if (!Intact(h)) return h;
        visit(h);
    }
    return nullptr;
}

void* AllocLocked(size_t size, const char* file, int line, uint32_t heapFlags) {
    if (SizeRefused(size)) return nullptr;
    auto* header = static_cast<TrackedAllocHeader*>(
        host::HeapAlloc(host::GetProcessHeap(), heapFlags, size + kTrackedHeaderSize));
    if (!header) {
        DumpAllocMemory();
        CheckAllocMemory();
        return nullptr;
    }
    FillHeader(header, size, file, line);
    if (!g_memory.tail) g_memory.tail = &g_memory.head;
    TrackedAllocHeader* previous = g_memory.tail;
    previous->next = header;
    header->previous = previous;
    header->next = nullptr;
    g_memory.tail = header;
    RenewBackup(header);
    RenewBackup(previous);
    g_memory.totalSize += int64_t(size);
    g_memory.blockCount += 1;
    LogCall("mem alloc  ", header);
    if (g_memory.checkEveryCall) CheckAllocMemory();
    return DataOf(header);
}

}  // namespace

TrackedMemoryState& TrackedMemory() { return g_memory; }

void ResetTrackedMemory() {
    std::lock_guard lock(MemoryLock());
    TrackedAllocHeader* h = g_memory.tail;
    // A damaged header ends the walk: what lies behind it is left rather than followed.
    while (h && h != &g_memory.head && Intact(h)) {
        TrackedAllocHeader* previous = h->previous;
        host::HeapFree(host::GetProcessHeap(), 0, h);
        h = previous;
    }
    g_memory = TrackedMemoryState{};
}

void* TrackedAlloc(size_t size, const char* file, int line) {
    std::lock_guard lock(MemoryLock());
    return AllocLocked(size, file, line, 0);
}

void* TrackedCalloc(size_t size, const char* file, int line) {
    std::lock_guard lock(MemoryLock());
    return AllocLocked(size, file, line, host::HEAP_ZERO_MEMORY);
}

void* TrackedRealloc(void* block, size_t size, const char* file, int line) {
    std::lock_guard lock(MemoryLock());
    if (!block) return AllocLocked(size, file, line, 0);
    TrackedAllocHeader* old = HeaderOf(block);
    if (!Intact(old)) {
        ReportDamaged(old);
        return nullptr;
    }
    if (SizeRefused(size)) return nullptr;
    const uint32_t oldSize = old->size;
    const bool wasTail = g_memory.tail == old;
    auto* header = static_cast<TrackedAllocHeader*>(host::HeapReAlloc(
        host::GetProcessHeap(), host::HEAP_ZERO_MEMORY, old, size + kTrackedHeaderSize));
    if (!header) {
        DumpAllocMemory();
        return nullptr;
    }
    FillHeader(header, size, file, line);
    header->previous->next = header;
    if (header->next) header->next->previous = header;
    if (wasTail) g_memory.tail = header;
    g_memory.totalSize += int64_t(size) - int64_t(oldSize);
    RenewBackup(header);
    RenewBackup(header->previous);
    RenewBackup(header->next);
    LogCall("mem realloc  ", header);
    if (g_memory.checkEveryCall) CheckAllocMemory();
    return DataOf(header);
}

void TrackedFree(void* block) {
    if (!block) return;
    std::lock_guard lock(MemoryLock());
    TrackedAllocHeader* header = HeaderOf(block);
    if (!Intact(header)) {
        // Its links cannot be trusted: unlinking through them would write at random.
        ReportDamaged(header);
        return;
    }
    g_memory.totalSize -= header->size;
    g_memory.blockCount -= 1;
    if (g_memory.checkEveryCall) CheckAllocMemory();
    TrackedAllocHeader* previous = header->previous;
    TrackedAllocHeader* next = header->next;
    previous->next = next;
    if (next) next->previous = previous;
    if (g_memory.tail == header) g_memory.tail = previous;
    RenewBackup(next);
    RenewBackup(previous);
    LogCall("mem free  ", header);
    host::HeapFree(host::GetProcessHeap(), 0, header);
}

int CheckAllocMemory() {
    std::lock_guard lock(MemoryLock());
    const TrackedAllocHeader* damaged = WalkNewestFirst([](const TrackedAllocHeader*) {});
    if (!damaged) return 0;
    ReportDamaged(damaged);
    return -1;
}

void DumpAllocMemory() {
    std::lock_guard lock(MemoryLock());
    AddLogText("\n");
    AddLogText("Alloc memory dump\n");
    const TrackedAllocHeader* damaged = WalkNewestFirst(LogAllocRecord);
    if (damaged) ReportDamaged(damaged);
    LogAllocTotals();
    AddLogText("\n");
}

void LogAllocTotals() {
    AddLogFormat("\tTotal size:%lld(%.3fkb)  Alloc num:%d", static_cast<long long>(g_memory.totalSize),
                 double(g_memory.totalSize) / 1024.0, g_memory.blockCount);
}

void LogAllocRecord(const TrackedAllocHeader* header) {
    if (!header) return;
    // A damaged size must not make the line read past the block: the backup keeps the
    // size the block was made with.
    uint32_t size = header->size;
    uint32_t backupSize = 0;
    std::memcpy(&backupSize, header->backup + offsetof(TrackedAllocHeader, size), sizeof backupSize);
    if (backupSize < size) size = backupSize;
    const uint32_t shown = size < 16 ? size : 16;
    const auto* data = reinterpret_cast<const unsigned char*>(header) + kTrackedHeaderSize;

    char line[400];
    int used = std::snprintf(line, sizeof line,
                             "\tsize:%10u(%10.3fkb)  file:%-26.15s  line:%-5d  ID:%-5d  addr:%p  data:<",
                             header->size, double(header->size) / 1024.0, header->file, int(header->line),
                             int(header->number), static_cast<const void*>(data));
    for (uint32_t i = 0; i < shown; ++i) {
        const unsigned char c = data[i];
        line[used++] = (c < 32 || c >= 128) ? '.' : char(c);
    }
    used += std::snprintf(line + used, sizeof line - size_t(used), "> [");
    for (uint32_t i = 0; i < shown; ++i) {
        used += std::snprintf(line + used, sizeof line - size_t(used), "%02x ", data[i]);
    }
    if (shown > 0) --used;  // the last blank gives way to the closing bracket
    std::snprintf(line + used, sizeof line - size_t(used), "]\n");
    AddLogText(line);
}

}  // namespace orvik
