// Times of the graph (100 ns) into a stream's time base, however fine the base.
#include <gtest/gtest.h>

#include "host/graph/media_file_state.h"

namespace movie_test {
namespace {

using namespace host::graph;

// The farthest shift of a joined file's part, into a base of a two-thousand-millionth of
// a second: held at the limit of 64 bits, never turned into "no time" (which would move
// the part back), while an ordinary time is exact.
TEST(MediaFileTimesTest, ATimeIntoAVeryFineBaseHoldsAtTheLimitOf64Bits) {
    const AVRational fine{1, 2000000000};
    EXPECT_EQ(Stamp(kFarthest, fine), INT64_MAX);
    EXPECT_EQ(Stamp(-kFarthest, fine), INT64_MIN + 1);
    EXPECT_EQ(Stamp(kUnitsPerSecond, fine), 2000000000);
}

}  // namespace
}  // namespace movie_test
