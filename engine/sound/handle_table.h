// A fixed table of records handed out as engine handles: (check number | type) << 16 |
// slot. The soft-sound and music tables share it; each record starts with its check
// number and lives in tracked memory.
#pragma once
#include <cstdint>

#include "engine/platform/tracked_object.h"

namespace orvik {

template <class Record, int32_t Capacity, int32_t Type>
struct HandleTable {
    static constexpr int32_t kTypeMask = 0x78000000;
    static constexpr int32_t kCheckLimit = 2048;

    Record* slots[Capacity];
    int32_t count;
    int32_t endIndex;  // one past the highest slot in use
    int32_t checkCounter;

    static int32_t HandleOf(uint32_t check, int32_t slot) {
        return int32_t(((check | uint32_t(Type >> 16)) << 16) | uint32_t(slot));
    }

    Record* Find(int32_t handle) const {
        if (handle < 0 || (handle & kTypeMask) != Type) return nullptr;
        const int32_t slot = handle & 0xFFFF;
        if (slot >= Capacity) return nullptr;
        Record* r = slots[slot];
        return r && r->check == uint32_t((handle >> 16) & 0x7FF) ? r : nullptr;
    }

    // A new cleared record in the lowest free slot at or past the end index (or the lowest
    // free one when the end is reached); its handle, or -1 when full or out of memory.
    int32_t Add(Record** out) {
        const int32_t slot = FreeSlot();
        if (slot < 0) return -1;
        Record* r = ORVIK_TRACKED_NEW(Record);
        if (!r) return -1;
        r->check = uint32_t(checkCounter);
        checkCounter = (checkCounter + 1) % kCheckLimit;
        slots[slot] = r;
        ++count;
        if (endIndex <= slot) endIndex = slot + 1;
        *out = r;
        return HandleOf(r->check, slot);
    }

    // Frees the record of a slot and lowers the end index past the empty slots below it.
    void Remove(int32_t slot) {
        TrackedDelete(slots[slot]);
        slots[slot] = nullptr;
        --count;
        if (slot != endIndex - 1) return;
        int32_t top = slot;
        while (top > 0 && !slots[top - 1]) --top;
        endIndex = count == 0 ? 0 : top;
    }

    // Frees every record without any other clean-up: for a reset of the whole system.
    void Clear() {
        for (Record*& r : slots) {
            TrackedDelete(r);
            r = nullptr;
        }
        count = endIndex = checkCounter = 0;
    }

private:
    int32_t FreeSlot() const {
        if (count >= Capacity) return -1;
        if (endIndex < Capacity) return endIndex;
        for (int32_t i = 0; i < Capacity; ++i)
            if (!slots[i]) return i;
        return -1;
    }
};

}  // namespace orvik
