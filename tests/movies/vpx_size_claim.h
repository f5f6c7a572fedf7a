// VP8 and VP9 keyframes made to claim another picture size inside a movie file: only the
// picture decoder reads these headers for the size, and it decodes the frame's few bytes
// at whatever size they claim.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

namespace movie_test {

// The file with the `nth` VP8 keyframe (counting from 0) claiming width x height (each
// under 16384): its start code 9D 01 2A is followed by the two 14-bit sides.
inline std::vector<uint8_t> Vp8Claiming(std::vector<uint8_t> file, int nth, int width, int height) {
    const uint8_t start[] = {0x9D, 0x01, 0x2A};
    for (auto at = file.begin(); (at = std::search(at, file.end(), start, start + 3)) != file.end(); at += 3)
        if (nth-- == 0 && file.end() - at >= 7) {
            const uint8_t sides[] = {uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8)};
            std::copy(sides, sides + 4, at + 3);
            break;
        }
    return file;
}

// The file with its first VP9 keyframe (profile 0, shown) claiming width x height: after
// its marker byte 82 and sync code 49 83 42 come four bits of colour, then the sides less
// one in 16 bits each.
inline std::vector<uint8_t> Vp9Claiming(std::vector<uint8_t> file, int width, int height) {
    const uint8_t key[] = {0x82, 0x49, 0x83, 0x42};
    const auto at = std::search(file.begin(), file.end(), key, key + 4);
    if (file.end() - at < 9) return file;
    const uint32_t sides = uint32_t(width - 1) << 16 | uint32_t(height - 1);
    uint8_t* bytes = &*at + 4;
    for (int bit = 0; bit < 32; ++bit) {
        const int position = 4 + bit, mask = 0x80 >> (position % 8);
        uint8_t& byte = bytes[position / 8];
        byte = uint8_t((sides >> (31 - bit) & 1) ? byte | mask : byte & ~mask);
    }
    return file;
}

}  // namespace movie_test
