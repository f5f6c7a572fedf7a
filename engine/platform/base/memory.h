// The tracked memory manager: every engine block carries a header in front of it and
// hangs in one list, which gives a leak dump with each block's source file and line and
// a check that notices when something has written over a header.
#pragma once
#include <orvik/system.h>
#include <cstddef>
#include <cstdint>

namespace orvik {

// The header in front of every block; the caller's pointer is the header's address +
// kTrackedHeaderSize. The backup holds a copy of every byte before it (name, number,
// line, size and both links), so that damage to any of them is seen.
struct TrackedAllocHeader {
    char file[16];        // last 15 characters of the source file name, 0-terminated
    uint16_t number;      // allocation number, 16 bits, wrapping
    uint16_t line;        // source line, truncated to 16 bits
    uint32_t size;        // the caller's byte count
    TrackedAllocHeader* previous;
    TrackedAllocHeader* next;
    unsigned char backup[40];
};
constexpr size_t kTrackedHeaderSize = sizeof(TrackedAllocHeader);
constexpr size_t kTrackedCheckedBytes = offsetof(TrackedAllocHeader, backup);
static_assert(kTrackedHeaderSize == 80 && kTrackedCheckedBytes == 40);
// The largest block: its size has to fit the header's 32-bit field with the header.
constexpr size_t kTrackedMaxSize = 0xFFFFFFFFu - kTrackedHeaderSize;

struct TrackedMemoryState {
    TrackedAllocHeader head{};            // never allocated, never dumped
    TrackedAllocHeader* tail = nullptr;   // newest block; the head once the list was used
    uint16_t counter = 0;
    int64_t totalSize = 0;
    int32_t blockCount = 0;
    // Debug settings: log every call; log the totals after each call; check every header
    // on every call; a call whose size equals the filter is logged (negative: all).
    int32_t logEveryCall = 0;
    int32_t logTotals = 0;
    int32_t checkEveryCall = 0;
    int64_t sizeFilter = 0;
};

// The manager's state (read it under no lock only when no other thread allocates).
TrackedMemoryState& TrackedMemory();
// Frees every block and clears the totals, the counter and the debug settings (tests).
void ResetTrackedMemory();


void LogAllocTotals();
void LogAllocRecord(const TrackedAllocHeader* header);

}  // namespace orvik

// The calls with the caller's source file and line, as the leak dump shows them.
#define ORVIK_TRACKED_ALLOC(size) ::orvik::TrackedAlloc((size), __FILE__, __LINE__)
#define ORVIK_TRACKED_CALLOC(size) ::orvik::TrackedCalloc((size), __FILE__, __LINE__)
#define ORVIK_TRACKED_REALLOC(block, size) ::orvik::TrackedRealloc((block), (size), __FILE__, __LINE__)
