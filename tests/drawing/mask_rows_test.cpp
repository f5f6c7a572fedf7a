// The mask screen's rows against the one-pixel-at-a-time references: every width from 1
// to past four vector steps, starting anywhere in a row, both pixel sizes, the reverse
// flag, and masks of long open and closed runs, single stray bytes and noise. The bytes
// around the rectangle are never written.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/graphics/mask/mask_rows.h"
#include "engine/softrender/simd/simd_rows.h"

namespace orvik_test {
namespace {

using namespace orvik;

constexpr int kRows = 5, kPitchPixels = 96;

// Mask rows of one kind: 0 = noise of 0 and other values, 1 = long runs, 2 = one stray
// byte in an open or a closed row.
std::vector<uint8_t> MaskPattern(int kind, std::mt19937& random) {
    std::vector<uint8_t> mask(size_t(kRows) * kPitchPixels);
    for (size_t i = 0; i < mask.size(); ++i) {
        const uint32_t r = random();
        if (kind == 0) mask[i] = r % 3 == 0 ? 0 : uint8_t(r >> 8);
        else if (kind == 1) mask[i] = (i / 19) % 2 ? 0x80 : 0;
        else mask[i] = (i / kPitchPixels) % 2 ? 0 : 1;
    }
    if (kind == 2)
        for (int y = 0; y < kRows; ++y) mask[size_t(y) * kPitchPixels + random() % kPitchPixels] ^= 0x41;
    return mask;
}

template <class Pixel>
std::vector<Pixel> Noise(std::mt19937& random) {
    std::vector<Pixel> v(size_t(kRows) * kPitchPixels);
    for (Pixel& p : v) p = Pixel(random());
    return v;
}

template <class Pixel>
MaskRows RowsOf(std::vector<Pixel>& target, std::vector<Pixel>& image, const std::vector<uint8_t>& mask, int x, int width) {
    const size_t pitch = kPitchPixels * sizeof(Pixel);
    return MaskRows{reinterpret_cast<uint8_t*>(target.data() + x), pitch, reinterpret_cast<uint8_t*>(image.data() + x),
                    pitch, mask.data() + x, kPitchPixels, width, kRows};
}

template <class Pixel>
void CompareWithReference() {
    std::mt19937 random(7);
    for (int kind = 0; kind < 3; ++kind)
        for (bool reverse : {false, true})
            for (int width = 1; width <= 70; ++width)
                for (int x : {0, 1, 5, kPitchPixels - width}) {
                    const std::vector<uint8_t> mask = MaskPattern(kind, random);
                    std::vector<Pixel> target = Noise<Pixel>(random), image = Noise<Pixel>(random);
                    std::vector<Pixel> expected = target;
                    for (int y = 0; y < kRows; ++y) {
                        const size_t row = size_t(y) * kPitchPixels + size_t(x);
                        CompositeMaskRowReference(expected.data() + row, image.data() + row, mask.data() + row, width,
                                                  reverse);
                    }
                    CompositeMaskRows(RowsOf(target, image, mask, x, width), int(sizeof(Pixel)), reverse);
                    ASSERT_EQ(target, expected) << "kind " << kind << " reverse " << reverse << " width " << width
                                                << " x " << x;
                }
}

// On SSE2 and, where the processor has it, on AVX2.
TEST(MaskRows, TheCompositeGivesTheReferencesPixelsAtEveryWidthAndOffset) {
    const bool was = soft::Avx2RowsInUse();
    for (bool avx2 : {false, true}) {
        if (soft::UseAvx2Rows(avx2) != avx2) continue;
        SCOPED_TRACE(avx2 ? "AVX2" : "SSE2");
        CompareWithReference<uint16_t>();
        CompareWithReference<uint32_t>();
    }
    soft::UseAvx2Rows(was);
}

template <class Pixel>
void CopyExactly() {
    std::mt19937 random(11);
    const std::vector<uint8_t> mask(size_t(kRows) * kPitchPixels, 0);
    for (int width = 1; width <= 70; ++width)
        for (int x : {0, 3, kPitchPixels - width}) {
            std::vector<Pixel> target = Noise<Pixel>(random), image = Noise<Pixel>(random);
            std::vector<Pixel> expected = image;
            for (int y = 0; y < kRows; ++y)
                for (int i = 0; i < width; ++i) {
                    const size_t at = size_t(y) * kPitchPixels + size_t(x + i);
                    expected[at] = target[at];
                }
            const std::vector<Pixel> before = target;
            CopyTargetToMaskRows(RowsOf(target, image, mask, x, width), int(sizeof(Pixel)));
            ASSERT_EQ(image, expected) << "width " << width << " x " << x;
            ASSERT_EQ(target, before);
        }
}

TEST(MaskRows, TheCopyTakesTheRectangleAndNothingAroundIt) {
    CopyExactly<uint16_t>();
    CopyExactly<uint32_t>();
}

// The mask bits: one for every byte, set where it is not 0, at every width and start,
// and nothing written past the last byte that holds one.
TEST(MaskRows, MaskBitsAreSetWhereTheBytesAreNotZero) {
    std::mt19937 random(3);
    for (int kind = 0; kind < 3; ++kind)
        for (int width = 1; width <= 70; ++width)
            for (int x : {0, 6, kPitchPixels - width}) {
                const std::vector<uint8_t> mask = MaskPattern(kind, random);
                std::vector<uint8_t> bits(MaskBitPitch(kPitchPixels), 0x5A);
                PackMaskBits(bits.data(), mask.data() + x, width);
                for (int i = 0; i < width; ++i)
                    ASSERT_EQ(bits[size_t(i / 8)] >> (i % 8) & 1, mask[size_t(x + i)] != 0 ? 1 : 0)
                        << "kind " << kind << " width " << width << " x " << x << " pixel " << i;
                for (size_t i = size_t(width + 7) / 8; i < bits.size(); ++i) ASSERT_EQ(bits[i], 0x5A) << i;
            }
}

// The device's mask texels made from the bits a rectangle at a time: each row as the
// per-byte reference makes it from the bytes, at every width to past six whole words of
// bits, starting at every bit of a byte and at the row's end, for the texel pairs of both
// mask formats and a pair where every bit differs, one after another so that nothing of
// one pair's texels stays for the next; the texels between the rows untouched.
void CompareTexelsWithReference() {
    constexpr int kWide = 224;
    constexpr size_t kTexelPitch = size_t(kWide) * 4 + 12;
    const size_t bitPitch = MaskBitPitch(kWide);
    const uint32_t pairs[][2] = {{0x00FFFFFFu, 0xFFFFFFFFu}, {0x00FFFFFFu, 0xFF000000u}, {0xA5C3F00Fu, 0x5A3C0FF0u}};
    std::mt19937 random(9);
    std::vector<uint8_t> mask(size_t(kRows) * kWide), bits(bitPitch * kRows);
    for (int kind = 0; kind < 3; ++kind)
        for (int width = 1; width <= 200; ++width) {
            for (size_t i = 0; i < mask.size(); ++i) {
                const uint32_t r = random();
                mask[i] = kind == 0 ? (r % 3 == 0 ? 0 : uint8_t(r >> 8))
                          : kind == 1 ? ((i + size_t(width)) / 11 % 2 ? 0x80 : 0)
                                      : uint8_t(r % 29 == 0);
            }
            for (int y = 0; y < kRows; ++y)
                PackMaskBits(bits.data() + size_t(y) * bitPitch, mask.data() + size_t(y) * kWide, kWide);
            for (int x : {0, 1, 2, 3, 4, 5, 6, 7, 13, kWide - width})
                for (const auto& [clear, opaque] : pairs) {
                    std::vector<uint8_t> texels(kTexelPitch * kRows, 0xCD), expected = texels;
                    for (int y = 0; y < kRows; ++y)
                        MaskBytesToTexelsReference<uint32_t>(expected.data() + size_t(y) * kTexelPitch,
                                                             mask.data() + size_t(y) * kWide + size_t(x), width, clear,
                                                             opaque);
                    const MaskTexelRect rect{texels.data(), kTexelPitch, bits.data(), bitPitch, x, width, kRows};
                    MaskBitsToTexels32(rect, clear, opaque);
                    ASSERT_EQ(texels, expected)
                        << "kind " << kind << " width " << width << " x " << x << " texels " << clear << "/" << opaque;
                }
        }
}

// On SSE2 and, where the processor has it, on AVX2.
TEST(MaskRows, MaskTexelsFromTheBitsMatchTheReferenceRowByRow) {
    const bool was = soft::Avx2RowsInUse();
    for (bool avx2 : {false, true}) {
        if (soft::UseAvx2Rows(avx2) != avx2) continue;
        SCOPED_TRACE(avx2 ? "AVX2" : "SSE2");
        CompareTexelsWithReference();
    }
    soft::UseAvx2Rows(was);
}

}  // namespace
}  // namespace orvik_test
