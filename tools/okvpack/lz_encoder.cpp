#include "tools/okvpack/lz_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/platform/archive/archive_format.h"
#include "engine/platform/archive/archive_lz.h"

namespace okvpack {
namespace {

using orvik::kLzMaxDistance;
using orvik::kLzMaxMatch;
using orvik::kLzMinMatch;

constexpr int kHashBits = 16;
constexpr int kChainDepth = 48;

uint32_t Hash4(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

uint8_t RarestByte(const uint8_t* data, size_t size) {
    std::array<size_t, 256> counts{};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    return static_cast<uint8_t>(std::min_element(counts.begin(), counts.end()) - counts.begin());
}

uint32_t DistanceBytes(uint32_t distance) {
    const uint32_t d = distance - 1;
    return d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
}

// Bytes a match takes in the output: escape, code, extra length byte, distance bytes.
uint32_t MatchCost(uint32_t length, uint32_t distance) {
    return 2 + (length - kLzMinMatch > 31 ? 1 : 0) + DistanceBytes(distance);
}

struct Match {
    uint32_t length = 0;
    uint32_t distance = 0;
    // Bytes saved against writing the same stretch as literals.
    int Gain() const { return length ? static_cast<int>(length) - static_cast<int>(MatchCost(length, distance)) : 0; }
};

class Encoder {
public:
    Encoder(const uint8_t* data, size_t size)
        : data_(data), size_(size), head_(size_t{1} << kHashBits, -1), previous_(size, -1),
          escape_(RarestByte(data, size)) {}

    std::vector<uint8_t> Run() {
        out_.resize(orvik::kLzHeadSize);
        size_t i = 0;
        while (i < size_) {
            Match match = Find(i);
            if (match.Gain() > 0 && i + 1 < size_) {
                Insert(i);
                const Match next = Find(i + 1);
                if (next.Gain() > match.Gain()) {
                    Literal(data_[i++]);
                    match = next;
                }
            }
            if (match.Gain() <= 0) {
                Insert(i);
                Literal(data_[i++]);
                continue;
            }
            Emit(match);
            for (size_t end = i + match.length; i < end; ++i) Insert(i);
        }
        orvik::StoreU32(out_.data(), static_cast<uint32_t>(size_));
        orvik::StoreU32(out_.data() + 4, static_cast<uint32_t>(out_.size()));
        out_[8] = escape_;
        return std::move(out_);
    }

private:
    void Insert(size_t i) {
        if (i + 4 > size_ || inserted_ > i) return;
        const uint32_t h = Hash4(data_ + i);
        previous_[i] = head_[h];
        head_[h] = static_cast<int64_t>(i);
        inserted_ = i + 1;
    }

    Match Find(size_t i) const {
        Match best;
        if (i + kLzMinMatch > size_) return best;
        const size_t limit = std::min<size_t>(kLzMaxMatch, size_ - i);
        int64_t candidate = head_[Hash4(data_ + i)];
        // Position i itself may already be in the chain.
        if (candidate == static_cast<int64_t>(i)) candidate = previous_[i];
        for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
            const size_t distance = i - static_cast<size_t>(candidate);
            if (distance > kLzMaxDistance) break;
            const uint8_t* a = data_ + candidate;
            const uint8_t* b = data_ + i;
            if (a[best.length] == b[best.length]) {
                size_t length = 0;
                while (length < limit && a[length] == b[length]) ++length;
                const Match found{static_cast<uint32_t>(length), static_cast<uint32_t>(distance)};
                if (length >= kLzMinMatch && found.Gain() > best.Gain()) best = found;
                if (length == limit) break;
            }
            candidate = previous_[candidate];
        }
        return best;
    }

    void Literal(uint8_t byte) {
        out_.push_back(byte);
        if (byte == escape_) out_.push_back(byte);
    }

    // Code: bits 3-7 the low five bits of length - 4, bit 2 set when the higher bits
    // follow in a byte of their own, bits 0-1 the number of distance bytes - 1. Codes at or
    // above the escape byte are written one higher, so no code equals the escape.
    void Emit(const Match& match) {
        const uint32_t length = match.length - kLzMinMatch;
        const uint32_t distance = match.distance - 1;
        const uint32_t distanceBytes = DistanceBytes(match.distance);
        uint32_t code = (length & 31) << 3 | (length > 31 ? 4 : 0) | (distanceBytes - 1);
        if (code >= escape_) ++code;
        out_.push_back(escape_);
        out_.push_back(static_cast<uint8_t>(code));
        if (length > 31) out_.push_back(static_cast<uint8_t>(length >> 5));
        for (uint32_t b = 0; b < distanceBytes; ++b) out_.push_back(static_cast<uint8_t>(distance >> (8 * b)));
    }

    const uint8_t* data_;
    size_t size_;
    std::vector<int64_t> head_;
    std::vector<int64_t> previous_;
    size_t inserted_ = 0;
    uint8_t escape_;
    std::vector<uint8_t> out_;
};

}  // namespace

std::vector<uint8_t> LzEncode(const uint8_t* data, size_t size) {
    return Encoder(data, size).Run();
}

}  // namespace okvpack
