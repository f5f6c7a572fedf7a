// A fixed-size table whose entries start as all-zero bytes, taken from calloc: the pages
// of a large table that no entry is written to are never made resident, so the shader
// pack's tables (one entry for every entry and slot the pack could hold, of which a
// program uses a few) cost only the pages of the entries in use.
#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace orvik {

template <class T>
class ZeroedTable {
    static_assert(std::is_trivially_copyable_v<T>, "entries are made from zero bytes");

public:
    // `count` entries of zero bytes; an empty table when the memory cannot be had.
    void Assign(size_t count) {
        entries_.reset(count ? static_cast<T*>(std::calloc(count, sizeof(T))) : nullptr);
        size_ = entries_ ? count : 0;
    }
    void clear() { Assign(0); }
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    T& operator[](size_t i) { return entries_.get()[i]; }
    const T& operator[](size_t i) const { return entries_.get()[i]; }
    T* begin() { return entries_.get(); }
    T* end() { return entries_.get() + size_; }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    std::unique_ptr<T, Free> entries_;
    size_t size_ = 0;
};

}  // namespace orvik
