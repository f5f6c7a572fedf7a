// Run-coded point draws whose runs are long enough for the block loops: opaque runs and
// partly transparent runs of 8 to 40 pixels, with transparent gaps, in every mode at both
// depths (source alpha at 32 bits), on SSE2 and AVX2, against the scalar reference.
#include "draw_fixture.h"
#include "engine/softrender/draws/draw_at.h"
#include "engine/softrender/pipeline/run_codes.h"
#include "engine/softrender/simd/simd_rows.h"
#include "scalar_reference.h"

namespace {

using namespace drawtest;

constexpr int kW = 45, kH = 6;

class RunBlocks : public DrawTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        if (soft::UseAvx2Rows(GetParam()) != GetParam()) GTEST_SKIP() << "no AVX2 on this processor";
    }

    // Rows of runs: each row's runs are 8 to 40 pixels long and alternate kinds.
    uint32_t SourcePixel(int depth, bool alpha, int x, int y) {
        const int split = 8 + (y * 7) % 33;
        const bool first = x < split;
        uint32_t v = rng() | 1;
        if (depth == 16) v = (v & 0xFFFF) | 1;
        if (x == split) return 0;  // a transparent gap
        if (!alpha) return v;
        const uint32_t a = first == (y % 2 == 0) ? 255 : 1 + rng() % 254;
        return depth == 32 ? (v & 0xFFFFFF) | a << 24 : (v & 0xFFFF) | a << 16;
    }

    void RunCase(int depth, bool alpha, int mode, int param) {
        const int type = depth == 32 ? kMemImgXrgb32 : kMemImgRgb565;
        Image src, dst;
        src.Make(type, kW, kH, false, alpha, 0, true);
        src.FillWith([&](int x, int y) { return SourcePixel(depth, alpha, x, y); });
        soft::BuildMemImgRunCodes(*src.img.store);
        src.img.store->runCodeValid = 1;
        dst.Make(type, kW + 4, kH + 2);
        dst.FillWith([&](int, int) { return depth == 32 ? rng() : rng() & 0xFFFF; });
        const std::vector<uint32_t> before = dst.Pixels();
        Area(0, 0, kW + 4, kH + 2);
        Settings(mode, param);
        DrawMemImgAt(&dst.img, &src.img, 2, 1, 1, nullptr);

        reference::Draw rd;
        rd.flavour = reference::kStretch;
        rd.depth = depth;
        rd.alpha = alpha;
        rd.keyed = true;
        rd.mode = mode;
        rd.param = param;
        for (int y = 0; y < kH + 2; ++y)
            for (int x = 0; x < kW + 4; ++x) {
                const uint32_t old = before[y * (kW + 4) + x];
                const bool inside = x >= 2 && x < kW + 2 && y >= 1 && y < kH + 1;
                const uint32_t want = inside ? reference::Pixel(rd, old, src.Addr(x - 2, y - 1), 0) : old;
                ASSERT_EQ(dst.At(x, y), want) << "depth " << depth << " alpha " << alpha << " mode "
                                              << mode << " p " << param << " at " << x << "," << y;
            }
    }
};

TEST_P(RunBlocks, LongRunsMatchTheReference) {
    for (int depth : {16, 32})
        for (bool alpha : {false, true})
            for (int mode : {0, 1, 2, 3, 4, 10, 11})
                for (int param : {0, 1, 100, 128, 200, 254, 255}) {
                    RunCase(depth, alpha, mode, param);
                    if (HasFatalFailure()) return;
                }
}

INSTANTIATE_TEST_SUITE_P(Sse2AndAvx2, RunBlocks, ::testing::Values(false, true));

}  // namespace
