// Media-graph movies that cannot be played as they are: a file whose times lie past any a
// movie holds, and a run whose threads cannot start or whose memory runs short. Each is
// refused or ended with a log line, and nothing leaves the engine.
#include "../support/memory_shortage.h"
#include "graph_movie_fixture.h"
#include "host/thread_start.h"

namespace movie_test {
namespace {

using namespace orvik;

// Five pictures whose times lie near 2^50 of their 1/25 s ticks (a file the fuzz run made):
// refused at open, no arithmetic on its times overflowing on the way.
TEST_F(GraphMovieTest, AFileWhoseTimesLiePastAnyMovieIsRefused) {
    Start();
    EXPECT_EQ(Open(std::string(ORVIK_TEST_DATA_DIR) + "/ivf_pts_overflow.ivf"), -1);
    EXPECT_NE(Log().find("its times lie past any a movie holds"), std::string::npos) << Log();
}

// A thread that cannot start (no memory left for its stack): the run's own, and so the
// play that starts it, or one of its parts', which ends the movie. Neither loops.
TEST_F(GraphMovieTest, ARunWhoseThreadsCannotStartFailsWithALogLine) {
    Start();
    const std::string path = Make("clip.mp4", {AvKind::H264Mp4, 10, 64, 48, 25, 0.4});
    for (const int started : {0, 1}) {
        SCOPED_TRACE(started);
        const int movie = Open(path);
        ASSERT_GE(movie, 0);
        const size_t logged = Log().size();
        host::SetThreadStartFails(started);
        EXPECT_EQ(PlayMovie(movie, kPlayLoop), started == 0 ? -1 : 0);
        EXPECT_TRUE(Until(movie, [&] {
            return GetMovieRecord(movie)->stopped == 1 &&
                   Log().find("a thread of the graph's run could not be started", logged) != std::string::npos;
        })) << Log().substr(logged);
        host::SetThreadStartFails(-1);
        EXPECT_EQ(CloseMovie(movie), 0);
    }
}

// A graph stopped after its run completed keeps no event of that run: the first event of
// the next, which breaks off, is its own, and the update that meets it logs it.
TEST_F(GraphMovieTest, ARunThatBreaksOffAfterAStopIsLoggedAtOnce) {
    Start();
    const int movie = Open(Make("clip.mp4", {AvKind::H264Mp4, 10, 64, 48, 25, 0}));
    ASSERT_GE(movie, 0);
    MovieRecord* r = GetMovieRecord(movie);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    Wait(500);
    long event = 0;
    ASSERT_EQ(r->mediaEvent->WaitForCompletion(5000, &event), host::S_OK);
    ASSERT_EQ(event, host::EC_COMPLETE);
    ASSERT_EQ(r->mediaControl->Stop(), 0);
    const size_t logged = Log().size();
    host::SetThreadStartFails(1);
    EXPECT_EQ(r->mediaControl->Run(), 0);
    EXPECT_EQ(r->mediaEvent->WaitForCompletion(5000, &event), host::S_OK);
    EXPECT_EQ(event, host::EC_ERRORABORT);
    EXPECT_EQ(UpdateMovie(movie), 0);
    EXPECT_NE(Log().find("a thread of the graph's run could not be started", logged), std::string::npos)
        << Log().substr(logged);
    host::SetThreadStartFails(-1);
}

// Memory that runs short as the run starts its parts: the run ends, its reason kept with
// no memory of its own (the shortage lasts until the run has ended), and the movie stops
// with a log line.
TEST_F(GraphMovieTest, ARunShortOfMemoryEndsWithALogLine) {
    Start();
    const int movie = Open(Make("clip.mp4", {AvKind::H264Mp4, 10, 64, 48, 25, 0.4}));
    ASSERT_GE(movie, 0);
    long event = 0;
    {
        const orvik_test::MemoryShortage shortage(16);
        EXPECT_EQ(PlayMovie(movie, kPlayLoop), 0);
        EXPECT_EQ(GetMovieRecord(movie)->mediaEvent->WaitForCompletion(5000, &event), host::S_OK);
    }
    EXPECT_EQ(event, host::EC_ERRORABORT);
    EXPECT_TRUE(Until(movie, [&] {
        return GetMovieRecord(movie)->stopped == 1 &&
               Log().find("memory ran out during the graph's run") != std::string::npos;
    })) << Log();
}

}  // namespace
}  // namespace movie_test
