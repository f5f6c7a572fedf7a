#include "engine/platform/archive/archive_key.h"

#include <cstring>

namespace orvik {
namespace {

// Each key position turns its byte by a rotation, an inversion and an XOR of its own, so
// that the key string never appears in the archive as it is.
struct KeyTransform {
    uint8_t rotate;
    bool invert;
    uint8_t mask;
};
constexpr KeyTransform kTransforms[kArchiveKeySize] = {
    {0, true, 0x00}, {4, false, 0x00}, {0, false, 0x8A}, {4, true, 0x00},
    {2, false, 0x00}, {3, false, 0x5B}, {0, true, 0x00}, {1, false, 0x00},
    {0, false, 0xC3}, {6, true, 0x00}, {5, false, 0x00}, {7, false, 0x3E},
};
constexpr uint8_t kNoStringFill = 0xAA;
constexpr uint8_t kSecondKeyByte = 0xB7;

uint8_t Transform(uint8_t byte, const KeyTransform& t) {
    if (t.rotate != 0) byte = static_cast<uint8_t>(byte << t.rotate | byte >> (8 - t.rotate));
    if (t.invert) byte = static_cast<uint8_t>(~byte);
    return static_cast<uint8_t>(byte ^ t.mask);
}

}  // namespace

void MakeArchiveKey(const char* keyString, uint8_t key[kArchiveKeySize]) {
    const size_t length = keyString ? strnlen(keyString, kArchiveKeySize) : 0;
    for (int i = 0; i < kArchiveKeySize; ++i) {
        const uint8_t raw = length ? static_cast<uint8_t>(keyString[i % length]) : kNoStringFill;
        key[i] = Transform(raw, kTransforms[i]);
    }
}

void MakeSecondArchiveKey(uint8_t key[kArchiveKeySize]) {
    std::memset(key, kSecondKeyByte, kArchiveKeySize);
}

// Whole key cycles are done three 32-bit words at a time, the unaligned head and tail
// byte by byte.
void XorArchiveKey(size_t length, void* buffer, uint64_t position,
                   const uint8_t key[kArchiveKeySize]) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t i = 0;
    for (; i < length && (position + i) % kArchiveKeySize != 0; ++i)
        bytes[i] ^= key[(position + i) % kArchiveKeySize];
    uint32_t words[3];
    std::memcpy(words, key, sizeof(words));
    for (; i + kArchiveKeySize <= length; i += kArchiveKeySize) {
        for (int w = 0; w < 3; ++w) {
            uint32_t value;
            std::memcpy(&value, bytes + i + 4 * w, 4);
            value ^= words[w];
            std::memcpy(bytes + i + 4 * w, &value, 4);
        }
    }
    for (; i < length; ++i) bytes[i] ^= key[(position + i) % kArchiveKeySize];
}

}  // namespace orvik
