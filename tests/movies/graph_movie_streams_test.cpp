// Movies through the media graph keep to what their streams hold where the container
// says otherwise: a length the header overstates.
#include "graph_movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

// 75 pictures (3 s) in an AVI whose headers say it lasts 1,892 s.
TEST_F(GraphMovieTest, AMovieEndsWithItsStreamsWhenItsHeaderOverstatesItsLength) {
    Start();
    std::vector<uint8_t> avi = ReadFileBytes(Make("short.avi", {AvKind::Mpeg4Avi, 75, 64, 48, 25, 0}));
    const uint32_t claimed = 1892 * 25;
    ASSERT_TRUE(PatchRiff(avi, "avih", 8 + 16, &claimed, 4));  // dwTotalFrames
    ASSERT_TRUE(PatchRiff(avi, "strh", 8 + 32, &claimed, 4));  // dwLength
    const int movie = Open(Write("long.avi", avi));
    ASSERT_GE(movie, 0);
    const MovieRecord* r = GetMovieRecord(movie);
    ASSERT_GT(r->stopPosition, 1000 * 10000000LL);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(3200);
    EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
    EXPECT_EQ(r->playRequested, 0);
    EXPECT_TRUE(Shows(movie, 74));
}

}  // namespace
}  // namespace movie_test
