#include "engine/graphics/mask/mask_rows.h"

#include "engine/softrender/simd/simd_rows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orvik {

namespace {

#if defined(__SSE2__)
__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }

// The lanes of `through` that are all ones take the drawn pixel.
void Select(void* out, const void* in, __m128i through) {
    Store(out, _mm_or_si128(_mm_and_si128(through, Load(in)), _mm_andnot_si128(through, Load(out))));
}

// Sixteen pixels: each mask byte widened to its pixel's lanes. Runs the mask keeps whole
// are not touched, and runs it lets through whole are copied without reading the target.
template <class Pixel>
void CompositeStep(Pixel* out, const Pixel* in, __m128i through) {
    constexpr int kLanes = 16 / int(sizeof(Pixel));
    const int bits = _mm_movemask_epi8(through);
    if (bits == 0) return;
    if (bits == 0xFFFF) {
        for (int i = 0; i < 16; i += kLanes) Store(out + i, Load(in + i));
        return;
    }
    const __m128i low = _mm_unpacklo_epi8(through, through), high = _mm_unpackhi_epi8(through, through);
    if constexpr (sizeof(Pixel) == 2) {
        Select(out, in, low);
        Select(out + 8, in + 8, high);
    } else {
        Select(out, in, _mm_unpacklo_epi16(low, low));
        Select(out + 4, in + 4, _mm_unpackhi_epi16(low, low));
        Select(out + 8, in + 8, _mm_unpacklo_epi16(high, high));
        Select(out + 12, in + 12, _mm_unpackhi_epi16(high, high));
    }
}
#endif

template <class Pixel>
void CompositeRow(Pixel* out, const Pixel* in, const uint8_t* mask, int count, bool reverse) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i flip = reverse ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    for (; x + 16 <= count; x += 16)
        CompositeStep(out + x, in + x, _mm_xor_si128(_mm_cmpeq_epi8(Load(mask + x), _mm_setzero_si128()), flip));
#endif
    CompositeMaskRowReference(out + x, in + x, mask + x, count - x, reverse);
}

// A short row: whole vectors, then the last vector again where it overlaps the rest.
void CopyRow(uint8_t* to, const uint8_t* from, size_t size) {
#if defined(__SSE2__)
    if (size >= 16) {
        for (size_t i = 0; i + 16 <= size; i += 16) Store(to + i, Load(from + i));
        Store(to + size - 16, Load(from + size - 16));
        return;
    }
#endif
    std::memcpy(to, from, size);
}

template <class Pixel>
void CompositeRows(const MaskRows& r, bool reverse) {
    for (int y = 0; y < r.height; ++y)
        CompositeRow(reinterpret_cast<Pixel*>(r.target + size_t(y) * r.targetPitch),
                     reinterpret_cast<const Pixel*>(r.image + size_t(y) * r.imagePitch), r.mask + size_t(y) * r.maskPitch,
                     r.width, reverse);
}

// The eight texels of every byte of mask bits, bit k giving texel k, for one pair of
// texel values: a byte of bits becomes its texels in one 32-byte copy, with no work per
// texel. Made again when the pair changes, which a device's one mask format never does;
// one for each thread that makes texels.
class BitTexels {
public:
    // Copies a byte's texels from the table.
    struct Picker {
        const uint32_t (*texels)[8];
        void Put32(uint8_t* out, uint32_t word) const {
            for (int k = 0; k < 4; ++k) Put8(out + 32 * k, word >> (8 * k));
        }
        void Put8(uint8_t* out, uint32_t word) const { std::memcpy(out, texels[uint8_t(word)], sizeof(texels[0])); }
        void PutFirst(uint8_t* out, uint32_t word, int count) const {
            std::memcpy(out, texels[uint8_t(word)], size_t(count) * 4);
        }
    };

    static Picker For(uint32_t clear, uint32_t opaque) {
        thread_local BitTexels table;
        if (!table.made_ || table.clear_ != clear || table.opaque_ != opaque) table.Make(clear, opaque);
        return Picker{table.texels_};
    }

private:
    void Make(uint32_t clear, uint32_t opaque) {
        for (int byte = 0; byte < 256; ++byte)
            for (int k = 0; k < 8; ++k) texels_[byte][k] = byte >> k & 1 ? opaque : clear;
        clear_ = clear;
        opaque_ = opaque;
        made_ = true;
    }

    alignas(64) uint32_t texels_[256][8];
    uint32_t clear_ = 0, opaque_ = 0;
    bool made_ = false;
};

}  // namespace

void PackMaskBits(uint8_t* bits, const uint8_t* mask, int count) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 16 <= count; x += 16) {
        const uint16_t set = uint16_t(~_mm_movemask_epi8(_mm_cmpeq_epi8(Load(mask + x), _mm_setzero_si128())));
        std::memcpy(bits + x / 8, &set, sizeof(set));
    }
#endif
    for (; x < count; x += 8) {
        uint8_t byte = 0;
        for (int k = 0; k < 8 && x + k < count; ++k) byte = uint8_t(byte | (mask[x + k] != 0) << k);
        bits[x / 8] = byte;
    }
}

void MaskBitsToTexels32(const MaskTexelRect& r, uint32_t clear, uint32_t opaque) {
#if defined(ORVIK_AVX2_ROWS)
    if (soft::Avx2RowsInUse()) {
        MaskBitsToTexels32Avx2(r, clear, opaque);
        return;
    }
#endif
    MaskTexelRows(r, BitTexels::For(clear, opaque));
}

void CopyTargetToMaskRows(const MaskRows& r, int bytes) {
    const size_t size = size_t(r.width) * size_t(bytes);
    for (int y = 0; y < r.height; ++y)
        CopyRow(r.image + size_t(y) * r.imagePitch, r.target + size_t(y) * r.targetPitch, size);
}

void CompositeMaskRows(const MaskRows& r, int bytes, bool reverse) {
#if defined(ORVIK_AVX2_ROWS)
    if (soft::Avx2RowsInUse()) {
        CompositeMaskRowsAvx2(r, bytes, reverse);
        return;
    }
#endif
    if (bytes == 4) CompositeRows<uint32_t>(r, reverse);
    else if (bytes == 2) CompositeRows<uint16_t>(r, reverse);
}

}  // namespace orvik
