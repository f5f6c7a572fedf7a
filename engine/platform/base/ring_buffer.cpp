#include "engine/platform/base/ring_buffer.h"

#include <cstring>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"

namespace orvik {

namespace {

// Copies n bytes starting at a ring position into a flat block, or the other way, in up
// to two runs around the end of the ring.
void CopyOut(const RingBuffer& ring, int32_t from, unsigned char* destination, int32_t n) {
    const int32_t first = n < ring.capacity - from ? n : ring.capacity - from;
    std::memcpy(destination, ring.data + from, size_t(first));
    std::memcpy(destination + first, ring.data, size_t(n - first));
}

void CopyIn(RingBuffer& ring, int32_t to, const unsigned char* source, int32_t n) {
    const int32_t first = n < ring.capacity - to ? n : ring.capacity - to;
    std::memcpy(ring.data + to, source, size_t(first));
    std::memcpy(ring.data, source + first, size_t(n - first));
}

}  // namespace

void WrapRingBufferPositions(RingBuffer* ring) {
    if (!ring) return;
    if (ring->read == ring->capacity) ring->read = 0;
    if (ring->write == ring->capacity) ring->write = 0;
}

int ReserveRingBuffer(RingBuffer* ring, int32_t n) {
    if (!ring || n < 0) return -1;
    WrapRingBufferPositions(ring);
    if (int64_t(ring->stored) + n <= ring->capacity) return 0;

    const int64_t wanted = int64_t(ring->stored) * 3 / 2 + n + 1000;
    auto* block = wanted <= INT32_MAX
                      ? static_cast<unsigned char*>(ORVIK_TRACKED_ALLOC(size_t(wanted)))
                      : nullptr;
    if (!block) {
        // The stored bytes stay where they are: the caller may still read them.
        AddLogFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)",
                     static_cast<long long>(wanted));
        return -1;
    }
    if (ring->stored > 0) CopyOut(*ring, ring->read, block, ring->stored);
    TrackedFree(ring->data);
    ring->data = block;
    ring->capacity = int32_t(wanted);
    ring->read = 0;
    ring->write = ring->stored;
    return 0;
}

int WriteRingBuffer(RingBuffer* ring, const void* source, int32_t n) {
    if (!ring || n < 0 || (n > 0 && !source)) return -1;
    if (ReserveRingBuffer(ring, n) != 0) return -1;
    if (n == 0) return 0;
    CopyIn(*ring, ring->write, static_cast<const unsigned char*>(source), n);
    ring->write = int32_t((int64_t(ring->write) + n) % ring->capacity);
    ring->stored += n;
    return 0;
}

int ReadRingBuffer(RingBuffer* ring, void* destination, int32_t n, int peek) {
    if (!ring || n < 0 || (n > 0 && !destination)) return -1;
    if (ring->stored < n) return -1;
    WrapRingBufferPositions(ring);
    if (n == 0) return 0;
    CopyOut(*ring, ring->read, static_cast<unsigned char*>(destination), n);
    if (!peek) {
        ring->stored -= n;
        ring->read = int32_t((int64_t(ring->read) + n) % ring->capacity);
    }
    return 0;
}

int TerminateRingBuffer(RingBuffer* ring) {
    if (!ring) return -1;
    TrackedFree(ring->data);
    *ring = RingBuffer{};
    return 0;
}

}  // namespace orvik
