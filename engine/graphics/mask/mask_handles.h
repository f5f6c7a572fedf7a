// Mask handles: byte images in a table of 512, drawn onto the mask screen.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace orvik {

constexpr int32_t kMaskHandleType = 0x28000000;
constexpr int kMaskCapacity = 512;

struct MaskRecord {
    uint32_t check = 0;
    std::vector<uint8_t> data;  // width x height bytes, rows of width
    int32_t width = 0, height = 0;
    int32_t used = 0;
};

struct MaskTable {
    std::array<MaskRecord, kMaskCapacity> records{};
    uint32_t nextCheck = 0;
};

MaskTable& Masks();
void ResetMaskTable();
// The record of a valid handle, else null.
MaskRecord* GetMaskRecord(int32_t handle);

}  // namespace orvik
