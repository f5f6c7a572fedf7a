// The mask screen's row work on AVX2: the software composite, a whole 32-byte vector of
// pixels a step, each picked from the drawn or the kept pixel by one blend; and the
// device's mask texels, eight picked from the two texel values by one blend each. This
// file alone is built
// with -mavx2 and is reached only where the processor has it; everything it defines is
// in an unnamed namespace (the tail loops too), so that no AVX2 code stands in for a
// baseline copy of an inline function at link time.
#include "engine/graphics/mask/mask_rows.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace orvik {

namespace {

// The mask bytes of one vector of pixels widened to the pixels' lanes: all ones where the
// drawn pixel goes back.
template <class Pixel>
__m256i Through(const uint8_t* mask, __m128i flip) {
    if constexpr (sizeof(Pixel) == 2) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask));
        return _mm256_cvtepi8_epi16(_mm_xor_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()), flip));
    } else {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(mask));
        return _mm256_cvtepi8_epi32(_mm_xor_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()), flip));
    }
}

template <class Pixel>
void Row(Pixel* out, const Pixel* in, const uint8_t* mask, int count, bool reverse) {
    constexpr int kStep = 32 / int(sizeof(Pixel));
    const __m128i flip = reverse ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    int x = 0;
    for (; x + kStep <= count; x += kStep) {
        const __m256i through = Through<Pixel>(mask + x, flip);
        const int bits = _mm256_movemask_epi8(through);
        if (bits == 0) continue;
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        if (bits != -1) v = _mm256_blendv_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + x)), v, through);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), v);
    }
    for (; x < count; ++x)
        if ((mask[x] == 0) != reverse) out[x] = in[x];
}

template <class Pixel>
void Rows(const MaskRows& r, bool reverse) {
    for (int y = 0; y < r.height; ++y)
        Row(reinterpret_cast<Pixel*>(r.target + size_t(y) * r.targetPitch),
            reinterpret_cast<const Pixel*>(r.image + size_t(y) * r.imagePitch), r.mask + size_t(y) * r.maskPitch,
            r.width, reverse);
}

// Eight texels from bits 8k to 8k + 7 of the word spread over every lane: each lane tests
// its own bit.
class TexelPicker {
public:
    TexelPicker(uint32_t clearTexel, uint32_t opaqueTexel)
        : clear(_mm256_set1_epi32(int(clearTexel))), opaque(_mm256_set1_epi32(int(opaqueTexel))) {
        for (int k = 0; k < 4; ++k)
            lanes[k] = _mm256_sllv_epi32(_mm256_set1_epi32(1 << (8 * k)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    void Put32(uint8_t* out, uint32_t word) const {
        const __m256i spread = _mm256_set1_epi32(int(word));
        for (int k = 0; k < 4; ++k) Put(out + 32 * k, spread, k);
    }
    void Put8(uint8_t* out, uint32_t word) const { Put(out, _mm256_set1_epi32(int(word)), 0); }
    // The first `count` (below 8) texels only.
    void PutFirst(uint8_t* out, uint32_t word, int count) const {
        const __m256i first = _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out), first, Pick(_mm256_set1_epi32(int(word)), 0));
    }

private:
    __m256i Pick(__m256i word, int k) const {
        return _mm256_blendv_epi8(clear, opaque, _mm256_cmpeq_epi32(_mm256_and_si256(word, lanes[k]), lanes[k]));
    }
    void Put(uint8_t* out, __m256i word, int k) const {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), Pick(word, k));
    }

    __m256i clear, opaque, lanes[4];
};

}  // namespace

void MaskBitsToTexels32Avx2(const MaskTexelRect& r, uint32_t clear, uint32_t opaque) {
    MaskTexelRows(r, TexelPicker(clear, opaque));
}

void CompositeMaskRowsAvx2(const MaskRows& r, int bytes, bool reverse) {
    if (bytes == 4) Rows<uint32_t>(r, reverse);
    else if (bytes == 2) Rows<uint16_t>(r, reverse);
}

}  // namespace orvik
#endif
