#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/graphics/byte_rows.h"

namespace {

using orvik::ByteRowsLevel;
using orvik::ByteShuffle;

// Every row the processor has gives the reference's bytes, for random shuffles of each
// pixel size pairing (and the keep-or-fill ones SSE2 takes) on random rows of every
// length up to a few vector steps, and writes nothing past the row.
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
            const orvik::ByteShuffleRowFn row = orvik::ByteShuffleRowAt(level, s);
            if (!row) continue;
            for (int count = 0; count <= 40; ++count) {
                std::vector<uint8_t> source(size_t(count) * size_t(s.sourceBytes));
                for (uint8_t& b : source) b = byte();
                const size_t bytes = size_t(count) * size_t(s.destBytes);
                std::vector<uint8_t> want(bytes + 32, 0x5A), got(want);
                orvik::ShuffleBytesRowReference(s, want.data(), source.data(), count);
                row(s, got.data(), source.data(), count);
                ASSERT_EQ(got, want) << "level " << int(level) << " trial " << trial << " count " << count;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
