#include "engine/graphics/readers/bmp_rle.h"

#include <cstring>

namespace orvik {

namespace {

class RleWriter {
public:
    RleWriter(const RleTarget& t, int bytesPerPixel) : t_(t), bytes_(bytesPerPixel) {}

    // One pixel of bytes_ bytes.
    void Put(const uint8_t* pixel) {
        if (x_ < t_.width && row_ < t_.height) {
            const int32_t y = t_.bottomUp ? t_.height - 1 - row_ : row_;
            std::memcpy(t_.pixels + static_cast<ptrdiff_t>(y) * t_.pitch + static_cast<ptrdiff_t>(x_) * bytes_, pixel,
                        size_t(bytes_));
        }
        if (x_ < t_.width) ++x_;
    }
    void Put(uint8_t index) { Put(&index); }
    void EndOfLine() {
        x_ = 0;
        if (row_ < t_.height) ++row_;
    }
    void Move(int dx, int dy) {
        x_ = x_ + dx < t_.width ? x_ + dx : t_.width;
        row_ = row_ + dy < t_.height ? row_ + dy : t_.height;
    }

private:
    const RleTarget& t_;
    int bytes_;
    int32_t x_ = 0;
    int32_t row_ = 0;
};

// Pixel i of a run: RLE8 takes whole bytes, RLE4 the high nibble then the low one.
uint8_t Nibble(uint8_t value, int i) {
    return static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 15);
}

}  // namespace

void DecodeBmpRle(const uint8_t* data, size_t size, int bits, const RleTarget& target) {
    // A run's value is one byte, or for RLE24 the three bytes of one pixel.
    const size_t valueBytes = bits == 24 ? 3 : 1;
    RleWriter out(target, int(valueBytes));
    size_t p = 0;
    while (p + 2 <= size) {
        const uint8_t count = data[p], value = data[p + 1];
        if (count > 0) {
            if (p + 1 + valueBytes > size) return;
            for (int i = 0; i < count; ++i) {
                if (bits == 4) out.Put(Nibble(value, i));
                else out.Put(data + p + 1);
            }
            p += 1 + valueBytes;
            continue;
        }
        p += 2;
        if (value == 0) {
            out.EndOfLine();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (p + 2 > size) return;
            out.Move(data[p], data[p + 1]);
            p += 2;
        } else {
            const size_t bytes = bits == 4 ? (value + 1u) / 2 : value * valueBytes;
            if (p + bytes > size) return;
            for (int i = 0; i < value; ++i) {
                if (bits == 4) out.Put(Nibble(data[p + i / 2], i));
                else out.Put(data + p + size_t(i) * valueBytes);
            }
            p += bytes + (bytes & 1);
        }
    }
}

}  // namespace orvik
