// Loading and storing pixel values of 1 to 4 bytes, little-endian, at any alignment.
#pragma once
#include <cstdint>
#include <cstring>

namespace orvik {

inline uint32_t LoadPixel(const uint8_t* p, int bytes) {
    switch (bytes) {
        case 1: return p[0];
        case 2: return p[0] | (uint32_t{p[1]} << 8);
        case 3: return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
        case 4: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        default: return 0;
    }
}

inline void StorePixel(uint8_t* p, int bytes, uint32_t v) {
    switch (bytes) {
        case 4: std::memcpy(p, &v, 4); return;
        case 3: p[2] = static_cast<uint8_t>(v >> 16); [[fallthrough]];
        case 2: p[1] = static_cast<uint8_t>(v >> 8); [[fallthrough]];
        case 1: p[0] = static_cast<uint8_t>(v); return;
        default: return;
    }
}

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) { return LoadPixel(p, 4); }

}  // namespace orvik
