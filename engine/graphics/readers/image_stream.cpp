#include "engine/graphics/readers/image_stream.h"

#include <limits>

namespace orvik {

bool StreamCursor::Seek(int64_t offset, int origin) const {
    if (offset < std::numeric_limits<int32_t>::min() || offset > std::numeric_limits<int32_t>::max())
        return false;
    return s_.functions.seek(s_.handle, static_cast<int32_t>(offset), origin) == 0;
}

int64_t StreamCursor::Size() const {
    const int64_t here = Tell();
    if (!Seek(0, 2)) return here;
    const int64_t size = Tell();
    Seek(here, 0);
    return size;
}

size_t StreamCursor::ReadSome(void* buffer, size_t n) const {
    if (n == 0) return 0;
    return s_.functions.read(buffer, 1, n, s_.handle);
}

bool StreamCursor::Read(void* buffer, size_t n) const {
    if (n == 0) return true;
    const int64_t left = Remaining();
    if (left < 0 || static_cast<uint64_t>(left) < n) return false;
    return ReadSome(buffer, n) == n;
}

}  // namespace orvik
