// The texel walk's runs through the block kernels: the rotated draw's and the triangle's
// spans. Each register of source pixels is put together from its texels straight in the
// register: gathered by their offsets where the instruction set can (AVX2, four-byte
// texels), else read one at a time. A row of texels stored and read back as whole
// registers would wait at every read for the narrow stores before it to reach the cache.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "engine/softrender/simd/simd_blocks.h"

namespace orvik::soft {

inline constexpr int kTexelShift = 18;

// Pixels whose texels all lie in the source: the first pixel's texel (u, v), in 18-bit
// fixed point, and the step per pixel. Every texel lies within 2^31 bytes of src, as a
// memory image's pixels do.
struct TexelRun {
    const uint8_t* src = nullptr;
    ptrdiff_t pitch = 0;
    uint32_t u = 0, v = 0, du = 0, dv = 0;
};

inline const uint8_t* TexelAddress(const TexelRun& r, uint32_t u, uint32_t v, int bytes) {
    return r.src + ptrdiff_t{v >> kTexelShift} * r.pitch + ptrdiff_t{u >> kTexelShift} * bytes;
}

namespace texels {

template <int Bytes>
using Raw = std::conditional_t<Bytes == 2, uint16_t, uint32_t>;

// Readers of the register of texels of pixels at, at + 1, ... of a run; four-byte texels
// are gathered where the instruction set can.
template <class I, int Bytes>
inline constexpr bool kGather = I::kGathers && Bytes == 4;

// The 32-bit or 16-bit values e[0], e[1], ... from the lowest lane up, put together in
// the register as the instruction sets' own setr forms are, for either register width.
template <class I, class T>
typename I::V Lanes(const T* e) {
    using Lane = std::conditional_t<sizeof(T) == 4, int32_t, int16_t>;
    using Values [[gnu::vector_size(I::kBytes)]] = Lane;
    return [e]<size_t... i>(std::index_sequence<i...>) {
        return reinterpret_cast<typename I::V>(Values{static_cast<Lane>(e[i])...});
    }(std::make_index_sequence<I::kBytes / sizeof(T)>{});
}

// 0, 1, 2, ... in the 32-bit lanes.
template <class I>
typename I::V LaneNumbers() {
    constexpr auto numbers = [] {
        std::array<uint32_t, I::kBytes / 4> n{};
        for (uint32_t i = 0; i < n.size(); ++i) n[i] = i;
        return n;
    }();
    return Lanes<I>(numbers.data());
}

// Texels by their fixed-point position.
template <class I, int Bytes>
class Stepped {
    using X = typename I::V;

public:
    static constexpr int kLanes = I::kBytes / Bytes;

    explicit Stepped(const TexelRun& r) : r_(r) {
        if constexpr (kGather<I, Bytes>) {
            const X lane = LaneNumbers<I>();
            laneU_ = I::Mul32(lane, I::Set32(r.du));
            laneV_ = I::Mul32(lane, I::Set32(r.dv));
            pitch_ = I::Set32(static_cast<uint32_t>(r.pitch));
        }
    }

    X Read(int32_t at) const {
        uint32_t u = r_.u + static_cast<uint32_t>(at) * r_.du, v = r_.v + static_cast<uint32_t>(at) * r_.dv;
        if constexpr (kGather<I, Bytes>) {
            const X cu = I::Add32(I::Set32(u), laneU_), cv = I::Add32(I::Set32(v), laneV_);
            const X rows = I::Mul32(I::template Srl32<kTexelShift>(cv), pitch_);
            return I::Gather32(r_.src, I::Add32(rows, I::template Sll32<2>(I::template Srl32<kTexelShift>(cu))));
        } else {
            Raw<Bytes> e[kLanes];
            for (int i = 0; i < kLanes; ++i, u += r_.du, v += r_.dv)
                std::memcpy(&e[i], TexelAddress(r_, u, v, Bytes), Bytes);
            return Lanes<I>(e);
        }
    }

private:
    TexelRun r_;
    X laneU_{}, laneV_{}, pitch_{};
};

// Steps of whole texels (quarter turns, scales by whole numbers): a texel lies a fixed
// number of bytes after the one before.
template <class I, int Bytes>
class Whole {
    using X = typename I::V;

public:
    static constexpr int kLanes = I::kBytes / Bytes;

    Whole(const uint8_t* first, ptrdiff_t step) : first_(first), step_(step) {
        if constexpr (kGather<I, Bytes>) offsets_ = I::Mul32(LaneNumbers<I>(), I::Set32(static_cast<uint32_t>(step)));
    }

    X Read(int32_t at) const {
        const uint8_t* p = first_ + at * step_;
        if constexpr (kGather<I, Bytes>) {
            return I::Gather32(p, offsets_);
        } else {
            Raw<Bytes> e[kLanes];
            for (int i = 0; i < kLanes; ++i) std::memcpy(&e[i], p + i * step_, Bytes);
            return Lanes<I>(e);
        }
    }

private:
    const uint8_t* first_;
    ptrdiff_t step_;
    X offsets_{};
};

// A run of at least a block through the kernels k, its texels from the reader.
template <class K, class Reader>
void Gathered(const K& k, uint8_t* dst, const Reader& texels, int32_t width) {
    k.WholeBlocks(dst, width, [&](int32_t x) {
        int32_t at = x;
        return k.FetchFrom([&] {
            const auto r = texels.Read(at);
            at += Reader::kLanes;
            return r;
        });
    });
}

}  // namespace texels

// Draws width pixels from dst on, pixel x from the texel of run's step x. Runs shorter
// than a block go one pixel at a time; one texel to the right a pixel reads the source's
// row where it lies. The caller builds it and all it calls into itself, so the registers
// of each block are put together where they are used.
template <class I, class V>
void TexelBlocks(const PixelContext& cx, uint8_t* dst, const TexelRun& run, int32_t width) {
    constexpr uint32_t kOne = 1u << kTexelShift, kFraction = kOne - 1;
    constexpr int bytes = V::srcBytes;
    if (width < Blocks<I, V>::kPixels) {
        uint32_t u = run.u, v = run.v;
        for (int32_t x = 0; x < width; ++x, u += run.du, v += run.dv)
            BlendPixel<V>(cx, dst + ptrdiff_t{x} * V::dstBytes, TexelAddress(run, u, v, bytes), nullptr);
        return;
    }
    WithBlocks<I, V>(cx, [&](const auto& k) {
        if (((run.du | run.dv) & kFraction) != 0)
            return texels::Gathered(k, dst, texels::Stepped<I, bytes>(run), width);
        const uint8_t* first = TexelAddress(run, run.u, run.v, bytes);
        if (run.dv == 0 && run.du == kOne)
            return k.WholeBlocks(dst, width, [&](int32_t x) { return k.Fetch(first + ptrdiff_t{x} * bytes); });
        const ptrdiff_t step = ptrdiff_t{static_cast<int32_t>(run.du) >> kTexelShift} * bytes +
                               ptrdiff_t{static_cast<int32_t>(run.dv) >> kTexelShift} * run.pitch;
        texels::Gathered(k, dst, texels::Whole<I, bytes>(first, step), width);
    });
}

}  // namespace orvik::soft
