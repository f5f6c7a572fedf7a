#include "host/acm/pcm_format_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

namespace host {

namespace {

template <class T>
float ReadSample(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return float(v);
}

template <class T>
void WriteSample(float v, uint8_t* p) {
    if constexpr (std::is_same_v<T, int16_t>) {
        const int16_t s = int16_t(std::clamp(std::lround(v), -32768L, 32767L));
        std::memcpy(p, &s, sizeof s);
    } else {
        std::memcpy(p, &v, sizeof v);
    }
}

bool Usable(PcmLayout f) { return f.rate > 0 && (f.channels == 1 || f.channels == 2); }

}  // namespace

uint64_t ConvertedFrameCount(uint64_t frames, uint32_t fromRate, uint32_t toRate) {
    if (frames == 0 || fromRate == 0) return 0;
    return (frames - 1) * toRate / fromRate + 1;
}

void PcmFormatConverter::Convert(std::span<const uint8_t> in, PcmLayout from, std::vector<uint8_t>& out) {
    if (!Usable(from) || !Usable(to_)) return;
    if (from != from_) {
        from_ = from;
        primed_ = false;
    }
    if (sample_ == Sample::kInt16) ConvertAs<int16_t>(in, out);
    else ConvertAs<float>(in, out);
}

// Positions count from last_ (0) through the frames in (1 on); each frame out lies at
// `phase_` and is made from the two frames in around it, or the one it falls on.
template <class T>
void PcmFormatConverter::ConvertAs(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    const size_t inBytes = sizeof(T) * size_t(from_.channels), outBytes = sizeof(T) * size_t(to_.channels);
    size_t frames = in.size() / inBytes;
    const uint8_t* first = in.data();
    const auto take = [&](size_t position, float (&f)[2]) {
        if (position == 0) return void(std::copy(last_, last_ + 2, f));
        const uint8_t* p = first + (position - 1) * inBytes;
        const float l = ReadSample<T>(p), r = from_.channels == 2 ? ReadSample<T>(p + sizeof(T)) : l;
        f[0] = to_.channels == 2 ? l : (l + r) / 2;
        f[1] = r;
    };
    if (frames == 0) return;
    if (!primed_) {
        // A run starts on its first frame.
        take(1, last_);
        first += inBytes;
        --frames;
        phase_ = 0;
        primed_ = true;
    }
    const uint64_t unit = uint64_t(to_.rate), step = uint64_t(from_.rate);
    size_t at = out.size();
    out.resize(at + (frames * unit / step + 2) * outBytes);
    float a[2], b[2];
    for (;;) {
        const uint64_t position = phase_ / unit, fraction = phase_ % unit;
        if (position + (fraction ? 1 : 0) > frames) break;
        take(size_t(position), a);
        if (fraction) take(size_t(position) + 1, b);
        const float w = float(fraction) / float(unit);
        for (int c = 0; c < to_.channels; ++c)
            WriteSample<T>(fraction ? a[c] + (b[c] - a[c]) * w : a[c], out.data() + at + sizeof(T) * size_t(c));
        at += outBytes;
        phase_ += step;
    }
    out.resize(at);
    take(frames, a);
    std::copy(a, a + 2, last_);
    phase_ -= frames * unit;
}

}  // namespace host
