// Movies opened as graphics short of memory at any one request of operator new: the load
// gives a graphic or -1 with a log line, and one that fails leaves no movie record, open
// file or temporary copy behind. A graph whose RenderFile so failed renders the file whole
// when asked again.
#include <filesystem>

#include "../support/memory_shortage.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"
#include "graph_movie_fixture.h"
#include "host/graph/graph_classes.h"
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

// Nothing of a failed try stays in the graph (a source whose picture still holds the
// renderer, a second source that seeks would go to): the next try renders both streams,
// and a seek shows the frame asked for. (A shortage met in the renderer's size check
// refuses the pictures, and the file renders without them: such a try is left as it is.)
TEST_F(GraphMovieTest, AGraphWhoseRenderFileRanShortOfMemoryRendersTheFileNextTime) {
    Start();
    const std::string path = Make("clip.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, 0.5});
    const std::u16string name(path.begin(), path.end());
    const auto render = [&](size_t failing) {
        host::IGraphBuilder* graph = nullptr;
        EXPECT_EQ(host::graph::CreateFilterGraph(host::IID_IGraphBuilder, reinterpret_cast<void**>(&graph)), 0);
        host::HRESULT hr = 0;
        D_CFrameCopyRenderer* renderer = CreateFrameCopyRenderer(nullptr, &hr);
        EXPECT_EQ(graph->AddFilter(renderer, "MovieRenderer"), 0);
        size_t requests = 0;
        {
            const orvik_test::FailingRequest shortage(failing);
            hr = graph->RenderFile(name.c_str(), nullptr);
            requests = orvik_test::OperatorNewRequests();
        }
        if (hr >= 0) return graph->Release(), requests;
        EXPECT_EQ(graph->RenderFile(name.c_str(), nullptr), host::S_OK) << "request " << failing;
        host::IMediaSeeking* seeking = nullptr;
        host::IMediaControl* control = nullptr;
        graph->QueryInterface(host::IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
        graph->QueryInterface(host::IID_IMediaControl, reinterpret_cast<void**>(&control));
        host::REFERENCE_TIME at = 15 * kSecond / 25;
        EXPECT_EQ(seeking->SetPositions(&at, host::AM_SEEKING_AbsolutePositioning, nullptr, 0), 0);
        EXPECT_EQ(control->Pause(), 0);
        EXPECT_TRUE(orvik_test::WaitUntil([&] {
            std::lock_guard hold(renderer->frameLock);
            return renderer->buffer && Rgb24FrameNumber(renderer->buffer, renderer->pitch) == 15;
        })) << "request " << failing;
        control->Release();
        seeking->Release();
        graph->Release();
        return requests;
    };
    const size_t requests = render(SIZE_MAX);
    for (size_t n = 1; n <= requests && !HasFailure(); ++n) render(n);
}

}  // namespace
}  // namespace movie_test
