// LAME's information frame put in the place the encoder kept for it at the start of its
// output, once the flush has made the frame count, delay and padding known.
#pragma once
#include <lame.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mp3test {

// False when the encoder gave no frame, or one longer than the output.
inline bool PutInfoFrame(lame_global_flags* lame, std::vector<uint8_t>& out) {
    std::vector<uint8_t> info(4096);
    const size_t bytes = lame_get_lametag_frame(lame, info.data(), info.size());
    if (bytes == 0 || bytes > out.size()) return false;
    std::copy(info.begin(), info.begin() + long(bytes), out.begin());
    return true;
}

}  // namespace mp3test
