#include "engine/graphics/readers/bmp_rle.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace orvik {

namespace {

// The position of the next pixel: a stretch of pixels lands at once, clipped at the
// row's end and to nothing past the last row.
class RleWriter {
public:
    RleWriter(const RleTarget& t, int bytesPerPixel) : t_(t), bytes_(bytesPerPixel) {}

    // The bytes the next count pixels take inside the image (empty when none lands); the
    // position moves on by count, to the row's end at most.
    std::span<uint8_t> Take(int count) {
        const int32_t n = std::min(count, t_.width - x_);
        std::span<uint8_t> place;
        if (row_ < t_.height && n > 0) {
            const int32_t y = t_.bottomUp ? t_.height - 1 - row_ : row_;
            place = {t_.pixels + static_cast<ptrdiff_t>(y) * t_.pitch + static_cast<ptrdiff_t>(x_) * bytes_,
                     static_cast<size_t>(n) * bytes_};
        }
        x_ += n;
        return place;
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
    int bytes_;
    int32_t x_ = 0;
    int32_t row_ = 0;
};

// Pixel i of a stretch of 4-bit pixels: the high nibble, then the low one.
uint8_t Nibble(uint8_t value, size_t i) {
    return static_cast<uint8_t>(i % 2 == 0 ? value >> 4 : value & 15);
}

// A run repeats one value: a byte, alternating nibbles, or three bytes.
template <int Bits>
void FillRun(std::span<uint8_t> out, const uint8_t* value) {
    if constexpr (Bits == 8) {
        std::memset(out.data(), *value, out.size());
    } else if constexpr (Bits == 4) {
        for (size_t i = 0; i < out.size(); ++i) out[i] = Nibble(*value, i);
    } else {
        for (size_t i = 0; i < out.size(); i += 3) std::memcpy(&out[i], value, 3);
    }
}

// An absolute stretch holds its pixels as stored.
template <int Bits>
void CopyAbsolute(std::span<uint8_t> out, const uint8_t* stored) {
    if constexpr (Bits == 4) {
        for (size_t i = 0; i < out.size(); ++i) out[i] = Nibble(stored[i / 2], i);
    } else {
        std::memcpy(out.data(), stored, out.size());
    }
}

template <int Bits>
void Decode(const uint8_t* data, size_t size, const RleTarget& target) {
    // A run's value is one byte, or for RLE24 the three bytes of one pixel.
    constexpr size_t valueBytes = Bits == 24 ? 3 : 1;
    RleWriter out(target, int(valueBytes));
    size_t p = 0;
    while (p + 2 <= size) {
        const uint8_t count = data[p], value = data[p + 1];
        if (count > 0) {
            if (p + 1 + valueBytes > size) return;
            if (const auto place = out.Take(count); !place.empty()) FillRun<Bits>(place, data + p + 1);
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
            const size_t bytes = Bits == 4 ? (value + 1u) / 2 : value * valueBytes;
            if (p + bytes > size) return;
            if (const auto place = out.Take(value); !place.empty()) CopyAbsolute<Bits>(place, data + p);
            p += bytes + (bytes & 1);
        }
    }
}

}  // namespace

void DecodeBmpRle(const uint8_t* data, size_t size, int bits, const RleTarget& target) {
    if (bits == 4) Decode<4>(data, size, target);
    else if (bits == 8) Decode<8>(data, size, target);
    else Decode<24>(data, size, target);
}

}  // namespace orvik
