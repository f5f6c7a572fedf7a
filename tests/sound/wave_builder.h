// RIFF WAVE files made in the tests, chunk by chunk, so that odd layouts (extra chunks,
// odd sizes, lying sizes) can be written on purpose.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sound_test {

using Bytes = std::vector<uint8_t>;

inline void Le16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Le32(Bytes& b, uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}

inline Bytes FmtData(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t avg = 0,
                     uint16_t align = 0) {
    if (!align) align = uint16_t(channels * bits / 8);
    if (!avg) avg = rate * align;
    Bytes f;
    Le16(f, tag);
    Le16(f, channels);
    Le32(f, rate);
    Le32(f, avg);
    Le16(f, align);
    Le16(f, bits);
    return f;  // 16 bytes, as most files carry it
}

struct Chunk {
    std::string id;
    Bytes data;
    uint32_t statedSize = UINT32_MAX;  // what the header claims; the data size by default
    bool pad = true;                   // a pad byte after an odd size
};

inline Bytes Wave(const std::vector<Chunk>& chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        Le32(body, c.statedSize == UINT32_MAX ? uint32_t(c.data.size()) : c.statedSize);
        body.insert(body.end(), c.data.begin(), c.data.end());
        if (c.pad && (c.data.size() & 1)) body.push_back(0);
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    Le32(file, uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline Bytes PcmBytes(const std::vector<int16_t>& samples) {
    Bytes b;
    for (int16_t s : samples) Le16(b, uint16_t(s));
    return b;
}

inline Bytes PcmWave(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples) {
    return Wave({{"fmt ", FmtData(1, channels, rate, 16)}, {"data", PcmBytes(samples)}});
}

// A ramp that differs in every sample and channel, so a misplaced sample shows.
inline std::vector<int16_t> Ramp(size_t frames, uint16_t channels, int step = 37) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < channels; ++c) s.push_back(int16_t((int(i) * step + c * 1000) % 30000 - 15000));
    return s;
}

}  // namespace sound_test
