// Feeding the soft-sound players: each refill writes the frames waiting in a player's
// ring behind its write offset, and silence when the ring has run dry, keeping about two
// leads ahead of the play cursor.
#include <algorithm>

#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"

namespace orvik {

namespace {

// The end test: has the cursor moved past the end of the real data since the last look?
void TestEnd(SoftSoundPlayerPart& p, uint32_t cursor) {
    if (p.endOffset == -1 || p.endPassed) return;
    const int64_t last = p.lastCursor, k = cursor, e = p.endOffset;
    const bool passed = (last < k && last <= e && e <= k) || (k < last && (e >= last || e <= k));
    if (passed) p.endPassed = 1;
    else p.lastCursor = cursor;
}

// Moves `bytes` from the ring into the region's free room, part 1 first.
void CopyFromRing(RingBuffer* ring, StreamLockRegion* region, uint32_t bytes) {
    const uint32_t first = std::min(bytes, region->free1);
    ReadRingBuffer(ring, region->part1 + region->written1, int32_t(first), 0);
    region->written1 += first;
    region->free1 -= first;
    const uint32_t second = std::min(bytes - first, region->free2);
    if (second) ReadRingBuffer(ring, region->part2 + region->written2, int32_t(second), 0);
    region->written2 += second;
    region->free2 -= second;
}

}  // namespace

int ProcessSoftSoundPlayer(SoftSoundRecord* r) {
    SoftSoundPlayerPart& p = r->player;
    if (!p.active) return 0;
    SoundLockGuard guard(SoundLock());
    const int64_t b = r->format.nBlockAlign, size = p.bufferSize;
    const uint32_t cursor = SoundBufGetPosition(&p.playBuffer);
    TestEnd(p, cursor);
    const int64_t w = p.writeOffset, k = cursor;
    int64_t guardAt = w - p.lead;
    if (guardAt < 0) guardAt += size;
    if (!CursorInWriteZone(w, guardAt, k)) return 0;
    const int64_t free = guardAt > w && guardAt >= k ? size - guardAt + k : k - guardAt;
    const int64_t wanted = (p.lead + free) / b;
    if (wanted <= 0) return 0;
    const int64_t data = std::min<int64_t>(wanted, p.framesAvailable), silence = wanted - data;
    StreamLockRegion region;
    if (LockStreamRegion(&p.playBuffer, uint32_t(w), uint32_t(wanted * b), &region) != 0) return -1;
    if (silence && p.endOffset == -1) {
        const int64_t end = w + data * b;
        p.endOffset = int32_t(end > size ? end - size : end);
        p.lastCursor = cursor;
        p.endPassed = 0;
    }
    if (p.endPassed && data) {  // new data came after the end: it plays on
        p.endPassed = 0;
        p.lastCursor = 0;
        p.endOffset = -1;
    }
    p.framesAvailable -= int32_t(data);
    CopyFromRing(&p.ring, &region, uint32_t(data * b));
    FillStreamSilence(r->format, &region, uint32_t(silence * b));
    UnlockStreamRegion(&p.playBuffer, region);
    int64_t next = w + region.size1 + region.size2;
    if (next >= size) next -= size;
    p.writeOffset = int32_t(next);
    return 0;
}

int ProcessSoftSoundPlayers() {
    if (!SoundStarted()) return -1;
    for (ListNode* n = Sound().softPlayerHead.next; n && n->next; n = n->next) {
        auto* r = static_cast<SoftSoundRecord*>(n->data);
        if (r->player.active) ProcessSoftSoundPlayer(r);
    }
    return 0;
}

}  // namespace orvik
