// A fixed table of records reached through engine handles: type bits, an 11-bit check
// number that wraps after 2047, and the slot index. It keeps a live count and a high-water
// index (one past the highest slot in use) that falls past every empty slot below it when
// the highest record goes. Records live in tracked memory, so one never released shows in
// the leak dump; the owner releases them (the table itself lets go of nothing).
#pragma once
#include <cstdint>
#include <vector>

#include "engine/platform/base/tracked_object.h"

namespace orvik {

// Check numbers run from 0 to 2047 and wrap, in every table of handles.
constexpr int32_t kCheckNumberLimit = 2048;

template <typename Record>
class HandleTable {
public:
    HandleTable(int32_t type, int32_t capacity) : type_(type), capacity_(capacity) {}
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // A new record in the lowest free slot from the high-water index on (then from 0);
    // its handle, or -1 when the table is full or memory runs out.
    int32_t Add(Record** out = nullptr) {
        if (slots_.empty()) slots_.assign(size_t(capacity_), Slot{});
        int32_t slot = highWater_;
        if (slot >= capacity_) {
            for (slot = 0; slot < capacity_ && slots_[size_t(slot)].record; ++slot) {}
            if (slot == capacity_) return -1;
        }
        Record* record = ORVIK_TRACKED_NEW(Record);
        if (!record) return -1;
        slots_[size_t(slot)] = {record, nextCheck_};
        nextCheck_ = (nextCheck_ + 1) % kCheckNumberLimit;
        ++count_;
        if (slot >= highWater_) highWater_ = slot + 1;
        if (out) *out = record;
        return Handle(slot);
    }

    Record* Find(int32_t handle) const {
        if (handle < 0 || (handle & 0x78000000) != type_) return nullptr;
        const int32_t slot = handle & 0xFFFF;
        if (slot >= capacity_ || size_t(slot) >= slots_.size()) return nullptr;
        const Slot& s = slots_[size_t(slot)];
        return s.record && s.check == uint32_t((handle >> 16) & 0x7FF) ? s.record : nullptr;
    }

    // Destroys the record of a valid handle. 0, or -1 for a bad handle.
    int Release(int32_t handle) {
        if (!Find(handle)) return -1;
        const int32_t slot = handle & 0xFFFF;
        TrackedDelete(slots_[size_t(slot)].record);
        slots_[size_t(slot)].record = nullptr;
        --count_;
        if (slot + 1 == highWater_)
            while (highWater_ > 0 && !slots_[size_t(highWater_ - 1)].record) --highWater_;
        return 0;
    }

    // Calls f(handle, record) for every record in use, lowest slot first.
    template <typename F>
    void ForEach(F f) const {
        for (int32_t slot = 0; slot < highWater_; ++slot)
            if (Record* r = slots_[size_t(slot)].record) f(Handle(slot), *r);
    }

    void ReleaseAll() {
        for (int32_t slot = highWater_ - 1; slot >= 0; --slot)
            if (slots_[size_t(slot)].record) Release(Handle(slot));
    }

    // Back to a fresh table: every record released and check numbers from 0 again.
    void Reset() {
        ReleaseAll();
        nextCheck_ = 0;
    }

    int32_t Count() const { return count_; }
    int32_t HighWater() const { return highWater_; }

private:
    struct Slot {
        Record* record = nullptr;
        uint32_t check = 0;
    };
    int32_t Handle(int32_t slot) const { return type_ | int32_t(slots_[size_t(slot)].check << 16) | slot; }

    int32_t type_, capacity_;
    std::vector<Slot> slots_;
    int32_t count_ = 0, highWater_ = 0;
    uint32_t nextCheck_ = 0;
};

}  // namespace orvik
