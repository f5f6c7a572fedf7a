// Mixing one voice: one loop per sample width, channel count and whether the voice is
// resampled, picked once per run, so a voice at the output rate is copied exactly.
#include <algorithm>
#include <cstring>

#include "host/dsound/voice.h"

namespace host {
namespace {

constexpr uint64_t kOne = uint64_t(1) << 32;

template <int Bits>
inline int32_t LoadSample(const uint8_t* p) {
    if constexpr (Bits == 8) {
        return (int32_t(*p) - 128) * 256;
    } else {
        int16_t s;
        std::memcpy(&s, p, 2);
        return s;
    }
}

template <int Bits, int Channels>
inline void LoadFrame(const uint8_t* base, uint32_t index, int32_t& left, int32_t& right) {
    constexpr uint32_t kBytes = Bits / 8;
    const uint8_t* p = base + size_t(index) * kBytes * Channels;
    left = LoadSample<Bits>(p);
    right = Channels == 2 ? LoadSample<Bits>(p + kBytes) : left;
}

struct Run {
    const uint8_t* base;
    uint32_t last;    // index of the last frame
    uint32_t wrapTo;  // frame that follows the last one when interpolating
    uint64_t step;
    int32_t gainLeft;
    int32_t gainRight;
};

template <int Bits, int Channels, bool Resample>
uint64_t MixRun(const Run& r, uint64_t pos, int32_t* acc, uint32_t count) {
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t i = uint32_t(pos >> 32);
        int32_t left, right;
        LoadFrame<Bits, Channels>(r.base, i, left, right);
        if constexpr (Resample) {
            const uint32_t j = i == r.last ? r.wrapTo : i + 1;
            int32_t left2, right2;
            LoadFrame<Bits, Channels>(r.base, j, left2, right2);
            const int32_t f = int32_t((pos >> 17) & 0x7FFF);
            left += ((left2 - left) * f) >> 15;
            right += ((right2 - right) * f) >> 15;
        }
        acc[2 * k] += (left * r.gainLeft) >> 15;
        acc[2 * k + 1] += (right * r.gainRight) >> 15;
        pos += r.step;
    }
    return pos;
}

using RunFn = uint64_t (*)(const Run&, uint64_t, int32_t*, uint32_t);

RunFn PickRun(const Voice& v, bool resample) {
    static constexpr RunFn kTable[2][2][2] = {
        {{MixRun<8, 1, false>, MixRun<8, 1, true>}, {MixRun<8, 2, false>, MixRun<8, 2, true>}},
        {{MixRun<16, 1, false>, MixRun<16, 1, true>},
         {MixRun<16, 2, false>, MixRun<16, 2, true>}},
    };
    return kTable[v.bits == 16][v.channels == 2][resample];
}

}  // namespace

void MixVoice(Voice& v, int32_t* acc, uint32_t frames, uint32_t outputRate) {
    if (!v.playing || v.frames == 0 || !v.memory || outputRate == 0) return;
    const uint64_t step = (uint64_t(v.frequency) << 32) / outputRate;
    const uint64_t end = uint64_t(v.frames) << 32;
    if (step == 0) return;
    const bool silent = v.gainLeft == 0 && v.gainRight == 0;
    const Run run{v.memory->data(), v.frames - 1, v.looping ? 0 : v.frames - 1, step,
                  v.gainLeft, v.gainRight};
    const RunFn fn = PickRun(v, step != kOne);
    v.position %= end;
    while (frames > 0) {
        const uint64_t toEnd = (end - v.position + step - 1) / step;
        const uint32_t count = uint32_t(std::min<uint64_t>(frames, toEnd));
        v.position = silent ? v.position + count * step : fn(run, v.position, acc, count);
        acc += 2 * size_t(count);
        frames -= count;
        if (v.position < end) continue;
        if (!v.looping) {
            v.playing = false;
            v.position = 0;
            return;
        }
        v.position %= end;
    }
}

}  // namespace host
