// Corner positions are snapped to 1/256 pixel, the nearest with halves away from zero:
// every float the rasteriser takes must snap as llround of its exact value does, or a
// sprite's edge moves by a sub-pixel step at some positions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "host/d3d9/raster/raster_common.h"

namespace host::test {
namespace {

// Checks one float; true when it snapped as expected.
bool SnapsLikeLlround(float v) {
    int64_t got = 0;
    const bool usable = SnapPosition(v, &got);
    if (!(std::fabs(v) < kMaxScreenCoordinate)) {
        EXPECT_FALSE(usable) << v;
        return !usable;
    }
    const int64_t expected = std::llround(double(v) * 256.0);
    EXPECT_TRUE(usable && got == expected) << std::hexfloat << v << " gave " << got << ", expected " << expected;
    return usable && got == expected;
}

TEST(SnapPositionTest, HalvesAndTheirNeighboursRoundAwayFromZero) {
    // Every half step of the grid over the reachable range (coarser far out) and the
    // floats just either side of it, on both signs.
    for (double k = 0; k < double(kMaxScreenCoordinate) * 256.0; k = k < 4096 ? k + 1 : std::floor(k * 1.0009765625)) {
        const float half = float((k + 0.5) / 256.0);
        for (float v : {half, std::nextafter(half, 0.0f), std::nextafter(half, 1e9f)})
            if (!SnapsLikeLlround(v) || !SnapsLikeLlround(-v)) return;
    }
}

TEST(SnapPositionTest, EveryKindOfFloatSnapsAsItsExactValue) {
    // Zeros, the smallest floats, values just under a half step, random bit patterns over
    // every exponent, and those past the limit or not numbers, which are refused.
    const float odd[] = {0.0f, -0.0f, std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::min(), 1.0f / 512.0f,
                             std::nextafter(1.0f / 512.0f, 0.0f), std::nextafter(kMaxScreenCoordinate, 0.0f),
                             kMaxScreenCoordinate, std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN()};
    for (float v : odd)
        if (!SnapsLikeLlround(v) || !SnapsLikeLlround(-v)) return;
    std::mt19937 rng(11);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t bits = uint32_t(rng());
        float v;
        std::memcpy(&v, &bits, 4);
        if (!SnapsLikeLlround(v)) return;
    }
}

}  // namespace
}  // namespace host::test
