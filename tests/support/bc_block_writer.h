// Writing 16-byte compressed texture blocks field by field, first field in the lowest
// bits, as the BC6H and BC7 formats lay them out.
#pragma once
#include <cstdint>
#include <vector>

namespace imagetest {

class BcBlockWriter {
public:
    // The low `count` bits of value, lowest first.
    BcBlockWriter& Put(uint64_t value, int count) {
        for (int i = 0; i < count; ++i, ++position_)
            if (value >> i & 1) bytes_[position_ / 8] |= uint8_t(1 << (position_ % 8));
        return *this;
    }
    int Position() const { return position_; }
    std::vector<uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(16, 0);
    int position_ = 0;
};

// The published weights (out of 64) of the second endpoint for 2-, 3- and 4-bit indices.
inline int BcWeightOf(int bits, int index) {
    static const int k2[] = {0, 21, 43, 64};
    static const int k3[] = {0, 9, 18, 27, 37, 46, 55, 64};
    static const int k4[] = {0, 4, 9, 13, 17, 21, 26, 30, 34, 38, 43, 47, 51, 55, 60, 64};
    return bits == 2 ? k2[index] : bits == 3 ? k3[index] : k4[index];
}

// The formats' interpolation between two endpoints: (e0 (64 - w) + e1 w + 32) / 64.
inline int BcMix(int e0, int e1, int weight) { return (e0 * (64 - weight) + e1 * weight + 32) >> 6; }

}  // namespace imagetest
