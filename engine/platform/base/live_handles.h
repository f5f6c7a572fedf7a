// A set of the records a handle-issuing subsystem has handed out as addresses, so that an
// address given back to it can be checked before it is followed.
#pragma once
#include <mutex>
#include <unordered_set>
#include <vector>

namespace orvik {

class LiveHandles {
public:
    void Add(const void* record) {
        std::lock_guard lock(mutex_);
        records_.insert(record);
    }
    void Remove(const void* record) {
        std::lock_guard lock(mutex_);
        records_.erase(record);
    }
    bool Contains(const void* record) const {
        if (record == nullptr) return false;
        std::lock_guard lock(mutex_);
        return records_.count(record) != 0;
    }
    std::vector<const void*> Snapshot() const {
        std::lock_guard lock(mutex_);
        return {records_.begin(), records_.end()};
    }
    size_t Count() const {
        std::lock_guard lock(mutex_);
        return records_.size();
    }

private:
    mutable std::mutex mutex_;
    std::unordered_set<const void*> records_;
};

}  // namespace orvik
