// A window's picture taken with xwd, read back as 0x00RRGGBB rows, for the tests that
// compare what a real window shows with what was presented.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvik_test {

inline uint32_t Big32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A window dump (xwd, 24-bit TrueColor, 32 bits a pixel) as 0x00RRGGBB rows.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    bool Parse(const std::string& d) {
        if (d.size() < 100) return false;
        const uint32_t headerSize = Big32(d, 0), format = Big32(d, 8), w = Big32(d, 16), h = Big32(d, 20);
        const uint32_t byteOrder = Big32(d, 28), bpp = Big32(d, 44), pitch = Big32(d, 48), colors = Big32(d, 76);
        const size_t start = size_t(headerSize) + size_t(colors) * 12;
        if (format != 2 || bpp != 32 || w > 4096 || h > 4096 || d.size() < start + size_t(pitch) * h) return false;
        width = int(w), height = int(h);
        pixels.resize(size_t(w) * h);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const auto* p = reinterpret_cast<const uint8_t*>(d.data() + start + size_t(y) * pitch + size_t(x) * 4);
                uint32_t v = byteOrder == 0 ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16
                                            : uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16;
                pixels[size_t(y) * w + x] = v & 0xFFFFFF;
            }
        return true;
    }
};

}  // namespace orvik_test
