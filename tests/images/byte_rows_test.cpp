#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/graphics/images/byte_rows.h"

namespace {

using orvik::ByteRowsLevel;
using orvik::ByteShuffle;

// Every row the processor has gives the reference's bytes, for random shuffles of each
// pixel size pairing (and the keep-or-fill ones SSE2 takes) on blocks of two random rows
// of every length up to a few vector steps, and writes nothing past a row.
TEST(ByteRowsTest, VectorRowsMatchTheReferenceForEveryTail) {
    std::mt19937 random(7);
    auto byte = [&] { return uint8_t(random()); };
    int compared = 0;
    for (int trial = 0; trial < 64; ++trial) {
        ByteShuffle s{3 + trial % 2, 3 + trial / 2 % 2, {}, {}};
        for (int j = 0; j < 4; ++j) {
            const bool keepOrFill = trial % 8 == 3;  // 4 -> 4 with each byte kept or filled
            s.pick[j] = int8_t(random() % 4 == 0 ? -1 : keepOrFill ? j : int(random() % unsigned(s.sourceBytes)));
            s.fill[j] = byte();
        }
        for (ByteRowsLevel level : {ByteRowsLevel::Sse2, ByteRowsLevel::Ssse3, ByteRowsLevel::Avx2}) {
            const orvik::ByteShuffleRowsFn rows = orvik::ByteShuffleRowsAt(level, s);
            if (!rows) continue;
            for (int count = 0; count <= 40; ++count) {
                // The second row starts right after the first's last pixel in the source,
                // and 32 bytes after the first's end in the destination.
                const ptrdiff_t sourcePitch = ptrdiff_t(count) * s.sourceBytes, destPitch = ptrdiff_t(count) * s.destBytes + 32;
                std::vector<uint8_t> source(size_t(sourcePitch) * 2);
                for (uint8_t& b : source) b = byte();
                std::vector<uint8_t> want(size_t(destPitch) * 2, 0x5A), got(want);
                orvik::ShuffleBytesRowsReference(s, {want.data(), destPitch, source.data(), sourcePitch, count, 2});
                rows(s, {got.data(), destPitch, source.data(), sourcePitch, count, 2});
                ASSERT_EQ(got, want) << "level " << int(level) << " trial " << trial << " count " << count;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
