// Movies opened as graphics short of memory at any one request of operator new: the load
// gives a graphic or -1 with a log line, and one that fails leaves no movie record, open
// file or temporary copy behind.
#include <filesystem>

#include "../support/memory_shortage.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"
#include "graph_movie_fixture.h"
#include "movie_builder.h"

namespace movie_test {
namespace {

using namespace orvik;

// The descriptors the process holds.
size_t OpenDescriptors() {
    return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST_F(GraphMovieTest, AMovieLoadShortOfMemoryAtAnyRequestLeavesNothingBehind) {
    const std::string temp = engine_.Log().Directory() + "/temp";
    std::filesystem::create_directory(temp);
    setenv("TMPDIR", temp.c_str(), 1);
    Start();
    SetArchiveExtension("dat");
    SetArchiveKeyString("tnqwplx");
    const std::vector<uint8_t> clip = ReadFileBytes(Make("inner.avi", {AvKind::Mpeg4Avi, 2, 32, 32, 25, 0}));
    ASSERT_TRUE(WriteArchive(engine_.Log().Directory() + "/Movies.dat", "clip.avi", clip, "tnqwplx"));
    const std::string theora = Write("clip.ogv", MakeMovie(2)), archived = engine_.Log().Directory() + "/Movies/clip.avi";
    const size_t descriptors = OpenDescriptors();
    const int32_t blocks = TrackedMemory().blockCount;
    for (const std::string& path : {theora, archived}) {
        // The load with the nth request failing (none fails past the last); the requests made.
        const auto load = [&](size_t failing) {
            int32_t g = -2;
            size_t requests = 0;
            const size_t logged = Log().size();
            {
                const orvik_test::FailingRequest shortage(failing);
                EXPECT_NO_THROW(g = LoadImageToGraph(path.c_str())) << path << ", request " << failing;
                requests = orvik_test::OperatorNewRequests();
            }
            EXPECT_GE(g, -1);
            EXPECT_TRUE(g >= 0 || Log().size() > logged) << "no log line at request " << failing;
            DeleteGraphHandle(g);
            ReleaseUnusedArchives();
            EXPECT_EQ(Movies().count, 0);
            EXPECT_EQ(TrackedMemory().blockCount, blocks);
            EXPECT_EQ(OpenFileCount(), 0);
            EXPECT_EQ(PlainFileOpenCount(), 0u);
            EXPECT_EQ(OpenDescriptors(), descriptors);
            EXPECT_TRUE(std::filesystem::is_empty(temp));
            return requests;
        };
        const size_t requests = load(SIZE_MAX);
        for (size_t n = 1; n <= requests && !HasFailure(); ++n) load(n);
    }
    unsetenv("TMPDIR");
    SetArchiveKeyString(nullptr);
}

}  // namespace
}  // namespace movie_test
