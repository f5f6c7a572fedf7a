// Driving a compression-manager stream as the engine does, and reading WAVE fixtures.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/acm/acm.h"

namespace audio_test {

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline uint32_t Le32At(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

// The fmt bytes (at least 18, extra bytes kept) and the data of a RIFF WAVE file.
struct WaveParts {
    std::vector<uint8_t> format;
    std::vector<uint8_t> data;
    const host::WAVEFORMATEX* wfx() const {
        return reinterpret_cast<const host::WAVEFORMATEX*>(format.data());
    }
};

inline WaveParts SplitWave(const std::vector<uint8_t>& f) {
    WaveParts parts;
    for (size_t at = 12; at + 8 <= f.size();) {
        const std::string id(f.begin() + long(at), f.begin() + long(at) + 4);
        const uint32_t size = Le32At(f, at + 4);
        const auto body = f.begin() + long(at) + 8;
        if (id == "fmt ") parts.format.assign(body, body + size);
        if (id == "data") parts.data.assign(body, body + size);
        at += 8 + size + (size & 1);
    }
    if (parts.format.size() < 18) parts.format.resize(18, 0);
    return parts;
}

inline std::vector<int16_t> AsSamples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

// Converts the whole source in steps of at most `step` source bytes into destinations
// of `room` bytes, as a block-aligned caller does, and returns all the output.
inline std::vector<uint8_t> ConvertAll(const host::WAVEFORMATEX* src, const std::vector<uint8_t>& data,
                                       uint32_t step, uint32_t room) {
    host::WAVEFORMATEX dst{};
    dst.wFormatTag = host::WAVE_FORMAT_PCM;
    EXPECT_EQ(host::acmFormatSuggest(nullptr, src, &dst, sizeof dst,
                                     host::ACM_FORMATSUGGESTF_WFORMATTAG),
              host::MMSYSERR_NOERROR);
    host::HACMSTREAM stream = nullptr;
    EXPECT_EQ(host::acmStreamOpen(&stream, nullptr, src, &dst, nullptr, 0, 0,
                                  host::ACM_STREAMOPENF_NONREALTIME),
              host::MMSYSERR_NOERROR);
    std::vector<uint8_t> out;
    std::vector<uint8_t> block(room);
    size_t at = 0;
    for (;;) {
        host::ACMSTREAMHEADER h;
        h.pbSrc = const_cast<uint8_t*>(data.data()) + at;
        h.cbSrcLength = uint32_t(std::min<size_t>(step, data.size() - at));
        h.pbDst = block.data();
        h.cbDstLength = room;
        EXPECT_EQ(host::acmStreamPrepareHeader(stream, &h, 0), host::MMSYSERR_NOERROR);
        EXPECT_EQ(host::acmStreamConvert(stream, &h, host::ACM_STREAMCONVERTF_BLOCKALIGN),
                  host::MMSYSERR_NOERROR);
        EXPECT_EQ(host::acmStreamUnprepareHeader(stream, &h, 0), host::MMSYSERR_NOERROR);
        EXPECT_LE(h.cbSrcLengthUsed, h.cbSrcLength);
        EXPECT_LE(h.cbDstLengthUsed, room);
        out.insert(out.end(), block.begin(), block.begin() + h.cbDstLengthUsed);
        at += h.cbSrcLengthUsed;
        if (h.cbDstLengthUsed == 0 && h.cbSrcLengthUsed == 0) break;
    }
    EXPECT_EQ(host::acmStreamClose(stream, 0), host::MMSYSERR_NOERROR);
    return out;
}

}  // namespace audio_test
