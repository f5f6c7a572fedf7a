// Moving a file of any size to a position from its start through a seek whose offsets are
// 32-bit: from the start as far as one offset reaches, then forward from the current
// position until the position is reached.
#pragma once
#include <algorithm>
#include <cstdint>

namespace orvik {

// seek(handle, offset, origin) as in the file operations; 0, or -1 when a step fails.
template <typename Seek, typename Handle>
int SeekFromStart(Seek seek, Handle handle, int64_t position) {
    int origin = 0;
    do {
        const auto step = static_cast<int32_t>(std::clamp<int64_t>(position, 0, INT32_MAX));
        if (seek(handle, step, origin) != 0) return -1;
        position -= step;
        origin = 1;
    } while (position > 0);
    return 0;
}

}  // namespace orvik
