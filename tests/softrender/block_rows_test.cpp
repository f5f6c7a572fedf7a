// The block loops against the scalar reference: every kernel at both depths, keyed and
// not, tinted or not, with and without source alpha, for every parameter 0 to
// 255, on SSE2 and (where the processor has it) AVX2, in the point draw's rows and the
// filled rectangle. Rows are 37 pixels, so each width of block meets both whole blocks and a tail; the
// fourth byte of 32-bit pixels is random, so a loop that writes it where the pixel loop
// keeps it (or the reverse) is caught.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/walkers/flat_walker.h"
#include "engine/softrender/walkers/row_walker.h"
#include "engine/softrender/simd/simd_rows.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "scalar_reference.h"

namespace {

using namespace orvik::soft;

constexpr int kWidth = 37, kHeight = 2, kPad = 5;
constexpr int kModes[] = {0, 1, 2, 3, 4, 10, 11};

struct Rows {
    int depth;
    bool keyed, alpha, tint;
};

class BlockRows : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        orvik::ResetSoftRender();
        orvik::InitMemImgBlendTables();
        if (UseAvx2Rows(GetParam()) != GetParam()) GTEST_SKIP() << "no AVX2 on this processor";
    }
    void TearDown() override { orvik::ResetSoftRender(); }

    std::vector<uint8_t> Random(size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) b = static_cast<uint8_t>(rng());
        return v;
    }

    // One row draw of the given shape against the reference, pixel by pixel; the row
    // padding must stay as it was.
    void RowCase(const Rows& r, int mode, int param) {
        const int bytes = SrcBytes(r), pitch = bytes * kWidth + kPad;
        std::vector<uint8_t> src = Random(static_cast<size_t>(pitch) * kHeight);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            uint8_t* p = &src[(i / kWidth) * pitch + (i % kWidth) * bytes];
            const int x = i % kWidth;
            // A 16-bit pixel's alpha is its third byte; its fourth is left random.
            uint8_t& alpha = p[r.depth == 32 ? 3 : 2];
            if (r.alpha) {
                // Wholly opaque blocks, a wholly clear one, then mixed alpha.
                if (x < 16 || (x >= 24 && i % 3 == 0)) alpha = 255;
                else if (x < 24 || i % 3 == 1) alpha = 0;
            } else if (i % 3 == 0) {  // a third of the pixels transparent
                const uint32_t trans = Trans(r.depth);
                std::memcpy(p, &trans, bytes);
            }
        }
        // Bright bytes 0 and 255 among random ones.
        const uint32_t bright = r.tint ? (rng() & 0xFFFF00u) | (param % 2 ? 0xFF : 0) : 0xFFFFFF;
        const int dstPitch = r.depth / 8 * kWidth + kPad;
        Check(r, mode, param, bright, src, pitch, Random(static_cast<size_t>(dstPitch) * kHeight), dstPitch,
              kWidth, kHeight);
    }

    static uint32_t Trans(int depth) { return depth == 32 ? 0x00ABCDEFu : 0xABCDu; }
    static int SrcBytes(const Rows& r) { return r.depth == 32 || r.alpha ? 4 : 2; }

    // The row loop of the shape over src and dst (rows of width pixels, each image's pitch
    // bytes apart) against the reference; what lies past each row must stay as it was.
    void Check(const Rows& r, int mode, int param, uint32_t bright, const std::vector<uint8_t>& src,
               int srcPitch, std::vector<uint8_t> dst, int pitch, int width, int height) {
        const std::vector<uint8_t> before = dst;
        const int bytes = r.depth / 8;
        const KernelChoice choice =
            SelectKernel(mode, param, Flavour::Point, !r.alpha && !r.tint, r.depth);
        if (!choice.draw) return;
        const VariantKey key{r.depth, false, choice.kernel, false, r.tint, r.alpha, r.keyed};
        const RowFn fn = FindPointRowLoop(key);
        ASSERT_NE(fn, nullptr);
        kernels.insert(static_cast<int>(choice.kernel) * 64 + r.depth);
        orvik::MemImgDrawState ds;
        ds.blendMode = mode;
        ds.blendParam = param;
        ds.bright = bright;
        orvik::MemImgStore store{};
        store.transColor = Trans(r.depth);
        RowJob job;
        job.cx = MakePixelContext(ds, &store);
        job.dst = dst.data();
        job.dstPitch = pitch;
        job.srcPitch = srcPitch;
        job.src = src.data();
        job.width = width;
        job.height = height;
        fn(job);

        reference::Draw rd;
        rd.depth = r.depth;
        rd.alpha = r.alpha;
        rd.keyed = r.keyed;
        rd.mode = mode;
        rd.param = param;
        rd.bright = bright;
        rd.trans = store.transColor;
        for (int y = 0; y < height; ++y) {
            const size_t row = static_cast<size_t>(y) * pitch, end = row + static_cast<size_t>(width) * bytes;
            ASSERT_TRUE(std::equal(dst.data() + end, dst.data() + row + pitch, before.data() + end))
                << "padding";
            for (int x = 0; x < width; ++x) {
                const size_t at = row + static_cast<size_t>(x) * bytes;
                uint32_t old = 0, got = 0;
                std::memcpy(&old, &before[at], bytes);
                std::memcpy(&got, &dst[at], bytes);
                const size_t from = static_cast<size_t>(y) * srcPitch + static_cast<size_t>(x) * SrcBytes(r);
                ASSERT_EQ(got, reference::Pixel(rd, old, &src[from], 0))
                    << "depth " << r.depth << " keyed " << r.keyed << " alpha " << r.alpha << " tint "
                    << r.tint << " bright " << std::hex << bright << std::dec << " mode " << mode
                    << " p " << param << " x " << x << " y " << y;
            }
        }
    }

    // The filled rectangle's loop, one colour over random pixels.
    void FillCase(int depth, int mode, int param) {
        const KernelChoice choice = SelectKernel(mode, param, Flavour::Textured, true, depth);
        if (!choice.draw) return;
        kernels.insert(static_cast<int>(choice.kernel) * 64 + depth);
        const int bytes = depth / 8, pitch = bytes * kWidth + kPad;
        std::vector<uint8_t> dst = Random(static_cast<size_t>(pitch) * kHeight);
        const std::vector<uint8_t> before = dst;
        orvik::MemImgDrawState ds;
        ds.blendMode = mode;
        ds.blendParam = param;
        FlatJob job;
        job.cx = MakePixelContext(ds, nullptr);
        job.dst = dst.data();
        job.pitch = pitch;
        job.width = kWidth;
        job.height = kHeight;
        job.colour = depth == 32 ? rng() : rng() & 0xFFFF;
        FindFlatLoop(depth, choice.kernel)(job);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const size_t at = static_cast<size_t>(y) * pitch + x * bytes;
                uint32_t old = 0, got = 0;
                std::memcpy(&old, &before[at], bytes);
                std::memcpy(&got, &dst[at], bytes);
                ASSERT_EQ(got, reference::FlatPixel(depth, mode, param, 0xFFFFFF, job.colour, old))
                    << "fill depth " << depth << " mode " << mode << " p " << param << " x " << x;
            }
    }

    std::mt19937 rng{4242};
    std::set<int> kernels;  // kernel * 64 + depth, of the cases run
};

TEST_P(BlockRows, EveryKernelAndParameterMatchesTheReference) {
    for (int depth : {16, 32})
        for (int mode : kModes)
            for (int param = 0; param < 256; ++param) {
                for (int shape = 0; shape < 8; ++shape)
                    RowCase({depth, (shape & 1) != 0, (shape & 2) != 0, (shape & 4) != 0}, mode, param);
                FillCase(depth, mode, param);
                if (HasFatalFailure()) return;
            }
    // Every kernel ran at both depths (the six-bit mix exists at 16 bits only).
    for (int k = 0; k < kKernelCount; ++k)
        for (int depth : {16, 32}) {
            if (static_cast<Kernel>(k) == Kernel::Mix6 && depth == 32) continue;
            EXPECT_TRUE(kernels.count(k * 64 + depth)) << "kernel " << k << " depth " << depth;
        }
}

TEST_P(BlockRows, KeyedAlphaSourcesMatchTheReference) {
    // Many rows of blocks wholly opaque, wholly clear and of mixed alpha, in every mode.
    for (int i = 0; i < 16; ++i)
        for (int mode : kModes) {
            for (int depth : {16, 32}) RowCase({depth, true, true, i % 2 == 1}, mode, 7 + 16 * i);
            if (HasFatalFailure()) return;
        }
}

TEST_P(BlockRows, EveryBrightByteMatchesTheReference) {
    // Each bright byte 0 to 255 in every channel (red takes them in another order), with
    // a parameter that changes with it.
    for (int b = 0; b < 256; ++b)
        for (int mode : kModes)
            for (int shape = 0; shape < 3; ++shape) {
                const Rows r{16 << (b & 1), shape == 1, shape == 2, true};
                const int srcPitch = SrcBytes(r) * kWidth + kPad, pitch = r.depth / 8 * kWidth + kPad;
                const std::vector<uint8_t> src = Random(static_cast<size_t>(srcPitch) * kHeight);
                const uint32_t bright = b | (255u - b) << 8 | ((b * 37u) & 255u) << 16;
                Check(r, mode, (b * 7) & 255, bright, src, srcPitch, Random(static_cast<size_t>(pitch) * kHeight),
                      pitch, kWidth, kHeight);
                if (HasFatalFailure()) return;
            }
}

TEST_P(BlockRows, EveryPairOf16BitFieldsMatchesTheReference) {
    // Rows in which the destination and source fields meet in every pair of values
    // (green's 64 x 64, blue's and red's 32 x 32), for the parameters of the modes that
    // scale by it (mode 1 every one, the others every third), plain and for some also
    // tinted; 16-bit pixels' channels are narrow enough to try whole. Mode 10 is mode 1 on
    // the inverted source.
    constexpr int kPairs = 64 * 64, pitch = 2 * kPairs;
    std::vector<uint8_t> src(pitch), dst(pitch);
    for (int i = 0; i < kPairs; ++i) {
        const auto pixel = [](int v) { return static_cast<uint16_t>((v & 31) | (v & 63) << 5 | (v & 31) << 11); };
        const uint16_t d = pixel(i), c = pixel(i >> 6);
        std::memcpy(&dst[2 * i], &d, 2);
        std::memcpy(&src[2 * i], &c, 2);
    }
    for (int mode : {1, 2, 3, 11})
        for (int param = 0; param < 256; param += mode == 1 ? 1 : 3)
            for (bool tint : {false, param % 32 == 3}) {
                const uint32_t bright = tint ? (0x01FE80u + static_cast<uint32_t>(param) * 0x010101u) & 0xFFFFFFu
                                             : 0xFFFFFFu;
                Check({16, false, false, tint}, mode, param, bright, src, pitch, dst, pitch, kPairs, 1);
                if (HasFatalFailure()) return;
            }
}

TEST_P(BlockRows, EveryByteOf32BitPixelsMatchesTheReference) {
    // Rows whose source pixels hold each byte value 0 to 255 in all three colour channels,
    // tinted by every bright byte and scaled by every parameter (plain too in the modes
    // that scale the source by it); keyed with alpha, a third of them partly transparent.
    constexpr int kBytes = 256, pitch = 4 * kBytes;
    std::vector<uint8_t> src(pitch);
    for (int i = 0; i < kBytes; ++i) {
        const uint32_t v = static_cast<uint32_t>(i) * 0x010101u | (i % 3 ? 0xFF000000u : (rng() & 0xFF000000u));
        std::memcpy(&src[4 * i], &v, 4);
    }
    for (int v = 0; v < 256; ++v)
        for (int mode : kModes)
            for (bool alpha : {false, true}) {
                // Red takes the bytes in another order, so the tint is never white.
                const uint32_t bright = static_cast<uint32_t>(v) * 0x0101u | (v ^ 1u) << 16;
                Check({32, alpha, alpha, true}, mode, v, bright, src, pitch, Random(src.size()), pitch, kBytes, 1);
                if (mode == 2 || mode == 3)
                    Check({32, alpha, alpha, false}, mode, v, 0xFFFFFF, src, pitch, Random(src.size()), pitch, kBytes, 1);
                if (HasFatalFailure()) return;
            }
}

INSTANTIATE_TEST_SUITE_P(Sse2AndAvx2, BlockRows, ::testing::Values(false, true));

}  // namespace
