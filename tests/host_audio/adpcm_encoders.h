// Reference encoders for the ADPCM tests, written from the formats' definitions. Each
// keeps the decoder's state as it goes, so what it reports as reconstructed is exactly
// what a correct decoder must give back for its output.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace audio_test {

struct Encoded {
    std::vector<uint8_t> format;  // WAVEFORMATEX with the extra bytes
    std::vector<uint8_t> data;
    std::vector<int16_t> decoded;  // interleaved, whole blocks
};

inline void Put16(std::vector<uint8_t>& out, int v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, int(v & 0xFFFF));
    Put16(out, int(v >> 16));
}

inline std::vector<uint8_t> FormatHeader(uint16_t tag, uint16_t channels, uint32_t rate,
                                         uint32_t avg, uint16_t align, uint16_t bits,
                                         uint16_t extra) {
    std::vector<uint8_t> f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, avg);
    Put16(f, align);
    Put16(f, bits);
    Put16(f, extra);
    return f;
}

// Sample i of channel c of a test signal: two tones and a step, loud enough to clip
// the predictors now and then.
inline int16_t TestSignal(int i, int c) {
    const double v = 14000 * std::sin(i * (0.05 + 0.03 * c)) + 9000 * std::sin(i * 0.31) +
                     ((i / 300) % 2 ? 8000 : -8000);
    return int16_t(std::clamp(std::lround(v), -32768L, 32767L));
}

// Microsoft ADPCM with the seven standard coefficient pairs; block b uses pair b % 7 so
// that every pair is exercised.
inline Encoded EncodeMsAdpcm(int channels, int blocks, uint16_t blockAlign) {
    static const int kCoef[7][2] = {{256, 0},  {512, -256}, {0, 0},     {192, 64},
                                    {240, 0}, {460, -208}, {392, -232}};
    static const int kAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                   768, 614, 512, 409, 307, 230, 230, 230};
    const int spb = (blockAlign - 7 * channels) * 2 / channels + 2;
    Encoded e;
    e.format = FormatHeader(2, uint16_t(channels), 22050, 22050 * blockAlign / spb, blockAlign, 4, 32);
    Put16(e.format, spb);
    Put16(e.format, 7);
    for (const auto& pair : kCoef) {
        Put16(e.format, pair[0]);
        Put16(e.format, pair[1]);
    }
    int t = 0;
    for (int b = 0; b < blocks; ++b, t += spb) {
        const int* coef = kCoef[b % 7];
        std::vector<uint8_t> block;
        std::vector<int> s1(channels), s2(channels), delta(channels);
        for (int c = 0; c < channels; ++c) block.push_back(uint8_t(b % 7));
        for (int c = 0; c < channels; ++c) {
            delta[c] = std::max(16, std::abs(TestSignal(t + 1, c) - TestSignal(t, c)) / 4);
            Put16(block, delta[c]);
        }
        for (int c = 0; c < channels; ++c) Put16(block, s1[c] = TestSignal(t + 1, c));
        for (int c = 0; c < channels; ++c) Put16(block, s2[c] = TestSignal(t, c));
        std::vector<int16_t> decoded(size_t(spb * channels));
        for (int c = 0; c < channels; ++c) {
            decoded[size_t(c)] = int16_t(s2[c]);
            decoded[size_t(channels + c)] = int16_t(s1[c]);
        }
        int pendingNibble = -1;
        for (int n = 2 * channels; n < spb * channels; ++n) {
            const int c = n % channels;
            const int x = TestSignal(t + n / channels, c);
            const int predicted = (s1[c] * coef[0] + s2[c] * coef[1]) >> 8;
            const double ratio = double(x - predicted) / delta[c];
            const int code = int(std::clamp(std::lround(ratio), -8L, 7L));
            const int sample = std::clamp(predicted + code * delta[c], -32768, 32767);
            s2[c] = s1[c];
            s1[c] = sample;
            delta[c] = std::max(16, (kAdapt[code & 15] * delta[c]) >> 8);
            decoded[size_t(n)] = int16_t(sample);
            if (pendingNibble < 0) {
                pendingNibble = code & 15;
            } else {
                block.push_back(uint8_t(pendingNibble << 4 | (code & 15)));
                pendingNibble = -1;
            }
        }
        block.resize(blockAlign, 0);
        e.data.insert(e.data.end(), block.begin(), block.end());
        e.decoded.insert(e.decoded.end(), decoded.begin(), decoded.end());
    }
    return e;
}

// IMA ADPCM, the classic encoder: three magnitude bits and a sign against the step.
inline Encoded EncodeImaAdpcm(int channels, int blocks, uint16_t blockAlign) {
    static const int kStep[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,
        23,    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,
        73,    80,    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,
        230,   253,   279,   307,   337,   371,   408,   449,   494,   544,   598,   658,
        724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
        2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,
        7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
        22385, 24623, 27086, 29794, 32767};
    static const int kIndexMove[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    const int spb = (blockAlign - 4 * channels) * 2 / channels + 1;
    Encoded e;
    e.format = FormatHeader(0x11, uint16_t(channels), 22050, 22050 * blockAlign / spb, blockAlign, 4, 2);
    Put16(e.format, spb);
    std::vector<int> index(channels, 0);
    int t = 0;
    for (int b = 0; b < blocks; ++b, t += spb) {
        std::vector<uint8_t> block(blockAlign, 0);
        std::vector<int16_t> decoded(size_t(spb * channels));
        for (int c = 0; c < channels; ++c) {
            int predicted = TestSignal(t, c);
            block[size_t(4 * c)] = uint8_t(predicted & 0xFF);
            block[size_t(4 * c + 1)] = uint8_t((predicted >> 8) & 0xFF);
            block[size_t(4 * c + 2)] = uint8_t(index[c]);
            decoded[size_t(c)] = int16_t(predicted);
            for (int n = 1; n < spb; ++n) {
                const int step = kStep[index[c]];
                int diff = TestSignal(t + n, c) - predicted;
                int code = diff < 0 ? 8 : 0;
                diff = std::abs(diff);
                int part = step;
                for (int bit = 4; bit > 0; bit >>= 1, part >>= 1) {
                    if (diff >= part) {
                        code |= bit;
                        diff -= part;
                    }
                }
                int change = step >> 3;
                if (code & 4) change += step;
                if (code & 2) change += step >> 1;
                if (code & 1) change += step >> 2;
                predicted = std::clamp(code & 8 ? predicted - change : predicted + change, -32768, 32767);
                index[c] = std::clamp(index[c] + kIndexMove[code & 7], 0, 88);
                decoded[size_t(n * channels + c)] = int16_t(predicted);
                const int k = n - 1;
                uint8_t& byte = block[size_t(4 * channels + (k / 8) * 4 * channels + 4 * c + (k % 8) / 2)];
                byte |= uint8_t(k % 2 == 0 ? code : code << 4);
            }
        }
        e.data.insert(e.data.end(), block.begin(), block.end());
        e.decoded.insert(e.decoded.end(), decoded.begin(), decoded.end());
    }
    return e;
}

}  // namespace audio_test
