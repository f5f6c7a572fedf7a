// The block loops against the scalar reference: every kernel at both depths, keyed and
// not, tinted or not, with and without source alpha (32-bit), for every parameter 0 to
// 255, on SSE2 and (where the processor has it) AVX2, in the point draw's rows and the
// filled rectangle. Rows are 37 pixels, so each width of block meets both whole blocks and a tail; the
// fourth byte of 32-bit pixels is random, so a loop that writes it where the pixel loop
// keeps it (or the reverse) is caught.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "engine/softrender/blend_tables.h"
#include "engine/softrender/flat_walker.h"
#include "engine/softrender/row_walker.h"
#include "engine/softrender/simd_rows.h"
#include "engine/softrender/soft_state.h"
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
        const int bytes = r.depth / 8, pitch = bytes * kWidth + kPad;
        std::vector<uint8_t> src = Random(static_cast<size_t>(pitch) * kHeight);
        const uint32_t trans = r.depth == 32 ? 0x00ABCDEFu : 0xABCDu;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            uint8_t* p = &src[(i / kWidth) * pitch + (i % kWidth) * bytes];
            const int x = i % kWidth;
            if (r.alpha) {
                // Wholly opaque blocks, a wholly clear one, then mixed alpha.
                if (x < 16 || (x >= 24 && i % 3 == 0)) p[3] = 255;
                else if (x < 24 || i % 3 == 1) p[3] = 0;
            } else if (i % 3 == 0) {  // a third of the pixels transparent
                std::memcpy(p, &trans, bytes);
            }
        }
        std::vector<uint8_t> dst = Random(src.size());
        const std::vector<uint8_t> before = dst;

        // Bright bytes 0 and 255 among random ones.
        const uint32_t bright = r.tint ? (rng() & 0xFFFF00u) | (param % 2 ? 0xFF : 0) : 0xFFFFFF;
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
        store.transColor = trans;
        RowJob job;
        job.cx = MakePixelContext(ds, &store);
        job.dst = dst.data();
        job.dstPitch = job.srcPitch = pitch;
        job.src = src.data();
        job.width = kWidth;
        job.height = kHeight;
        fn(job);

        reference::Draw rd;
        rd.depth = r.depth;
        rd.alpha = r.alpha;
        rd.keyed = r.keyed;
        rd.mode = mode;
        rd.param = param;
        rd.bright = bright;
        rd.trans = trans;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x <= kWidth; ++x) {
                const size_t at = static_cast<size_t>(y) * pitch + x * bytes;
                if (x == kWidth) {
                    ASSERT_TRUE(std::equal(&dst[at], &dst[at + kPad], &before[at])) << "padding";
                    continue;
                }
                uint32_t old = 0, got = 0;
                std::memcpy(&old, &before[at], bytes);
                std::memcpy(&got, &dst[at], bytes);
                ASSERT_EQ(got, reference::Pixel(rd, old, &src[at], 0))
                    << "depth " << r.depth << " keyed " << r.keyed << " alpha " << r.alpha << " tint "
                    << r.tint << " mode " << mode << " p " << param << " x " << x << " y " << y;
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
                for (int shape = 0; shape < 8; ++shape) {
                    const Rows r{depth, (shape & 1) != 0, (shape & 2) != 0, (shape & 4) != 0};
                    if (!r.alpha || depth == 32) RowCase(r, mode, param);
                }
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
            RowCase({32, true, true, i % 2 == 1}, mode, 7 + 16 * i);
            if (HasFatalFailure()) return;
        }
}

INSTANTIATE_TEST_SUITE_P(Sse2AndAvx2, BlockRows, ::testing::Values(false, true));

}  // namespace
