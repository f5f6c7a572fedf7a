// Media-graph movies as graphics, on the device path and on the software path: the
// frames drawn in order, and movies whose right half is the alpha of their left half;
// the frame a movie tells.
#include <orvik/movie.h>

#include <cstring>

#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/device/vertex_batch.h"
#include "graph_movie_fixture.h"

namespace movie_test {
namespace {

using namespace orvik;

class GraphMovieGraphicsTest : public GraphMovieTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        GraphMovieTest::SetUp();
        Start(GetParam());
        ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    }
    void TearDown() override {
        SetMovieRightHalfAlphaFlag(0);
        GraphMovieTest::TearDown();
    }
    static uint32_t ScreenPixel(int x, int y) {
        if (Graphics().direct3DMode) return BackBufferPixel(x, y);
        const MEMIMG& screen = *Graphics().softScreen;
        uint32_t v;
        std::memcpy(&v, screen.pixels + size_t(y) * size_t(screen.store->pitch) + size_t(x) * 4, 4);
        return v & 0xFFFFFF;
    }
    // Draws the graphic over a black screen until it shows `frame` (a picture is there
    // when its lower part is red: frame 0's blocks alone would read off a black screen).
    bool Draws(int32_t graph, int frame) {
        return orvik_test::WaitUntil(
            [&] {
                ClearDrawTarget();
                DrawGraphAt(0, 0, graph, 1);
                FlushVertexBatch();
                return (ScreenPixel(30, 36) >> 16) > 200 && ReadFrameNumber(ScreenPixel) == frame;
            },
            5.0);
    }
};

TEST_P(GraphMovieGraphicsTest, AnAviLoadsAsAGraphicThatDrawsItsFramesInOrder) {
    const int32_t graph = LoadGraphFile(Make("show.avi", {AvKind::Mpeg4Avi, 25, 64, 48, 25, 0}).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    int w = 0, h = 0;
    ASSERT_EQ(QueryGraphSize(graph, &w, &h), 0);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    ASSERT_EQ(PlayMovieToGraph(graph, 1), 0);
    EXPECT_TRUE(Draws(graph, 0));
    // The lower part's red comes through the 24-bit frame in its own colour.
    const uint32_t lower = ScreenPixel(30, 36);
    EXPECT_GE(lower >> 16 & 255, 200u) << std::hex << lower;
    EXPECT_LE(lower & 0xFFFF, 0x3030u) << std::hex << lower;
    Wait(480);
    EXPECT_TRUE(Draws(graph, 12));
    EXPECT_EQ(TellMovieToGraph(graph), 12);
    ASSERT_EQ(DeleteGraphHandle(graph), 0);
    EXPECT_EQ(Movies().count, 0);
}

// The left half is the picture; the grey of the right half, at the same rows, its alpha:
// opaque over the first 16 columns, clear beyond.
TEST_P(GraphMovieGraphicsTest, AnAlphaMovieTakesItsAlphaFromItsRightHalf) {
    ASSERT_EQ(SetMovieRightHalfAlphaFlag(1), 0);
    AvMovie m{AvKind::Mpeg4Avi, 10, 128, 48, 25, 0};
    m.alphaRight = true;
    const int32_t graph = LoadGraphFile(Make("alpha.avi", m).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    int w = 0, h = 0;
    ASSERT_EQ(QueryGraphSize(graph, &w, &h), 0);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(GetGraphRecord(graph)->images->alpha, 1);
    ASSERT_EQ(SeekMovieToGraph(graph, 3), 0);
    ASSERT_TRUE(orvik_test::WaitUntil(
        [&] {
            ClearDrawTarget();
            DrawGraphAt(0, 0, graph, 1);
            FlushVertexBatch();
            return ScreenPixel(8, 36) >> 16 > 200;
        },
        5.0));
    EXPECT_LE(ScreenPixel(8, 36) & 0xFFFF, 0x3030u);  // opaque: the picture's red
    EXPECT_EQ(ScreenPixel(40, 36), 0u);               // clear: the black behind
    EXPECT_EQ(ScreenPixel(60, 4), 0u);
}

// An 8K movie (7680 x 4320) is on the device one texture wider than 4096: it opens, and its
// frames reach the graphic's far edge, where frame 1 whitens the last of its eight blocks.
// Each frame is drawn once the renderer holds it, however long its decoding takes.
TEST_P(GraphMovieGraphicsTest, AnEightKMoviePlaysIntoItsGraphic) {
    const int32_t graph = LoadGraphFile(Make("8k.avi", {AvKind::Mpeg4Avi, 2, 7680, 4320, 25, 0}).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    const auto farEdgeShows = [&](int frame) {
        if (!RendererHolds(GetGraphRecord(graph)->movie, frame, 7680)) return false;
        ClearDrawTarget();
        DrawGraphAt(640 - 7680, 0, graph, 1);
        FlushVertexBatch();
        return ((ScreenPixel(600, 8) & 255) > 200) == (frame == 1) && (ScreenPixel(600, 36) >> 16) > 200;
    };
    ASSERT_EQ(PlayMovieToGraph(graph, 1), 0);
    EXPECT_TRUE(farEdgeShows(0));
    Wait(40);
    EXPECT_TRUE(farEdgeShows(1));
}

// On the software path a movie's graphic is one image of up to 2 GB: a movie wider than any
// texture (20000 x 48) plays into it, its frame number read across its whole width.
TEST_F(GraphMovieTest, AMovieWiderThanAnyTexturePlaysIntoASoftwareGraphic) {
    Start(true);
    const int32_t graph = LoadGraphFile(Write("wide.y4m", Y4mMovie(2, 1, 20000)).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    const GraphRecord& r = *GetGraphRecord(graph);
    const auto pixel = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, r.view.pixels + ptrdiff_t(y) * r.view.store->pitch + ptrdiff_t(x) * 4, 4);
        return v & 0xFFFFFF;
    };
    ASSERT_EQ(SeekMovieToGraph(graph, 1), 0);
    EXPECT_TRUE(orvik_test::WaitUntil(
        [&] {
            UpdateMovie(r.movie);
            return ReadFrameNumber(pixel, 20000) == 1;
        },
        5.0));
}

// With textures of at most 256 texels a side, a 384 x 288 movie's graphic on the device is
// four textures, and each frame reaches them all: frame 3's number read across the upper
// two, the picture's red in the others; through the media graph and the Theora decoder.
TEST_F(GraphMovieTest, AMovieLargerThanATextureIsCutIntoTexturesOnTheDevice) {
    Start();
    Graphics().dev.maxTextureSize = 256;
    ASSERT_EQ(SetDrawTarget(kDrawTargetBackBuffer), 0);
    const auto red = [](int x, int y) { return BackBufferPixel(x, y) >> 16 > 200; };
    for (const auto& [name, kind] :
         {std::pair{"large.avi", AvKind::Mpeg4Avi}, std::pair{"large.ogv", AvKind::TheoraOgg}}) {
        const int32_t graph = LoadGraphFile(Make(name, {kind, 4, 384, 288, 25, 0}).c_str(), 0, 0, 0);
        ASSERT_GE(graph, 0) << name;
        EXPECT_EQ(GetGraphRecord(graph)->images->pieces.size(), 4u) << name;
        ASSERT_EQ(SeekMovieToGraph(graph, 3), 0) << name;
        EXPECT_TRUE(orvik_test::WaitUntil(
            [&] {
                ClearDrawTarget();
                DrawGraphAt(0, 0, graph, 1);
                FlushVertexBatch();
                return ReadFrameNumber(BackBufferPixel, 384) == 3 && red(30, 200) && red(30, 280) && red(300, 280);
            },
            5.0))
            << name;
        ASSERT_EQ(DeleteGraphHandle(graph), 0);
    }
}

// Played to its end, a movie tells its last frame, which it still shows, however long it
// has ended; right after a seek it tells the frame sought.
TEST_F(GraphMovieTest, TellGivesTheFrameShownAfterTheEndAndAfterASeek) {
    Start();
    const int32_t graph = LoadGraphFile(Make("tell.avi", {AvKind::Mpeg4Avi, 10, 64, 48, 25, 0}).c_str(), 0, 0, 0);
    ASSERT_GE(graph, 0);
    ASSERT_EQ(PlayMovieToGraph(graph, 1), 0);
    Wait(600);
    DrawGraphAt(0, 0, graph, 0);
    EXPECT_EQ(GetMovieStateToGraph(graph), 0);
    EXPECT_EQ(TellMovieToGraph(graph), 9);
    ASSERT_EQ(SeekMovieToGraph(graph, 3), 0);
    EXPECT_EQ(TellMovieToGraph(graph), 3);
    ASSERT_EQ(SeekMovieToGraph(graph, 100), 0);
    EXPECT_EQ(TellMovieToGraph(graph), 9);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, GraphMovieGraphicsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Software" : "Device"; });

}  // namespace
}  // namespace movie_test
