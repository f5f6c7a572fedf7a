// The engine's shader pack "OrShaderPack.bin": a header of code sizes (six 16-bit sizes per
// vertex- and pixel-shader entry) followed by the code blobs in entry and slot order; and
// the form compiled into the engine: the pack in an archive, the archive image LZ-packed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace shaderpack {

constexpr int kVertexEntries = 16384, kPixelEntries = 6912, kSlots = 6;
constexpr uint32_t kHeaderBytes = uint32_t(kVertexEntries + kPixelEntries) * kSlots * 2;  // 279552

// The two shaders the engine test-creates at start-up.
constexpr int kTestVertexEntry = 5462, kTestVertexSlot = 2;
constexpr int kTestPixelEntry = 409, kTestPixelSlot = 0;

struct PackBlob {
    bool vertex;
    int entry, slot;
    std::vector<uint32_t> tokens;
};

// The blobs of the pack, in pack order.
std::vector<PackBlob> ShaderPackBlobs();
// Lays out a pack from blobs given in pack order.
std::vector<uint8_t> BuildShaderPack(const std::vector<PackBlob>& blobs);
// The pack inside an archive of the fixed-fill key, the archive image LZ-packed. Empty on
// failure with the reason in error.
std::vector<uint8_t> PackShaderArchive(const std::vector<uint8_t>& pack, std::string* error);

}  // namespace shaderpack
