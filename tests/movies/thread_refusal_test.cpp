// Threads the system refuses (no memory left for their stacks): each call that starts one
// fails with a log line and leaves nothing running, and the same calls work once threads
// start again.
#include <orvik/files.h>
#include <orvik/movie.h>
#include <orvik/network.h>

#include "engine/platform/files/plain_file.h"
#include "engine/platform/network/network.h"
#include "host/sync.h"
#include "host/thread_start.h"
#include "movie_builder.h"
#include "movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

uint32_t EndsAtOnce(void*) { return 7; }

TEST_F(MovieTest, CallsWhoseThreadIsRefusedFailWithALogLineAndWorkOnceThreadsStart) {
    host::SetProcessorCountForTests(2);  // the sound system runs its refill thread
    Start();
    const std::string movie = Write("movie.ogv", MakeMovie(4));
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "threads refused" : "threads start");
        host::SetThreadStartFails(refused ? 0 : -1);
        const size_t logged = Log().size();

        const FileAccessHandle file = FileAccessOpen(movie.c_str(), 1, 0, 0);
        EXPECT_EQ(file == 0, refused);
        uint8_t magic[4] = {};
        EXPECT_EQ(FileAccessRead(magic, 4, 1, file), refused ? 0u : 1u);
        FileAccessClose(file);
        EXPECT_EQ(PlainFileOpenCount(), 0u);

        TerminateDirectSound();
        EXPECT_EQ(InitializeDirectSound(), refused ? -1 : 0);
        EXPECT_EQ(IsSoundRefillThreadRunning(), !refused);
        EXPECT_EQ(host::IsHeadlessAudioOpen(), !refused);

        EXPECT_EQ(InitNetwork(), refused ? -1 : 0);
        EndNetwork();

        // Refused its decoder's thread, the movie is left to the media graph, whose run
        // starts threads only when it plays.
        const int32_t graph = LoadImageToGraph(movie.c_str());
        EXPECT_GE(graph, 0);
        EXPECT_EQ(PlayMovieToGraph(graph), refused ? -1 : 0);
        DeleteGraphHandle(graph);
        EXPECT_EQ(Movies().count, 0);

        const host::HANDLE thread = host::CreateThread(EndsAtOnce, nullptr, nullptr);
        EXPECT_EQ(thread == nullptr, refused);
        if (thread) host::CloseHandle(thread);

        const std::string log = Log().substr(logged);
        for (const char* line : {"ファイルアクセス専用スレッドの作成に失敗しました", "ストリームサウンド補充用スレッドの作成に失敗しました",
                                 "WSAStartupに失敗しました", "Theora ムービーデコード用スレッドの作成に失敗しました",
                                 "a thread of the graph's run could not be started"})
            EXPECT_EQ(log.find(line) != std::string::npos, refused) << line;
    }
    host::SetThreadStartFails(-1);
}

}  // namespace
}  // namespace movie_test
