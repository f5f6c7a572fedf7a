#include "engine/graphics/bmp_rle.h"

namespace orvik {

namespace {

class RleWriter {
public:
    explicit RleWriter(const RleTarget& t) : t_(t) {}

    void Put(uint8_t index) {
        if (x_ < t_.width && row_ < t_.height) {
            const int32_t y = t_.bottomUp ? t_.height - 1 - row_ : row_;
            t_.pixels[static_cast<ptrdiff_t>(y) * t_.pitch + x_] = index;
        }
        if (x_ < t_.width) ++x_;
    }
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
    int32_t x_ = 0;
    int32_t row_ = 0;
};

// Pixel i of a run: RLE8 takes whole bytes, RLE4 the high nibble then the low one.
uint8_t Nibble(uint8_t value, int i) {
    return static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 15);
}

}  // namespace

void DecodeBmpRle(const uint8_t* data, size_t size, int bits, const RleTarget& target) {
    RleWriter out(target);
    size_t p = 0;
    while (p + 2 <= size) {
        const uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) out.Put(bits == 8 ? value : Nibble(value, i));
            continue;
        }
        if (value == 0) {
            out.EndOfLine();
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (p + 2 > size) return;
            out.Move(data[p], data[p + 1]);
            p += 2;
        } else {
            const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            if (p + bytes > size) return;
            for (int i = 0; i < value; ++i)
                out.Put(bits == 8 ? data[p + i] : Nibble(data[p + i / 2], i));
            p += bytes + (bytes & 1);
        }
    }
}

}  // namespace orvik
