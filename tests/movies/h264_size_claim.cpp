#include "h264_size_claim.h"

#include <cstddef>

namespace movie_test {

namespace {

// Bits of a unit's payload, most significant first, with exp-Golomb codes.
struct BitReader {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    int Bit() {
        const size_t bit = at++;
        return bit < bytes.size() * 8 ? bytes[bit / 8] >> (7 - bit % 8) & 1 : 0;
    }
    uint32_t Bits(int n) {
        uint32_t v = 0;
        while (n-- > 0) v = v << 1 | uint32_t(Bit());
        return v;
    }
    uint32_t Ue() {
        int zeros = 0;
        while (zeros < 31 && !Bit()) ++zeros;
        return (1u << zeros) - 1 + Bits(zeros);
    }
    bool More() const { return at < bytes.size() * 8; }
};

struct BitWriter {
    std::vector<uint8_t> bytes;
    size_t at = 0;
    void Bit(uint32_t v) {
        if (at % 8 == 0) bytes.push_back(0);
        bytes.back() |= uint8_t((v & 1) << (7 - at % 8));
        ++at;
    }
    void Bits(uint32_t v, int n) {
        while (n-- > 0) Bit(v >> n);
    }
    void Ue(uint32_t v) {
        int n = 0;
        while ((uint64_t(v) + 1) >> (n + 1)) ++n;
        Bits(0, n);
        Bits(v + 1, n + 1);
    }
};

// The set's payload again, up to its size copied and the size replaced. The fields before
// it as libx264 writes them: no scaling lists, no picture order count of type 1.
std::vector<uint8_t> ClaimSize(const std::vector<uint8_t>& set, int width, int height) {
    BitReader r{set};
    BitWriter w;
    const uint32_t profile = r.Bits(8);
    w.Bits(profile, 8);
    w.Bits(r.Bits(16), 16);  // constraints, level
    w.Ue(r.Ue());            // set id
    if (profile >= 100) {
        const uint32_t chroma = r.Ue();
        w.Ue(chroma);
        if (chroma == 3) w.Bit(r.Bit());
        w.Ue(r.Ue()), w.Ue(r.Ue());  // bit depths
        w.Bits(r.Bits(2), 2);        // transform bypass, scaling lists
    }
    w.Ue(r.Ue());  // frame number bits
    const uint32_t order = r.Ue();
    w.Ue(order);
    if (order == 0) w.Ue(r.Ue());
    w.Ue(r.Ue());  // reference frames
    w.Bit(r.Bit());
    r.Ue(), r.Ue();
    w.Ue(uint32_t(width / 16 - 1)), w.Ue(uint32_t(height / 16 - 1));
    while (r.More()) w.Bit(uint32_t(r.Bit()));
    return w.bytes;
}

bool StartCodeAt(const std::vector<uint8_t>& s, size_t i) {
    return i + 3 <= s.size() && s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1;
}

}  // namespace

std::vector<uint8_t> H264Claiming(const std::vector<uint8_t>& stream, int width, int height, int from) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < stream.size() && !StartCodeAt(stream, i)) out.push_back(stream[i++]);
    for (int sets = 0; i < stream.size();) {
        size_t end = i + 3;
        while (end < stream.size() && !StartCodeAt(stream, end)) ++end;
        if (end <= i + 3 || (stream[i + 3] & 0x1F) != 7 || sets++ < from) {
            out.insert(out.end(), stream.begin() + ptrdiff_t(i), stream.begin() + ptrdiff_t(end));
            i = end;
            continue;
        }
        // A sequence parameter set: its payload without the bytes that keep start codes
        // out, and with them again once rewritten.
        std::vector<uint8_t> set;
        for (size_t k = i + 4; k < end; ++k)
            if (!(stream[k] == 3 && set.size() >= 2 && set[set.size() - 1] == 0 && set[set.size() - 2] == 0))
                set.push_back(stream[k]);
        out.insert(out.end(), stream.begin() + ptrdiff_t(i), stream.begin() + ptrdiff_t(i + 4));
        for (uint8_t b : ClaimSize(set, width, height)) {
            if (b <= 3 && out.size() >= 2 && out[out.size() - 1] == 0 && out[out.size() - 2] == 0) out.push_back(3);
            out.push_back(b);
        }
        i = end;
    }
    return out;
}

}  // namespace movie_test
