// Movie files whose headers claim large pictures in a few kilobytes. Beyond the pixels of
// the largest 8K frame, or what a graphic can hold, opening them as graphics fails before
// anything near the size of such a picture is allocated, on the engine's Theora path and
// through the media graph alike, with a log line. Within the bound a movie's graphic
// costs at most 20 bytes a pixel of its frame by the time the first frame shows in it.
#include <orvik/movie.h>

#include "engine/graphics/handles/graph_handles.h"
#include "engine/sound/movies/theora_movie.h"
#include "graph_movie_fixture.h"
#include "h264_size_claim.h"
#include "vpx_size_claim.h"
#include "tests/support/allocation_watch.h"
#include "tests/support/peak_memory.h"

namespace movie_test {
namespace {

constexpr int kClaimed = 30000;
constexpr size_t kSmallBlock = 8u << 20;

// The AVI with headers claiming width x height for pictures its codec cannot decode, so
// that nothing but the headers gives their size.
std::vector<uint8_t> AviClaiming(std::vector<uint8_t> avi, uint32_t width, uint32_t height) {
    const uint32_t sides[2] = {width, height};
    EXPECT_TRUE(PatchRiff(avi, "avih", 8 + 32, sides, 8));   // dwWidth, dwHeight
    EXPECT_TRUE(PatchRiff(avi, "strf", 8 + 4, sides, 8));    // biWidth, biHeight
    EXPECT_TRUE(PatchRiff(avi, "strh", 8 + 4, "MJPG", 4));   // fccHandler
    EXPECT_TRUE(PatchRiff(avi, "strf", 8 + 16, "MJPG", 4));  // biCompression
    return avi;
}

// Twelve frames of 32 x 32 whose identification header claims width x height.
std::vector<uint8_t> TheoraClaiming(int width, int height) {
    return JoinMovie(EncodeTheora(12, DefaultFrame, 4, 7, {TH_PF_420, width, height}), {});
}

TEST_F(GraphMovieTest, HeadersClaimingAPictureNoGraphicHoldsAllocateNothingOfItsSize) {
    if (!orvik_test::AllocationWatch::Available()) GTEST_SKIP() << "no sanitizer allocation hook";
    Start();
    const std::vector<uint8_t> avi =
        AviClaiming(ReadFileBytes(Make("small.avi", {AvKind::Mpeg4Avi, 3, 64, 48, 25, 0})), kClaimed, kClaimed);
    const std::string y4m = "YUV4MPEG2 W30000 H30000 F25:1 Ip A1:1 C420jpeg\nFRAME\n";
    std::vector<uint8_t> raw(y4m.begin(), y4m.end());
    raw.resize(1000, 128);
    const std::vector<uint8_t> theora = TheoraClaiming(kClaimed, kClaimed);
    for (const auto& [name, bytes] : {std::pair{"claims.avi", avi}, std::pair{"claims.y4m", raw},
                                      std::pair{"claims.ogv", theora}}) {
        const std::string path = Write(name, bytes);
        orvik_test::AllocationWatch watch;
        EXPECT_EQ(orvik::LoadGraphFile(path.c_str(), 0, 0, 0), -1) << name;
        EXPECT_LT(watch.Largest(), kSmallBlock) << name;
        EXPECT_LT(watch.Total(), 4 * kSmallBlock) << name;
    }
}

// How far the peak memory rises, in bytes, while `path` opens as a graphic and its first
// frame goes into it (a Theora movie's thread has filled its stock; a graph movie plays
// until its first picture is in the graphic); *graph the graphic.
int64_t OpeningCost(const std::string& path, int32_t* graph) {
    EXPECT_TRUE(orvik_test::ResetPeakResident());
    const int64_t before = orvik_test::PeakResidentKb();
    *graph = orvik::LoadGraphFile(path.c_str(), 0, 0, 0);
    if (const orvik::GraphRecord* r = orvik::GetGraphRecord(*graph)) {
        const orvik::MovieRecord* m = orvik::GetMovieRecord(r->movie);
        if (orvik::TheoraMovie* t = m->theora)
            orvik_test::WaitUntil([&] {
                std::lock_guard hold(t->lock);
                return t->state == orvik::kTheoraIdle || t->endOfStream;
            });
        else
            EXPECT_EQ(orvik::PlayMovieToGraph(*graph, 1), 0);
        EXPECT_TRUE(orvik_test::WaitUntil([&] {
            orvik::UpdateMovie(r->movie);
            return m->hasFrame != 0;
        }));
    }
    return (orvik_test::PeakResidentKb() - before) * 1024;
}

class MovieFrameBoundTest : public GraphMovieTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        GraphMovieTest::SetUp();
        Start(GetParam());
    }
};

// A few kilobytes claiming more pixels than the largest 8K frame are refused with a log
// line before the decoders, frame images or graphic of that size are made: whether the
// container's header claims them, or only the picture stream's own headers, which FFmpeg
// reads as it probes the stream (H.264 in an MPEG program stream, or bare; VP9).
TEST_P(MovieFrameBoundTest, FramesOfMorePixelsThanEightKAreRefusedAtOpen) {
    const std::vector<uint8_t> small = ReadFileBytes(Make("small.avi", {AvKind::Mpeg4Avi, 3, 64, 48, 25, 0}));
    const std::vector<uint8_t> h264 = ReadFileBytes(Make("small.h264", {AvKind::H264Bare, 3, 64, 48, 25, 0}));
    const std::vector<uint8_t> mpg = ReadFileBytes(Make("small.mpg", {AvKind::H264Ps, 3, 64, 48, 25, 0.1}));
    const std::vector<uint8_t> vp9 = ReadFileBytes(Make("small.webm", {.frames = 3, .container = "webm", .pictureEncoder = "libvpx-vp9"}));
    // 8192 x 4336 is the first Theora frame past the bound (its sides count 16 pixels).
    const std::pair<std::string, std::vector<uint8_t>> files[] = {
        {"claims.ogv", TheoraClaiming(8192, 4336)},
        {"square.avi", AviClaiming(small, 12000, 12000)},
        {"wide.avi", AviClaiming(small, 30000, 8000)},
        // The parameter sets grow: the program stream packet holding them ends a little early.
        {"claims.mpg", H264Claiming(mpg, 16000, 16000)},
        {"claims.h264", H264Claiming(h264, 16000, 16000)},
        // Only the decoder reads a VP9 keyframe's size: the probe decodes it, the container saying 64 x 48.
        {"claims.webm", Vp9Claiming(vp9, 16000, 16000)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = Write(name, bytes);
        const size_t logged = Log().size();
        int32_t graph = -1;
        EXPECT_LT(OpeningCost(path, &graph), int64_t(100) << 20);
        EXPECT_EQ(graph, -1);
        EXPECT_NE(Log().find("more pixels than the largest 8K frame", logged), std::string::npos);
    }
}

// Pictures that grow past the bound partway through the movie, where only the picture
// decoder reads their new size (a VP8 keyframe, an H.264 parameter set far into an MPEG
// program stream), end the movie there with a log line, before the decoder makes anything
// of their size; a looping movie does not start over.
TEST_F(GraphMovieTest, PicturesGrowingPastEightKPartwayEndTheMovie) {
    Start();
    const std::vector<uint8_t> vp8 =
        ReadFileBytes(Make("small.webm", {.frames = 100, .container = "webm", .pictureEncoder = "libvpx"}));
    const std::vector<uint8_t> h264 = ReadFileBytes(Make("small.mpg", {.kind = AvKind::H264Ps, .frames = 200, .busy = true}));
    // Every tenth picture is a keyframe, with the H.264 stream's parameter sets.
    const std::tuple<std::string, std::vector<uint8_t>, int> files[] = {
        {"grows.webm", Vp8Claiming(vp8, 8, 16000, 16000), 80},
        {"grows.mpg", H264Claiming(h264, 8192, 8192, 15), 150},
    };
    for (const auto& [name, bytes, grows] : files) {
        SCOPED_TRACE(name);
        const int movie = Open(Write(name, bytes));
        ASSERT_GE(movie, 0);
        const orvik::MovieRecord* r = orvik::GetMovieRecord(movie);
        const size_t logged = Log().size();
        ASSERT_TRUE(orvik_test::ResetPeakResident());
        [[maybe_unused]] const int64_t before = orvik_test::PeakResidentKb();
        ASSERT_EQ(orvik::PlayMovie(movie, orvik::kPlayLoop), 0);
        for (int ms = 0; ms < grows * 40 + 200; ms += 40) {
            Wait(40);
            Until(movie, [&] { return host::IsGraphSourceAhead(r->graph); });
        }
        EXPECT_TRUE(Until(movie, [&] { return r->stopped == 1; }));
        // The H.264 decoder lets go of the few pictures it holds back for their order.
        EXPECT_TRUE(Until(movie, [&] { return g_lastFrame >= grows - 3; })) << g_lastFrame;
#if !defined(__SANITIZE_THREAD__)  // whose shadow of the memory written counts with it
        EXPECT_LT(orvik_test::PeakResidentKb() - before, 100 * 1024);
#endif
        EXPECT_NE(Log().find("a picture of a size the decoders refuse", logged), std::string::npos) << Log();
        EXPECT_EQ(orvik::CloseMovie(movie), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, MovieFrameBoundTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Software" : "Device"; });

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed blocks a while before it uses their memory again, so the
// pictures the decoders free on the way (a file's streams are probed more than once) still
// count: about 2 bytes a pixel.
constexpr int64_t kQuarantinedBytesPerPixel = 2;
#else
constexpr int64_t kQuarantinedBytesPerPixel = 0;
#endif

// Within the bound a movie's frame costs its graphic, the decoder's own pictures and one
// converted frame: at most 20 bytes a pixel, on either path and for either kind of movie
// (each case in a process of its own, where no memory freed before hides what it takes).
class MovieFrameCostTest : public GraphMovieTest, public ::testing::WithParamInterface<std::tuple<bool, bool>> {
protected:
    void SetUp() override {
        GraphMovieTest::SetUp();
        Start(std::get<0>(GetParam()));
    }
};

TEST_P(MovieFrameCostTest, AMoviesGraphicCostsAtMostTwentyBytesAPixelOfItsFrame) {
#if defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "ThreadSanitizer's shadow of the memory written counts with it";
#endif
    constexpr int64_t kPixels = 4096 * 2160;
    const std::string path = std::get<1>(GetParam()) ? Write("claims.ogv", TheoraClaiming(4096, 2160))
                                                     : Make("one.avi", {AvKind::Mpeg4Avi, 1, 4096, 2160, 25, 0});
    int32_t graph = -1;
    const int64_t cost = OpeningCost(path, &graph);
    ASSERT_GE(graph, 0);
    EXPECT_LT(cost, (20 + kQuarantinedBytesPerPixel) * kPixels) << double(cost) / double(kPixels) << " bytes a pixel";
}

INSTANTIATE_TEST_SUITE_P(BothPathsAndKinds, MovieFrameCostTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& info) {
                             return std::string(std::get<0>(info.param) ? "Software" : "Device") +
                                    (std::get<1>(info.param) ? "Theora" : "Graph");
                         });

}  // namespace
}  // namespace movie_test
